#include "view/user_keys.h"

#include <utility>

#include "config/hotkeys.h"
#include "platform/key_codes.h"

namespace tessel {
namespace {

struct UserKeyState {
    UserKeyHandler handler;
    // The view whose next character belongs to the key a binding took.
    const View* charOwner = nullptr;
};

UserKeyState& userKeyState() {
    static UserKeyState state;
    return state;
}

// The key table name of a key without modifiers; empty when the table has none.
std::string baseKeyName(int key, bool down) {
    if (key >= kKeyA && key < kKeyA + 26)
        return std::string(1, static_cast<char>('a' + key - kKeyA));
    if (key >= kKey0 && key < kKey0 + 10) return std::string(1, static_cast<char>(key));
    if (key >= kKeyF5 && key <= kKeyF12) return "f" + std::to_string(key - kKeyF1 + 1);
    if (key >= kKeyNumpad0 && key < kKeyNumpad0 + 10) {
        return "num" + std::to_string(key - kKeyNumpad0) + (down ? "down" : "up");
    }
    return {};
}

std::string withModifiers(int modifiers, std::string_view base) {
    return userKeyName((modifiers & kModAlt) != 0, (modifiers & kModControl) != 0,
                       (modifiers & kModShift) != 0, base);
}

// ownsNextChar: the key types a character after its press, which then is the binding's too.
int offerName(View& view, const std::string& name, int modifiers, bool ownsNextChar) {
    UserKeyState& state = userKeyState();
    if (!state.handler || name.empty()) return 1;
    if (state.handler(view, name, modifiers) != 0) return 1;
    if (ownsNextChar) state.charOwner = &view;
    return 0;
}

int offer(View& view, int key, int modifiers, bool down) {
    return offerName(view, userKeyNameOf(key, modifiers, down), modifiers, down);
}

}  // namespace

void setUserKeyHandler(UserKeyHandler handler) {
    userKeyState().handler = std::move(handler);
}

std::string userKeyNameOf(int key, int modifiers, bool down) {
    const std::string base = baseKeyName(key, down);
    if (base.empty()) return {};
    const bool typesText = base.size() == 1 && (modifiers & (kModAlt | kModControl)) == 0;
    if (typesText) return {};
    return withModifiers(modifiers, base);
}

std::string userButtonNameOf(int button, int modifiers, bool down) {
    const char* suffix = down ? "down" : "up";
    switch (button) {
        case kMouseMiddle:
            return withModifiers(modifiers, std::string("mbutton") + suffix);
        case kMouseBack:
            return withModifiers(modifiers, std::string("xbutton1") + suffix);
        case kMouseForward:
            return withModifiers(modifiers, std::string("xbutton2") + suffix);
        default:
            return {};
    }
}

int userButtonDown(View& view, int button, int modifiers) {
    return offerName(view, userButtonNameOf(button, modifiers, true), modifiers, false);
}

int userButtonUp(View& view, int button, int modifiers) {
    return offerName(view, userButtonNameOf(button, modifiers, false), modifiers, false);
}

int userKeyDown(View& view, int key, int modifiers) {
    // The keypad's releases have names of their own; its presses are bound as "numNdown".
    return offer(view, key, modifiers, true);
}

int userKeyUp(View& view, int key, int modifiers) {
    if (key < kKeyNumpad0 || key >= kKeyNumpad0 + 10) return 1;
    return offer(view, key, modifiers, false);
}

void forgetUserKeyChar() {
    userKeyState().charOwner = nullptr;
}

bool takeUserKeyChar(const View& view) {
    UserKeyState& state = userKeyState();
    if (state.charOwner != &view) return false;
    state.charOwner = nullptr;
    return true;
}

}  // namespace tessel
