#include "search/search_schedule.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "search/search_state.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

using testing::LogCapture;

TEST(SearchDelay, ShrinksAsTheUserTypesFaster) {
    DelayInputs in;
    in.maskLength = 1;
    in.keysLastSecond = 1;
    EXPECT_EQ(computeSearchDelay(in), 800);
    in.keysLastSecond = 3;
    EXPECT_EQ(computeSearchDelay(in), 320);  // 40 % of 800, no length scaling below 50 %
    in.keysLastSecond = 9;
    EXPECT_EQ(computeSearchDelay(in), 200);
    in.keysLastSecond = 0;
    EXPECT_EQ(computeSearchDelay(in), 10);
    in.keysLastSecond = 2;
    in.sawKey45 = true;
    EXPECT_EQ(computeSearchDelay(in), 800);
    in.sawKey45 = false;
    in.keysLastSecond = 1;
    in.maskLength = 5;
    EXPECT_EQ(computeSearchDelay(in), 400);  // long masks search sooner
    in.keysLastSecond = 2;
    EXPECT_EQ(computeSearchDelay(in), 240);

    in.configuredDelay = 2000;
    in.keysLastSecond = 2;
    in.maskLength = 4;
    EXPECT_EQ(computeSearchDelay(in), 1440);  // 90 % then 80 %
    in.configuredDelay = 5;                   // too small: the default
    in.keysLastSecond = 1;
    in.maskLength = 1;
    EXPECT_EQ(computeSearchDelay(in), 800);

    in.mouseOnBookmarks = in.enableMouseBookDelay = true;
    in.mouseBookDelay = 1234;
    EXPECT_EQ(computeSearchDelay(in), 1234);
}

// A view without a window: a settable clock, a recorded timer and a UI queue.
class FakeHost : public SearchHost {
  public:
    int64_t nowMs() override { return now; }
    void armSearchTimer(int delayMs) override { armed = delayMs; }
    void killSearchTimer() override { armed = -1; }
    void postToUi(std::function<void()> task) override { ui.post(std::move(task)); }
    bool textLoading() override { return loading; }
    bool mouseOverBookmarks() override { return mouseOnBookmarks; }
    int viewLineCount() override { return lines; }
    bool inNormalView() override { return normalView; }
    void openFilteredView() override { ++filteredViews; }
    void openFileList() override { ++fileLists; }

    int drain() { return ui.drain(); }

    int64_t now = 100000;
    int armed = -1;
    bool loading = false;
    bool mouseOnBookmarks = false;
    bool normalView = true;
    int lines = 0;
    int filteredViews = 0;
    int fileLists = 0;
    testing::UiQueue ui;
};

class SearchStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        state.textStorePtr = &store;
        state.workers = &workers;
        state.host = &host;
    }

    void feed(std::initializer_list<const char*> lines) {
        for (const char* line : lines) ASSERT_EQ(store.addLine(line, true), 0) << line;
    }

    // Three files; line numbers: header block 0-1, then per file ":file:", name, two lines.
    void loadThreeFiles() {
        feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
        feed({":file:\n", "src/one.cpp\n", "int main\n", "return alpha\n"});
        feed({":file:\n", "src/two.h\n", "struct beta\n", "int value\n"});
        feed({":file:\n", "doc/readme.txt\n", "nothing here\n", "alpha again\n"});
        ASSERT_EQ(store.finish(), 0);
        host.lines = store.lineCount();
    }

    TextStore store;
    SearchWorkers workers{2};
    FakeHost host;
    SearchState state;
};

TEST_F(SearchStateTest, ThreeQuickKeysArmTheTimerAt320) {
    state.setFindMask("abc");
    for (int i = 0; i < 3; ++i) {
        state.recordKeystroke('a' + i);
        host.now += 200;
    }
    state.scheduleSearch(false);
    EXPECT_EQ(host.armed, 320);
    EXPECT_EQ(state.searchPhase, 1);
    EXPECT_TRUE(state.searchPending);
    host.now += 2000;  // old keys no longer count
    state.recordKeystroke('d');
    state.scheduleSearch(false);
    EXPECT_EQ(host.armed, 720);  // one key: the full delay, less 10 % for three characters

    state.fastDelayMs = 30;
    state.scheduleSearch(false);
    EXPECT_EQ(host.armed, 100);
    state.scheduleSearch(true);
    EXPECT_EQ(host.armed, 30);
    state.fastDelayMs = 0;
    state.scheduleSearch(false, 300);
    EXPECT_EQ(host.armed, 300);
}

TEST_F(SearchStateTest, NoSearchWhileLoadingOrOnBookmarks) {
    LogCapture log;
    host.loading = true;
    state.scheduleSearch(false);
    EXPECT_EQ(host.armed, -1);
    host.loading = false;
    host.mouseOnBookmarks = true;
    state.settings.enableMouseBookDelay = true;
    state.settings.mouseBookDelay = -1;
    state.scheduleSearch(false);
    EXPECT_EQ(host.armed, -1);
    EXPECT_TRUE(log.contains("mouse on bookmarks, no search."));
    state.settings.mouseBookDelay = 2500;
    state.scheduleSearch(false);
    EXPECT_EQ(host.armed, 2500);
    EXPECT_TRUE(log.contains("mouse on bookmarks, waiting."));
}

