#include "view/mouse_gestures.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "view/frame_layout.h"
#include "view/screen_builder.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"
#include "view/view_input.h"

namespace tessel {
namespace {

constexpr int kFlashMs = 1000;

bool textCell(const View& view, int row, int column) {
    if (row < 0 || row >= kScreenRows || column < 0 || column >= kScreenColumns) return false;
    return view.screen.flags[static_cast<size_t>(row)] == kRowText &&
           view.screen.rowLine[static_cast<size_t>(row)] >= 0;
}

std::string_view rowOf(const View& view, int row) {
    const char* text = view.screen.rowText(row);
    return text ? std::string_view(text, strnlen(text, kScreenTextBytes)) : std::string_view();
}

bool blankCell(const View& view, int row, int column) {
    const std::string_view text = rowOf(view, row);
    const size_t at = view.screen.byteOfCell(row, column);
    return at >= text.size() || text[at] == ' ' || text[at] == '\t';
}

std::string wordAt(const View& view, int row, int column) {
    int from = 0;
    int to = 0;
    if (!wordSpanAt(view, row, column, &from, &to)) return {};
    return std::string(
        rowOf(view, row).substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
}

// The view beside this one: left (above) for the middle button, right (below) for the right.
View* neighbourOf(View& view, bool after) {
    if (!view.frame) return nullptr;
    return view.frame->viewAt(view.index + (after ? 1 : -1));
}

void searchFor(View& target, const std::string& text, int delayMs) {
    setMaskText(target, target.input, MaskFocus::kFind, text);
    target.input.maskFocus = MaskFocus::kFind;
    if (delayMs > 0) scheduleSearch(target, false, delayMs);
    target.screen.valid = false;
    if (target.host) target.host->refresh();
}

int oneClickSearch(View& view, int row, int column) {
    const std::string word = wordAt(view, row, column);
    if (word.empty()) return 1;
    int delay = view.search.settings.oneClickSearchDelay;
    if (delay <= 0) delay = 300;
    searchFor(view, word, delay);
    return 0;
}

// SHIFT clicks on words of one line grow one phrase from the leftmost to the rightmost word
// clicked; a click on another line starts a new phrase. The search starts at once.
int phraseSearch(View& view, int row, int column) {
    int from = 0;
    int to = 0;
    if (!wordSpanAt(view, row, column, &from, &to)) return 1;
    GestureState& phrase = view.gestures;
    const int line = view.screen.rowLine[static_cast<size_t>(row)];
    if (phrase.phraseRow == row && phrase.phraseLine == line) {
        phrase.phraseFrom = std::min(phrase.phraseFrom, from);
        phrase.phraseTo = std::max(phrase.phraseTo, to);
    } else {
        phrase.phraseRow = row;
        phrase.phraseLine = line;
        phrase.phraseFrom = from;
        phrase.phraseTo = to;
    }
    const std::string_view text = rowOf(view, row);
    const std::string words(text.substr(static_cast<size_t>(phrase.phraseFrom),
                                        static_cast<size_t>(phrase.phraseTo - phrase.phraseFrom)));
    searchFor(view, words, 1);
    return 0;
}

int searchInNeighbour(View& view, int row, int column, bool after) {
    const std::string word = wordAt(view, row, column);
    if (word.empty()) return 1;
    View* target = neighbourOf(view, after);
    if (!target) {
        showStatusInfo("open another window first.");
        return 0;
    }
    searchFor(*target, word, 1);
    return 0;
}

int showLineInNeighbour(View& view, int row, bool after) {
    const int line = view.screen.rowLine[static_cast<size_t>(row)];
    if (line < 0) return 1;
    View* target = neighbourOf(view, after);
    if (!target) {
        showStatusInfo("open another window first.");
        return 0;
    }
    if (target->filterMode != FilterMode::kFullText) {
        showStatusInfo("close filtered view first.");
        return 0;
    }
    SearchState& search = target->search;
    search.currentLine = line;
    search.topLine = std::max(0, line - search.resultFocusOffset);
    target->display.flashLine = line;
    target->display.flashUntilMs = tickMs() + kFlashMs;
    target->screen.valid = false;
    if (target->host) target->host->refresh();
    return 0;
}

int copyAt(View& view, int row, int column) {
    std::string text = wordAt(view, row, column);
    const char* what = "word";
    if (text.empty()) {
        text = std::string(rowOf(view, row));
        while (!text.empty() && text.back() == ' ') text.pop_back();
        what = "line";
    }
    if (text.empty()) return 1;
    setClipboardText(text);
    logMessage("clip: %s copy, %zu bytes.", what, text.size());
    return 0;
}

}  // namespace

bool wordSpanAt(const View& view, int row, int column, int* from, int* to) {
    if (!textCell(view, row, column)) return false;
    const std::string_view text = rowOf(view, row);
    const auto at = static_cast<int>(view.screen.byteOfCell(row, column));
    if (at >= static_cast<int>(text.size())) return false;
    const bool utf8 = codePageTables().utf8;
    auto word = [&](int index) { return isWordCharIn(text, static_cast<size_t>(index), utf8); };
    if (!word(at)) return false;
    int start = at;
    while (start > 0 && word(start - 1)) --start;
    int end = at + 1;
    while (end < static_cast<int>(text.size()) && word(end)) ++end;
    *from = start;
    *to = end;
    return true;
}

int gesturePress(View& view, int button, int row, int column, int modifiers) {
    if (view.editor || !textCell(view, row, column)) return 1;
    const bool shift = (modifiers & kModShift) != 0;
    const bool control = (modifiers & kModControl) != 0 && (modifiers & kModAlt) == 0;
    const bool blank = blankCell(view, row, column);
    if (button == kMouseLeft) {
        if (control) return copyAt(view, row, column);
        if (shift) return phraseSearch(view, row, column);
        if (config().getInt("oneclicksearch") && view.filterMode == FilterMode::kFullText)
            return oneClickSearch(view, row, column);
        return 1;
    }
    if (button == kMouseMiddle && blank) return cloneView(view, false) ? 0 : 9;
    if (button != kMouseMiddle && button != kMouseRight) return 1;
    const bool after = button == kMouseRight;
    if (blank) return 1;
    if (searchInNeighbour(view, row, column, after) == 0) return 0;
    return showLineInNeighbour(view, row, after);
}

int gestureDoubleClick(View& view, int button, int row, int column, int /*modifiers*/) {
    if (view.editor || row < 0 || row >= kScreenRows) return 1;
    const bool blank = !textCell(view, row, column) || blankCell(view, row, column);
    if (!blank) return 1;
    if (button == kMouseLeft) {
        view.expandOrRaise(false);
        return 0;
    }
    if (button == kMouseRight) return cloneView(view, true) ? 0 : 9;
    return 1;
}

View* cloneView(View& view, bool after) {
    if (!view.frame) return nullptr;
    View* clone = view.frame->createView(view.index + (after ? 1 : 0));
    if (!clone) return nullptr;
    // Creating renumbers the views but keeps this record; copy the place and the masks.
    clone->search.setFindMask(view.search.findMask);
    clone->search.setPathMask(view.search.pathMask);
    clone->search.pathSelectionActive = view.search.pathSelectionActive;
    clone->search.caseSensitive = view.search.caseSensitive;
    clone->search.topLine = view.search.topLine;
    clone->search.currentLine = view.search.currentLine;
    clone->tabSize = view.tabSize;
    clone->display.scrollColumn = view.display.scrollColumn;
    if (clone->search.findMask[0]) scheduleSearch(*clone);
    clone->screen.valid = false;
    return clone;
}

}  // namespace tessel
