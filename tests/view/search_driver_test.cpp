#include "view/search_driver.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "editor/editor.h"
#include "fake_view_host.h"
#include "platform/platform.h"
#include "test_support.h"
#include "text/text_store.h"
#include "three_files_test_base.h"
#include "view/filter_view.h"
#include "view/view.h"
#include "view/view_window.h"

namespace tessel {
namespace {

using testing::LogCapture;

class SearchDriverTest : public testing::ThreeFilesTest {
  protected:
    // The timer fires and every result that comes back on the UI queue is taken.
    void fireAndSettle() {
        searchTimerFired(view);
        for (int i = 0; i < 10 && passesRunning(view); ++i) host.drain();
    }

    testing::FakeViewHost host;
    testing::HostedView hosted{view, host};
};

TEST_F(SearchDriverTest, KeystrokesArmTheTimerWithTheAdaptiveDelay) {
    view.search.setFindMask("abc");
    for (int i = 0; i < 3; ++i) {
        searchAfterKeystroke(view, false);
        host.now += 200;
    }
    EXPECT_EQ(host.armed, 320);
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kScheduled);
    EXPECT_TRUE(view.search.searchPending);
    host.now += 2000;  // old keys no longer count
    searchAfterKeystroke(view, false);
    EXPECT_EQ(host.armed, 720);  // one key: the full delay, less 10 % for three characters
    host.now += 100;
    view.search.setFindMask("");
    searchAfterKeystroke(view, true);
    EXPECT_EQ(host.armed, 800);  // a new word: the full delay, however fast the keys came

    view.search.fastDelayMs = 30;
    scheduleSearch(view);
    EXPECT_EQ(host.armed, 100);
    scheduleSearch(view, true);
    EXPECT_EQ(host.armed, 30);
    view.search.fastDelayMs = 0;
    scheduleSearch(view, false, 300);
    EXPECT_EQ(host.armed, 300);

    // The timer disarms itself; a view without a window never arms one.
    searchTimerFired(view);
    EXPECT_EQ(host.armed, -1);
    EXPECT_FALSE(view.search.searchPending);
    View alone;
    alone.search.textStorePtr = &store;
    scheduleSearch(alone);
    EXPECT_EQ(alone.search.searchPhase, SearchPhase::kDone);
}

TEST_F(SearchDriverTest, NoSearchOrALongerWaitWhileThePointerRestsOnTheBookmarks) {
    LogCapture log;
    view.gestures.pointerOnBookmarks = true;
    view.search.settings.enableMouseBookDelay = true;
    view.search.settings.mouseBookDelay = -1;
    view.search.setFindMask("alpha");
    scheduleSearch(view);
    EXPECT_EQ(host.armed, -1);
    EXPECT_TRUE(log.contains("mouse on bookmarks, no search."));
    view.search.settings.mouseBookDelay = 2500;
    scheduleSearch(view);
    EXPECT_EQ(host.armed, 2500);
    EXPECT_TRUE(log.contains("mouse on bookmarks, waiting."));
    // Without the setting the pointer's place does not matter: no keystroke, no wait.
    view.search.settings.enableMouseBookDelay = false;
    scheduleSearch(view);
    EXPECT_EQ(host.armed, 10);
}

TEST_F(SearchDriverTest, AutoFilterOpensTheFilteredViewElseTheNormalViewSearches) {
    loadThreeFiles();
    view.search.setFindMask("int");
    fireAndSettle();
    EXPECT_EQ(view.filterMode, FilterMode::kFiltered);
    EXPECT_EQ(view.search.hitCount, 2);
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kDone);
    EXPECT_GT(host.refreshes, 0);

    leaveFilter(view, true);
    view.search.autoFilter = false;
    view.search.resultFocusOffset = 1;
    view.search.setFindMask("beta");
    fireAndSettle();
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(view.search.hitCount, 1);
    EXPECT_EQ(view.search.currentLine, 7);  // "alpha beta"
    EXPECT_EQ(view.search.topLine, 6);
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kDone);
}

