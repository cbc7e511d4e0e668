// What a view does when blocks of the store were read again (reload, a followed file that
// grew): its lines follow their text. A line behind a changed block moves by the change in
// line count; a line inside it stays at its place in the file, or at the file's last line
// when the file got shorter. A filtered view's rows point into the old text, so they are
// dropped at once and built again.
#pragma once

#include <vector>

#include "load/reload_scan.h"

namespace tessel {

class View;

// The global line where a line of the old numbering is now. `changes` are in block order.
int lineAfterChanges(int line, const std::vector<BlockChange>& changes);

// Moves the view's lines (top, current, the normal view's place under a filter), rebuilds a
// filtered view's rows and searches again when the view has masks.
void followTextChange(View& view, const std::vector<BlockChange>& changes);

// Before the store changes under the view: its search stops, and a filtered view lets go
// of its rows so that nothing paints them meanwhile.
void prepareTextChange(View& view);

}  // namespace tessel
