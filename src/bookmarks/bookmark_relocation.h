// Placing bookmarks again in a text that changed: a bookmark stores its file name, its line
// relative to the file and two texts (the line's text and the label). It is put back first by
// file and line, then its text is looked for nearby, and, when the far search mode allows,
// across all loaded files. Texts are compared without white space, and only lines whose line
// mask holds every character bit of the searched text are read at all.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bookmarks/bookmark_list.h"

namespace tessel {

inline constexpr int kCompareChars = 4086;
// Above this many loaded lines, far search mode 1 asks before searching all files.
inline constexpr int kFarSearchAskLines = 100000;

enum class PlaceResult { kPlaced = 0, kFileMissing, kTextNotFound, kInternal };

struct PlaceOutcome {
    PlaceResult result = PlaceResult::kPlaced;
    std::string failure;  // "bookmark adjustment failed: ..." for the error list
};

// The loaded files by the last part of their names (after the last separator or colon), so
// that placing a whole set does not compare every file name for every bookmark. Valid while
// the store's blocks stay as they are.
class FileNameIndex {
  public:
    explicit FileNameIndex(TextStore& store);
    // The same answer as findFileBlock.
    int find(std::string_view storedName) const;

  private:
    TextStore& store_;
    std::unordered_map<std::string_view, std::vector<int>> byLastPart_;
};

// Places an entry read from a file or an import: from entry.fileName and the position's
// relativeLine, lineText and label. Sets currentLine, topLine and the entry's block.
PlaceOutcome placeBookmark(BookmarkList& list, Bookmark& entry,
                           const FileNameIndex* names = nullptr);

// The reload scan calls these around reloading or rewriting files: before, each bookmark
// remembers its line relative to its block and the line's text; after, it is put back there
// and checked. The result of the second is the number of bookmarks that could not be placed.
void trackBeforeReload(BookmarkList& list);
int trackAfterReload(BookmarkList& list);

// The text as compared: leading white space skipped, all white space removed, at most
// kCompareChars characters.
std::string compactText(std::string_view text);
// The index of the first block whose file name matches a stored name (equal, or the shorter
// is the end of the longer after a separator or colon), -1 when none does.
int findFileBlock(TextStore& store, std::string_view storedName);

}  // namespace tessel