TEST_F(SearchDriverTest, AnEmptyFindMaskWithAPathMaskListsTheFilesOrJumpsToTheOnlyOne) {
    loadThreeFiles();
    view.search.pathSelectionActive = true;
    view.search.setPathMask("readme");
    fireAndSettle();
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(view.search.currentLine, store.blocks[3]->firstLine);  // single file: jump to it
    view.search.setPathMask("src");
    fireAndSettle();
    EXPECT_EQ(view.filterMode, FilterMode::kFileList);
    EXPECT_EQ(view.filteredLineCount, 4);  // the title, an empty row and two names
}

// The rule that a single hit leaves the filtered view stands once, whether the rows come at
// once (no window) or later from the workers.
TEST_F(SearchDriverTest, ASingleHitLeavesTheFilteredViewEitherWay) {
    loadThreeFiles();
    view.search.settings.exitFilterOnSingleHit = true;
    view.search.resultFocusOffset = 1;
    view.search.setFindMask("beta");
    fireAndSettle();
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(view.search.currentLine, 7);
    EXPECT_EQ(view.search.topLine, 6);

    View alone;
    alone.search.textStorePtr = &store;
    alone.search.workers = &workers;
    alone.search.settings.exitFilterOnSingleHit = true;
    alone.search.resultFocusOffset = 1;
    alone.search.setFindMask("beta");
    searchTimerFired(alone);
    EXPECT_EQ(alone.filterMode, FilterMode::kFullText);
    EXPECT_EQ(alone.search.currentLine, 7);
    EXPECT_EQ(alone.search.topLine, 6);
}

TEST_F(SearchDriverTest, AnEditorKeepsTheSearchAndTheResetTimerMarksTheMask) {
    loadThreeFiles();
    view.search.setFindMask("int");
    view.editor = std::make_unique<Editor>(view.edit);  // an editor without a text
    searchTimerFired(view);
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(view.search.hitCount, 0);
    resetTimerFired(view);
    EXPECT_FALSE(view.search.findMaskMarkedForReset);
    view.editor = nullptr;

    view.search.settings.autoResetFindMs = 3000;
    view.search.autoFilter = false;
    fireAndSettle();
    EXPECT_EQ(host.resetArmed, 3000);
    resetTimerFired(view);
    EXPECT_TRUE(view.search.findMaskMarkedForReset);
}

TEST_F(SearchDriverTest, AKeystrokeStopsTheRunningPassAndItsResultNeverArrives) {
    loadThreeFiles();
    view.search.setFindMask("int");
    view.search.autoFilter = false;
    searchNormalView(view, false);
    ASSERT_TRUE(view.search.pass.running());
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kRunning);
    searchAfterKeystroke(view, false);
    EXPECT_FALSE(passesRunning(view));
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kScheduled);
    host.drain();
    EXPECT_EQ(view.search.hitCount, 0);
}

// A window that goes stops every pass of its view first: a pass that outlived it would post
// its result through a window that is gone.
TEST_F(SearchDriverTest, AClosingWindowStopsEveryPassOfItsView) {
    for (int i = 0; i < 20000; ++i) {
        feed({(i % 7 == 0 ? "needle in the hay\n" : "only hay here, nothing else\n")});
    }
    ASSERT_EQ(store.finish(), 0);
    View windowed;
    windowed.search.textStorePtr = &store;
    windowed.search.workers = &workers;
    windowed.search.setFindMask("needle");
    for (bool filtered : {false, true}) {
        ASSERT_NE(
            openViewWindow(windowed, ViewWindowKind::kBordered, "t", {0, 0, 300, 200}, nullptr),
            0u);
        ASSERT_NE(windowed.host, nullptr);
        if (filtered) {
            ASSERT_EQ(createFilter(windowed, 1), 0);
            ASSERT_EQ(updateFilter(windowed, false, false), 2);
        } else {
            searchNormalView(windowed, false);
        }
        ASSERT_TRUE(passesRunning(windowed));
        closeViewWindow(windowed);
        EXPECT_FALSE(passesRunning(windowed));
        EXPECT_EQ(windowed.host, nullptr);
        for (int i = 0; i < 5; ++i) pumpPendingEvents();
        EXPECT_EQ(windowed.search.hitCount, 0);
        EXPECT_EQ(windowed.search.searchPhase, SearchPhase::kDone);
        leaveFilter(windowed, true);
    }
}

}  // namespace
}  // namespace tessel
