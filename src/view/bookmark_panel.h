// The bookmark list as a view shows it: a column at the right of the view, one row per entry
// in the small font, remark lines as headings, the selected entry and the entries that could
// not be placed marked. Like the other overlays it is laid out as plain data from the view's
// size and the list, so the painter only draws it, the batch dump prints it and a test reads
// it without a display.
//
// Clicks are told apart by their distance from the zone edge, a line near the right end of
// each row: up to 4 pixels right of it (and anywhere on the label to its left) a click
// selects the entry, from there to 22 pixels it switches the entry's search context on or
// off, and from there to 50 pixels it removes the entry. In views narrower than twice the
// list's minimum width every click selects.
#pragma once

#include <string>
#include <vector>

#include "platform/geometry.h"
#include "view/assist_hints.h"

namespace tessel {

class Font;
class Painter;
class View;
struct BookmarkList;

inline constexpr int kBookmarkListMinWidth = 160;
inline constexpr int kContextZoneStart = 4;
inline constexpr int kRemoveZoneStart = 22;
inline constexpr int kZoneEnd = 50;

struct BookmarkRowShape {
    int index = 0;  // the entry of the list
    Rect box;       // the whole row, label and zones
    int textX = 0;
    std::string text;  // the label as drawn, cut to the room there is
    bool remark = false;
    bool script = false;
    bool selected = false;
    bool failed = false;
    bool hasContext = false;
    bool ignoreContext = false;
};

struct BookmarkPanelShape {
    bool shown = false;
    Rect box;
    int edge = 0;        // the x the click zones are measured from
    bool zones = false;  // a wide view: the context and remove zones act
    bool opaque = true;  // the list hides the text beneath ("textoverbook" off)
    int rowHeight = 0;
    std::vector<BookmarkRowShape> rows;
};

// The list as the view shows it now; not shown while hidden by CONTROL+Q, empty, or when the
// view has no room for a row. `measure` is the small font the labels are drawn with.
BookmarkPanelShape bookmarkPanelShape(const View& view, const BookmarkList& list,
                                      const TextMeasure& measure);

enum class BookmarkZone : int { kNone = 0, kPanel, kSelect, kToggleContext, kRemove };

struct BookmarkHit {
    BookmarkZone zone = BookmarkZone::kNone;
    int index = -1;  // the entry under a row zone
};
// What lies at a pixel: kNone off the list, kPanel on the list but on no row, else the zone
// of the row's entry.
BookmarkHit bookmarkPanelHit(const BookmarkPanelShape& panel, int x, int y);

// The text a row shows: the label, or the line's own text for a bookmark without one.
std::string bookmarkRowText(const BookmarkList& list, int index);

// The small font as a measure; every width is 0 while there is no such font.
TextMeasure bookFontMeasure();

// Draws the list as laid out, in the small font (bookmark_panel_paint.cpp).
void drawBookmarkPanel(Painter& painter, const BookmarkPanelShape& panel, const Font& font);

}  // namespace tessel
