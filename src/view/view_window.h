// The window of a view: one platform window per view, whose handler hands every event to the
// view (keys to the mask rows and the key table, the mouse to the pointer, surfing and the
// filtered view, timers to the search driver) and which is the view's ViewHost. The frame
// opens and closes the windows through these functions; the application adds what the view
// module cannot reach itself (loading, the find dialog, closing the program) through hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "view/frame_layout.h"

namespace tessel {

class PlatformWindow;

// What the application adds to every view window. Set once at start-up; an unset hook is
// skipped (tests).
struct ViewWindowHooks {
    // The keys and characters of loading, asked before the view's own: 0 taken, 1 not ours.
    std::function<int(View& view, int key, int modifiers)> loadKeyDown;
    std::function<int(View& view, int key, int modifiers)> loadKeyUp;
    std::function<int(View& view, uint8_t ch, int modifiers)> loadChar;
    // CONTROL+F opens the find dialog; a view that goes closes a dialog serving it.
    std::function<void(View& view)> openFindDialog;
    std::function<void(View& view)> viewGone;
    // Items dropped on a view: true when they are to be loaded after the drop timer.
    std::function<bool(const std::vector<std::string>& paths, int modifiers)> takeDrop;
    std::function<void()> dropTimerExpired;
    // The user closes a top-level view window; a view window got the focus.
    std::function<void(View& view)> closing;
    std::function<void(View& view)> focused;
    // The first view's periodic timer (received network text).
    std::function<void(View& view)> firstViewTimer;
};
ViewWindowHooks& viewWindowHooks();

// Opens the view's window (closing an old one), `parent` being the frame window for child
// windows. 0 when the window could not be made.
WindowId openViewWindow(View& view, ViewWindowKind style, const std::string& title,
                        const FrameRect& box, PlatformWindow* parent);
void closeViewWindow(View& view);
void closeAllViewWindows();
void restyleViewWindow(View& view, ViewWindowKind style, const std::string& title,
                       const FrameRect& box, PlatformWindow* parent);
void moveViewWindow(View& view, const FrameRect& box, bool repaint);
void showViewWindow(View& view, bool activate);
void focusViewWindow(View& view);
void redrawViewWindow(View& view);
void startViewWindowTimer(View& view, int timerId, int periodMs);
PlatformWindow* platformWindowOf(const View& view);
// The frame exchanged what two of its slots show: each window stays in its place and shows
// the other view from now on, and each view's host follows.
void swapViewWindows(View& a, View& b);

// Makes the view's rows current (the row builder when the layout changed).
void buildViewScreen(View& view);
// A typed character for which no keyboard key exists, handed to the view's character handler.
void deliverViewChar(View& view, uint8_t ch);
// Items dropped on the view's window, as the platform would hand them over (scripted runs).
void deliverViewDrop(View& view, const std::vector<std::string>& paths, int modifiers);
// Something the views still have to do soon: an armed search timer, a running pass, a drop
// to load, a reset timer due within a second.
bool viewWorkPending();

}  // namespace tessel
