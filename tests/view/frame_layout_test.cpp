#include <gtest/gtest.h>

#include <cstring>

#include "frame_fake_host.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::FakeWindowHost;
using testing::LogCapture;

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::resetFrameSettings(monitors);
        frame.setArea(0, 0, 1200, 800, 20, false);
    }
    void TearDown() override { setMessageBoxHook(nullptr); }

    void addViews(int count) {
        for (int i = 0; i < count; ++i) ASSERT_NE(frame.createView(frame.viewCount()), nullptr);
    }
    int64_t relWidth(int i) const { return frame.viewAt(i)->relWidth; }

    MonitorTable monitors;
    FakeWindowHost host;
    FrameLayout frame{&host, &monitors};
};

TEST_F(FrameTest, ThreeViewsShareTheAreaInOrder) {
    addViews(3);
    EXPECT_TRUE(host.frameOpen);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frame.viewAt(i)->index, i);
        EXPECT_EQ(frame.viewAt(i)->relX, 33333 * i);
        EXPECT_EQ(relWidth(i), 33333);
        EXPECT_EQ(frame.viewAt(i)->relHeight, kRelUnits);
    }
    EXPECT_EQ(host.kinds[frame.viewAt(0)->window], ViewWindowKind::kChild);
    EXPECT_EQ(host.titles[frame.viewAt(0)->window], "tessel");
    EXPECT_EQ(host.titles[frame.viewAt(2)->window], "tessel_3");
    EXPECT_EQ(host.lastClass, "Tessel");

    // A view inserted in front renumbers the others and takes the focus.
    View* first = frame.createView(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->index, 0);
    EXPECT_EQ(frame.viewAt(3)->index, 3);
    EXPECT_STREQ(frame.viewAt(3)->indexText, "4");
    EXPECT_EQ(host.focused, first->window);
    EXPECT_TRUE(first->active);
    EXPECT_FALSE(frame.viewAt(1)->active);
}

