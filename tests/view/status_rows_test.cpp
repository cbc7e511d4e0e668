#include "view/status_rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "text/text_store.h"
#include "base/log/message_log.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace tessel {
namespace {

using In = StatusRowInput;

// A wide view after a pass over three selected files.
In wideInput() {
    In in;
    in.findMask = "alpha";
    in.pathMask = "src";
    in.pathSelectionActive = in.filesKnown = in.headerBlock = true;
    in.selectedFiles = in.loadedFiles = 3;
    in.selectedLines = 900;
    in.totalLines = 1000;
    in.blockCount = in.tabSize = 4;
    in.columns = 120;
    in.widthPixels = 1200;
    in.nowMs = 100000;
    in.findCursor = 5;
    return in;
}

struct Row {
    std::string text;
    std::string attr;
};

Row build(void (*builder)(const In&, StatusRowText&), const In& in) {
    StatusRowText out;
    builder(in, out);
    EXPECT_EQ(std::string(out.text).size(), std::string(out.attr).size());
    return {out.text, out.attr};
}

// Each case changes the wide input and names how the row must begin, text and attributes.
struct Case {
    void (*change)(In&);
    const char* text;
    const char* attr;
};

void check(void (*builder)(const In&, StatusRowText&), std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        In in = wideInput();
        c.change(in);
        const Row row = build(builder, in);
        EXPECT_EQ(row.text.substr(0, std::strlen(c.text)), c.text);
        EXPECT_EQ(row.attr.substr(0, std::strlen(c.attr)), c.attr) << c.text;
    }
}

TEST(PathRow, CountsLengthsAndNarrowRows) {
    check(
        buildPathRow,
        {
            {[](In& i) { i.testedLines = 36500; },
             "path: >src< - 3 files selected. 36500 lines, 0.1 km  ",
             "                               gggggggggggggggggggg  "},
            {[](In& i) { i.testedLines = 100; }, "path: >src< - 3 files selected. 100 lines, 0 m",
             ""},
            {[](In& i) { i.testedLines = 100000, i.showMiles = true; },
             "path: >src< - 3 files selected. 100000 lines, 0.2 miles", ""},
            // No pass yet: the selected lines, without length in a smaller view.
            {[](In& i) { i.widthPixels = 599; }, "path: >src< - 3 files selected. 900 lines  ", ""},
            {[](In& i) { i.columns = 60, i.pathMask = "012345678"; },
             "path: >012345678< - 3 files selected. 900 lines", ""},
            // Mask + 50 reaching the width drops the line count, mask + 40 the long form.
            {[](In& i) { i.columns = 60, i.pathMask = "0123456789"; },
             "path: >0123456789< - 3 files selected.  ", ""},
            {[](In& i) { i.columns = 60, i.pathMask = "01234567890123456789"; },
             "path: >01234567890123456789< - 3 files.  ", ""},
            {[](In& i) { i.columns = 60, i.pathMask = "0123456789", i.selectedFiles = 0; },
             "path: >0123456789< - no matching files.", ""},
            {[](In& i) {
                 i.columns = 60, i.pathMask = "01234567890123456789", i.selectedFiles = 0;
             },
             "path: >01234567890123456789< - no match.", ""},
            // A changed mask not counted yet: the whole text stands in, in the short form.
            {[](In& i) { i.filesKnown = false; }, "path: >src< - 3 files. 1000 lines, 4 m", ""},
            {[](In& i) { i.focus = MaskFocus::kPath, i.pathCursor = 1; }, "path: >src<",
             "        e  "},
            // While editing the masks rest; the editor's state shows at the right.
            {[](In& i) { i.editor.active = true, i.focus = MaskFocus::kPath; }, "path: >src<   ",
             "ggggg         "},
            {[](In& i) { i.pathSelectionActive = false, i.pathMask = ""; },
             "global search over 3 files.", "ggggggggggggggggggggggggggg"},
            {[](In& i) { i.pathSelectionActive = false, i.pathMask = "", i.loadedFiles = 0; },
             "global search.", "gggggggggggggg"},
            // A mask typed into a text without file records still shows.
            {[](In& i) { i.pathSelectionActive = false; }, "path: >src<  ", ""},
            {[](In& i) {
                 i.pathSelectionActive = false, i.pathMask = "", i.focus = MaskFocus::kPath;
             },
             "path: ><  ", "       e  "},
        });
}

