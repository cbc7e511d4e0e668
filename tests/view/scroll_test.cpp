#include <gtest/gtest.h>

#include <string>

#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "base/codepage/code_page_tables.h"
#include "text/text_store.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

class ScrollTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        assist = config().getInt("assist");
        config().setInt("assist", 0);
        view.search.textStorePtr = &store;
        view.rows = 12;  // ten text rows and the two status rows
    }
    void TearDown() override { config().setInt("assist", assist); }

    void add(const std::string& line) { ASSERT_EQ(store.addLine((line + "\n").c_str(), true), 0); }
    // Line 0 is the snapfile header; three files of 20 lines follow: 1-20, 21-40, 41-60.
    void threeFiles() {
        add(":snapfile zuk,1.0.7,lprefix=:file:,memory");
        for (int file = 0; file < 3; ++file) {
            add(":file:");
            add("dir/file" + std::to_string(file) + ".txt");
            for (int i = 0; i < 18; ++i) add("text");
        }
        ASSERT_EQ(store.finish(), 0);
    }
    int key(int code, int modifiers = 0) { return scrollKeyDown(view, code, modifiers); }
    int top() const { return view.search.topLine; }

    int assist = 0;
    TextStore store;
    View view;
};

TEST_F(ScrollTest, LinesAndPagesStopAtBothEnds) {
    for (int i = 0; i < 100; ++i) add("line");
    ASSERT_EQ(store.finish(), 0);
    EXPECT_EQ(lastTopLine(view), 90);
    EXPECT_EQ(key(kKeyPageUp), 0);  // taken at the top, but nothing moves
    EXPECT_EQ(top(), 0);
    key(kKeyPageDown);
    EXPECT_EQ(top(), 9);  // a page keeps its last row in sight
    for (int i = 0; i < 20; ++i) key(kKeyPageDown);
    key(kKeyDown);
    EXPECT_EQ(top(), 90);  // never past the last line on the bottom row
    key(kKeyUp);
    EXPECT_EQ(top(), 89);
    // A top line left out of range by a change of the text is pulled back; huge steps clamp.
    view.search.topLine = 5000;
    EXPECT_EQ(scrollLines(view, 1), 0);
    EXPECT_EQ(top(), 90);
    scrollLines(view, -2000000000);
    EXPECT_EQ(top(), 0);
    scrollPages(view, 2000000000);
    EXPECT_EQ(top(), 90);
}

TEST_F(ScrollTest, FilterModesCountTheirRows) {
    for (int i = 0; i < 100; ++i) add("line");
    ASSERT_EQ(store.finish(), 0);
    view.filterMode = FilterMode::kFiltered;
    view.filteredLineCount = 30;
    // The caption row above the list takes one of the ten rows.
    EXPECT_EQ(lastTopLine(view), 21);
    key(kKeyEnd, kModControl);
    EXPECT_EQ(top(), 21);
    key(kKeyHome, kModControl);
    EXPECT_EQ(top(), 0);
}

TEST_F(ScrollTest, ShiftArrowsScrollColumnsUpTo4096) {
    key(kKeyLeft, kModShift);
    EXPECT_EQ(view.display.scrollColumn, 0);
    for (int i = 0; i < 500; ++i) key(kKeyRight, kModShift);
    EXPECT_EQ(view.display.scrollColumn, kMaxScrollColumns);
    key(kKeyLeft, kModShift | kModKeypad);
    EXPECT_EQ(view.display.scrollColumn, kMaxScrollColumns - 10);
    // The mask cursor, view cycling and result keys belong to others.
    EXPECT_EQ(key(kKeyLeft), 1);
    EXPECT_EQ(key(kKeyHome), 1);
    EXPECT_EQ(key(kKeyUp, kModControl), 1);
}

TEST_F(ScrollTest, ControlKeysStepThroughFiles) {
    threeFiles();
    ASSERT_TRUE(fileMode(view));
    view.search.topLine = 25;
    // A file starts two rows below the top, so that the end of the previous file shows.
    key(kKeyHome, kModControl);
    EXPECT_EQ(top(), 19);
    key(kKeyPageUp, kModControl);
    EXPECT_EQ(top(), 1);  // the first file stands at the top: no rows above it
    key(kKeyPageDown, kModControl);
    EXPECT_EQ(top(), 19);
    key(kKeyPageDown, kModControl);
    EXPECT_EQ(top(), 39);
    EXPECT_EQ(key(kKeyPageDown, kModControl), 0);
    EXPECT_EQ(top(), 39);  // no file after the last: the view stays
    // CONTROL+END: the end of the file 5 rows above the bottom, then, while the key is held,
    // the start of the next file.
    view.search.topLine = 1;
    key(kKeyEnd, kModControl);
    EXPECT_EQ(top(), 20 - 10 + 5);
    key(kKeyEnd, kModControl);
    EXPECT_EQ(top(), 19);
    // With SHIFT the ends of the whole text; with a selection the page keys just page.
    key(kKeyHome, kModControl | kModShift);
    EXPECT_EQ(top(), 0);
    view.display.selStartLine = view.display.selEndLine = 3;
    key(kKeyPageDown, kModControl);
    EXPECT_EQ(top(), 9);
}

TEST_F(ScrollTest, JumpRowsAndBlankSpace) {
    EXPECT_EQ(jumpRows(40, JumpRowChoice::kTop), 6);
    EXPECT_EQ(jumpRows(40, JumpRowChoice::kMiddle), 19);
    EXPECT_EQ(jumpRows(40, JumpRowChoice::kBottom), 30);
    EXPECT_EQ(jumpRows(8, JumpRowChoice::kTop), 5);  // kept on a text row
    EXPECT_EQ(jumpRows(8, JumpRowChoice::kBottom), 0);

    view.charWidth = 8;
    view.lineHeight = 16;
    view.screen.writeRow(0, "abc def", "       ", kRowText);
    int row = -1;
    int column = -1;
    ASSERT_EQ(cellAt(view, 8 * 5 + 3, 16 * 2 + 1, &row, &column), 0);
    EXPECT_EQ(row * 100 + column, 205);
    EXPECT_EQ(cellAt(view, -1, 0, &row, &column), 9);
    EXPECT_FALSE(blankSpaceAt(view, 8 * 1, 4));         // 'b'
    EXPECT_TRUE(blankSpaceAt(view, 8 * 3 + 7, 4));      // between the words
    EXPECT_TRUE(blankSpaceAt(view, 8 * 40, 4));         // past the row's end
    EXPECT_FALSE(blankSpaceAt(view, 8 * 40, 16 * 11));  // a mask row
    config().setInt("assist", 1);
    EXPECT_FALSE(blankSpaceAt(view, 8 * 40, 4));  // the sidebar row
}

}  // namespace
}  // namespace tessel
