// The editor's host on the desktop: its questions are message boxes, "Save As" is the
// platform's file dialog, the clipboard is the desktop's, and a change of edit text repaints
// the views. In batch runs the boxes and the dialog take the script's answers.
#pragma once

namespace tessel {

// Makes this host the editor's (once, after the first view exists).
void installEditHost();

// Before a load replaces the text: unsaved changes are saved or dropped as the user answers,
// then every editor closes. False when the user cancelled (the load does not start).
bool resolveEditorsBeforeLoad();

// Before the program ends: asks to save unsaved changes. False when the user cancelled.
bool editsAllowExit();

}  // namespace tessel
