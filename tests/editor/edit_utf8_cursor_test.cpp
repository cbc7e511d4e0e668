// The editor's cursor in the UTF-8 code page: columns are cells, the cursor keys step over
// whole characters (a letter with its combining marks), and BACKSPACE and DELETE remove whole
// characters, so that no part of a sequence is ever left behind.
#include <random>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "editor_test_support.h"

namespace tessel::testing {
namespace {

class EditUtf8CursorTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        codePageTables().init(kCodePageUtf8);
        initUtf8Decoder(kCodePageUtf8);
    }
    void TearDown() override {
        EditorTest::TearDown();
        codePageTables().init(1252);
        initUtf8Decoder(1252);
    }
};

// "a", a TAB to column 4, two wide characters, a blank, "e" with a combining acute, "x".
constexpr const char* kCellsLine = "a\t\xE4\xBD\xA0\xE5\xA5\xBD e\xCC\x81x";

TEST_F(EditUtf8CursorTest, CursorCountsCellsAndStepsOverWholeCharacters) {
    std::string path = write("cells.txt", std::string(kCellsLine) + "\n0123456789ab\n");
    load({path});
    Editor& editor = edit(path);
    EXPECT_EQ(editor.data->rawHoldsUtf8, false);  // no "UTF-8 edit" warning here
    const std::vector<int> bytes = {0, 1, 2, 5, 8, 9, 12, 13};
    const std::vector<int> cells = {0, 1, 4, 6, 8, 9, 10, 11};
    for (size_t step = 0; step < bytes.size(); ++step) {
        EXPECT_EQ(editor.cursorColumn, bytes[step]) << "right " << step;
        EXPECT_EQ(editor.screenColumn(editor.cursorColumn), cells[step]) << "right " << step;
        editor.move(EditMove::kRight, false);
    }
    EXPECT_EQ(editor.cursorLine, kFirstTextLine + 1);  // past the end: the next line
    editor.move(EditMove::kLeft, false);
    for (size_t step = bytes.size(); step-- > 0;) {
        EXPECT_EQ(editor.cursorColumn, bytes[step]) << "left " << step;
        editor.move(EditMove::kLeft, false);
    }

    // A cell inside a TAB or a wide character stands for it; past the end, the line end.
    EXPECT_EQ(editor.byteColumn(kFirstTextLine, 3), 1);
    EXPECT_EQ(editor.byteColumn(kFirstTextLine, 5), 2);
    EXPECT_EQ(editor.byteColumn(kFirstTextLine, 7), 5);
    EXPECT_EQ(editor.byteColumn(kFirstTextLine, 9), 9);
    EXPECT_EQ(editor.byteColumn(kFirstTextLine, 40), 13);

    // Up and down keep the cell, not the byte.
    editor.setCursor({kFirstTextLine + 1, 7});
    editor.move(EditMove::kUp, false);
    EXPECT_EQ(editor.cursor(), (EditPosition{kFirstTextLine, 5}));
    editor.move(EditMove::kDown, false);
    EXPECT_EQ(editor.cursor(), (EditPosition{kFirstTextLine + 1, 7}));

    // A click on the second cell of a wide character puts the cursor before it.
    editor.placeCursor(editor.headerGlobalLine() + kFirstTextLine, 5);
    EXPECT_EQ(editor.cursorColumn, 2);
    // The column the status row shows counts characters: "a", TAB, the first wide one.
    EXPECT_EQ(editor.cursorCharacterColumn(), 2);
    // SHIFT+RIGHT selects the whole character.
    editor.move(EditMove::kRight, true);
    EXPECT_EQ(editor.selectedText(), "\xE4\xBD\xA0");
}

TEST_F(EditUtf8CursorTest, BackspaceAndDeleteRemoveWholeCharacters) {
    std::string path = write("del.txt", "\xE4\xBD\xA0\xE5\xA5\xBDx\xC3\n");
    load({path});
    Editor& editor = edit(path, kFirstTextLine, 3);
    EXPECT_EQ(editor.keyBackspace(), 0);
    EXPECT_EQ(textOf(editor), "\xE5\xA5\xBDx\xC3\n");
    EXPECT_EQ(editor.cursorColumn, 0);
    EXPECT_EQ(editor.keyDelete(), 0);
    EXPECT_EQ(textOf(editor), "x\xC3\n");
    // A byte of no valid sequence goes alone.
    editor.setCursor({kFirstTextLine, 2});
    EXPECT_EQ(editor.keyBackspace(), 0);
    EXPECT_EQ(textOf(editor), "x\n");
    EXPECT_EQ(editor.undo(), 0);
    EXPECT_EQ(editor.undo(), 0);
    EXPECT_EQ(textOf(editor), "\xE5\xA5\xBDx\xC3\n");
    EXPECT_EQ(editor.undo(), 0);
    EXPECT_EQ(textOf(editor), "\xE4\xBD\xA0\xE5\xA5\xBDx\xC3\n");
    EXPECT_EQ(editor.checkIntegrity("test", 2), 0);
}

