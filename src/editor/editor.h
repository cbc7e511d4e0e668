// One view's editor on a shared EditData: the cursor, overwrite mode, a cache of line starts
// and the edit operations. Every operation that changes the text records its undo step
// first, goes through EditData::splice, and ends with the integrity check. Results: 0 done,
// 1 nothing to do, 9 failure already reported, 10 to 12 from the integrity check.
//
// Edit lines are numbered like the lines the view shows: 0 is the header line, 1 the file
// name, 2 the first text line and lineCount - 1 a closing blank line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/edit_data.h"
#include "editor/edit_host.h"

namespace tessel {

class TextStore;
struct TextBlock;

inline constexpr int kEditLineChars = 4186;
inline constexpr int kIndentBytes = 500;
inline constexpr int kColumnScanLimit = 1000;
inline constexpr int kFailReasonChars = 99;

// Flags of insertChar.
inline constexpr int kInsertKeepLine = 1;  // LF: go to the line end first (SHIFT+ENTER)
inline constexpr int kInsertNoIndent = 2;  // LF: no auto-indent
// Flags of deleteSelection.
inline constexpr int kDeleteTrackSource = 1;  // typing over a selection: it becomes the source
inline constexpr int kDeleteKeepCursor = 2;

// Line starts of recently used lines, filled in rotation. A line's entry is trusted only
// while its offset is at the start of a line.
struct LineStartCache {
    static constexpr int kSlots = 256;
    std::array<int, kSlots> lines;
    std::array<int64_t, kSlots> offsets;
    int next = 0;

    LineStartCache() { clear(); }
    void clear() {
        lines.fill(-1);
        next = 0;
    }
    void record(int line, int64_t offset);
    // After a change of `delta` bytes within buffer line `line`: later lines move.
    void shiftAfter(int line, int64_t delta);
};

// Movements of the cursor keys.
enum class EditMove {
    kLeft,
    kRight,
    kUp,
    kDown,
    kLineStart,
    kLineEnd,
    kPageUp,
    kPageDown,
    kTextStart,
    kTextEnd,
};

// Settings the editor reads ("blanktabs", "autoindent"); the view copies them in.
struct EditSettings {
    bool blankTabs = false;
    bool autoIndent = false;
};
EditSettings& editSettings();

class Editor {
  public:
    explicit Editor(EditorView& owner);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Creates or reuses the block's EditData. 0, or 9 with `failed` and failReason set.
    int open(TextBlock& block, bool keepPosition);

    // The text of any global line as the view shows it while this editor is open.
    const char* lineText(int globalLine);
    // Global line of edit line 0, and the edit line of a global line (-1 outside).
    int headerGlobalLine() const;
    int editLineOf(int globalLine) const;

    // The bytes of an edit text line without its LF (empty outside the text).
    std::string_view lineBytes(int editLine);
    int lineLength(int editLine) { return static_cast<int>(lineBytes(editLine).size()); }
    // Buffer offset of a position; -1 outside the text.
    int64_t offsetOf(EditPosition at);
    EditPosition cursor() const { return {cursorLine, cursorColumn}; }
    void setCursor(EditPosition at);
    int lastTextLine() const { return data ? data->lineCount - 2 : kFirstTextLine; }
    // The edited block; null once the store dropped it (the editor then shows the store).
    TextBlock* block() const { return data ? data->block : nullptr; }
    TextStore& store();

    int typeChar(char ch);
    int insertChar(char ch, int flags = 0);
    int overwriteChar(char ch);
    int deleteChar(char kind);
    int deleteSelection(int flags = 0);
    int insertText(std::string_view text, bool moveCursor, bool singleLine = false);
    int indentSelection(bool outdent);
    int paste(bool wrap);
    int undo();
    int checkIntegrity(const char* label, int level);

    // Display column of a byte column of the cursor line (tabs expanded, scroll taken off),
    // and the byte column of a display column in a line.
    int screenColumn(int byteColumnInLine);
    int byteColumn(int editLine, int screen);

    // The cursor's column as the user counts it, from 0: the byte column in an 8-bit code
    // page, the characters before the cursor in UTF-8 text.
    int cursorCharacterColumn();

    // Cursor keys; with `select` the selection grows from its anchor.
    int move(EditMove movement, bool select);
    // A click: cursor to a global line and display column.
    int placeCursor(int globalLine, int screen);
    // The selected bytes (empty without a selection).
    std::string selectedText();
    int copySelection();
    int cutSelection();
    // Puts the cursor's line on the screen and makes it the view's current line.
    void revealCursor();

    // The typing keys: each is one change made by typing, followed by the recent-edit
    // tracking. TAB and SHIFT+TAB on a selection of several lines indent and outdent it.
    int typeKey(char ch);
    int keyBackspace();
    int keyDelete();
    int keyEnter(bool shift);
    int keyTab(bool shift);
    int toggleOverwrite();

    // Recent-edit tracking around every change made by typing (edit_find.cpp).
    void beginLineEdit();
    void endLineEdit(bool overwriteMode);
    // Find by the view's find mask, and by a phrase: true when found (and selected). The
    // search starts one column after the cursor (before it, backwards); fromTextStart
    // searches the whole text forwards from its first byte.
    bool findNext(bool backwards, int mode, bool fromTextStart = false);
    bool findText(std::string_view phrase, bool backwards, int mode, bool fromTextStart = false);

    // Another editor changed the text at `at`: the removed text spanned removedLines LFs and
    // ended at column removedEndColumn of its last line; the inserted one likewise.
    void follow(EditPosition at, EditPosition removedEnd, EditPosition insertedEnd);
    void clearCache() { cache.clear(); }

    bool failed = false;
    char failReason[kFailReasonChars + 1] = {};
    EditData* data = nullptr;
    EditorView* view = nullptr;
    int cursorLine = kFirstTextLine;
    int cursorColumn = 0;
    int preferredColumn = -1;  // display column kept on vertical moves; -1 the cursor's
    bool overwrite = false;
    bool parked = false;

  private:
    int64_t lineStart(int bufferLine);
    // Cursor steps in the cursor line: a byte in an 8-bit code page, a character with the
    // joining characters after it in UTF-8 text (past the line end a byte).
    int unitBefore(int column);
    int unitAfter(int column);
    // BACKSPACE ('b') and DELETE ('d') without a selection: in UTF-8 text a character of
    // several bytes goes as a whole, so that no byte of it is left behind.
    int deleteCharacter(char kind);
    // Overwrite mode in UTF-8 text: a typed character takes the place of the whole character
    // at the cursor, and the continuation bytes of a typed character follow its first byte.
    int overwriteInUtf8(char ch);
    int insertLabelled(std::string_view text, bool moveCursor, bool singleLine, const char* label);
    int grabLock(EditData* shared);
    void positionAfterChange(EditPosition at, std::string_view inserted);
    void reportBadPosition(const char* message, int64_t lineLength);
    int finishChange(const char* label, EditPosition at, int64_t delta, bool linesChanged);
    void extendSelection(EditPosition before, bool select);
    // Visits the text lines from `line` on (towards the start when backwards) until the
    // visitor returns true; the line's bytes exclude its LF.
    template <typename Visit>
    bool walkLines(int line, bool backwards, Visit&& visit);
    void selectHit(int line, int column, int length, bool byMask);

    LineStartCache cache;
    char lineBuffer_[kEditLineChars + 2] = {};
};

// The text of a paste re-flowed to `columns`: lines break before the last word that still
// fits, or hard at the limit. Empty (with a message) below 10 columns.
std::string wrapForPaste(std::string_view text, int columns, bool* refused = nullptr);

}  // namespace tessel
