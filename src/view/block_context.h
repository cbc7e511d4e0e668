// The block context row of a view: the head of the function or class that encloses the text
// on screen, found by the context rules in the lines above it and drawn in place of the first
// text row (the row of `topLine`), so that the rows below keep their places whether a context
// shows or not. The text is found anew every time the view's rows are built.
#pragma once

#include <cstdint>
#include <string>

namespace tessel {

class View;

struct BlockContextState {
    int line = -1;          // the global line whose head is shown, -1 when none
    std::string text;       // what the row shows, empty when none
    int64_t elapsedUs = 0;  // what the last scan took
};

// Scans for the view's context at its current position and keeps the result in the view:
// nothing while the view shows a filtered view or the file list, while an editor is active,
// while text loads or while the display is switched off.
void updateBlockContext(View& view);

// Writes the context row at `row` when the view has a context: true when it did, and the
// first text row is then the row below it, showing the line after `topLine`.
bool writeBlockContextRow(View& view, int row, int columns);

// CONTROL+B: the context display of every view on or off ("block radar on" / "... off").
void toggleBlockRadar(View& view);

}  // namespace tessel
