// Scripted runs: a batch file holds one command a line that drives the program through the
// same input handlers as a user, waits for it to settle and prints what the views show. The
// parser and the dump format are plain functions so that they can be tested without a window;
// the runner (batch_runner.cpp) plays the commands inside the message loop.
//
// "tessel -batch FILE [WHAT]" runs FILE after start-up and ends with 0, or 1 when a command
// failed. Lines starting with "#" and empty lines are skipped. Commands:
//   key CHORD [N]        press and release a key N times; CHORD is optional "ctrl+", "shift+",
//                        "alt+" and a key: a-z, 0-9, f1-f24, escape, tab, enter, backspace,
//                        delete, insert, home, end, pgup, pgdn, up, down, left, right, pause,
//                        space, and ctrl, shift, alt alone
//   type TEXT            type the rest of the line
//   click ROW COL [left|right|middle] [shift] [ctrl] [alt], dblclick ROW COL ...,
//   drag ROW COL ROW2 COL2 [button], move ROW COL
//                        the mouse at the centre of a text cell of the focused view
//   wait [MS]            run the loop until no search, pass or load is pending (default
//                        10000 ms; running out of time fails)
//   sleep MS, focus N (1-based view), resize W H, quit
//   answer yes|no|ok|cancel   the answer of the next message box
//   answer menu N        choose entry N (1-based, 0 closes it) of the next popup menu
//   answer path PATH     the path the next file or folder dialog returns
//   answer text TEXT     the text the next text dialog returns
//                        ($NAME and ${NAME} in PATH and in a dropped path are environment
//                        variables)
//   drop PATH [shift|ctrl]    PATH dropped on the focused view
//   dump [overlay]       the focused view's rows (text line "T|", attribute line "A|"); with
//                        "overlay" also the scroll bar, the sidebar, the no-hit bubble and
//                        the help's pictures
//   dumplog              the message log, oldest first
//   shot FILE [WIDTH]    a PNG of the focused view, or of the setup dialog while it is open;
//                        a JPEG when FILE ends in .jpg or .jpeg; scaled down to WIDTH pixels
//   wheel NOTCHES        turn the wheel over the focused view: negative towards the user
//                        (the text moves down), 120 units a notch
//   stopwatch TEXT       print "stopwatch TEXT N msec": the time since the previous stopwatch
//   finddialog open|next|prev|results|case|replace|close, finddialog find|path TEXT
//                        open the find dialog of the focused view, or act in it (in an
//                        editor's dialog "path" is the replacement)
//   activate [shift] [ctrl] [alt]
//                        the application loses activation and regains it, with those keys
//                        held
//   clipboard set TEXT, clipboard files PATH..., clipboard print
//                        put text (escapes \n \r \t \\) or a file list on the clipboard as
//                        another program would, or print "=== clipboard", its lines, "=== end"
//   bookmarks            the open bookmark set: "=== bookmarks set=N selected=I count=C",
//                        "B|index|kind|label|file|line|flags" per entry, "=== end"
//   setup open [PAGE], setup set ID VALUE, setup click ID [shift] [ctrl], setup close,
//   setup dump           the setup dialog: open it (PAGE is a page button's caption), give
//                        a setting a value or press a button (its page comes up first),
//                        close it, print the page shown ("S|id|kind|caption|value|enabled")
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "view/screen_overlay.h"

