// How a view searches: what a keystroke, the search timer, the reset timer and a finished
// pass mean for the view. Every view rule of searching stands here once: the editor and
// bookmark checks, the history step before a search, the auto filter and the file list, the
// rules that leave a filtered view showing a single hit or a single file, and the no-hit
// bubble after each result. The search module compiles the masks, computes the delay and runs
// the passes; the window only forwards its timers here.
//
// The road of one keystroke: the window hands the key to the mask rows (view_input), which
// call searchAfterKeystroke; the timer armed there fires searchTimerFired, which starts the
// pass of the normal view or the filtered view's rows; their result comes back on the user
// interface thread to finishNormalPass or to the filter, then afterFilterRows, and the rows
// are built again for the next paint.
#pragma once

namespace tessel {

class View;

// A mask was changed by the user. `newWord`: it was cleared to type a new word, which waits
// the full delay.
void searchAfterKeystroke(View& view, bool newWord);
// Arms the search timer (a mask or a flag changed). `resumed`: a pass gave way to input and
// goes on after the fast delay; `oneShotDelayMs` (when positive) replaces the adaptive delay
// once. Without a window nothing is armed.
void scheduleSearch(View& view, bool resumed = false, int oneShotDelayMs = 0);
// The search timer fired: the search runs in the view's current mode.
void searchTimerFired(View& view);
// The find mask's reset timer fired: the mask is shown dimmed until it is set again.
void resetTimerFired(View& view);

// One pass in the normal view. `wait`: it runs to its end before the call returns.
void searchNormalView(View& view, bool wait);
// Stops every pass the view runs (a new keystroke, a store change, the view or its window
// going); no result of them arrives afterwards.
void cancelPasses(View& view);
bool passesRunning(const View& view);
// Disarms the search timer (a load starts; the views search again when it ends).
void stopSearchTimer(View& view);

// After a result or a filter update: the no-hit bubble follows it, and the rows are built
// again.
void refreshSearchStatus(View& view);

}  // namespace tessel
