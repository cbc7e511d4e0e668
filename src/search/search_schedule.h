// When a search starts: the adaptive delay after a keystroke. The faster the user types and
// the longer the mask, the sooner the search runs; a single key waits the full delay.
#pragma once

namespace tessel {

struct DelayInputs {
    int configuredDelay = 800;  // "searchdelay"
    int keysLastSecond = 0;
    bool sawKey45 = false;  // the insert key among them: the full delay
    int maskLength = 0;     // the mask being typed
    bool mouseOnBookmarks = false;
    bool enableMouseBookDelay = false;
    int mouseBookDelay = 0;
};

// Milliseconds, never below 10.
int computeSearchDelay(const DelayInputs& in);

}  // namespace tessel
