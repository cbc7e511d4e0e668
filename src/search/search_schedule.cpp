#include "search/search_schedule.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/log/message_log.h"
#include "search/search_state.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr int kDefaultDelay = 800;
constexpr int kMinDelay = 10;
constexpr int kInsertKey = 45;
constexpr int kFastNewSearchDelay = 100;

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int percentFor(int delay, int keys) {
    if (keys == 0) return 1;
    if (delay < 1000) {
        static const int kShort[] = {1, 100, 60, 40, 30, 25};
        return kShort[std::min(keys, 5)];
    }
    static const int kLong[] = {1, 100, 90, 80, 70};
    return kLong[std::min(keys, 4)];
}

int lengthPercent(int delay, int length) {
    if (delay >= 1000) return length <= 2 ? 100 : length == 3 ? 90 : 80;
    if (length == 3) return 90;
    if (length == 4) return 70;
    if (length >= 5) return 50;
    return 100;
}

}  // namespace

int computeSearchDelay(const DelayInputs& in) {
    if (in.mouseOnBookmarks && in.enableMouseBookDelay && in.mouseBookDelay > 0) {
        return in.mouseBookDelay;
    }
    int d = in.configuredDelay;
    if (d <= kMinDelay || d == kDefaultDelay) d = kDefaultDelay;
    const int percent = in.sawKey45 ? 100 : percentFor(d, in.keysLastSecond);
    int64_t delay = percent == 1 ? kMinDelay : static_cast<int64_t>(percent) * d / 100;
    if (percent >= 50) delay = delay * lengthPercent(d, in.maskLength) / 100;
    return static_cast<int>(std::clamp<int64_t>(delay, kMinDelay, INT32_MAX));
}

int SearchState::searchDelay() const {
    DelayInputs in;
    in.configuredDelay = settings.searchDelay;
    in.enableMouseBookDelay = settings.enableMouseBookDelay;
    in.mouseBookDelay = settings.mouseBookDelay;
    in.mouseOnBookmarks = host && host->mouseOverBookmarks();
    const int64_t now = host ? host->nowMs() : tickMs();
    const int used = std::min(keystrokeLog.count, KeystrokeLog::kSize);
    for (int i = 0; i < used; ++i) {
        const KeystrokeLog::Entry& key = keystrokeLog.entries[i];
        if (now - key.timeMs >= 1000 || now < key.timeMs) continue;
        if (key.keyCode == kInsertKey) {
            in.sawKey45 = true;
        } else {
            ++in.keysLastSecond;
        }
    }
    const bool path = host && host->pathMaskHasFocus();
    in.maskLength = static_cast<int>(std::strlen(path ? pathMask : findMask));
    return computeSearchDelay(in);
}

void SearchState::recordKeystroke(int keyCode) {
    keystrokeLog.add(host ? host->nowMs() : tickMs(), keyCode);
}

void SearchState::scheduleSearch(bool resumed, int oneShotDelayMs) {
    // A pass still reading the text for the old mask is useless now.
    cancelPass();
    if (!host) return;
    host->resetFileListMode();
    host->killSearchTimer();
    searchPending = false;
    if (host->textLoading()) return;
    if (host->mouseOverBookmarks() && settings.enableMouseBookDelay) {
        if (settings.mouseBookDelay < 0) {
            compileSearch(false);
            logMessage("mouse on bookmarks, no search.");
            return;
        }
        if (settings.mouseBookDelay > 0) logMessage("mouse on bookmarks, waiting.");
    }
    int delay;
    if (fastDelayMs > 0) {
        delay = resumed ? fastDelayMs : kFastNewSearchDelay;
    } else if (oneShotDelayMs > 0) {
        delay = oneShotDelayMs;
    } else {
        delay = searchDelay();
    }
    host->armSearchTimer(delay);
    searchPending = true;
    searchPhase = 1;
    timing = {};
    timing.startMs = host->nowMs();
    hitCount = 0;
    compileSearch(true);
    host->refreshStatus();
    host->refreshView();
}

