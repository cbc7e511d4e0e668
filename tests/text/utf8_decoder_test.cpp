#include "text/utf8_decoder.h"

#include <gtest/gtest.h>

#include <string>

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
    Decoded d = decode("Stra\xC3\x9F" "e \xE2\x82\xAC" "5 \xC3\xA4\xC3\x84");
    EXPECT_EQ(d.text, "Stra\xDF" "e \x80" "5 \xE4\xC4");
    EXPECT_EQ(d.flags, uint32_t(kEncodingValidUtf8));
    EXPECT_EQ(scan("Stra\xC3\x9F" "e"), uint32_t(kEncodingValidUtf8));
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

}  // namespace
}  // namespace tessel
