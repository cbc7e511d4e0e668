#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "editor_test_support.h"

namespace tessel::testing {
namespace {

using EditBufferTest = EditorTest;

TEST_F(EditBufferTest, HeaderLineShowsLineEndsTabsAndChanges) {
    std::string crlf = write("crlf.txt", "one\r\ntwo\r\n");
    std::string unix = write("unix.txt", "a\tb\nc\n");
    load({crlf, unix});
    Editor& first = edit(crlf);
    int header = first.headerGlobalLine();
    EXPECT_STREQ(first.lineText(header), ":file: [crlf]");
    EXPECT_STREQ(first.lineText(header + 1), crlf.c_str());
    EXPECT_STREQ(first.lineText(header + 2), "one ");
    EXPECT_STREQ(first.lineText(header + 4), " ");  // the empty line after the last LF
    EXPECT_STREQ(first.lineText(header + 5), " ");  // the closing line
    first.typeKey('x');
    EXPECT_STREQ(first.lineText(header), ":file: [crlf] [*]");

    Editor& second = edit(unix);
    int secondHeader = second.headerGlobalLine();
    EXPECT_STREQ(second.lineText(secondHeader), ":file: [unix] [tabs]");
    editSettings().blankTabs = true;
    EXPECT_STREQ(second.lineText(secondHeader), ":file: [unix] [tab/spc]");
}

TEST_F(EditBufferTest, LaterBlocksShiftWhileLinesAreAddedOrRemoved) {
    std::string edited = write("a.txt", "alpha\nbeta\n");
    std::string later = write("b.txt", "gamma\n");
    load({edited, later});
    int laterHeader = blockOf(later).firstLine;
    Editor& editor = edit(edited, 2, 5);
    // The buffer shows the empty line after the final LF, which the store has not.
    EXPECT_STREQ(editor.lineText(laterHeader + 1), store.lineText(laterHeader));
    editor.keyEnter(false);
    editor.typeKey('z');
    EXPECT_STREQ(editor.lineText(laterHeader + 2), store.lineText(laterHeader));
    EXPECT_STREQ(editor.lineText(laterHeader + 4), "gamma ");
    editor.keyBackspace();
    editor.keyBackspace();
    editor.setCursor({3, 0});
    editor.keyBackspace();  // joins "alpha" and "beta"
    EXPECT_STREQ(editor.lineText(laterHeader), store.lineText(laterHeader));
    EXPECT_STREQ(editor.lineText(editor.headerGlobalLine() + 2), "alphabeta ");
    EXPECT_STREQ(editor.lineText(editor.headerGlobalLine() - 1),
                 store.lineText(editor.headerGlobalLine() - 1));
}

TEST_F(EditBufferTest, AnEditorOutlivesItsBlockSafely) {
    std::string path = write("dropped.txt", "text\n");
    load({path});
    Editor& editor = edit(path);
    editor.typeKey('x');
    store.clear();  // a load that replaces everything, without asking first
    EXPECT_EQ(editor.block(), nullptr);
    EXPECT_STREQ(editor.lineText(0), "[null3]");
    EXPECT_EQ(editor.headerGlobalLine(), 0);
    EXPECT_EQ(closeAndSave(*editor.view), 0);
    EXPECT_EQ(openEditorCount(), 0);
    EXPECT_EQ(readFile(path), "text\n");
}

TEST_F(EditBufferTest, LongLinesAreShownCutWithTheirBlank) {
    std::string path = write("long.txt", std::string(5000, 'w') + "\n");
    ASSERT_EQ(store.loadFileBlock(path.c_str(), nullptr, nullptr), 0);
    store.finish();
    Editor& editor = edit(path);
    std::string shown = editor.lineText(editor.headerGlobalLine() + 2);
    EXPECT_EQ(shown.size(), static_cast<size_t>(kEditLineChars + 1));
    EXPECT_EQ(shown.back(), ' ');
    EXPECT_EQ(editor.lineLength(2), 5000);
}

TEST_F(EditBufferTest, TextsThatCannotBeEditedAreNamed) {
    std::string clip = write("clip.txt", "text\n");
    std::string binary = write("binary.txt", "text\n");
    std::string loneCr = write("mac.txt", "text\n");
    load({clip, binary, loneCr});
    store.finish();
    LogCapture log;
    TestView& view = newView();
    blockOf(clip).clipText = true;
    EXPECT_EQ(openEditor(view, blockOf(clip), -1, 0), 1);
    EXPECT_TRUE(log.contains("clipboard text cannot be edited."));

    // The files change on disk after loading; the editor reads them again.
    write("binary.txt", std::string("te\0xt\n", 6));
    EXPECT_EQ(openEditor(view, blockOf(binary), -1, 0), 9);
    EXPECT_TRUE(log.contains("cannot edit: text contains binary or uses wide characters"));
    EXPECT_EQ(blockOf(binary).editData, nullptr);
    EXPECT_EQ(view.editor, nullptr);

    write("mac.txt", "one\rtwo\r");
    EXPECT_EQ(openEditor(view, blockOf(loneCr), -1, 0), 9);
    EXPECT_TRUE(log.contains("cannot edit: text has carriage returns without line feeds"));

    TestView& other = newView();
    EXPECT_EQ(toggleEdit(other, nullptr, store.lineCount(), 0), 2);
}

TEST_F(EditBufferTest, ColourTextLosesItsColourLines) {
    std::string path = write("colour.txt",
                             "<interleaved-attributes-text version=\"1.0\" prefix=\"\">\n"
                             "first\nrrrrr\nsecond\ngggggg\n");
    load({path});
    ASSERT_TRUE(blockOf(path).colourText);
    LogCapture log;
    Editor& editor = edit(path);
    EXPECT_EQ(textOf(editor), "first\nsecond\n");
    EXPECT_TRUE(log.contains("[blue] color is removed on editing"));
}

TEST_F(EditBufferTest, TabInsertsBlanksUnlessTheFileHasTabs) {
    std::string spaces = write("spaces.txt", "abcde\n");
    std::string tabs = write("tabs.txt", "a\tb\n");
    load({spaces, tabs});
    Editor& plain = edit(spaces, 2, 5);
    plain.typeKey('\t');
    EXPECT_EQ(textOf(plain), "abcde   \n");
    Editor& tabbed = edit(tabs, 2, 0);
    tabbed.typeKey('\t');
    EXPECT_EQ(textOf(tabbed), "\ta\tb\n");
}

TEST_F(EditBufferTest, EnterIndentsLikeTheLineAboveAndShiftEnterKeepsTheLine) {
    std::string path = write("indent.txt", "\t\tcode();\n   \nlast\n");
    load({path});
    editSettings().autoIndent = true;
    Editor& editor = edit(path, 2, 9);
    editor.keyEnter(false);
    EXPECT_EQ(textOf(editor), "\t\tcode();\n\t\t\n   \nlast\n");
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 2}));
    editor.setCursor({4, 3});
    editor.keyEnter(false);  // a line of blanks passes on no indent
    EXPECT_EQ(textOf(editor), "\t\tcode();\n\t\t\n   \n\nlast\n");
    editor.setCursor({6, 1});
    editor.keyEnter(true);  // SHIFT: a new line below, "last" stays whole
    EXPECT_EQ(textOf(editor), "\t\tcode();\n\t\t\n   \n\nlast\n\n");
}

