#include "view/area_space.h"

#include <gtest/gtest.h>

#include "frame_fake_host.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::LogCapture;

TEST(AreaText, ReadsFourOrFiveNumbersAndRejectsEverythingElse) {
    AreaValues area;
    ASSERT_EQ(parseAreaText("10:20:800:600", &area), 0);
    EXPECT_EQ(area.x, 10);
    EXPECT_EQ(area.height, 600);
    EXPECT_EQ(area.gap, 20);
    ASSERT_EQ(parseAreaText(" -1920:0:800:600:7 ", &area), 0);
    EXPECT_EQ(area.x, -1920);
    EXPECT_EQ(area.gap, 7);

    for (const char* bad : {"", "10:20:800", "10:20:800:600:5:6", "10:20:x:600", "10::800:600",
                            "10:20:-800:600", "10:20:800:600:-1", "99999999999:0:800:600"}) {
        LogCapture log;
        AreaValues untouched;
        untouched.x = 77;
        EXPECT_EQ(parseAreaText(bad, &untouched), 9) << bad;
        EXPECT_EQ(untouched.x, 77) << bad;
        EXPECT_TRUE(log.contains("config: wrong syntax for area")) << bad;
        EXPECT_TRUE(log.contains("supply x:y:w:h")) << bad;
    }
}

TEST(SpaceText, MarginFormsAndMonitorSelection) {
    SpaceMargins space;
    ASSERT_EQ(parseSpaceText("10", &space), 0);
    EXPECT_EQ(space.top + space.right + space.bottom + space.left, 40);
    ASSERT_EQ(parseSpaceText("10:20", &space), 0);
    EXPECT_EQ(space.top, 10);
    EXPECT_EQ(space.bottom, 10);
    EXPECT_EQ(space.left, 20);
    EXPECT_EQ(space.right, 20);
    ASSERT_EQ(parseSpaceText("1:2:3", &space), 0);
    EXPECT_EQ(space.top, 1);
    EXPECT_EQ(space.left, 2);
    EXPECT_EQ(space.right, 2);
    EXPECT_EQ(space.bottom, 3);
    ASSERT_EQ(parseSpaceText("1:2:3:4@3", &space), 0);
    EXPECT_EQ(space.right, 2);
    EXPECT_EQ(space.left, 4);
    EXPECT_EQ(space.monitor, 3);
    ASSERT_EQ(parseSpaceText("m2:5", &space), 0);
    EXPECT_EQ(space.monitor, 2);
    EXPECT_EQ(space.top, 5);

    for (const char* bad : {"", "1:2:3:4:5", "1:2@2", "m:5", "mx:5", "a:b", "-5", "1:2:3:4@"}) {
        LogCapture log;
        EXPECT_EQ(parseSpaceText(bad, &space), 9) << bad;
        EXPECT_TRUE(log.contains("config: wrong syntax for space")) << bad;
        EXPECT_TRUE(log.contains("supply top:right:bottom:left")) << bad;
    }
}

class AreaTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::resetFrameSettings(monitors); }
    void TearDown() override { setTraceMode(false); }
    FrameRect area() const {
        return FrameRect{frame.areaX, frame.areaY, frame.areaWidth, frame.areaHeight};
    }

    MonitorTable monitors;
    FrameLayout frame{nullptr, &monitors};
};

TEST(SpaceText, EveryFormReadsBackFromItsWrittenForm) {
    for (const char* text : {"10", "10:20", "1:2:3:4", "m2:5:6:7:8", "1:2:3:4@2", "0"}) {
        SCOPED_TRACE(text);
        SpaceMargins space;
        ASSERT_EQ(parseSpaceText(text, &space), 0);
        SpaceMargins again;
        ASSERT_EQ(parseSpaceText(formatSpace(space), &again), 0) << formatSpace(space);
        EXPECT_EQ(again.monitor, space.monitor);
        EXPECT_EQ(again.top, space.top);
        EXPECT_EQ(again.right, space.right);
        EXPECT_EQ(again.bottom, space.bottom);
        EXPECT_EQ(again.left, space.left);
    }
}

