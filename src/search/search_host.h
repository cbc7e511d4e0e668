// What searching needs from the window of the view it runs for: a clock, the search timer
// and a way back to the user interface thread. The view's window implements it; tests
// implement it without a display.
#pragma once

#include <cstdint>
#include <functional>

namespace tessel {

class SearchHost {
  public:
    virtual ~SearchHost() = default;

    virtual int64_t nowMs() = 0;
    virtual void armSearchTimer(int delayMs) = 0;
    virtual void killSearchTimer() = 0;
    // Runs `task` later on the user interface thread (pass results come back this way).
    virtual void postToUi(std::function<void()> task) = 0;
};

}  // namespace tessel
