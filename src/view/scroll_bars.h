// The overlay scroll bar of a view: a thin track with a thumb drawn over the right edge of the
// text area, so the text keeps all its columns and rows. The thumb's length is the page's share
// of the text (never shorter than kMinThumb), its place the top line's share of the way. A
// press on the thumb drags it, a press on the track above or below pages. The geometry is
// plain arithmetic on the view's pixel size and line counts, so it needs no display.
#pragma once

#include "platform/geometry.h"

namespace tessel {

class View;

// The drawn width of the thumb, wider while the pointer is over the bar or drags it.
inline constexpr int kThumbWidth = 6;
inline constexpr int kThumbWidthActive = 10;
// The strip at the right edge where presses belong to the bar: wider than the thumb, so
// that it is easy to hit.
inline constexpr int kScrollBarHitWidth = 14;
inline constexpr int kMinThumb = 20;
// Space kept free between the track and the right edge, the sidebar and the status rows.
inline constexpr int kScrollBarMargin = 2;

// Settings for all views of the frame.
struct ScrollBarOptions {
    // Set by the power settings: views side by side are narrow enough without a bar.
    bool hideInVerticalTiling = false;
};
ScrollBarOptions& scrollBarOptions();

struct ScrollBarGeometry {
    bool shown = false;
    // The track, as wide as the hit strip; the thumb lies inside it.
    Rect track;
    int thumbTop = 0;
    int thumbLength = 0;
    int topLine = 0;
    int lastTop = 0;
};

// The bar of a text of `lineCount` lines of which `pageRows` show, with `topLine` at the top,
// in the given track. Not shown when everything fits or the track is too short for a thumb.
ScrollBarGeometry scrollBarGeometry(int lineCount, int pageRows, int topLine, const Rect& track);
// The top line that puts the thumb's top edge at pixel `thumbTop` (clamped to the track).
int topLineForThumb(const ScrollBarGeometry& bar, int thumbTop);

// The view's bar: the track runs along the right edge from below the sidebar to above the
// status rows; hidden after the power settings in vertical tiling.
ScrollBarGeometry verticalScrollBar(const View& view);

enum class ScrollBarPart : int { kNone = 0, kThumb, kAbove, kBelow };
ScrollBarPart scrollBarPartAt(const ScrollBarGeometry& bar, int x, int y);

// A left press at a pixel: on the thumb a drag starts, on the track the view moves a page.
// 0 taken (the view may have moved), 1 not on the bar.
int scrollBarPress(View& view, int x, int y);
// The pointer moved while a drag of this view's thumb runs: the top line follows. 0 the view
// moved, 2 it stayed, 1 no drag of this view.
int scrollBarDrag(View& view, int x, int y);
// The button came up: 0 a drag ended, 1 none ran.
int scrollBarRelease(const View& view);
bool scrollBarDragging(const View& view);
// The pointer is over the bar of this view (or left it): true when the bar must be drawn
// again because its look changes.
bool scrollBarHover(const View& view, int x, int y);

// The bar as it is drawn: the visible track at the right of the hit strip and the thumb in
// it, wider while the pointer is over the bar or drags it (`active`).
struct ScrollBarShape {
    bool shown = false;
    bool active = false;
    Rect track;
    Rect thumb;
};
ScrollBarShape scrollBarShape(const View& view);

}  // namespace tessel
