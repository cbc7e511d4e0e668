// The frame's windows on the desktop: the host that gives the frame model its platform
// windows, and the few frame questions the start-up code and the batch runner ask. The
// frame's own header is not needed to use it.
#pragma once

#include <string>

namespace tessel {

class View;
class ViewWindowHost;

struct FrameStart {
    std::string area;   // "x:y:w:h", empty for the configured one
    std::string space;  // empty for the configured one
    bool frameGiven = false;
    int monitorNumber = 0;
    bool lean = false;
    bool isolated = false;
    bool overscan = false;
    bool singleScreen = false;
    std::string instanceId;
};

// The process-wide host the frame uses once windows exist.
ViewWindowHost& appWindowHost();

// Fills the monitor table from the screens, applies the frame placement and mode, and opens
// the frame (when in master mode) with its first view. 0 done, 9 failure (reported).
int openFirstView(const FrameStart& start);
// Destroys the views and the frame window, last view first.
void closeAllViews();
// Connects the sidebar buttons to their commands and lets new messages repaint the overlay.
void installPointerHooks();

int frameViewCount();
// Null outside 0 .. frameViewCount() - 1.
View* frameViewAt(int index);
View* frameFocusedView();
// Every view builds its rows again and repaints.
void redrawAllViews();
// Makes the view with this index the focused one. 0 done, 9 no such view.
int focusFrameView(int index);
// Lays the views out again in a new frame or view size.
void resizeFrame(int width, int height);

}  // namespace tessel
