// The sidebar: a column of picture buttons at the top right of a view for the commands a new
// user looks for first (load, find, filtered view, case). It shows while the pointer is in the
// view, or always with "sidebarpermanent"; "showsidebar" off hides it.
#pragma once

#include <functional>
#include <vector>

#include "platform/pictures.h"

namespace tessel {

class View;

enum class SidebarButton : int { kNone = 0, kLoad, kFind, kFilter, kCase, kSetup };

struct SidebarSlot {
    SidebarButton button = SidebarButton::kNone;
    int x = 0;
    int y = 0;
    int size = 0;
    PictureId picture = kPictureLoad;
    const char* tip = "";
};

inline constexpr int kSidebarButtonSize = 24;

// The commands the sidebar cannot reach from the view module; the application sets them.
struct SidebarHooks {
    std::function<void(View&)> openLoadMenu;
    std::function<void(View&)> openFindDialog;
    std::function<void(View&)> filterCommand;
    std::function<void(View&)> openSetup;
};
SidebarHooks& sidebarHooks();

bool sidebarShown(const View& view);
// The buttons and where they sit in the view's client area (empty when hidden or too small).
std::vector<SidebarSlot> sidebarLayout(const View& view);
// The bottom edge of the button column in a view large enough for it, whether it shows at the
// moment or not, so that what sits beside it need not move when it appears; 0 without one.
int sidebarColumnBottom(const View& view);
SidebarButton sidebarButtonAt(const View& view, int x, int y);
// A click on a button: load, find, filter, case (CONTROL: accents, SHIFT: punctuation) and
// setup.
// 0 handled, 1 no button there.
int sidebarClick(View& view, SidebarButton button, int modifiers);

}  // namespace tessel
