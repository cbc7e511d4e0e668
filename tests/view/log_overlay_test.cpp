#include "view/log_overlay.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

OverlayFrame wideView() {
    OverlayFrame frame;
    frame.viewWidth = 1000;
    frame.rows = 40;
    frame.lineHeight = 16;
    frame.messageHeight = 12;
    frame.areaWidthThird = 400;
    return frame;
}

TEST(LogOverlay, FadesOverSixSecondsUnlessTheLogIsOpen) {
    const int64_t now = 100000;
    EXPECT_EQ(overlayFade(now, now, 0), 0);
    EXPECT_EQ(overlayFade(now, now - 5000, 0), 83);
    EXPECT_EQ(overlayFade(now, now - 5999, 0), 83);
    EXPECT_EQ(overlayFade(now, now - 6000, 0), 100);
    // Emphasised messages carry a stamp in the future: not faded at all.
    EXPECT_EQ(overlayFade(now, now + 10000, 0), 0);
    EXPECT_EQ(overlayFade(now, now - 3600000, 1), 0);
    // Very old stamps cannot overflow into a small fade.
    EXPECT_EQ(overlayFade(INT64_MAX / 2, -(INT64_MAX / 2), 0), 100);

    const LogColor faded = fadeTowardWhite({255, 128, 64}, 83);
    EXPECT_EQ(faded.r, 255);
    EXPECT_EQ(faded.g, 128 + 127 * 83 / 100);
    EXPECT_EQ(faded.b, 64 + 191 * 83 / 100);
    EXPECT_EQ(fadeTowardWhite({0, 0, 0}, 250).r, 255);
}

TEST(LogOverlay, PlacementFollowsTheViewWidth) {
    OverlayFrame frame = wideView();
    EXPECT_TRUE(overlayShown(frame));
    frame.viewWidth = 799;  // narrower than two thirds of the area
    EXPECT_FALSE(overlayShown(frame));
    frame = wideView();
    frame.messageHeight = 0;
    EXPECT_FALSE(overlayShown(frame));

    frame = wideView();
    EXPECT_EQ(overlayAvailableWidth(frame), 960);
    EXPECT_EQ(overlayDefaultLeft(frame), 560);
    EXPECT_EQ(overlayTextX(frame, 300), 660);  // right-aligned
    EXPECT_EQ(overlayTextX(frame, 900), 560);  // capped at 400 pixels
    frame.wide = true;
    EXPECT_EQ(overlayDefaultLeft(frame), 50);
    EXPECT_EQ(overlayTextX(frame, 900), 60);
    EXPECT_EQ(overlayTextX(frame, 2000), 10);  // wider than the room: starts at the left
    frame.viewWidth = 300;
    frame.wide = false;
    EXPECT_EQ(overlayDefaultLeft(frame), 130);
    EXPECT_EQ(overlayBaseLine(frame), 37 * 16 - 15);
    EXPECT_EQ(logButtonLeft(frame), 266);  // in the margin, clear of the messages
    EXPECT_LE(logButtonLeft(frame) + kLogButtonSize, frame.viewWidth);
}

TEST(LogOverlay, LinesNewestFirstWithColoursAndWithoutTheirTags) {
    MessageLog log;
    const int64_t now = 1000000;
    log.add("plain old", now - 7000);  // faded out
    log.add("[note] a note", now - 5000);
    log.add("[error] error: broken", now);
    log.add("[silent] quiet", now);
    const std::vector<OverlayLine> lines = layoutOverlay(wideView(), log, now);
    // The silent message is stored already faded: its line stays empty, older ones still show.
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, " error: broken");
    EXPECT_EQ(lines[0].slot, 1);
    EXPECT_EQ(lines[0].colour.r, 255);
    EXPECT_EQ(lines[0].colour.g, 0);
    EXPECT_EQ(lines[1].text, "a note");
    EXPECT_EQ(lines[1].slot, 2);
    EXPECT_EQ(lines[1].fade, 83);
    // Each older message sits one message height higher, from 15 pixels above row 37.
    EXPECT_EQ(lines[0].y, 37 * 16 - 15 - 12);
    EXPECT_EQ(lines[1].y, 37 * 16 - 15 - 24);

    OverlayFrame open = wideView();
    open.displayMode = 1;
    const std::vector<OverlayLine> all = layoutOverlay(open, log, now);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].text, "quiet");
    EXPECT_EQ(all[3].text, "plain old");
    EXPECT_EQ(all[3].colour.r, 144);
}

TEST(LogOverlay, StopsNearTheTopAndShowsEverythingWhenOpen) {
    MessageLog log;
    const int64_t now = 1000000;
    for (int i = 0; i < 100; ++i) log.add("message", now - 60000);
    EXPECT_TRUE(layoutOverlay(wideView(), log, now).empty());
    EXPECT_FALSE(overlayNeedsRefresh(log, now));
    OverlayFrame open = wideView();
    open.displayMode = 2;
    const std::vector<OverlayLine> lines = layoutOverlay(open, log, now);
    ASSERT_FALSE(lines.empty());
    EXPECT_LT(lines.size(), 100u);
    EXPECT_GE(lines.back().y, 4 * open.messageHeight);
    log.add("fresh", now);
    EXPECT_TRUE(overlayNeedsRefresh(log, now));
}

}  // namespace
}  // namespace tessel
