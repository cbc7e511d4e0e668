// Editing in place inside a view. The editor module keeps the text, the cursor and every
// rule of editing; this part gives it what it asks of a view (search state, tab size, scroll,
// size), shows the edit lines where the file stands with the other files around it, and turns
// keys and the mouse into editor calls.
//
// While a view edits, its line numbers are the lines it shows: the store's lines up to the
// edited file, the edit lines in its place, and the store's later lines shifted by the
// difference in line count. topLine, currentLine and the screen's row lines count in these.
#pragma once

#include <cstdint>

#include "editor/edit_data.h"
#include "editor/edit_host.h"

namespace tessel {

class View;
struct EditorStatus;

class ViewEditing : public EditorView {
  public:
    explicit ViewEditing(View& owner) : view_(owner) {}

    SearchState& search() override;
    int tabSize() const override;
    int scrollColumn() const override;
    int textRows() const override;
    int textColumns() const override;
    void leaveFilteredView() override;

    // A left button drag selects from where the press placed the cursor.
    bool dragging = false;
    EditPosition dragAnchor;
    // The cursor shows in the first half of each blink period from here.
    int64_t blinkStartMs = 0;

  private:
    View& view_;
};

// The lines the view shows: the store's, with the edited file's line count changed.
int shownLineCount(const View& view);

// One row of the full text while the view edits: the text as shown, the edit line (-1 for a
// line of another file) and the store line that holds it (for an edit line, the first line
// of its block). Null text past the end.
struct EditRow {
    const char* text = nullptr;
    int editLine = -1;
    int storeLine = -1;
};
// The pointer is valid until the next call.
EditRow editRowAt(View& view, int shownLine);

// The marks of an edit line: the selection on its bytes before they are expanded for display,
// then the cursor on the expanded cells (the row grows to reach a cursor past its end).
// Returns the cell count.
void markEditSelection(const View& view, int editLine, int length, char* byteAttrs);
int markEditCursor(View& view, int editLine, char* text, char* attr, int cells, int columns);

// Whether the cursor shows in the blink phase at `nowMs` ("cursorblinkspeed" is the period).
bool editCursorShown(const View& view, int64_t nowMs);
int cursorBlinkHalfPeriodMs();

// The right side of the path row: the cursor's line and column, the selected bytes.
EditorStatus editorStatus(View& view);

// Copies the editor's settings ("blanktabs", "autoindent") from the setting store.
void syncEditSettings();

// Keys and characters while the view edits: 0 handled (the window rebuilds and repaints), 1
// not an editor key (the view's own table may take it). CONTROL+E resumes a parked editor
// also when none is active.
int editKeyDown(View& view, int key, int modifiers);
int editChar(View& view, uint8_t ch, int modifiers);

// The mouse: a double click on text opens an editor there (or, in the edited text, selects
// the word; with "doubleclicksave" it ends editing); with "oneclickedit" a click does. In the
// edited text a click places the cursor, SHIFT+click and a drag select. 0 handled, 1 not ours.
int editDoubleClick(View& view, int button, int x, int y, int modifiers);
int editPointerPress(View& view, int button, int x, int y, int modifiers);
int editPointerDrag(View& view, int x, int y);
void editPointerRelease(View& view);

// After editing put text into the store or read files again: every view's filtered rows and
// hit counts are made anew, since they may point into text that was replaced.
void refreshViewsAfterStoreChange(View& view);
// Repaints the views that edit the same text as this one (and this one).
void refreshEditingViews(View& view);

}  // namespace tessel
