// The modal setup dialog: a row of page buttons, the controls of one page and the page's
// information field. It shows what the caller describes and reports what the user does; what
// a page holds and what a change means is the caller's. The dialog is modal for the rest of
// the program, but opening it returns at once: the caller learns of its end by the kClosed
// report. One dialog exists at a time.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tessel {

enum class SetupControlKind : int {
    kHeading,  // static text
    kText,
    kCheck,
    kNumber,
    kButton,
    kList,  // read-only text
    kInfo,  // the information field
};

struct SetupControl {
    int id = 0;
    SetupControlKind kind = SetupControlKind::kHeading;
    std::string caption;  // code-page bytes
    std::string value;    // text, "0"/"1" for a check box, a decimal number
    bool enabled = true;
    int maxLength = 0;  // text controls: the most characters they give, 0 for no limit
};

struct SetupDialogSpec {
    std::string title;
    std::vector<std::string> pages;  // the page buttons' captions
    int page = 1;                    // 1-based
    std::vector<SetupControl> controls;
};

enum class SetupDialogEvent : int {
    kPage,   // a page button: page
    kText,   // a text or number control changed: id, text
    kCheck,  // a check box: id, checked
    kClick,  // a button: id, modifiers (Modifier flags held at the click)
    kHover,  // the pointer moved over control id (0: over none)
    kClosed,
};

struct SetupDialogInput {
    SetupDialogEvent event = SetupDialogEvent::kHover;
    int id = 0;
    int page = 0;
    std::string text;
    bool checked = false;
    int modifiers = 0;
};

using SetupDialogHandler = std::function<void(const SetupDialogInput& input)>;

// Opens the dialog on spec.page. The handler may refill or close the dialog.
void showSetupDialog(const SetupDialogSpec& spec, SetupDialogHandler handler);
// Shows another page (or the same one anew) with these controls.
void fillSetupPage(int page, const std::vector<SetupControl>& controls);
// Gives one control of the page shown a new caption, value or state.
void updateSetupControl(const SetupControl& control);
void closeSetupDialog();
bool setupDialogOpen();
// A picture of the open dialog, as PlatformWindow::saveShot takes one. 0 written, 1 no
// dialog open, 9 failure (logged).
int saveSetupDialogShot(const std::string& path, int width = 0);
// Acts as if the user did it (scripted runs): types a text, sets a check box, presses a page
// or other button, or closes. 0 done, 1 no dialog open, 2 no such control on the page.
int driveSetupDialog(const SetupDialogInput& input);

}  // namespace tessel
