// The log button beside the message overlay: hovering shows the whole log, a click pins it
// open or closes it, SHIFT widens the pinned log, CONTROL switches trace mode, and a right
// click copies the log to the clipboard. The window hands its mouse events here.
#pragma once

#include <string>

namespace tessel {

class View;

// True when the client pixel lies on the view's log button. `messageHeight` is the height of
// the overlay's font.
bool logButtonAt(const View& view, int x, int y, int messageHeight);

// The pointer entered (true) or left the button. True when the view must be repainted.
bool logButtonHover(bool entering);
// A click on the button. Returns true when the view must be repainted.
bool logButtonClick(bool rightButton, int modifiers);

// The text a right click puts on the clipboard: the waiting snapshot or a fresh one, and the
// status text that says which (the snapshot is freed afterwards).
struct LogCopy {
    std::string text;
    const char* status = nullptr;
};
LogCopy takeLogForClipboard();

}  // namespace tessel
