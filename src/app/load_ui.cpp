#include "app/load_ui.h"

#include <string>
#include <vector>

#include "app/bookmark_glue.h"
#include "app/edit_glue.h"
#include "app/live_clip.h"
#include "app/live_follow.h"
#include "app/live_reload.h"
#include "app/net_glue.h"
#include "app/script_glue.h"
#include "app/setup_glue.h"
#include "app/view_windows.h"
#include "app/window_host.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "config/script_runner.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "search/search_pass.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/load_progress.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_input.h"

namespace tessel {
namespace {

constexpr char kControlO = 0x0F;
constexpr char kAnyFile[] = "All files (*)";

std::vector<View*> frameViews() {
    std::vector<View*> list;
    for (auto& view : frameLayout().views) {
        if (view) list.push_back(view.get());
    }
    return list;
}

// Marks the rows of every view stale; the windows paint them with their next paint.
void invalidateViews() {
    for (View* view : frameViews()) {
        view->screen.valid = false;
        if (PlatformWindow* window = platformWindowOf(*view)) window->invalidate();
    }
}

// While the loader thread runs nothing else paints: the windows paint now.
void repaintViews() {
    for (View* view : frameViews()) {
        view->screen.valid = false;
        if (PlatformWindow* window = platformWindowOf(*view)) {
            window->invalidate();
            window->update();
        }
    }
}

// A view of a new text starts as a new view does: at the top, without a current line.
void toTop(View& view) {
    view.search.topLine = 0;
    view.search.currentLine = -1;
}

// The replaced text invalidates everything a view pointed into.
void clearView(View& view) {
    if (view.filterMode != FilterMode::kFullText) leaveFilter(view, true);
    view.filterMode = FilterMode::kFullText;
    view.display.filterRows.clear();
    view.display.selStartLine = -1;
    view.display.selEndLine = -1;
    view.display.lineMark = -1;
    view.display.flashLine = -1;
    view.display.markLine = -1;
    view.search.hitCount = 0;
    toTop(view);
    view.screen.valid = false;
}

// The status text; a text shown again (the ESCAPE reminder every half second) is not logged
// again.
void showLoadStatus(const char* text) {
    static std::string last;  // user interface thread only
    const bool repeated = last == text;
    last = text;
    showStatusInfo(text, false, repeated || *text == '\0');
    repaintViews();
}

std::string choosePath(bool append, bool singleFile) {
    const char* title = loadDialogTitle(append, singleFile);
    std::string chosen;
    const int rc = singleFile ? openFileDialog(title, std::string(), kAnyFile, chosen)
                              : folderDialog(title, std::string(), chosen);
    return rc == 0 ? chosen : std::string();
}

DropList& windowDropList() {
    static DropList list;  // user interface thread only
    return list;
}

// The view that saw ESCAPE go down while no load ran: its release leaves the program.
const View*& escapePressedView() {
    static const View* view = nullptr;
    return view;
}

bool loadInProgress(const View& view) {
    return loadDriver().running() || view.textStore().loadRunning.load() || reloadScanRunning();
}

// The mask rows show what was typed while the rest of the view shows the load's progress.
void repaintView(View& view) {
    view.screen.valid = false;
    if (PlatformWindow* window = platformWindowOf(view)) {
        window->invalidate();
        window->update();
    }
}

bool runningLoadRefuses(const LoadDriver& driver) {
    if (!driver.running() && !reloadScanRunning()) return false;
    logMessage("[note] a load is already running.");
    return true;
}

}  // namespace

const char* loadDialogTitle(bool append, bool singleFile) {
    if (singleFile) return append ? kAppendFileTitle : kLoadFileTitle;
    return append ? kAppendFolderTitle : kLoadFolderTitle;
}

LoadCallbacks windowLoadCallbacks() {
    LoadCallbacks callbacks;
    callbacks.choosePath = choosePath;
    callbacks.resolveEditors = resolveEditorsBeforeLoad;
    callbacks.prepareViews = [] {
        loadProgress().begin();
        for (View* view : frameViews()) {
            // A search started now would read the store while the loader writes it; the
            // views search again when the load is over.
            stopSearchTimer(*view);
        }
        repaintViews();
    };
    callbacks.beforeStoreChange = [] {
        for (View* view : frameViews()) cancelPasses(*view);
        cancelSearchPasses();
    };
    callbacks.clearViews = [] {
        for (View* view : frameViews()) clearView(*view);
    };
    callbacks.viewToTop = [] {
        for (View* view : frameViews()) toTop(*view);
    };
    callbacks.moveViewTo = [](int line) {
        if (View* view = frameLayout().focusedView()) view->search.topLine = line;
    };
    callbacks.refreshViews = [] {
        loadProgress().end();
        for (View* view : frameViews()) {
            // A path mask typed while the store was the loader's selects files now that its
            // file records can be read.
            if (view->search.pathMask[0] && view->textStore().hasPrefix)
                view->search.pathSelectionActive = true;
            if (view->search.findMask[0] != '\0' || view->search.pathMask[0] != '\0')
                scheduleSearch(*view);
        }
        // Painting waits until the store is released; only mark the rows stale here.
        invalidateViews();
    };
    callbacks.showStatus = showLoadStatus;
    callbacks.pumpMessages = [] { pumpPendingEvents(); };
    callbacks.repaint = repaintViews;
    callbacks.escapeHeld = [] {
        if (!platformRunning()) return false;
        // The key state only changes when the key events are handled.
        pumpPendingEvents();
        return keyDown(kKeyEscape);
    };
    callbacks.askYesNo = [](const char* title, const char* text) {
        return messageBox(title, text, BoxButtons::yesNo) == BoxAnswer::yes;
    };
    callbacks.showProgress = [](const std::vector<std::string>& lines) {
        loadProgress().publish(lines);
    };
    addBookmarkLoadCallbacks(callbacks);
    return callbacks;
}

void prepareWindowLoad(LoadDriver& driver) {
    driver.callbacks = windowLoadCallbacks();
    LoadProgress& progress = loadProgress();
    progress.showText = config().getInt("loadshow") != 0;
    progress.showFull = config().getInt("loadshowfull") != 0;
    driver.show = progress.showText ? &progress.show : nullptr;
}

int runLoadMenuAction(LoadDriver& driver, LoadMenuAction action) {
    bool append = false;
    bool singleFile = false;
    switch (action) {
        case LoadMenuAction::kLoadFolder:
            break;
        case LoadMenuAction::kLoadFile:
            singleFile = true;
            break;
        case LoadMenuAction::kAppendFolder:
            append = true;
            break;
        case LoadMenuAction::kAppendFile:
            append = true;
            singleFile = true;
            break;
        case LoadMenuAction::kLoadClip:
        case LoadMenuAction::kAppendClip:
            return loadClipFromMenu(action == LoadMenuAction::kAppendClip);
        case LoadMenuAction::kLoadClipList:
        case LoadMenuAction::kAppendClipList:
            if (runningLoadRefuses(driver)) return 1;
            return loadClipListFromMenu(action == LoadMenuAction::kAppendClipList);
        case LoadMenuAction::kFollowFile:
            if (View* view = frameFocusedView()) return toggleFollow(*view);
            return 1;
        case LoadMenuAction::kClipControl:
            return openClipControl();
        case LoadMenuAction::kConfigure:
            return openSetupDialog(kSetupWorkPage) == 0 ? 0 : 1;
    }
    if (runningLoadRefuses(driver)) return 1;
    prepareWindowLoad(driver);
    const int rc = driver.loadInteractive(append, singleFile);
    invalidateViews();
    return rc;
}

int openLoadMenu(LoadDriver& driver) {
    std::vector<std::string> labels;
    labels.reserve(kLoadMenu.size());
    for (const LoadMenuEntry& entry : kLoadMenu) labels.emplace_back(entry.longLabel);
    // The clipboard's file names, when it holds some, are offered behind the fixed entries.
    for (std::string& offered : offeredClipEntries()) labels.push_back(std::move(offered));
    const int chosen = popupMenu(labels);
    if (chosen >= static_cast<int>(kLoadMenu.size()))
        return runOfferedClipEntry(chosen - static_cast<int>(kLoadMenu.size()));
    if (chosen < 0) return 1;
    return runLoadMenuAction(driver, kLoadMenu[static_cast<size_t>(chosen)].action);
}

int loadKeyDown(View& view, int key, int modifiers) {
    // A folder load on the loader thread, or the start-up snapfile read on this thread.
    if (loadInProgress(view)) {
        escapePressedView() = nullptr;
        // The load ends after the current file; its release must not leave the program.
        if (key == kKeyEscape) {
            loadStopRequested() = true;
            return 0;
        }
        // The keys that edit the masks work meanwhile; the search waits for the load's end.
        // Everything else would read the store the loader is writing.
        if (maskKeyDown(view, view.input, key, modifiers) == 0) repaintView(view);
        return 0;
    }
    // An open editor has its own F5 (commit) and F6 keys.
    if (view.editor) return 1;
    if (reloadKeyDown(view, key, modifiers) == 0) return 0;
    if (followKeyDown(view, key, modifiers) == 0) return 0;
    if (key != kKeyEscape) return 1;
    // ESCAPE stops a user script that waits (a "sleep", a started program); its release then
    // does not leave the program.
    if (scriptRunning()) {
        requestScriptStop();
        return 0;
    }
    escapePressedView() = &view;
    return 0;
}

int loadKeyUp(View& view, int key, int /*modifiers*/) {
    if (key != kKeyEscape) return 1;
    const bool pressedHere = escapePressedView() == &view;
    escapePressedView() = nullptr;
    if (!pressedHere || loadDriver().running()) return 0;
    exitByEscape(view);
    return 0;
}

int loadChar(View& view, uint8_t ch, int modifiers) {
    if (loadInProgress(view)) {
        // Typed characters go into the mask and show at once; commands wait for the load.
        if ((ch >= 0x20 || ch == '\b') && maskChar(view, view.input, ch) == 0) {
            repaintView(view);
        }
        return 0;
    }
    if (netChar(view, ch, modifiers) == 0) return 0;
    if (ch != kControlO) return 1;
    openLoadMenu(loadDriver());
    return 0;
}

int exitByEscape(View& view) {
    if (scriptBlocksExit()) return 1;
    // The dialog's changes are saved when it closes; leaving now would drop them.
    if (setupDialogIsOpen()) {
        showStatusInfo(kEscapeSetupOpen);
        view.screen.valid = false;
        return 1;
    }
    if (config().getInt("esccloseapp") == 0) {
        showStatusInfo(kEscapeCloseDisabled);
        view.screen.valid = false;
        return 1;
    }
    if (windowEvents().frameClosing) {
        windowEvents().frameClosing();
    } else {
        endMessageLoop(0);
    }
    return 0;
}

bool takeDrop(const std::vector<std::string>& paths, int modifiers) {
    if (runningLoadRefuses(loadDriver())) return false;
    return windowDropList().take(paths, nullptr, (modifiers & (kModShift | kModControl)) != 0);
}

int dropTimerExpired(LoadDriver& driver) {
    if (runningLoadRefuses(driver)) return 1;
    prepareWindowLoad(driver);
    const int rc = windowDropList().run(driver, config().getInt("appenddragdrop") != 0);
    invalidateViews();
    return rc;
}

}  // namespace tessel
