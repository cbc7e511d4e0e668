#include "view/navigation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/frame_layout.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace tessel {
namespace {

using testing::LogCapture;

class NavigationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        config().setInt("assist", 0);
        config().setText("historymaxsteps", "15");
        statusInfo().infoText[0] = '\0';
        prepare(view);
    }
    void TearDown() override {
        config().setInt("assist", 1);
        config().setText("historymaxsteps", "15");
    }

    void prepare(View& each) {
        each.search.textStorePtr = &store;
        each.rows = 12;  // ten text rows
        each.columns = 60;
        updateResultFocus(each);
    }

    // Block 0 is the snapfile header (line 0); each file is ":file:", its name and `body`.
    void addFile(const char* name, const std::vector<std::string>& body) {
        ASSERT_EQ(store.addLine(":file:\n", true), 0);
        ASSERT_EQ(store.addLine((std::string(name) + "\n").c_str(), true), 0);
        for (const std::string& line : body) {
            ASSERT_EQ(store.addLine((line + "\n").c_str(), true), 0);
        }
    }
    std::vector<std::string> lines(int count, int hitAt = -1, int secondHit = -1) {
        std::vector<std::string> body;
        for (int i = 0; i < count; ++i) {
            body.push_back(i == hitAt || i == secondHit ? "the alpha line" : "plain text");
        }
        return body;
    }
    // a.txt lines 1-22 (hits at 7 and 17), b.txt 23-44 (none), c.txt 45-66 (hit at 51).
    void loadFiles() {
        ASSERT_EQ(store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true), 0);
        addFile("src/a.txt", lines(20, 4, 14));
        addFile("src/b.txt", lines(20));
        addFile("doc/c.txt", lines(20, 4));
        ASSERT_EQ(store.finish(), 0);
        ASSERT_EQ(store.blockCount, 4);
        ASSERT_EQ(store.lineCount(), 67);
        view.search.pathSelectionActive = true;
    }
    void find(View& each, const char* mask) {
        each.search.setFindMask(mask);
        each.search.compileSearch(false);
    }
    std::string status() const { return statusInfo().infoText; }

    TextStore store;
    View view;
};

TEST_F(NavigationTest, NextAndPreviousResultAcrossFilesAndEnds) {
    loadFiles();
    find(view, "alpha");
    view.search.currentLine = 0;
    view.search.topLine = 0;
    ASSERT_EQ(nextResult(view), 0);
    EXPECT_EQ(view.search.currentLine, 7);
    EXPECT_EQ(view.search.topLine, 7 - view.search.lockRows);
    ASSERT_EQ(nextResult(view), 0);
    EXPECT_EQ(view.search.currentLine, 17);
    ASSERT_EQ(nextResult(view), 0);  // over b.txt, which has no hit
    EXPECT_EQ(view.search.currentLine, 51);

    // On the last hit the view stays where it is.
    const int top = view.search.topLine;
    EXPECT_EQ(nextResult(view), 1);
    EXPECT_EQ(status(), "no further hits.");
    EXPECT_EQ(view.search.currentLine, 51);
    EXPECT_EQ(view.search.topLine, top);

    ASSERT_EQ(prevResult(view), 0);
    EXPECT_EQ(view.search.currentLine, 17);
    view.search.currentLine = 7;
    view.search.topLine = 4;
    EXPECT_EQ(prevResult(view), 1);
    EXPECT_EQ(status(), "no previous hits.");
    EXPECT_EQ(view.search.currentLine, 7);

    // The current line follows the screen: after scrolling, stepping starts from there.
    view.search.topLine = 30;
    ASSERT_EQ(nextResult(view), 0);
    EXPECT_EQ(view.search.currentLine, 51);
}

TEST_F(NavigationTest, HitsOnTheLastLineAndAtTheVeryEnd) {
    ASSERT_EQ(store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true), 0);
    addFile("a.txt", lines(3, 2));
    ASSERT_EQ(store.finish(), 0);
    const int last = store.lineCount() - 1;
    find(view, "alpha");
    view.search.currentLine = last;
    view.search.topLine = last;
    // Nothing lies after the last line: a plain "no further hits.", not an error.
    LogCapture log;
    EXPECT_EQ(findNextHit(view, -1, false), 1);
    EXPECT_FALSE(log.contains("gnm:"));
    EXPECT_EQ(status(), "no further hits.");

    // Coming back from a filter mode starts at the last line itself, which is a hit here.
    view.filterMode = FilterMode::kFiltered;
    view.search.hitCount = 1;
    const int result = prevResult(view);
    if (view.filterMode == FilterMode::kFullText) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(view.search.currentLine, last);
    } else {
        EXPECT_EQ(result, kNavFilterOpen);
    }
}

