#include "zuknet/net_record.h"

#include <gtest/gtest.h>

#include <string>

#include "zuknet/net_text_sender.h"

namespace tessel {
namespace {

TEST(NetRecord, HeaderFieldsAndHeaderLines) {
    RecordHeader header;
    const std::string datagram = ":zuktxt:v100,req12,rt3,copy,cs1,scR,fl\n:clear\n\nbody\n";
    ASSERT_TRUE(parseRecordHeader(datagram, header));
    EXPECT_EQ(header.request, 12u);
    EXPECT_EQ(header.retry, 3u);
    EXPECT_TRUE(header.copy);
    EXPECT_TRUE(header.colourSequences);
    EXPECT_EQ(header.startColour, 'R');
    EXPECT_TRUE(header.flush);
    EXPECT_TRUE(header.clear);
    EXPECT_EQ(datagram.substr(header.bodyOffset), "body\n");

    ASSERT_TRUE(parseRecordHeader(":zuktxt:v100\n\n", header)) << "a header without fields";
    EXPECT_EQ(header.request, 0u);
    EXPECT_FALSE(header.copy || header.clear || header.colourSequences);
    EXPECT_EQ(header.bodyOffset, 14u);

    // Built headers read back the same.
    RecordHeader fields{.request = 7,
                        .retry = 1,
                        .copy = true,
                        .colourSequences = true,
                        .startColour = 'y',
                        .flush = true,
                        .clear = true};
    ASSERT_TRUE(parseRecordHeader(buildRecordHeader(fields) + "x", header));
    EXPECT_EQ(header.request, 7u);
    EXPECT_EQ(header.retry, 1u);
    EXPECT_TRUE(header.copy && header.colourSequences && header.flush && header.clear);
    EXPECT_EQ(header.startColour, 'y');
}

TEST(NetRecord, MalformedHeadersAreTextOrSafeValues) {
    RecordHeader header;
    EXPECT_FALSE(parseRecordHeader(":zuktxt:v100,req1\nno blank line", header));
    EXPECT_FALSE(parseRecordHeader(":zukt", header)) << "a truncated magic";
    EXPECT_FALSE(parseRecordHeader("", header));
    EXPECT_FALSE(parseRecordHeader("plain\n\ntext", header));

    ASSERT_TRUE(parseRecordHeader(":zuktxt:v100,req99999999999999,rtx,sc\n\n", header));
    EXPECT_EQ(header.request, UINT32_MAX) << "numbers saturate";
    EXPECT_EQ(header.retry, 0u);
    EXPECT_EQ(header.startColour, 0) << "\"sc\" without its letter";

    const std::string withNul(
        ":zuktxt:v100,req\0"
        "5\n\n",
        20);
    ASSERT_TRUE(parseRecordHeader(withNul, header));
    EXPECT_EQ(header.request, 0u);
}

TEST(NetRecord, ColourSequencesSplitTextAndColours) {
    char text[16];
    char colours[16];
    char colour = 'd';
    bool dangling = false;
    const std::string body = "a\x1fgbc\x1f\x1f\x1fR!";
    size_t length = decodeColourBody(body, text, colours, sizeof text, colour, dangling);
    EXPECT_EQ(std::string(text, length), "abc\x1f!");
    EXPECT_EQ(std::string(colours, length), "dgggR");
    EXPECT_EQ(colour, 'R') << "the last colour carries over to the next record";
    EXPECT_FALSE(dangling);

    length = decodeColourBody("xy\x1f", text, colours, sizeof text, colour, dangling);
    EXPECT_EQ(std::string(text, length), "xy") << "the text before the bad escape is kept";
    EXPECT_TRUE(dangling);

    length = decodeColourBody(std::string(40, 'z'), text, colours, 8, colour, dangling);
    EXPECT_EQ(length, 8u) << "never more than the capacity";
}

TEST(NetRecord, AcknowledgementsRoundTrip) {
    char ack[kAcknowledgementBytes];
    const size_t length = formatAcknowledgement(ack, 42, 2);
    EXPECT_EQ(std::string(ack, length), ":zuktxt:v100,rep42,rt2,ok\n\n");
    uint32_t request = 0;
    uint32_t retry = 0;
    ASSERT_TRUE(parseAcknowledgement(std::string(ack, length), request, retry));
    EXPECT_EQ(request, 42u);
    EXPECT_EQ(retry, 2u);
    EXPECT_LT(formatAcknowledgement(ack, UINT32_MAX, UINT32_MAX), kAcknowledgementBytes);
    EXPECT_FALSE(parseAcknowledgement(":zuktxt:v100,rep42,rt2\n\n", request, retry));
    EXPECT_FALSE(parseAcknowledgement("hello", request, retry));
}

TEST(NetRecord, SenderCutsAtLineEndsWithinTheCapacity) {
    EXPECT_EQ(nextChunkLength("ab\ncd\nef", 100, false), 8u) << "all of it fits";
    EXPECT_EQ(nextChunkLength("ab\ncd\nefgh", 8, false), 6u) << "up to the last line end";
    EXPECT_EQ(nextChunkLength("abcdefghij", 4, false), 4u) << "a long line is cut";
    EXPECT_EQ(nextChunkLength("a\x1f\x1f\x1f", 4, true), 2u) << "escaped bytes cost two";
}

}  // namespace
}  // namespace tessel
