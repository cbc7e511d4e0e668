#include "app/control_dialogs.h"

#include <gtest/gtest.h>

#include <string>

#include "config/qv_config.h"
#include "config/user_controls.h"
#include "platform/platform.h"
#include "test_support.h"

namespace tessel {
namespace {

// The forms run without a user: each takes the answer queued for it, as a batch run does.
class ControlDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clearAll();
        clearDialogAnswers();
        clearBoxAnswers();
    }
    void TearDown() override {
        clearAll();
        clearDialogAnswers();
    }
    static void clearAll() {
        for (int slot = 0; slot < kMaxControls; ++slot) setUserControl(slot, {});
        for (int slot = 0; slot < kMaxScripts; ++slot) setUserScript(slot, {});
    }
    static void define(int slot, const char* type, const char* title, const char* script) {
        setUserControl(slot, UserControl{type, "", "", script, title});
    }
};

TEST_F(ControlDialogsTest, RenamingAScriptRenamesTheCallsOfItsControls) {
    setUserScript(0, {"old", "echo one\r\necho two", "4"});
    define(0, "1", "first", "old");
    define(3, "3", "ctrl+f7", "old");
    define(5, "1", "other", "elsewhere");
    queueDialogAnswer("Script Id=new|Script=echo one\\necho three");
    testing::LogCapture log;
    ASSERT_EQ(editScriptDialog(0), 0);
    EXPECT_EQ(userScript(0).id, "new");
    EXPECT_EQ(userScript(0).text, "echo one\r\necho three") << "lines keep CR LF";
    EXPECT_EQ(userScript(0).count, "4") << "the usage count stays";
    EXPECT_EQ(userControl(0).script, "new");
    EXPECT_EQ(userControl(3).script, "new");
    EXPECT_EQ(userControl(5).script, "elsewhere");
    EXPECT_TRUE(log.contains("2 control(s) now call \"new\"."));
}

TEST_F(ControlDialogsTest, RefusedEntriesAreExplainedAndTheFormComesAgain) {
    setUserScript(0, {"taken", "echo", "0"});
    define(0, "2", "Scope", "taken");
    // A script id that another script has, then one with a blank: both refused; the queue
    // then runs dry and the form is cancelled with nothing stored.
    queueDialogAnswer("Script Id=taken");
    queueDialogAnswer("Script Id=two words");
    testing::LogCapture log;
    EXPECT_EQ(editScriptDialog(-1), 1);
    EXPECT_TRUE(log.contains("another script has the id \"taken\"."));
    EXPECT_TRUE(log.contains("a script id is one word without blanks or \";\"."));
    EXPECT_EQ(findScript("two words"), -1);

    // A script that a control calls cannot be deleted; the same form then stores a change.
    queueDialogAnswer("Delete");
    queueDialogAnswer("Script=echo changed");
    EXPECT_EQ(editScriptDialog(0), 0);
    EXPECT_TRUE(log.contains("script \"taken\" is called by 1 control(s): change them first."));
    EXPECT_EQ(userScript(0).text, "echo changed");

    // A second scope button with the same title, a hotkey without a key, and line breaks in
    // fields that are one line of the configuration file are refused with their reasons.
    struct Refused {
        int type;
        const char* answer;
        const char* reason;
    };
    for (const Refused& refused : {
             Refused{kControlScope, "Title=Scope|Script Call=taken",
                     "another scope button has the title \"Scope\"."},
             Refused{kControlHotkey, "Script Call=taken",
                     "a hotkey needs its key as title, like ctrl+f7."},
             Refused{kControlAction, "Title=two\\nlines|Script Call=taken",
                     "the Title must be one line."},
             Refused{kControlAction, "Title=ok|Parameters=a\\nb|Script Call=taken",
                     "the Parameters must be one line."},
         }) {
        queueDialogAnswer(refused.answer);
        EXPECT_EQ(newControlDialog(refused.type), 1) << refused.answer;
        EXPECT_TRUE(log.contains(refused.reason)) << refused.reason;
    }
    queueDialogAnswer("Script Id=two\\nlines");
    EXPECT_EQ(editScriptDialog(-1), 1);
    EXPECT_EQ(userControl(1).type, "") << "nothing was stored";
}

TEST_F(ControlDialogsTest, ANewControlWithANewScriptCallMakesItsScript) {
    queueDialogAnswer("Title=Go|Script Call=go-script|Script=set findmask = /go/");
    ASSERT_EQ(newControlDialog(kControlAction), 0);
    const UserControl control = userControl(0);
    EXPECT_EQ(control.type, "1");
    EXPECT_EQ(control.title, "Go");
    const int script = findScript("go-script");
    ASSERT_GE(script, 0);
    EXPECT_EQ(userScript(script).text, "set findmask = /go/");

    // Changing the type in the form turns the control into a bookmark script; Delete then
    // removes it and leaves its script for others to call.
    queueDialogAnswer("Type=bookmark script|Title=jump there");
    ASSERT_EQ(editControlDialog(0), 0);
    EXPECT_EQ(userControl(0).type, "4");
    queueDialogAnswer("Delete");
    ASSERT_EQ(editControlDialog(0), 0);
    EXPECT_EQ(userControl(0).type, "");
    EXPECT_GE(findScript("go-script"), 0);
}

TEST_F(ControlDialogsTest, PointingAControlAtAnotherScriptLeavesThatScriptsLines) {
    setUserScript(0, {"a", "echo a", "0"});
    setUserScript(1, {"b", "echo b", "0"});
    define(0, "1", "button", "a");
    // The form shows the lines of "a"; only the call changes.
    queueDialogAnswer("Script Call=b");
    ASSERT_EQ(editControlDialog(0), 0);
    EXPECT_EQ(userControl(0).script, "b");
    EXPECT_EQ(userScript(1).text, "echo b");
    EXPECT_EQ(userScript(0).text, "echo a");
    // Edited lines go to the script the control calls.
    queueDialogAnswer("Script=echo new b");
    ASSERT_EQ(editControlDialog(0), 0);
    EXPECT_EQ(userScript(1).text, "echo new b");
}

TEST_F(ControlDialogsTest, NoNewControlWhenEverySlotIsTaken) {
    for (int slot = 0; slot < kMaxControls; ++slot)
        define(slot, "1", ("b" + std::to_string(slot)).c_str(), "s");
    testing::LogCapture log;
    EXPECT_EQ(newControlDialog(kControlAction), 1);
    EXPECT_TRUE(log.contains("too many controls, cannot add further."));
}

}  // namespace
}  // namespace tessel
