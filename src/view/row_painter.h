// Drawing the built rows of a view: each row is cut into runs of equal colour, one text output
// per run, with blank runs left unpainted. The painter never decides what a row shows; that is
// the screen builder's job.
#pragma once

#include <memory>

#include "platform/painter.h"
#include "view/colour_tables.h"

namespace tessel {

class View;

// The fonts of the views: the main (fixed-pitch) font and the small font of bookmarks and the
// message overlay. Created from the settings on first use; the window glue may replace them.
struct ScreenFonts {
    std::unique_ptr<Font> main;
    std::unique_ptr<Font> small;
    int lineSpacing = 0;
};
ScreenFonts& screenFonts();
// Rebuilds the fonts from the font settings.
void reloadScreenFonts();
// Drops the fonts; called before the platform shuts down, since fonts cannot outlive it.
void releaseScreenFonts();

// Reads the main font's metrics into the view (character width, line height, jump rows).
// 0 measured, 9 failure (reported; the view keeps usable values).
int measureFont(View& view);

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
    // Status rows: only the mask between these columns gets a background.
    int maskStart = 0;
    int maskEnd = 0;
};

// Draws one row at (x, y); returns the drawn width in pixels (0 for a rejected row).
int drawRow(Painter& painter, const RowPaint& paint, int x, int y, int maxWidth, const char* text,
            const char* attr, int rowType);

// Draws the whole view (rows, marks and the message overlay) inside `dirty`.
void paintView(View& view, Painter& painter, const Rect& dirty);

}  // namespace tessel
