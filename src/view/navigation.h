// Result focus, next and previous result and file, the path mask commands, jumps to a file,
// and the history of a view's positions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/view_position.h"
#include "search/search_expression.h"
#include "search/search_state.h"

namespace tessel {

class View;

// Result codes of the navigation operations besides 0, 1 and 9.
inline constexpr int kNavFilterOpen = 5;  // "close filtered view first."

enum class ResultFocus : int { kTop = 0, kMiddle = 1, kBottom = 2 };

// One step of the history: the view's position as bookmarks keep it, and whether the slot
// holds one.
struct HistoryStep {
    bool used = false;
    ViewPosition position;
};

struct NavigationState {
    ResultFocus focusMode = ResultFocus::kTop;
    // Presses of the file end key since it went down: the first goes to the end of the
    // file, later ones to the start of the next.
    int fileEndPresses = 0;

    // The history ring: `historySlots` slots (0 is off), `historyHead` the next slot to fill.
    std::vector<HistoryStep> history;
    int historySlots = 0;
    int historyHead = 0;

    // The double CONTROL gesture: when CONTROL last went down (0 none).
    int64_t lastControlMs = 0;
    bool controlHeld = false;
    // The text cell under the mouse pointer, -1 while it is outside the view.
    int lastMouseRow = -1;
    int lastMouseColumn = -1;
};

// A second CONTROL press within this time highlights the word under the mouse: long enough
// for a relaxed double tap, short enough that CONTROL shortcuts typed in a row do not trigger it.
inline constexpr int kDoubleControlMs = 400;
// How long the line at a new result focus stays highlighted.
inline constexpr int kFocusFlashMs = 1000;

// The rows between the top and a result put on screen for the view's focus mode, and the
// same stored into the search state, which places the first hit of a pass with it.
int resultFocusOffset(const View& view);
void updateResultFocus(View& view);
// Text rows of the view (without the two status rows), at least 1.
int visibleTextRows(const View& view);

int nextResult(View& view);
int prevResult(View& view);
// 0 found, 1 no further hit (reported), 5 in a filter mode, 9 failure (reported).
int findNextHit(View& view, int startLine, bool skipHeader);
int findPrevHit(View& view);

int nextFileStart(View& view);
int nextFileEnd(View& view);
// The file end key: nextFileEnd on its first press, nextFileStart on later ones.
int nextFileKey(View& view);
int prevFile(View& view);
int cycleResultFocus(View& view);

// Path mask commands (path_commands.cpp).
int narrowToFile(View& view, bool searchNow);
int pathUp(View& view);
int clearPath(View& view);
// The block index a file name jumped to shows in `view`, -1 when none matches.
int findJumpTarget(View& view, std::string_view name, int sourceLine);

// A file reference such as "src/a.cpp:12", "a.cpp(12)" or a plain "a.cpp" around `column`
// of a text: the name and the 1-based line number (0 when none). False when there is none.
bool parseFileReference(std::string_view text, int column, std::string* name, int* lineNumber);
// CONTROL+G: opens the file reference under the mouse in the nearby view (or this one).
int openReferenceAtMouse(View& view);
// CONTROL+X: shows the current place of this view in the nearby view.
int showInNearbyView(View& view);
// The view next to this one: the right neighbour, else the left one; null when alone.
View* nearbyView(View& view);

// History (view_history.cpp).
// The slot count for a "historymaxsteps" value: 0 (off), 3, the value + 1, or 16.
int historySlotsFor(int maxSteps);
int historySave(View& view, const char* label);
int historyBack(View& view);
int historyForward(View& view);

// The navigation keys of the key table (F3, CONTROL+UP/DOWN, SHIFT+F2, CONTROL+M/N/U/G/X/Y/Z,
// the double CONTROL press): 0 handled, 1 not one of them.
int navigationKeyDown(View& view, int key, int modifiers);
int navigationKeyUp(View& view, int key, int modifiers);
int navigationChar(View& view, uint8_t ch, int modifiers);

}  // namespace tessel