TEST_F(FrameTest, DoubleClickWidensTheMiddleViewAndASecondOneEvensOut) {
    addViews(3);
    EXPECT_EQ(frame.viewAt(1)->expandOrRaise(true), 0);
    EXPECT_EQ(frame.viewAt(1)->weight, 1200);
    EXPECT_EQ(frame.viewAt(2)->weight, 800);
    EXPECT_EQ(relWidth(0), 26666);
    EXPECT_EQ(relWidth(1), 46666);
    EXPECT_EQ(relWidth(2), 26666);
    EXPECT_EQ(frame.viewAt(2)->relX, 26666 + 46666);

    EXPECT_EQ(frame.viewAt(1)->expandOrRaise(true), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(relWidth(i), 33333);
}

TEST_F(FrameTest, DoubleClickLeavesFirstViewsAndSmallFramesAlone) {
    addViews(2);
    EXPECT_EQ(frame.viewAt(1)->expandOrRaise(true), 1);
    addViews(1);
    EXPECT_EQ(frame.viewAt(0)->expandOrRaise(true), 1);
    EXPECT_EQ(relWidth(0), 33333);
    appSettings().doubleClickExpand = false;
    EXPECT_EQ(frame.viewAt(1)->expandOrRaise(true), 1);
    EXPECT_EQ(frame.viewAt(1)->weight, 1000);
}

TEST_F(FrameTest, DoubleClickRestoresMaximizedViewsFirst) {
    addViews(3);
    frame.viewAt(2)->maximized = true;
    frame.distributeShares();
    EXPECT_EQ(relWidth(2), kRelUnits);
    EXPECT_EQ(frame.viewAt(1)->expandOrRaise(true), 0);
    EXPECT_FALSE(frame.viewAt(2)->maximized);
    EXPECT_EQ(relWidth(2), 33333);
    EXPECT_EQ(frame.viewAt(1)->weight, 1000);
}

TEST_F(FrameTest, CoveredViewIsRaisedNotExpanded) {
    frame.applyFrameMode(FrameMode::kIsolated);
    addViews(3);
    EXPECT_EQ(host.kinds[frame.viewAt(0)->window], ViewWindowKind::kBordered);
    View& middle = *frame.viewAt(1);
    const View& first = *frame.viewAt(0);
    FrameRect firstRect{first.windowX, first.windowY, first.windowWidth, first.windowHeight};
    host.topWindows = {{first.window, true, firstRect, "tessel"},
                       {999, false, FrameRect{0, 0, 1200, 800}, "hidden"},
                       {998, true, FrameRect{500, 100, 50, 50}, std::string(300, 'e')}};
    EXPECT_EQ(frame.findCoveringWindow(), 1);
    EXPECT_EQ(frame.coveringTitle.size(), 190u);
    EXPECT_EQ(middle.expandOrRaise(true), 1);
    EXPECT_EQ(middle.weight, 1000);

    host.topWindows.erase(host.topWindows.begin() + 2);
    EXPECT_EQ(frame.findCoveringWindow(), -1);
    EXPECT_EQ(middle.expandOrRaise(true), 0);
    EXPECT_EQ(middle.weight, 1200);
}

TEST_F(FrameTest, RemoveViewShiftsRenumbersAndGuards) {
    addViews(4);
    frame.viewAt(1)->expandOrRaise(true);
    WindowId gone = frame.viewAt(1)->window;
    frame.focusView = 3;
    ASSERT_EQ(frame.removeView(1), 0);
    ASSERT_EQ(frame.viewCount(), 3);
    EXPECT_EQ(host.destroyed.back(), gone);
    EXPECT_EQ(frame.viewAt(1)->index, 1);
    EXPECT_EQ(frame.viewAt(1)->weight, 1000);  // was 800 as the right neighbour
    EXPECT_EQ(frame.focusView, 2);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(relWidth(i), 33333);

    LogCapture log;
    EXPECT_EQ(frame.removeView(3), 9);
    EXPECT_EQ(frame.removeView(-1), 9);
    EXPECT_TRUE(log.contains("int. #2154636"));
    host.loading = true;
    EXPECT_EQ(frame.removeView(0), 1);
    EXPECT_TRUE(log.contains("close blocked, load ongoing"));
    EXPECT_EQ(frame.viewCount(), 3);
}

TEST_F(FrameTest, FailedWindowLeavesNoView) {
    addViews(1);
    std::string boxText;
    setMessageBoxHook([&](const char*, const char* text) { boxText = text; });
    host.failViewWindow = true;
    EXPECT_EQ(frame.createView(1), nullptr);
    EXPECT_EQ(boxText, "cannot create window.");
    EXPECT_EQ(frame.viewCount(), 1);
    EXPECT_EQ(relWidth(0), kRelUnits);
}

TEST_F(FrameTest, CycleMovesStatesButKeepsWindows) {
    addViews(3);
    const char* masks[] = {"alpha", "beta", "gamma"};
    WindowId windows[3];
    for (int i = 0; i < 3; ++i) {
        frame.viewAt(i)->search.setFindMask(masks[i]);
        windows[i] = frame.viewAt(i)->window;
    }
    host.focused = 0;
    for (auto& view : frame.views) view->active = view->index == 0;

    ASSERT_EQ(frame.cycleViews(1), 0);
    EXPECT_STREQ(frame.viewAt(0)->search.findMask, "gamma");
    EXPECT_STREQ(frame.viewAt(1)->search.findMask, "alpha");
    EXPECT_STREQ(frame.viewAt(2)->search.findMask, "beta");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frame.viewAt(i)->window, windows[i]);
        EXPECT_EQ(frame.viewAt(i)->index, i);
        EXPECT_EQ(relWidth(i), 33333);
    }
    // The focus follows the state that had it.
    EXPECT_EQ(host.focused, windows[1]);
    EXPECT_TRUE(frame.viewAt(1)->active);
    EXPECT_FALSE(frame.viewAt(0)->active);

    ASSERT_EQ(frame.cycleViews(-1), 0);
    ASSERT_EQ(frame.cycleViews(-1), 0);
    EXPECT_STREQ(frame.viewAt(0)->search.findMask, "beta");
    EXPECT_STREQ(frame.viewAt(2)->search.findMask, "alpha");

    ASSERT_EQ(frame.removeView(2), 0);
    ASSERT_EQ(frame.removeView(1), 0);
    LogCapture log;
    EXPECT_EQ(frame.cycleViews(1), 1);
    EXPECT_TRUE(log.contains("need more than one window to cycle"));
}

