#include "app/live_follow.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/live_reload.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "load/file_follow.h"
#include "load/load_driver.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "text/text_store.h"
#include "view/text_change.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

struct Followed {
    View* view = nullptr;
    FollowState state;
    int64_t missingSinceMs = -1;
};

struct LiveFollowState {
    std::vector<Followed> followed;
    std::unique_ptr<PlatformTimer> timer;
};

LiveFollowState& state() {
    static LiveFollowState live;  // user interface thread only
    return live;
}

int followDelayMs() {
    const int configured = appSettings().fileMonDelay;
    return configured > 0 ? std::max(configured, kFollowMinDelayMs) : kFollowDefaultDelayMs;
}

int followWaitMs() {
    const int configured = appSettings().fileMonWait;
    return configured > 0 ? configured : kFollowDefaultWaitMs;
}

bool atEnd(const View& view) {
    return view.search.topLine >= lastTopLine(view);
}

void updateTimer() {
    LiveFollowState& live = state();
    if (live.followed.empty()) {
        live.timer.reset();
        return;
    }
    if (!live.timer) live.timer = PlatformTimer::create(followTick);
    if (live.timer && !live.timer->active()) live.timer->start(followDelayMs(), false);
}

void dropFollowed(size_t index, const char* why) {
    LiveFollowState& live = state();
    logMessage("[note] following stopped, %s: %s", why,
               live.followed[index].state.fileName.c_str());
    live.followed.erase(live.followed.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace

void changeBlockInViews(TextStore& store, int index,
                        const std::function<bool(TextBlock&)>& change) {
    TextBlock* block = store.blockAt(index);
    if (!block) return;
    const BlockChange before{index, block->firstLine, block->endLine - block->firstLine, 0};
    std::vector<bool> wasAtEnd;
    forEachLiveView([&wasAtEnd](View& view) { wasAtEnd.push_back(atEnd(view)); });
    forEachLiveView(prepareTextChange);
    std::vector<BlockChange> changes;
    if (change(*block)) {
        changes.push_back(before);
        changes.back().newLineCount = block->endLine - block->firstLine;
    }
    size_t viewIndex = 0;
    forEachLiveView([&](View& view) {
        followTextChange(view, changes);
        if (!changes.empty() && wasAtEnd[viewIndex] && view.filterMode == FilterMode::kFullText)
            scrollToEnd(view);
        ++viewIndex;
    });
}

int toggleFollow(View& view) {
    LiveFollowState& live = state();
    for (size_t i = 0; i < live.followed.size(); ++i) {
        if (live.followed[i].view != &view) continue;
        showStatusInfo("following stopped.");
        live.followed.erase(live.followed.begin() + static_cast<std::ptrdiff_t>(i));
        updateTimer();
        return 0;
    }
    TextStore& store = view.textStore();
    const int line = view.search.currentLine >= 0 ? view.search.currentLine : view.search.topLine;
    // Without a current line the first file on screen is meant, not a header above it.
    int index = 0;
    const TextBlock* block = store.blockForLine(std::max(line, 0), nullptr, &index);
    while (block && view.search.currentLine < 0 && !block->fileName && index + 1 < store.blockCount)
        block = store.blockAt(++index);
    Followed followed;
    followed.view = &view;
    if (!block || startFollowing(*block, followed.state) != 0) return 9;
    logMessage("[blue] following %s", followed.state.fileName.c_str());
    showStatusInfo("following the file as it grows.");
    live.followed.push_back(std::move(followed));
    updateTimer();
    return 0;
}

int followKeyDown(View& view, int key, int modifiers) {
    if (key != kKeyF6 || modifiers != kModShift) return 1;
    toggleFollow(view);
    return 0;
}

void followTick() {
    LiveFollowState& live = state();
    if (loadDriver().running() || reloadScanRunning()) return;
    TextStore& store = textStore();
    for (size_t i = 0; i < live.followed.size();) {
        Followed& followed = live.followed[i];
        int index = -1;
        TextBlock* block = store.blockByName(followed.state.fileName.c_str());
        for (int b = 0; block && b < store.blockCount; ++b) {
            if (store.blockAt(b) == block) index = b;
        }
        if (!block || index < 0) {
            dropFollowed(i, "no longer loaded");
            continue;
        }
        int added = 0;
        int rc = followLook(followed.state);
        if (rc == kFollowGrew) {
            changeBlockInViews(store, index, [&](TextBlock& changed) {
                rc = followOnce(store, changed, followed.state, reloadScanner(), added);
                return rc == kFollowGrew || rc == kFollowReloaded;
            });
        }
        if (rc == kFollowMissing) {
            // A rotated log is created again under its name after a moment.
            const int64_t now = tickMs();
            if (followed.missingSinceMs < 0) followed.missingSinceMs = now;
            if (now - followed.missingSinceMs >= followWaitMs()) {
                dropFollowed(i, "file is gone");
                continue;
            }
        } else {
            followed.missingSinceMs = -1;
        }
        if (rc == kFollowFailed) {
            dropFollowed(i, "cannot read on");
            continue;
        }
        ++i;
    }
    updateTimer();
}

void uninstallLiveFollow() {
    state() = LiveFollowState{};
}

}  // namespace tessel
