#include "app/window_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/batch_driver.h"
#include "app/view_windows.h"
#include "base/log/message_log.h"
#include "platform/platform.h"
#include "test_support.h"
#include "view/search_driver.h"
#include "view/view.h"

namespace tessel {
namespace {

class WindowHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(startPlatform(true, true), 0);
        ASSERT_EQ(createMainFont("no such family", 16, 400), 0);
    }
    void TearDown() override {
        closeAllViews();
        stopPlatform();
    }

    static void settle() {
        for (int i = 0; i < 20; ++i) pumpPendingEvents();
    }
};

TEST_F(WindowHostTest, UnknownFontFallsBackToFixedPitchCells) {
    EXPECT_GT(mainCharWidth(), 0);
    EXPECT_GT(mainLineHeight(), mainCharWidth() / 2);
}

TEST_F(WindowHostTest, FirstViewFollowsTheFrameSize) {
    FrameStart start;
    start.frameGiven = true;
    start.area = "10:10:600:400";
    ASSERT_EQ(openFirstView(start), 0);
    ASSERT_EQ(frameViewCount(), 1);
    View* view = frameFocusedView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(frameViewAt(0), view);
    EXPECT_EQ(frameViewAt(1), nullptr);
    EXPECT_EQ(frameViewAt(-1), nullptr);
    ASSERT_NE(platformWindowOf(*view), nullptr);
    EXPECT_NE(view->window, 0u);

    resizeFrame(500, 300);
    settle();
    ASSERT_GT(view->lineHeight, 0);
    ASSERT_GT(view->charWidth, 0);
    EXPECT_EQ(view->rows, 300 / view->lineHeight);
    EXPECT_EQ(view->columns, 500 / view->charWidth);

    // The rows are built for the new size before anyone reads them.
    buildViewScreen(*view);
    EXPECT_TRUE(view->screen.valid);

    EXPECT_EQ(focusFrameView(0), 0);
    EXPECT_EQ(focusFrameView(1), 9);
    EXPECT_EQ(focusFrameView(-1), 9);
}

TEST_F(WindowHostTest, ClosingLeavesNoWindowsBehind) {
    ASSERT_EQ(openFirstView(FrameStart{}), 0);
    View* view = frameFocusedView();
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(viewWorkPending());
    closeAllViews();
    EXPECT_EQ(frameViewCount(), 0);
    EXPECT_EQ(frameFocusedView(), nullptr);
    EXPECT_FALSE(frameWindowOpen());
    // A second start-up in the same process finds a clean frame.
    ASSERT_EQ(openFirstView(FrameStart{}), 0);
    EXPECT_EQ(frameViewCount(), 1);
}

TEST_F(WindowHostTest, ScheduledSearchIsPendingUntilItsTimerRan) {
    ASSERT_EQ(openFirstView(FrameStart{}), 0);
    View* view = frameFocusedView();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->host, nullptr);
    view->search.setFindMask("intro");
    scheduleSearch(*view);
    EXPECT_TRUE(viewWorkPending());
    const int64_t end = tickMs() + 5000;
    while (viewWorkPending() && tickMs() < end) {
        pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(viewWorkPending());
    // The window is gone with the view; the search no longer reaches it.
    closeAllViews();
    EXPECT_EQ(frameViewCount(), 0);
}

TEST_F(WindowHostTest, MissingBatchFileIsReported) {
    testing::LogCapture log;
    EXPECT_EQ(prepareBatch("/nonexistent/run.batch"), 9);
    EXPECT_TRUE(log.contains("cannot read batch file"));
}

// The answers a batch opens with are there for the boxes of the start-up load, which runs
// before the batch plays; the other commands wait for the message loop.
TEST_F(WindowHostTest, LeadingBatchAnswersAreQueuedBeforeStartUp) {
    testing::TempDir dir;
    const std::string path = dir.write("start.batch", "# story\nanswer no\nanswer yes\nquit\n");
    clearBoxAnswers();
    ASSERT_EQ(prepareBatch(path), 0);
    EXPECT_EQ(messageBox("LOAD LIMIT", "go on?", BoxButtons::yesNo), BoxAnswer::no);
    EXPECT_EQ(messageBox("LOAD LIMIT", "go on?", BoxButtons::yesNo), BoxAnswer::yes);
    clearBoxAnswers();
}

}  // namespace
}  // namespace tessel
