// The window side of clipboard text: the clip loader's callbacks, the clipboard watcher for
// the automation, the view searches with "$clipline", and the clip control (a menu titled
// "Tessel Clipboard Control" with the clip dialog's buttons and check boxes).
#pragma once

#include <string>
#include <vector>

namespace tessel {

inline constexpr char kClipControlTitle[] = "Tessel Clipboard Control";

// Connects the clip loader to the window and watches the clipboard when automation is on.
void installLiveClip();
void uninstallLiveClip();

// The load menu's clipboard entries. 0 done, else the loader's result.
int loadClipFromMenu(bool append);
int loadClipListFromMenu(bool append);
// Opens the clip control; its choice runs at once.
int openClipControl();

// The entries the clipboard's file names add to the load menu ("open %ld clip URLs"), empty
// while it holds none; and running entry `index` of them.
std::vector<std::string> offeredClipEntries();
int runOfferedClipEntry(int index);

}  // namespace tessel
