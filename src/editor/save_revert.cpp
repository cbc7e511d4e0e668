// Saving and reverting every changed text, the questions before changes could be dropped,
// "Save As", and the check that the locks on all edit data add up.
#include <cstdio>
#include <string>

#include "base/log/message_log.h"
#include "editor/edit_data.h"
#include "editor/edit_session.h"
#include "editor/edit_session_internal.h"
#include "editor/edit_store.h"
#include "editor/editor.h"
#include "text/text_store.h"

namespace tessel {

namespace {

const char* plural(long count) {
    return count == 1 ? "" : "s";
}

// Drops every editor (open or parked) on the data and detaches it from its block.
void dropEditData(TextBlock& block, EditData* data) {
    for (EditorView* view : editing().views) {
        if (view->editor && view->editor->data == data) {
            view->selection.clear();
            view->editor.reset();
        }
        if (view->parked && view->parked->data == data) view->parked.reset();
    }
    if (block.editData == data) block.detachEditData(data);
}

// After a full pass nothing may still edit: what is left is reported.
void checkNothingLeft(TextStore& store) {
    for (EditorView* view : editing().views) {
        if (view->editor) logMessage("int. #21612106");
        if (view->parked) logMessage("int. #21612107");
    }
    for (int b = 0; b < store.blockCount; ++b) {
        if (store.blocks[b] && store.blocks[b]->editData) logMessage("int. #21612108");
    }
}

void report(int mode, long processed, long written, long failures) {
    char text[200];
    if (failures > 0) {
        std::snprintf(text, sizeof text, "[info] %ld file%s failed to %s.", failures,
                      plural(failures), mode == 0 ? "save" : "load");
    } else if (mode != 0 && processed > 0) {
        std::snprintf(text, sizeof text, "[info] %ld file%s loaded.", processed, plural(processed));
    } else if (mode == 0 && written > 0) {
        std::snprintf(text, sizeof text, "[info] %ld file%s saved.", written, plural(written));
    } else if (mode == 0) {
        std::snprintf(text, sizeof text, "[info] no changes to save.");
    } else {
        if (traceMode()) showStatusInfo("[info] no files to revert.");
        return;
    }
    showStatusInfo(text);
}

}  // namespace

int releaseUnchangedEdit(TextBlock& block) {
    EditData* data = editDataOf(&block);
    if (!data) return 0;
    // Committed or not, changes that are not on disk keep the block as it is.
    if (data->modified) return 2;
    dropEditData(block, data);
    notifyViews();
    return 0;
}

int changedTextCount() {
    TextStore& store = editing().textStore();
    int count = 0;
    for (int b = 0; b < store.blockCount; ++b) {
        const EditData* data = editDataOf(store.blocks[b]);
        if (data && data->modified) ++count;
    }
    return count;
}

int saveOrRevertAll(int mode, bool reloadAfter, TextBlock* onlyBlock, EditorView* asking) {
    EditHost* host = editing().host;
    TextStore& store = editing().textStore();
    if (mode == 0 && asking && asking->editor) {
        Editor& editor = *asking->editor;
        if (editor.block() && editor.data->modified && isUntitledName(editor.block()->fileName)) {
            int named = askForSaveName(*editor.block());
            if (named != 0) return named;
        }
    }
    if (mode == 1 && changedTextCount() > 1) {
        EditAnswer answer =
            host
                ? host->ask("Are you sure?",
                            "Do you want to revert all changed files?\nYou may also SHIFT+click on "
                            "revert\nto revert only the currently edited file.\n",
                            EditButtons::kYesNo)
                : EditAnswer::kNo;
        if (answer != EditAnswer::kYes) return 1;
    }
    if (store.loadRunning.load()) return 9;

    long processed = 0;
    long written = 0;
    long failures = 0;
    long skipped = 0;
    for (int b = 0; b < store.blockCount; ++b) {
        TextBlock* block = store.blocks[b];
        EditData* data = editDataOf(block);
        if (!data || (onlyBlock && block != onlyBlock)) continue;
        if (isUntitledName(block->fileName)) {
            if (data->modified) ++skipped;
            continue;
        }
        bool failed = false;
        if (mode != 0) {
            if (revertBuffer(*data, *block) == 0) {
                ++processed;
            } else {
                ++failures;
            }
        } else if (data->modified) {
            Editor* editor = data->editors.empty() ? nullptr : data->editors.front();
            int result = editor ? saveWithCheck(*editor) : data->write();
            if (result == 0) {
                ++written;
                ++processed;
            } else {
                // Not written (failed, or the user kept a file that changed on disk): the
                // changes stay in the editor, so the text is not reloaded below.
                ++failures;
                failed = true;
            }
        }
        if (reloadAfter && !failed) {
            dropEditData(*block, data);
            if (reloadBlockFromFile(store, *block) != 0) ++failures;
        }
    }
    report(mode, processed, written, failures);
    if (skipped > 0) {
        commitAllEdits();
        char text[100];
        std::snprintf(text, sizeof text, "%ld untitled files skipped. reedit to save.", skipped);
        showStatusInfo(text);
    } else if (!onlyBlock && reloadAfter && failures == 0) {
        checkNothingLeft(store);
    }
    notifyViews();
    return failures > 0 ? 9 : 0;
}

static int askAndResolve(const char* title, const std::string& text) {
    EditHost* host = editing().host;
    EditAnswer answer =
        host ? host->ask(title, text, EditButtons::kYesNoCancel) : EditAnswer::kCancel;
    if (answer == EditAnswer::kCancel) return 1;
    // A save that failed keeps the changes; the operation that asked must not drop them.
    return saveOrRevertAll(answer == EditAnswer::kYes ? 0 : 2, true, nullptr, nullptr);
}

int askBeforeDrop() {
    if (changedTextCount() == 0) return 0;
    return askAndResolve("Save or discard text changes?",
                         "There are unsaved text editor changes.\n\nClick YES to SAVE all "
                         "changes.\n\nClick NO to DISCARD text changes.\n\nClick CANCEL to STOP "
                         "the current operation.\n");
}

int askSaveChanges() {
    int changed = changedTextCount();
    if (changed == 0) return 0;
    char text[200];
    std::snprintf(text, sizeof text, "%ld files have unsaved changes.\nSave these changes now?\n",
                  static_cast<long>(changed));
    return askAndResolve("Save text changes?", text);
}

int saveTextAs(EditorView& view) {
    EditHost* host = editing().host;
    if (!view.editor || !view.editor->block()) {
        if (host) {
            host->ask("No active editor open",
                      "Save Text As can only be used\nfrom within text edit mode.\n",
                      EditButtons::kOk);
        }
        return 1;
    }
    Editor& editor = *view.editor;
    const char* name = editor.block()->fileName;
    std::string proposed = !name || isUntitledName(name) ? "untitled.txt" : name;
    std::string chosen;
    if (!host || host->chooseSavePath(proposed, chosen) != 0 || chosen.empty()) return 1;
    if (editor.block()->setName(chosen.c_str()) != 0) return 2;
    if (saveWithCheck(editor) != 0) return 2;
    notifyViews();
    return 0;
}

int checkLockAccounting() {
    TextStore& store = editing().textStore();
    int locks = 0;
    int texts = 0;
    for (int b = 0; b < store.blockCount; ++b) {
        const EditData* data = editDataOf(store.blocks[b]);
        if (!data) continue;
        locks += data->lockCount;
        ++texts;
    }
    int active = 0;
    int parked = 0;
    int floating = 0;  // editors on data that no block holds any more
    for (const EditorView* view : editing().views) {
        for (const Editor* editor : {view->editor.get(), view->parked.get()}) {
            if (!editor) continue;
            (editor == view->editor.get() ? active : parked) += 1;
            if (editor->data && !editor->data->block) ++floating;
        }
    }
    int expected = texts + active + parked - floating;
    if (locks == expected) return 0;
    logMessage("int. #215301218: l=%d/%d t=%d a=%d p=%d f=%d", locks, expected, texts, active,
               parked, floating);
    return 9;
}

}  // namespace tessel