TEST_F(SearchStateTest, PassCountsHitsAndPlacesTheFirst) {
    loadThreeFiles();
    state.resultFocusOffset = 2;
    state.setFindMask("alpha");
    state.globalSearch(true);
    EXPECT_EQ(state.hitCount, 2);
    const int first = store.blocks[1]->firstLine + 3;  // "return alpha"
    EXPECT_STREQ(store.lineText(first), "return alpha ");
    EXPECT_EQ(state.currentLine, first);
    EXPECT_EQ(state.topLine, first - 2);
    EXPECT_EQ(state.searchPhase, 0);
    // The header block in front of the files is no file: it is not searched.
    EXPECT_EQ(state.timing.testedLines, store.lineCount() - store.blocks[0]->lineCount);

    state.setFindMask("");
    state.globalSearch(true);
    EXPECT_EQ(state.hitCount, 0);
    EXPECT_EQ(state.timing.testedLines, 0);
}

TEST_F(SearchStateTest, PathMaskSelectsFiles) {
    loadThreeFiles();
    state.pathSelectionActive = true;
    state.setPathMask("two AND readme");  // AND in a path mask means either
    state.compileSearch(false);
    ASSERT_EQ(state.selectFiles(false), 0);
    EXPECT_EQ(state.files.selectedFiles, 2);
    EXPECT_FALSE(state.isFileSelected(1));
    EXPECT_TRUE(state.isFileSelected(2));
    EXPECT_EQ(state.files.firstSelectedLine, store.blocks[2]->firstLine);
    EXPECT_EQ(state.nextSelectedFile(-1), 2);
    EXPECT_EQ(state.nextSelectedFile(2), 3);
    EXPECT_EQ(state.nextSelectedFile(3), -1);
    EXPECT_EQ(state.prevSelectedFile(3), 2);
    EXPECT_EQ(state.selectFiles(false), 1);  // cached

    state.setFindMask("alpha");
    state.globalSearch(true);
    EXPECT_EQ(state.hitCount, 1);  // only doc/readme.txt is searched for it

    state.setPathMask("src\\two");  // a backslash separates as well
    state.compileSearch(false);
    state.selectFiles(false);
    EXPECT_EQ(state.files.selectedFiles, 1);

    state.setPathMask("nomatch");
    state.setFindMask("int");
    state.lockRows = 1;
    state.globalSearch(true);
    EXPECT_EQ(state.hitCount, 0);
    state.pathSelectionActive = false;  // inactive: every file passes
    state.globalSearch(true);
    EXPECT_EQ(state.hitCount, 2);
}

TEST_F(SearchStateTest, BackgroundPassReportsThroughTheUiQueue) {
    loadThreeFiles();
    state.setFindMask("int");
    state.globalSearch(false);
    ASSERT_EQ(host.drain(), 1);
    EXPECT_EQ(state.hitCount, 2);
    EXPECT_EQ(state.searchPhase, 0);
    EXPECT_FALSE(state.passRunning());

    // A keystroke during a pass drops its result and schedules a new search.
    state.setFindMask("beta");
    state.globalSearch(false);
    state.scheduleSearch(false);
    EXPECT_FALSE(state.passRunning());
    host.drain();
    EXPECT_EQ(state.hitCount, 0);
    EXPECT_EQ(state.searchPhase, 1);
    state.runSearch();  // the timer fires: auto filter opens the filtered view
    EXPECT_EQ(host.filteredViews, 1);
    state.autoFilter = false;
    state.runSearch();
    for (int i = 0; i < 100 && state.passRunning(); ++i) host.drain();
    EXPECT_EQ(state.hitCount, 1);
}

TEST_F(SearchStateTest, EmptyMaskWithFilesPicksTheFileSelection) {
    loadThreeFiles();
    state.pathSelectionActive = true;
    state.setPathMask("readme");
    state.runSearch();
    EXPECT_EQ(state.currentLine, store.blocks[3]->firstLine);  // single file: jump to it
    state.setPathMask("src");
    state.runSearch();
    EXPECT_EQ(host.fileLists, 1);
}

TEST_F(SearchStateTest, CompileReportsErrorsAndTogglesRestart) {
    LogCapture log;
    state.setFindMask("a NOT b OR c");
    state.compileSearch(false);
    EXPECT_EQ(state.messageLine, "OR after NOT is not allowed in search");
    state.setFindMask("WORD a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a");
    state.compileSearch(false);
    EXPECT_TRUE(log.contains("too many elements in search expression"));
    state.toggleOperators();
    EXPECT_TRUE(log.contains("[blue] AND OR NOT * treated as search text."));
    EXPECT_EQ(host.armed, 10);  // no keystrokes: at once
    EXPECT_EQ(state.findExpr.termCount, 1u);
    state.toggleSequence();
    EXPECT_TRUE(log.contains("ignoring search word sequence."));
}

}  // namespace
}  // namespace tessel
