// Result focus, next and previous result and file, the path mask commands, jumps to a file,
// and the history of a view's search states.
#pragma once

#include <cstdint>

namespace tessel {

class View;

struct NavigationState {};

// The navigation keys of the key table (F3, CONTROL+UP/DOWN, SHIFT+F2, CONTROL+M/N/U/G/X/Y/Z,
// the double CONTROL press): 0 handled, 1 not one of them.
int navigationKeyDown(View& view, int key, int modifiers);
int navigationKeyUp(View& view, int key, int modifiers);
int navigationChar(View& view, uint8_t ch, int modifiers);

}  // namespace tessel
