#include "view/search_driver.h"

#include <algorithm>

#include "base/log/message_log.h"
#include "text/text_store.h"
#include "view/assist_hints.h"
#include "view/filter_view.h"
#include "view/long_lines.h"
#include "view/navigation.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {
namespace {

// A new search after a fast delay was asked from outside waits this long; a resumed one
// waits the fast delay itself.
constexpr int kFastNewSearchDelay = 100;

int64_t nowMs(const View& view) {
    return view.host ? view.host->nowMs() : tickMs();
}

// The lines a result can be on: the rows of a filtered view, else the whole text.
int viewLineCount(const View& view) {
    if (view.filterMode != FilterMode::kFullText) return view.filteredLineCount;
    return view.textStore().lineCount();
}

// The bookmark list sets this while the pointer rests on it: searches may wait meanwhile.
bool mouseOnBookmarks(const View& view) {
    return view.gestures.pointerOnBookmarks;
}

// The rows of a search's filtered view or file list are in. A single hit is shown in the full
// text rather than as a list of one, and a path mask that leaves one file shows that file.
void afterFilterRows(View& view) {
    SearchState& search = view.search;
    const int hit = view.filter.firstHitLine;
    if (search.hitCount == 1 && hit >= 0 && search.settings.exitFilterOnSingleHit) {
        leaveFilter(view, true);
        search.currentLine = hit;
        search.topLine = std::max(0, hit - search.resultFocusOffset);
        revealHitColumn(view, hit);
        showStatusInfo("straight match.");
        refreshSearchStatus(view);
    } else if (!search.findMask[0] && search.pathSelectionActive &&
               search.files.selectedFiles == 1) {
        leaveFilter(view, true);
        search.topLine = std::max(0, search.files.firstSelectedLine - search.lockRows);
        refreshSearchStatus(view);
    }
}

void finishNormalPass(View& view, const PassResult& result) {
    if (result.cancelled) return;
    view.search.finishPass(result, nowMs(view), viewLineCount(view));
    // The first hit is brought on screen, also when it stands far right in a long line.
    if (view.filterMode == FilterMode::kFullText && result.firstHitLine >= 0 &&
        view.search.currentLine == result.firstHitLine) {
        revealHitColumn(view, result.firstHitLine);
    }
    view.screen.valid = false;
    if (view.host) view.host->refresh();
}

// Auto filter with an empty find mask: the path mask alone picks the files. 0 the file list
// is to be shown, 1 the search ended here (a single file was jumped to, or none matched).
int pickFilesForList(View& view) {
    SearchState& search = view.search;
    search.selectFiles(true);
    if (search.files.selectedFiles == 1) {
        if (verboseMode()) logMessage("single file match.");
        search.currentLine = search.files.firstSelectedLine;
        search.topLine = std::max(0, search.files.firstSelectedLine - search.lockRows);
        view.screen.valid = false;
        if (view.host) view.host->refresh();
        return 1;
    }
    if (search.files.selectedFiles == 0) {
        refreshSearchStatus(view);
        return 1;
    }
    return 0;
}

}  // namespace

void searchAfterKeystroke(View& view, bool newWord) {
    view.search.recordKeystroke(nowMs(view), newWord);
    scheduleSearch(view);
}

void scheduleSearch(View& view, bool resumed, int oneShotDelayMs) {
    SearchState& search = view.search;
    // A pass still reading the text for the old mask is useless now.
    cancelPasses(view);
    ViewHost* host = view.host;
    if (!host) return;
    // The file list turns back into the filtered view; the timer sets it again while the
    // find mask stays empty.
    if (view.filterMode == FilterMode::kFileList) view.filterMode = FilterMode::kFiltered;
    host->killSearchTimer();
    search.searchPending = false;
    const bool onBookmarks = mouseOnBookmarks(view);
    if (onBookmarks && search.settings.enableMouseBookDelay) {
        if (search.settings.mouseBookDelay < 0) {
            search.compileSearch(false);
            logMessage("mouse on bookmarks, no search.");
            return;
        }
        if (search.settings.mouseBookDelay > 0) logMessage("mouse on bookmarks, waiting.");
    }
    int delay;
    if (search.fastDelayMs > 0) {
        delay = resumed ? search.fastDelayMs : kFastNewSearchDelay;
    } else if (oneShotDelayMs > 0) {
        delay = oneShotDelayMs;
    } else {
        const bool pathTyped = view.input.maskFocus == MaskFocus::kPath;
        delay = search.searchDelay(host->nowMs(), pathTyped, onBookmarks);
    }
    host->armSearchTimer(delay);
    search.searchPending = true;
    search.searchPhase = SearchPhase::kScheduled;
    search.timing = {};
    search.timing.startMs = host->nowMs();
    search.hitCount = 0;
    search.compileSearch(true);
    refreshSearchStatus(view);
}

void searchTimerFired(View& view) {
    SearchState& search = view.search;
    if (view.host) view.host->killSearchTimer();
    search.searchPending = false;
    search.fastDelayMs = 0;
    if (view.editor) return;
    if (!search.oneClickText.empty()) {
        search.setFindMask(search.oneClickText);
        search.oneClickText.clear();
    }
    historySave(view, "before search");
    search.timing.startMs = nowMs(view);
    const bool fullText = view.filterMode == FilterMode::kFullText;
    if (search.autoFilter && fullText && (search.findMask[0] || view.textStore().hasPrefix)) {
        if (search.findMask[0]) {
            createFilter(view, 1);
        } else {
            if (pickFilesForList(view) != 0) return;
            createFilter(view, 2);
        }
    }
    if (view.filterMode != FilterMode::kFullText) {
        // The same filter lists the matching lines while a find mask is given, else the files.
        view.filterMode = search.findMask[0] ? FilterMode::kFiltered : FilterMode::kFileList;
        updateFilter(view, false, false, afterFilterRows);
    } else {
        searchNormalView(view, false);
    }
    if (search.settings.autoResetFindMs > 0 && view.host) {
        view.host->armResetTimer(search.settings.autoResetFindMs);
    }
}

void resetTimerFired(View& view) {
    if (view.editor) return;
    view.search.findMaskMarkedForReset = true;
    view.screen.valid = false;
    if (view.host) view.host->refresh();
}

void searchNormalView(View& view, bool wait) {
    SearchState& search = view.search;
    cancelPasses(view);
    std::shared_ptr<const PassRequest> request = search.preparePass(nowMs(view));
    refreshSearchStatus(view);
    if (!request) {
        finishNormalPass(view, PassResult{});
        return;
    }
    View* target = &view;
    search.pass.start(search.pool(), wait ? nullptr : view.host, std::move(request),
                      [target](const PassResult& result) { finishNormalPass(*target, result); });
}

void cancelPasses(View& view) {
    const bool running = view.search.pass.running() || filterPassRunning(view);
    view.search.pass.cancel();
    cancelFilterPass(view);
    if (running && view.search.searchPhase == SearchPhase::kRunning) {
        view.search.searchPhase = SearchPhase::kDone;
    }
}

bool passesRunning(const View& view) {
    return view.search.pass.running() || filterPassRunning(view);
}

void stopSearchTimer(View& view) {
    if (view.host) view.host->killSearchTimer();
}

void refreshSearchStatus(View& view) {
    view.screen.valid = false;
    if (!view.host) return;
    updateNoHitBubble(view);
    view.host->refresh();
}

}  // namespace tessel
