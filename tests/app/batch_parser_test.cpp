#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/batch_driver.h"
#include "app/command_line.h"
#include "platform/key_codes.h"

namespace tessel {
namespace {

BatchCommand parsed(std::string_view line) {
    BatchCommand command;
    std::string error;
    EXPECT_EQ(parseBatchLine(line, 7, command, error), 0) << line << ": " << error;
    return command;
}

std::string rejected(std::string_view line) {
    BatchCommand command;
    std::string error;
    EXPECT_EQ(parseBatchLine(line, 12, command, error), 9) << line;
    return error;
}

TEST(BatchKeyChord, NamesAndModifiers) {
    struct Case {
        const char* chord;
        int key;
        int modifiers;
    };
    const Case cases[] = {
        {"a", kKeyA, 0},
        {"z", kKeyA + 25, 0},
        {"0", kKey0, 0},
        {"9", kKey0 + 9, 0},
        {"f1", kKeyF1, 0},
        {"f24", kKeyF1 + 23, 0},
        {"ctrl", kKeyControl, 0},
        {"shift+alt", kKeyAlt, kModShift},
        {"ctrl+shift+f3", kKeyF1 + 2, kModControl | kModShift},
        {"alt+x", kKeyA + 23, kModAlt},
        {"pgup", kKeyPageUp, 0},
        {"pgdn", kKeyPageDown, 0},
        {"enter", kKeyReturn, 0},
        {"escape", kKeyEscape, 0},
        {"backspace", kKeyBackspace, 0},
        {"shift+tab", kKeyTab, kModShift},
        {"pause", kKeyPause, 0},
        {"space", kKeySpace, 0},
    };
    for (const Case& each : cases) {
        int key = 0;
        int modifiers = -1;
        ASSERT_EQ(parseKeyChord(each.chord, key, modifiers), 0) << each.chord;
        EXPECT_EQ(key, each.key) << each.chord;
        EXPECT_EQ(modifiers, each.modifiers) << each.chord;
    }
    for (const char* wrong : {"", "f0", "f25", "ctrl+", "A", "ctrl+control", "f3x", "+a"}) {
        int key = 0;
        int modifiers = 0;
        EXPECT_EQ(parseKeyChord(wrong, key, modifiers), 9) << wrong;
    }
}

TEST(BatchLine, CommentsAndBlankLinesAreSkipped) {
    BatchCommand command;
    std::string error;
    for (const char* line : {"", "   ", "# a comment", "  # indented", "\r"}) {
        EXPECT_EQ(parseBatchLine(line, 1, command, error), 1) << line;
    }
}

TEST(BatchLine, KeyWithRepeatCount) {
    BatchCommand key = parsed("key ctrl+f 3");
    EXPECT_EQ(key.verb, BatchVerb::kKey);
    EXPECT_EQ(key.key, kKeyA + 5);
    EXPECT_EQ(key.modifiers, kModControl);
    EXPECT_EQ(key.count, 3);
    EXPECT_EQ(key.lineNumber, 7);
    EXPECT_EQ(parsed("key down").count, 1);
    rejected("key down 0");
    rejected("key down -2");
    rejected("key down 3x");
    rejected("key down 1 2");
    rejected("key");
}

TEST(BatchLine, TypeKeepsTheRestOfTheLine) {
    EXPECT_EQ(parsed("type hello world").text, "hello world");
    EXPECT_EQ(parsed("type  two blanks").text, " two blanks");
    EXPECT_EQ(parsed("type a#b").text, "a#b");
    // A CR of a file written on another system is not typed.
    EXPECT_EQ(parsed("type abc\r").text, "abc");
    rejected("type");
}

TEST(BatchLine, MouseCommands) {
    BatchCommand click = parsed("click 3 10");
    EXPECT_EQ(click.verb, BatchVerb::kClick);
    EXPECT_EQ(click.row, 3);
    EXPECT_EQ(click.column, 10);
    EXPECT_EQ(click.button, kMouseLeft);
    EXPECT_EQ(click.modifiers, 0);

    BatchCommand right = parsed("dblclick 0 0 right shift ctrl alt");
    EXPECT_EQ(right.verb, BatchVerb::kDoubleClick);
    EXPECT_EQ(right.button, kMouseRight);
    EXPECT_EQ(right.modifiers, kModShift | kModControl | kModAlt);

    BatchCommand drag = parsed("drag 1 2 5 40 middle");
    EXPECT_EQ(drag.verb, BatchVerb::kDrag);
    EXPECT_EQ(drag.row2, 5);
    EXPECT_EQ(drag.column2, 40);
    EXPECT_EQ(drag.button, kMouseMiddle);

    rejected("click 1");
    rejected("click 1 2 sideways");
    rejected("click -1 2");
    // Cells outside the screen buffer cannot be clicked.
    rejected("click 600 0");
    rejected("click 0 800");
    BatchCommand move = parsed("move 4 9");
    EXPECT_EQ(move.verb, BatchVerb::kMove);
    EXPECT_EQ(move.row, 4);
    EXPECT_EQ(move.column, 9);
    rejected("move 4");
    rejected("move 4 9 left");
    rejected("drag 1 2 3");
    rejected("drag 1 2 3 4 left shift");
}

TEST(BatchLine, TimesSizesAndAnswers) {
    BatchCommand wait = parsed("wait");
    EXPECT_EQ(wait.verb, BatchVerb::kWait);
    EXPECT_EQ(wait.value, kDefaultWaitMs);
    EXPECT_EQ(parsed("wait 250").value, 250);
    EXPECT_EQ(parsed("sleep 5").value, 5);
    rejected("sleep");
    rejected("wait 99999999999");

    EXPECT_EQ(parsed("focus 2").value, 2);
    rejected("focus 0");

    BatchCommand resize = parsed("resize 640 480");
    EXPECT_EQ(resize.width, 640);
    EXPECT_EQ(resize.height, 480);
    rejected("resize 0 480");
    rejected("resize 640");

    EXPECT_EQ(parsed("answer yes").value, kAnswerYes);
    EXPECT_EQ(parsed("answer no").value, kAnswerNo);
    EXPECT_EQ(parsed("answer ok").value, kAnswerOk);
    EXPECT_EQ(parsed("answer cancel").value, kAnswerCancel);
    rejected("answer maybe");
}

TEST(BatchLine, SimpleCommandsAndShots) {
    EXPECT_EQ(parsed("quit").verb, BatchVerb::kQuit);
    EXPECT_EQ(parsed("dump").verb, BatchVerb::kDump);
    EXPECT_EQ(parsed("dump").value, 0);
    EXPECT_EQ(parsed("dump overlay").value, 1);
    EXPECT_EQ(parsed("  dumplog  ").verb, BatchVerb::kDumpLog);
    BatchCommand shot = parsed("shot out dir/view one.png");
    EXPECT_EQ(shot.verb, BatchVerb::kShot);
    EXPECT_EQ(shot.text, "out dir/view one.png");
    EXPECT_EQ(shot.width, 0);
    shot = parsed("shot pictures/help one.jpg 560");
    EXPECT_EQ(shot.text, "pictures/help one.jpg") << "a last number is the width";
    EXPECT_EQ(shot.width, 560);
    EXPECT_EQ(parsed("shot 560").text, "560") << "a name alone stays a name";
    rejected("shot");
    rejected("dump now");
    rejected("dump overlay now");
}

TEST(BatchLine, WheelStopwatchAndFindDialog) {
    EXPECT_EQ(parsed("wheel -3").value, -3);
    EXPECT_EQ(parsed("wheel 2").value, 2);
    rejected("wheel");
    rejected("wheel 0");
    rejected("wheel -");
    rejected("wheel 101");
    rejected("wheel 2 3");
    BatchCommand watch = parsed("stopwatch first word");
    EXPECT_EQ(watch.verb, BatchVerb::kStopwatch);
    EXPECT_EQ(watch.text, "first word");
    BatchCommand find = parsed("finddialog find alpha AND beta");
    EXPECT_EQ(find.verb, BatchVerb::kFindDialog);
    EXPECT_EQ(find.value, kFindText);
    EXPECT_EQ(find.text, "alpha AND beta");
    EXPECT_EQ(parsed("finddialog next").value, kFindNext);
    EXPECT_EQ(parsed("finddialog results").value, kFindResultsOnly);
    rejected("finddialog");
    rejected("finddialog jump");
}

TEST(BatchLine, SetupDialogCommands) {
    BatchCommand open = parsed("setup open");
    EXPECT_EQ(open.verb, BatchVerb::kSetup);
    EXPECT_EQ(open.value, kSetupOpen);
    EXPECT_EQ(open.page, 0);
    EXPECT_EQ(parsed("setup open scroll/font").page, 3);
    EXPECT_EQ(parsed("setup open ctx 1").page, 6);
    EXPECT_EQ(parsed("setup open 2").page, 7) << "pages go by their buttons' captions";
    rejected("setup open nowhere");

    BatchCommand set = parsed("setup set 145 .cpp  .hpp ");
    EXPECT_EQ(set.value, kSetupSet);
    EXPECT_EQ(set.setting, 145);
    EXPECT_EQ(set.text, ".cpp  .hpp") << "the value keeps its inner blanks";
    EXPECT_EQ(parsed("setup set 111").text, "") << "an empty text is a value too";
    rejected("setup set");
    rejected("setup set x12 yes");

    BatchCommand click = parsed("setup click 112 shift ctrl");
    EXPECT_EQ(click.value, kSetupClick);
    EXPECT_EQ(click.setting, 112);
    EXPECT_EQ(click.modifiers, kModShift | kModControl);
    rejected("setup click 112 alt");
    EXPECT_EQ(parsed("setup close").value, kSetupClose);
    EXPECT_EQ(parsed("setup dump").value, kSetupDump);
    rejected("setup dump now");
    rejected("setup");
    rejected("setup reset");
}

TEST(BatchLine, UnknownCommandNamesTheLine) {
    const std::string error = rejected("frobnicate 3");
    EXPECT_NE(error.find("line 12"), std::string::npos) << error;
    EXPECT_NE(error.find("frobnicate"), std::string::npos) << error;
}

TEST(BatchScript, ParsesAllLinesAndStopsAtTheFirstWrongOne) {
    std::vector<BatchCommand> commands;
    std::string error;
    ASSERT_EQ(parseBatchScript("# start\nkey f3\n\r\ntype x\r\ndump", commands, error), 0);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].lineNumber, 2);
    EXPECT_EQ(commands[1].text, "x");
    EXPECT_EQ(commands[2].lineNumber, 5);

