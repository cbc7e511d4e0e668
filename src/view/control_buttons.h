// The user's action and scope buttons: a row of captioned buttons across the top of a view,
// in the band that assistance mode keeps free above the text. A click on one runs its
// control as its hotkey would; the application connects the run (it owns the script host).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace tessel {

class Painter;
class Font;
class View;

struct ControlButtonShape {
    int control = -1;  // the control slot, 0 ... 49
    int type = 0;      // kControlAction or kControlScope
    std::string caption;
    Rect box;
};

// Runs a control for a view: 0 done, 1 stopped, 9 refused or failed (reported). The menu
// of the user's controls opens on a right click on the band, `control` being the button under
// the pointer or -1.
struct ControlButtonHooks {
    std::function<int(View& view, int control, int modifiers)> runControl;
    std::function<void(View& view, int control)> openMenu;
};
ControlButtonHooks& controlButtonHooks();

// The buttons of the configured controls in slot order, as many as fit beside the sidebar;
// empty outside assistance mode.
std::vector<ControlButtonShape> controlButtonLayout(const View& view);
// The control of the button under a point, -1 when there is none.
int controlButtonAt(const View& view, int x, int y);
// Whether a point lies on the band the buttons sit in (assistance mode only).
bool onControlBand(const View& view, int x, int y);
// A press on the band: 0 taken (a left click on a button runs its control, a right click
// anywhere on the band opens the controls menu), 1 not on the band or not for it.
int controlButtonPress(View& view, int button, int x, int y, int modifiers);

void drawControlButtons(Painter& painter, const std::vector<ControlButtonShape>& buttons,
                        const Font& font);

}  // namespace tessel
