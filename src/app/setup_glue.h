// The program's setup dialog: the page model of the setting table (config/setup_model.h) shown
// in the platform's dialog, and what each row does when it changes or is pressed — the
// configuration file buttons, the bookmark buttons, the fonts, the load options and the block
// context rules, which are compiled as they are typed. Closing the dialog saves the changed
// settings and then runs what the configuration page left to do (edit the file, create one at
// a chosen place).
#pragma once

#include <string>
#include <string_view>

namespace tessel {

// The page of the load settings, which the load menu's "configure" entry opens.
inline constexpr int kSetupWorkPage = 2;

// Opens the dialog on `page` (1 ... 8; 0: the page used last). 0 opened; 1 when it is open
// already, which "Setup dialog is already open." tells the user; 9 without a window system.
int openSetupDialog(int page = 0);
bool setupDialogIsOpen();

// Scripted runs drive the open dialog as a user would: a row of another page first brings
// its page up. 0 done; 9 with the reason in `error`.
int setupShowPage(int page, std::string& error);
int setupSetValue(int id, std::string_view value, std::string& error);
int setupClick(int id, int modifiers, std::string& error);
int setupClose(std::string& error);
// The page shown: "=== setup page=N NAME", one "S|id|kind|caption|value|enabled" line a row,
// "=== end"; empty when the dialog is closed.
std::string setupDump();

// The connections the dialog's actions need: the configuration's questions in message
// boxes, the bookmarks' dialogs and the sidebar's setup button. Called once at start-up.
void installSetupHooks();

}  // namespace tessel
