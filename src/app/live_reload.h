// The window side of keeping the loaded text true to the disk: the reload scan after the
// application becomes active, the reload keys, the reload after a start-up snapfile, and the
// views following their text through it. Whole scans ask the file system on a worker thread
// first; the blocks are read again on the user interface thread when the states are in.
#pragma once

#include <functional>

#include "load/reload_scan.h"

namespace tessel {

class View;

inline constexpr int kActivationReloadDelayMs = 200;

// What the editor adds once it is wired in. Unset hooks are skipped.
struct LiveHooks {
    // True while an open editor holds unsaved changes.
    std::function<bool()> unsavedEdits;
    // Commits or drops open editors' changes before a reload; false when they refuse.
    std::function<bool()> resolveEditors;
    // The state of a block with editor data (ReloadCallbacks::editState).
    std::function<int(TextBlock& block)> editState;
};
LiveHooks& liveHooks();

// Runs the action for every open view.
void forEachLiveView(const std::function<void(View&)>& action);

// Connects the scanner to the views and the application's activation. After start-up.
void installLiveReload();
// The end of start-up: from now on an activation may start a scan.
void liveStartupDone();
void uninstallLiveReload();

// The application became active or inactive with these modifiers held.
void applicationActivation(bool active, int modifiers);

// Runs a reload request: whole scans first gather the file states on the worker; named and
// single-block requests run at once. The number of blocks reloaded when it ran at once.
int startReloadScan(const ReloadRequest& request);
// True while a scan runs or is on its way (activation timer, worker, posted result).
bool reloadWorkPending();
// True while the scanner walks the store: nothing else may change it meanwhile.
bool reloadScanRunning();

// F5 (reload), SHIFT or CONTROL+F5 (reload the current file), ALT+F5 (reload with large
// files). 0 taken, 1 not ours.
int reloadKeyDown(View& view, int key, int modifiers);

}  // namespace tessel
