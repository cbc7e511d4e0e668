#include "app/script_glue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/load_ui.h"
#include "app/view_windows.h"
#include "app/window_host.h"
#include "config/script_runner.h"
#include "config/user_controls.h"
#include "editor/edit_session.h"
#include "platform/key_codes.h"
#include "test_support.h"
#include "view/bookmark_commands.h"
#include "view/control_buttons.h"
#include "view/frame_layout.h"
#include "view/user_keys.h"
#include "view/view.h"
#include "view/word_highlights.h"

namespace tessel {
namespace {

class ScriptGlueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(startPlatform(true, true), 0);
        ASSERT_EQ(openFirstView(FrameStart{}), 0);
        FrameLayout& layout = frameLayout();
        ASSERT_NE(layout.createView(1), nullptr);
        ASSERT_NE(layout.createView(2), nullptr);
        ASSERT_EQ(frameViewCount(), 3);
        sharedHighlights().clear();
    }
    void TearDown() override {
        sharedHighlights().clear();
        closeAllViews();
        stopPlatform();
    }

    static int run(int view, const std::string& script) {
        ViewScriptHost host(*frameViewAt(view));
        return runScript(host, script, ScriptRun{});
    }
};

TEST_F(ScriptGlueTest, SelectorsWrapAroundTheRowOfViews) {
    ViewScriptHost middle(*frameViewAt(1));
    EXPECT_EQ(middle.targetView(ViewSelector::kOwn), 1);
    EXPECT_EQ(middle.targetView(ViewSelector::kRight), 2);
    EXPECT_EQ(middle.targetView(ViewSelector::kLeft), 0);
    ViewScriptHost last(*frameViewAt(2));
    EXPECT_EQ(last.targetView(ViewSelector::kRight), 0);
    ViewScriptHost first(*frameViewAt(0));
    EXPECT_EQ(first.targetView(ViewSelector::kLeft), 2);
    EXPECT_EQ(first.targetView(ViewSelector::kThird), 2);
    EXPECT_EQ(first.targetView(ViewSelector::kFourth), -1);
}

TEST_F(ScriptGlueTest, StatementsChangeTheViewTheirPrefixNames) {
    EXPECT_EQ(run(0,
                  "left.set findmask = /needle/\r\nright.set pathmask = \"src\"\r\n"
                  "set filter = /on/\r\nset tabsize = /8/\r\nset shift = /12/"),
              0);
    EXPECT_STREQ(frameViewAt(2)->search.findMask, "needle");
    EXPECT_STREQ(frameViewAt(1)->search.pathMask, "src");
    EXPECT_STREQ(frameViewAt(0)->search.findMask, "");
    EXPECT_EQ(frameViewAt(0)->tabSize, 8);
    EXPECT_EQ(frameViewAt(0)->display.scrollColumn, 12);
    EXPECT_EQ(run(0, "set filter = /off/"), 0);
    EXPECT_EQ(frameViewAt(0)->filterMode, FilterMode::kFullText);
    // A view that does not exist stops the script before anything changes.
    EXPECT_EQ(run(0, "fourth.set findmask = /x/"), 9);
}

TEST_F(ScriptGlueTest, MarksAddToggleAndResetTheWordHighlights) {
    View& view = *frameViewAt(0);
    EXPECT_EQ(run(0, "mark add red /alpha/\r\nmark add any /beta/\r\nmark add red /alpha/"), 0);
    ASSERT_EQ(highlightListOf(view).entries().size(), 2u);
    EXPECT_EQ(highlightListOf(view).entries()[0], "red alpha");
    EXPECT_EQ(run(0, "mark toggle red /alpha/"), 0);
    ASSERT_EQ(highlightListOf(view).entries().size(), 1u);
    EXPECT_EQ(highlightListOf(view).entries()[0], "any beta");
    EXPECT_EQ(run(0, "mark reset"), 0);
    EXPECT_TRUE(highlightListOf(view).empty());
}

// The column, replace and mouse variables come from the view, the editor's last replace and
// the screen; each says why when it has nothing to give.
TEST_F(ScriptGlueTest, ColumnReplaceAndMouseVariables) {
    View& view = *frameViewAt(0);
    ViewScriptHost host(view);
    std::string value;
    std::string error;
    EXPECT_EQ(host.viewFact(0, ViewFact::kColumn, value, error), 0);
    EXPECT_EQ(value, "1");  // no editor: the start of the line
    EXPECT_EQ(host.viewFact(0, ViewFact::kRawColumn, value, error), 0);
    EXPECT_EQ(value, "1");

    editing().recent.clear();
    EXPECT_EQ(host.viewFact(0, ViewFact::kReplaceSource, value, error), 9);
    EXPECT_EQ(error, "no replace source is set");
    EXPECT_EQ(host.viewFact(0, ViewFact::kReplaceTarget, value, error), 9);
    EXPECT_EQ(error, "no replace destination is set");
    editing().recent.source = "foo";
    editing().recent.replacement = "bar";
    EXPECT_EQ(host.viewFact(0, ViewFact::kReplaceSource, value, error), 0);
    EXPECT_EQ(value, "foo");
    EXPECT_EQ(host.viewFact(0, ViewFact::kReplaceTarget, value, error), 0);
    EXPECT_EQ(value, "bar");
    editing().recent.clear();

    view.nav.lastMouseRow = -1;
    EXPECT_EQ(host.viewFact(0, ViewFact::kMouseLine, value, error), 9);
    EXPECT_EQ(error, "cursor outside text");
    view.screen.writeRow(2, "a line of text   ", "");
    view.screen.valid = true;
    view.nav.lastMouseRow = 2;
    EXPECT_EQ(host.viewFact(0, ViewFact::kMouseLine, value, error), 0);
    EXPECT_EQ(value, "a line of text");
    view.nav.lastMouseRow = -1;
    view.screen.valid = false;
}