TEST_F(AreaTest, SpaceFormsGiveTheSameAreas) {
    ASSERT_EQ(frame.parseSpace("10"), 0);
    FrameRect one = area();
    ASSERT_EQ(frame.parseSpace("10:10:10:10"), 0);
    FrameRect four = area();
    EXPECT_EQ(one.x, 10);
    EXPECT_EQ(one.y, 10);
    EXPECT_EQ(one.width, 1900);
    EXPECT_EQ(one.height, 1020);
    EXPECT_EQ(four.x, one.x);
    EXPECT_EQ(four.width, one.width);
    EXPECT_EQ(four.height, one.height);

    ASSERT_EQ(frame.parseSpace("10:20"), 0);
    EXPECT_EQ(frame.areaX, 20);
    EXPECT_EQ(frame.areaY, 10);
    EXPECT_EQ(frame.areaWidth, 1880);
    EXPECT_EQ(frame.areaHeight, 1020);
    EXPECT_EQ(frame.gap, 20);
}

TEST_F(AreaTest, TooSmallSpaceIsRefusedAndLeavesTheArea) {
    ASSERT_EQ(frame.parseSpace("10"), 0);
    FrameRect before = area();
    LogCapture log;
    EXPECT_EQ(frame.parseSpace("0:911"), 9);  // 98 pixels wide
    EXPECT_EQ(frame.parseSpace("520:0"), 9);  // 0 pixels high
    EXPECT_EQ(frame.areaX, before.x);
    EXPECT_EQ(frame.areaWidth, before.width);
    EXPECT_EQ(frame.workWidth, 1920);
    EXPECT_TRUE(log.contains("config: wrong syntax for space"));
    EXPECT_EQ(frame.parseSpace("0:910"), 0);  // 100 pixels wide is enough
}

TEST_F(AreaTest, SetAreaMinimumsAndLimits) {
    frame.selectMonitor(0, 0, 0, 0, 1);
    frame.setArea(100, 100, 300, 100, 20, false);
    EXPECT_EQ(frame.areaWidth, 450);
    EXPECT_EQ(frame.areaHeight, 200);
    EXPECT_EQ(frame.areaWidthThird, 150);
    EXPECT_EQ(frame.areaWidthHalf, 225);

    // With one monitor the area is pulled back onto it, never past its origin.
    frame.setArea(1800, -50, 5000, 500, 20, false);
    EXPECT_EQ(frame.areaWidth, 1920);
    EXPECT_EQ(frame.areaX, 0);
    EXPECT_EQ(frame.areaY, 0);
    frame.setArea(1800, 900, 400, 500, 20, false);
    EXPECT_EQ(frame.areaX, 1920 - 450);
    EXPECT_EQ(frame.areaY, 1040 - 500);

    frame.setArea(10, 10, 600, 300, 20, true);
    EXPECT_EQ(frame.areaHeight, 500);

    setTraceMode(true);
    frame.setArea(10, 10, 300, 100, 20, false);
    EXPECT_EQ(frame.areaWidth, 300);
    EXPECT_EQ(frame.areaHeight, 100);
}

