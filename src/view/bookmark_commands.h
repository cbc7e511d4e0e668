// The bookmark list in a view: its keys, its clicks, and the commands behind them. The list
// itself (src/bookmarks) decides what an entry is and how sets are stored; this is where a
// view's position becomes a bookmark and a bookmark becomes the view's position again.
//
// Keys: CONTROL+Q shows or hides the list, CONTROL+1 ... 9 switches the set, SHIFT+INSERT and
// CONTROL+V paste (a bookmark list text is imported, other text goes into the mask being
// typed), CONTROL+C and CONTROL+INSERT copy the list as text while the pointer rests on it,
// CONTROL+S saves a changed set. Pointer: ALT+click on a line makes a bookmark; on the
// list a click selects, switches the search context or removes the entry (bookmark_panel.h),
// SHIFT+click selects with the bookmark's file as path mask, a second click on a remark within
// 400 ms edits it, ALT+click adds a remark line and a right click opens the list's menu.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessel {

class View;

// What the view module cannot do itself; the application sets it.
struct BookmarkViewHooks {
    // Runs the user control of a bookmark-script entry.
    std::function<int(View& view, int control)> runControl;
};
BookmarkViewHooks& bookmarkViewHooks();

// 0 handled, 1 not a key of the list. CONTROL+S saves and still answers 1, so that the
// configuration is saved after it.
int bookmarkKeyDown(View& view, int key, int modifiers);
int bookmarkChar(View& view, uint8_t ch, int modifiers);

// A press or double click at a pixel: 0 taken by the list or the ALT gesture, 1 not ours.
int bookmarkPointerPress(View& view, int button, int x, int y, int modifiers);
int bookmarkPointerDoubleClick(View& view, int button, int x, int y, int modifiers);
// Notes whether the pointer rests on the list (searches may wait meanwhile).
void noteBookmarkPointer(View& view, int x, int y);

// A bookmark of `line`, which the view shows with `topLine` at the top. 0 made, 1 refused.
int createBookmarkAt(View& view, int line, int topLine);
// Selects entry `index` into the view (history recorded first). 0 done, 1 nothing happened.
int selectBookmarkEntry(View& view, int index, bool shift);
int switchBookmarkSet(View& view, int set);
// SHIFT+INSERT and CONTROL+V.
int pasteCommand(View& view);
// The list's text on the clipboard.
int exportBookmarkList();
// Imports a bookmark list text; kImportNotBookmarkText when the text is none.
int importBookmarkText(View& view, const std::string& text, bool fromSetup);
// Asks for a remark and adds it after the selected entry.
int addRemarkLine(View& view);

// The commands of the list's menu, in their order.
std::vector<std::string> bookmarkMenuItems();
int runBookmarkMenu(View& view, int item);

}  // namespace tessel
