// The platform side of the program's windows: starting and stopping the platform, the screens,
// and the master frame window that holds the views. The views' own windows are the view
// module's (view/view_window.h); this speaks in the frame model's rectangles, and only its
// implementation converts them to the platform's.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "view/frame_layout.h"
#include "view/screen_fonts.h"
#include "view/view_window.h"

namespace tessel {

class PlatformWindow;

// What the frame window tells the frame.
struct WindowEvents {
    std::function<void()> frameResized;
    // The user closes the frame window.
    std::function<void()> frameClosing;
};
WindowEvents& windowEvents();

// Toolkit start and stop. 0 started, 9 failure (logged).
int startPlatform(bool offscreen, bool nonInteractive);
// Ends the message loop with this exit code.
void endMessageLoop(int code);
// True once the message loop was asked to end: the program is closing.
bool messageLoopEnding();
// Closes every window and releases the fonts before the platform stops.
void stopPlatform();
std::vector<MonitorArea> screenAreas();

bool openFrameWindow(const FrameRect& area, const std::string& title);
void closeFrameWindow();
bool frameWindowOpen();
// The frame window's platform window, the parent of child view windows; null when closed.
PlatformWindow* frameWindowHandle();
FrameRect frameWindowRect();
FrameRect frameClientRect();
void toggleFrameWindowMaximized();
// Gives the frame window a new client size in its place.
void resizeFrameWindow(int width, int height);

}  // namespace tessel
