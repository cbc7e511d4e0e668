// Helpers the bookmark files share: how a bookmark's line maps to its file in the store.
#pragma once

#include <string>

#include "bookmarks/bookmark_list.h"

namespace tessel {

struct TextBlock;

// The block of a global line that holds a named file, and its index; null when the line lies
// in no file (beyond the text, in a block without name).
TextBlock* fileBlockOfLine(TextStore& store, int line, int* blockIndex = nullptr);
// The name written for a block: without its first character when every loaded file name
// begins with "\".
std::string shownFileName(TextStore& store, const TextBlock& block);
// SHIFT+select: the path mask names exactly the file of the view's current line.
void restrictPathToFile(TextStore& store, ViewPosition& view);
// The far search mode in force: the run's answer to the question, else "farbooksearch".
int farSearchMode(const BookmarkList& list);
// Loads set n without the save step and shows how it went ("bookmark set %ld open." ...);
// `prefix` as for loadSet. 0 opened, 9 the file could not be read.
int openLoadedSet(BookmarkList& list, int set, const ViewPosition& view, const char* prefix);

}  // namespace tessel