    EXPECT_EQ(parseBatchScript("dump\nbogus\ndump\n", commands, error), 9);
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(BatchCommandLine, BatchFileIsASecondPassOption) {
    StartupOptions options;
    ASSERT_EQ(parseSecondPass("-fastload -batch run.batch -find x notes.txt", options, {}), 0);
    EXPECT_EQ(options.batchFile, "run.batch");
    EXPECT_TRUE(options.fastLoad);
    EXPECT_EQ(options.findText, "x");
    EXPECT_EQ(options.loadArgument, "notes.txt");

    StartupOptions quoted;
    ASSERT_EQ(parseSecondPass("-batch \"my run.batch\" .", quoted, {}), 0);
    EXPECT_EQ(quoted.batchFile, "my run.batch");
    EXPECT_EQ(quoted.loadArgument, ".");
}

TEST(BatchCommandLine, BatchIsSeenAnywhereOnTheLine) {
    const char* late[] = {"tessel", "-linux", "-conf", "x", "-batch", "f"};
    EXPECT_TRUE(batchRequested(6, late));
    const char* none[] = {"tessel", "-batchx", "f"};
    EXPECT_FALSE(batchRequested(3, none));
    EXPECT_FALSE(batchRequested(1, none));
}

TEST(BatchLine, BookmarkAndClipboardCommands) {
    EXPECT_EQ(parsed("bookmarks").verb, BatchVerb::kBookmarks);
    const BatchCommand print = parsed("clipboard print");
    EXPECT_EQ(print.verb, BatchVerb::kClipboard);
    const BatchCommand set = parsed("clipboard set  a [ line 3 in x ]\\r\\n\\tb\\\\n\\q");
    EXPECT_NE(set.value, print.value);
    EXPECT_EQ(set.text, " a [ line 3 in x ]\r\n\tb\\n\\q");
    EXPECT_EQ(parsed("answer text my remark").text, "my remark");
    EXPECT_NE(rejected("clipboard paste").find("wrong clipboard command"), std::string::npos);
}

TEST(BatchText, EscapesAndVariables) {
    EXPECT_EQ(unescapeBatchText("x\\"), "x\\");
    EXPECT_EQ(unescapeBatchText("\\\\n"), "\\n");
    setenv("TESSEL_BATCH_TEST", "/tmp/w", 1);
    EXPECT_EQ(expandVariables("$TESSEL_BATCH_TEST/a ${TESSEL_BATCH_TEST}b"), "/tmp/w/a /tmp/wb");
    EXPECT_EQ(expandVariables("a $ b and ${unclosed"), "a $ b and ${unclosed");
    EXPECT_EQ(expandVariables("$TESSEL_BATCH_UNSET_NAME/x"), "/x");
}

}  // namespace
}  // namespace tessel
