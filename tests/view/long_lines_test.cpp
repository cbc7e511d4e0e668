#include "view/long_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/navigation.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

// Global lines: 0 the store header, 1 ":file:", 2 the name, then the file's lines from 3.
constexpr int kShortHitLine = 4;
constexpr int kLongLine = 6;
constexpr int kWordColumn = 90000;

class LongLinesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        config().setInt("assist", 0);
        statusInfo().infoText[0] = '\0';
        view.search.textStorePtr = &store;
        view.rows = 12;
        view.columns = 60;
        view.tabSize = 4;
        updateResultFocus(view);
        feed(":snapfile zuk,1.0.7,lprefix=:file:,memory");
        feed(":file:");
        feed("data/min.js");
        feed("start");
        feed("\tquaternion near the start");
        feed("plain");
        std::string wide(100000, 'x');
        wide.replace(kWordColumn, 10, "quaternion");
        feed(wide);
        feed("end");
        ASSERT_EQ(store.finish(), 0);
    }
    void TearDown() override { config().setInt("assist", 1); }

    void feed(const std::string& line) { ASSERT_EQ(store.addLine((line + "\n").c_str(), true), 0); }
    void find(const char* mask) {
        view.search.setFindMask(mask);
        view.search.compileSearch(false);
    }
    int rowOf(int line) const {
        for (int row = 0; row < kScreenRows; ++row)
            if (view.screen.rowLine[static_cast<size_t>(row)] == line) return row;
        return -1;
    }
    std::string findRow() const { return view.screen.rowText(view.rows - 1); }

    TextStore store;
    View view;
};

TEST_F(LongLinesTest, StepsScrollToAHitFarRightAndBack) {
    find("quaternion");
    ASSERT_EQ(findNextHit(view, -1, false), 0);
    EXPECT_EQ(view.search.currentLine, kShortHitLine);
    EXPECT_EQ(view.display.scrollColumn, 0) << "a hit on screen leaves the offset alone";

    ASSERT_EQ(nextResult(view), 0);
    EXPECT_EQ(view.search.currentLine, kLongLine);
    const int offset = view.display.scrollColumn;
    EXPECT_GT(offset, kMaxScrollColumns);
    EXPECT_LE(offset, kWordColumn);
    EXPECT_GT(offset + view.columns, kWordColumn + 10);
    ASSERT_EQ(buildScreen(view), 0);
    const int row = rowOf(kLongLine);
    ASSERT_GE(row, 0);
    const std::string text = view.screen.rowText(row);
    const size_t at = text.find("quaternion");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(static_cast<int>(at), kWordColumn - offset);
    EXPECT_EQ(view.screen.rowAttr(row)[at], kAttrHit) << "the hit is marked where it is shown";
    EXPECT_EQ(view.display.hitColumnOffScreen, -1);

    // Back to the first result, which shows from the line start again.
    ASSERT_EQ(prevResult(view), 0);
    EXPECT_EQ(view.search.currentLine, kShortHitLine);
    EXPECT_EQ(view.display.scrollColumn, 0);
}

TEST_F(LongLinesTest, ScrollingReachesTheEndOfALongLineOnly) {
    view.search.topLine = kLongLine - 2;
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(scrollColumnLimit(view), 100000 + 1) << "the line and its closing blank";
    EXPECT_EQ(scrollColumns(view, 200000), 0);
    EXPECT_EQ(view.display.scrollColumn, 100001);
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(view.screen.rowText(rowOf(kLongLine)), std::string());
    scrollColumns(view, -3);
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(view.screen.rowText(rowOf(kLongLine)), std::string("xx "));

    // Without the long line on screen the usual limit holds again.
    view.search.topLine = kLongLine + 1;
    view.display.scrollColumn = 0;
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(scrollColumnLimit(view), kMaxScrollColumns);
    scrollColumns(view, 200000);
    EXPECT_EQ(view.display.scrollColumn, kMaxScrollColumns);
}

TEST_F(LongLinesTest, StatusRowTellsOfAHitRightOfTheScreen) {
    find("quaternion");
    view.search.hitCount = 2;
    view.search.currentLine = kLongLine;
    view.search.topLine = kLongLine - 2;
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(view.display.hitColumnOffScreen, kWordColumn);
    EXPECT_NE(findRow().find("2 hits. hit at column 90001."), std::string::npos) << findRow();

    view.search.currentLine = kShortHitLine;
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(view.display.hitColumnOffScreen, -1);
    EXPECT_EQ(findRow().find("hit at column"), std::string::npos);
}

TEST_F(LongLinesTest, ClickInTheFilteredViewScrollsToTheHit) {
    view.search.setFindMask("quaternion");
    ASSERT_EQ(toggleFilter(view, 1), 0);
    int longRow = -1;
    for (int row = 0; row < static_cast<int>(view.display.filterRows.size()); ++row)
        if (filterRowLine(view, row) == kLongLine) longRow = row;
    ASSERT_GE(longRow, 0);
    ASSERT_EQ(enterTextAt(view, longRow), 0);
    EXPECT_EQ(view.search.currentLine, kLongLine);
    EXPECT_GT(view.display.scrollColumn, kMaxScrollColumns);
    EXPECT_EQ(firstHitColumn(view, kLongLine) - view.display.scrollColumn, 8);
    // The tab before the short line's hit counts its columns.
    EXPECT_EQ(firstHitColumn(view, kShortHitLine), 4);
    EXPECT_EQ(firstHitColumn(view, kShortHitLine + 1), -1);
}

}  // namespace
}  // namespace tessel
