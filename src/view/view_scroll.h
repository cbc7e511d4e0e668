// Moving a view through its text with keys: lines, pages, columns, the ends of the text and
// of files. Surfing and the wheel are in surf.h.
//
// Positions are rows of what the view shows: global line numbers in the full text, rows of
// the list in a filtered view or file list. Every operation keeps the top line between 0 and
// the last top line, the one that puts the last row at the bottom of the view, and the
// horizontal offset between 0 and kMaxScrollColumns, or the length of the longest line on
// screen when that is longer (scrollColumnLimit). Results: 0 the view moved, 1 it was
// already there.
#pragma once

namespace tessel {

class View;

inline constexpr int kMaxScrollColumns = 4096;
inline constexpr int kKeyScrollColumns = 10;

// Where a jump target is placed below the top, by the view's jump-row choice.
enum class JumpRowChoice : int { kTop = 0, kMiddle = 1, kBottom = 2 };

// The rows below the top for a view of `rows` rows: 6, half the rows less one, or the rows
// less 10, kept inside the view (a small view cannot hold the bottom choice).
int jumpRows(int rows, JumpRowChoice choice);

// What a scroll position counts: the store's lines, or the list's rows in a filter mode.
int scrollLineCount(const View& view);
// The rows that show text, without the status rows, the sidebar row and a context row.
int scrollTextRows(const View& view);
// The largest top line, at which the last line stands on the bottom row.
int lastTopLine(const View& view);
// True when the view steps through file records: the full text of a store with them.
bool fileMode(const View& view);

int scrollTo(View& view, int topLine);
int scrollLines(View& view, int delta);
// One page less one row, so the row at the edge stays in sight.
int scrollPages(View& view, int pages);
int scrollColumns(View& view, int delta);
int scrollToStart(View& view);
// Puts the last line at the bottom.
int scrollToEnd(View& view);
// The screen cell under a client pixel: 0 inside the view's rows (row and column set), 9
// outside them.
int cellAt(const View& view, int x, int y, int* row, int* column);
// True when a press at the pixel lands on blank space of the text: a blank cell or one past
// the end of a text row. The mask rows and the sidebar row are never blank space.
bool blankSpaceAt(const View& view, int x, int y);

// The scrolling keys of the key table: 0 handled, 1 not a scrolling key.
int scrollKeyDown(View& view, int key, int modifiers);

}  // namespace tessel