TEST_F(FrameTest, GapRuleTakesNoGapFromNarrowViews) {
    View view;
    view.relWidth = kRelUnits / 2;
    FrameRect wide = tileRect(view, FrameRect{10, 0, 400, 300}, false, 30, false);
    EXPECT_EQ(wide.x, 10);
    EXPECT_EQ(wide.width, 170);
    FrameRect narrow = tileRect(view, FrameRect{0, 0, 160, 300}, false, 30, false);
    EXPECT_EQ(narrow.width, 80);  // 3 x 30 >= 80
    EXPECT_EQ(tileRect(view, FrameRect{0, 0, 400, 300}, false, 30, true).width, 200);
    view.maximized = true;
    EXPECT_EQ(tileRect(view, FrameRect{0, 0, 400, 300}, false, 30, false).width, 200);

    // Stacked views spread the same shares over the height.
    view.maximized = false;
    view.relX = kRelUnits / 2;
    FrameRect stacked = tileRect(view, FrameRect{0, 0, 400, 300}, true, 30, false);
    EXPECT_EQ(stacked.y, 150);
    EXPECT_EQ(stacked.height, 120);
    EXPECT_EQ(stacked.width, 400);
}

TEST_F(FrameTest, PlacementUsesGapsOnlyWithoutTheMasterFrame) {
    config().setInt("usegaps", 1);
    config().setText("gapsize", "30");
    frame.applyFrameMode(FrameMode::kOverscan);
    addViews(2);
    EXPECT_EQ(host.kinds[frame.viewAt(0)->window], ViewWindowKind::kPopup);
    EXPECT_EQ(frame.viewAt(0)->windowWidth, 570);
    EXPECT_EQ(frame.viewAt(1)->windowX, 600);
    EXPECT_EQ(frame.viewAt(1)->windowWidth, 600);
    EXPECT_EQ(host.moved[frame.viewAt(0)->window].width, 570);

    frame.toggleTiling();
    EXPECT_EQ(frame.viewAt(0)->windowHeight, 370);
    EXPECT_EQ(frame.viewAt(1)->windowY, 400);
    EXPECT_EQ(frame.viewAt(1)->windowWidth, 1200);
}

TEST_F(FrameTest, SwitchingFrameModesKeepsTheFrameRectangleAsArea) {
    addViews(2);
    host.frameRect = FrameRect{-30, 100, 1000, 2000};  // hangs over the monitor's edges
    ASSERT_EQ(frame.switchFrameMode(true), 0);
    EXPECT_FALSE(host.frameOpen);
    EXPECT_FALSE(frame.masterFrame);
    EXPECT_FALSE(frame.viewBorders);
    EXPECT_EQ(frame.currentFrameMode(), FrameMode::kOverscan);
    EXPECT_EQ(frame.areaX, 0);
    EXPECT_EQ(frame.areaY, 100);
    EXPECT_EQ(frame.areaWidth, 970);
    EXPECT_EQ(frame.areaHeight, 940);
    EXPECT_EQ(host.kinds[frame.viewAt(1)->window], ViewWindowKind::kPopup);
    EXPECT_EQ(frame.viewAt(1)->windowX, 485);

    ASSERT_EQ(frame.switchFrameMode(false), 0);
    EXPECT_TRUE(host.frameOpen);
    EXPECT_EQ(frame.currentFrameMode(), FrameMode::kMaster);
    EXPECT_EQ(host.kinds[frame.viewAt(1)->window], ViewWindowKind::kChild);
    EXPECT_EQ(frame.viewAt(1)->windowX, 485);  // frame client coordinates

    host.failFrame = true;
    frame.switchFrameMode(false);
    ASSERT_EQ(frame.switchFrameMode(false), 9);
    EXPECT_FALSE(frame.masterFrame);
    EXPECT_FALSE(frame.relayoutBusy);
}

TEST_F(FrameTest, LeanStartCentresASingleTopLevelView) {
    frame.applyFrameMode(FrameMode::kIsolated);
    frame.leanMode = true;
    addViews(1);
    EXPECT_EQ(frame.viewAt(0)->relX, 30000);
    EXPECT_EQ(relWidth(0), 40000);
    addViews(1);
    EXPECT_EQ(frame.viewAt(0)->relX, 0);
}

}  // namespace
}  // namespace tessel
