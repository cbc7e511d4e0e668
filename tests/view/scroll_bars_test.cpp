#include "view/scroll_bars.h"

#include <gtest/gtest.h>

#include <array>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "text/text_store.h"
#include "view/frame_layout.h"
#include "view/sidebar.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

TEST(ScrollBarGeometry, ThumbIsThePagesShareOfTheTrack) {
    const Rect track{786, 100, 14, 400};
    // Everything fits, or the track is too short for a thumb: no bar.
    EXPECT_FALSE(scrollBarGeometry(30, 30, 0, track).shown);
    EXPECT_FALSE(scrollBarGeometry(1000, 30, 0, Rect{786, 100, 14, 2 * kMinThumb - 1}).shown);

    ScrollBarGeometry bar = scrollBarGeometry(100, 25, 0, track);
    EXPECT_EQ(bar.thumbLength, 100);
    // A top line out of range (the text shrank) still draws the thumb inside the track.
    bar = scrollBarGeometry(100, 25, 5000, track);
    EXPECT_EQ(bar.thumbTop + bar.thumbLength, track.bottom());

    // A huge text keeps a thumb that can be grabbed, and its products do not overflow.
    bar = scrollBarGeometry(26500000, 40, 26499960, track);
    EXPECT_EQ(bar.thumbLength, kMinThumb);
    EXPECT_EQ(bar.thumbTop + bar.thumbLength, track.bottom());
    bar = scrollBarGeometry(26500000, 40, 13249980, track);
    EXPECT_EQ(bar.thumbTop, track.y + (track.height - kMinThumb) / 2);
}

TEST(ScrollBarGeometry, DraggingTheThumbGivesBackItsTopLine) {
    const Rect track{0, 50, 14, 300};
    // Fewer lines than pixels of travel: every top line comes back from its own thumb place.
    for (int top = 0; top <= 90; ++top) {
        const ScrollBarGeometry bar = scrollBarGeometry(120, 30, top, track);
        EXPECT_EQ(topLineForThumb(bar, bar.thumbTop), top);
    }
    // More lines than pixels: the thumb's ends reach the text's ends, beyond them it clamps.
    const ScrollBarGeometry bar = scrollBarGeometry(1000000, 30, 0, track);
    EXPECT_EQ(topLineForThumb(bar, -500), 0);
    EXPECT_EQ(topLineForThumb(bar, track.bottom() - bar.thumbLength), bar.lastTop);
    EXPECT_EQ(topLineForThumb(bar, 5000), bar.lastTop);
}

class ScrollBarViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        saved = {config().getInt("assist"), config().getInt("showsidebar")};
        config().setInt("assist", 0);
        config().setInt("showsidebar", 1);
        scrollBarOptions() = {};
        for (int i = 0; i < 300; ++i) ASSERT_EQ(store.addLine("line\n", true), 0);
        ASSERT_EQ(store.finish(), 0);
        view.search.textStorePtr = &store;
        view.clientWidth = 800;
        view.clientHeight = 600;
        view.lineHeight = 20;
        view.rows = 30;  // 28 text rows and the status rows
    }
    void TearDown() override {
        config().setInt("assist", saved[0]);
        config().setInt("showsidebar", saved[1]);
        scrollBarRelease(view);
        scrollBarHover(view, -1, -1);
        scrollBarOptions() = {};
    }
    int top() const { return view.search.topLine; }

    std::array<int, 2> saved{};
    TextStore store;
    View view;
};

