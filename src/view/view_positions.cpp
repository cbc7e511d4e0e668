#include "view/view_positions.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/log/message_log.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"
#include "view/word_highlights.h"

namespace tessel {
namespace {

constexpr int kUnknownPlacementRows = 10;

bool inFilter(const View& view) {
    return view.filterMode != FilterMode::kFullText;
}

// Whether putting the position back changes what the view searches for.
bool searchDiffers(const View& view, const ViewPosition& position) {
    const SearchState& search = view.search;
    const ViewSearchExtras& extras = position.extras;
    return std::strcmp(search.findMask, position.find.text) != 0 ||
           std::strcmp(search.pathMask, position.pathMask) != 0 ||
           search.caseSensitive != (position.find.caseSensitive != 0) ||
           search.accentSensitive != (extras.accentSensitive != 0) ||
           search.punctSensitive != (extras.punctSensitive != 0) ||
           search.sequenceSensitive != (extras.sequenceSensitive != 0) ||
           search.operatorsOn != (extras.operatorsOn != 0) ||
           search.pathSelectionActive != (extras.pathSelectionActive != 0);
}

void restoreSearch(View& view, const ViewPosition& position) {
    if (inFilter(view)) leaveFilter(view, true);
    SearchState& search = view.search;
    cancelPasses(view);
    const ViewSearchExtras& extras = position.extras;
    search.setFindMask(position.find.text);
    search.setPathMask(position.pathMask);
    search.setFlags({position.find.caseSensitive != 0, extras.accentSensitive != 0,
                     extras.punctSensitive != 0, extras.sequenceSensitive != 0,
                     extras.operatorsOn != 0});
    search.autoFilter = extras.autoFilter != 0;
    search.pathSelectionActive = extras.pathSelectionActive != 0;
    search.findMaskMarkedForReset = false;
    search.compileSearch(false);
    search.files.valid = false;
    // The count of the restored masks may be stale or missing: count the hits again. The
    // pass moves the view, which the place below sets right afterwards.
    search.hitCount = extras.hitCount;
    if (search.findMask[0] != '\0') searchNormalView(view, true);
    view.input.findTail = 0;
    view.input.pathTail = 0;
}

void restoreHighlights(View& view, const ViewPosition& position) {
    HighlightList& list = highlightListOf(view);
    const std::vector<std::string> entries = unpackHighlights(position);
    if (entries == list.entries()) return;
    list.clear();
    for (const std::string& entry : entries) list.append(entry);
}

// The row of the filtered view that shows a line, -1 when none does.
int filterRowOf(const View& view, int line) {
    const std::vector<int>& lines = view.filter.rowLines;
    const auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
}

}  // namespace

PositionHooks& positionHooks() {
    static PositionHooks hooks;
    return hooks;
}

ViewPosition capturePosition(View& view) {
    ViewPosition position;
    const SearchState& search = view.search;
    copyField(position.find.text, search.findMask);
    copyTerms(search.findExpr, position.find);
    position.find.caseSensitive = search.caseSensitive ? 1 : 0;
    copyField(position.pathMask, search.pathMask);
    packHighlights(highlightListOf(view).entries(), position);
    position.tabSize = view.tabSize;
    position.xOffset = view.display.scrollColumn;
    position.filterValue = static_cast<int32_t>(view.filterMode);
    position.lockMode = static_cast<int32_t>(view.nav.focusMode);
    position.lockRows = search.resultFocusOffset;
    position.searchMsec = search.timing.elapsedMs;
    if (inFilter(view)) {
        position.topLine = view.filter.normalTopLine;
        position.currentLine = view.filter.normalCurrentLine;
    } else {
        position.topLine = search.topLine;
        position.currentLine = search.currentLine;
    }
    position.cursorLine = position.currentLine;
    position.valid = 1;
    ViewSearchExtras& extras = position.extras;
    extras.accentSensitive = search.accentSensitive ? 1 : 0;
    extras.punctSensitive = search.punctSensitive ? 1 : 0;
    extras.sequenceSensitive = search.sequenceSensitive ? 1 : 0;
    extras.operatorsOn = search.operatorsOn ? 1 : 0;
    extras.autoFilter = search.autoFilter ? 1 : 0;
    extras.pathSelectionActive = search.pathSelectionActive ? 1 : 0;
    extras.hitCount = search.hitCount;
    return position;
}

int restorePosition(View& view, const ViewPosition& position) {
    if (view.editor) {
        const PositionHooks& hooks = positionHooks();
        if (!hooks.leaveEditor || !hooks.leaveEditor(view)) return 1;
    }
    if (searchDiffers(view, position)) restoreSearch(view, position);
    restoreHighlights(view, position);
    if (position.tabSize > 0) view.tabSize = position.tabSize;
    view.display.scrollColumn = std::max(position.xOffset, 0);

    const int lastLine = std::max(view.textStore().lineCount() - 1, 0);
    const int current = std::clamp(position.currentLine, -1, lastLine);
    const int top = std::clamp(position.topLine, 0, lastLine);
    if (inFilter(view)) {
        const int row = current >= 0 ? filterRowOf(view, current) : -1;
        if (row >= 0) {
            view.search.topLine = std::max(row - std::max(position.lockRows, 0), 0);
            view.display.lineMark = current;
            // Leaving the filter later shows the place in the full text.
            view.filter.normalTopLine = top;
            view.filter.normalCurrentLine = current;
            refreshSearchStatus(view);
            return 0;
        }
        leaveFilter(view, true);
    }
    view.search.topLine = top;
    view.search.currentLine = current;
    refreshSearchStatus(view);
    return 0;
}

int placementRowsOf(const View& view) {
    if (view.lineHeight <= 0 || view.clientHeight <= 0) return kUnknownPlacementRows;
    return std::max((view.clientHeight / view.lineHeight - 2) >> 2, 0);
}

}  // namespace tessel
