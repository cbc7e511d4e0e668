// What editing needs from the layers above it, kept to a few verbs: the process-wide host
// asks the user questions, runs the "Save As" dialog and reaches the clipboard; each view
// that edits hands its editor the few view values it reads (tab size, scroll, size, search
// state) and keeps the selection and its editors. The view layer implements both; tests
// implement them without a window.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tessel {

class Editor;
struct SearchState;

enum class EditButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class EditAnswer { kOk, kCancel, kYes, kNo };

class EditHost {
  public:
    virtual ~EditHost() = default;
    // A modal question; title and text are code-page bytes, "\n" breaks lines.
    virtual EditAnswer ask(std::string_view title, std::string_view text, EditButtons buttons) = 0;
    // The "Save As" dialog: 0 with `chosen` set, 1 when cancelled.
    virtual int chooseSavePath(std::string_view proposedName, std::string& chosen) = 0;
    virtual std::string clipboardText() = 0;
    virtual void setClipboardText(std::string_view text) = 0;
    // Edit text, its flags or an editor's cursor changed: the views redraw.
    virtual void textChanged() {}
};

// The selection of an editing view: edit lines and byte columns, the end not included. The
// anchor is the end a SHIFT selection started from.
struct EditSelection {
    bool active = false;
    int startLine = 0;
    int startColumn = 0;
    int endLine = 0;
    int endColumn = 0;
    int anchorLine = 0;
    int anchorColumn = 0;
    bool byFindMask = false;  // made by a find-mask search: replace acts on it directly
    bool byFindText = false;  // made by findText

    void clear() { *this = EditSelection{}; }
    // Orders the two ends; the first is the anchor.
    void set(int fromLine, int fromColumn, int toLine, int toColumn);
    bool singleLine() const { return active && startLine == endLine; }
};

class EditorView {
  public:
    EditorView();
    virtual ~EditorView();
    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;

    // The view's masks, search flags and position (topLine, currentLine, lockRows).
    virtual SearchState& search() = 0;
    virtual int tabSize() const = 0;
    virtual int scrollColumn() const = 0;
    virtual int textRows() const = 0;
    virtual int textColumns() const = 0;
    // Editing works on the full text: the view leaves its filtered view first.
    virtual void leaveFilteredView() {}

    EditSelection selection;
    std::unique_ptr<Editor> editor;  // the active editor
    // An editor set aside by a commit; CONTROL+E resumes it.
    std::unique_ptr<Editor> parked;
};

}  // namespace tessel
