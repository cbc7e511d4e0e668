#include "view/view_keys.h"

#include "platform/key_codes.h"
#include "view/bookmark_commands.h"
#include "view/display_keys.h"
#include "view/filter_view.h"
#include "view/navigation.h"
#include "view/user_keys.h"
#include "view/view.h"
#include "view/view_commands.h"
#include "view/view_scroll.h"

namespace tessel {

int effectiveModifiers(int modifiers) {
    if (modifiers & kModAlt) modifiers &= ~kModControl;
    return modifiers;
}

int viewKeyDown(View& view, int key, int modifiers) {
    // The user's bindings come first, and see CONTROL also with ALT ("alt+ctrl+x").
    if (userKeyDown(view, key, modifiers) == 0) return 0;
    modifiers = effectiveModifiers(modifiers);
    noteAssistKey(view, key, modifiers);
    if (bookmarkKeyDown(view, key, modifiers) == 0) return 0;
    if (displayKeyDown(view, key, modifiers) == 0) return 0;
    if (commandKeyDown(view, key, modifiers) == 0) return 0;
    if (scrollKeyDown(view, key, modifiers) == 0) return 0;
    if (filterKeyDown(view, key, modifiers) == 0) return 0;
    if (navigationKeyDown(view, key, modifiers) == 0) return 0;
    return 1;
}

int viewKeyUp(View& view, int key, int modifiers) {
    if (userKeyUp(view, key, modifiers) == 0) return 0;
    modifiers = effectiveModifiers(modifiers);
    if (navigationKeyUp(view, key, modifiers) == 0) return 0;
    return 1;
}

int viewChar(View& view, uint8_t ch, int modifiers) {
    modifiers = effectiveModifiers(modifiers);
    if (bookmarkChar(view, ch, modifiers) == 0) return 0;
    if (displayChar(view, ch, modifiers) == 0) return 0;
    if (commandChar(view, ch, modifiers) == 0) return 0;
    if (filterChar(view, ch, modifiers) == 0) return 0;
    if (navigationChar(view, ch, modifiers) == 0) return 0;
    return 1;
}

}  // namespace tessel
