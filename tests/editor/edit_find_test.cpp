#include "editor/edit_find.h"

#include <gtest/gtest.h>

#include <string>

#include "editor_test_support.h"

namespace tessel::testing {
namespace {

class EditFindTest : public EditorTest {
  protected:
    // Selects the phrase's first occurrence in the line and types the new one over it.
    static void typeOver(Editor& editor, int line, int column, std::string_view old,
                         std::string_view typed) {
        select(editor, line, column, line, column + static_cast<int>(old.size()));
        for (char ch : typed) editor.typeKey(ch);
    }
    static std::string selectedOf(const Editor& editor) {
        return const_cast<Editor&>(editor).selectedText();
    }
};

TEST_F(EditFindTest, TypingOverASelectionRecordsBothPhrases) {
    std::string path = write("foo.txt", "foo one\nfoo two\nfoo three\n");
    load({path});
    Editor& editor = edit(path);
    TestView& view = *views.back();
    typeOver(editor, 2, 0, "foo", "bar");
    EXPECT_EQ(editing().recent.source, "foo");
    EXPECT_EQ(editing().recent.replacement, "bar");

    EXPECT_EQ(replace(view, false, false, false), 0);  // CONTROL+R finds the next "foo"
    EXPECT_EQ(selectedOf(editor), "foo");
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 0}));
    EXPECT_EQ(textOf(editor), "bar one\nfoo two\nfoo three\n");
    EXPECT_EQ(replace(view, false, false, false), 0);  // and the next press replaces it
    EXPECT_EQ(textOf(editor), "bar one\nbar two\nfoo three\n");
    EXPECT_EQ(replace(view, false, true, false), 0);  // CONTROL+SHIFT+R: both in one press
    EXPECT_EQ(textOf(editor), "bar one\nbar two\nbar three\n");
    LogCapture log;
    EXPECT_EQ(replace(view, false, false, false), 1);
    EXPECT_TRUE(log.contains("No more hits on repeat edit."));
}

TEST_F(EditFindTest, CaseAdaptationFollowsTheReplacedText) {
    std::string path = write("case.txt", "foo\nFoo\nFOO\n");
    load({path});
    Editor& editor = edit(path);
    TestView& view = *views.back();
    typeOver(editor, 2, 0, "foo", "bar");
    replace(view, false, true, true);  // ALT+R with SHIFT
    replace(view, false, true, true);
    EXPECT_EQ(textOf(editor), "bar\nBar\nBAR\n");

    EXPECT_EQ(adaptCase("bar", "Foo"), "Bar");
    EXPECT_EQ(adaptCase("barbaz", "Fo"), "Barbaz");
    EXPECT_EQ(adaptCase("x-y", "A1"), "X-y");
    EXPECT_EQ(adaptCase("\xe9t\xe9", "\xc9T"), "\xc9T\xc9");
    EXPECT_EQ(adaptCase("same", ""), "same");
}

TEST_F(EditFindTest, OverwritingRecordsTheReplacedPhrase) {
    std::string path = write("over.txt", "x foo y\nfoo\n");
    load({path});
    Editor& editor = edit(path, 2, 2);
    editor.overwrite = true;
    for (char ch : std::string("bar")) editor.typeKey(ch);
    EXPECT_EQ(textOf(editor), "x bar y\nfoo\n");
    EXPECT_EQ(editing().recent.source, "foo");
    EXPECT_EQ(editing().recent.replacement, "bar");
    EXPECT_EQ(replace(*views.back(), false, true, false), 0);
    EXPECT_EQ(textOf(editor), "x bar y\nbar\n");
}

TEST_F(EditFindTest, RepeatingAnInsertionAddsItToTheNextLines) {
    std::string path = write("prefix.txt", "one\ntwo\nthree\nfour\n");
    load({path});
    Editor& editor = edit(path, 2, 0);
    TestView& view = *views.back();
    for (char ch : std::string("// ")) editor.typeKey(ch);
    editor.move(EditMove::kDown, false);
    editor.move(EditMove::kLineStart, false);
    replace(view, false, false, false);
    replace(view, false, false, false);
    EXPECT_EQ(textOf(editor), "// one\n// two\n// three\nfour\n");
    EXPECT_EQ(editor.cursor(), (EditPosition{5, 0}));
}

