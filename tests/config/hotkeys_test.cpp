#include "config/hotkeys.h"

#include <gtest/gtest.h>

#include "config/user_controls.h"
#include "config_test_support.h"

namespace tessel::testing {
namespace {

using Hotkeys = ConfigTest;

TEST_F(Hotkeys, TheKeyTableHoldsItsEightyFourKeys) {
    int count = 0;
    std::vector<std::string> candidates;
    for (char c = '0'; c <= 'z'; ++c) candidates.emplace_back(1, c);
    for (int f = 1; f <= 24; ++f) candidates.push_back("f" + std::to_string(f));
    for (std::string_view button : {"mbutton", "xbutton0", "xbutton1", "xbutton9", "xbutton10"}) {
        candidates.push_back(std::string(button) + "down");
        candidates.push_back(std::string(button) + "up");
    }
    for (int n = 2; n <= 8; ++n) {
        candidates.push_back("xbutton" + std::to_string(n) + "down");
        candidates.push_back("xbutton" + std::to_string(n) + "up");
    }
    for (int n = 0; n <= 10; ++n) {
        candidates.push_back("num" + std::to_string(n) + "down");
        candidates.push_back("num" + std::to_string(n) + "up");
    }
    for (const std::string& key : candidates) count += isUserKey(key) ? 1 : 0;
    EXPECT_EQ(count, kKeyTableSize);
    for (const char* key : {"f4", "f13", "A", "ctrl", "delete", "num", "xbutton1", "f5 "}) {
        EXPECT_FALSE(isUserKey(key)) << key;
    }
}

TEST_F(Hotkeys, CheckHotkeyWantsTheCanonicalForm) {
    struct Case {
        const char* text;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"ctrl+shift+f7", 0, ""},
        {"alt+ctrl+shift+num1down", 0, ""},
        {"f5", 0, ""},
        {"shift+mbuttonup", 0, ""},
        {"shift+ctrl+f7", 9, "ctrl+ must be typed before shift"},
        {"control+f7", 9, "wrong syntax, please use: ctrl+f7"},
        {"ctl+f7", 9, "wrong syntax, please use: ctrl+f7"},
        {"Ctrl+F7", 9, "wrong syntax, please use: ctrl+f7"},
        {"ctrl+ctrl+x", 9, "wrong syntax, please use: ctrl+x"},
        {"ctrl+alt+x", 9, "alt+ must be first modifier"},
        {"a", 9, "unsupported hotkey: a"},
        {"ctrl+f4", 9, "unsupported hotkey: ctrl+f4"},
        {"", 9, "unsupported hotkey: "},
    };
    for (const Case& c : cases) {
        std::string message = "unchanged";
        EXPECT_EQ(checkHotkey(c.text, message), c.status) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
    }
    EXPECT_EQ(userKeyName(true, false, true, "x"), "alt+shift+x");
}

TEST_F(Hotkeys, OnKeyLinesAndTheirMessages) {
    struct Case {
        const char* command;
        bool accepted;
        std::vector<const char*> messages;
    };
    const Case cases[] = {
        {"key ctrl+shift+x echo hi", true, {}},
        {"key alt+shift+f9\n   echo hi", true, {}},
        {"key shift+ctrl+x echo",
         false,
         {"wrong modifier sequence: shift+ctrl",
          "[note] ... use ctrl+shift instead (alphabetical)."}},
        {"key ctrl+ctrl+x echo", false, {"wrong modifier sequence: ctrl+ctrl"}},
        {"key control+x echo",
         false,
         {"unknown modifier: \"control\"", "within \"control+x\"",
          "[note] ... use ctrl or shift."}},
        {"keys x echo",
         false,
         {"invalid command: \"on keys x echo\"", "[blue] use on key instead"}},
        {"key", false, {"wrong command syntax: key"}},
        {"key ctrl++x", false, {"wrong command syntax: ctrl++x"}},
        {"key ctrl+f4 echo", false, {"[note] unsupported key: \"f4\""}},
        {"time 07:30 background day.png", true, {}},
        {"time", false, {"config: wrong syntax: on time"}},
        {"time 7:3 background x.png",
         false,
         {"config: wrong syntax: on time 7:3 background x.png"}},
        {"time 24:00 background x.png", false, {"config: wrong syntax: on time 24:00"}},
        {"time 07:30 picture x.png", false, {"config: wrong on syntax: time 07:30 picture x.png"}},
    };
    for (const Case& c : cases) {
        LogCapture log;
        bool keypad = true;
        EXPECT_EQ(parseOnCommand(c.command, keypad), c.accepted) << c.command;
        EXPECT_FALSE(keypad) << c.command;
        for (const char* message : c.messages) {
            EXPECT_TRUE(log.contains(message)) << c.command << " -> " << message;
        }
    }
    bool keypad = false;
    EXPECT_TRUE(parseOnCommand("key ctrl+num5down echo", keypad));
    EXPECT_TRUE(keypad);
}

TEST_F(Hotkeys, BindingsOfTheConfigurationFile) {
    installUserFeatureHooks(configHooks());
    ASSERT_EQ(readConfigText("config-version 170\n"
                             "on key ctrl+x echo one\n"
                             "on key num1down\n   echo two\n   echo three\n"
                             "on key shift+ctrl+y echo refused\n"
                             "on time 08:00 background day.png\n"
                             "on time 20:30 background night.png\n"),
              0);
    std::string script;
    ASSERT_TRUE(findOnKeyScript("ctrl+x", script));
    EXPECT_EQ(script, "echo one");
    ASSERT_TRUE(findOnKeyScript("num1down", script));
    EXPECT_EQ(script, "\n   echo two\n   echo three");
    EXPECT_FALSE(findOnKeyScript("ctrl+y", script));

    EXPECT_EQ(backgroundForTime(7 * 60), "");
    EXPECT_EQ(backgroundForTime(8 * 60), "day.png");
    EXPECT_EQ(backgroundForTime(23 * 60), "night.png");

    LogCapture log;
    listOnKeyCommands();
    EXPECT_TRUE(log.contains("[note] list of on key commands:"));
    EXPECT_TRUE(log.contains("![blue] on key ctrl+x echo one"));
    reportUnboundKey("num7up");
    EXPECT_TRUE(log.contains("[blue] on key num7up ..."));
    ASSERT_EQ(readConfigText("config-version 170\n"), 0);
    listOnKeyCommands();
    EXPECT_TRUE(log.contains("[note] no on key commands found."));
}

}  // namespace
}  // namespace tessel::testing
