// A view's place and search as one ViewPosition record, and putting such a record back. The
// back/forward history keeps these records and bookmarks are made of them, so both restore a
// view through restorePosition: one way in, whatever the record came from.
#pragma once

#include <functional>

#include "bookmarks/view_position.h"

namespace tessel {

class View;

// What the view module cannot do itself; the application sets it. An unset hook refuses.
struct PositionHooks {
    // Leaves the view's editor before a position is put back; false when the editor stays.
    std::function<bool(View& view)> leaveEditor;
};
PositionHooks& positionHooks();

// The view as a position: masks with their compiled terms, flags, word highlights, tab size,
// horizontal offset and place. In a filtered view the place is the full text's, where leaving
// the filter returns to. The label, selection and line text stay empty.
ViewPosition capturePosition(View& view);

// Puts a position into the view. Masks and flags that differ replace the view's (leaving a
// filtered view and counting the hits again); the word highlights, tab size, horizontal offset
// and place follow. A filtered view that keeps its masks keeps showing when the line is one
// of its rows: the row then stands lockRows rows below the top. 0 done, 1 refused (an editor
// that could not be left).
int restorePosition(View& view, const ViewPosition& position);

// Rows left above a line placed again: a quarter of the view's text rows, or 10 while the
// view has no size yet.
int placementRowsOf(const View& view);

}  // namespace tessel
