#include "text/utf8_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "text/text_store.h"

namespace tessel {
namespace {

struct Decoded {
    std::string text;
    uint32_t flags = 0;
};

Decoded decode(std::string text) {
    Decoded result;
    size_t length = utf8ScanDecode(text.data(), text.size(), true, result.flags);
    result.text = text.substr(0, length);
    return result;
}

uint32_t scan(const std::string& text) {
    uint32_t flags = 0;
    utf8Scan(text.data(), text.size(), flags);
    return flags;
}

class Utf8DecoderTest : public ::testing::Test {
  protected:
    void SetUp() override { initUtf8Decoder(1252); }
    void TearDown() override { initUtf8Decoder(1252); }
};

TEST_F(Utf8DecoderTest, TwoAndThreeByteSequencesBecomeCodePageBytes) {
    Decoded d = decode(
        "Stra\xC3\x9F"
        "e \xE2\x82\xAC"
        "5 \xC3\xA4\xC3\x84");
    EXPECT_EQ(d.text,
              "Stra\xDF"
              "e \x80"
              "5 \xE4\xC4");
    EXPECT_EQ(d.flags, uint32_t(kEncodingValidUtf8));
    EXPECT_EQ(scan("Stra\xC3\x9F"
                   "e"),
              uint32_t(kEncodingValidUtf8));
}

TEST_F(Utf8DecoderTest, ByteOrderMarkIsSkippedAndFlagged) {
    Decoded d = decode("\xEF\xBB\xBFplain");
    EXPECT_EQ(d.text, "plain");
    EXPECT_EQ(d.flags, uint32_t(kEncodingBom));
    EXPECT_EQ(decode("\xEF\xBB").flags, uint32_t(kEncodingInvalid)) << "too short to be a mark";
}

TEST_F(Utf8DecoderTest, InvalidBytesPassUnchangedAndAreFlagged) {
    Decoded stray = decode("caf\xE9 ok");
    EXPECT_EQ(stray.text, "caf\xE9 ok");
    EXPECT_EQ(stray.flags, uint32_t(kEncodingInvalid));

    Decoded cut = decode("x\xE2\x82");  // a 3-byte sequence without its last byte
    EXPECT_EQ(cut.text, "x\xE2\x82");
    EXPECT_EQ(cut.flags, uint32_t(kEncodingInvalid));

    Decoded mixed = decode("\xC3\xA4 and \xE9!");
    EXPECT_EQ(mixed.flags, uint32_t(kEncodingValidUtf8 | kEncodingInvalid));

    Decoded lastByte = decode("end\xE9");
    EXPECT_EQ(lastByte.text, "end\xE9") << "a pending byte at the end is kept";

    Decoded outside = decode("\xD0\x96");  // Cyrillic is not in 1252
    EXPECT_EQ(outside.text, "\xD0\x96");
    EXPECT_EQ(outside.flags, uint32_t(kEncodingInvalid));
}

TEST_F(Utf8DecoderTest, PureAsciiIsUntouchedAndUnflagged) {
    std::string text(1000, 'a');
    text += "\n\tz";
    Decoded d = decode(text);
    EXPECT_EQ(d.text, text);
    EXPECT_EQ(d.flags, 0u);
}

TEST_F(Utf8DecoderTest, OtherCodePagesUseTheirOwnTables) {
    initUtf8Decoder(1251);
    EXPECT_EQ(decode("\xD0\x96").text, "\xC6");  // Ж
    initUtf8Decoder(1250);
    EXPECT_EQ(decode("\xC5\x81\xC3\x93").text, "\xA3\xD3");  // ŁÓ
    initUtf8Decoder(1300);
    EXPECT_EQ(decode("\xE1\xBA\xA0").text, "\x80");  // Ạ in VISCII
    initUtf8Decoder(874);
    EXPECT_EQ(decode("\xE0\xB8\x81").text, "\xA1");  // Thai ko kai
    initUtf8Decoder(437);
    EXPECT_EQ(decode("\xC3\xA4").text, "\xE4") << "unsupported pages decode as 1252";
}

TEST_F(Utf8DecoderTest, DecodingNeverGrowsAnyInput) {
    uint32_t seed = 7;
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        int length = round % 50;
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245 + 12345;
            text.push_back(static_cast<char>(seed >> 16));
        }
        std::string copy = text;
        uint32_t flags = 0;
        size_t written = utf8ScanDecode(copy.data(), copy.size(), true, flags);
        ASSERT_LE(written, text.size());
        uint32_t scanFlags = 0;
        utf8Scan(text.data(), text.size(), scanFlags);
        ASSERT_EQ(flags, scanFlags) << "scan and decode must agree";
        if (!(flags & kEncodingValidUtf8) && !(flags & kEncodingBom)) {
            ASSERT_EQ(copy.substr(0, written), text);
        }
    }
}

