#include <gtest/gtest.h>

#include <string>

#include "editor_test_support.h"

namespace tessel::testing {
namespace {

using EditUndoTest = EditorTest;

TEST_F(EditUndoTest, TheRingHoldsTheLastFiftySteps) {
    std::string path = write("ring.txt", "\n");
    load({path});
    Editor& editor = edit(path);
    for (int i = 0; i < 50; ++i) editor.typeKey('a');
    for (int i = 0; i < 50; ++i) ASSERT_EQ(editor.undo(), 0) << i;
    EXPECT_EQ(textOf(editor), "\n");
    LogCapture log;
    EXPECT_EQ(editor.undo(), 1);
    EXPECT_TRUE(log.contains("no further undo steps."));
    EXPECT_TRUE(editor.data->modified);  // undo does not clear it

    for (int i = 0; i < 51; ++i) editor.typeKey(static_cast<char>('A' + i % 26));
    ASSERT_EQ(editor.data->write(), 0);  // saving keeps the history
    for (int i = 0; i < 50; ++i) ASSERT_EQ(editor.undo(), 0) << i;
    EXPECT_EQ(textOf(editor), "A\n");
    EXPECT_EQ(editor.undo(), 1);
}

TEST_F(EditUndoTest, LongDeletionsComeBackFromTheirOwnCopy) {
    std::string line(200, 'x');
    line[37] = 'y';
    std::string path = write("long.txt", "<" + line + ">\n");
    load({path});
    Editor& editor = edit(path);
    select(editor, 2, 1, 2, 201);
    editor.deleteSelection();
    EXPECT_EQ(textOf(editor), "<>\n");
    const UndoStep& step =
        editor.data->undo.steps[static_cast<size_t>(editor.data->undo.lastSlot())];
    EXPECT_NE(step.longText, nullptr);
    EXPECT_EQ(editor.undo(), 0);
    EXPECT_EQ(textOf(editor), "<" + line + ">\n");
    EXPECT_EQ(editor.cursor(), (EditPosition{2, 1}));
}

TEST_F(EditUndoTest, IndentTakesTwoUndosAndOverwrittenLineEndsSplitAgain) {
    std::string path = write("two.txt", "a\nb\nc\n");
    load({path});
    Editor& editor = edit(path);
    select(editor, 2, 0, 3, 1);
    editor.indentSelection(false);
    EXPECT_EQ(textOf(editor), "    a\n    b\nc\n");
    editor.undo();
    EXPECT_EQ(textOf(editor), "\nc\n");
    editor.undo();
    EXPECT_EQ(textOf(editor), "a\nb\nc\n");

    editor.setCursor({2, 1});
    editor.overwriteChar('Z');
    EXPECT_EQ(textOf(editor), "aZb\nc\n");
    EXPECT_EQ(editor.data->lineCount, 6);
    LogCapture log;
    editor.undo();
    EXPECT_EQ(textOf(editor), "a\nb\nc\n");
    EXPECT_EQ(editor.data->lineCount, 7);
    EXPECT_FALSE(log.contains("mismatch"));
    EXPECT_TRUE(log.contains("unwrite by insert len=1"));
}

TEST_F(EditUndoTest, AllViewsShareOneHistoryAndABadStepChangesNothing) {
    std::string path = write("shared.txt", "abc\n");
    load({path});
    Editor& first = edit(path, 2, 0);
    Editor& second = edit(path, 2, 3);
    first.typeKey('1');
    second.typeKey('2');
    EXPECT_EQ(textOf(first), "1abc2\n");
    first.undo();  // takes back the second view's change
    EXPECT_EQ(textOf(first), "1abc\n");

    UndoStep& step = first.data->undo.steps[static_cast<size_t>(first.data->undo.lastSlot())];
    step.offset = 1000;
    LogCapture log;
    EXPECT_EQ(first.undo(), 9);
    EXPECT_TRUE(log.contains("internal #2010192541"));
    EXPECT_EQ(textOf(first), "1abc\n");
    step.offset = 0;
    EXPECT_EQ(first.undo(), 0);
    EXPECT_EQ(textOf(first), "abc\n");
}

}  // namespace
}  // namespace tessel::testing
