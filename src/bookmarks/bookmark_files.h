// Bookmark set files. Each set n = 1 ... 9 lives in "<base>.<n>.qvbm", where the base name
// is chosen from what was loaded (a folder, a file, a URL) and kept in setting 118. Files are
// written through a temporary file beside them and a rename, so a failed write leaves the
// old file as it was. A collection in a place that cannot be written keeps its bookmarks in
// the central bookmark folder instead.
#pragma once

#include <string>
#include <string_view>

#include "bookmarks/bookmark_list.h"

namespace tessel {

inline constexpr char kDefaultBookmarkBase[] = "zz-bookmarks";
inline constexpr char kContainedBookmarkFile[] = "zz-bookmarks.1.qvbm";
inline constexpr char kCannotWriteBookmarks[] = "cannot write bookmark file";

// The central bookmark folder: the one the start-up set with setCentralBookFolder, else the
// "centralbookdir" setting, else $XDG_DATA_HOME/tessel/bookmarks (~/.local/share/...).
std::string centralBookFolder();
std::string defaultCentralBookFolder();
// Called at start-up: a folder the user configured (or the portable build's) is used as it
// is; without one the XDG default applies.
void setCentralBookFolder(std::string_view configuredFolder, bool configuredByUser);

// The base name for a load target name (a folder, a file or a URL), per the naming rules;
// empty when bookmarks cannot be saved (a URL without central folder).
std::string chooseBookmarkBase(std::string_view target);
// chooseBookmarkBase stored as the current base; a load without target name passes "".
int setBookmarkBaseFromTarget(std::string_view target);
const char* bookmarkBase();
// Stores a base name; one longer than the setting holds becomes "zz-bookmarks".
void setBookmarkBase(std::string_view base);
std::string bookmarkFileName(std::string_view base, int set);
// The base name of a chosen bookmark file name: ".qvbm" and a following ".N" removed.
std::string baseOfBookmarkFile(std::string_view path);

// Writes the list as set n. Unless quiet (or confirmed before in this run) the user is asked
// for the path. 0 written, 1 declined, 9 failure (reported).
int saveSet(BookmarkList& list, int set, bool quiet);
// CONTROL+S and exit: saves a changed open set (any open set with `force`).
int saveIfChanged(BookmarkList& list, bool force = false);

// loadSet statuses.
inline constexpr int kLoadSetRead = 0;
inline constexpr int kLoadSetSomeFailed = 1;
inline constexpr int kLoadSetNoFile = 5;
inline constexpr int kLoadSetFormatError = 9;

struct LoadSetResult {
    int status = kLoadSetRead;
    int lost = 0;  // entries that could not be placed
};
// Reads set n into the list (replacing it); `prefix` starts the status line text.
LoadSetResult loadSet(BookmarkList& list, int set, const ViewPosition& view,
                      const char* prefix = nullptr);
// Marks which of the nine set files exist; the number found.
int countSets(BookmarkList& list);
// The setup buttons: load set 1 of a chosen file, save the sets under a chosen base name.
int loadFrom(BookmarkList& list, const ViewPosition& view);
int saveTo(BookmarkList& list);

}  // namespace tessel
