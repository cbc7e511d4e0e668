#include "view/view_scroll.h"

#include <algorithm>
#include <climits>

#include "platform/key_codes.h"
#include "text/text_store.h"
#include "view/live_settings.h"
#include "view/long_lines.h"
#include "view/navigation.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_editing.h"

namespace tessel {
namespace {

constexpr int kStatusRows = 2;
constexpr int kTopChoiceRows = 6;
constexpr int kBottomChoiceMargin = 10;

// Every modifier the key table tells apart; the keypad flag only says where a key came from.
constexpr int kChordMask = kModShift | kModControl | kModAlt;

bool isBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\0';
}

bool hasSelection(const View& view) {
    return view.display.selStartLine >= 0 && view.display.selEndLine >= 0;
}

}  // namespace

int jumpRows(int rows, JumpRowChoice choice) {
    int value = kTopChoiceRows;
    if (choice == JumpRowChoice::kMiddle) value = rows / 2 - 1;
    if (choice == JumpRowChoice::kBottom) value = rows - kBottomChoiceMargin;
    // The target must stay on a text row, above the status rows.
    return std::clamp(value, 0, std::max(0, rows - kStatusRows - 1));
}

int scrollLineCount(const View& view) {
    if (view.filterMode != FilterMode::kFullText) return std::max(0, view.filteredLineCount);
    return shownLineCount(view);
}

int scrollTextRows(const View& view) {
    int rows = std::clamp(view.rows, kStatusRows, kScreenRows) - kStatusRows;
    if (liveSettings().assist) --rows;
    // Away from the top a filter mode shows its caption, and the full text may show the file
    // name, each in a row of its own; counting it always keeps the last line in sight.
    if (view.filterMode != FilterMode::kFullText || view.display.showFileName) --rows;
    return std::max(rows, 1);
}

int lastTopLine(const View& view) {
    return std::max(0, scrollLineCount(view) - scrollTextRows(view));
}

bool fileMode(const View& view) {
    return view.filterMode == FilterMode::kFullText && view.textStore().hasPrefix;
}

int scrollTo(View& view, int topLine) {
    const int top = std::clamp(topLine, 0, lastTopLine(view));
    if (top == view.search.topLine) return 1;
    view.search.topLine = top;
    view.screen.valid = false;
    return 0;
}

int scrollLines(View& view, int delta) {
    // Widened so that a huge delta cannot overflow next to a huge top line.
    const long long target = static_cast<long long>(view.search.topLine) + delta;
    return scrollTo(view, static_cast<int>(std::clamp<long long>(target, 0, INT_MAX)));
}

int scrollPages(View& view, int pages) {
    const int page = std::max(1, scrollTextRows(view) - 1);
    const long long delta = static_cast<long long>(page) * pages;
    return scrollLines(view, static_cast<int>(std::clamp<long long>(delta, INT_MIN, INT_MAX)));
}

int scrollColumns(View& view, int delta) {
    const long long target = static_cast<long long>(view.display.scrollColumn) + delta;
    const int column = static_cast<int>(std::clamp<long long>(target, 0, scrollColumnLimit(view)));
    if (column == view.display.scrollColumn) return 1;
    view.display.scrollColumn = column;
    view.screen.valid = false;
    return 0;
}

int scrollToStart(View& view) {
    return scrollTo(view, 0);
}

int scrollToEnd(View& view) {
    return scrollTo(view, lastTopLine(view));
}

int cellAt(const View& view, int x, int y, int* row, int* column) {
    if (x < 0 || y < 0 || view.lineHeight <= 0 || view.charWidth <= 0) return 9;
    const int r = y / view.lineHeight;
    const int c = x / view.charWidth;
    if (r >= std::min(view.rows, kScreenRows) || c >= kScreenColumns) return 9;
    *row = r;
    *column = c;
    return 0;
}

bool blankSpaceAt(const View& view, int x, int y) {
    int row = 0;
    int column = 0;
    if (cellAt(view, x, y, &row, &column) != 0) return false;
    if (row >= std::clamp(view.rows, kStatusRows, kScreenRows) - kStatusRows) return false;
    if (row == 0 && liveSettings().assist) return false;
    const uint8_t kind = view.screen.flags[static_cast<size_t>(row)];
    if (kind == kRowFind || kind == kRowPath) return false;
    const std::string_view text = view.screen.rowText(row);
    const size_t at = view.screen.byteOfCell(row, column);
    return at >= text.size() || isBlankByte(text[at]);
}

int scrollKeyDown(View& view, int key, int modifiers) {
    const int chord = modifiers & kChordMask;
    const bool control = (chord & kModControl) != 0;
    const bool shift = (chord & kModShift) != 0;
    switch (key) {
        case kKeyPageUp:
            if (chord == 0 || (control && hasSelection(view))) {
                scrollPages(view, -1);
            } else if (control) {
                if (fileMode(view)) {
                    prevFile(view);
                } else {
                    scrollToStart(view);
                }
            } else {
                return 1;
            }
            return 0;
        case kKeyPageDown:
            if (chord == 0 || (control && hasSelection(view))) {
                scrollPages(view, 1);
            } else if (control) {
                if (fileMode(view)) {
                    nextFileStart(view);
                } else {
                    scrollToEnd(view);
                }
            } else {
                return 1;
            }
            return 0;
        case kKeyHome:
            if (!control || (chord & kModAlt)) return 1;
            if (fileMode(view) && !shift) {
                prevFile(view);
            } else {
                scrollToStart(view);
            }
            return 0;
        case kKeyEnd:
            if (!control || (chord & kModAlt)) return 1;
            if (fileMode(view) && !shift) {
                nextFileKey(view);
            } else {
                scrollToEnd(view);
            }
            return 0;
        case kKeyLeft:
        case kKeyRight:
            if (chord != kModShift) return 1;
            scrollColumns(view, key == kKeyLeft ? -kKeyScrollColumns : kKeyScrollColumns);
            return 0;
        case kKeyUp:
        case kKeyDown:
            if (chord != 0) return 1;
            scrollLines(view, key == kKeyUp ? -1 : 1);
            return 0;
        default:
            return 1;
    }
}

}  // namespace tessel
