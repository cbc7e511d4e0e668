// Editing as the views see it: opening and closing editors, new untitled texts, committing
// edits into the text store, saving and reverting every changed file, and the questions
// asked before changes could be lost. The view's commands call these; questions and the
// "Save As" dialog go through the process-wide EditHost.
//
// Results: 0 done, 1 nothing to do or cancelled, 9 failure already reported, and the codes
// named at each function.
#pragma once

#include <vector>

#include "editor/edit_host.h"
#include "editor/recent_edit.h"

namespace tessel {

class EditData;
class TextStore;
struct TextBlock;

struct EditingState {
    EditHost* host = nullptr;
    TextStore* store = nullptr;  // the process-wide store unless a test sets its own
    std::vector<EditorView*> views;
    RecentEdit recent;
    int utf8Notices = 0;

    TextStore& textStore();
};
EditingState& editing();

// Opens an editor on the block (a double click: the cursor goes to the clicked place), or
// closes the open one (closeAndSave). 2 when the line lies beyond the text.
int toggleEdit(EditorView& view, TextBlock* block, int globalLine, int screenColumn);
int openEditor(EditorView& view, TextBlock& block, int globalLine, int screenColumn);
// A new untitled text ("// untitled", "// untitled.2", ...) with an editor on it.
int newText(EditorView& view);

// Ends editing in the view: writes a modified text (an untitled one asks "Save As" first),
// frees the editor and, when the text was ever modified, reloads the block from its file. A
// failed or cancelled write keeps the editor open with its changes.
int closeAndSave(EditorView& view);
// The same; "no active editor open." without one.
int closeEditor(EditorView& view);
// Drops the changes (the buffer is read again from the file) and closes.
int discardAndClose(EditorView& view);

// Puts the edited texts into the text store (searchable, still unsaved) and parks the view's
// editor, or the editors of all views.
int commitEdit(EditorView& view);
int commitAllEdits();
// CONTROL+E without an active editor: the parked editor continues. 1 without one.
int resumeEdit(EditorView& view);
// Commits and opens the next block with unsaved changes after the current one (wrapping);
// the first such block. 1 with "no further file to edit." when there is none.
int editNextChanged(EditorView& view);
int editFirstChanged(EditorView& view);
// CONTROL+S while editing: saves every changed text. CONTROL+E: the same, then the editor
// closes.
int saveAllChanged(EditorView& view);
int saveAllAndEndEdit(EditorView& view);
// Switches the text between LF-only and CR LF output.
int toggleLineEnds(EditorView& view);

// mode 0 saves, 1 or 2 revert (2 without the "Are you sure?" question). 10 when the store is
// busy. `asking` is the view whose untitled text may need "Save As".
int saveOrRevertAll(int mode, bool reloadAfter, TextBlock* onlyBlock, EditorView* asking);
// Before an operation that would drop changes: Yes saves, No reverts, Cancel stops (1).
int askBeforeDrop();
int askSaveChanges();
// "Save As" of the active editor's text. 2 when the write failed.
int saveTextAs(EditorView& view);

// Before the block is read again from its file: editors (open or parked) on an unchanged
// text let it go, 0; a text with unsaved changes stays in edit, 2.
int releaseUnchangedEdit(TextBlock& block);

// Blocks with unsaved changes, and blocks with edit data.
int changedTextCount();
// Checks that the locks on all edit data add up; logs "int. #215301218 ..." when not.
int checkLockAccounting();

// Open editors of all views.
int openEditorCount();

}  // namespace tessel
