// Drawing the built rows of a view: each row is cut into runs of equal colour, one text output
// per run, with blank runs left unpainted. The painter never decides what a row shows or
// where the scroll bar, the sidebar and the bubble stand; the screen builder and the overlay
// layout decide, and the painter draws what they made.
#pragma once

#include "platform/painter.h"
#include "view/colour_tables.h"
#include "view/screen_fonts.h"

namespace tessel {

class View;

// What drawRow needs besides the row itself.
struct RowPaint {
    const ColourTables* colours = nullptr;
    const Font* font = nullptr;  // set on painters that draw rows off-screen
    int charWidth = 8;
    int lineHeight = 16;
    int lineSpacing = 0;  // negative: rows overlap by that many pixels
    bool editorActive = false;
    bool cursorShown = true;  // blink phase
    bool insertMode = true;
    bool verticalCursor = false;
    bool currentRow = false;  // the row of the current result gets no context underline
    // A background picture lies under the rows: text without a colour of its own is drawn
    // without the white ground.
    bool overPicture = false;
    // Status rows: only the mask between these columns gets a background.
    int maskStart = 0;
    int maskEnd = 0;
};

// Draws one row at (x, y); returns the drawn width in pixels (0 for a rejected row).
int drawRow(Painter& painter, const RowPaint& paint, int x, int y, int maxWidth, const char* text,
            const char* attr, int rowType);

// Draws the whole view inside `dirty`: the rows as built (the window builds them first), then
// what lies over them (screen_overlay.h and the message overlay).
void paintView(View& view, Painter& painter, const Rect& dirty);

}  // namespace tessel
