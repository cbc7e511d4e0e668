// The history of a view's positions: a ring of the same records bookmarks keep, saved before
// each search, filter and bookmark jump, stepped through backwards and forwards. The slot at
// the write index is always empty; it marks where the ring ends.
#include <cstdio>

#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "view/navigation.h"
#include "view/navigation_internal.h"
#include "view/view.h"
#include "view/view_positions.h"

namespace tessel {

using namespace nav;

namespace {

constexpr int kMaxHistorySlots = 16;

// The ring follows the setting; a changed size starts an empty ring.
int historyRing(View& view) {
    const int slots = historySlotsFor(config().getNumber("historymaxsteps", 0));
    NavigationState& state = view.nav;
    if (slots != state.historySlots || static_cast<int>(state.history.size()) != slots) {
        state.history.assign(static_cast<size_t>(slots), HistoryStep{});
        state.historySlots = slots;
        state.historyHead = 0;
    }
    return slots;
}

int restore(View& view, int index) {
    NavigationState& state = view.nav;
    if (index < 0 || index >= static_cast<int>(state.history.size())) {
        logError(0, "no undo position");
        return 9;
    }
    const HistoryStep& step = state.history[static_cast<size_t>(index)];
    if (!step.used) {
        logError(0, "no undo position set");
        return 9;
    }
    ViewPosition position = step.position;
    // A step back follows the tab size rule of bookmark jumps.
    if (!config().getInt("bookmarktabsize")) {
        position.tabSize = view.tabSize;
    } else if (position.tabSize > 0 && position.tabSize != view.tabSize) {
        char text[80];
        std::snprintf(text, sizeof text, "Tab size %ld set by %s.",
                      static_cast<long>(position.tabSize), "undo");
        showStatusInfo(text);
    }
    return restorePosition(view, position) == 0 ? 0 : 9;
}

}  // namespace

int historySlotsFor(int maxSteps) {
    if (maxSteps <= 0) return 0;
    if (maxSteps == 1) return 3;
    if (maxSteps < kMaxHistorySlots) return maxSteps + 1;
    return kMaxHistorySlots;
}

int historySave(View& view, const char* label) {
    const int slots = historyRing(view);
    if (slots <= 1 || inFilterMode(view) || view.editor) return 1;
    NavigationState& state = view.nav;
    const int head = state.historyHead;
    const HistoryStep& before = state.history[static_cast<size_t>((head + slots - 1) % slots)];
    // Saving the same place twice would make a step back that shows nothing new.
    if (before.used && before.position.topLine == view.search.topLine) return 1;
    HistoryStep& step = state.history[static_cast<size_t>(head)];
    step.position = capturePosition(view);
    step.used = true;
    if (verboseMode()) logMessage("undo.set %d %s", head, label ? label : "");
    state.historyHead = (head + 1) % slots;
    // Whatever lay ahead belonged to the positions stepped back from.
    state.history[static_cast<size_t>(state.historyHead)].used = false;
    return 0;
}

int historyBack(View& view) {
    const int slots = historyRing(view);
    if (slots <= 1) return 1;
    NavigationState& state = view.nav;
    const int back = (state.historyHead + slots - 1) % slots;
    if (!state.history[static_cast<size_t>(back)].used) {
        say("no further history steps.");
        return 1;
    }
    // The first step back keeps the position it leaves, so that a step forward returns to it.
    if (!state.history[static_cast<size_t>(state.historyHead)].used) {
        historySave(view, "before step back");
    }
    state.historyHead = back;
    if (verboseMode()) logMessage("undo.use %d", back);
    return restore(view, back);
}

int historyForward(View& view) {
    const int slots = historyRing(view);
    if (slots <= 1) return 1;
    NavigationState& state = view.nav;
    const int forward = (state.historyHead + 1) % slots;
    if (!state.history[static_cast<size_t>(forward)].used) {
        say("no further history steps.");
        return 1;
    }
    state.historyHead = forward;
    if (verboseMode()) logMessage("undo.use %d", forward);
    return restore(view, forward);
}

}  // namespace tessel