TEST_F(ScrollBarViewTest, TrackRunsBesideTheTextRowsBelowTheSidebar) {
    ScrollBarGeometry bar = verticalScrollBar(view);
    ASSERT_TRUE(bar.shown);
    EXPECT_EQ(bar.track.right(), 800);
    // Whether the sidebar shows at the moment or not, the track starts below its place.
    EXPECT_GT(bar.track.y, sidebarColumnBottom(view));
    EXPECT_EQ(bar.track.bottom(), 28 * 20 - kScrollBarMargin);
    EXPECT_EQ(bar.lastTop, lastTopLine(view));
    // While a load writes the store, nothing of it is read for the bar.
    store.loadRunning = true;
    EXPECT_FALSE(verticalScrollBar(view).shown);
    store.loadRunning = false;
    // A filtered view counts its rows: a short list needs no bar.
    view.filterMode = FilterMode::kFiltered;
    view.filteredLineCount = 20;
    EXPECT_FALSE(verticalScrollBar(view).shown);
    view.filterMode = FilterMode::kFullText;

    // The power settings' choice: no bar while views stand side by side.
    FrameLayout frame;
    view.frame = &frame;
    scrollBarOptions().hideInVerticalTiling = true;
    EXPECT_FALSE(verticalScrollBar(view).shown);
    frame.horizontalTiling = true;
    EXPECT_TRUE(verticalScrollBar(view).shown);
    view.frame = nullptr;
}

TEST_F(ScrollBarViewTest, PressesPageAndTheThumbDrags) {
    ScrollBarGeometry bar = verticalScrollBar(view);
    const int x = 795;
    EXPECT_EQ(scrollBarPress(view, 700, bar.thumbTop), 1);  // beside the bar
    EXPECT_EQ(scrollBarPress(view, x, bar.thumbTop + bar.thumbLength + 5), 0);
    EXPECT_EQ(top(), scrollTextRows(view) - 1);  // a page, as PAGE DOWN moves
    bar = verticalScrollBar(view);
    EXPECT_EQ(scrollBarPress(view, x, bar.thumbTop - 1), 0);
    EXPECT_EQ(top(), 0);
    EXPECT_FALSE(scrollBarDragging(view));

    // Grabbed in its middle, the thumb keeps that point under the pointer.
    bar = verticalScrollBar(view);
    const int grab = bar.thumbTop + bar.thumbLength / 2;
    EXPECT_EQ(scrollBarPress(view, x, grab), 0);
    EXPECT_EQ(scrollBarDrag(view, x, grab), 2);  // held still: nothing to redraw
    EXPECT_EQ(top(), 0);
    scrollBarDrag(view, 10, grab + 10000);  // far off the bar: to the end
    EXPECT_EQ(top(), lastTopLine(view));
    scrollBarDrag(view, x, grab + (bar.track.height - bar.thumbLength) / 2);
    EXPECT_NEAR(top(), lastTopLine(view) / 2, 1);
    // Coming over the bar changes its look once; moving on it does not.
    EXPECT_TRUE(scrollBarHover(view, x, grab));
    EXPECT_FALSE(scrollBarHover(view, x + 1, grab + 1));
    // After the release the pointer's moves are no drag any more.
    EXPECT_EQ(scrollBarRelease(view), 0);
    EXPECT_EQ(scrollBarDrag(view, x, grab), 1);
    EXPECT_NEAR(top(), lastTopLine(view) / 2, 1);
}

// The bar as drawn: a thin track at the right of the hit strip with the thumb in it, wider
// while the pointer is on the bar.
TEST_F(ScrollBarViewTest, ShapeFollowsTheGeometryAndThePointer) {
    const ScrollBarGeometry bar = verticalScrollBar(view);
    ScrollBarShape shape = scrollBarShape(view);
    ASSERT_TRUE(shape.shown);
    EXPECT_FALSE(shape.active);
    EXPECT_EQ(shape.track.width, kThumbWidth);
    EXPECT_EQ(shape.track.right(), 800 - kScrollBarMargin);
    EXPECT_EQ(shape.track.y, bar.track.y);
    EXPECT_EQ(shape.track.height, bar.track.height);
    EXPECT_EQ(shape.thumb.y, bar.thumbTop);
    EXPECT_EQ(shape.thumb.height, bar.thumbLength);
    scrollBarHover(view, 795, bar.thumbTop);
    shape = scrollBarShape(view);
    EXPECT_TRUE(shape.active);
    EXPECT_EQ(shape.thumb.width, kThumbWidthActive);
    EXPECT_EQ(shape.thumb.right(), 800 - kScrollBarMargin);
    view.filterMode = FilterMode::kFiltered;
    view.filteredLineCount = 20;
    EXPECT_FALSE(scrollBarShape(view).shown);
    view.filterMode = FilterMode::kFullText;
}

}  // namespace
}  // namespace tessel
