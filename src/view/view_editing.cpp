#include "view/view_editing.h"

#include <algorithm>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "platform/key_codes.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/search_driver.h"
#include "view/status_rows.h"
#include "view/view.h"
#include "view/view_host.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

constexpr int kMinBlinkHalfMs = 500;
constexpr int kMaxBlinkHalfMs = 2500;

// How many more lines the view shows than the store holds while the editor is open.
int editShift(const Editor& editor) {
    const EditData& data = *editor.data;
    return data.leadLines + data.lineCount - data.startLineCount;
}

bool showsEditText(const View& view) {
    const Editor* editor = view.editor.get();
    return editor && editor->data && editor->block();
}

// The shown line and display column of a text cell; false outside the text rows.
bool textCellAt(const View& view, int x, int y, int* line, int* column) {
    int row = 0;
    if (cellAt(view, x, y, &row, column) != 0) return false;
    const auto r = static_cast<size_t>(row);
    if (view.screen.flags[r] != kRowText || view.screen.rowLine[r] < 0) return false;
    *line = view.screen.rowLine[r];
    return true;
}

template <typename Each>
void forEachView(View& view, Each&& each) {
    if (!view.frame) {
        each(view);
        return;
    }
    for (auto& other : view.frame->views) {
        if (other) each(*other);
    }
}

// Opens an editor at a shown line and display column; an editor open on another text is
// closed (and its text saved) first.
int editAt(View& view, int shownLine, int column) {
    TextStore& store = view.textStore();
    int storeLine = shownLine;
    if (showsEditText(view)) storeLine = editRowAt(view, shownLine).storeLine;
    TextBlock* block = storeLine >= 0 ? store.blockForLine(storeLine) : nullptr;
    if (!block || block == &store.emptyBlock) return 1;
    const int offset = storeLine - block->firstLine;
    syncEditSettings();
    if (view.editor) {
        const int closed = closeAndSave(view.edit);
        refreshViewsAfterStoreChange(view);
        if (closed != 0) return 0;
    }
    toggleEdit(view.edit, block, block->firstLine + offset, column);
    view.edit.blinkStartMs = tickMs();
    checkLockAccounting();
    view.screen.valid = false;
    return 0;
}

void selectWordAt(View& view, int shownLine, int column) {
    Editor& editor = *view.editor;
    editor.placeCursor(shownLine, column);
    const std::string_view bytes = editor.lineBytes(editor.cursorLine);
    auto word = [&](int at) {
        return at >= 0 && at < static_cast<int>(bytes.size()) &&
               isWordChar(static_cast<uint8_t>(bytes[static_cast<size_t>(at)]));
    };
    int from = editor.cursorColumn;
    if (!word(from)) return;
    int to = from;
    while (word(from - 1)) --from;
    while (word(to)) ++to;
    view.edit.selection.set(editor.cursorLine, from, editor.cursorLine, to);
    editor.cursorColumn = to;
}

}  // namespace

SearchState& ViewEditing::search() {
    return view_.search;
}

int ViewEditing::tabSize() const {
    return view_.tabSize;
}

int ViewEditing::scrollColumn() const {
    return view_.display.scrollColumn;
}

int ViewEditing::textRows() const {
    return scrollTextRows(view_);
}

int ViewEditing::textColumns() const {
    return view_.columns;
}

void ViewEditing::leaveFilteredView() {
    if (view_.filterMode != FilterMode::kFullText) leaveFilter(view_, true);
}

int shownLineCount(const View& view) {
    const int lines = view.textStore().lineCount();
    return showsEditText(view) ? std::max(lines + editShift(*view.editor), 0) : lines;
}

EditRow editRowAt(View& view, int shownLine) {
    EditRow row;
    TextStore& store = view.textStore();
    if (shownLine < 0 || shownLine >= shownLineCount(view)) return row;
    if (!showsEditText(view)) {
        row.text = store.lineText(shownLine);
        row.storeLine = shownLine;
        return row;
    }
    Editor& editor = *view.editor;
    const int header = editor.headerGlobalLine();
    row.text = editor.lineText(shownLine);
    if (shownLine < header) {
        row.storeLine = shownLine;
    } else if (shownLine < header + editor.data->lineCount) {
        row.editLine = shownLine - header;
        row.storeLine = editor.block()->firstLine;
    } else {
        row.storeLine = shownLine - editShift(editor);
    }
    return row;
}

void markEditSelection(const View& view, int editLine, int length, char* byteAttrs) {
    const EditSelection& selection = view.edit.selection;
    if (!selection.active || editLine < selection.startLine || editLine > selection.endLine) return;
    // Lines inside a selection of several lines show their closing blank selected: their
    // line break goes with the selection.
    const int from =
        std::clamp(editLine == selection.startLine ? selection.startColumn : 0, 0, length);
    const int to =
        std::clamp(editLine == selection.endLine ? selection.endColumn : length, from, length);
    for (int i = from; i < to; ++i) {
        if (!isBookmarkAttr(byteAttrs[i])) byteAttrs[i] = kAttrSelection;
    }
}

int markEditCursor(View& view, int editLine, char* text, char* attr, int cells, int columns) {
    Editor* editor = view.editor.get();
    if (!editor || editLine != editor->cursorLine) return cells;
    const int column = editor->screenColumn(editor->cursorColumn);
    if (column < 0 || column >= columns) return cells;
    while (cells <= column) {
        text[cells] = ' ';
        attr[cells] = kAttrPlain;
        ++cells;
    }
    text[cells] = attr[cells] = '\0';
    attr[column] = attr[column] == kAttrSelection ? kAttrCursorSelected : kAttrCursor;
    return cells;
}

