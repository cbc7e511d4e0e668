#include "base/codepage/text_cells.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tessel {
namespace {

// U+4F60 U+597D (two wide characters), "e" with a combining acute accent, an emoji, and a
// byte that starts no valid sequence.
const std::string kWide = "\xE4\xBD\xA0\xE5\xA5\xBD";
const std::string kAccented = "e\xCC\x81";
const std::string kEmoji = "\xF0\x9F\x98\x80";
const std::string kInvalid = "\xC3(";

TEST(TextCells, CharactersTakeTheirCells) {
    EXPECT_EQ(cellWidthOf(U'a'), 1);
    EXPECT_EQ(cellWidthOf(U'\u00E9'), 1);
    EXPECT_EQ(cellWidthOf(U'\u0416'), 1);
    EXPECT_EQ(cellWidthOf(U'\u2500'), 1);  // box drawing stays narrow
    EXPECT_EQ(cellWidthOf(U'\u4F60'), 2);
    EXPECT_EQ(cellWidthOf(U'\uFF21'), 2);  // full-width A
    EXPECT_EQ(cellWidthOf(U'\U0001F600'), 2);
    EXPECT_EQ(cellWidthOf(U'\u0301'), 0);
    EXPECT_EQ(cellWidthOf(U'\u200D'), 0);
    EXPECT_EQ(cellWidthOf(U'\u00AD'), 1);

    EXPECT_EQ(cellCount(kWide, true), 4);
    EXPECT_EQ(cellCount(kAccented, true), 1);
    EXPECT_EQ(cellCount(kEmoji, true), 2);
    EXPECT_EQ(cellCount(kInvalid, true), 2);
    // A mark with nothing before it stands on a cell of its own.
    EXPECT_EQ(cellCount("\xCC\x81x", true), 2);
    // The 8-bit code pages: a byte is a cell, whatever it is.
    EXPECT_EQ(cellCount(kWide + kAccented, false), 9);
}

TEST(TextCells, UnitsKeepJoiningCharactersAndIsolateInvalidBytes) {
    const std::string text = kAccented + "\xCC\x88" + kInvalid + kEmoji;
    CellUnit unit = cellUnitAt(text, 0, true);
    EXPECT_EQ(unit.bytes, 5);
    EXPECT_EQ(unit.cells, 1);
    unit = cellUnitAt(text, 5, true);
    EXPECT_FALSE(unit.valid);
    EXPECT_EQ(unit.bytes, 1);
    unit = cellUnitAt(text, 7, true);
    EXPECT_EQ(unit.bytes, 4);
    EXPECT_EQ(unit.cells, 2);
    // A sequence cut short by the end of the text is invalid bytes, never read past it.
    unit = cellUnitAt(std::string_view(kEmoji).substr(0, 3), 0, true);
    EXPECT_FALSE(unit.valid);
}

// Columns and bytes map onto each other unit by unit: every column of a wide character or a
// TAB leads back to its first byte, and a byte inside a unit to the unit's first column.
TEST(TextCells, ColumnsAndBytesAgreeWithTabsAndWideCharacters) {
    const std::string line = "a\t" + kWide + kAccented + "z";
    // a=0, TAB 1..2 (size 3), wide 3..4 and 5..6, accented e 7, z 8.
    EXPECT_EQ(columnOfByte(line, 0, 3, true), 0);
    EXPECT_EQ(columnOfByte(line, 1, 3, true), 1);
    EXPECT_EQ(columnOfByte(line, 2, 3, true), 3);
    EXPECT_EQ(columnOfByte(line, 4, 3, true), 3);  // inside the first wide character
    EXPECT_EQ(columnOfByte(line, 5, 3, true), 5);
    EXPECT_EQ(columnOfByte(line, 8, 3, true), 7);
    EXPECT_EQ(columnOfByte(line, 10, 3, true), 7);  // the accent stays with its letter
    EXPECT_EQ(columnOfByte(line, 11, 3, true), 8);
    EXPECT_EQ(columnOfByte(line, line.size(), 3, true), 9);
    EXPECT_EQ(columnOfByte(line, line.size() + 2, 3, true), 11);

    EXPECT_EQ(byteOfColumn(line, 2, 3, true), 1u);
    EXPECT_EQ(byteOfColumn(line, 4, 3, true), 2u);
    EXPECT_EQ(byteOfColumn(line, 6, 3, true), 5u);
    EXPECT_EQ(byteOfColumn(line, 7, 3, true), 8u);
    EXPECT_EQ(byteOfColumn(line, 8, 3, true), 11u);
    EXPECT_EQ(byteOfColumn(line, 11, 3, true), line.size() + 2);

    // In an 8-bit code page only the TABs widen anything.
    EXPECT_EQ(columnOfByte(line, 4, 3, false), 5);
    EXPECT_EQ(byteOfColumn(line, 5, 3, false), 4u);
    EXPECT_EQ(byteOfCell(line, 5, false), 5u);
}

TEST(TextCells, CutsNeverSplitACharacter) {
    const std::string text = "ab" + kWide + kEmoji;
    EXPECT_EQ(cutAtCells(text, 3, true), 2u);  // the first wide character needs two cells
    EXPECT_EQ(cutAtCells(text, 4, true), 5u);
    EXPECT_EQ(cutAtCells(text, 100, true), text.size());
    EXPECT_EQ(cutAtCells(text, 3, false), 3u);

    for (size_t limit = 0; limit <= text.size(); ++limit) {
        const size_t cut = cutAtCharacter(text, limit, true);
        EXPECT_LE(cut, limit);
        EXPECT_GE(cut + 3, limit);
        EXPECT_EQ(cellCount(std::string_view(text).substr(0, cut), true),
                  cellOfByte(text, cut, true));
    }
    EXPECT_EQ(cutAtCharacter(text, 4, true), 2u);
    EXPECT_EQ(cutAtCharacter(text, 4, false), 4u);
    // Bytes of no valid sequence are characters of their own and may be cut anywhere.
    EXPECT_EQ(cutAtCharacter("\x80\x80\x80\x80", 2, true), 2u);
    EXPECT_EQ(cutAtCharacter("\xE4\xBD"
                             "abc",
                             1, true),
              1u);
}

}  // namespace
}  // namespace tessel
