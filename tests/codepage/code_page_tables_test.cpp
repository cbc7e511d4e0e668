#include "base/codepage/code_page_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tessel {
namespace {

CodePageTables tablesFor(int codePage) {
    CodePageTables tables;
    tables.init(codePage);
    return tables;
}

std::string folded(const FoldTable& fold, std::string text) {
    fold.apply(text.data());
    return text;
}

// Case- and accent-insensitive, punctuation-sensitive.
TEST(Folding, CentralEuropeFoldsPolishLettersOnlyIn1250) {
    CodePageTables cp1250 = tablesFor(1250);
    FoldTable fold = cp1250.buildFoldTable(false, false, true);
    EXPECT_EQ(folded(fold, "\xAF\xD3\xA3\xC6"), "zolc");  // ŻÓŁĆ
    CodePageTables cp1252 = tablesFor(1252);
    FoldTable western = cp1252.buildFoldTable(false, false, true);
    EXPECT_NE(folded(western, "\xAF\xD3\xA3\xC6"), "zolc");
}

TEST(Folding, SharpSFoldsToOneSWhenAccentInsensitive) {
    CodePageTables tables = tablesFor(1252);
    FoldTable fold = tables.buildFoldTable(false, false, true);
    EXPECT_EQ(folded(fold, "Stra\xDF" "e"), "strase");
    FoldTable accents = tables.buildFoldTable(false, true, true);
    EXPECT_EQ(folded(accents, "Stra\xDF" "e"), "stra\xDF" "e");
    EXPECT_EQ(tables.charBit(0xDF), tables.charBit('s')) << "folded forms share the mask bit";
}

TEST(Folding, UmlautCaseAndAccentSensitivity) {
    CodePageTables tables = tablesFor(1252);
    FoldTable accentSensitive = tables.buildFoldTable(false, true, true);
    EXPECT_EQ(accentSensitive.map(0xC4), 0xE4);  // Ä reads as ä
    EXPECT_NE(accentSensitive.map(0xE4), 'a');
    FoldTable caseSensitive = tables.buildFoldTable(true, false, true);
    EXPECT_EQ(caseSensitive.map(0xE4), 'a');
    EXPECT_EQ(caseSensitive.map(0xC4), 'A');
    EXPECT_EQ(caseSensitive.map('A'), 'A');
    FoldTable exact = tables.buildFoldTable(true, true, true);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(exact.map(static_cast<uint8_t>(b)), b);
}

TEST(Folding, PunctuationGroups) {
    CodePageTables tables = tablesFor(1252);
    FoldTable loose = tables.buildFoldTable(false, true, false);
    EXPECT_EQ(folded(loose, "C:\\TMP"), "c:/tmp");
    EXPECT_EQ(folded(loose, "1,5"), "1.5");
    for (uint8_t quote : {0x27, 0x60, 0x82, 0x84, 0x8B, 0x91, 0x92, 0x93, 0x94, 0x9B, 0xAB, 0xB4,
                          0xBB}) {
        EXPECT_EQ(loose.map(quote), '"');
    }
    FoldTable strictCase = tables.buildFoldTable(true, true, false);
    EXPECT_EQ(folded(strictCase, "C:\\TMP"), "C:/TMP");
    FoldTable strict = tables.buildFoldTable(false, true, true);
    EXPECT_EQ(folded(strict, "1,5"), "1,5");
}

TEST(Folding, SmallFHookFollowsTheLaterAssignment) {
    CodePageTables tables = tablesFor(1252);
    EXPECT_EQ(tables.buildFoldTable(true, false, true).map(0x83), 'F');
    EXPECT_EQ(tables.buildFoldTable(false, false, true).map(0x83), 'f');
    EXPECT_EQ(tables.buildFoldTable(false, true, true).map(0x83), 0x83);
}

TEST(Folding, DigitsBlanksAndControlBytesNeverFold) {
    CodePageTables tables = tablesFor(1250);
    FoldTable fold = tables.buildFoldTable(false, false, false);
    for (uint8_t b : {'0', '9', ' ', '\t', '\x01', '-', '*'}) EXPECT_EQ(fold.map(b), b);
}

TEST(CharBits, ClassesAndAsterisk) {
    CodePageTables tables = tablesFor(1252);
    EXPECT_EQ(tables.charBit('*'), 0u);
    EXPECT_EQ(tables.maskOf("****"), 0u);
    EXPECT_EQ(tables.charBit(0x00), 1u << (17 + 8));
    EXPECT_EQ(tables.charBit(0x01), 1u << (18 + 8));
    EXPECT_EQ(tables.charBit('a'), tables.charBit('A'));
    EXPECT_EQ(tables.charBit('a'), tables.charBit(0xE4));
    EXPECT_EQ(tables.charBit('b'), tables.charBit('z')) << "groups may share a number";
    EXPECT_EQ(tables.charBit('\\'), tables.charBit('/'));
    EXPECT_EQ(tables.charBit(','), tables.charBit('.'));
    for (int b = 0; b < 256; ++b) {
        uint32_t bit = tables.charBit(static_cast<uint8_t>(b));
        EXPECT_EQ(bit & 0xFFu, 0u);
        if (b != '*') {
            EXPECT_EQ(__builtin_popcount(bit), 1) << b;
        }
    }
    EXPECT_EQ(tables.maskOf("ab"), tables.charBit('a') | tables.charBit('b'));
}

TEST(CodePageInit, MessagesAndDescribe) {
    CodePageTables western;
    EXPECT_EQ(western.init(1252), kCodePageSupported);
    EXPECT_EQ(western.describe("ignore accents"), "ignore accents\nusing codepage 1252 (western europe)");
    CodePageTables cyrillic;
    EXPECT_EQ(cyrillic.init(1251), kCodePageUnsupported);
    EXPECT_EQ(cyrillic.describe("x"), "x\nnot supported with your codepage (1251)");
    EXPECT_EQ(cyrillic.buildFoldTable(false, false, true).map(0xE4), 'a') << "1252 groups";
    EXPECT_LE(western.describe(std::string(500, 'y')).size(), 189u);
}

TEST(WordChars, ThresholdRules) {
    setWordCharThreshold(0xC0);
    EXPECT_TRUE(isWordChar('a'));
    EXPECT_TRUE(isWordChar('Z'));
    EXPECT_TRUE(isWordChar('7'));
    EXPECT_TRUE(isWordChar('_'));
    EXPECT_FALSE(isWordChar('-'));
    EXPECT_TRUE(isWordChar(0xE4));
    EXPECT_FALSE(isWordChar(0xC0));
    EXPECT_FALSE(isWordChar(0xFF));
    setWordCharThreshold(0xFF);
    EXPECT_FALSE(isWordChar(0xE4));
    setWordCharThreshold(0xC0);
}

TEST(Unicode, TablesOfTheSupportedCodePages) {
    EXPECT_EQ(unicodeOf(1252, 0x80), U'\u20AC');
    EXPECT_EQ(unicodeOf(1252, 0xE4), U'\u00E4');
    EXPECT_EQ(unicodeOf(1250, 0xA3), U'\u0141');
    EXPECT_EQ(unicodeOf(1251, 0xC0), U'\u0410');
    EXPECT_EQ(unicodeOf(1253, 0xC1), U'\u0391');
    EXPECT_EQ(unicodeOf(874, 0xA1), U'\u0E01');
    EXPECT_EQ(unicodeOf(1300, 0x80), U'\u1EA0');
    EXPECT_EQ(unicodeOf(437, 0xE4), U'\u00E4') << "unsupported pages use 1252";
    EXPECT_EQ(unicodeOf(1252, 0x81), U'\u0081') << "undefined bytes stand for themselves";
    EXPECT_EQ(unicodeOf(1252, 'A'), U'A');
}

}  // namespace
}  // namespace tessel
