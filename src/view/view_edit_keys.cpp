// The key table of a view while it edits. Keys that move, type, select and find go to the
// editor; the view's own keys for tiling, views, case and tab size stay with the view; the
// filtered view waits until editing ends. Characters are typed, except CONTROL with a letter,
// which arrives as its control character and is a command here.
#include <algorithm>
#include <string>

#include "base/log/message_log.h"
#include "editor/edit_find.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "platform/key_codes.h"
#include "view/display_keys.h"
#include "view/view.h"
#include "view/view_editing.h"
#include "view/view_window.h"

namespace tessel {
namespace {

// The cursor keeps this many columns to the edge when the text scrolls sideways for it.
constexpr int kCursorColumnMargin = 10;

constexpr uint8_t controlChar(char letter) {
    return static_cast<uint8_t>(letter - 'A' + 1);
}

// Scrolls sideways so that the cursor's column is on the screen.
void keepCursorInColumns(View& view) {
    Editor* editor = view.editor.get();
    if (!editor || !editor->data) return;
    const int columns = std::max(view.columns, 1);
    int& scroll = view.display.scrollColumn;
    const int column = editor->screenColumn(editor->cursorColumn) + scroll;
    if (column < scroll) scroll = std::max(column - kCursorColumnMargin, 0);
    if (column >= scroll + columns) scroll = column - columns + kCursorColumnMargin;
}

// After a key that changed the text or the cursor: the views that show it repaint.
int edited(View& view) {
    keepCursorInColumns(view);
    refreshEditingViews(view);
    return 0;
}

// After a key that may have put text into the store or ended editing.
int sessionChanged(View& view) {
    checkLockAccounting();
    keepCursorInColumns(view);
    refreshViewsAfterStoreChange(view);
    return 0;
}

int moveKey(View& view, EditMove movement, bool shift) {
    view.editor->move(movement, shift);
    return edited(view);
}

constexpr int altLetter(char letter) {
    return kKeyA + (letter - 'A');
}

// Dropping the changes cannot be undone, so a changed text asks first.
int discardKey(View& view) {
    Editor* editor = view.editor.get();
    if (editor && editor->data && editor->data->modified && editor->block()) {
        EditHost* host = editing().host;
        std::string question =
            std::string("Drop the unsaved changes of\n") + editor->block()->fileName + "?\n";
        if (!host ||
            host->ask("Discard text changes?", question, EditButtons::kYesNo) != EditAnswer::kYes) {
            return 0;
        }
    }
    discardAndClose(view.edit);
    return sessionChanged(view);
}

// The commands on texts as a whole: F9 starts a new untitled text and ALT+N edits the next
// changed text, with or without an editor; in an editor ALT+U reverts (with SHIFT only this
// text), ALT+L switches the line ends and ALT+Q closes without saving. 1 for other keys.
int textCommandKey(View& view, int key, int modifiers) {
    const bool alt = (modifiers & kModAlt) != 0 && (modifiers & kModControl) == 0;
    const bool shift = (modifiers & kModShift) != 0;
    if (key == kKeyF9 && (modifiers & (kModAlt | kModControl)) == 0) {
        newText(view.edit);
        return sessionChanged(view);
    }
    if (!alt) return 1;
    if (key == altLetter('N')) {
        if (!view.editor && changedTextCount() == 0) return 1;
        if (view.editor) {
            editNextChanged(view.edit);
        } else {
            editFirstChanged(view.edit);
        }
        return sessionChanged(view);
    }
    Editor* editor = view.editor.get();
    if (!editor) return 1;
    switch (key) {
        case altLetter('U'):
            saveOrRevertAll(1, true, shift ? editor->block() : nullptr, &view.edit);
            return sessionChanged(view);
        case altLetter('L'):
            toggleLineEnds(view.edit);
            return edited(view);
        case altLetter('Q'):
            return discardKey(view);
        default:
            return 1;
    }
}

}  // namespace

int editKeyDown(View& view, int key, int modifiers) {
    if (textCommandKey(view, key, modifiers) == 0) return 0;
    Editor* editor = view.editor.get();
    if (!editor) return 1;
    const bool shift = (modifiers & kModShift) != 0;
    const bool alt = (modifiers & kModAlt) != 0;
    // With ALT held CONTROL counts as up: ALT GR combinations type characters.
    const bool control = (modifiers & kModControl) != 0 && !alt;
    syncEditSettings();
    view.edit.blinkStartMs = tickMs();
    switch (key) {
        case kKeyLeft:
        case kKeyRight:
        case kKeyUp:
        case kKeyDown:
            // CONTROL cycles the views and steps through results, as without an editor.
            if (control) return 1;
            return moveKey(view,
                           key == kKeyLeft    ? EditMove::kLeft
                           : key == kKeyRight ? EditMove::kRight
                           : key == kKeyUp    ? EditMove::kUp
                                              : EditMove::kDown,
                           shift);
        case kKeyHome:
            return moveKey(view, control ? EditMove::kTextStart : EditMove::kLineStart, shift);
        case kKeyEnd:
            return moveKey(view, control ? EditMove::kTextEnd : EditMove::kLineEnd, shift);
        case kKeyPageUp:
            return moveKey(view, control ? EditMove::kTextStart : EditMove::kPageUp, shift);
        case kKeyPageDown:
            return moveKey(view, control ? EditMove::kTextEnd : EditMove::kPageDown, shift);
        case kKeyInsert:
            if (control) {
                editor->copySelection();
            } else if (shift) {
                editor->paste(false);
            } else {
                editor->toggleOverwrite();
            }
            return edited(view);
        case kKeyDelete:
            if (shift) {
                editor->cutSelection();
            } else {
                editor->keyDelete();
            }
            return edited(view);
        case kKeyBackspace:
            editor->keyBackspace();
            return edited(view);
        case kKeyReturn:
            // CONTROL+ENTER is no key of the editor.
            if (!control) editor->keyEnter(shift);
            return edited(view);
        case kKeyTab:
            if (control) return 1;  // the tab size
            editor->keyTab(shift);
            return edited(view);
        case kKeyEscape:
            closeEditor(view.edit);
            return sessionChanged(view);
        case kKeyF3:
            findKey(view.edit, shift || control);
            return sessionChanged(view);
        case kKeyF4:
        case kKeyF6:
            return 0;  // the filtered view and the file list wait until editing ends
        case kKeyF5:
            // The edits go into the store first; the view's reload then leaves the texts in
            // edit alone.
            commitAllEdits();
            sessionChanged(view);
            return 1;
        case kKeyA + ('R' - 'A'):
            if (!alt || (modifiers & kModControl)) return 1;
            replace(view.edit, false, shift, true);
            return sessionChanged(view);
        default:
            return 1;
    }
}

int editChar(View& view, uint8_t ch, int modifiers) {
    const bool alt = (modifiers & kModAlt) != 0;
    const bool control = (modifiers & kModControl) != 0 && !alt;
    const bool shift = (modifiers & kModShift) != 0;
    if (ch == controlChar('E') && control) {
        if (view.editor) {
            saveAllAndEndEdit(view.edit);
        } else if (!view.edit.parked || resumeEdit(view.edit) != 0) {
            return 1;
        }
        view.edit.blinkStartMs = tickMs();
        return sessionChanged(view);
    }
    Editor* editor = view.editor.get();
    if (!editor) return 1;
    view.edit.blinkStartMs = tickMs();
    if (ch < 0x20) {
        // ENTER, TAB, BACKSPACE and ESCAPE were handled as keys; their characters are not
        // typed again.
        if (!control) return 0;
        if (ch == controlChar('C')) {
            editor->copySelection();
        } else if (ch == controlChar('X')) {
            editor->cutSelection();
        } else if (ch == controlChar('V')) {
            editor->paste(shift);
        } else if (ch == controlChar('Z')) {
            editor->undo();
            editor->revealCursor();
        } else if (ch == controlChar('R')) {
            replace(view.edit, false, shift, false);
            return sessionChanged(view);
        } else if (ch == controlChar('S')) {
            if (shift) {
                saveTextAs(view.edit);
            } else {
                saveAllChanged(view.edit);
            }
            return sessionChanged(view);
        } else if (ch == controlChar('W')) {
            // The viewer's re-wrap, which says why it cannot run while a file is edited.
            rewrapText(view, shift);
            return 0;
        } else if (ch == controlChar('F')) {
            // The find dialog, in its editor form.
            if (viewWindowHooks().openFindDialog) viewWindowHooks().openFindDialog(view);
            return 0;
        }
        return edited(view);
    }
    // ALT with a letter is a command; ALT GR (ALT with CONTROL) types.
    if (alt && !(modifiers & kModControl)) return 0;
    editor->typeKey(static_cast<char>(ch));
    return edited(view);
}

}  // namespace tessel