TEST_F(NavigationTest, PathSelectionLimitsResultsAndWordsTheMessages) {
    loadFiles();
    find(view, "alpha");
    view.search.setPathMask("c.txt");
    view.search.currentLine = 0;
    ASSERT_EQ(nextResult(view), 0);
    EXPECT_EQ(view.search.currentLine, 51);
    config().setInt("assist", 1);
    EXPECT_EQ(nextResult(view), 1);
    EXPECT_EQ(status(), "no further hits within path selection.");
    EXPECT_EQ(prevResult(view), 1);
    EXPECT_EQ(status(), "no previous hits within path selection.");

    // The current line in an excluded file does not make its hits results.
    view.search.setPathMask("b.txt");
    view.search.currentLine = 5;
    view.search.topLine = 0;
    EXPECT_EQ(nextResult(view), 1);

    // No find mask: assistance explains, otherwise nothing happens.
    view.search.setFindMask("");
    EXPECT_EQ(nextResult(view), 1);
    EXPECT_EQ(status(), "no next result. please type a word to search.");
    EXPECT_EQ(prevResult(view), 1);
    EXPECT_EQ(status(), "no previous result. please type a word to search.");
}

TEST_F(NavigationTest, StepsRefusedInFilterModes) {
    loadFiles();
    find(view, "a.txt");
    view.filterMode = FilterMode::kFiltered;
    view.search.hitCount = 0;
    EXPECT_EQ(findNextHit(view, -1, false), kNavFilterOpen);
    EXPECT_EQ(status(), "close filtered view first.");
}

TEST_F(NavigationTest, NextResultInFilteredViewPlacesFirstHitAtFocus) {
    loadFiles();
    find(view, "alpha");
    view.filterMode = FilterMode::kFiltered;
    view.search.hitCount = 3;
    view.search.topLine = 1;
    view.search.currentLine = 1;
    nextResult(view);
    if (view.filterMode != FilterMode::kFullText) GTEST_SKIP() << "filtered view not built yet";
    EXPECT_EQ(view.search.currentLine, 7);
    EXPECT_EQ(view.search.topLine, 7 - resultFocusOffset(view));
}

TEST_F(NavigationTest, FileStepping) {
    loadFiles();
    view.search.topLine = 0;
    // The line two below the top is in a.txt: the next file is b.txt (line 23), shown with
    // two lines of context above it.
    ASSERT_EQ(nextFileStart(view), 0);
    EXPECT_EQ(view.search.topLine, 21);
    ASSERT_EQ(nextFileStart(view), 0);
    EXPECT_EQ(view.search.topLine, 43);
    EXPECT_EQ(nextFileStart(view), 1);
    EXPECT_EQ(status(), "no further selected file");

    ASSERT_EQ(prevFile(view), 0);  // the top line is in b.txt, the focus line in c.txt
    EXPECT_EQ(view.search.topLine, 21);

    // With b.txt excluded, stepping back from it goes to a.txt.
    view.search.setPathMask("a.txt OR c.txt");
    view.search.topLine = 42;  // top in b.txt, focus in c.txt
    ASSERT_EQ(prevFile(view), 0);
    EXPECT_EQ(view.search.topLine, 1);  // line 1 is too close to the start for context
    view.search.setPathMask("c.txt");
    view.search.topLine = 42;
    EXPECT_EQ(prevFile(view), 1);
    EXPECT_EQ(status(), "no previous selected file");

    // The file end key: end of the file first, then the start of the next.
    view.search.setPathMask("");
    view.search.topLine = 0;
    ASSERT_EQ(nextFileKey(view), 0);
    EXPECT_EQ(view.search.topLine, 22 - 10 + 5);  // a.txt's last line 5 rows above the bottom
    ASSERT_EQ(nextFileKey(view), 0);
    EXPECT_EQ(view.search.topLine, 21);
}

