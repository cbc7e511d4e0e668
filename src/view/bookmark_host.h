// What the bookmark list asks of the user interface, answered by the views: questions and
// boxes through the platform's message boxes, file names through its file dialogs, and
// whether a load or a search pass still runs (a set switch waits for them, pumping the window
// meanwhile).
#pragma once

#include <functional>

#include "bookmarks/bookmark_list.h"

namespace tessel {

class View;

class ViewBookmarkHost : public BookmarkHost {
  public:
    bool ask(const char* title, const char* text, bool defaultYes) override;
    void showBox(const char* title, const char* text) override;
    std::string pickFile(const char* title, const char* proposed, bool forSaving) override;
    unsigned pendingWork() override;
    void waitStep() override;

    // Other work that a set switch must wait for (a reload scan); 0 when idle. Optional.
    std::function<unsigned()> otherWork;
};
ViewBookmarkHost& viewBookmarkHost();

// Readies the process-wide list for work on behalf of a view: the views' host, and the rows a
// placed bookmark keeps above it in this view. Returns the view's position, from which loaded
// and imported entries take their lock mode and rows.
ViewPosition prepareBookmarkWork(View& view);

// Around a reload of files (the reload scan calls these): the bookmarks remember their place
// in their files before, and are put back and checked after; the views show the result.
void bookmarksBeforeReload();
int bookmarksAfterReload(View& view);

}  // namespace tessel
