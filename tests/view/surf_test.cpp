#include "view/surf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "frame_fake_host.h"
#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

class SurfTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        testing::resetFrameSettings(monitors);
        frame.setArea(0, 0, 1200, 800, 20, false);
        config().setInt("assist", 0);
        config().setInt("enableHorizontalSurf", 0);
        config().setInt("motionfilter", 0);
        config().setInt("softscrollenable", 0);
        for (int i = 0; i < 5000; ++i) store.addLine("some text\n", true);
        store.finish();
        view.search.textStorePtr = &store;
        view.rows = 7;  // five text rows
    }
    void TearDown() override { testing::resetFrameSettings(monitors); }

    // One mouse move (dx, dy) away from the start, `gap` ms after the previous one.
    int move(int dx, int dy, int gap = 10) {
        now += gap;
        return surfMove(view, kX + dx, kY + dy, kX, kY, now, false);
    }
    int top() const { return view.search.topLine; }

    static constexpr int kX = 300;
    static constexpr int kY = 200;
    MonitorTable monitors;
    testing::FakeWindowHost host;
    FrameLayout frame{&host, &monitors};
    TextStore store;
    View view;
    int64_t now = 1000;
};

TEST_F(SurfTest, VerticalRunAcceleratesByTheLaw) {
    int expectedTop = 0;
    double speed = 0.0;
    for (int n = 1; n <= 200; ++n) {
        expectedTop += static_cast<int>(speed) + 1;  // whole part of the speed + 1 lines
        ASSERT_EQ(move(0, 4), kSurfRedraw) << n;
        ASSERT_EQ(top(), expectedTop) << n;
        speed = std::min(0.02 * n + 0.001 * n * (n - 1) / 2, 5.0);  // capped at the rows
        ASSERT_NEAR(view.surf.vSpeed, speed, 1e-9) << n;
    }
    // Turning round restarts the speed.
    EXPECT_EQ(move(0, -4), kSurfRedraw);
    EXPECT_EQ(top(), expectedTop - 1);
    EXPECT_NEAR(view.surf.vSpeed, 0.02, 1e-12);
}

TEST_F(SurfTest, RunsStopAtTheEnds) {
    view.search.topLine = 1;
    EXPECT_EQ(move(0, -5), kSurfRedraw);
    EXPECT_EQ(move(0, -5), 1);
    EXPECT_EQ(top(), 0);
    EXPECT_EQ(view.surf.vSpeed, 0.0);
    // Down ends with the last line on the bottom row, never past it.
    view.search.topLine = lastTopLine(view) - 5;
    view.surf.vSpeed = 4.5;
    view.surf.vDirection = 1;
    EXPECT_EQ(move(0, 5), kSurfRedraw);
    EXPECT_EQ(move(0, 5), 1);
    EXPECT_EQ(top(), lastTopLine(view));
}

TEST_F(SurfTest, MotionFilterIgnoresQuickReversals) {
    view.search.topLine = 500;
    config().setInt("motionfilter", 1);
    EXPECT_EQ(move(0, 4, 10), kSurfRedraw);
    EXPECT_EQ(move(0, -4, 30), 1);  // reversed within 40 ms
    EXPECT_EQ(move(0, -4, 5), 1);   // still within 40 ms of the last accepted move
    EXPECT_EQ(top(), 501);
    EXPECT_EQ(move(0, -4, 45), kSurfRedraw);
    EXPECT_EQ(top(), 500);
}

