// Opening and closing editors in a view, new untitled texts, commits and the parked editor.
#include "editor/edit_session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/log/message_log.h"
#include "editor/edit_data.h"
#include "editor/edit_session_internal.h"
#include "editor/edit_store.h"
#include "editor/editor.h"
#include "search/search_pass.h"
#include "search/search_state.h"
#include "text/line_reader.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr int64_t kCannotEditShowMs = 2000;
constexpr int64_t kOpenFailedShowMs = 3000;
constexpr int64_t kUtf8NoticeShowMs = 5000;
constexpr int kUtf8LongNotices = 3;

int blockIndexOf(const TextStore& store, const TextBlock* block) {
    for (int b = 0; b < store.blockCount; ++b) {
        if (store.blocks[b] == block) return b;
    }
    return -1;
}

}  // namespace

EditingState& editing() {
    static EditingState state;
    return state;
}

TextStore& EditingState::textStore() {
    return store ? *store : tessel::textStore();
}

void showStatusFor(const char* text, int64_t milliseconds) {
    showStatusInfo(text, true);
    statusInfo().infoExpiry = tickMs() + milliseconds;
}

void notifyViews() {
    if (EditHost* host = editing().host) host->textChanged();
}

EditData* editDataOf(const TextBlock* block) {
    return block ? dynamic_cast<EditData*>(block->editData) : nullptr;
}

int openEditorCount() {
    int count = 0;
    for (const EditorView* view : editing().views) count += view->editor ? 1 : 0;
    return count;
}

int openEditor(EditorView& view, TextBlock& block, int globalLine, int screenColumn) {
    if (view.editor && closeAndSave(view) != 0) return 1;
    view.leaveFilteredView();
    if (const char* kind = block.kindName(globalLine >= 0 ? globalLine : block.firstLine)) {
        char message[200];
        std::snprintf(message, sizeof message, "%s cannot be edited.", kind);
        showStatusFor(message, kCannotEditShowMs);
        return 1;
    }
    auto editor = std::make_unique<Editor>(view);
    if (editor->open(block, globalLine < 0) != 0 || editor->failed) {
        char message[200];
        std::snprintf(message, sizeof message, "cannot edit: %s", editor->failReason);
        showStatusFor(message, kOpenFailedShowMs);
        return 9;
    }
    view.selection.clear();
    view.editor = std::move(editor);
    Editor& opened = *view.editor;
    if (globalLine >= 0) {
        opened.placeCursor(globalLine, screenColumn);
    } else {
        opened.setCursor(opened.cursor());
        opened.revealCursor();
    }
    if (opened.data->rawHoldsUtf8) {
        if (++editing().utf8Notices <= kUtf8LongNotices) {
            showStatusFor("UTF-8 edit is not supported, copy/paste may add invalid encoding.",
                          kUtf8NoticeShowMs);
        } else {
            showStatusInfo("### utf raw edit #");
        }
    }
    notifyViews();
    return 0;
}

int toggleEdit(EditorView& view, TextBlock* block, int globalLine, int screenColumn) {
    if (view.editor) return closeAndSave(view);
    TextStore& store = view.search().store();
    if (!block) {
        if (globalLine < 0 || globalLine >= store.lineCount()) return 2;
        block = store.blockForLine(globalLine);
        if (!block || block == &store.emptyBlock) return 2;
    }
    return openEditor(view, *block, globalLine, screenColumn);
}

int newText(EditorView& view) {
    TextStore& store = view.search().store();
    if (store.loadRunning.load()) {
        logError(0, "conflict with ongoing reload.");
        return 9;
    }
    if (view.editor && closeAndSave(view) != 0) return 1;
    int number = 1;
    for (int b = 0; b < store.blockCount; ++b) {
        const char* name = store.blocks[b] ? store.blocks[b]->fileName : nullptr;
        if (name && std::strncmp(name, "// untitled", 11) == 0) ++number;
    }
    char name[40];
    if (number < 2) {
        std::snprintf(name, sizeof name, "// untitled");
    } else {
        std::snprintf(name, sizeof name, "// untitled.%d", number);
    }
    cancelSearchPasses();
    TextBlock* block = store.appendBlock();
    if (!block || block->setName(name) != 0 || block->openForAdd() != 0) {
        logMessage("failed to create new text");
        return 9;
    }
    std::string prefix =
        store.prefixLength > 0 ? std::string(store.recordPrefix) : kFileRecordPrefix;
    if (store.prefixOnNameLine) {
        block->addText((prefix + name).c_str(), true);
    } else {
        block->addText(prefix.c_str(), true);
        block->addText(name, true);
    }
    block->addText(" ", true);
    block->close();
    store.renumber();
    SearchState& search = view.search();
    search.topLine = std::max(0, block->firstLine - search.lockRows);
    return openEditor(view, *block, -1, 0);
}

// Frees the view's editor; drops the edit data when only the block's own lock is left, and
// then shows what was written by reading the block again.
static void endEditor(EditorView& view) {
    Editor* editor = view.editor.get();
    EditData* data = editor->data;
    TextBlock* block = editor->block();
    bool reload = data && data->everModified;
    TextStore& store = view.search().store();
    // An untitled text has no file to read back: the store takes the buffer as it is.
    bool untitled = block && isUntitledName(block->fileName);
    if (reload && untitled) commitEditsToStore(store);
    view.selection.clear();
    view.editor.reset();
    bool detached = false;
    if (data && block && block->editData == data && data->lockCount == 1) {
        block->detachEditData(data);
        detached = true;
    }
    if (block && reload && !untitled) {
        if (detached) {
            reloadBlockFromFile(store, *block);
        } else {
            // Other views still edit the text: the store shows the buffer as written.
            commitEditsToStore(store);
        }
    }
    if (traceMode()) logMessage(reload ? "end edit with reload" : "end edit without reload");
    notifyViews();
}