TEST_F(EditBufferTest, BackspaceDeleteAndOverwriteAtLineEnds) {
    std::string path = write("ends.txt", "ab\ncd");
    load({path});
    Editor& editor = edit(path, 2, 0);
    EXPECT_EQ(editor.deleteChar('b'), 1);
    editor.setCursor({3, 2});
    EXPECT_EQ(editor.deleteChar('d'), 1);  // the end of the text
    editor.setCursor({3, 0});
    EXPECT_EQ(editor.deleteChar('b'), 0);
    EXPECT_EQ(textOf(editor), "abcd");
    EXPECT_EQ(editor.cursor(), (EditPosition{2, 2}));
    EXPECT_EQ(editor.data->lineCount, 4);

    editor.overwriteChar('\n');  // a letter overwritten by LF splits the line
    EXPECT_EQ(textOf(editor), "ab\nd");
    editor.setCursor({2, 2});
    editor.overwriteChar('X');  // LF overwritten by a letter joins the lines
    EXPECT_EQ(textOf(editor), "abXd");
    EXPECT_EQ(editor.data->lineCount, 4);
    editor.overwrite = true;
    editor.setCursor({2, 4});
    editor.typeKey('!');  // at the line end overwrite mode inserts
    EXPECT_EQ(textOf(editor), "abXd!");
    EXPECT_EQ(editor.overwriteChar('\t'), 1);
}

TEST_F(EditBufferTest, BufferGrowsByTheTextAndTheReserve) {
    std::string path = write("grow.txt", "x\n");
    load({path});
    Editor& editor = edit(path);
    EditData& data = *editor.data;
    data.length = data.capacity - 15;  // 15 bytes free: fill the text to that length
    std::memset(data.text, 'a', static_cast<size_t>(data.length));
    data.text[data.length] = '\0';
    data.text[data.length + 1] = static_cast<char>(kGuardByte);
    data.lineCount = kExtraLines + 1;
    editor.clearCache();
    int64_t before = data.capacity;
    editor.setCursor({2, 0});
    EXPECT_EQ(editor.insertText("12345678901234567890", true), 0);
    EXPECT_EQ(data.capacity, before + 10020);
    EXPECT_EQ(editor.checkIntegrity("test", 2), 0);
}

