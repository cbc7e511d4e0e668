#include "app/load_ui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/view_windows.h"
#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/frame_layout.h"
#include "view/load_progress.h"
#include "view/view.h"

namespace tessel {
namespace {

// Loads through the process-wide driver into a store of the test's own, with the frame's
// views being views of the test; no window exists, so dialogs and menus take queued answers.
class LoadUiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        clearMenuAnswers();
        clearDialogAnswers();
        settings.readAheadThreads = 0;
        LoadDriver& driver = loadDriver();
        driver.store = &store;
        driver.settingsOverride = &settings;
        driver.useThread = false;
        FrameLayout& layout = frameLayout();
        layout.views.push_back(std::make_unique<View>(&layout));
        layout.focusView = 0;
        view().search.textStorePtr = &store;
        windowEvents().frameClosing = [this] { ++closings; };
        config().setInt("esccloseapp", 1);
        config().setInt("appenddragdrop", 0);
    }
    void TearDown() override {
        LoadDriver& driver = loadDriver();
        driver.store = nullptr;
        driver.settingsOverride = nullptr;
        driver.useThread = true;
        driver.callbacks = LoadCallbacks{};
        driver.show = nullptr;
        frameLayout().views.clear();
        windowEvents() = WindowEvents{};
        clearMenuAnswers();
        clearDialogAnswers();
        config().setInt("esccloseapp", 1);
        config().setInt("appenddragdrop", 0);
    }

    View& view() { return *frameLayout().views.front(); }
    int menuIndexOf(LoadMenuAction action) {
        for (size_t i = 0; i < kLoadMenu.size(); ++i)
            if (kLoadMenu[i].action == action) return static_cast<int>(i);
        return -1;
    }

    testing::TempDir dir;
    TextStore store;
    LoadSettings settings;
    int closings = 0;
};

TEST_F(LoadUiTest, ClosedMenusAndCancelledDialogsLoadNothing) {
    ASSERT_EQ(kLoadMenu.size(), 11u);
    testing::LogCapture log;
    EXPECT_EQ(openLoadMenu(loadDriver()), 1) << "no queued answer: the menu was closed";
    EXPECT_TRUE(log.contains("menu of 11 entries -> cancelled"));
    EXPECT_EQ(runLoadMenuAction(loadDriver(), LoadMenuAction::kAppendFile), 1);
    EXPECT_TRUE(log.contains("dialog \"Add text from a single file.\" cancelled"));
    EXPECT_FALSE(log.contains("selected path"));
    EXPECT_EQ(store.blockCount, 0);
    // The load options are on a page of the setup dialog, which needs the window system.
    queueMenuAnswer(menuIndexOf(LoadMenuAction::kConfigure));
    EXPECT_EQ(openLoadMenu(loadDriver()), 1);
    EXPECT_TRUE(log.contains("dialog \"Tessel Setup\" not shown"));
}

TEST_F(LoadUiTest, MenuLoadsAFolderAndAppendsAFileAboveItsRecord) {
    dir.write("first/a.txt", "alpha\nbeta\n");
    const std::string second = dir.write("b.txt", "gamma\n");
    testing::LogCapture log;
    queueMenuAnswer(menuIndexOf(LoadMenuAction::kLoadFolder));
    queueDialogAnswer(dir.path() + "/first");
    view().search.topLine = 7;
    EXPECT_EQ(openLoadMenu(loadDriver()), 0);
    EXPECT_TRUE(log.contains("[info] selected path:"));
    EXPECT_TRUE(log.contains("[info] \"" + dir.path() + "/first\""));
    EXPECT_EQ(store.blockCount, 2);
    EXPECT_EQ(view().search.topLine, 0) << "a replacing load shows the new text from its start";
    EXPECT_FALSE(loadProgress().active());

    queueDialogAnswer(second);
    EXPECT_EQ(runLoadMenuAction(loadDriver(), LoadMenuAction::kAppendFile), 0);
    ASSERT_EQ(store.blockCount, 3);
    EXPECT_EQ(view().search.topLine, std::max(store.blocks[2]->firstLine - 3, 0));
    EXPECT_TRUE(log.contains("load: append text"));
}

