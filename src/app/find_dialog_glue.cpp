#include "app/find_dialog_glue.h"

#include <string>

#include "app/view_windows.h"
#include "base/log/message_log.h"
#include "editor/edit_find.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "platform/find_dialog.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_editing.h"
#include "view/view_input.h"
#include "view/view_keys.h"

namespace tessel {
namespace {

View*& dialogView() {
    static View* view = nullptr;
    return view;
}

void switchResultsOnly(View& view, bool on) {
    const bool filtered = view.filterMode != FilterMode::kFullText;
    if (on && !filtered) toggleFilter(view, 1);
    if (!on && filtered) leaveFilter(view, false);
}

// The last direction the dialog searched in, for its replace button.
bool& searchedBackwards() {
    static bool backwards = false;
    return backwards;
}

// The dialog's editor form: the second text is the replacement, previous and next find by the
// find mask, replace repeats the recent edit. False when the action is the viewer's.
bool actInEditor(View& view, FindDialogAction action, const FindDialogState& state) {
    Editor* editor = view.editor.get();
    if (!editor) return false;
    switch (action) {
        case FindDialogAction::kSecondText:
            editing().recent.replacement = state.secondText.substr(0, kRecentPhraseBytes);
            return true;
        case FindDialogAction::kPrevious:
        case FindDialogAction::kNext: {
            const bool backwards = action == FindDialogAction::kPrevious;
            searchedBackwards() = backwards;
            logMessage("[blue] skip to %s %s", backwards ? "prev" : "next", view.search.findMask);
            setFindDialogHint(editor->findNext(backwards, 2) ? "" : "no further hits");
            refreshEditingViews(view);
            return true;
        }
        case FindDialogAction::kReplace:
            replace(view.edit, searchedBackwards(), keyDown(kKeyShift), false);
            refreshViewsAfterStoreChange(view);
            return true;
        default:
            return false;
    }
}

void act(FindDialogAction action, const FindDialogState& state) {
    View* view = dialogView();
    if (!view) return;
    if (actInEditor(*view, action, state)) {
        redrawViewWindow(*view);
        return;
    }
    switch (action) {
        case FindDialogAction::kFindText:
            setMaskText(*view, view->input, MaskFocus::kFind, state.findText);
            if (state.resultsOnly) switchResultsOnly(*view, true);
            break;
        case FindDialogAction::kSecondText:
            setMaskText(*view, view->input, MaskFocus::kPath, state.secondText);
            break;
        case FindDialogAction::kPrevious:
            viewKeyDown(*view, kKeyF3, kModShift);
            break;
        case FindDialogAction::kNext:
            viewKeyDown(*view, kKeyF3, 0);
            break;
        case FindDialogAction::kResultsOnly:
            switchResultsOnly(*view, state.resultsOnly);
            break;
        case FindDialogAction::kCase:
            if (view->search.caseSensitive != state.caseSensitive) {
                view->search.caseSensitive = state.caseSensitive;
                logMessage("[blue] %s", state.caseSensitive ? "case" : "nocase");
                scheduleSearch(*view);
            }
            break;
        case FindDialogAction::kReplace:
            break;  // only an editor offers replace
        case FindDialogAction::kClosed:
            dialogView() = nullptr;
            focusViewWindow(*view);
            return;
    }
    redrawViewWindow(*view);
}

}  // namespace

void openViewFindDialog(View& view) {
    dialogView() = &view;
    FindDialogSpec dialog;
    const bool sameTitle = view.frame && view.frame->sameTitle;
    dialog.editor = view.editor != nullptr;
    dialog.title = view.title(sameTitle) + (dialog.editor ? " Find And Replace" : " Find");
    dialog.findText = view.search.findMask;
    dialog.secondText = dialog.editor ? editing().recent.replacement : view.search.pathMask;
    dialog.resultsOnly = view.filterMode == FilterMode::kFiltered;
    dialog.caseSensitive = view.search.caseSensitive;
    showFindDialog(dialog, act);
}

void viewFindDialogGone(View& view) {
    if (dialogView() != &view) return;
    dialogView() = nullptr;
    closeFindDialog();
}

}  // namespace tessel
