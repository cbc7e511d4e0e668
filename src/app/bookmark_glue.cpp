#include "app/bookmark_glue.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "app/command_line.h"
#include "app/load_choice.h"
#include "app/window_host.h"
#include "base/log/message_log.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_list.h"
#include "config/app_settings.h"
#include "load/load_driver.h"
#include "view/bookmark_host.h"
#include "view/view.h"
#include "view/view_window.h"

namespace tessel {
namespace {

// The load target a load names, handed over from the loader thread.
struct PendingTarget {
    std::mutex lock;
    bool given = false;
    std::string target;
};

PendingTarget& pendingTarget() {
    static PendingTarget pending;
    return pending;
}

// Loads read their set only once start-up has read its own.
bool& startupSetRead() {
    static bool read = false;
    return read;
}

// The target of the last load, if it named one; forgets it.
bool takeTarget(std::string& target) {
    PendingTarget& pending = pendingTarget();
    std::lock_guard<std::mutex> hold(pending.lock);
    const bool given = std::exchange(pending.given, false);
    target = std::move(pending.target);
    pending.target.clear();
    return given;
}

// The driver names a load without a root by the default base itself.
void baseFromTarget(const std::string& target) {
    setBookmarkBaseFromTarget(target == kDefaultBookmarkBase ? std::string() : target);
}

// Before the text is replaced: the set's entries name their files through the old text.
bool saveChangedSet() {
    BookmarkList& list = bookmarkList();
    if (list.openSet < 1 || !list.changed) return true;
    return saveSet(list, list.openSet, true) != 9;
}

void redrawViews() {
    for (int i = 0; i < frameViewCount(); ++i) {
        if (View* view = frameViewAt(i)) redrawViewWindow(*view);
    }
}

// After a replacing load: the open set read again, its bookmarks placed in the new text.
void readSetAgain() {
    // The start-up load's target is start-up's to take (startBookmarks).
    if (!startupSetRead()) return;
    std::string target;
    const bool given = takeTarget(target);
    baseFromTarget(given ? target : std::string());
    View* view = frameFocusedView();
    if (!view) return;
    const ViewPosition position = prepareBookmarkWork(*view);
    BookmarkList& list = bookmarkList();
    const int set =
        list.openSet >= 1 ? list.openSet : std::clamp(appSettings().startBmSet, 1, kBookmarkSets);
    const LoadSetResult result = loadSet(list, set, position);
    if (result.status > kLoadSetNoFile) {
        logMessage("[error] unable to load bookmark file");
    } else if (result.lost > 0) {
        char text[200];
        std::snprintf(text, sizeof text, "bm set %ld open%s setup for details.",
                      static_cast<long>(set), ", some bookmarks lost.");
        showStatusInfo(text);
    }
    countSets(list);
    redrawViews();
}

}  // namespace

void prepareBookmarks(const StartupOptions& options) {
    setCentralBookFolder(appSettings().centralBookDir, !options.centralBookDirDefaulted);
    bookmarkList().host = &viewBookmarkHost();
}

void addBookmarkLoadCallbacks(LoadCallbacks& callbacks) {
    callbacks.saveBookmarks = saveChangedSet;
    // Loads that do not ask first (a drop, start-up) still keep a changed set.
    callbacks.clearViews = [views = std::move(callbacks.clearViews)] {
        if (!saveChangedSet()) logMessage("[error] %s", kCannotWriteBookmarks);
        if (views) views();
    };
    callbacks.forgetBookmarkSet = [] {
        BookmarkList& list = bookmarkList();
        list.clearEntries();
        list.changed = false;
    };
    callbacks.setBookmarkBase = [](const char* target) {
        PendingTarget& pending = pendingTarget();
        std::lock_guard<std::mutex> hold(pending.lock);
        pending.given = true;
        pending.target = target ? target : "";
    };
    callbacks.reloadBookmarks = readSetAgain;
}

void startBookmarks(const StartupOptions& options, const LoadChoice& choice) {
    std::string target;
    if (takeTarget(target)) {
        baseFromTarget(target);
    } else if (choice.kind == LoadKind::kSnapfile && !choice.words.empty()) {
        setBookmarkBaseFromTarget(choice.words.front());
    } else {
        setBookmarkBaseFromTarget("");
    }
    if (!options.bookmarkFile.empty()) setBookmarkBase(baseOfBookmarkFile(options.bookmarkFile));
    ViewPosition position;
    if (View* view = frameFocusedView()) position = prepareBookmarkWork(*view);
    loadStartupSet(bookmarkList(), position);
    startupSetRead() = true;
    redrawViews();
}

void saveBookmarksAtExit() {
    BookmarkList& list = bookmarkList();
    if (list.openSet >= 1 && list.changed) saveIfChanged(list);
}

}  // namespace tessel