void SearchState::runSearch() {
    if (!host) {
        globalSearch(true);
        return;
    }
    host->killSearchTimer();
    searchPending = false;
    fastDelayMs = 0;
    if (host->editorActive()) return;
    if (!oneClickText.empty()) {
        setFindMask(oneClickText);
        oneClickText.clear();
    }
    host->recordHistoryStep("before search");
    timing.startMs = host->nowMs();
    if (autoFilter && host->inNormalView() && (findMask[0] || store().hasPrefix)) {
        if (findMask[0]) {
            host->openFilteredView();
        } else {
            selectFiles(true);
            if (files.selectedFiles == 1) {
                if (verboseMode()) logMessage("single file match.");
                currentLine = files.firstSelectedLine;
                topLine = std::max(0, files.firstSelectedLine - lockRows);
                host->refreshView();
                return;
            }
            if (files.selectedFiles == 0) {
                host->refreshStatus();
                return;
            }
            host->openFileList();
        }
    }
    if (!host->inNormalView()) {
        host->updateFilter();
        const int hitLine = host->filterHitLine();
        if (hitCount == 1 && hitLine >= 0 && settings.exitFilterOnSingleHit) {
            host->leaveFilter();
            currentLine = hitLine;
            topLine = std::max(0, hitLine - resultFocusOffset);
            showStatusInfo("straight match.");
        } else if (!findMask[0] && pathSelectionActive && files.selectedFiles == 1) {
            host->leaveFilter();
            topLine = std::max(0, files.firstSelectedLine - lockRows);
        }
    } else {
        globalSearch(false);
    }
    if (settings.autoResetFindMs > 0) host->armResetTimer(settings.autoResetFindMs);
}

void SearchState::resetTimerExpired() {
    if (host && host->editorActive()) return;
    findMaskMarkedForReset = true;
    if (host) host->refreshView();
}

void SearchState::globalSearch(bool noInterrupt) {
    cancelPass();
    searchPhase = 2;
    hitCount = 0;
    if (host) {
        host->refreshStatus();
        host->refreshView();
    }
    compileSearch(false);
    selectFiles(false);
    timing.startMs = host ? host->nowMs() : tickMs();
    timing.startNs = steadyNs();
    if (findMask[0] == '\0') {
        finishPass(PassResult{});
        return;
    }
    auto request = std::make_shared<const PassRequest>(passRequest());
    SearchWorkers& pool = workers ? *workers : searchWorkers();
    if (noInterrupt || !host) {
        finishPass(pool.run(*request));
        return;
    }
    const uint64_t generation = ++passGeneration_;
    passToken_->store(generation);
    auto token = passToken_;
    SearchHost* owner = host;
    job_ = pool.start(request, [this, token, generation, owner](const PassResult& result) {
        owner->postToUi([this, token, generation, result] {
            if (token->load() == generation) applyPass(result);
        });
    });
}

void SearchState::applyPass(const PassResult& result) {
    job_.reset();
    if (!result.cancelled) finishPass(result);
}

void SearchState::cancelPass() {
    if (!job_) return;
    (workers ? *workers : searchWorkers()).cancel(job_);
    job_.reset();
    passToken_->store(++passGeneration_);
    if (searchPhase == 2) searchPhase = 0;
}

void SearchState::finishPass(const PassResult& result) {
    timing.elapsedMs = (host ? host->nowMs() : tickMs()) - timing.startMs;
    timing.elapsedNs = steadyNs() - timing.startNs;
    timing.testedLines = result.testedLines;
    hitCount = result.hitCount;
    if (result.firstHitLine >= 0) {
        const int lines = host ? host->viewLineCount() : store().lineCount();
        if (result.firstHitLine < lines) currentLine = result.firstHitLine;
        topLine = std::max(0, result.firstHitLine - resultFocusOffset);
    }
    if (hitCount == 0 && pathSelectionActive && files.firstSelectedLine >= 0) {
        topLine = std::max(0, files.firstSelectedLine - lockRows);
    }
    searchPhase = 0;
    if (host) host->refreshView();
}

}  // namespace tessel