int askForSaveName(TextBlock& block) {
    EditHost* host = editing().host;
    std::string chosen;
    const char* name = block.fileName ? block.fileName : "// untitled";
    if (!host || host->chooseSavePath(name + 3, chosen) != 0 || chosen.empty()) return 1;
    return block.setName(chosen.c_str()) == 0 ? 0 : 9;
}

int saveWithCheck(Editor& editor) {
    if (editor.checkIntegrity("save", 2) != 0) {
        if (EditHost* host = editing().host) {
            host->ask(
                "Text integrity problem",
                "Internal checks indicated a problem in the text.\nYour changes are saved, but "
                "please verify\nif the saved text contains any errors.\n",
                EditButtons::kOk);
        }
    }
    return editor.data->write();
}

int closeAndSave(EditorView& view) {
    Editor* editor = view.editor.get();
    if (!editor) return 1;
    EditData* data = editor->data;
    // Without its block (the store dropped it) the text has no file to go to.
    if (data && data->modified && editor->block()) {
        if (isUntitledName(editor->block()->fileName)) {
            int named = askForSaveName(*editor->block());
            if (named != 0) return named;
        }
        // A write that failed or was cancelled keeps the editor and its changes.
        int written = saveWithCheck(*editor);
        if (written != 0) return written;
    }
    endEditor(view);
    return 0;
}

int closeEditor(EditorView& view) {
    if (!view.editor) {
        showStatusInfo("no active editor open.");
        return 1;
    }
    return closeAndSave(view);
}

int discardAndClose(EditorView& view) {
    Editor* editor = view.editor.get();
    if (!editor) {
        showStatusInfo("no active editor open.");
        return 1;
    }
    if (editor->block()) revertBuffer(*editor->data, *editor->block());
    return closeAndSave(view);
}

int revertBuffer(EditData& data, TextBlock& block) {
    std::string reason;
    int result = data.load(block, reason);
    data.setModified(false);
    data.committed = false;
    for (Editor* editor : data.editors) {
        editor->clearCache();
        editor->setCursor(editor->cursor());
    }
    for (EditorView* view : editing().views) {
        if (view->editor && view->editor->data == &data) view->selection.clear();
    }
    return result;
}

static void park(EditorView& view) {
    if (!view.editor) return;
    view.selection.clear();
    Editor& editor = *view.editor;
    if (editor.data) {
        editor.data->savedCursor = editor.cursor();
        editor.data->hasSavedCursor = true;
    }
    editor.parked = true;
    view.parked = std::move(view.editor);
}

int commitEdit(EditorView& view) {
    TextStore& store = view.search().store();
    if (store.loadRunning.load()) {
        logMessage("internal #21161202: %d", 1);
        showStatusInfo("commit failed");
        return 9;
    }
    if (commitEditsToStore(store) == 9) {
        showStatusInfo("commit failed");
        return 9;
    }
    park(view);
    notifyViews();
    return 0;
}

int commitAllEdits() {
    TextStore& store = editing().textStore();
    if (store.loadRunning.load()) {
        logMessage("internal #21161202: %d", 2);
        showStatusInfo("commit failed");
        return 9;
    }
    if (commitEditsToStore(store) == 9) {
        showStatusInfo("commit failed");
        return 9;
    }
    for (EditorView* view : editing().views) park(*view);
    notifyViews();
    return 0;
}

int resumeEdit(EditorView& view) {
    if (view.editor || !view.parked) return 1;
    Editor* parked = view.parked.get();
    if (!parked->block() || parked->block()->editData != parked->data) {
        view.parked.reset();
        return 1;
    }
    view.editor = std::move(view.parked);
    view.editor->parked = false;
    view.editor->clearCache();
    EditData& data = *view.editor->data;
    view.editor->setCursor(data.hasSavedCursor ? data.savedCursor : view.editor->cursor());
    view.editor->revealCursor();
    if (traceMode()) logMessage("continue edit");
    notifyViews();
    return 0;
}

static int editChangedFrom(EditorView& view, int first) {
    TextStore& store = view.search().store();
    for (int step = 0; step < store.blockCount; ++step) {
        int b = (first + step) % store.blockCount;
        TextBlock* block = store.blocks[b];
        EditData* data = editDataOf(block);
        if (data && data->modified) return openEditor(view, *block, -1, 0);
    }
    showStatusInfo("no further file to edit.");
    return 1;
}

int editNextChanged(EditorView& view) {
    TextStore& store = view.search().store();
    if (store.blockCount == 0) return 1;
    const TextBlock* current =
        view.editor ? view.editor->block() : store.blockForLine(view.search().currentLine);
    int index = std::max(blockIndexOf(store, current), 0);
    if (view.editor && commitEdit(view) != 0) return 9;
    return editChangedFrom(view, index + 1);
}

int editFirstChanged(EditorView& view) {
    if (view.editor) {
        showStatusInfo("Please close current editor first.");
        return 1;
    }
    return editChangedFrom(view, 0);
}

int saveAllChanged(EditorView& view) {
    return saveOrRevertAll(0, false, nullptr, &view);
}

int saveAllAndEndEdit(EditorView& view) {
    int result = saveOrRevertAll(0, false, nullptr, &view);
    if (result != 0) return result;
    return view.editor ? closeAndSave(view) : 0;
}

int toggleLineEnds(EditorView& view) {
    if (!view.editor || !view.editor->data) {
        showStatusInfo("no active editor open.");
        return 1;
    }
    EditData& data = *view.editor->data;
    data.setUniformLineEnds(data.lineEndFlags == kLineEndLf);
    data.committed = false;
    data.setModified(true);
    notifyViews();
    return 0;
}

}  // namespace tessel