int cursorBlinkHalfPeriodMs() {
    return std::clamp(appSettings().cursorBlinkSpeed / 2, kMinBlinkHalfMs, kMaxBlinkHalfMs);
}

bool editCursorShown(const View& view, int64_t nowMs) {
    const int64_t since = std::max<int64_t>(nowMs - view.edit.blinkStartMs, 0);
    return (since / cursorBlinkHalfPeriodMs()) % 2 == 0;
}

EditorStatus editorStatus(View& view) {
    EditorStatus status;
    Editor* editor = view.editor.get();
    if (!editor) return status;
    status.active = true;
    if (!editor->data) return status;
    status.showCursor = true;
    // As the user counts them: the file's first line is line 1, its first column column 1.
    status.cursorRow = editor->cursorLine - kFirstTextLine + 1;
    status.cursorColumn = editor->cursorColumn + 1;
    if (view.edit.selection.active) {
        status.cursorCount = static_cast<long>(editor->selectedText().size());
    }
    status.lines = static_cast<unsigned long>(editor->data->bufferLines());
    return status;
}

void syncEditSettings() {
    EditSettings& settings = editSettings();
    settings.blankTabs = config().getInt("blanktabs") != 0;
    settings.autoIndent = config().getInt("autoindent") != 0;
}

int editDoubleClick(View& view, int button, int x, int y, int /*modifiers*/) {
    if (button != kMouseLeft || view.filterMode != FilterMode::kFullText) return 1;
    int line = 0;
    int column = 0;
    if (!textCellAt(view, x, y, &line, &column)) return 1;
    Editor* editor = view.editor.get();
    if (editor && editor->editLineOf(line) >= 0) {
        if (config().getInt("doubleclicksave") != 0) {
            closeEditor(view.edit);
            checkLockAccounting();
            refreshViewsAfterStoreChange(view);
            return 0;
        }
        selectWordAt(view, line, column);
        refreshEditingViews(view);
        return 0;
    }
    // A double click on blank space lays the views out anew (the view's own gesture).
    if (blankSpaceAt(view, x, y)) return 1;
    return editAt(view, line, column);
}

int editPointerPress(View& view, int button, int x, int y, int modifiers) {
    if (button != kMouseLeft) return 1;
    int line = 0;
    int column = 0;
    if (!textCellAt(view, x, y, &line, &column)) return 1;
    Editor* editor = view.editor.get();
    if (!editor) {
        const bool plain = (modifiers & (kModShift | kModControl | kModAlt)) == 0;
        if (!plain || config().getInt("oneclickedit") == 0 ||
            view.filterMode != FilterMode::kFullText || blankSpaceAt(view, x, y))
            return 1;
        return editAt(view, line, column);
    }
    // Lines of other files keep the viewer's gestures (surfing on blank space).
    if (editor->editLineOf(line) < 0) return 1;
    EditSelection& selection = view.edit.selection;
    const EditPosition anchor = selection.active
                                    ? EditPosition{selection.anchorLine, selection.anchorColumn}
                                    : editor->cursor();
    editor->placeCursor(line, column);
    const bool extend = (modifiers & kModShift) != 0 && anchor != editor->cursor();
    if (extend) selection.set(anchor.line, anchor.column, editor->cursorLine, editor->cursorColumn);
    view.edit.dragAnchor = extend ? anchor : editor->cursor();
    view.edit.dragging = true;
    view.edit.blinkStartMs = tickMs();
    refreshEditingViews(view);
    return 0;
}

int editPointerDrag(View& view, int x, int y) {
    Editor* editor = view.editor.get();
    if (!view.edit.dragging || !editor) return 1;
    int line = 0;
    int column = 0;
    if (!textCellAt(view, x, y, &line, &column) || editor->editLineOf(line) < 0) return 1;
    const EditPosition before = editor->cursor();
    editor->placeCursor(line, column);
    const EditPosition anchor = view.edit.dragAnchor;
    if (anchor != editor->cursor()) {
        view.edit.selection.set(anchor.line, anchor.column, editor->cursorLine,
                                editor->cursorColumn);
    }
    return editor->cursor() == before ? 1 : 0;
}

void editPointerRelease(View& view) {
    view.edit.dragging = false;
}

void refreshViewsAfterStoreChange(View& view) {
    forEachView(view, [](View& each) {
        if (each.filterMode != FilterMode::kFullText) {
            // The rows point into the text that was replaced: the filter starts anew.
            const int type = static_cast<int>(each.filterMode);
            leaveFilter(each, true);
            toggleFilter(each, type);
        } else if (each.search.findMask[0] != '\0' || each.search.pathMask[0] != '\0') {
            scheduleSearch(each);
        }
        each.screen.valid = false;
        if (each.host) each.host->refresh();
    });
}

void refreshEditingViews(View& view) {
    const EditData* data = view.editor ? view.editor->data : nullptr;
    forEachView(view, [&](View& each) {
        if (&each != &view && (!data || !each.editor || each.editor->data != data)) return;
        each.screen.valid = false;
        if (each.host) each.host->refresh();
    });
}

}  // namespace tessel
