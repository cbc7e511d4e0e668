// Helpers the navigation, path and history operations share.
#pragma once

#include "search/search_state.h"
#include "text/text_store.h"
#include "view/view.h"

namespace tessel::nav {

// Assistance mode words its messages for a user who may not know the commands yet.
bool assistMode();
bool inFilterMode(const View& view);
// Marks the view's rows stale and asks its window for a repaint.
void refresh(View& view);
// A message for the status line, also logged.
void say(const char* text);
// The block holding a global line and its index; null (index -1) beyond the text.
TextBlock* blockOfLine(View& view, int line, int* index);
// The line a command about "this place" works on: the line under the mouse when the pointer
// is over a text row, else the current line while it is on screen, else the line at the
// result focus. -1 when the view shows no text line.
int placeLine(View& view);
// Puts a line at the result focus of a view and makes it current (the view must show the
// full text).
void showLineAtFocus(View& view, int line, bool flash);

}  // namespace tessel::nav
