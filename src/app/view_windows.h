// The platform side of the view windows: one platform window per view, the master frame
// window, the main font and the screens. It speaks in the frame model's rectangles and window
// kinds; only its implementation converts them to the platform's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "view/frame_layout.h"

namespace tessel {

class PlatformWindow;

// What the windows tell the frame.
struct WindowEvents {
    std::function<void()> frameResized;
    // The user closes the frame window or a top-level view window.
    std::function<void()> frameClosing;
    std::function<void(View& view)> viewClosing;
    std::function<void(View& view)> viewFocused;
};
WindowEvents& windowEvents();

// Toolkit start and stop. 0 started, 9 failure (logged).
int startPlatform(bool offscreen, bool nonInteractive);
// Ends the message loop with this exit code.
void endMessageLoop(int code);
// True once the message loop was asked to end: the program is closing.
bool messageLoopEnding();
void stopPlatform();
std::vector<MonitorArea> screenAreas();

// The main font of the text views: a fixed-pitch family, else the bundled fallback. Sets the
// cell size every view uses. 0 created, 9 failure (logged).
int createMainFont(const std::string& name, int height, int weight);
void releaseMainFont();
int mainCharWidth();
int mainLineHeight();

bool openFrameWindow(const FrameRect& area, const std::string& title);
void closeFrameWindow();
bool frameWindowOpen();
FrameRect frameWindowRect();
FrameRect frameClientRect();
void toggleFrameWindowMaximized();
// Gives the frame window a new client size in its place.
void resizeFrameWindow(int width, int height);

// 0 when the window could not be made.
WindowId openViewWindow(View& view, ViewWindowKind style, const std::string& title,
                        const FrameRect& box);
void closeViewWindow(View& view);
void closeAllViewWindows();
void restyleViewWindow(View& view, ViewWindowKind style, const std::string& title,
                       const FrameRect& box);
void moveViewWindow(View& view, const FrameRect& box, bool repaint);
void showViewWindow(View& view, bool activate);
void raiseViewWindow(View& view);
void focusViewWindow(View& view);
void redrawViewWindow(View& view);
void startViewWindowTimer(View& view, int timerId, int periodMs);
PlatformWindow* platformWindowOf(const View& view);

// Makes the view's rows current (the row builder when the layout changed).
void buildViewScreen(View& view);
// A typed character for which no keyboard key exists, handed to the view's character handler.
void deliverViewChar(View& view, uint8_t ch);
// Items dropped on the view's window, as the platform would hand them over (scripted runs).
void deliverViewDrop(View& view, const std::vector<std::string>& paths, int modifiers);
// Something the views still have to do soon: an armed search timer, a running pass, a reset
// timer due within a second.
bool viewWorkPending();

}  // namespace tessel