TEST_F(EditFindTest, FindMaskSearchUsesTheViewsFlags) {
    std::string path = write("mask.txt", "Alpha beta\ngamma ALPHA\nalpha\n");
    load({path});
    Editor& editor = edit(path, 2, 0);
    TestView& view = *views.back();
    LogCapture log;
    EXPECT_EQ(findKey(view, false), 1);  // no mask and no recent source: nothing happens
    EXPECT_FALSE(view.selection.active);

    view.state.setFindMask("alpha");
    EXPECT_TRUE(editor.findNext(false, 2));  // one column after the cursor: the next line
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 6}));
    EXPECT_TRUE(view.selection.byFindMask);
    EXPECT_EQ(selectedOf(editor), "ALPHA");
    EXPECT_TRUE(log.contains("found by find mask."));
    EXPECT_TRUE(editor.findNext(true, 1));
    EXPECT_EQ(editor.cursor(), (EditPosition{2, 0}));
    EXPECT_FALSE(editor.findNext(true, 1));
    EXPECT_TRUE(log.contains("no previous hits."));

    view.state.caseSensitive = true;
    EXPECT_TRUE(editor.findNext(false, 0));
    EXPECT_EQ(editor.cursor(), (EditPosition{4, 0}));
    view.state.caseSensitive = false;
    view.state.setFindMask("gamma AND alpha");
    editor.setCursor({2, 0});
    EXPECT_TRUE(editor.findNext(false, 0));
    EXPECT_EQ(editor.cursorLine, 3);
}

TEST_F(EditFindTest, FindMaskSearchReachesEveryByteOfALongLine) {
    std::string wide(60000, 'w');
    wide.replace(50000, 6, "needle");
    std::string path = write("wide.txt", "short\n" + wide + "\nneedle at the end\n");
    load({path});
    Editor& editor = edit(path, 2, 0);
    TestView& view = *views.back();
    view.state.setFindMask("needle");
    EXPECT_TRUE(editor.findNext(false, 0));
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 50000}));
    EXPECT_EQ(selectedOf(editor), "needle");
    EXPECT_TRUE(editor.findNext(false, 0));
    EXPECT_EQ(editor.cursor(), (EditPosition{4, 0}));
    EXPECT_TRUE(editor.findNext(true, 0));
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 50000})) << "backwards too";
}

TEST_F(EditFindTest, ReplacingFindMaskHitsInTurn) {
    std::string path = write("hits.txt", "a cat\nno\ncat cat\n");
    load({path});
    Editor& editor = edit(path);
    TestView& view = *views.back();
    view.state.setFindMask("cat");
    EXPECT_EQ(findKey(view, false), 0);
    typeOver(editor, 2, 2, "cat", "dog");
    EXPECT_EQ(editing().recent.replacement, "dog");
    findKey(view, false);  // the recent source now leads the search
    EXPECT_EQ(editor.cursor(), (EditPosition{4, 0}));
    replace(view, false, false, false);  // a find selection of the source: replaced
    EXPECT_EQ(textOf(editor), "a dog\nno\ndog cat\n");
}

TEST_F(EditFindTest, TheLastHitContinuesInTheNextEditableFile) {
    std::string first = write("1.txt", "x needle one\n");
    std::string plain = write("2.txt", "nothing here\n");
    std::string clip = write("3.txt", "needle in clip text\n");
    std::string last = write("4.txt", "x\n  needle four\n");
    load({first, plain, clip, last});
    blockOf(clip).clipText = true;
    Editor& editor = edit(first);
    TestView& view = *views.back();
    view.state.setFindMask("needle");
    LogCapture log;
    EXPECT_EQ(findKey(view, false), 0);
    EXPECT_EQ(editor.cursor(), (EditPosition{2, 2}));
    editor.move(EditMove::kLineEnd, false);
    editor.typeKey('!');
    EXPECT_EQ(findKey(view, false), kMovedToNextFile);
    EXPECT_TRUE(log.contains("no further hits."));
    ASSERT_NE(view.editor, nullptr);
    EXPECT_EQ(view.editor->block(), &blockOf(last));
    EXPECT_EQ(view.editor->cursor(), (EditPosition{3, 2}));
    EXPECT_TRUE(view.selection.byFindMask);
    // The first file's edit went into the store with the move, still unsaved.
    EXPECT_STREQ(store.lineText(blockOf(first).nameLine() + 1), "x needle one! ");
    EXPECT_EQ(changedTextCount(), 1);
    EXPECT_EQ(findKey(view, false), 1);
    EXPECT_EQ(checkLockAccounting(), 0);
}

TEST_F(EditFindTest, ReplaceContinuesInTheNextFileToo) {
    std::string first = write("1.txt", "old\n");
    std::string second = write("2.txt", "keep\nold\n");
    load({first, second});
    Editor& editor = edit(first);
    TestView& view = *views.back();
    typeOver(editor, 2, 0, "old", "new");
    EXPECT_EQ(replace(view, false, true, false), kMovedToNextFile);
    ASSERT_NE(view.editor, nullptr);
    EXPECT_EQ(textOf(*view.editor), "keep\nnew\n");
}

}  // namespace
}  // namespace tessel::testing