TEST_F(LoadUiTest, EscapeDuringALoadStopsAfterTheCurrentFileAndItsReleaseKeepsTheProgram) {
    for (int i = 0; i < 5; ++i) dir.write("f" + std::to_string(i) + ".txt", "line\n");
    LoadDriver& driver = loadDriver();
    prepareWindowLoad(driver);
    int swallowed = 0;
    // The first pump of the collection delivers the user's keys.
    driver.callbacks.pumpMessages = [&] {
        if (loadKeyDown(view(), kKeyA, 0) == 0) ++swallowed;
        if (loadChar(view(), 'a', 0) == 0) ++swallowed;
        loadKeyDown(view(), kKeyEscape, 0);
    };
    driver.callbacks.escapeHeld = [] { return false; };
    testing::LogCapture log;
    EXPECT_EQ(driver.load(dir.path().c_str(), 0), 1);
    EXPECT_TRUE(driver.lastReport.stopped);
    EXPECT_EQ(driver.lastReport.files, 1u);
    EXPECT_TRUE(log.contains("[note] file collection aborted"));
    EXPECT_EQ(swallowed, 2) << "keys during a load never reach the view";
    // The release of the key that stopped the load is not an ESCAPE of its own.
    EXPECT_EQ(loadKeyUp(view(), kKeyEscape, 0), 0);
    EXPECT_EQ(closings, 0);
    EXPECT_EQ(loadKeyDown(view(), kKeyA, 0), 1) << "keys reach the view again after the load";
}

TEST_F(LoadUiTest, EscapeWhenIdleLeavesOnReleaseUnlessSwitchedOff) {
    EXPECT_EQ(loadKeyUp(view(), kKeyEscape, 0), 0);
    EXPECT_EQ(closings, 0) << "a release without its press closes nothing";

    EXPECT_EQ(loadKeyDown(view(), kKeyEscape, 0), 0);
    EXPECT_EQ(closings, 0) << "the program ends on the release, not on the press";
    EXPECT_EQ(loadKeyUp(view(), kKeyEscape, 0), 0);
    EXPECT_EQ(closings, 1);

    config().setInt("esccloseapp", 0);
    testing::LogCapture log;
    loadKeyDown(view(), kKeyEscape, 0);
    loadKeyUp(view(), kKeyEscape, 0);
    EXPECT_EQ(closings, 1);
    EXPECT_TRUE(log.contains("close app on escape is disabled."));
    EXPECT_STREQ(statusInfo().infoText, "close app on escape is disabled.");
}

TEST_F(LoadUiTest, DropsOpenOrAppendAfterTheDropTimer) {
    dir.write("one/a.txt", "a\n");
    dir.write("two/b.txt", "b\n");
    testing::LogCapture log;
    ASSERT_TRUE(takeDrop({dir.path() + "/one"}, 0));
    EXPECT_TRUE(log.contains("[blue] dragdrop-open"));
    EXPECT_TRUE(log.contains("Press SHIFT or CTRL to append."));
    EXPECT_EQ(dropTimerExpired(loadDriver()), 0);
    EXPECT_EQ(store.blockCount, 2);
    EXPECT_EQ(dropTimerExpired(loadDriver()), 1) << "the list is used up by its load";

    ASSERT_TRUE(takeDrop({dir.path() + "/two"}, kModControl));
    EXPECT_TRUE(log.contains("[blue] dragdrop-append"));
    EXPECT_EQ(dropTimerExpired(loadDriver()), 0);
    EXPECT_EQ(store.blockCount, 3) << "CONTROL appends";

    // "appenddragdrop" appends a plain drop too.
    config().setInt("appenddragdrop", 1);
    ASSERT_TRUE(takeDrop({dir.path() + "/one"}, 0));
    EXPECT_EQ(dropTimerExpired(loadDriver()), 0);
    EXPECT_EQ(store.blockCount, 4);

    EXPECT_FALSE(takeDrop({}, 0)) << "an empty drop arms no timer";
}

}  // namespace
}  // namespace tessel
