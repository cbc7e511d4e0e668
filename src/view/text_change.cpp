#include "view/text_change.h"

#include <algorithm>

#include "base/log/message_log.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {

namespace {

constexpr int kMinFilterCapacity = 1000;
constexpr int kFilterCapacitySpare = 100;

void dropFilterRows(View& view) {
    view.display.filterRows.clear();
    view.filter.rowLines.clear();
    view.filter.hits.reset();
}

// The rows are built again over the new text; the arrays grow with the store.
void rebuildFilter(View& view) {
    FilterState& f = view.filter;
    const int lines = view.textStore().lineCount();
    const int64_t wanted =
        std::max<int64_t>(int64_t{lines} + kFilterCapacitySpare, kMinFilterCapacity);
    if (wanted > f.capacity) {
        if (!f.rowMarks.reset(static_cast<size_t>(wanted))) {
            logMessage("out of memory. cannot create filtered view (%d)",
                       static_cast<int>(wanted * 6 / 1000000));
            f.capacity = 0;
            leaveFilter(view, true);
            return;
        }
        f.capacity = static_cast<int>(wanted);
    }
    f.snapshot.lineCount = lines;
    dropFilterRows(view);
    updateFilter(view, true, false);
}

}  // namespace

int lineAfterChanges(int line, const std::vector<BlockChange>& changes) {
    if (line < 0) return line;
    int shift = 0;
    for (const BlockChange& change : changes) {
        const int oldEnd = change.oldFirstLine + change.oldLineCount;
        if (line >= oldEnd) {
            shift += change.newLineCount - change.oldLineCount;
            continue;
        }
        if (line < change.oldFirstLine) break;
        const int within = std::min(line - change.oldFirstLine, change.newLineCount - 1);
        return change.oldFirstLine + shift + std::max(within, 0);
    }
    return line + shift;
}

void prepareTextChange(View& view) {
    cancelPasses(view);
    stopSearchTimer(view);
    if (view.filterMode != FilterMode::kFullText) dropFilterRows(view);
}

void followTextChange(View& view, const std::vector<BlockChange>& changes) {
    auto follow = [&changes](int& line) { line = lineAfterChanges(line, changes); };
    DisplayState& display = view.display;
    for (int* line : {&display.selStartLine, &display.selEndLine, &display.lineMark,
                      &display.flashLine, &display.markLine}) {
        follow(*line);
    }
    if (view.filterMode == FilterMode::kFullText) {
        follow(view.search.topLine);
        follow(view.search.currentLine);
        const int last = std::max(view.textStore().lineCount() - 1, 0);
        view.search.topLine = std::clamp(view.search.topLine, 0, last);
        view.search.currentLine = std::min(view.search.currentLine, last);
        if (view.search.findMask[0] != '\0' || view.search.pathMask[0] != '\0')
            scheduleSearch(view);
    } else {
        // The rows of the filter are its own numbering; the normal view's place follows.
        follow(view.filter.normalTopLine);
        follow(view.filter.normalCurrentLine);
        rebuildFilter(view);
    }
    view.screen.valid = false;
    if (view.host) view.host->refresh();
}

}  // namespace tessel
