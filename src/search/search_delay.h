// When a search starts: the adaptive delay after a keystroke. The faster the user types and
// the longer the mask, the sooner the search runs; a single key waits the full delay, and so
// does the first key of a new word (the mask was just cleared to type another one).
#pragma once

namespace tessel {

struct DelayInputs {
    int configuredDelay = 800;  // "searchdelay"
    int keysLastSecond = 0;
    bool newWordStarted = false;  // a new word was started among them: the full delay
    int maskLength = 0;           // the mask being typed
    bool mouseOnBookmarks = false;
    bool enableMouseBookDelay = false;
    int mouseBookDelay = 0;
};

// Milliseconds, never below 10.
int computeSearchDelay(const DelayInputs& in);

}  // namespace tessel