TEST_F(NavigationTest, ResultFocusCycleKeepsTheLineInPlace) {
    loadFiles();
    view.search.topLine = 20;
    const int line = view.search.topLine + resultFocusOffset(view);
    const char* expected[] = {"middle result focus", "bottom result focus", "top result focus"};
    for (const char* message : expected) {
        ASSERT_EQ(cycleResultFocus(view), 0);
        EXPECT_EQ(status(), message);
        EXPECT_EQ(view.search.topLine + resultFocusOffset(view), line) << message;
        EXPECT_EQ(view.display.flashLine, line);
    }
    EXPECT_EQ(view.nav.focusMode, ResultFocus::kTop);
    EXPECT_EQ(view.search.topLine, 20);

    // Near the top the view cannot scroll above line 0.
    view.search.topLine = 1;
    cycleResultFocus(view);
    EXPECT_EQ(view.search.topLine, 0);
}

TEST_F(NavigationTest, PathMaskCommands) {
    loadFiles();
    view.search.setPathMask("src\\lib\\a*.c");
    pathUp(view);
    EXPECT_STREQ(view.search.pathMask, "src\\lib\\a");
    pathUp(view);
    EXPECT_STREQ(view.search.pathMask, "src\\lib");
    view.search.setPathMask("src/lib");
    pathUp(view);
    pathUp(view);
    EXPECT_STREQ(view.search.pathMask, "");

    EXPECT_EQ(clearPath(view), 1);
    EXPECT_EQ(status(), "path is empty already.");
    view.search.setPathMask("x");
    EXPECT_EQ(clearPath(view), 0);
    EXPECT_STREQ(view.search.pathMask, "");

    // Narrowing twice on the same file clears the mask again.
    view.search.currentLine = 30;
    view.search.topLine = 25;
    ASSERT_EQ(narrowToFile(view, true), 0);
    EXPECT_STREQ(view.search.pathMask, "src/b.txt");
    ASSERT_EQ(narrowToFile(view, true), 0);
    EXPECT_STREQ(view.search.pathMask, "");

    // The header block has no file name.
    view.search.topLine = 0;
    view.search.currentLine = 0;
    EXPECT_EQ(narrowToFile(view, false), 1);
    EXPECT_EQ(status(), "no subfile selected.");
}

TEST_F(NavigationTest, JumpTargetNames) {
    ASSERT_EQ(store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true), 0);
    addFile("src/lib/a.cpp", lines(2));   // block 1
    addFile("src/xlib/a.cpp", lines(2));  // block 2
    addFile("C:\\work\\Main.CPP", lines(2));
    addFile("docs/readme_main.txt", lines(2));
    addFile("other/lib/a.cpp", lines(2));  // block 5
    ASSERT_EQ(store.finish(), 0);
    view.search.pathSelectionActive = true;

    // A shorter name must follow a separator or a colon in the stored name.
    EXPECT_EQ(findJumpTarget(view, "lib/a.cpp", store.blocks[4]->firstLine), 5);
    EXPECT_EQ(findJumpTarget(view, "LIB\\A.CPP  ", -1), 1);  // either separator
    EXPECT_EQ(findJumpTarget(view, "main.cpp", -1), 3);
    // Without a dot: part of the name after the last folder.
    EXPECT_EQ(findJumpTarget(view, "MAIN", store.blocks[4]->firstLine), 4);
    EXPECT_EQ(findJumpTarget(view, "work\\main", -1), 3);

    // A source outside the target's path takes the first selected match.
    view.search.setPathMask("lib");
    EXPECT_EQ(findJumpTarget(view, "a.cpp", store.blocks[4]->firstLine), 1);
    // Inside: the nearest selected one.
    EXPECT_EQ(findJumpTarget(view, "a.cpp", store.blocks[5]->firstLine), 5);
    // Only unselected matches: the nearest of them.
    EXPECT_EQ(findJumpTarget(view, "readme", store.blocks[5]->firstLine), 4);

    // A jump mask takes the path mask's place for jumps only: "other" selects block 5 alone,
    // so a jump from outside it lands there, and the path mask is left as it was.
    view.search.setJumpMask("other OR xlib");
    EXPECT_EQ(findJumpTarget(view, "a.cpp", store.blocks[4]->firstLine), 2);
    EXPECT_EQ(findJumpTarget(view, "a.cpp", store.blocks[5]->firstLine), 5);
    EXPECT_STREQ(view.search.pathMask, "lib");
    view.search.setJumpMask("");
    EXPECT_EQ(findJumpTarget(view, "a.cpp", store.blocks[4]->firstLine), 1);
}

