// The forms that add, change and remove the user's controls (action and scope buttons,
// hotkeys, bookmark scripts) and the scripts they call. They open from the menu a right click
// on the button band shows; what they store is saved to the configuration file at once when
// there is one.
#pragma once

namespace tessel {

class View;

// The controls menu; `control` is the button the click was on, -1 for the empty band.
void openControlMenu(View& view, int control);

// The forms: 0 stored (or removed), 1 cancelled. A refused entry is explained and the form
// opens again with what was typed.
int editControlDialog(int slot);
// type: kControlAction ... kControlBookmarkScript.
int newControlDialog(int type);
// slot -1: a new script.
int editScriptDialog(int slot);

// Connects the menu to the button band.
void installControlDialogs();

}  // namespace tessel
