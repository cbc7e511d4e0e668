#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/unicode_fold.h"
#include "base/codepage/utf8.h"

namespace tessel {
namespace {

CodePageTables utf8Tables() {
    CodePageTables tables;
    tables.init(kCodePageUtf8);
    return tables;
}

std::string folded(const FoldTable& fold, std::string text) {
    text.resize(fold.foldText(text.data(), text.size()));
    return text;
}

// Every code point is written and read back as itself; every byte sequence read as valid
// is the one way of writing its code point, so overlong forms never pass, and surrogates,
// cut sequences and stray continuation bytes start no character.
TEST(Utf8Sequences, DecodingIsStrictAndAgreesWithEncoding) {
    char out[4];
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        const int length = encodeUtf8(code, out);
        ASSERT_EQ(length, utf8Length(code));
        char32_t back = 0;
        ASSERT_EQ(decodeUtf8(reinterpret_cast<const uint8_t*>(out), 4, back), length)
            << static_cast<uint32_t>(code);
        ASSERT_EQ(back, code);
    }
    uint8_t bytes[3];
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int second = 0; second < 0x100; ++second) {
            for (int third : {0x00, 0x7F, 0x80, 0x9F, 0xA0, 0xBF, 0xC0}) {
                bytes[0] = static_cast<uint8_t>(lead);
                bytes[1] = static_cast<uint8_t>(second);
                bytes[2] = static_cast<uint8_t>(third);
                char32_t code = 0;
                const int length = decodeUtf8(bytes, 3, code);
                if (length == 0) continue;
                ASSERT_EQ(encodeUtf8(code, out), length);
                ASSERT_EQ(std::string(out, length),
                          std::string(reinterpret_cast<char*>(bytes), length));
                ASSERT_FALSE(code >= 0xD800 && code <= 0xDFFF);
            }
        }
    }
    char32_t code = 0;
    auto decode = [&](std::string text) {
        return decodeUtf8(reinterpret_cast<const uint8_t*>(text.data()), text.size(), code);
    };
    EXPECT_EQ(decode("\xC0\xAF"), 0) << "overlong slash";
    EXPECT_EQ(decode("\xE0\x80\xAF"), 0);
    EXPECT_EQ(decode("\xF0\x80\x80\xAF"), 0);
    EXPECT_EQ(decode("\xED\xA0\x80"), 0) << "surrogate";
    EXPECT_EQ(decode("\xF4\x90\x80\x80"), 0) << "beyond U+10FFFF";
    EXPECT_EQ(decode("\xE2\x82"), 0) << "cut short";
    EXPECT_EQ(decode(std::string("\xE2\0\xAC", 3)), 0) << "a NUL ends the text";
    EXPECT_EQ(decode("\xAC"), 0) << "stray continuation byte";
    EXPECT_EQ(decode("\xF0\x9F\x98\x80"), 4);
    EXPECT_EQ(code, U'\U0001F600');
}

TEST(Utf8Folding, CaseAndAccentsBeyondAscii) {
    const CodePageTables tables = utf8Tables();
    const FoldTable noCase = tables.buildFoldTable(false, true, true);
    EXPECT_EQ(folded(noCase, "ÜBER Über"), "über über");
    EXPECT_EQ(folded(noCase, "ПРИВЕТ"), "привет");
    EXPECT_EQ(folded(noCase, "ΣΟΦΟΣ σοφος"), "σοφοσ σοφοσ") << "final sigma reads as sigma";
    EXPECT_EQ(folded(noCase, "ŁÓDŹ"), "łódź");
    EXPECT_EQ(folded(noCase, "é"), "é") << "accents count";

    const FoldTable noAccents = tables.buildFoldTable(false, false, true);
    EXPECT_EQ(folded(noAccents, "Éé Ää Ёё Άά"), "ee aa ее αα");
    EXPECT_EQ(folded(noAccents, "Straße"), "strase") << "as the 8-bit code pages read it";
    EXPECT_EQ(folded(noAccents, "ŁÓDŹ"), "lodz");

    const FoldTable caseOnly = tables.buildFoldTable(true, false, true);
    EXPECT_EQ(folded(caseOnly, "Éé"), "Ee");

    const FoldTable exact = tables.buildFoldTable(true, true, true);
    EXPECT_EQ(folded(exact, "ÜBER привет"), "ÜBER привет");
    EXPECT_EQ(folded(exact, "\xC3\x28\xE9 x"), "\xC3\x28\xE9 x") << "bytes that are not UTF-8";
}

