// The history of a view's search states: a ring of slots, saved before each search and
// filter, stepped through backwards and forwards.
#include <cstring>

#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "view/filter_view.h"
#include "view/navigation.h"
#include "view/navigation_internal.h"
#include "view/search_driver.h"
#include "view/view.h"

namespace tessel {

using namespace nav;

namespace {

constexpr int kMaxHistorySlots = 16;

// The ring follows the setting; a changed size starts an empty ring.
int historyRing(View& view) {
    const int slots = historySlotsFor(config().getNumber("historymaxsteps", 0));
    NavigationState& state = view.nav;
    if (slots != state.historySlots || static_cast<int>(state.history.size()) != slots) {
        state.history.assign(static_cast<size_t>(slots), HistorySlot{});
        state.historySlots = slots;
        state.historyHead = 0;
    }
    return slots;
}

void capture(const View& view, HistorySlot& slot) {
    const SearchState& search = view.search;
    std::memcpy(slot.findMask, search.findMask, sizeof slot.findMask);
    std::memcpy(slot.pathMask, search.pathMask, sizeof slot.pathMask);
    slot.flags = search.flags();
    slot.autoFilter = search.autoFilter;
    slot.pathSelectionActive = search.pathSelectionActive;
    slot.topLine = search.topLine;
    slot.currentLine = search.currentLine;
    slot.hitCount = search.hitCount;
    slot.used = true;
}

int restore(View& view, int index) {
    NavigationState& state = view.nav;
    if (index < 0 || index >= static_cast<int>(state.history.size())) {
        logError(0, "no undo position");
        return 9;
    }
    const HistorySlot& slot = state.history[static_cast<size_t>(index)];
    if (!slot.used) {
        logError(0, "no undo position set");
        return 9;
    }
    if (inFilterMode(view)) leaveFilter(view, true);
    SearchState& search = view.search;
    cancelPasses(view);
    search.setFindMask(slot.findMask);
    search.setPathMask(slot.pathMask);
    search.setFlags(slot.flags);
    search.autoFilter = slot.autoFilter;
    search.pathSelectionActive = slot.pathSelectionActive;
    search.findMaskMarkedForReset = false;
    search.compileSearch(false);
    search.files.valid = false;
    // A state saved before its search ran has no count yet: count the hits of the restored
    // masks again, then go back to the saved place, which the pass would move.
    search.hitCount = slot.hitCount;
    if (search.findMask[0] != '\0') searchNormalView(view, true);
    search.topLine = slot.topLine;
    search.currentLine = slot.currentLine;
    view.input.findTail = 0;
    view.input.pathTail = 0;
    refresh(view);
    return 0;
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
    if (slots <= 1 || inFilterMode(view)) return 1;
    NavigationState& state = view.nav;
    const int head = state.historyHead;
    const HistorySlot& before = state.history[static_cast<size_t>((head + slots - 1) % slots)];
    // Saving the same place twice would make a step back that shows nothing new.
    if (before.used && before.topLine == view.search.topLine) return 1;
    capture(view, state.history[static_cast<size_t>(head)]);
    if (verboseMode()) logMessage("undo.set %d %s", head, label ? label : "");
    state.historyHead = (head + 1) % slots;
    // Whatever lay ahead belonged to the states stepped back from.
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
    // The first step back keeps the state it leaves, so that a step forward returns to it.
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