TEST(PathRow, RightSide) {
    In in = wideInput();
    Row row = build(buildPathRow, in);
    EXPECT_EQ(row.text.substr(107), "4 files Tab=4");
    EXPECT_EQ(row.attr.substr(107), std::string(13, 'g'));
    in.widthPixels = 319;
    EXPECT_EQ(build(buildPathRow, in).text.find("Tab"), std::string::npos);
    in = wideInput();
    in.editor = {true, false, 12, 4, 7, 120};
    EXPECT_EQ(build(buildPathRow, in).text.substr(111), "120 lines");
    in.editor.showCursor = true;
    EXPECT_EQ(build(buildPathRow, in).text.substr(111), "012:004 7");
    in.editor.cursorCount = -1;
    EXPECT_EQ(build(buildPathRow, in).text.substr(113), "012:004");
}

TEST(FindRow, StatusPartsHitsAndTiming) {
    check(buildFindRow,
          {
              {[](In& i) { i.hitCount = 12, i.caseSensitive = true; },
               "find: >alpha< - 12 hits, case. 0 msec", "            e            1111 ggggggg"},
              {[](In& i) { i.hitCount = 2, i.assist = true, i.hintTimeMs = i.nowMs - 14999; },
               "find: >alpha< - 2 hits. Press INSERT to type another word. 0 msec", ""},
              {[](In& i) { i.hitCount = 2, i.assist = true, i.hintTimeMs = i.nowMs - 15000; },
               "find: >alpha< - 2 hits. 0 msec", ""},
              {[](In& i) { i.searchPhase = SearchPhase::kRunning; }, "find: >alpha< - * 0 msec", ""},
              {[](In& i) { i.searchPhase = SearchPhase::kScheduled; }, "find: >alpha< - - 0 msec", ""},
              {[](In& i) { i.caseSensitive = true; }, "find: >alpha< - no hit, case 0 msec",
               "            e           1111gg"},
              {[](In& i) { i.assist = true, i.hintTimeMs = i.nowMs; },
               "find: >alpha< - no hit. Press INSERT to type another word. 0 msec", ""},
              {[](In& i) { i.fileListShown = true, i.caseSensitive = true; },
               "find: >alpha< - case 0 msec", ""},
              {[](In& i) { i.findMask = "", i.caseSensitive = true; }, "find: >< - case  ", ""},
              // A marked mask is dimmed; while editing the label is and the result is gone.
              {[](In& i) { i.findMaskMarkedForReset = true, i.findCursor = 2; }, "find: >alpha<",
               "       ggegg "},
              {[](In& i) { i.editor.active = true, i.hitCount = 3; }, "find: >alpha< 0 msec",
               "ggggg        ggggggg"},
              {[](In& i) { i.hitCount = 3, i.infoText = "#highlights reset."; },
               "find: >alpha< - highlights reset. 0 msec", ""},
              {[](In& i) { i.hitCount = 3, i.infoText = "info", i.loading = true; },
               "find: >alpha< - 3 hits. info 0 msec", ""},
              {[](In& i) { i.userCommandRunning = true, i.infoText = "info"; },
               "find: >alpha< - waiting for user command.  info 0 msec", ""},
              {[](In& i) { i.selection = SelectionPrompt::kCopy, i.selectionInOtherView = true; },
               "find: >alpha< - select for copy, in other view 0 msec", ""},
              // 36,500 lines in 50 ms are 0.13 km at 2.6 km/s.
              {[](In& i) { i.testedLines = 36500, i.elapsedMs = 50, i.showSpeed = true; },
               "find: >alpha< - no hit. 50 msec, mach 8  ",
               "            e          gggggggggggggggg  "},
              {[](In& i) {
                   i.testedLines = 36500, i.elapsedMs = 2000, i.elapsedNs = 1999400000;
                   i.showSpeed = i.verbose = true;
               },
               "find: >alpha< - no hit. 1999/2000 msec, mach 0.2  ", ""},
              {[](In& i) { i.testedLines = 36500, i.elapsedMs = 29, i.showSpeed = true; },
               "find: >alpha< - no hit. 29 msec  ", ""},
              {[](In& i) { i.testedLines = 1000, i.elapsedMs = 50, i.showSpeed = true; },
               "find: >alpha< - no hit. 50 msec  ", ""},
              {[](In& i) {
                   i.testedLines = 36500, i.elapsedMs = 50, i.widthPixels = 599, i.showSpeed = true;
               },
               "find: >alpha< - no hit. 50 msec  ", ""},
              // The timing needs 12 columns beyond the text, the title a wide view.
              {[](In& i) { i.columns = 36; }, "find: >alpha< - no hit. 0 msec", ""},
          });
    In in = wideInput();
    in.columns = 35;
    EXPECT_EQ(build(buildFindRow, in).text, "find: >alpha< - no hit.");
    in.columns = 120;
    EXPECT_EQ(build(buildFindRow, in).text.substr(114), "Tessel");
}

