// The navigation and highlight keys of the view's key table.
#include <cstdio>

#include "config/app_settings.h"
#include "platform/key_codes.h"
#include "base/log/message_log.h"
#include "view/navigation.h"
#include "view/view.h"
#include "view/word_highlights.h"

namespace tessel {
namespace {

constexpr int kDefaultAutoResetMs = 3000;

bool plain(int modifiers) {
    return (modifiers & (kModShift | kModControl)) == 0;
}

// PAUSE: automatic reset of the find mask on or off.
void toggleAutoReset(View& view) {
    SearchSettings& settings = view.search.settings;
    if (settings.autoResetFindMs > 0) {
        settings.autoResetFindMs = 0;
        showStatusInfo("auto reset of findmask is off.");
        return;
    }
    const int configured = appSettings().autoResetFindMs;
    settings.autoResetFindMs = configured > 0 ? configured : kDefaultAutoResetMs;
    char text[80];
    std::snprintf(text, sizeof text, "%ld seconds auto reset of findmask",
                  static_cast<long>(settings.autoResetFindMs / 1000));
    showStatusInfo(text);
}

// A CONTROL press: the second one soon after the first marks the word under the mouse. Key
// repeat while CONTROL is held is not a second press.
int controlDown(View& view, int modifiers) {
    NavigationState& state = view.nav;
    if (modifiers & kModAlt) {
        state.lastControlMs = 0;
        return 1;
    }
    if (state.controlHeld) return 1;
    state.controlHeld = true;
    const int64_t now = tickMs();
    if (state.lastControlMs != 0 && now - state.lastControlMs <= kDoubleControlMs) {
        state.lastControlMs = 0;
        highlightWordAt(view, state.lastMouseRow, state.lastMouseColumn,
                        (modifiers & kModShift) != 0);
        return 0;
    }
    state.lastControlMs = now;
    return 1;
}

}  // namespace

int navigationKeyDown(View& view, int key, int modifiers) {
    if (key == kKeyControl) return controlDown(view, modifiers);
    // Any other key between two CONTROL presses makes them a shortcut, not the gesture.
    if (key != kKeyShift) view.nav.lastControlMs = 0;
    const bool control = (modifiers & kModControl) != 0;
    const bool shift = (modifiers & kModShift) != 0;
    switch (key) {
        case kKeyF1 + 2:
            if (plain(modifiers)) {
                nextResult(view);
            } else {
                prevResult(view);
            }
            return 0;
        case kKeyF1 + 1:
            if (!shift && !control) return 1;
            cycleResultFocus(view);
            return 0;
        case kKeyUp:
        case kKeyDown:
            if (!control || !appSettings().jumpResultsByCtrlCursor) return 1;
            if (key == kKeyUp) {
                prevResult(view);
            } else {
                nextResult(view);
            }
            return 0;
        case kKeyPause:
            toggleAutoReset(view);
            return 0;
        default:
            return 1;
    }
}

int navigationKeyUp(View& view, int key, int /*modifiers*/) {
    if (key == kKeyControl) view.nav.controlHeld = false;
    if (key == kKeyEnd) view.nav.fileEndPresses = 0;
    return 1;
}

int navigationChar(View& view, uint8_t ch, int modifiers) {
    view.nav.lastControlMs = 0;
    // CONTROL+M arrives as the same character as RETURN: only CONTROL makes it a command.
    if ((modifiers & kModControl) == 0) return 1;
    const bool shift = (modifiers & kModShift) != 0;
    switch (ch) {
        case 'G' - 0x40:
            if (shift) return 1;
            openReferenceAtMouse(view);
            return 0;
        case 'M' - 0x40:
            clearPath(view);
            return 0;
        case 'N' - 0x40:
            narrowToFile(view, !shift);
            return 0;
        case 'U' - 0x40:
            pathUp(view);
            return 0;
        case 'X' - 0x40:
            showInNearbyView(view);
            return 0;
        case 'Y' - 0x40:
            historyForward(view);
            return 0;
        case 'Z' - 0x40:
            historyBack(view);
            return 0;
        default:
            return 1;
    }
}

}  // namespace tessel
