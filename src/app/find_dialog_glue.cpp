#include "app/find_dialog_glue.h"

#include <string>

#include "app/view_windows.h"
#include "base/log/message_log.h"
#include "platform/find_dialog.h"
#include "platform/key_codes.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/view.h"
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

void act(FindDialogAction action, const FindDialogState& state) {
    View* view = dialogView();
    if (!view) return;
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
    FindDialogSpec spec;
    const bool sameTitle = view.frame && view.frame->sameTitle;
    spec.title = view.title(sameTitle) + " Find";
    spec.findText = view.search.findMask;
    spec.secondText = view.search.pathMask;
    spec.resultsOnly = view.filterMode == FilterMode::kFiltered;
    spec.caseSensitive = view.search.caseSensitive;
    showFindDialog(spec, act);
}

void viewFindDialogGone(View& view) {
    if (dialogView() != &view) return;
    dialogView() = nullptr;
    closeFindDialog();
}

}  // namespace tessel
