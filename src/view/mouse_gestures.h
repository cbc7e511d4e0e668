// The mouse gestures of a view on words and blank space: one-click search, phrase search with
// SHIFT, searching a word or showing a line in the neighbour views, copying with CONTROL, and
// expanding or cloning views from blank space. Surfing (a button held on blank space) and the
// clicks of the filtered view are handled before these by their own code.
#pragma once

#include <string>

namespace tessel {

class View;

// The phrase being collected by SHIFT clicks on words of one line, and where the pointer is.
struct GestureState {
    int phraseRow = -1;
    int phraseLine = -1;
    int phraseFrom = 0;  // screen columns of the phrase, the end exclusive
    int phraseTo = 0;
    // The pointer is over the view (the sidebar shows then).
    bool pointerInside = false;
    bool overLogButton = false;
    // The bookmark list sets this while the pointer rests on it.
    bool pointerOnBookmarks = false;
};

// The run of word characters of a screen row around a column, as [from, to) in bytes of the
// row's text (the columns themselves in an 8-bit code page). false on a non-word cell or
// outside the row.
bool wordSpanAt(const View& view, int row, int column, int* from, int* to);

// A button press at a text cell. 0 handled, 1 not a gesture (the window may start a surf).
int gesturePress(View& view, int button, int row, int column, int modifiers);
// A double click at a text cell. 0 handled, 1 not a gesture.
int gestureDoubleClick(View& view, int button, int row, int column, int modifiers);

// A new view beside this one (right or below with `after`, else left or above) showing the
// same place with the same masks. The new view, or null (reported).
View* cloneView(View& view, bool after);

}  // namespace tessel
