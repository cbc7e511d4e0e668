// The bookmark list: one process-wide list of 100 slots holding the open bookmark set. The
// used entries are always the first slots. Entries are ordinary bookmarks (a saved view
// position), remark lines (headings) and bookmark-script entries (remark lines that run a
// user control of type "4" when selected, marked by the path mask "// control N").
//
// The list knows nothing of windows. What it needs from the user interface goes through
// BookmarkHost: a question, a box, a file dialog, and whether other work is still running.
// Operations return 0 on success, 1 when there was nothing to do or the user declined, 9 on a
// failure already reported, and the named codes below.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bookmarks/view_position.h"

namespace tessel {

class TextStore;

inline constexpr int kBookmarkSlots = 100;
// New bookmarks are taken while fewer slots than this are used; the rest is room for
// bookmark-script entries and imports.
inline constexpr int kBookmarkAddLimit = 95;
inline constexpr int kBookmarkSets = 9;
inline constexpr int kNoBookmarkSet = -1;
inline constexpr char kScriptEntryPrefix[] = "// control ";

class BookmarkHost {
  public:
    virtual ~BookmarkHost() = default;
    // A Yes/No question; true for Yes. Without a user interface the default answer stands.
    virtual bool ask(const char* title, const char* text, bool defaultYes) {
        (void)title;
        (void)text;
        return defaultYes;
    }
    // A box with an OK button.
    virtual void showBox(const char* title, const char* text) {
        (void)title;
        (void)text;
    }
    // A file dialog; the chosen path, or empty when cancelled.
    virtual std::string pickFile(const char* title, const char* proposed, bool forSaving) {
        (void)title;
        (void)proposed;
        (void)forSaving;
        return {};
    }
    // Work that must end before a set is switched (a load, a reload scan); 0 when idle.
    virtual unsigned pendingWork() { return 0; }
    // One wait between two checks of pendingWork (100 ms in the program).
    virtual void waitStep();
};

// One slot of the list: the saved position and where it belongs in the loaded text.
struct Bookmark {
    ViewPosition pos;
    // The file name the entry was read or imported with. A bookmark whose file is not loaded
    // keeps it, so that saving the set does not lose where the bookmark belongs.
    std::string fileName;
    // The block the entry was placed in (-1 none), kept across a reload by the tracking pair.
    int blockIndex = -1;
};

struct BookmarkList {
    BookmarkList();
    BookmarkList(const BookmarkList&) = delete;
    BookmarkList& operator=(const BookmarkList&) = delete;

    std::array<Bookmark, kBookmarkSlots> slots;
    int openSet = kNoBookmarkSet;
    int selected = -1;
    bool changed = false;
    // The user confirmed the bookmark file path in this run.
    bool pathConfirmed = false;
    // Bit n set: the file of set n exists.
    uint32_t existingSets = 0;

    // Rows left above a relocated line: the view sets it from its height and line height.
    int placementRows = 10;
    // The answer to the far search question, kept for the rest of the run (-1: not asked).
    int farSearchAnswer = -1;
    bool firstSelectionDone = false;
    int lastRemarkIndex = -1;
    int64_t lastRemarkMs = 0;

    // The store and host used; the process-wide store and a silent host unless set.
    TextStore* storePtr = nullptr;
    BookmarkHost* host = nullptr;
    TextStore& store() const;
    BookmarkHost& ui() const;

    // Number of used slots (the first invalid slot).
    int count() const;
    Bookmark& at(int index) { return slots[static_cast<size_t>(index)]; }
    const Bookmark& at(int index) const { return slots[static_cast<size_t>(index)]; }
    // Empties every slot; keeps the set number and flags.
    void clearEntries();
};

BookmarkList& bookmarkList();

// The user control number of a bookmark-script entry, -1 for any other entry.
int scriptControlOf(const ViewPosition& position);
bool isScriptEntry(const ViewPosition& position);
// Makes an entry a bookmark-script entry for user control `control` with its title.
void makeScriptEntry(Bookmark& entry, int control, std::string_view title);

// addBookmark modes.
inline constexpr int kAddMark = 0;
inline constexpr int kAddRemark = 1;
inline constexpr int kChangeRemark = 2;

// True while one of the slots below the add limit is free; else reports it.
bool canAddBookmark(const BookmarkList& list);
// Adds an entry made from the view's position at `line` (see kAdd*). For remarks the label
// is the view's find mask, which is then cleared in `view`. 0 added, 1 no set open or full.
int addBookmark(BookmarkList& list, ViewPosition& view, int line, int mode,
                bool fromSelection = false);
int removeBookmark(BookmarkList& list, int index);
// Moves the selected entry one place up (-1) or down (+1).
int moveBookmark(BookmarkList& list, int direction);
// Removes (-1) or adds (+1) one leading blank of the selected entry's label and of the
// entries below it that are indented at least as deep.
int indentBookmarks(BookmarkList& list, int direction);
int toggleContext(BookmarkList& list, int index);

// Results of selectBookmark besides 0 (the position was put into the view).
inline constexpr int kSelectShowRemark = 2;  // a remark: its text went to the info line
inline constexpr int kSelectRunScript = 3;   // a script entry: run control *control
inline constexpr int kSelectEditRemark = 4;  // a remark clicked twice: open the remark dialog

struct SelectRequest {
    bool shift = false;  // SHIFT held: the path mask becomes the bookmark's file
    int64_t nowMs = 0;   // for the double click on a remark
    int* control = nullptr;
};

// Puts entry `index` into the view's position. The caller records its history before and
// places the line in a filtered view after.
int selectBookmark(BookmarkList& list, int index, ViewPosition& view,
                   const SelectRequest& request = {});

// Switches to set n (1 ... 9): saves a changed open set, waits for other work, loads set n.
// `view` gives the lock mode and rows that loaded entries take.
int openSet(BookmarkList& list, int n, const ViewPosition& view);
// Removes every entry of the open set after asking.
int clearSet(BookmarkList& list);
// The start-up load of the "startbmset" set, without the save step.
int loadStartupSet(BookmarkList& list, const ViewPosition& view);

}  // namespace tessel