TEST(FileReference, Forms) {
    codePageTables().init(1252);
    std::string name;
    int line = -1;
    ASSERT_TRUE(parseFileReference("error in src/a.cpp:123: bad", 12, &name, &line));
    EXPECT_EQ(name, "src/a.cpp");
    EXPECT_EQ(line, 123);
    ASSERT_TRUE(parseFileReference("see file.cpp(45) here", 6, &name, &line));
    EXPECT_EQ(name, "file.cpp");
    EXPECT_EQ(line, 45);
    // On the number or the bracket of "name(45)".
    ASSERT_TRUE(parseFileReference("see file.cpp(45) here", 13, &name, &line));
    EXPECT_EQ(name, "file.cpp");
    ASSERT_TRUE(parseFileReference("C:\\x\\y.h:7:3: warning", 2, &name, &line));
    EXPECT_EQ(name, "C:\\x\\y.h");
    EXPECT_EQ(line, 7);
    EXPECT_FALSE(parseFileReference("a   b", 2, &name, &line));
    EXPECT_FALSE(parseFileReference("x 12345 y", 3, &name, &line));
    EXPECT_FALSE(parseFileReference("(1)", 0, &name, &line));
}

TEST_F(NavigationTest, HistoryRingSizesAndSteps) {
    EXPECT_EQ(historySlotsFor(-3), 0);
    EXPECT_EQ(historySlotsFor(1), 3);
    EXPECT_EQ(historySlotsFor(15), 16);
    EXPECT_EQ(historySlotsFor(100), 16);

    loadFiles();
    config().setText("historymaxsteps", "1");
    find(view, "first");
    view.search.topLine = 5;
    ASSERT_EQ(historySave(view, "before search"), 0);
    EXPECT_EQ(view.nav.historySlots, 3);
    // The same place twice is one step.
    EXPECT_EQ(historySave(view, "before search"), 1);
    find(view, "second");
    view.search.topLine = 10;
    ASSERT_EQ(historySave(view, "before search"), 0);
    find(view, "third");
    view.search.topLine = 15;

    // One step back with one step configured; the oldest state has been dropped.
    ASSERT_EQ(historyBack(view), 0);
    EXPECT_STREQ(view.search.findMask, "second");
    EXPECT_EQ(view.search.topLine, 10);
    EXPECT_EQ(historyBack(view), 1);
    EXPECT_EQ(status(), "no further history steps.");
    ASSERT_EQ(historyForward(view), 0);
    EXPECT_STREQ(view.search.findMask, "third");
    EXPECT_EQ(view.search.topLine, 15);
    EXPECT_EQ(historyForward(view), 1);

    // A new state after a step back drops the forward steps.
    ASSERT_EQ(historyBack(view), 0);
    find(view, "fourth");
    view.search.topLine = 30;
    ASSERT_EQ(historySave(view, "before search"), 0);
    EXPECT_EQ(historyForward(view), 1);
}

TEST_F(NavigationTest, HistoryOffAndInFilterModes) {
    loadFiles();
    config().setText("historymaxsteps", "0");
    view.search.topLine = 5;
    EXPECT_EQ(historySave(view, "before search"), 1);
    statusInfo().infoText[0] = '\0';
    EXPECT_EQ(historyBack(view), 1);
    EXPECT_EQ(historyForward(view), 1);
    EXPECT_EQ(status(), "");  // off: nothing is said
    EXPECT_EQ(view.search.topLine, 5);

    config().setText("historymaxsteps", "5");
    view.filterMode = FilterMode::kFiltered;
    EXPECT_EQ(historySave(view, "before filter"), 1);
}

class NearbyViewTest : public NavigationTest {
  protected:
    void SetUp() override {
        NavigationTest::SetUp();
        for (int i = 0; i < 2; ++i) {
            frame.views.push_back(std::make_unique<View>(&frame));
            frame.views.back()->setIndex(i);
            prepare(*frame.views.back());
        }
    }
    View& left() { return *frame.views[0]; }
    View& right() { return *frame.views[1]; }

