#include "view/view_commands.h"

#include <array>
#include <cstdio>

#include "base/log/message_log.h"
#include "config/config_file.h"
#include "config/config_location.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "view/block_context.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/help_view.h"
#include "view/scroll_bars.h"
#include "view/search_driver.h"
#include "view/view.h"

namespace tessel {
namespace {

constexpr std::array<int, 4> kTabSizes = {3, 4, 8, 2};
constexpr std::array<int, 5> kWideTabSizes = {20, 30, 40, 50, 60};
// The delays CONTROL+P steps through; the first is the usual one.
constexpr std::array<int, 5> kSearchDelays = {800, 400, 200, 100, 1600};
constexpr int kPowerSearchDelay = 200;

template <size_t N>
int nextInCycle(const std::array<int, N>& cycle, int value) {
    for (size_t i = 0; i < N; ++i) {
        if (cycle[i] == value) return cycle[(i + 1) % N];
    }
    return cycle[0];
}

constexpr uint8_t controlChar(char letter) {
    return static_cast<uint8_t>(letter - 'A' + 1);
}

void cycleTabSize(View& view, bool wide) {
    view.tabSize = nextTabSize(view.tabSize, wide);
    char text[40];
    std::snprintf(text, sizeof text, "TAB size %d", view.tabSize);
    showStatusInfo(text);
    view.screen.valid = false;
}

void toggleMaximized(View& view) {
    view.maximized = !view.maximized;
    if (!view.frame) return;
    view.frame->distributeShares();
    view.frame->placeViews();
}

// CONTROL+C and CONTROL+INSERT: the lines on screen, with SHIFT all of the filtered text or
// the current file.
void copyCommand(View& view, bool all) {
    if (all) {
        copyFilteredText(view);
    } else {
        copyVisibleText(view);
    }
}

void changeSearchDelay(View& view) {
    SearchState& search = view.search;
    const int current = search.settings.searchDelay;
    SearchSettings settings = search.settings;
    settings.searchDelay = nextSearchDelay(current);
    if (view.frame) {
        for (auto& each : view.frame->views)
            each->search.settings.searchDelay = settings.searchDelay;
    } else {
        search.settings.searchDelay = settings.searchDelay;
    }
    logMessage("delay after typing: %d msec.", settings.searchDelay);
}

// CONTROL+S saves changed settings when the user wants that; with SHIFT the whole
// configuration is written whatever changed.
void saveConfigCommand(bool unconditional) {
    if (unconditional) {
        if (saveConfigNow() == 0) showStatusInfo("configuration saved.");
        return;
    }
    if (!config().getInt("saveConfigOnCtrlS")) {
        showStatusInfo("saveConfigOnCtrlS is off.");
        return;
    }
    const int rc = saveConfiguration();
    if (rc == 0) showStatusInfo("configuration saved.");
    if (rc == 1) showStatusInfo("configuration unchanged.");
}

void powerSettingsFor(View& view) {
    SearchState& search = view.search;
    search.autoFilter = true;
    search.caseSensitive = false;
    search.sequenceSensitive = false;
    search.accentSensitive = false;
    search.punctSensitive = false;
    search.settings.searchDelay = kPowerSearchDelay;
    view.screen.valid = false;
}

}  // namespace

void toggleCaseSearch(View& view) {
    SearchState& search = view.search;
    search.caseSensitive = !search.caseSensitive;
    logMessage(search.caseSensitive ? "case sensitive search." : "case insensitive search.");
    scheduleSearch(view);
    view.screen.valid = false;
}

int nextTabSize(int tabSize, bool wide) {
    return wide ? nextInCycle(kWideTabSizes, tabSize) : nextInCycle(kTabSizes, tabSize);
}

int nextSearchDelay(int delayMs) {
    return nextInCycle(kSearchDelays, delayMs);
}

void applyPowerSettings(View& view) {
    config().setInt("autoreload", 1);
    config().setInt("autofilter", 1);
    config().setInt("assist", 0);
    config().setInt("casesearch", 0);
    config().setInt("searchseq", 0);
    config().setInt("accentsearch", 0);
    config().setInt("punctsearch", 0);
    if (view.frame) {
        for (auto& each : view.frame->views) powerSettingsFor(*each);
    } else {
        powerSettingsFor(view);
    }
    logMessage("[blue] power settings.");
    logMessage("autoreload, autofilter, noassist.");
    logMessage("nocase, noseq, noaccent, nopunct.");
    scrollBarOptions().hideInVerticalTiling = true;
    logMessage("no scrollbar with vertical tiling.");
    logMessage("reduced delay after typing.");
    scheduleSearch(view);
}

int commandKeyDown(View& view, int key, int modifiers) {
    const bool shift = (modifiers & kModShift) != 0;
    const bool control = (modifiers & kModControl) != 0;
    switch (key) {
        case kKeyTab:
            if (!control) return 1;
            cycleTabSize(view, shift);
            return 0;
        case kKeyF1:
            if (control) {
                openHelp(view);
                return 0;
            }
            if (shift) {
                if (view.frame) view.frame->frameCommand(kFrameToggleMaximizeCommand);
            } else {
                toggleMaximized(view);
            }
            return 0;
        case kKeyF2:
            // SHIFT and CONTROL cycle the result focus: a navigation key.
            if (shift || control || !view.frame) return 1;
            view.frame->toggleTiling();
            return 0;
        case kKeyLeft:
        case kKeyRight:
            if (!control || !view.frame) return 1;
            view.frame->cycleViews(key == kKeyLeft ? -1 : 1);
            return 0;
        case kKeyF4:
            if (shift && !control) {
                view.search.toggleSequence();
                scheduleSearch(view);
                return 0;
            }
            if (control) {
                view.search.toggleOperators();
                scheduleSearch(view);
                return 0;
            }
            return 1;
        case kKeyInsert:
            if (!control) return 1;
            copyCommand(view, shift);
            return 0;
        case kKeyF7:
            if (control || shift) return 1;
            toggleCaseSearch(view);
            return 0;
        default:
            return 1;
    }
}

int commandChar(View& view, uint8_t ch, int modifiers) {
    const bool shift = (modifiers & kModShift) != 0;
    if (ch == controlChar('P')) {
        if (shift) {
            applyPowerSettings(view);
        } else {
            changeSearchDelay(view);
        }
        return 0;
    }
    if (ch == controlChar('B') && !shift) {
        toggleBlockRadar(view);
        return 0;
    }
    if (ch == controlChar('C')) {
        copyCommand(view, shift);
        return 0;
    }
    if (ch == controlChar('S')) {
        saveConfigCommand(shift);
        return 0;
    }
    return 1;
}

}  // namespace tessel