namespace tessel {

struct BookmarkList;
struct ScreenBuffer;
class TextStore;

enum class BatchVerb : int {
    kKey,
    kType,
    kClick,
    kDoubleClick,
    kDrag,
    kWait,
    kSleep,
    kFocus,
    kResize,
    kQuit,
    kAnswer,
    kAnswerMenu,
    kAnswerPath,
    kDrop,
    kFindDialog,
    kDump,
    kDumpLog,
    kShot,
    kStopwatch,
    kWheel,
    kMove,
    kRun,
    kActivate,
    kBookmarks,
    kClipboard,
    kSetup,
};

inline constexpr int kDefaultWaitMs = 10000;
// Counts and times beyond these are script mistakes, not tests.
inline constexpr int kMaxKeyRepeat = 100000;
inline constexpr int kMaxBatchMs = 3600000;
inline constexpr int kMaxBatchExtent = 100000;

// The answers a script may queue; the values are those of BoxAnswer.
enum FindDialogVerb : int {
    kFindOpen,
    kFindText,
    kFindPath,
    kFindNext,
    kFindPrevious,
    kFindResultsOnly,
    kFindCase,
    kFindClose,
    kFindReplace,
};

enum SetupVerb : int {
    kSetupOpen,
    kSetupSet,
    kSetupClick,
    kSetupClose,
    kSetupDump,
};

enum BatchAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

struct BatchCommand {
    BatchVerb verb = BatchVerb::kQuit;
    int lineNumber = 0;
    // key: a KeyCode with Modifier flags, pressed count times.
    int key = 0;
    int modifiers = 0;
    int count = 1;
    // type: the characters; shot, answer path, drop: the file.
    std::string text;
    // finddialog: the FindDialogVerb in value, a text in text.
    // setup: the SetupVerb in value, the setting id in setting, the page (0: the last one) in
    // page, a value in text, the modifiers of a click in modifiers.
    int setting = 0;
    int page = 0;
    // click, dblclick, drag: text cells (0-based) and the button (MouseButton).
    int row = 0;
    int column = 0;
    int row2 = 0;
    int column2 = 0;
    int button = 1;
    // wait, sleep: milliseconds; focus: the 1-based view; resize, shot: width and height;
    // answer: a BatchAnswer; answer menu: the 1-based entry; dump: 1 with the overlay.
    int value = 0;
    int width = 0;
    int height = 0;
};

// "ctrl+shift+f3" into a KeyCode and Modifier flags. 0 parsed, 9 unknown name.
int parseKeyChord(std::string_view chord, int& key, int& modifiers);

// One line of a batch file. 0 parsed into out, 1 empty or a comment, 9 wrong (error says why,
// naming the line).
int parseBatchLine(std::string_view line, int lineNumber, BatchCommand& out, std::string& error);

// The words after "clipboard" (batch_clipboard.cpp): 0 parsed into out, else the reason.
int parseClipboardWords(std::string_view rest, BatchCommand& out, std::string& reason);
// Runs a parsed clipboard command. 0 done, 9 failure (reason set).
int runClipboardCommand(const BatchCommand& command, std::string& reason);

// A whole batch file; stops at the first wrong line. 0 parsed, 9 wrong (error set).
int parseBatchScript(std::string_view text, std::vector<BatchCommand>& out, std::string& error);

// What the dump header tells about a view.
struct DumpHeader {
    int view = 1;  // 1-based
    int topLine = 0;
    int currentLine = 0;
    int filterMode = 0;
    int64_t hits = 0;
    int rows = 0;
    int columns = 0;
    int scrollColumn = 0;  // the horizontal offset: "xoff="
    int contextLine = -1;  // the global line of the block context shown: "context=", -1 none
    // While an editor is open: "edit=1 cursor=LINE:COL modified=0|1".
    bool editing = false;
    int cursorLine = 0;
    int cursorColumn = 0;
    bool modified = false;
};

// The "dump" text of a screen: the header line, a "T|" and an "A|" line for each of the
// header's rows, the overlay block when one is given, and "=== end", every line ending in
// "\n".
std::string formatScreenDump(const ScreenBuffer& screen, const DumpHeader& header,
                             const ScreenOverlay* overlay = nullptr);
// "=== overlay", then "scrollbar none" or "scrollbar track=X,Y,W,H thumb=X,Y,W,H [active]",
// "sidebar none" or "sidebar" with NAME=X,Y,W,H per button, "bubble none" or
// "bubble X,Y,W,H" followed by a "B|" line per line of the bubble, then "picture NAME X,Y,W,H
// rows TOP-BOTTOM" for each help picture over the rows (pixels of the view), and while the
// bookmark list shows, its lines (formatBookmarkPanel).
std::string formatOverlayDump(const ScreenOverlay& overlay);

// batch_bookmarks.cpp: "bookmarks X,Y,W,H edge=E zones=0|1", then "M|index|y|flags|text" per
// row (flags: r remark, x script, s selected, f failed, c search context used, i ignored,
// or -).
std::string formatBookmarkPanel(const BookmarkPanelShape& panel);
// The "bookmarks" dump of a list whose entries lie in `store`: kind mark, remark or script;
// the line within its file counted from 1 (a remark or script entry has no file and line 0);
// flags c ignoreContext, f loadFailed, or -.
std::string formatBookmarkDump(const BookmarkList& list, TextStore& store);
// The text of "clipboard set": \n, \r, \t and \\ decoded, other backslashes kept.
std::string unescapeBatchText(std::string_view text);
// $NAME and ${NAME} replaced by the environment's value (empty when unset); a "$" that starts
// no name stays.
std::string expandVariables(std::string_view text);

}  // namespace tessel

namespace tessel {

// Reads and checks the batch file before the start-up load, and queues the answers it opens
// with, so that a box the start-up load asks takes them. 0 read, 9 the file cannot be read
// (reported); a wrong line is reported and ends the message loop with 1.
int prepareBatch(const std::string& path);
// Plays the prepared batch once the message loop runs; the loop then ends with 0, or 1 when
// a command failed.
void startBatch();

}  // namespace tessel
