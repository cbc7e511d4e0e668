// The row model of a view's filtered view (only the matching lines) and file list (one row
// per selected file), how it is built, entered and left, and copying its text.
#pragma once

#include <cstdint>

namespace tessel {

class View;

struct FilterState {};

// Type 1 filtered view, 2 file list: leaves an active filter mode, else enters it.
int toggleFilter(View& view, int type);
// Leaves the filtered view or file list; `quiet` skips "normal view.".
int leaveFilter(View& view, bool quiet);

// The filter keys of the key table (F4, F6, CONTROL+A, CONTROL+D ...): 0 handled, 1 not one.
int filterKeyDown(View& view, int key, int modifiers);
int filterChar(View& view, uint8_t ch, int modifiers);

}  // namespace tessel
