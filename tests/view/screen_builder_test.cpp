#include "view/screen_builder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/view.h"

namespace tessel {
namespace {

std::string expand(std::string_view line, const char* attrs, int tab, int scroll, int capacity,
                   std::string* attrOut = nullptr) {
    char text[kScreenColumns + 1];
    char attr[kScreenColumns + 1];
    int cells = expandForDisplay(line, attrs, ' ', tab, scroll, text, attr, capacity);
    EXPECT_EQ(std::string(text).size(), static_cast<size_t>(cells));
    if (attrOut) *attrOut = attr;
    return text;
}

TEST(ExpandForDisplay, TabsScrollAndCapacity) {
    EXPECT_EQ(expand("a\tb\t\tc", nullptr, 4, 0, 80), "a   b       c");
    EXPECT_EQ(expand("ab\tc", nullptr, 3, 0, 80), "ab c");
    // A tab keeps going to the next stop after the scrolled-away columns.
    EXPECT_EQ(expand("a\tbcd", nullptr, 4, 2, 80), "  bcd");
    EXPECT_EQ(expand("abcdef", nullptr, 4, 10, 80), "");
    EXPECT_EQ(expand("abcdefgh", nullptr, 4, 2, 3), "cde");
    // A zero tab size cannot loop forever.
    EXPECT_EQ(expand("\t\tx", nullptr, 0, 0, 80), "  x");
    std::string attrs;
    EXPECT_EQ(expand("x\ty", "12345", 4, 0, 80, &attrs), "x   y");
    EXPECT_EQ(attrs, "12223");  // the tab's cells carry the tab's attribute
    // Whatever the scroll, rows never pass the screen width.
    std::string wide(5000, 'w');
    EXPECT_EQ(expand(wide, nullptr, 4, 1000, kScreenColumns).size(), 800u);
    EXPECT_EQ(expand(wide, nullptr, 4, 4900, kScreenColumns), std::string(100, 'w'));
    EXPECT_EQ(expand(wide, nullptr, 4, INT_MAX, kScreenColumns), "") << "no overflow at the end";
}

class ScreenBuilderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        config().setInt("assist", 0);
        statusInfo().infoText[0] = '\0';
        view.search.textStorePtr = &store;
        view.rows = 16;
        view.columns = 60;
        view.clientWidth = 600;
        view.tabSize = 4;
    }
    void TearDown() override { config().setInt("assist", 1); }

    void feed(std::initializer_list<const char*> lines) {
        for (const char* line : lines) ASSERT_EQ(store.addLine(line, true), 0) << line;
    }
    // Line 0 is the header block; then ":file:", name and two lines per file (1-4, 5-8, 9-12).
    void loadThreeFiles() {
        feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
        feed({":file:\n", "src/one.cpp\n", "int main\n", "return\talpha\n"});
        feed({":file:\n", "src/two.h\n", "struct beta\n", "int value\n"});
        feed({":file:\n", "doc/readme.txt\n", "nothing here\n", "alpha again alpha\n"});
        ASSERT_EQ(store.finish(), 0);
    }
    void search(const char* mask) {
        view.search.setFindMask(mask);
        view.search.compileSearch(false);
    }
    int rowOf(int line) const {
        for (int r = 0; r < kScreenRows; ++r) {
            if (view.screen.rowLine[static_cast<size_t>(r)] == line) return r;
        }
        return -1;
    }
    std::string text(int row) const { return view.screen.rowText(row); }
    std::string attr(int row) const { return view.screen.rowAttr(row); }

    TextStore store;
    View view;
};

TEST_F(ScreenBuilderTest, TextRowsHeadersAndStatusRows) {
    loadThreeFiles();
    view.search.topLine = 1;
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_TRUE(view.screen.valid);
    EXPECT_EQ(text(0).substr(0, 6), ":file:");
    EXPECT_EQ(attr(0), std::string(text(0).size(), 'f'));
    EXPECT_EQ(attr(1), std::string(text(1).size(), 'f'));  // the name row belongs to the header
    EXPECT_EQ(text(3), "return  alpha ");
    EXPECT_EQ(attr(3), std::string(14, ' '));
    EXPECT_EQ(view.screen.rowLine[3], 4);
    EXPECT_EQ(view.screen.flags[3], kRowText);
    // Rows past the end stay empty; the status rows are the last two.
    EXPECT_EQ(text(13), "");
    EXPECT_EQ(view.screen.rowLine[13], -1);
    EXPECT_EQ(view.screen.rowLine[11], 12);
    EXPECT_EQ(view.screen.flags[14], kRowPath);
    EXPECT_EQ(view.screen.flags[15], kRowFind);
    EXPECT_EQ(text(15).substr(0, 8), "find: ><");
    EXPECT_EQ(text(15).size(), 60u);                     // the product title sits at the right end
    EXPECT_EQ(text(14), "global search over 3 files.");  // the header block is no file

    view.display.oneRowHeader = true;
    buildScreen(view);
    EXPECT_EQ(attr(1), std::string(text(1).size(), ' '));
    // Starting on the name row still colours it as part of its header.
    view.display.oneRowHeader = false;
    view.search.topLine = 2;
    buildScreen(view);
    EXPECT_EQ(attr(0), std::string(text(0).size(), 'f'));
    EXPECT_EQ(attr(1), std::string(text(1).size(), ' '));
}

