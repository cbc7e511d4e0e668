// Moving a view through its text with keys: lines, pages, columns, the ends of the text and
// of files. Surfing and the wheel are in surf.h.
#pragma once

namespace tessel {

class View;

// The scrolling keys of the key table: 0 handled, 1 not a scrolling key.
int scrollKeyDown(View& view, int key, int modifiers);

}  // namespace tessel