TEST_F(EditUtf8CursorTest, OverwriteReplacesWholeCharacters) {
    std::string path = write("over.txt",
                             "\xE4\xBD\xA0"
                             "ab\n");
    load({path});
    Editor& editor = edit(path, kFirstTextLine, 0);
    editor.toggleOverwrite();
    // "e" over a wide character, then "\xC3\xA9" (two bytes typed one by one) over "a".
    for (char ch : std::string("e\xC3\xA9")) editor.typeKey(ch);
    EXPECT_EQ(textOf(editor),
              "e\xC3\xA9"
              "b\n");
    EXPECT_EQ(editor.cursorColumn, 3);
    editor.typeKey('z');
    editor.typeKey('!');  // at the line end: inserted
    EXPECT_EQ(textOf(editor), "e\xC3\xA9z!\n");
    while (editor.undo() == 0) {
    }
    EXPECT_EQ(textOf(editor),
              "\xE4\xBD\xA0"
              "ab\n");
    EXPECT_EQ(editor.checkIntegrity("test", 2), 0);
}

// Thousands of random keys on UTF-8 text: whatever the cursor keys, typing in either mode,
// BACKSPACE and DELETE do, the text stays valid UTF-8 and the cursor between characters.
TEST_F(EditUtf8CursorTest, RandomKeysKeepTheTextValid) {
    static const char* const kCharacters[] = {
        "a", " ", "\xC3\xBC", "\xE4\xBD\xA0", "\xF0\x9F\x98\x80", "e\xCC\x81", "\t"};
    std::string path = write("random.txt",
                             "Gr\xC3\xBC\xC3\x9F"
                             "e \xE4\xBD\xA0\n\xE5\xA5\xBD x\n");
    load({path});
    Editor& editor = edit(path);
    std::mt19937 random{20261209};
    auto pick = [&](int from, int to) {
        return std::uniform_int_distribution<int>(from, to)(random);
    };
    for (int step = 0; step < 4000; ++step) {
        switch (pick(0, 9)) {
            case 0:
            case 1:
                editor.move(EditMove::kLeft, pick(0, 3) == 0);
                break;
            case 2:
            case 3:
                editor.move(EditMove::kRight, pick(0, 3) == 0);
                break;
            case 4:
                editor.move(pick(0, 1) ? EditMove::kUp : EditMove::kDown, false);
                break;
            case 5:
                editor.keyBackspace();
                break;
            case 6:
                editor.keyDelete();
                break;
            case 7:
                if (pick(0, 5) == 0) editor.toggleOverwrite();
                break;
            default:
                if (pick(0, 15) == 0) {
                    editor.keyEnter(false);
                } else {
                    for (const char* at = kCharacters[pick(0, 6)]; *at; ++at) editor.typeKey(*at);
                }
                break;
        }
        const std::string text = textOf(editor);
        for (size_t at = 0; at < text.size();) {
            const CellUnit unit = cellUnitAt(text, at, true);
            ASSERT_TRUE(unit.valid) << "step " << step << " byte " << at;
            at += static_cast<size_t>(unit.bytes);
        }
        const std::string_view line = editor.lineBytes(editor.cursorLine);
        const size_t column = static_cast<size_t>(editor.cursorColumn);
        ASSERT_LE(column, line.size()) << "step " << step;
        if (column < line.size()) {
            const auto byte = static_cast<uint8_t>(line[column]);
            ASSERT_FALSE(byte >= 0x80 && byte < 0xC0) << "step " << step;
        }
        ASSERT_EQ(editor.checkIntegrity("check", 2), 0) << "step " << step;
    }
}

// A line longer than the screen line is shown cut before a character, never inside one.
TEST_F(EditUtf8CursorTest, LongLineIsCutBetweenCharacters) {
    std::string line = "x";
    while (line.size() < kEditLineChars + 10) line += "\xC3\xA9";  // "é"
    std::string path = write("long.txt", line + "\n");
    load({path});
    Editor& editor = edit(path);
    const std::string shown = editor.lineText(editor.headerGlobalLine() + kFirstTextLine);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_LE(shown.size(), static_cast<size_t>(kEditLineChars) + 1);
    EXPECT_EQ(shown.back(), ' ');
    EXPECT_EQ(shown.substr(shown.size() - 3, 2), "\xC3\xA9");
}

TEST_F(EditUtf8CursorTest, EightBitCodePageStillStepsByBytes) {
    codePageTables().init(1252);
    std::string path = write("bytes.txt", "\xE4\xBD\xA0z\n");
    load({path});
    Editor& editor = edit(path, kFirstTextLine, 0);
    editor.move(EditMove::kRight, false);
    EXPECT_EQ(editor.cursorColumn, 1);
    EXPECT_EQ(editor.screenColumn(3), 3);
    EXPECT_EQ(editor.cursorCharacterColumn(), 1);
    EXPECT_EQ(editor.keyDelete(), 0);
    EXPECT_EQ(textOf(editor), "\xE4\xA0z\n");
}

}  // namespace
}  // namespace tessel::testing