TEST_F(ScreenBuilderTest, HitsAreMarkedInDisplayColumns) {
    loadThreeFiles();
    view.search.topLine = 1;
    search("alpha");
    view.search.hitCount = 3;
    buildScreen(view);
    // "return\talpha": the TAB widens to column 8, so the hit moves with it.
    EXPECT_EQ(attr(3), "        xxxxx ");
    EXPECT_EQ(attr(rowOf(12)), "xxxxx       xxxxx ");
    EXPECT_EQ(attr(rowOf(11)), std::string(13, ' '));
    std::string find = text(15);
    EXPECT_NE(find.find("find: >alpha< - 3 hits."), std::string::npos) << find;

    view.display.scrollColumn = 9;
    buildScreen(view);
    EXPECT_EQ(text(3), "lpha ");
    EXPECT_EQ(attr(3), "xxxx ");

    // The file list shows no hits, only its own colour.
    view.display.scrollColumn = 0;
    view.filterMode = FilterMode::kFileList;
    view.display.filterRows = {store.lineText(2), store.lineText(6)};
    view.search.topLine = 0;
    buildScreen(view);
    EXPECT_EQ(text(0), "src/one.cpp ");
    EXPECT_EQ(attr(0), std::string(12, 'f'));
    EXPECT_EQ(view.screen.rowLine[0], 2);
}

TEST_F(ScreenBuilderTest, CurrentLineLineMarkSelectionAndOneLineMark) {
    loadThreeFiles();
    view.search.topLine = 1;
    view.highResultLine = true;
    view.search.currentLine = 3;
    view.display.lineMark = 7;
    view.display.selStartLine = 12;  // given end first: the builder orders the ends
    view.display.selStartColumn = 4;
    view.display.selEndLine = 11;
    view.display.selEndColumn = 2;
    view.display.markLine = 8;
    view.display.markFrom = 4;
    view.display.markTo = 7;
    buildScreen(view);
    EXPECT_EQ(attr(rowOf(3)), "xxxxxxxx ");  // the visible span, not the closing blank
    EXPECT_EQ(attr(rowOf(7)), std::string(60, 'm'));
    EXPECT_EQ(text(rowOf(7)).size(), 60u);
    EXPECT_EQ(attr(rowOf(11)), "  sssssssssss");
    EXPECT_EQ(attr(rowOf(12)), "ssss" + std::string(14, ' '));
    EXPECT_EQ(attr(rowOf(8)), "    @@@   ");
    EXPECT_EQ(attr(rowOf(4)), std::string(14, ' '));

    // A flash that ran out is dropped at the next build.
    view.display.flashLine = 5;
    view.display.flashUntilMs = tickMs() + 60000;
    buildScreen(view);
    EXPECT_EQ(attr(rowOf(5))[0], '\x1f');
    view.display.flashUntilMs = tickMs() - 1;
    buildScreen(view);
    EXPECT_EQ(attr(rowOf(5))[0], 'f');
    EXPECT_EQ(view.display.flashLine, -1);
}

TEST_F(ScreenBuilderTest, ExcludedFilesAreGreyAndHeadersOfThemAreNotHeaders) {
    loadThreeFiles();
    view.markExcluded = true;
    view.search.setPathMask("two");
    view.search.pathSelectionActive = true;
    view.search.compileSearch(false);
    ASSERT_EQ(view.search.selectFiles(true), 0);
    view.search.topLine = 1;
    buildScreen(view);
    EXPECT_EQ(attr(rowOf(1)), std::string(text(rowOf(1)).size(), '_'));
    EXPECT_EQ(attr(rowOf(3)), std::string(9, '_'));
    EXPECT_EQ(attr(rowOf(5)), std::string(text(rowOf(5)).size(), 'f'));
    EXPECT_EQ(attr(rowOf(7)), std::string(12, ' '));
    std::string path = text(14);
    EXPECT_EQ(path.substr(0, 11), "path: >two<") << path;
    EXPECT_NE(path.find(" - 1 files selected."), std::string::npos) << path;
}