TEST_F(SurfTest, DirectionChoiceAndHorizontalLimit) {
    config().setInt("enableHorizontalSurf", 1);
    EXPECT_EQ(move(4, 1), 1);  // below both sensitivities (3 and 6): still choosing
    EXPECT_EQ(move(3, 1), kSurfRedraw);
    EXPECT_EQ(view.surf.mode, kSurfHorizontal);
    EXPECT_EQ(view.display.scrollColumn, 1);
    // A pause over 200 ms starts a new stroke that chooses again.
    EXPECT_EQ(move(0, 2, 250), 1);
    EXPECT_EQ(move(0, 2), kSurfRedraw);
    EXPECT_EQ(view.surf.mode, kSurfVertical);
    EXPECT_EQ(top(), 1);
    EXPECT_EQ(move(0, 0), 1);  // the pointer put back to the start

    surfEnd(view);
    view.display.scrollColumn = 4090;
    for (int i = 0; i < 20; ++i) move(10, 0);
    EXPECT_EQ(view.display.scrollColumn, kMaxScrollColumns);
    for (int i = 0; i < 600; ++i) move(-10, 0);
    EXPECT_EQ(view.display.scrollColumn, 0);
}

TEST_F(SurfTest, ShiftScrollsTheRightNeighbourAlong) {
    View* left = frame.createView(0);
    View* right = frame.createView(1);
    ASSERT_TRUE(left && right);
    for (View* each : {left, right}) {
        each->search.textStorePtr = &store;
        each->rows = 7;
    }
    config().setInt("motionfilter", 0);
    left->search.topLine = 100;
    EXPECT_EQ(surfMove(*left, 0, 5, 0, 0, 10, true), kSurfRedraw);
    EXPECT_EQ(surfMove(*left, 0, 5, 0, 0, 20, false), kSurfRedraw);
    EXPECT_EQ(left->search.topLine, 102);
    EXPECT_EQ(right->search.topLine, 1);
    EXPECT_EQ(surfMove(*right, 0, 5, 0, 0, 10, true), kSurfRedraw);  // the last has none
    EXPECT_EQ(left->search.topLine, 102);
}

TEST_F(SurfTest, WheelScrollsLinesOrSoftly) {
    view.search.topLine = 50;
    EXPECT_EQ(wheel(view, -kWheelNotch, now), kSurfRedraw);
    EXPECT_EQ(top(), 53);
    // Finer wheels add up to lines; turning round drops the unused part.
    EXPECT_EQ(wheel(view, 30, now), 1);
    EXPECT_EQ(wheel(view, -30, now), 1);
    EXPECT_EQ(wheel(view, 40, now), kSurfRedraw);
    EXPECT_EQ(top(), 52);

    config().setInt("softscrollenable", 1);
    config().setText("scrollfactor", "3");
    view.search.topLine = 100;
    ASSERT_EQ(wheel(view, -kWheelNotch, now), kWheelTicking);
    int first = -1;
    int last = -1;
    bool moved = false;
    for (int before = top(); wheelTick(view, now += kWheelTickMs, &moved); before = top()) {
        if (first < 0) first = top() - before;
        if (moved) last = top() - before;
    }
    EXPECT_EQ(top(), 112);   // scroll factor 3 x 4 lines
    EXPECT_GT(first, last);  // fast at first, slow at the end
    // The end of the text ends the run at once.
    view.search.topLine = lastTopLine(view) - 1;
    wheel(view, -10 * kWheelNotch, now);
    int ticks = 0;
    while (wheelTick(view, now += kWheelTickMs, nullptr)) ++ticks;
    EXPECT_EQ(top(), lastTopLine(view));
    EXPECT_LT(ticks, 3);
}

TEST(SurfSettings, SensitivityMustBe1To50) {
    testing::LogCapture log;
    appSettings().vSurfSensitivity = 3;
    EXPECT_EQ(applyConfigKeyword("vsurfsensitivity", "0"), 9);
    EXPECT_TRUE(log.contains("[note] invalid vsurfsensitivity, use 1 to 50"));
    EXPECT_EQ(applyConfigKeyword("hsurfsensitivity", "51"), 9);
    EXPECT_TRUE(log.contains("[note] invalid hsurfsensitivity, use 1 to 50"));
    EXPECT_EQ(appSettings().vSurfSensitivity, 3);
    EXPECT_EQ(applyConfigKeyword("vsurfsensitivity", "50"), 0);
    EXPECT_EQ(appSettings().vSurfSensitivity, 50);
    resetAppSettings();
}

}  // namespace
}  // namespace tessel
