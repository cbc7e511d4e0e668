#include "zuknet/net_intake.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "text/text_store.h"
#include "zuknet/net_ring.h"

namespace tessel {
namespace {

constexpr SenderAddress kAlice{0x0A000007, 4000};  // 10.0.0.7
constexpr SenderAddress kBob{0x0A000008, 4000};

std::string record(uint32_t request, std::string_view body, std::string_view fields = {},
                   uint32_t retry = 0) {
    return ":zuktxt:v100,req" + std::to_string(request) + ",rt" + std::to_string(retry) +
           std::string(fields) + "\n\n" + std::string(body);
}

class NetIntakeTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(ring.init(10, 60), 0); }

    // Feeds one datagram; returns the acknowledgement sent back.
    std::string feed(std::string_view datagram, SenderAddress from = kAlice) {
        char ack[kAcknowledgementBytes];
        const size_t length = intake.receive(datagram.data(), datagram.size(), from, ack);
        return std::string(ack, length);
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        const TextBlock& block = *ring.block();
        for (int i = 0; i < block.ringFill.load(); ++i) out.emplace_back(block.line(2 + i));
        return out;
    }

    TextStore store;
    NetRing ring{store};
    NetTextIntake intake{ring};
};

TEST_F(NetIntakeTest, PlainTextWaitsForItsLineEndUnlessRawAutoLineFeed) {
    feed("hello ");
    EXPECT_TRUE(lines().empty()) << "no line end yet";
    feed("world\n");
    EXPECT_EQ(lines(), std::vector<std::string>{"hello world"});

    intake.rawAutoLineFeed = true;
    feed("one");
    feed("two");
    EXPECT_EQ(lines(), (std::vector<std::string>{"hello world", "one", "two"}));
}

TEST_F(NetIntakeTest, RecordsInSequenceJoinAndOthersBreakTheLine) {
    feed(record(1, "first "));
    feed(record(2, "half\n"));
    EXPECT_EQ(lines(), std::vector<std::string>{"first half"});

    feed(record(3, "cut "));
    feed(record(9, "late\n"));
    EXPECT_EQ(lines(), (std::vector<std::string>{"first half", "cut ", "late"}))
        << "a record out of sequence releases what was buffered";

    feed(record(10, "alice "));
    feed("bob\n", kBob);
    EXPECT_EQ(lines().at(3), "alice ") << "another sender releases the buffer first";
    EXPECT_EQ(lines().at(4), "bob");

    feed(record(1, "flushed", ",fl"), kBob);
    EXPECT_EQ(lines().back(), "flushed") << "\"fl\" shows a body without a line end";
}

TEST_F(NetIntakeTest, RepeatedRecordsGiveNoSecondLineButAreAnsweredAgain) {
    const std::string first = record(5, "once\n", ",copy");
    EXPECT_EQ(feed(first), ":zuktxt:v100,rep5,rt0,ok\n\n");
    EXPECT_EQ(feed(record(5, "once\n", ",copy", 1)), ":zuktxt:v100,rep5,rt1,ok\n\n");
    EXPECT_EQ(feed(record(5, "once\n", ",copy", 2)), ":zuktxt:v100,rep5,rt2,ok\n\n")
        << "a sender whose answers got lost keeps being answered";
    EXPECT_EQ(lines(), std::vector<std::string>{"once"});
    EXPECT_EQ(intake.repetitions.load(), 2u);

    feed(record(0, "no numbers\n"), kBob);
    feed(record(0, "no numbers\n"), kBob);
    EXPECT_EQ(lines().size(), 3u) << "records without retry numbers are never repetitions";
}

TEST_F(NetIntakeTest, AcknowledgementsAreNeverLargerThanTheRequest) {
    EXPECT_EQ(feed(":zuktxt:v1,copy\n\n"), "") << "an answer would be larger";
    EXPECT_EQ(feed(":zuktxt:v100,req1,copy\n\nbody text\n"), ":zuktxt:v100,rep1,rt0,ok\n\n");
    EXPECT_EQ(feed(":zuktxt:v100,req2\n\nno copy\n"), "");
}

TEST_F(NetIntakeTest, ClearEmptiesTheRingBeforeTheBody) {
    feed("old line\n");
    feed("half ", kBob);
    feed(record(1, "fresh\n", "\n:clear"));
    EXPECT_EQ(lines(), std::vector<std::string>{"fresh"});
}

TEST_F(NetIntakeTest, ColoursContinueOnlyWithinTheSequence) {
    feed(record(1, "a\x1fgb", ",cs1,scr"));
    feed(record(2, "c\n", ",cs1"));
    feed(record(7, "d\n", ",cs1"));
    const TextBlock& block = *ring.block();
    auto colours = [&](int logical) {
        const char* line = block.line(logical);
        return std::string(block.colourBuffer + (line - block.text));
    };
    EXPECT_EQ(std::string(block.line(2)), "abc");
    EXPECT_EQ(colours(2), "011") << "red, then green carried into the next record";
    EXPECT_EQ(colours(3), " ") << "out of sequence the colour starts again";

    testing::LogCapture log;
    feed(record(8, "e\n\x1f", ",cs1"));
    EXPECT_TRUE(log.contains("invalid control sequence in color text"));
    EXPECT_EQ(lines().back(), "e");
}

TEST_F(NetIntakeTest, SenderPrefixes) {
    intake.prefixMode = kPrefixLastAddressPart;
    feed("from seven\n");
    intake.prefixMode = kPrefixAddressAndPort;
    feed("full\n", kBob);
    EXPECT_EQ(lines(), (std::vector<std::string>{"7> from seven", "10.0.0.8:4000> full"}));
}

TEST_F(NetIntakeTest, TheLineBufferIsReleasedBeforeItOverflows) {
    const std::string piece(2000, 'x');
    feed(piece);
    feed(piece);
    EXPECT_TRUE(lines().empty()) << "4,000 bytes fit";
    feed(piece);
    ASSERT_EQ(lines().size(), 1u) << "the next piece would pass 4,096 bytes";
    EXPECT_EQ(lines()[0].size(), 60u) << "cut to the slot width";
    feed(std::string(2500, 'y'));
    feed(std::string(2500, 'z'));
    EXPECT_EQ(lines().size(), 3u);
}

TEST_F(NetIntakeTest, PausedTextIsDropped) {
    intake.paused = true;
    feed("dropped\n");
    EXPECT_TRUE(lines().empty());
    intake.paused = false;
    feed("kept\n");
    EXPECT_EQ(lines(), std::vector<std::string>{"kept"});
}

// A sender still in the table continues its colour into its next record; once 128 newer
// senders have pushed it out, its next record starts over with the default colour.
TEST_F(NetIntakeTest, TheOldestSenderMakesRoomInTheTable) {
    auto lastColourAfter = [&](int otherSenders) {
        intake.reset();
        feed(record(1, "r\n", ",cs1,scr"));
        for (int i = 1; i <= otherSenders; ++i) {
            feed("x\n", SenderAddress{0x0A000009, static_cast<uint16_t>(i)});
        }
        feed(record(2, "next\n", ",cs1"));
        const TextBlock& block = *ring.block();
        const int newest = 2 + (block.ringHead.load() + 9) % 10;
        return block.colourBuffer[block.lineArrays.starts[newest]];
    };
    EXPECT_EQ(lastColourAfter(kSenderTableSize - 1), '0');
    EXPECT_EQ(lastColourAfter(kSenderTableSize), ' ');
}

}  // namespace
}  // namespace tessel
