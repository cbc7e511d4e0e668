// Lines wider than the view: how far a view may scroll to the right, and bringing a result
// that stands far right in its line onto the screen.
#pragma once

namespace tessel {

class View;

// Columns a view scrolls to at most: 4,096, or further where a line on screen is longer, so
// that every byte of a long line can be shown.
int scrollColumnLimit(const View& view);

// The display column of the byte at `offset` of a line, with tabs expanded to `tabSize`.
int displayColumnOf(const char* text, int offset, int tabSize);

// The display column of the first hit of the search in a global line (tabs expanded), -1
// when the line has none.
int firstHitColumn(View& view, int line);

// Scrolls the view horizontally so that the first hit in `line` is on screen, with some of
// the text before it; a hit already on screen leaves the offset alone. 0 when it moved, 1
// when it did not.
int revealHitColumn(View& view, int line);

}  // namespace tessel
