// Loading from the window: the load menu and its dialogs, dropped items, ESCAPE to stop a
// load or to leave the program, and the callbacks through which the load driver keeps the
// window alive while the loader thread runs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "load/load_driver.h"

namespace tessel {

class View;

enum class LoadMenuAction : int {
    kLoadFolder,
    kLoadFile,
    kLoadClip,
    kLoadClipList,
    kAppendFolder,
    kAppendFile,
    kAppendClip,
    kAppendClipList,
    kConfigure,
    kFollowFile,
    kClipControl,
};

struct LoadMenuEntry {
    const char* longLabel;
    const char* shortLabel;
    LoadMenuAction action;
};

inline constexpr std::array<LoadMenuEntry, 11> kLoadMenu{{
    {"load all text from a folder", "load folder", LoadMenuAction::kLoadFolder},
    {"load text from a single file", "load file", LoadMenuAction::kLoadFile},
    {"load clipboard content", "load clip", LoadMenuAction::kLoadClip},
    {"load from clipboard list", "load c/list", LoadMenuAction::kLoadClipList},
    {"append text from folder", "append folder", LoadMenuAction::kAppendFolder},
    {"append text from a file", "append file", LoadMenuAction::kAppendFile},
    {"append clipboard content", "append clip", LoadMenuAction::kAppendClip},
    {"append from clipboard list", "append c/list", LoadMenuAction::kAppendClipList},
    {"configure loading filters and options", "filters and options", LoadMenuAction::kConfigure},
    {"follow the current file as it grows", "follow file", LoadMenuAction::kFollowFile},
    {"clipboard control", "clip control", LoadMenuAction::kClipControl},
}};

inline constexpr char kLoadFolderTitle[] =
    "Select a directory, or a single file. If you cannot select files, press ESCAPE then click "
    "on Open / Load text from a single file.";
inline constexpr char kAppendFolderTitle[] = "Add text file(s) from:";
inline constexpr char kLoadFileTitle[] = "Load text from a single file.";
inline constexpr char kAppendFileTitle[] = "Add text from a single file.";
const char* loadDialogTitle(bool append, bool singleFile);

inline constexpr char kEscapeCloseDisabled[] = "close app on escape is disabled.";
inline constexpr char kEscapeSetupOpen[] = "#close the setup dialog first.";

// The callbacks for loads started from the window: dialogs, the frame's views, status texts,
// pumping and repainting, the ESCAPE key state and questions in message boxes.
LoadCallbacks windowLoadCallbacks();
// Makes the driver ready for a load from the window: its callbacks, and the load show when
// "loadshow" is on.
void prepareWindowLoad(LoadDriver& driver);

// One entry of the load menu. The result of the load, 1 when nothing was loaded.
int runLoadMenuAction(LoadDriver& driver, LoadMenuAction action);
// The load menu at the pointer (long labels); the chosen entry runs. 1 when cancelled.
int openLoadMenu(LoadDriver& driver);

// The keys of loading, asked before the mask rows and the key table: ESCAPE (stop a load, or
// leave the program when it is released), CONTROL+O (the load menu). While a load runs every
// key is taken here, because nothing may read the store meanwhile. 0 taken, 1 not ours.
int loadKeyDown(View& view, int key, int modifiers);
int loadKeyUp(View& view, int key, int modifiers);
int loadChar(View& view, uint8_t ch, int modifiers);

// The view's exit operation: ends the program, unless a user command still runs, the setup
// dialog is open ("close the setup dialog first.") or closing by ESCAPE is switched off
// ("close app on escape is disabled."). 0 closing, 1 refused.
int exitByEscape(View& view);

// A drop on a view: collects the items (true when the drop timer must be armed).
bool takeDrop(const std::vector<std::string>& paths, int modifiers);
// The drop timer expired: loads the collected items. 1 when there was nothing to load.
int dropTimerExpired(LoadDriver& driver);

}  // namespace tessel
