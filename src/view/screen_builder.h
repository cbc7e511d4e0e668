// The screen builder turns the state of a view into rows of plain data: for every visible row
// a text and a parallel string of colour attribute characters, plus a row type. Nothing here
// draws; the row painter reads the rows and a test can read them without a display.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

class View;

// Row types kept in the screen buffer's flag byte; the painter draws each kind differently.
enum RowType : uint8_t {
    kRowText = 0,
    kRowContext = 1,
    kRowBlockContext = 2,
    kRowFind = 3,
    kRowPath = 4,
};

// Fills the view's screen buffer from its state. 0 built, 9 failure (reported).
int buildScreen(View& view);

// Expands one stored line for display: TABs to the next multiple of tabSize, then the first
// scrollColumn columns dropped. `colours` (may be null) holds one attribute per byte of the
// line; without it the attributes are `base`. Writes at most `capacity` cells (no more than a
// screen row) to text and attr, NUL-terminated, so both need capacity + 1 bytes; returns the
// cell count.
int expandForDisplay(std::string_view line, const char* colours, char base, int tabSize,
                     int scrollColumn, char* text, char* attr, int capacity);

// The same for a line of the UTF-8 code page, where cells follow characters
// (base/codepage/text_cells.h). A character cut by the left edge or the end of the row shows
// as blanks in its cells; a byte of no valid sequence shows as its code-page-1252 character,
// in the invalid-byte colour where nothing else colours it; a mark with nothing before it
// stands on a no-break space. attr gets one attribute per cell and needs capacity + 1 bytes;
// text needs kScreenTextBytes. Returns the cell count.
int expandUtf8ForDisplay(std::string_view line, const char* colours, char base, int tabSize,
                         int scrollColumn, char* text, char* attr, int capacity);

}  // namespace tessel