TEST_F(ScriptGlueTest, LocationWithoutMatchingFileIsReported) {
    testing::LogCapture log;
    EXPECT_EQ(run(0, "set location = /no such file/"), 9);
    EXPECT_TRUE(log.contains("no matching file: \"no such file\""));
}

// ESCAPE pressed while a script sleeps, as the window delivers it during the wait.
class EscapeWhileWaiting : public ViewScriptHost {
  public:
    using ViewScriptHost::ViewScriptHost;
    bool waitStep(int ms) override {
        View& view = *frameViewAt(0);
        exitRefused = exitByEscape(view) == 1;
        loadKeyDown(view, kKeyEscape, 0);
        loadKeyUp(view, kKeyEscape, 0);
        return ViewScriptHost::waitStep(std::min(ms, 1));
    }
    bool exitRefused = false;
};

TEST_F(ScriptGlueTest, EscapeStopsAWaitingScriptAndDoesNotEndTheProgram) {
    EscapeWhileWaiting host(*frameViewAt(0));
    EXPECT_EQ(runScript(host, "sleep 60000\r\nset findmask = /after/", ScriptRun{}), 1);
    EXPECT_TRUE(host.exitRefused);
    EXPECT_STREQ(frameViewAt(0)->search.findMask, "");
    EXPECT_FALSE(messageLoopEnding());
    EXPECT_FALSE(scriptRunning());
}

// The application's hooks lead a bookmark-script entry and a bound key to their controls.
class ScriptHooksTest : public ScriptGlueTest {
  protected:
    void SetUp() override {
        ScriptGlueTest::SetUp();
        setUserScript(0, {"pick", "set findmask = /$1/", "0"});
        setUserControl(0, {"4", "", "", "pick", "Chapter"});
        setUserControl(1, {"3", "from-key", "", "pick", "ctrl+f9"});
        setUserScript(1, {"held", "set findmask = /$1-$shift/", "0"});
        setUserControl(2, {"2", "scoped", "", "held", "Scope"});
        installScriptHooks();
    }
    void TearDown() override {
        setUserKeyHandler({});
        bookmarkViewHooks() = BookmarkViewHooks{};
        controlButtonHooks() = ControlButtonHooks{};
        setUserControl(0, {});
        setUserControl(1, {});
        setUserControl(2, {});
        setUserScript(0, {});
        setUserScript(1, {});
        clearRecentControls();
        ScriptGlueTest::TearDown();
    }
};

TEST_F(ScriptHooksTest, BookmarkScriptsAndHotkeysRunTheirControls) {
    View& view = *frameViewAt(1);
    ASSERT_TRUE(bookmarkViewHooks().runControl);
    EXPECT_EQ(bookmarkViewHooks().runControl(view, 0), 0);
    // A bookmark script without parameters is given its label.
    EXPECT_STREQ(view.search.findMask, "Chapter");

    EXPECT_EQ(userKeyDown(view, kKeyF9, kModControl), 0);
    EXPECT_STREQ(view.search.findMask, "from-key");
    EXPECT_EQ(userKeyDown(view, kKeyF10, kModControl), 1);

    // A button runs its control in the view it was clicked in, with the keys held at the click.
    ASSERT_TRUE(controlButtonHooks().runControl);
    EXPECT_EQ(controlButtonHooks().runControl(view, 2, kModShift), 0);
    EXPECT_STREQ(view.search.findMask, "scoped-1");
    EXPECT_STREQ(frameViewAt(0)->search.findMask, "");

    // An extra mouse button without binding tells how to bind it; other keys stay quiet.
    testing::LogCapture log;
    EXPECT_EQ(userButtonDown(view, kMouseBack, kModControl), 1);
    EXPECT_TRUE(log.contains("[blue] on key ctrl+xbutton1down ..."));
    log.clear();
    EXPECT_EQ(userButtonUp(view, kMouseBack, 0), 1);
    EXPECT_EQ(userKeyDown(view, kKeyF11, kModControl), 1);
    EXPECT_FALSE(log.contains("need config entry"));
}

}  // namespace
}  // namespace tessel
