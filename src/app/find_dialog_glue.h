// The viewer side of the find dialog: CONTROL+F opens it for a view; what the user does in it
// sets that view's masks, steps through its results and switches its filtered view.
#pragma once

namespace tessel {

class View;

// Opens the dialog for the view, or moves the open one to it.
void openViewFindDialog(View& view);
// The view is going away: a dialog that serves it closes.
void viewFindDialogGone(View& view);

}  // namespace tessel
