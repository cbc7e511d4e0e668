#include "app/edit_glue.h"

#include <string>

#include "app/live_reload.h"
#include "editor/edit_host.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "platform/platform.h"
#include "view/frame_layout.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {
namespace {

BoxButtons boxButtonsOf(EditButtons buttons) {
    switch (buttons) {
        case EditButtons::kOk:
            return BoxButtons::ok;
        case EditButtons::kOkCancel:
            return BoxButtons::okCancel;
        case EditButtons::kYesNo:
            return BoxButtons::yesNo;
        case EditButtons::kYesNoCancel:
            break;
    }
    return BoxButtons::yesNoCancel;
}

EditAnswer editAnswerOf(BoxAnswer answer) {
    switch (answer) {
        case BoxAnswer::ok:
            return EditAnswer::kOk;
        case BoxAnswer::yes:
            return EditAnswer::kYes;
        case BoxAnswer::no:
            return EditAnswer::kNo;
        case BoxAnswer::cancel:
            break;
    }
    return EditAnswer::kCancel;
}

class DesktopEditHost : public EditHost {
  public:
    EditAnswer ask(std::string_view title, std::string_view text, EditButtons buttons) override {
        return editAnswerOf(messageBox(title, text, boxButtonsOf(buttons)));
    }

    int chooseSavePath(std::string_view proposedName, std::string& chosen) override {
        return saveFileDialog("Save As", std::string(proposedName), "All files (*)", chosen);
    }

    std::string clipboardText() override { return tessel::clipboardText(); }
    void setClipboardText(std::string_view text) override { tessel::setClipboardText(text); }

    // Any view may show the text (another view edits it, or shows the lines after it).
    void textChanged() override {
        for (auto& view : frameLayout().views) {
            if (!view) continue;
            view->screen.valid = false;
            if (view->host) view->host->refresh();
        }
    }
};

}  // namespace

void installEditHost() {
    static DesktopEditHost host;
    editing().host = &host;
    // The reload scan reads a file again only where no unsaved edit would be lost.
    LiveHooks& hooks = liveHooks();
    hooks.unsavedEdits = [] { return openEditorCount() > 0 && changedTextCount() > 0; };
    hooks.resolveEditors = [] { return openEditorCount() == 0 || commitAllEdits() == 0; };
    hooks.editState = [](TextBlock& block) { return releaseUnchangedEdit(block); };
}

bool resolveEditorsBeforeLoad() {
    if (askBeforeDrop() != 0) return false;
    // Nothing is modified any more: closing writes nothing, and parked editors let go.
    for (auto& view : frameLayout().views) {
        if (!view) continue;
        if (view->editor && closeAndSave(view->edit) != 0) return false;
        view->edit.parked.reset();
        view->screen.valid = false;
    }
    return true;
}

bool editsAllowExit() {
    return askSaveChanges() == 0;
}

}  // namespace tessel