// The UTF-8 code page keeps every byte; the scan tells valid characters from bytes that are
// not UTF-8 for the header's tag.
TEST_F(Utf8DecoderTest, Utf8CodePageKeepsBytesAndValidatesStrictly) {
    initUtf8Decoder(kCodePageUtf8);
    EXPECT_TRUE(utf8DecoderKeepsBytes());
    const std::string mixed =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xD0\x9F \xE4\xBD\xA0 \xF0\x9F\x98\x80";
    Decoded kept = decode(mixed);
    EXPECT_EQ(kept.text, mixed);
    EXPECT_EQ(kept.flags, uint32_t(kEncodingValidUtf8));
    Decoded bom = decode("\xEF\xBB\xBFplain");
    EXPECT_EQ(bom.text, "\xEF\xBB\xBFplain") << "the mark stays in the text";
    EXPECT_EQ(bom.flags, uint32_t(kEncodingBom));
    for (const char* invalid : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                "x\xE2\x82", "\xAC", "caf\xE9 ok"}) {
        Decoded d = decode(invalid);
        EXPECT_EQ(d.text, invalid);
        EXPECT_EQ(d.flags, uint32_t(kEncodingInvalid)) << invalid;
    }
    EXPECT_EQ(scan("\xC3\xA4 and \xE9"), uint32_t(kEncodingValidUtf8 | kEncodingInvalid));
    EXPECT_EQ(scan(std::string(100, 'a')), 0u);
}

std::string wide(std::u16string text, bool bigEndian) {
    std::string bytes;
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::string toUtf8(WideToUtf8& converter, const std::string& bytes) {
    std::string out(bytes.size() / 2 * 3 + 3, '\0');
    auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
    out.resize(converter.convert(in, bytes.size(), out.data()));
    return out;
}

TEST(WideToUtf8, UnitsPairsAndLoneSurrogates) {
    for (bool bigEndian : {false, true}) {
        WideToUtf8 converter{bigEndian, 0};
        EXPECT_EQ(toUtf8(converter, wide(u"Grüße Привет 你好 😀", bigEndian)),
                  "Grüße Привет 你好 😀");
        // A pair cut between two pieces of the file.
        const std::string smile = wide(u"😀", bigEndian);
        EXPECT_EQ(toUtf8(converter, wide(u"a", bigEndian) + smile.substr(0, 2)), "a");
        EXPECT_EQ(toUtf8(converter, smile.substr(2) + wide(u"b", bigEndian)), "😀b");
        // Halves without their partner become U+FFFD, never dropped silently.
        EXPECT_EQ(toUtf8(converter, wide(std::u16string(1, 0xDC00) + u"x", bigEndian)), "\uFFFDx");
        EXPECT_EQ(toUtf8(converter, wide(std::u16string(1, 0xD800) + u"y", bigEndian)), "\uFFFDy");
        EXPECT_EQ(toUtf8(converter, wide(std::u16string(1, 0xD800), bigEndian)), "");
        char end[4];
        EXPECT_EQ(std::string(end, converter.finish(end)), "\uFFFD");
        EXPECT_EQ(converter.finish(end), 0u);
    }
}

}  // namespace
}  // namespace tessel
