// What a view needs from its window, and the only way view code reaches it: besides what
// searching needs (a clock, the search timer, the way back to the user interface thread),
// repainting, the find mask's reset timer and bringing the window forward. The view window
// implements it; tests implement it without a display. A view without a window has none,
// and then every pass runs to its end before the call that started it returns.
#pragma once

#include "search/search_host.h"

namespace tessel {

class ViewHost : public SearchHost {
  public:
    // The view's rows are stale: they are built again before the next paint.
    virtual void refresh() = 0;
    // Paints again with the rows as they are (a hover look, the fading log).
    virtual void repaint() = 0;
    // The auto reset timer of the find mask.
    virtual void armResetTimer(int delayMs) = 0;
    // Brings the window to the front without activating it.
    virtual void raise() {}
};

}  // namespace tessel