    FrameLayout frame;
};

TEST_F(NearbyViewTest, SamePlaceInTheOtherView) {
    loadFiles();
    left().search.pathSelectionActive = right().search.pathSelectionActive = true;
    left().search.topLine = 40;
    left().search.currentLine = 47;
    ASSERT_EQ(showInNearbyView(left()), 0);
    EXPECT_EQ(right().search.currentLine, 47);
    EXPECT_EQ(right().search.topLine, 47 - resultFocusOffset(right()));
    EXPECT_EQ(right().display.flashLine, 47);

    right().search.setPathMask("a.txt");
    EXPECT_EQ(showInNearbyView(left()), 1);
    EXPECT_EQ(status(), "file outside target path.");
    // The last view's neighbour is the one before it.
    right().search.currentLine = 3;
    right().search.topLine = 0;
    ASSERT_EQ(showInNearbyView(right()), 0);
    EXPECT_EQ(left().search.currentLine, 3);

    left().search.topLine = 0;
    left().search.currentLine = 0;
    EXPECT_EQ(showInNearbyView(left()), 1);
    EXPECT_EQ(status(), "no current file active for reference.");
    view.search.currentLine = 5;
    EXPECT_EQ(showInNearbyView(view), 1);
    EXPECT_EQ(status(), "open another window first.");
}

TEST_F(NearbyViewTest, ReferenceUnderTheMouseOpensInTheOtherView) {
    ASSERT_EQ(store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true), 0);
    addFile("build.log", {"compiling", "src/lib/a.cpp:2: error", "done"});
    addFile("src/lib/a.cpp", {"int first;", "int second;", "int third;"});
    ASSERT_EQ(store.finish(), 0);
    View& source = left();
    source.search.topLine = 0;
    EXPECT_EQ(openReferenceAtMouse(source), 1);
    EXPECT_EQ(status(), "place mouse within a text area first.");
    ASSERT_EQ(buildScreen(source), 0);
    int row = -1;
    for (int r = 0; r < kScreenRows; ++r) {
        if (source.screen.rowLine[static_cast<size_t>(r)] == 4) row = r;
    }
    ASSERT_GE(row, 0);
    source.nav.lastMouseRow = row;
    source.nav.lastMouseColumn = 50;
    EXPECT_EQ(openReferenceAtMouse(source), 1);
    EXPECT_EQ(status(), "place mouse within visible text first.");
    source.nav.lastMouseColumn = 5;
    ASSERT_EQ(openReferenceAtMouse(source), 0);
    // Line 2 of the file is the second line after its header rows.
    EXPECT_EQ(right().search.currentLine, store.blocks[2]->firstLine + 3);
    EXPECT_STREQ(store.lineText(right().search.currentLine), "int second; ");

    source.nav.lastMouseColumn = 0;  // "compiling" names no loaded file
    source.nav.lastMouseRow = row - 1;
    EXPECT_EQ(openReferenceAtMouse(source), 1);
    EXPECT_EQ(status(), "unable to find text location");
}

TEST_F(NavigationTest, Keys) {
    loadFiles();
    find(view, "alpha");
    view.search.currentLine = 0;
    EXPECT_EQ(navigationKeyDown(view, kKeyF1 + 2, 0), 0);
    EXPECT_EQ(view.search.currentLine, 7);
    // CONTROL+DOWN steps only with its option on.
    appSettings().jumpResultsByCtrlCursor = false;
    EXPECT_EQ(navigationKeyDown(view, kKeyDown, kModControl), 1);
    appSettings().jumpResultsByCtrlCursor = true;
    EXPECT_EQ(navigationKeyDown(view, kKeyDown, kModControl), 0);
    EXPECT_EQ(view.search.currentLine, 17);
    appSettings().jumpResultsByCtrlCursor = false;

    // CONTROL+M is RETURN's character: without CONTROL it is no command.
    view.search.setPathMask("a.txt");
    EXPECT_EQ(navigationChar(view, 0x0D, 0), 1);
    EXPECT_STREQ(view.search.pathMask, "a.txt");
    EXPECT_EQ(navigationChar(view, 0x0D, kModControl), 0);
    EXPECT_STREQ(view.search.pathMask, "");
}

}  // namespace
}  // namespace tessel
