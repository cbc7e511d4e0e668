// User controls (action buttons, scope buttons, hotkeys and bookmark-script entries) and the
// scripts they run. Both live in the variable store of the setting store, 50 slots each,
// which the configuration file's <QVControls> and <QVScripts> sections fill and save.
//
// A control names its script by id ("script=") and passes it a parameter text; running it
// splits the parameters and hands the script text to the script runner. Afterwards it is
// remembered as the recent control of its kind, which "run-recent-..." runs again.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "config/script_host.h"

namespace tessel {

struct ConfigHooks;

enum ControlType {
    kControlAction = 1,
    kControlScope = 2,
    kControlHotkey = 3,
    kControlBookmarkScript = 4,
};

struct UserControl {
    std::string type;  // "1" ... "4"; empty: the slot is free
    std::string parms;
    std::string views;
    std::string script;  // the id of the script it runs
    std::string title;   // caption, key combination or bookmark list label
};

struct UserScript {
    std::string id;
    std::string text;   // lines separated by CR LF
    std::string count;  // decimal usage counter
};

UserControl userControl(int slot);
void setUserControl(int slot, const UserControl& control);
UserScript userScript(int slot);
void setUserScript(int slot, const UserScript& script);

// Slots: the script with this id, the hotkey control for this key name, the first free ones;
// -1 when there is none.
int findScript(std::string_view id);
int findHotkeyControl(std::string_view keyName);
int freeControlSlot();
int freeScriptSlot();

// The ControlType of a control's type text; 0 for a free slot or an unknown type.
int controlTypeNumber(std::string_view type);
// "action button", "scope button", "hotkey", "bookmark script"; "" for other types.
const char* controlTypeDisplayName(std::string_view type);

// Marks controls whose type and title equal another's (after every configuration read).
void markDuplicateControls();
bool isDuplicateControl(int slot);

// Runs control slot (0 ... 49). 0 done, 1 stopped, 9 refused or failed (reported).
int runControl(int slot, ScriptHost& host);
// Runs a script text with a parameter text, as a control would.
int runScriptWithParameters(std::string_view scriptText, std::string_view parameterText,
                            ScriptHost& host);

// "run-recent-KIND" (hotkey, bmscript, userbutton, action) from inside a script. error names
// why nothing ran; otherwise the result of the run.
int runRecentControl(std::string_view kind, bool nested, ScriptHost& host, std::string& error);
// Forgets the recent controls (a new configuration, tests).
void clearRecentControls();

// A pressed key offered to the user's bindings before the view's own keys: the hotkey
// control for the name, else its "on key" line. 0 when one ran, 1 when the key is not bound
// or user keys are off.
int dispatchUserKey(std::string_view keyName, ScriptHost& host);

// Turns the "on key" lines of the configuration into hotkey controls with their scripts.
// Returns how many were taken over.
int takeOverOnKeys();
// Offers that through the question "Import old 'on key' as hotkeys?" when there are "on key"
// lines; the number taken over.
int offerOnKeyTakeOver(const std::function<bool(const char* title, const char* text)>& askYesNo);

// Connects the configuration reader to the languages, the "on" lines and the duplicate
// marking of user controls.
void installUserFeatureHooks(ConfigHooks& hooks);

}  // namespace tessel