TEST_F(EditBufferTest, IntegrityCheckFindsDamageAndRepairsTheGuard) {
    std::string path = write("guard.txt", "abc\n");
    load({path});
    Editor& editor = edit(path);
    LogCapture log;
    editor.data->text[editor.data->length + 1] = 'Z';
    EXPECT_EQ(editor.checkIntegrity("ichar", 0), 12);
    EXPECT_TRUE(log.contains("text integrity error #4 (5A, ichar)"));
    EXPECT_EQ(editor.checkIntegrity("ichar", 0), 0);
    editor.data->text[1] = '\0';
    EXPECT_EQ(editor.checkIntegrity("dchar", 1), 10);
    editor.data->text[1] = 'b';
    editor.data->lineCount = 9;
    EXPECT_EQ(editor.checkIntegrity("dchar", 2), 0);
    EXPECT_EQ(editor.data->lineCount, 5);
}

TEST_F(EditBufferTest, EditorsOnOneFileFollowEachOthersChanges) {
    std::string path = write("shared.txt", "one\ntwo\nthree\n");
    load({path});
    Editor& first = edit(path, 2, 1);
    Editor& second = edit(path, 4, 2);
    EXPECT_EQ(first.data, second.data);
    EXPECT_EQ(first.data->lockCount, 3);
    int top = second.view->search().topLine;
    first.insertText("A\nB", true);  // "oA", "Bne": the second cursor moves one line down
    EXPECT_EQ(second.cursor(), (EditPosition{5, 2}));
    EXPECT_EQ(second.view->search().topLine, top + 1);
    second.setCursor({3, 2});  // inside "Bne": after the first editor's cursor
    first.setCursor({3, 0});
    first.deleteChar('d');
    EXPECT_EQ(second.cursor(), (EditPosition{3, 1}));
    select(first, 2, 0, 4, 1);  // a deletion around the second cursor takes it to its start
    first.deleteSelection();
    EXPECT_EQ(second.cursor(), (EditPosition{2, 0}));
    EXPECT_EQ(textOf(second), "wo\nthree\n");
    EXPECT_STREQ(second.lineText(second.headerGlobalLine() + 2), "wo ");
}

TEST_F(EditBufferTest, IndentAndOutdentSelectedLines) {
    std::string spaces = write("spaces.txt", "a\n  b\nc\n");
    std::string tabs = write("tabs.txt", "x\n\ty\n");
    load({spaces, tabs});
    Editor& editor = edit(spaces);
    select(editor, 2, 0, 4, 0);  // two lines: the end at column 0 does not take the third
    EXPECT_EQ(editor.keyTab(false), 0);
    EXPECT_EQ(textOf(editor), "    a\n      b\nc\n");
    editor.keyTab(true);
    editor.keyTab(true);
    EXPECT_EQ(textOf(editor), "a\nb\nc\n");
    EXPECT_EQ(editor.keyTab(true), 1);

    Editor& tabbed = edit(tabs);
    select(tabbed, 2, 0, 3, 2);
    tabbed.keyTab(false);
    EXPECT_EQ(textOf(tabbed), "\tx\n\t\ty\n");
    tabbed.keyTab(true);
    EXPECT_EQ(textOf(tabbed), "x\n\ty\n");
    tabbed.view->selection.clear();
    LogCapture log;
    EXPECT_EQ(tabbed.indentSelection(false), 9);
    EXPECT_TRUE(log.contains("int. #11129949"));
}

TEST_F(EditBufferTest, PasteDropsCarriageReturnsAndCanWrap) {
    std::string path = write("paste.txt", "[]\n");
    load({path});
    Editor& editor = edit(path, 2, 1);
    host.clipboard = "one\r\ntwo";
    EXPECT_EQ(editor.paste(false), 0);
    EXPECT_EQ(textOf(editor), "[one\ntwo]\n");
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 3}));
    host.clipboard.clear();
    EXPECT_EQ(editor.paste(false), 1);

    EXPECT_EQ(wrapForPaste("alpha beta gamma delta", 12), "alpha beta\ngamma delta");
    EXPECT_EQ(wrapForPaste("abcdefghijklmnop xy", 10), "abcdefghij\nklmnop xy");
    bool refused = false;
    EXPECT_EQ(wrapForPaste("anything", 9, &refused), "");
    EXPECT_TRUE(refused);
}

TEST_F(EditBufferTest, CursorKeysSelectAndCopy) {
    std::string path = write("keys.txt", "a\tb\nlonger line\nx\n");
    load({path});
    Editor& editor = edit(path, 2, 2);  // after the TAB: display column 4
    editor.move(EditMove::kDown, false);
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 4}));
    editor.move(EditMove::kDown, false);
    editor.move(EditMove::kUp, false);  // the display column is kept across the short line
    EXPECT_EQ(editor.cursor(), (EditPosition{3, 4}));
    editor.move(EditMove::kLineEnd, true);
    EXPECT_EQ(editor.selectedText(), "er line");
    editor.move(EditMove::kRight, true);
    editor.copySelection();
    EXPECT_EQ(host.clipboard, "er line\n");
    editor.cutSelection();
    EXPECT_EQ(textOf(editor), "a\tb\nlongx\n");
    editor.move(EditMove::kTextEnd, false);
    EXPECT_EQ(editor.cursor(), (EditPosition{4, 0}));
    EXPECT_EQ(editor.move(EditMove::kRight, false), 1);
}

}  // namespace
}  // namespace tessel::testing
