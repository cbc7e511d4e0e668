#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "frame_fake_host.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::LogCapture;

class ViewRecordTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::resetFrameSettings(monitors); }
    MonitorTable monitors;
};

TEST_F(ViewRecordTest, SetrelposAcceptsTheWholeAreaAndRejectsWithoutClamping) {
    View view;
    EXPECT_EQ(view.setrelpos(0, 0, kRelUnits, kRelUnits), 0);
    EXPECT_EQ(view.setrelpos(50000, 25000, 50000, 75000), 0);
    EXPECT_EQ(view.relX, 50000);
    EXPECT_EQ(view.relHeight, 75000);

    LogCapture log;
    EXPECT_EQ(view.setrelpos(60000, 0, 50000, 100000), 9);
    EXPECT_TRUE(log.contains("setrelpos: wrong size x=60 y=0 w=50 h=100"));
    EXPECT_EQ(view.setrelpos(-1000, 0, 1000, 1000), 9);
    EXPECT_TRUE(log.contains("setrelpos: wrong position x=-1 y=0 w=1 h=1"));
    EXPECT_EQ(view.setrelpos(0, 100001, 0, 0), 9);
    EXPECT_EQ(view.setrelpos(0, 0, -5000, 1000), 9);
    // Huge sizes must not wrap around into a valid-looking sum.
    EXPECT_EQ(view.setrelpos(1, 1, INT64_MAX, INT64_MAX), 9);
    EXPECT_EQ(view.setrelpos(INT64_MIN, 0, 0, 0), 9);
    EXPECT_EQ(view.relX, 50000);
    EXPECT_EQ(view.relY, 25000);
    EXPECT_EQ(view.relWidth, 50000);
}

TEST_F(ViewRecordTest, ScreenRowsAreCutAndBounded) {
    View view;
    std::string longRow(1000, 'a');
    EXPECT_EQ(view.screen.writeRow(599, longRow, std::string(1000, 'x'), 1), 0);
    EXPECT_EQ(std::string(view.screen.rowText(599)).size(), 800u);
    EXPECT_EQ(std::string(view.screen.rowAttr(599)).size(), 800u);
    EXPECT_EQ(view.screen.writeRow(600, "lost", "0000"), 1);
    EXPECT_EQ(view.screen.writeRow(-1, "lost", "0000"), 1);
    EXPECT_STREQ(view.screen.rowText(600), "");
    EXPECT_EQ(view.screen.writeRow(0, std::string_view(), std::string_view()), 0);
    EXPECT_STREQ(view.screen.rowText(0), "");
    view.screen.reset();
    EXPECT_STREQ(view.screen.rowText(599), "");
    EXPECT_EQ(view.screen.flags[599], 0);
}

TEST_F(ViewRecordTest, NewViewTakesItsSettings) {
    config().setInt("casesearch", 1);
    config().setInt("textoverbook", 1);
    config().setInt("highresultline", 1);
    View view;
    EXPECT_TRUE(view.search.caseSensitive);
    EXPECT_TRUE(view.highResultLine);
    EXPECT_EQ(view.textOverBookmarks, 0);
    EXPECT_EQ(view.search.currentLine, -1);
    EXPECT_EQ(view.search.lockRows, 3);

    EXPECT_EQ(view.resolveTabSize(0), 3);
    EXPECT_EQ(view.resolveTabSize(8), 8);
    appSettings().tabSize = 4;
    EXPECT_EQ(view.resolveTabSize(8), 4);
}

TEST_F(ViewRecordTest, TitlesAndNeighbours) {
    testing::FakeWindowHost host;
    FrameLayout frame{&host, &monitors};
    for (int i = 0; i < 3; ++i) ASSERT_NE(frame.createView(i), nullptr);
    EXPECT_EQ(frame.viewAt(0)->title(false), "tessel");
    EXPECT_EQ(frame.viewAt(1)->title(false), "tessel_2");
    EXPECT_EQ(frame.viewAt(1)->title(true), "tessel");
    EXPECT_EQ(frame.viewAt(0)->rightNeighbour(), frame.viewAt(1));
    EXPECT_EQ(frame.viewAt(2)->rightNeighbour(), nullptr);

    LogCapture log;
    frame.viewAt(2)->index = 1;  // a damaged record
    EXPECT_EQ(frame.viewAt(1)->rightNeighbour(), nullptr);
    EXPECT_TRUE(log.contains("rview index error 1 2"));
    View loose;
    EXPECT_EQ(loose.rightNeighbour(), nullptr);
}

}  // namespace
}  // namespace tessel
