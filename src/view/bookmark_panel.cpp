#include "view/bookmark_panel.h"

#include <algorithm>

#include "bookmarks/bookmark_list.h"
#include "platform/platform.h"
#include "view/screen_fonts.h"
#include "view/scroll_bars.h"
#include "view/sidebar.h"
#include "view/view.h"

namespace tessel {
namespace {

// Room around a label inside its row, and below the sidebar.
constexpr int kPad = 3;
constexpr int kGap = 4;
// A row is the small font's height and a little air.
constexpr int kRowAir = 2;
constexpr int kMinRowHeight = 8;

int widthOf(const TextMeasure& measure, const std::string& text) {
    return measure.width ? measure.width(text) : 0;
}

// The longest start of `text` that is at most `room` pixels wide. Widths grow with the length,
// so a binary search keeps a long label to a few measurements.
std::string fitted(const TextMeasure& measure, const std::string& text, int room) {
    if (widthOf(measure, text) <= room) return text;
    size_t low = 0;
    size_t high = text.size();
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (widthOf(measure, text.substr(0, middle)) <= room) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return text.substr(0, low);
}

}  // namespace

std::string bookmarkRowText(const BookmarkList& list, int index) {
    const ViewPosition& pos = list.at(index).pos;
    if (pos.label[0] != '\0' || pos.remark) return pos.label;
    const char* text = pos.lineText;
    while (*text == ' ' || *text == '\t') ++text;
    return text;
}

BookmarkPanelShape bookmarkPanelShape(const View& view, const BookmarkList& list,
                                      const TextMeasure& measure) {
    BookmarkPanelShape panel;
    const int count = list.count();
    if (view.bookmarksHidden || count == 0) return panel;
    // Rows as tall as the text rows, and starting on a text row, keep each entry beside one
    // row of text: a click there lands on the entry the eye pairs with the row.
    const int textRow = std::max(view.lineHeight, 1);
    panel.rowHeight = std::max(std::max(measure.lineHeight, kMinRowHeight) + kRowAir, textRow);
    int top = std::max(sidebarColumnBottom(view) + kGap, view.lineHeight);
    top = (top + textRow - 1) / textRow * textRow;
    const int bottom = std::max(view.rows - 2, 0) * view.lineHeight;
    const int visible = (bottom - top) / panel.rowHeight;
    const int right = view.clientWidth - kScrollBarHitWidth - kScrollBarMargin;
    panel.edge = right - kZoneEnd;
    if (visible < 1 || panel.edge <= kPad) return panel;
    panel.zones = view.clientWidth >= 2 * kBookmarkListMinWidth;
    panel.opaque = view.textOverBookmarks != 0;

    // The list scrolls only as far as the selected entry needs.
    const int first = list.selected >= visible ? list.selected - visible + 1 : 0;
    const int shown = std::min(count - first, visible);
    std::vector<std::string> texts;
    int widest = 0;
    for (int i = first; i < first + shown; ++i) {
        texts.push_back(bookmarkRowText(list, i));
        widest = std::max(widest, widthOf(measure, texts.back()));
    }
    const int minLabel = kBookmarkListMinWidth - kZoneEnd;
    const int maxLabel = std::max(minLabel, view.clientWidth / 3);
    const int labelWidth = std::clamp(widest + 2 * kPad, minLabel, maxLabel);
    const int left = std::max(panel.edge - labelWidth, 0);
    panel.box = Rect{left, top, right - left, shown * panel.rowHeight};
    const int textX = left + kPad;
    const int textRoom = (panel.zones ? panel.edge : right) - kPad - textX;

    for (int i = 0; i < shown; ++i) {
        const int index = first + i;
        const ViewPosition& pos = list.at(index).pos;
        BookmarkRowShape row;
        row.index = index;
        row.box = Rect{left, top + i * panel.rowHeight, right - left, panel.rowHeight};
        row.textX = textX;
        row.text = fitted(measure, texts[static_cast<size_t>(i)], textRoom);
        row.script = isScriptEntry(pos);
        row.remark = pos.remark != 0 && !row.script;
        row.selected = index == list.selected;
        row.failed = pos.loadFailed != 0;
        row.hasContext = !pos.remark && hasSearchContext(pos);
        row.ignoreContext = row.hasContext && pos.ignoreContext != 0;
        panel.rows.push_back(std::move(row));
    }
    panel.shown = true;
    return panel;
}

BookmarkHit bookmarkPanelHit(const BookmarkPanelShape& panel, int x, int y) {
    BookmarkHit hit;
    if (!panel.shown || !panel.box.contains(x, y) || x > panel.edge + kZoneEnd) return hit;
    hit.zone = BookmarkZone::kPanel;
    for (const BookmarkRowShape& row : panel.rows) {
        if (!row.box.contains(x, y)) continue;
        hit.index = row.index;
        const int offset = x - panel.edge;
        if (!panel.zones || offset <= kContextZoneStart) {
            hit.zone = BookmarkZone::kSelect;
        } else if (offset <= kRemoveZoneStart) {
            hit.zone = BookmarkZone::kToggleContext;
        } else {
            hit.zone = BookmarkZone::kRemove;
        }
        break;
    }
    return hit;
}

TextMeasure bookFontMeasure() {
    TextMeasure measure;
    // Without the platform there are no fonts (tests): every label then measures 0.
    if (!platformRunning()) return measure;
    const Font* font = screenFonts().small.get();
    if (!font) return measure;
    measure.width = [font](std::string_view text) { return font->textWidth(text); };
    measure.lineHeight = font->metrics().height;
    return measure;
}

}  // namespace tessel