TEST_F(AreaTest, DefaultAreaAndMonitorChoice) {
    monitors.clear();
    monitors.add(FrameRect{0, 0, 1920, 1080}, FrameRect{0, 0, 1920, 1040});
    monitors.add(FrameRect{1920, 0, 1280, 1024}, FrameRect{1960, 0, 1240, 1024});
    monitors.finish();
    EXPECT_EQ(monitors.largestWidth, 1920);
    EXPECT_EQ(monitors.virtualWidth, 1920);  // nothing given: the first monitor's size

    frame.selectMonitor(0, 0, 0, 0, 2);
    EXPECT_EQ(frame.workRect.x, 1960);
    frame.selectMonitor(0, 0, 0, 0, 9);  // no such monitor: the first
    EXPECT_EQ(frame.workRect.x, 0);
    frame.selectMonitor(2000, 10, 2500, 500, 0);
    EXPECT_EQ(frame.workRect.x, 1960);
    EXPECT_EQ(frame.workWidth, 1240);
    frame.selectMonitor(1800, 10, 2500, 500, 0);  // straddles both: the first
    EXPECT_EQ(frame.workRect.x, 0);

    frame.startMonitor = 2;
    frame.computeDefaultArea();
    EXPECT_EQ(frame.areaX, 1980);
    EXPECT_EQ(frame.areaY, 20);
    EXPECT_EQ(frame.areaWidth, 1200);
    EXPECT_EQ(frame.areaHeight, 964);
}

TEST_F(AreaTest, EmptyEnumerationFallsBackToTheDesktop) {
    monitors.clear();
    monitors.desktop = FrameRect{0, 0, 1024, 768};
    monitors.systemWorkArea = FrameRect{0, 0, 1024, 728};
    monitors.finish();
    ASSERT_EQ(monitors.count, 1);
    EXPECT_EQ(monitors.monitors[0].work.height, 728);
    EXPECT_EQ(monitors.virtualHeight, 768);
    for (int i = 0; i < kMaxMonitors + 5; ++i) monitors.add(FrameRect{}, FrameRect{});
    EXPECT_EQ(monitors.count, kMaxMonitors);
}

TEST_F(AreaTest, ComputedSpaceReadsBackToTheSameArea) {
    monitors.clear();
    monitors.add(FrameRect{0, 0, 1920, 1080}, FrameRect{0, 0, 1920, 1040});
    monitors.add(FrameRect{1920, 0, 1280, 1024}, FrameRect{1920, 0, 1280, 984});
    monitors.finish();
    ASSERT_EQ(frame.parseSpace("m2:10:20:30:40"), 0);
    FrameRect placed = area();
    LogCapture log;
    ASSERT_EQ(frame.computeSpace(), 0);
    EXPECT_EQ(frame.spaceText, "10:20:30:40@2");
    EXPECT_EQ(appSettings().space, "10:20:30:40@2");
    EXPECT_TRUE(config().isTouched(kIdSpace));
    EXPECT_TRUE(log.contains("[blue] space 10:20:30:40@2"));

    frame.setArea(0, 0, 500, 500, 20, false);
    ASSERT_EQ(frame.parseSpace(frame.spaceText), 0);
    EXPECT_EQ(area().x, placed.x);
    EXPECT_EQ(area().y, placed.y);
    EXPECT_EQ(area().width, placed.width);
    EXPECT_EQ(area().height, placed.height);
}

TEST_F(AreaTest, SpaceOutsideTheWorkAreaIsNotStored) {
    frame.frameMoved(FrameRect{100, 100, 800, 1000});  // reaches below the task bar edge
    EXPECT_EQ(frame.areaHeight, 1000);
    LogCapture log;
    appSettings().space = "keep";
    EXPECT_EQ(frame.computeSpace(), 5);
    EXPECT_TRUE(log.contains("cannot store a location outside desktop."));
    EXPECT_EQ(appSettings().space, "keep");
}

TEST_F(AreaTest, ParseAreaUsesTheMonitorItLiesOn) {
    ASSERT_EQ(frame.parseArea("100:50:1000:700:30"), 0);
    EXPECT_EQ(frame.areaX, 100);
    EXPECT_EQ(frame.areaWidth, 1000);
    EXPECT_EQ(frame.gap, 30);
    EXPECT_EQ(frame.workHeight, 1040);
    LogCapture log;
    EXPECT_EQ(frame.parseArea("100:50"), 9);
    EXPECT_EQ(frame.areaWidth, 1000);
}

}  // namespace
}  // namespace tessel
