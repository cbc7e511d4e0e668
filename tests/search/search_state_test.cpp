#include "search/search_state.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "search/search_delay.h"
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
    in.newWordStarted = true;  // the first key of a new word waits the full delay
    EXPECT_EQ(computeSearchDelay(in), 800);
    in.newWordStarted = false;
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

// A window without a display: a clock that stands still and a UI queue the test drains.
class QueueHost : public SearchHost {
  public:
    int64_t nowMs() override { return 100000; }
    void armSearchTimer(int /*delayMs*/) override {}
    void killSearchTimer() override {}
    void postToUi(std::function<void()> task) override { ui.post(std::move(task)); }

    int drain() { return ui.drain(); }

    testing::UiQueue ui;
};

class SearchStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        state.textStorePtr = &store;
        state.workers = &workers;
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
    }

    // One pass in the normal view, run to its end.
    void search() {
        std::shared_ptr<const PassRequest> request = state.preparePass(now);
        const PassResult result = request ? workers.run(*request) : PassResult{};
        state.finishPass(result, now + 5, store.lineCount());
    }

    TextStore store;
    SearchWorkers workers{2};
    SearchState state;
    int64_t now = 100000;
};

TEST_F(SearchStateTest, DelayCountsTheKeysOfTheLastSecond) {
    state.setFindMask("abc");
    for (int i = 0; i < 3; ++i) {
        state.recordKeystroke(now, false);
        now += 200;
    }
    EXPECT_EQ(state.searchDelay(now, false, false), 320);
    now += 2000;  // old keys no longer count
    state.recordKeystroke(now, false);
    EXPECT_EQ(state.searchDelay(now, false, false), 720);  // less 10 % for three characters
    // The length that counts is that of the mask being typed.
    state.setPathMask("a");
    EXPECT_EQ(state.searchDelay(now, true, false), 800);
    // A new word waits the full delay, whatever came before it.
    state.recordKeystroke(now, true);
    EXPECT_EQ(state.searchDelay(now, false, false), 720);
    // Over the bookmarks the configured wait applies, when it is enabled.
    state.settings.enableMouseBookDelay = true;
    state.settings.mouseBookDelay = 2500;
    EXPECT_EQ(state.searchDelay(now, false, true), 2500);
}

TEST_F(SearchStateTest, PassCountsHitsAndPlacesTheFirst) {
    loadThreeFiles();
    state.resultFocusOffset = 2;
    state.setFindMask("alpha");
    search();
    EXPECT_EQ(state.hitCount, 2);
    const int first = store.blocks[1]->firstLine + 3;  // "return alpha"
    EXPECT_STREQ(store.lineText(first), "return alpha ");
    EXPECT_EQ(state.currentLine, first);
    EXPECT_EQ(state.topLine, first - 2);
    EXPECT_EQ(state.searchPhase, SearchPhase::kDone);
    EXPECT_EQ(state.timing.elapsedMs, 5);
    // The header block in front of the files is no file: it is not searched.
    EXPECT_EQ(state.timing.testedLines, store.lineCount() - store.blocks[0]->lineCount);

    state.setFindMask("");
    search();
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
    search();
    EXPECT_EQ(state.hitCount, 1);  // only doc/readme.txt is searched for it

    state.setPathMask("src\\two");  // a backslash separates as well
    state.compileSearch(false);
    state.selectFiles(false);
    EXPECT_EQ(state.files.selectedFiles, 1);

    state.setPathMask("nomatch");
    state.setFindMask("int");
    state.lockRows = 1;
    search();
    EXPECT_EQ(state.hitCount, 0);
    state.pathSelectionActive = false;  // inactive: every file passes
    search();
    EXPECT_EQ(state.hitCount, 2);
}

// The one pass mechanism: results come back through the host's queue, and a cancelled pass
// or a runner that is gone never delivers, even when its result is queued already.
TEST_F(SearchStateTest, PassRunnerDeliversOnTheUiQueueUnlessCancelled) {
    loadThreeFiles();
    QueueHost host;
    state.setFindMask("int");
    int delivered = 0;
    int64_t hits = -1;
    auto done = [&](const PassResult& result) {
        ++delivered;
        hits = result.hitCount;
    };
    PassRunner runner;
    runner.start(workers, &host, state.preparePass(now), done);
    EXPECT_TRUE(runner.running());
    ASSERT_EQ(host.drain(), 1);
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(hits, 2);
    EXPECT_FALSE(runner.running());

    // Cancelled after its result was queued: the queued result is dropped.
    runner.start(workers, &host, state.preparePass(now), done);
    ASSERT_TRUE(host.ui.waitForTask());
    runner.cancel();
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(host.drain(), 1);
    EXPECT_EQ(delivered, 1);

    // A new start replaces the running pass; only the new one delivers.
    state.setFindMask("beta");
    runner.start(workers, &host, state.preparePass(now), done);
    state.setFindMask("alpha");
    runner.start(workers, &host, state.preparePass(now), done);
    for (int i = 0; i < 10 && runner.running(); ++i) host.drain();
    EXPECT_EQ(delivered, 2);
    EXPECT_EQ(hits, 2);

    // Without a host the pass runs to its end before start returns.
    runner.start(workers, nullptr, state.preparePass(now), done);
    EXPECT_EQ(delivered, 3);
    EXPECT_FALSE(runner.running());

    // A runner that is gone takes no result.
    {
        PassRunner gone;
        gone.start(workers, &host, state.preparePass(now), done);
        ASSERT_TRUE(host.ui.waitForTask());
    }
    host.drain();
    EXPECT_EQ(delivered, 3);
}

TEST_F(SearchStateTest, CompileReportsErrorsAndTogglesSayWhatChanged) {
    LogCapture log;
    state.setFindMask("a NOT b OR c");
    state.compileSearch(false);
    EXPECT_EQ(state.messageLine, "OR after NOT is not allowed in search");
    state.setFindMask("WORD a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a");
    state.compileSearch(false);
    EXPECT_TRUE(log.contains("too many elements in search expression"));
    state.toggleOperators();
    EXPECT_TRUE(log.contains("[blue] AND OR NOT * treated as search text."));
    state.compileSearch(false);
    EXPECT_EQ(state.findExpr.termCount, 1u);
    state.toggleSequence();
    EXPECT_TRUE(log.contains("ignoring search word sequence."));
}

}  // namespace
}  // namespace tessel
