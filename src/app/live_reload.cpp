#include "app/live_reload.h"

#include <memory>
#include <utility>

#include "app/view_windows.h"
#include "app/window_host.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "load/file_stat_worker.h"
#include "load/load_driver.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "search/search_pass.h"
#include "text/text_store.h"
#include "view/bookmark_host.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/text_change.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {
namespace {

struct LiveReloadState {
    bool active = false;
    bool startupDone = false;
    bool automaticSkipped = false;
    // A scan whose file states are being gathered, and the request it runs with.
    bool gathering = false;
    bool posted = false;
    ReloadRequest pending;
    std::unique_ptr<PlatformTimer> activationTimer;
    FileStatWorker worker;
};

LiveReloadState& state() {
    static LiveReloadState live;  // user interface thread only
    return live;
}

void repaintViews() {
    forEachLiveView([](View& view) {
        view.screen.valid = false;
        if (PlatformWindow* window = platformWindowOf(view)) {
            window->invalidate();
            window->update();
        }
    });
}

void runGatheredScan(const std::shared_ptr<FileStatusList>& states) {
    LiveReloadState& live = state();
    live.posted = false;
    const ReloadRequest request = live.pending;
    reloadScanner().scan(request, states.get());
}

}  // namespace

void forEachLiveView(const std::function<void(View&)>& action) {
    for (auto& view : frameLayout().views) {
        if (view) action(*view);
    }
}

LiveHooks& liveHooks() {
    static LiveHooks hooks;
    return hooks;
}

void installLiveReload() {
    ReloadCallbacks& callbacks = reloadScanner().callbacks;
    callbacks.loadRunning = [] { return loadDriver().running(); };
    callbacks.resolveEditors = [] {
        return !liveHooks().resolveEditors || liveHooks().resolveEditors();
    };
    callbacks.editState = [](TextBlock& block) {
        return liveHooks().editState ? liveHooks().editState(block) : 2;
    };
    callbacks.beforeStoreChange = [] {
        forEachLiveView([](View& view) { cancelPasses(view); });
        cancelSearchPasses();
    };
    callbacks.prepareViews = [] { forEachLiveView(prepareTextChange); };
    callbacks.refreshViews = [](const std::vector<BlockChange>& changes) {
        forEachLiveView([&changes](View& view) { followTextChange(view, changes); });
    };
    // The bookmarks find their lines again in the reloaded files; the views show the result.
    callbacks.beforeReload = bookmarksBeforeReload;
    callbacks.afterReload = [] {
        if (View* view = frameFocusedView()) bookmarksAfterReload(*view);
    };
    callbacks.showStatus = [](const char* text, int /*ms*/) { showStatusInfo(text); };
    callbacks.pumpMessages = [] { pumpPendingEvents(); };
    callbacks.repaint = repaintViews;
    callbacks.stopRequested = [] { return loadStopRequested().load(); };
    state().activationTimer = PlatformTimer::create([] {
        ReloadRequest request;
        request.flags = kReloadAutomatic;
        startReloadScan(request);
    });
    setActivationWatcher(applicationActivation);
}

void liveStartupDone() {
    // The window showing for the first time is no return to it: only a later activation
    // compares the files.
    state().active = true;
    state().startupDone = true;
}

void uninstallLiveReload() {
    setActivationWatcher(nullptr);
    LiveReloadState& live = state();
    live.worker.cancel();
    live.activationTimer.reset();
    live.startupDone = false;
    reloadScanner().callbacks = ReloadCallbacks{};
}

void applicationActivation(bool active, int modifiers) {
    LiveReloadState& live = state();
    const bool wasActive = live.active;
    live.active = active;
    if (!active || wasActive || !live.startupDone) return;
    const bool autoReload = config().getInt("autoreload") != 0;
    if (liveHooks().unsavedEdits && liveHooks().unsavedEdits()) {
        if (autoReload || appSettings().autoLoadConfigActive)
            showStatusInfo("Editor(s) have unsaved changes, no reload.");
        return;
    }
    if (!autoReload) return;
    if (modifiers & kModShift) {
        showStatusInfo("AutoReload skipped by SHIFT key.");
        live.automaticSkipped = true;
    } else if (modifiers & kModControl) {
        showStatusInfo("AutoReload skipped by CTRL key.");
        live.automaticSkipped = true;
    } else if (modifiers & kModAlt) {
        showStatusInfo("AutoReload skipped by ALT key.");
        live.automaticSkipped = true;
    } else if (live.activationTimer) {
        live.automaticSkipped = false;
        live.activationTimer->start(kActivationReloadDelayMs, true);
    }
}

int startReloadScan(const ReloadRequest& request) {
    LiveReloadState& live = state();
    ReloadScanner& scanner = reloadScanner();
    if (loadDriver().running() || scanner.running()) return 0;
    loadStopRequested() = false;
    const bool whole = !request.block && request.fileName.empty() && request.wrapWidth <= 0 &&
                       !(request.flags & kReloadRestartNet);
    if (!whole) return scanner.scan(request);
    if (live.gathering || live.posted) return 0;
    const ReloadSettings settings = reloadSettingsFromConfig();
    const int64_t maxMs = (request.flags & kReloadUserStarted) ? 0 : settings.maxScanMs;
    live.pending = request;
    live.gathering = true;
    live.worker.start(blockNamesForCheck(textStore()), tickMs(), maxMs,
                      [](std::shared_ptr<FileStatusList> states) {
                          postToUiThread([states = std::move(states)] {
                              state().gathering = false;
                              runGatheredScan(states);
                          });
                      });
    live.posted = true;
    return 0;
}

bool reloadWorkPending() {
    const LiveReloadState& live = state();
    return live.gathering || live.posted || reloadScanner().running() ||
           (live.activationTimer && live.activationTimer->active());
}

bool reloadScanRunning() {
    return reloadScanner().running();
}

int reloadKeyDown(View& view, int key, int modifiers) {
    if (key != kKeyF5) return 1;
    if (loadDriver().running() || reloadWorkPending()) {
        showStatusInfo("#reload not possible while loading.");
        return 0;
    }
    ReloadRequest request;
    request.flags = kReloadUserStarted;
    if (modifiers & kModAlt) {
        logMessage("[blue] reload with large files");
        request.flags = kReloadAutomatic | kReloadForce;
    } else if (modifiers & (kModShift | kModControl)) {
        TextStore& store = view.textStore();
        const TextBlock* block = store.blockForLine(std::max(view.search.currentLine, 0));
        if (!block || !block->fileName) {
            showStatusInfo("no current file to reload.");
            return 0;
        }
        request.fileName = block->fileName;
    } else if (liveHooks().resolveEditors && !liveHooks().resolveEditors()) {
        return 0;
    }
    startReloadScan(request);
    view.screen.valid = false;
    return 0;
}

}  // namespace tessel
