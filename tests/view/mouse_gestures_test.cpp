#include "view/mouse_gestures.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "fake_view_host.h"
#include "platform/key_codes.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/view.h"

namespace tessel {
namespace {

using testing::LogCapture;

class MouseGestureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        view.search.textStorePtr = &store;
        view.host = &host;
        view.screen.reset();
        view.screen.rowLine.fill(-1);
        row(0, "int main(void) {", 40);
        row(1, "    return helper_call(42);", 41);
        view.screen.writeRow(5, "find: >x<", "", 3);  // a status row, never a word
    }
    void TearDown() override { view.host = nullptr; }

    void row(int at, const std::string& text, int line) {
        view.screen.writeRow(at, text, std::string(text.size(), ' '));
        view.screen.rowLine[static_cast<size_t>(at)] = line;
    }

    TextStore store;
    testing::FakeViewHost host;
    View view;
};

TEST_F(MouseGestureTest, WordSpansFollowWordCharactersOnTextRowsOnly) {
    int from = 0;
    int to = 0;
    ASSERT_TRUE(wordSpanAt(view, 1, 13, &from, &to));
    EXPECT_EQ(from, 11);  // "helper_call": the underscore belongs to the word
    EXPECT_EQ(to, 22);
    EXPECT_FALSE(wordSpanAt(view, 1, 2, &from, &to));   // leading blanks
    EXPECT_FALSE(wordSpanAt(view, 1, 60, &from, &to));  // past the text
    EXPECT_FALSE(wordSpanAt(view, 5, 7, &from, &to));   // the find row
    EXPECT_FALSE(wordSpanAt(view, 1, -1, &from, &to));
    EXPECT_FALSE(wordSpanAt(view, 700, 0, &from, &to));
}

TEST_F(MouseGestureTest, OneClickSearchOnlyWhenSwitchedOn) {
    const int saved = config().getInt("oneclicksearch");
    config().setInt("oneclicksearch", 0);
    EXPECT_EQ(gesturePress(view, kMouseLeft, 0, 1, 0), 1);
    EXPECT_STREQ(view.search.findMask, "");
    config().setInt("oneclicksearch", 1);
    EXPECT_EQ(gesturePress(view, kMouseLeft, 0, 1, 0), 0);
    EXPECT_STREQ(view.search.findMask, "int");
    EXPECT_EQ(host.armed, view.search.settings.oneClickSearchDelay);
    config().setInt("oneclicksearch", saved);
}

TEST_F(MouseGestureTest, ShiftClicksGrowOnePhrasePerLine) {
    EXPECT_EQ(gesturePress(view, kMouseLeft, 0, 5, kModShift), 0);
    EXPECT_STREQ(view.search.findMask, "main");
    EXPECT_EQ(gesturePress(view, kMouseLeft, 0, 0, kModShift), 0);
    EXPECT_STREQ(view.search.findMask, "int main");
    EXPECT_EQ(gesturePress(view, kMouseLeft, 0, 10, kModShift), 0);
    EXPECT_STREQ(view.search.findMask, "int main(void");
    // Another line starts a new phrase.
    EXPECT_EQ(gesturePress(view, kMouseLeft, 1, 5, kModShift), 0);
    EXPECT_STREQ(view.search.findMask, "return");
}

TEST_F(MouseGestureTest, NeighbourGesturesNeedAnotherView) {
    LogCapture log;
    EXPECT_EQ(gesturePress(view, kMouseRight, 1, 6, 0), 0);
    EXPECT_TRUE(log.contains("open another window first."));
    EXPECT_STREQ(view.search.findMask, "");
    // Blank space is left to surfing; a double click there needs a frame to expand.
    EXPECT_EQ(gesturePress(view, kMouseRight, 1, 1, 0), 1);
    EXPECT_EQ(gestureDoubleClick(view, kMouseLeft, 1, 5, 0), 1);  // a word, not blank
}

}  // namespace
}  // namespace tessel
