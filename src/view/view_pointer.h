// What the pointer does in a view besides surfing and the filtered view's clicks: the log
// button (hover, clicks), the sidebar buttons, and the gestures on words and blank space.
// The view window calls these first and falls back to its own handling when they decline.
#pragma once

namespace tessel {

class View;

// A button press. 0 handled (repaint), 1 not ours.
int pointerPress(View& view, int button, int x, int y, int modifiers);
int pointerDoubleClick(View& view, int button, int x, int y, int modifiers);
// The pointer moved to a pixel of the view, or left it. True when the view must be repainted
// (the sidebar appeared or went, the log opened or closed under the pointer).
bool pointerMoved(View& view, int x, int y);
bool pointerLeft(View& view);

// True while the message overlay of the view still fades, so its refresh timer must run.
bool overlayFading(const View& view);

}  // namespace tessel