TEST(StatusRows, NothingPassesTheRowWidth) {
    const std::string mask(2000, 'm');
    const std::string info(5000, 'i');
    In in = wideInput();
    in.findMask = in.pathMask = mask;
    in.infoText = info;
    in.focus = MaskFocus::kPath;
    in.pathCursor = 2000;
    for (int columns : {-5, 1, 8, 9, 800, 5000}) {
        in.columns = columns;
        const size_t limit = static_cast<size_t>(std::clamp(columns, 1, kStatusRowChars));
        EXPECT_LE(build(buildPathRow, in).text.size(), limit) << columns;
        EXPECT_LE(build(buildFindRow, in).text.size(), limit) << columns;
    }
    in.columns = 60;
    const Row row = build(buildPathRow, in);
    EXPECT_EQ(row.text, "path: >" + mask.substr(0, 52) + "<");
    EXPECT_EQ(row.attr.back(), 'e');
}

// The builder says where the mask stands, so the painter gives only those cells their
// background; a mask cut to the row ends where the cut does.
TEST(StatusRows, MaskColumnsAreRecorded) {
    In in = wideInput();
    StatusRowText out;
    buildFindRow(in, out);
    EXPECT_EQ(out.maskStart, 7);
    EXPECT_EQ(out.maskEnd, 12);
    EXPECT_EQ(std::string(out.text).substr(7, 5), "alpha");
    const std::string longMask(100, 'p');
    in.pathMask = longMask;
    in.columns = 30;
    buildPathRow(in, out);
    EXPECT_EQ(out.maskStart, 7);
    EXPECT_EQ(out.maskEnd, 29);
    EXPECT_EQ(out.text[out.maskEnd], '<');
}

class StatusRowsViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        statusInfo().infoText[0] = '\0';
        view.search.textStorePtr = &store;
        view.columns = 69;  // one column short of the speed figures
        view.clientWidth = 690;
        for (const char* line :
             {":snapfile zuk,1.0.7,lprefix=:file:,memory\n", ":file:\n", "src/one.cpp\n", "alpha\n",
              "gamma\n", ":file:\n", "doc/two.txt\n", "beta\n"})
            ASSERT_EQ(store.addLine(line, true), 0);
        ASSERT_EQ(store.finish(), 0);
    }
    void TearDown() override { statusInfo().infoText[0] = '\0'; }
    std::string text(int row) const { return view.screen.rowText(row); }

    TextStore store;
    View view;
};

TEST_F(StatusRowsViewTest, InfoTextShowsOnceAfterItsTimeThenGoes) {
    statusInfo().show("#highlights reset.", false, true);
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 2) statusInfo().infoExpiry = tickMs() - 1;
        writeStatusRows(view, 8, 9);
        EXPECT_NE(text(9).find(" - highlights reset."), std::string::npos) << pass;
    }
    writeStatusRows(view, 8, 9);
    EXPECT_EQ(text(9).find("highlights"), std::string::npos) << text(9);
    EXPECT_EQ(view.screen.flags[9], kRowFind);
}

TEST_F(StatusRowsViewTest, PathRowFollowsTheFileSelection) {
    writeStatusRows(view, 8, 9);
    EXPECT_EQ(text(8), "global search over 2 files.");
    EXPECT_EQ(view.screen.maskEnd[8], 0);  // no mask shown, no mask columns
    view.search.pathSelectionActive = true;
    view.search.setPathMask("one");
    view.search.compileSearch(false);
    ASSERT_EQ(view.search.selectFiles(true), 0);
    writeStatusRows(view, 8, 9);
    EXPECT_EQ(text(8),
              "path: >one< - 1 files selected. 1 lines" + std::string(17, ' ') + "3 files Tab=3");
    EXPECT_EQ(view.screen.maskStart[8], 7);
    EXPECT_EQ(view.screen.maskEnd[8], 10);
    view.search.setPathMask("on");  // not counted yet: the whole text stands in
    writeStatusRows(view, 8, 9);
    const std::string whole = std::to_string(store.lineCount()) + " lines";
    EXPECT_EQ(text(8).substr(0, 22 + whole.size()), "path: >on< - 2 files. " + whole);
}

}  // namespace
}  // namespace tessel
