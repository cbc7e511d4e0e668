// The small modeless find dialog: a find text, a second text (the path mask in the viewer,
// the replacement in an editor), previous and next, "results only", case, replace and close,
// and a hint line. It only shows the controls and reports what the user does; the caller
// decides what each action means. One dialog exists at a time.
#pragma once

#include <functional>
#include <string>

namespace tessel {

enum class FindDialogAction : int {
    kFindText,    // the find text changed
    kSecondText,  // the second text changed
    kPrevious,
    kNext,
    kResultsOnly,  // the results-only box changed
    kCase,         // the case box changed
    kReplace,
    kClosed,
};

struct FindDialogSpec {
    std::string title;
    std::string findText;
    std::string secondText;
    bool resultsOnly = false;
    bool caseSensitive = false;
    bool editor = false;  // shows replace and the editor's hints
};

struct FindDialogState {
    std::string findText;
    std::string secondText;
    bool resultsOnly = false;
    bool caseSensitive = false;
};

using FindDialogHandler =
    std::function<void(FindDialogAction action, const FindDialogState& state)>;

// Opens the dialog, or fills and raises the open one. Texts are code-page bytes.
void showFindDialog(const FindDialogSpec& spec, FindDialogHandler handler);
void closeFindDialog();
// The hint line under the controls ("no further hits").
void setFindDialogHint(const std::string& text);
// What the controls hold now (empty when no dialog is open).
FindDialogState findDialogState();
// Acts as if the user did it: sets a text or box and reports it, or presses a button.
// Batch runs and tests drive the dialog this way. 0 done, 1 no dialog open.
int driveFindDialog(FindDialogAction action, const std::string& text = {});

}  // namespace tessel