TEST_F(ScreenBuilderTest, RowsFollowTheStoreAcrossManySmallFiles) {
    feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
    char name[32];
    for (int i = 0; i < 300; ++i) {
        std::snprintf(name, sizeof name, "f%03d\n", i);
        feed({":file:\n", name, i % 2 ? "odd\n" : "even\n"});
    }
    ASSERT_EQ(store.finish(), 0);
    view.markExcluded = true;
    view.search.setPathMask("f1");
    view.search.pathSelectionActive = true;
    view.search.compileSearch(false);
    ASSERT_EQ(view.search.selectFiles(true), 0);
    view.display.oneRowHeader = true;
    view.rows = 600;
    view.search.topLine = 250;  // inside file 83 (lines 1 + 3 * i)
    buildScreen(view);
    for (int row = 0; row < 598; ++row) {
        const int line = 250 + row;
        if (line >= store.lineCount()) break;
        ASSERT_EQ(view.screen.rowLine[row], line);
        ASSERT_EQ(text(row), std::string(store.lineText(line)).substr(0, 60)) << row;
        const int file = (line - 1) / 3;
        const bool selected = file >= 100 && file < 200;
        const bool header = (line - 1) % 3 == 0;
        const char expected = !selected ? '_' : header ? 'f' : ' ';
        ASSERT_EQ(attr(row)[0], expected) << "row " << row << " line " << line;
    }

    // Filter rows far apart in the store find their lines too.
    view.filterMode = FilterMode::kFiltered;
    view.display.filterRows = {store.lineText(3), store.lineText(600), store.lineText(6)};
    view.search.topLine = 0;
    buildScreen(view);
    EXPECT_EQ(view.screen.rowLine[0], 3);
    EXPECT_EQ(view.screen.rowLine[1], 600);
    EXPECT_EQ(view.screen.rowLine[2], 6);
}

TEST_F(ScreenBuilderTest, ColourTextTakesItsAttributesFromTheColourLine) {
    feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
    feed({":file:\n", "<interleaved-attributes-text version=\"1.0\" prefix=\"\">\n", "colours\n",
          "red green\n", "rrr ggggg\n"});
    ASSERT_EQ(store.finish(), 0);
    int line = store.lineCount() - 1;
    while (line > 0 && std::string(store.lineText(line)).rfind("red", 0) != 0) --line;
    ASSERT_EQ(std::string(store.lineText(line)).substr(0, 9), "red green");
    view.search.topLine = line;
    buildScreen(view);
    EXPECT_EQ(attr(0).substr(0, 9), "000 11111");
}

TEST_F(ScreenBuilderTest, StatusRowsShowCaseInfoAndInputCursor) {
    loadThreeFiles();
    search("beta");
    view.search.caseSensitive = true;
    view.search.hitCount = 1;
    buildScreen(view);
    std::string find = text(15);
    size_t at = find.find(" - 1 hits, case.");
    ASSERT_NE(at, std::string::npos) << find;
    EXPECT_EQ(attr(15).substr(at + 11, 4), "1111");
    EXPECT_EQ(attr(15)[11], 'e');  // the input cursor after "beta"

    view.search.hitCount = 0;
    view.search.searchPhase = SearchPhase::kRunning;
    buildScreen(view);
    EXPECT_NE(text(15).find("find: >beta< - *"), std::string::npos);

    statusInfo().show("#highlights reset.", false, true);
    view.search.searchPhase = SearchPhase::kDone;
    buildScreen(view);
    EXPECT_NE(text(15).find(" - highlights reset."), std::string::npos) << text(15);
    statusInfo().infoText[0] = '\0';
}

TEST_F(ScreenBuilderTest, FilteredViewCaptionAndTinyViews) {
    loadThreeFiles();
    view.filterMode = FilterMode::kFiltered;
    view.display.filterRows = {"Filtered Result View. Click Any Line To Enter Text.", "",
                               store.lineText(4), store.lineText(12)};
    view.search.topLine = 2;
    buildScreen(view);
    EXPECT_EQ(view.screen.flags[0], kRowContext);
    EXPECT_EQ(attr(0), std::string(text(0).size(), 'h'));
    EXPECT_EQ(view.screen.rowLine[1], 4);
    EXPECT_EQ(view.screen.rowLine[2], 12);

    // Degenerate sizes still give two status rows and nothing outside the buffer.
    view.rows = 0;
    view.columns = -5;
    EXPECT_EQ(buildScreen(view), 0);
    EXPECT_EQ(view.screen.flags[1], kRowFind);
    view.rows = 10000;
    view.columns = 10000;
    view.search.topLine = INT_MAX;
    view.display.scrollColumn = INT_MIN;
    EXPECT_EQ(buildScreen(view), 0);
    EXPECT_EQ(view.screen.rowLine[0], -1);
    EXPECT_EQ(view.screen.flags[kScreenRows - 1], kRowFind);
}

}  // namespace
}  // namespace tessel
