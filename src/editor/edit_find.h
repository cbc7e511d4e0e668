// Find and replace inside an editor: by the view's find mask (the viewer's own line test) or
// by the recent edit's source phrase, and "instant" replace: after the user changed one
// occurrence by hand, one key finds the next and puts the new phrase in its place.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

class EditorView;

// Tells the caller that the editor moved to another file to continue the search.
inline constexpr int kMovedToNextFile = 100;

// F3 (CONTROL+F3 backwards): the selected phrase, else the recent source, else the find mask;
// a forward search that ends continues in the next editable file. 0 found, 1 not found,
// kMovedToNextFile.
int findKey(EditorView& view, bool backwards);

// CONTROL+R (shift: find and replace in one press), ALT+R (adaptCase), the dialog's replace.
// 0 done, 1 nothing to do, kMovedToNextFile.
int replace(EditorView& view, bool backwards, bool shift, bool adaptCase);

// Each byte of the replacement takes the case of the byte at the same place in the replaced
// text (beyond its end, that of its last byte); other bytes stay.
std::string adaptCase(std::string_view replacement, std::string_view replaced);

}  // namespace tessel
