// The bookmark list as editable text: a header line ":tessel-bookmarks,1.0", then one line per
// entry ("label [ remark ]" or "label [ line N in FILE ]"), each ending in CR LF. Importing
// places the bookmarks again by file and line and checks them by their text, so a list edited
// by hand is repaired where it is slightly off. The clipboard itself is the caller's.
#pragma once

#include <string>
#include <string_view>

#include "bookmarks/bookmark_list.h"

namespace tessel {

inline constexpr char kBookmarkTextHeader[] = ":tessel-bookmarks,";
inline constexpr char kBookmarkTextVersion[] = "1.0";
// The text stays below this many characters; entries that would reach it are left out.
inline constexpr size_t kExportTextLimit = 9900;
inline constexpr char kExportDoneMessage[] = "#Bookmark list copied to clipboard.";

// The file line of a bookmark counted from 1 and the file name it is shown with; outside any
// file the bookmark base name and the global line.
struct BookmarkFileLine {
    std::string fileName;
    long line = 0;
};
BookmarkFileLine bookmarkFileLine(TextStore& store, const Bookmark& entry);

std::string exportBookmarks(BookmarkList& list);

// Result of importBookmarks when the text is no bookmark list (a paste command then pastes it
// as ordinary text).
inline constexpr int kImportNotBookmarkText = 2;

// Replaces the list by the entries of `text`. `view` gives tab size and lock mode and rows;
// with `fromSetup` a text that is no bookmark list is explained in a box. 0 imported (some
// lines may have failed, as the status says), kImportNotBookmarkText, 9 a damaged header.
int importBookmarks(BookmarkList& list, std::string_view text, const ViewPosition& view,
                    bool fromSetup);

}  // namespace tessel
