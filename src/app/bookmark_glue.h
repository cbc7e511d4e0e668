// Bookmarks over the program's life: the central bookmark folder and the views' host before
// anything loads, the base name each load gives (on the loader thread, applied on the user
// interface thread when the load is over), the start-up set, the set read again after a
// replacing load, and the changed set written before a replacing load and at exit.
#pragma once

namespace tessel {

struct LoadCallbacks;
struct LoadChoice;
struct StartupOptions;

// Before the start-up load: the central folder (the configured one, else the default) and the
// views as the bookmark list's host.
void prepareBookmarks(const StartupOptions& options);
// The bookmark steps of a load: the changed set saved before the text is replaced, the base
// name taken from the load target, and the open set read again into the new text.
void addBookmarkLoadCallbacks(LoadCallbacks& callbacks);
// After the start-up load: the base name ("-book", the load target, else "zz-bookmarks") and
// the "startbmset" set.
void startBookmarks(const StartupOptions& options, const LoadChoice& choice);
// After the message loop: a changed set is written ("cannot write bookmark file" on failure).
void saveBookmarksAtExit();

}  // namespace tessel
