#include "view/long_lines.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "search/line_match.h"
#include "text/text_store.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {

namespace {

// Columns of text left of a revealed hit, so that it is read in its context.
constexpr int kRevealLeadColumns = 8;

}  // namespace

int displayColumnOf(const char* text, int offset, int tabSize) {
    if (tabSize < 1) tabSize = 1;
    long long column = 0;
    for (int i = 0; i < offset; ++i) column += text[i] == '\t' ? tabSize - column % tabSize : 1;
    return static_cast<int>(std::min<long long>(column, INT_MAX));
}

int scrollColumnLimit(const View& view) {
    return std::max(kMaxScrollColumns, view.display.widestLine);
}

int firstHitColumn(View& view, int line) {
    TextStore& store = view.textStore();
    if (line < 0 || line >= store.lineCount()) return -1;
    TextBlock* block = store.blockForLine(line);
    if (!block) return -1;
    uint32_t mask = 0;
    const char* text = block->lineAndMask(line - block->firstLine, &mask);
    if (!text) return -1;
    SearchState& search = view.search;
    static std::vector<HitSpan> spans;  // user interface thread only
    if (!collectHitSpans(text, mask, search.findExpr, search.foldMain, search.matchFlags(),
                         search.workLine, spans) ||
        spans.empty()) {
        return -1;
    }
    int first = spans.front().offset;
    for (const HitSpan& span : spans) first = std::min(first, span.offset);
    return displayColumnOf(text, first, view.tabSize);
}

int revealHitColumn(View& view, int line) {
    const int column = firstHitColumn(view, line);
    if (column < 0) return 1;
    const int columns = std::max(view.columns, 1);
    const int from = view.display.scrollColumn;
    // The hit's start on screen with a little room after it.
    const int room = std::min(kRevealLeadColumns, columns / 2);
    if (column >= from && column + room < from + columns) return 1;
    int target = column + room < columns ? 0 : column - room;
    target = std::max(target, 0);
    if (target == from) return 1;
    // Set here rather than through scrollColumns: the limit counts the lines on screen, and
    // the hit's line is there only from the next screen on.
    view.display.scrollColumn = target;
    view.screen.valid = false;
    return 0;
}

}  // namespace tessel