TEST(Utf8Folding, PunctuationAndLettersByTheByteMap) {
    const CodePageTables tables = utf8Tables();
    const FoldTable loose = tables.buildFoldTable(false, true, false);
    EXPECT_EQ(folded(loose, "„Zitat“ ‘x’ «y» C:\\TMP 1,5"), "\"zitat\" \"x\" \"y\" c:/tmp 1.5");
    const FoldTable strict = tables.buildFoldTable(false, true, true);
    EXPECT_EQ(folded(strict, "„Zitat“"), "„zitat“");
    // The western code page's letters beyond ASCII are bytes of characters here.
    for (int byte = 0x80; byte < 0x100; ++byte) EXPECT_EQ(loose.map(byte), byte);
}

// What the line test and the candidate scan rely on: folding twice is folding once, a fold
// is never longer, and case alone never turns a character beyond ASCII into ASCII.
TEST(Utf8Folding, FoldsAreStableShortAndKeepAsciiExact) {
    const CodePageTables tables = utf8Tables();
    for (int flags = 0; flags < 8; ++flags) {
        const bool caseSensitive = flags & 1;
        const bool accentSensitive = flags & 2;
        const FoldTable fold = tables.buildFoldTable(caseSensitive, accentSensitive, flags & 4);
        for (char32_t code = 0; code < 0x3000; ++code) {
            if (code >= 0xD800 && code <= 0xDFFF) continue;
            const char32_t once = fold.foldCode(code);
            ASSERT_EQ(fold.foldCode(once), once)
                << std::hex << static_cast<uint32_t>(code) << " flags " << flags;
            ASSERT_LE(utf8Length(once), utf8Length(code))
                << std::hex << static_cast<uint32_t>(code);
            if (accentSensitive && code >= 0x80 && !isQuoteMark(code)) {
                ASSERT_GE(once, 0x80u) << std::hex << static_cast<uint32_t>(code);
            }
            if (once < 0x80 && code >= 0x80) {
                ASSERT_TRUE(fold.isFoldTargetOfWide(static_cast<uint8_t>(once)));
            }
        }
    }
}

TEST(Utf8CharBits, AsciiKeepsItsClassesAndOtherBytesShareOne) {
    const CodePageTables tables = utf8Tables();
    CodePageTables western;
    western.init(1252);
    for (int byte = 0; byte < 0x80; ++byte) {
        EXPECT_EQ(tables.charBit(static_cast<uint8_t>(byte)), western.charBit(byte)) << byte;
    }
    for (int byte = 0x80; byte < 0x100; ++byte) {
        EXPECT_EQ(tables.charBit(static_cast<uint8_t>(byte)), tables.charBit(0x80));
    }
    EXPECT_NE(tables.charBit(0x80), 0u);
    EXPECT_EQ(tables.charBit(0x80) & 0xFFu, 0u);

    // An 'e' may stand for an 'é' when accents are ignored: it cannot be required then.
    const FoldTable accents = tables.buildFoldTable(false, true, true);
    const FoldTable noAccents = tables.buildFoldTable(false, false, true);
    EXPECT_EQ(tables.requiredMaskOf("ex", accents), tables.maskOf("ex"));
    EXPECT_EQ(tables.requiredMaskOf("ex", noAccents), tables.charBit('x'));
    EXPECT_EQ(tables.requiredMaskOf("ü", accents), tables.charBit(0x80));
}

TEST(Utf8WordChars, LettersOfAnyScript) {
    setWordCharThreshold(0xC0);
    auto wordAt = [](const std::string& text, size_t at) {
        return isWordCharAt(text.data(), text.size(), at);
    };
    const std::string text = "Grüße Привет 你好 “q” 😀 \xE9t\xAC";
    for (size_t at : {2u, 3u, 4u, 5u}) EXPECT_TRUE(wordAt(text, at)) << at;  // ü and ß
    EXPECT_TRUE(wordAt(text, text.find("Привет") + 3));
    EXPECT_TRUE(wordAt(text, text.find("你好") + 2));
    EXPECT_FALSE(wordAt(text, text.find("“") + 1));
    EXPECT_FALSE(wordAt(text, text.find("😀") + 3));
    EXPECT_TRUE(wordAt(text, text.find('\xE9'))) << "a stray byte counts as its western letter";
    EXPECT_FALSE(wordAt(text, text.size() - 1)) << "a stray continuation byte";
    setWordCharThreshold(0xFF);
    EXPECT_FALSE(wordAt(text, 2)) << "noumlauts";
    EXPECT_TRUE(wordAt(text, 0));
    setWordCharThreshold(0xC0);
}

TEST(Utf8CodePage, InitAndDescribe) {
    CodePageTables tables;
    EXPECT_EQ(tables.init(kCodePageUtf8), kCodePageSupported);
    EXPECT_TRUE(tables.utf8);
    EXPECT_EQ(tables.describe("x"), "x\nusing codepage 65001 (utf-8)");
    EXPECT_TRUE(tables.buildFoldTable(false, true, true).utf8());
    CodePageTables western;
    western.init(1252);
    EXPECT_FALSE(western.buildFoldTable(false, true, true).utf8());
}

}  // namespace
}  // namespace tessel
