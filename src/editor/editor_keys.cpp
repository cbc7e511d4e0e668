// The editor's side of the keyboard: cursor moves with and without SHIFT selection, the
// clipboard, and the typing keys that feed the recent-edit tracking. The view maps its keys
// to these calls.
#include <algorithm>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "search/search_state.h"

namespace tessel {

void EditSelection::set(int fromLine, int fromColumn, int toLine, int toColumn) {
    EditPosition from{fromLine, fromColumn};
    EditPosition to{toLine, toColumn};
    EditPosition start = std::min(from, to);
    EditPosition end = std::max(from, to);
    active = true;
    startLine = start.line;
    startColumn = start.column;
    endLine = end.line;
    endColumn = end.column;
    anchorLine = fromLine;
    anchorColumn = fromColumn;
    byFindMask = false;
    byFindText = false;
}

EditorView::EditorView() {
    editing().views.push_back(this);
}

EditorView::~EditorView() {
    std::erase(editing().views, this);
    // An editor's lock goes before the view: the text may outlive it in the store.
    editor.reset();
    parked.reset();
}

void Editor::extendSelection(EditPosition before, bool select) {
    EditSelection& selection = view->selection;
    if (!select) {
        selection.clear();
        return;
    }
    EditPosition anchor =
        selection.active ? EditPosition{selection.anchorLine, selection.anchorColumn} : before;
    if (anchor == cursor()) {
        selection.clear();
        return;
    }
    selection.set(anchor.line, anchor.column, cursorLine, cursorColumn);
}

int Editor::move(EditMove movement, bool select) {
    if (!data) return 9;
    EditPosition before = cursor();
    int last = lastTextLine();
    int rows = std::max(view->textRows() - 1, 1);
    bool vertical = false;
    int targetLine = cursorLine;
    switch (movement) {
        case EditMove::kLeft:
            if (cursorColumn > 0) {
                cursorColumn = unitBefore(cursorColumn);
            } else if (cursorLine > kFirstTextLine) {
                --cursorLine;
                cursorColumn = lineLength(cursorLine);
            }
            break;
        case EditMove::kRight:
            if (cursorColumn < lineLength(cursorLine)) {
                cursorColumn = unitAfter(cursorColumn);
            } else if (cursorLine < last) {
                ++cursorLine;
                cursorColumn = 0;
            }
            break;
        case EditMove::kUp:
            targetLine = cursorLine - 1;
            vertical = true;
            break;
        case EditMove::kDown:
            targetLine = cursorLine + 1;
            vertical = true;
            break;
        case EditMove::kPageUp:
            targetLine = cursorLine - rows;
            view->search().topLine = std::max(0, view->search().topLine - rows);
            vertical = true;
            break;
        case EditMove::kPageDown:
            targetLine = cursorLine + rows;
            view->search().topLine += rows;
            vertical = true;
            break;
        case EditMove::kLineStart:
            cursorColumn = 0;
            break;
        case EditMove::kLineEnd:
            cursorColumn = lineLength(cursorLine);
            break;
        case EditMove::kTextStart:
            cursorLine = kFirstTextLine;
            cursorColumn = 0;
            break;
        case EditMove::kTextEnd:
            cursorLine = last;
            cursorColumn = lineLength(last);
            break;
    }
    if (vertical) {
        if (preferredColumn < 0) preferredColumn = screenColumn(cursorColumn);
        cursorLine = std::clamp(targetLine, kFirstTextLine, last);
        cursorColumn = byteColumn(cursorLine, preferredColumn);
    } else {
        preferredColumn = -1;
    }
    extendSelection(before, select);
    revealCursor();
    return cursor() == before ? 1 : 0;
}

int Editor::placeCursor(int globalLine, int screen) {
    if (!data) return 9;
    int line = std::clamp(globalLine - headerGlobalLine(), kFirstTextLine, lastTextLine());
    cursorLine = line;
    cursorColumn = byteColumn(line, screen);
    preferredColumn = -1;
    view->selection.clear();
    revealCursor();
    return 0;
}

std::string Editor::selectedText() {
    const EditSelection& selection = view->selection;
    if (!data || !selection.active) return {};
    int64_t from = offsetOf({selection.startLine, selection.startColumn});
    int64_t to = offsetOf({selection.endLine, selection.endColumn});
    if (from < 0 || to < from) return {};
    return std::string(data->text + from, static_cast<size_t>(to - from));
}

int Editor::copySelection() {
    std::string text = selectedText();
    EditHost* host = editing().host;
    if (text.empty() || !host) return 1;
    host->setClipboardText(text);
    return 0;
}

int Editor::cutSelection() {
    if (copySelection() != 0) return 1;
    beginLineEdit();
    int result = deleteSelection();
    endLineEdit(overwrite);
    return result;
}

int Editor::typeKey(char ch) {
    if (!data) return 9;
    beginLineEdit();
    int result = typeChar(ch);
    endLineEdit(overwrite);
    revealCursor();
    return result;
}

int Editor::unitBefore(int column) {
    const std::string_view line = lineBytes(cursorLine);
    if (!codePageTables().utf8 || column > static_cast<int>(line.size())) return column - 1;
    // Back over the joining characters to the character they join.
    size_t at = characterBefore(line, static_cast<size_t>(column), true);
    while (at > 0 && cellUnitAt(line, at, true).lone) at = characterBefore(line, at, true);
    return static_cast<int>(at);
}

int Editor::unitAfter(int column) {
    const std::string_view line = lineBytes(cursorLine);
    if (!codePageTables().utf8 || column >= static_cast<int>(line.size())) return column + 1;
    return column + cellUnitAt(line, static_cast<size_t>(column), true).bytes;
}

int Editor::cursorCharacterColumn() {
    const std::string_view line = lineBytes(cursorLine);
    if (!codePageTables().utf8 || cursorColumn <= 0) return cursorColumn;
    const size_t end = std::min(static_cast<size_t>(cursorColumn), line.size());
    int characters = 0;
    for (size_t at = 0; at < end; at = characterAfter(line, at, true)) ++characters;
    return characters + cursorColumn - static_cast<int>(end);
}

int Editor::deleteCharacter(char kind) {
    const std::string_view line = lineBytes(cursorLine);
    const size_t column = static_cast<size_t>(std::max(cursorColumn, 0));
    if (codePageTables().utf8 && column <= line.size()) {
        size_t from = column;
        size_t to = column;
        if (kind == 'b' && column > 0) from = characterBefore(line, column, true);
        if (kind == 'd' && column < line.size()) to = characterAfter(line, column, true);
        if (to - from > 1) {
            view->selection.set(cursorLine, static_cast<int>(from), cursorLine,
                                static_cast<int>(to));
            return deleteSelection();
        }
    }
    return deleteChar(kind);
}

int Editor::overwriteInUtf8(char ch) {
    const auto byte = static_cast<uint8_t>(ch);
    if (byte >= 0x80 && byte < 0xC0) return insertChar(ch);
    const std::string_view line = lineBytes(cursorLine);
    const size_t column = static_cast<size_t>(std::max(cursorColumn, 0));
    const size_t end = column < line.size() ? characterAfter(line, column, true) : column;
    if (end - column > 1 && !view->selection.active && ch != '\t') {
        view->selection.set(cursorLine, cursorColumn, cursorLine, static_cast<int>(end));
        const int removed = deleteSelection();
        return removed != 0 ? removed : insertChar(ch);
    }
    return overwriteChar(ch);
}

int Editor::keyBackspace() {
    if (!data) return 9;
    beginLineEdit();
    int result =
        view->selection.active ? deleteSelection(kDeleteTrackSource) : deleteCharacter('b');
    endLineEdit(overwrite);
    revealCursor();
    return result;
}

int Editor::keyDelete() {
    if (!data) return 9;
    beginLineEdit();
    int result =
        view->selection.active ? deleteSelection(kDeleteTrackSource) : deleteCharacter('d');
    endLineEdit(overwrite);
    revealCursor();
    return result;
}

int Editor::keyEnter(bool shift) {
    if (!data) return 9;
    beginLineEdit();
    int result = insertChar('\n', shift ? kInsertKeepLine : 0);
    endLineEdit(overwrite);
    revealCursor();
    return result;
}

int Editor::keyTab(bool shift) {
    if (!data) return 9;
    const EditSelection& selection = view->selection;
    if (selection.active && selection.startLine != selection.endLine) return indentSelection(shift);
    if (shift) return 1;
    return typeKey('\t');
}

int Editor::toggleOverwrite() {
    overwrite = !overwrite;
    if (EditHost* host = editing().host) host->textChanged();
    return 0;
}

}  // namespace tessel
