#include "view/scroll_bars.h"

#include <algorithm>
#include <cstdint>

#include "text/text_store.h"
#include "view/frame_layout.h"
#include "view/sidebar.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

constexpr int kStatusRows = 2;

// There is one pointer: the view it hovers over the bar of and the view whose thumb it
// drags. The views are only compared, never reached through these.
struct PointerOnBar {
    const View* hover = nullptr;
    const View* drag = nullptr;
    // Where on the thumb the press was, so the thumb does not jump under the pointer.
    int grabOffset = 0;
};

PointerOnBar& pointerOnBar() {
    static PointerOnBar state;
    return state;
}

bool verticalTiling(const View& view) {
    return view.frame ? !view.frame->horizontalTiling : true;
}

}  // namespace

ScrollBarOptions& scrollBarOptions() {
    static ScrollBarOptions options;
    return options;
}

ScrollBarGeometry scrollBarGeometry(int lineCount, int pageRows, int topLine, const Rect& track) {
    ScrollBarGeometry bar;
    bar.track = track;
    const int page = std::max(pageRows, 1);
    if (lineCount <= page || track.width <= 0 || track.height < 2 * kMinThumb) return bar;
    bar.shown = true;
    bar.lastTop = lineCount - page;
    bar.topLine = std::clamp(topLine, 0, bar.lastTop);
    // 64-bit products: a text of millions of lines times a track of a thousand pixels.
    const int64_t length = static_cast<int64_t>(track.height) * page / lineCount;
    bar.thumbLength = static_cast<int>(std::clamp<int64_t>(length, kMinThumb, track.height));
    const int64_t room = track.height - bar.thumbLength;
    bar.thumbTop = track.y + static_cast<int>(room * bar.topLine / bar.lastTop);
    return bar;
}

int topLineForThumb(const ScrollBarGeometry& bar, int thumbTop) {
    if (!bar.shown) return 0;
    const int64_t room = bar.track.height - bar.thumbLength;
    if (room <= 0) return 0;
    const int64_t offset = std::clamp<int64_t>(thumbTop - bar.track.y, 0, room);
    // Rounded to the nearest line, so that putting the thumb back where it was drawn gives
    // the same top line.
    return static_cast<int>((offset * bar.lastTop + room / 2) / room);
}

ScrollBarGeometry verticalScrollBar(const View& view) {
    if (scrollBarOptions().hideInVerticalTiling && verticalTiling(view)) return {};
    // The loader owns the store meanwhile; even its line count is not ours to read.
    if (view.textStore().loadRunning.load()) return {};
    const int rows = std::clamp(view.rows, kStatusRows, kScreenRows);
    const int textBottom = (rows - kStatusRows) * std::max(view.lineHeight, 1);
    const int top = std::max(sidebarColumnBottom(view), 0) + kScrollBarMargin;
    const int bottom = std::min(textBottom, view.clientHeight) - kScrollBarMargin;
    const int width = std::min(kScrollBarHitWidth, view.clientWidth / 4);
    const Rect track{view.clientWidth - width, top, width, bottom - top};
    return scrollBarGeometry(scrollLineCount(view), scrollTextRows(view), view.search.topLine,
                             track);
}

ScrollBarPart scrollBarPartAt(const ScrollBarGeometry& bar, int x, int y) {
    if (!bar.shown || !bar.track.contains(x, y)) return ScrollBarPart::kNone;
    if (y < bar.thumbTop) return ScrollBarPart::kAbove;
    if (y >= bar.thumbTop + bar.thumbLength) return ScrollBarPart::kBelow;
    return ScrollBarPart::kThumb;
}

int scrollBarPress(View& view, int x, int y) {
    PointerOnBar& pointer = pointerOnBar();
    pointer.drag = nullptr;
    const ScrollBarGeometry bar = verticalScrollBar(view);
    switch (scrollBarPartAt(bar, x, y)) {
        case ScrollBarPart::kNone:
            return 1;
        case ScrollBarPart::kThumb:
            pointer.drag = &view;
            pointer.grabOffset = y - bar.thumbTop;
            return 0;
        case ScrollBarPart::kAbove:
            scrollPages(view, -1);
            return 0;
        case ScrollBarPart::kBelow:
            scrollPages(view, 1);
            return 0;
    }
    return 1;
}

int scrollBarDrag(View& view, int /*x*/, int y) {
    PointerOnBar& pointer = pointerOnBar();
    if (pointer.drag != &view) return 1;
    const ScrollBarGeometry bar = verticalScrollBar(view);
    // The text may have changed under the drag until it all fits.
    if (!bar.shown) return 2;
    return scrollTo(view, topLineForThumb(bar, y - pointer.grabOffset)) == 0 ? 0 : 2;
}

int scrollBarRelease(const View& view) {
    PointerOnBar& pointer = pointerOnBar();
    if (pointer.drag != &view) return 1;
    pointer.drag = nullptr;
    return 0;
}

bool scrollBarDragging(const View& view) {
    return pointerOnBar().drag == &view;
}

bool scrollBarHover(const View& view, int x, int y) {
    PointerOnBar& pointer = pointerOnBar();
    const bool over = scrollBarPartAt(verticalScrollBar(view), x, y) != ScrollBarPart::kNone;
    const bool was = pointer.hover == &view;
    if (over == was) return false;
    pointer.hover = over ? &view : nullptr;
    return true;
}

ScrollBarShape scrollBarShape(const View& view) {
    ScrollBarShape shape;
    const ScrollBarGeometry bar = verticalScrollBar(view);
    if (!bar.shown) return shape;
    const PointerOnBar& pointer = pointerOnBar();
    shape.shown = true;
    shape.active = pointer.hover == &view || pointer.drag == &view;
    const int width = std::min(shape.active ? kThumbWidthActive : kThumbWidth, bar.track.width);
    const int x = bar.track.right() - kScrollBarMargin - width;
    shape.track = {x, bar.track.y, width, bar.track.height};
    shape.thumb = {x, bar.thumbTop, width, bar.thumbLength};
    return shape;
}

}  // namespace tessel
