#include "config/user_controls.h"

#include <gtest/gtest.h>

#include "config/hotkeys.h"
#include "config_test_support.h"
#include "script_test_host.h"

namespace tessel::testing {
namespace {

class Controls : public ConfigTest {
  protected:
    void SetUp() override {
        ConfigTest::SetUp();
        installUserFeatureHooks(configHooks());
        clearRecentControls();
    }
    void TearDown() override {
        clearRecentControls();
        ConfigTest::TearDown();
    }

    RecordingHost host;
    LogCapture log;
};

using Strings = std::vector<std::string>;

constexpr char kControlsConfig[] =
    "config-version 170\n"
    "<QVControls>\n"
    "control type=action;views=;script=greet;title=Hello;parms=\n"
    "control type=scope;views=;script=greet;title=Scope;parms=a \"b c\" d\n"
    "control type=hotkey;views=;script=greet;title=ctrl+shift+f7;parms=\n"
    "control type=book;views=;script=again;title=Again;parms=\n"
    "control type=action;views=;script=greet;title=Hello;parms=x\n"
    "control type=action;views=;script=;title=NoScript;parms=\n"
    "control type=action;views=;script=nothing;title=Unknown;parms=\n"
    "control type=9;views=;script=greet;title=Odd;parms=\n"
    "control type=action;views=;script=empty;title=Empty;parms=\n"
    "control type=action;views=;script=recent;title=Recent;parms=\n"
    "</QVControls>\n"
    "<QVScripts>\n"
    "script id=greet\n   echo $1|$2|$3\n"
    "script id=again\n   run-recent-action\n"
    "script id=empty\n\n"
    "script id=recent\n   run-recent-$1\n"
    "</QVScripts>\n";

TEST_F(Controls, ControlsRunTheirScriptsWithParameters) {
    ASSERT_EQ(readConfigText(kControlsConfig), 0);
    EXPECT_EQ(runControl(0, host), 0);  // no parms: the title
    EXPECT_EQ(runControl(1, host), 0);
    EXPECT_EQ(runControl(2, host), 0);  // a hotkey never takes its title
    EXPECT_EQ(host.calls, (Strings{"0 echo Hello||", "0 echo a|b c|d", "0 echo ||"}));
    EXPECT_EQ(runScriptWithParameters("echo $2", "1 2", host), 0);
    EXPECT_EQ(host.calls.back(), "0 echo 2");
}

TEST_F(Controls, FaultyControlsSayWhy) {
    ASSERT_EQ(readConfigText(kControlsConfig), 0);
    struct Case {
        int slot;
        const char* message;
    };
    const Case cases[] = {
        {50, "invalid control 50"},
        {-1, "invalid control -1"},
        {20, "undefined control 20"},
        {5, "missing script call in control 5"},
        {6, "invalid action id \"nothing\""},
        {7, "wrong control type \"9\""},
        {8, "empty script"},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_EQ(runControl(c.slot, host), 9) << c.slot;
        EXPECT_TRUE(log.contains(c.message)) << c.message;
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Controls, DuplicatesAreMarkedAfterEveryRead) {
    ASSERT_EQ(readConfigText(kControlsConfig), 0);
    EXPECT_TRUE(isDuplicateControl(0));
    EXPECT_TRUE(isDuplicateControl(4));
    EXPECT_FALSE(isDuplicateControl(1));
    EXPECT_FALSE(isDuplicateControl(50));
    EXPECT_STREQ(controlTypeDisplayName(userControl(3).type), "bookmark script");
    EXPECT_EQ(userControl(3).title, "Again");
}

TEST_F(Controls, RecentControlsRunAgainButNeverInCircles) {
    ASSERT_EQ(readConfigText(kControlsConfig), 0);
    std::string error;
    EXPECT_EQ(runRecentControl("action", false, host, error), 9);
    EXPECT_EQ(error, "no recent command to run");
    EXPECT_EQ(runRecentControl("macro", false, host, error), 9);
    EXPECT_EQ(error, "invalid run-recent command");

    EXPECT_EQ(runControl(1, host), 0);  // the scope button becomes the recent action
    host.calls.clear();
    EXPECT_EQ(runControl(3, host), 0);  // its script runs the recent action again
    EXPECT_EQ(host.calls, (Strings{"0 echo a|b c|d"}));
    EXPECT_TRUE(log.contains("run recent control 1"));

    // Now the bookmark script is the recent action: running it again would run itself.
    host.calls.clear();
    log.clear();
    EXPECT_EQ(runControl(3, host), 9);
    EXPECT_TRUE(log.contains("[error] ... nested run-recent call"));
    EXPECT_TRUE(host.calls.empty());

    // The recent control is found again by type and title, with the parameters it ran with.
    setUserControl(3, {});
    EXPECT_EQ(runScriptWithParameters("run-recent-action", "", host), 9);
    EXPECT_TRUE(log.contains("no recent command to run (2)"));
    EXPECT_EQ(runScriptWithParameters("run-recent-userbutton", "", host), 0);
    EXPECT_EQ(runScriptWithParameters("run-recent-bmscript", "", host), 9);
    EXPECT_EQ(runScriptWithParameters("run-recent-hotkey", "", host), 9);
    EXPECT_EQ(host.calls, (Strings{"0 echo a|b c|d"}));
}

TEST_F(Controls, KeysGoToHotkeysFirstThenToOnKeyLines) {
    std::string config = kControlsConfig;
    config += "on key ctrl+shift+f7 echo from on key\non key alt+x echo alt x\n";
    ASSERT_EQ(readConfigText(config), 0);
    EXPECT_EQ(dispatchUserKey("ctrl+shift+f7", host), 0);
    EXPECT_EQ(dispatchUserKey("alt+x", host), 0);
    EXPECT_EQ(dispatchUserKey("ctrl+y", host), 1);
    EXPECT_EQ(host.calls, (Strings{"0 echo ||", "0 echo alt x"}));
    appSettings().userKeys = false;
    EXPECT_EQ(dispatchUserKey("alt+x", host), 1);
    appSettings().userKeys = true;
}

TEST_F(Controls, OnKeyLinesBecomeHotkeys) {
    ASSERT_EQ(readConfigText("config-version 170\n"
                             "<QVControls>\n"
                             "control type=hotkey;views=;script=mine;title=alt+x;parms=\n"
                             "</QVControls>\n<QVScripts>\nscript id=key-cn1d\n   echo taken\n"
                             "</QVScripts>\n"
                             "on key ctrl+shift+f7 echo one\n"
                             "on key ctrl+num1down\n     echo two\n       more\n"
                             "on key alt+x echo kept\n"),
              0);
    bool asked = false;
    auto no = [&](const char*, const char*) { return asked = true, false; };
    EXPECT_EQ(offerOnKeyTakeOver(no), 0);
    EXPECT_TRUE(asked);
    EXPECT_EQ(offerOnKeyTakeOver([](const char* title, const char*) {
                  return std::string_view(title) == "Import old 'on key' as hotkeys?";
              }),
              2);
    EXPECT_TRUE(log.contains("[blue] taking over \"on key\" scripts:"));
    EXPECT_TRUE(log.contains("[blue] ctrl+shift+f7 (1/3)"));
    EXPECT_TRUE(log.contains("[blue] ctrl+num1down (2/3)"));

    UserControl first = userControl(1);
    EXPECT_EQ(first.type, "3");
    EXPECT_EQ(first.title, "ctrl+shift+f7");
    EXPECT_EQ(first.script, "key-csf7");
    EXPECT_EQ(userScript(findScript("key-csf7")).text,
              "// script was copied from \"on key ctrl+shift+f7\" in the config file.\r\n"
              "// please remove or out-comment \"on key ctrl+shift+f7\" in the config.\r\n"
              "echo one\r\n");
    // The id of an existing script is not taken twice.
    EXPECT_EQ(userControl(2).script, "key-cn1d-2");
    EXPECT_TRUE(userScript(findScript("key-cn1d-2")).text.ends_with("\r\necho two\r\n  more\r\n"));
    EXPECT_TRUE(config().variablesChanged());

    EXPECT_EQ(dispatchUserKey("ctrl+num1down", host), 0);
    EXPECT_EQ(host.calls, (Strings{"0 echo two more"}));
    EXPECT_EQ(takeOverOnKeys(), 0);

    // What was taken over is saved and read back as it is.
    UserScript script = userScript(findScript("key-cn1d-2"));
    setConfigPath(dir.path() + "/saved-config.txt");
    ASSERT_EQ(writeConfig(), 0);
    ASSERT_EQ(readConfig(false), 0);
    EXPECT_EQ(userScript(findScript("key-cn1d-2")).text, script.text);
    EXPECT_EQ(userControl(2).title, "ctrl+num1down");
    EXPECT_EQ(findHotkeyControl("ctrl+shift+f7"), 1);
}

}  // namespace
}  // namespace tessel::testing
