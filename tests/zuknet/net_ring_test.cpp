#include "zuknet/net_ring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

// The filled ring lines, oldest first, as a reader sees them.
std::vector<std::string> ringLines(const TextBlock& block) {
    std::vector<std::string> lines;
    for (int i = 0; i < block.ringFill.load(); ++i) lines.emplace_back(block.line(2 + i));
    return lines;
}

std::string colourOf(const TextBlock& block, int logical) {
    const char* line = block.line(logical);
    return block.colourBuffer + (line - block.text);
}

class NetRingTest : public ::testing::Test {
  protected:
    void append(std::string_view text, std::string_view prefix = {}) {
        ASSERT_GE(ring.append(text.data(), nullptr, text.size(), prefix), 0);
    }
    TextStore store;
    NetRing ring{store};
};

TEST_F(NetRingTest, LayoutOfHeaderSlotsAndClosingLine) {
    constexpr int kLines = 10, kWidth = 30;
    ASSERT_EQ(ring.init(kLines, kWidth), 0);
    const TextBlock& block = *ring.block();
    EXPECT_TRUE(block.ring);
    EXPECT_FALSE(block.ownsBuffer()) << "the receiver frees the buffers, not the block";
    EXPECT_EQ(block.lineCount, kLines + 3);
    EXPECT_EQ(block.lineArrays.capacity, kLines + 13);
    EXPECT_EQ(block.allocatedBytes, (kLines + 13) * (kWidth + 4) + 1000);
    EXPECT_EQ(block.colourBufferSize, block.allocatedBytes);
    EXPECT_STREQ(block.line(0), ":file:");
    EXPECT_STREQ(block.line(1), kNetlogName);
    EXPECT_STREQ(block.fileName, kNetlogName);
    EXPECT_STREQ(block.line(kLines + 2), "");
    EXPECT_STREQ(block.kindName(0), "netlog text");
    for (int i = 0; i < kLines + 3; ++i) {
        EXPECT_EQ(block.lineArrays.starts[i], static_cast<uint32_t>(i * (kWidth + 4)));
    }
    EXPECT_EQ(block.lineArrays.starts[kLines + 3], kNoLineStart);
}

TEST_F(NetRingTest, LineEndsAndBareCarriageReturns) {
    ASSERT_EQ(ring.init(10, 30), 0);
    const TextBlock& block = *ring.block();
    append("abc\rxy\n");
    EXPECT_EQ(ringLines(block), std::vector<std::string>{"xy"}) << "CR rewrites the slot";

    append("one\r\ntwo\n\nthree");
    EXPECT_EQ(ringLines(block), (std::vector<std::string>{"xy", "one", "two", "", "three"}));

    append("50%\r");
    append("60%\r");
    append("done\n");
    EXPECT_EQ(ringLines(block).back(), "done") << "a progress line ends as its last state";
    EXPECT_EQ(ringLines(block).size(), 6u);
}

TEST_F(NetRingTest, LongPiecesAreCutAndSlotsKeepTheirSpareNulBytes) {
    constexpr int kWidth = 30;
    ASSERT_EQ(ring.init(10, kWidth), 0);
    const TextBlock& block = *ring.block();
    append(std::string(100, 'x') + "\n" + std::string(10, 'y'), "12> ");
    std::vector<std::string> lines = ringLines(block);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "12> " + std::string(kWidth - 4, 'x'));
    EXPECT_EQ(lines[1], "12> yyyyyyyyyy");
    for (int i = 2; i < 12; ++i) {
        const char* slot = block.text + block.lineArrays.starts[i];
        for (int k = kWidth; k < kWidth + kSlotSpareBytes; ++k) EXPECT_EQ(slot[k], '\0');
    }

    append("abc\n", std::string(16, 'p'));
    EXPECT_EQ(ringLines(block).back(), "abc") << "a prefix over half the width is dropped";
}

TEST_F(NetRingTest, ColoursFollowTheTextAndThePrefixIsGreen) {
    ASSERT_EQ(ring.init(10, 30), 0);
    const TextBlock& block = *ring.block();
    const std::string text = "ab\n";
    const std::string colours = "rM\n";
    ASSERT_EQ(ring.append(text.data(), colours.data(), text.size(), "7> "), 1);
    EXPECT_STREQ(block.line(2), "7> ab");
    EXPECT_EQ(colourOf(block, 2),
              "111"
              "0A");

    append("plain\n");
    EXPECT_EQ(colourOf(block, 3), "     ") << "text without colours is drawn plain";
    uint32_t mask = 0;
    block.lineAndMask(3, &mask);
    EXPECT_NE(mask, 0u) << "ring lines carry line masks for the search prefilter";
}

TEST_F(NetRingTest, ClearEmptiesEverySlot) {
    ASSERT_EQ(ring.init(10, 30), 0);
    const TextBlock& block = *ring.block();
    for (int i = 0; i < 12; ++i) append("text\n");
    ring.clear();
    EXPECT_EQ(block.ringFill.load(), 0);
    EXPECT_EQ(block.ringHead.load(), 0);
    for (int i = 2; i < 12; ++i) EXPECT_STREQ(block.line(i), "");
    append("again\n");
    EXPECT_EQ(ringLines(block), std::vector<std::string>{"again"});
}

TEST_F(NetRingTest, DamagedRingsAreRefusedWithInternalReports) {
    testing::LogCapture log;
    EXPECT_EQ(ring.append("x\n", nullptr, 2, {}), -1) << "no block yet";
    EXPECT_TRUE(log.contains("int. #2129202"));
    ASSERT_EQ(ring.init(10, 30), 0);
    ring.block()->ringHead.store(10);
    EXPECT_EQ(ring.append("x\n", nullptr, 2, {}), -1);
    EXPECT_TRUE(log.contains("int. #2129203"));
    ring.block()->ringHead.store(0);
    ring.block()->lineArrays.starts[2] = kNoLineStart;
    EXPECT_EQ(ring.append("x\n", nullptr, 2, {}), -1);
    EXPECT_TRUE(log.contains("int. #2129204"));
}

TEST_F(NetRingTest, TheRingOutlivesStoreClearsAndLeavesTheStoreWhenFreed) {
    auto own = std::make_unique<NetRing>(store);
    ASSERT_EQ(own->init(10, 30), 0);
    store.appendBlock(own->block());
    store.clear();
    EXPECT_STREQ(own->block()->line(1), kNetlogName);
    store.appendBlock(own->block());
    store.appendBlock();
    store.renumber();
    ASSERT_EQ(store.blockCount, 2);
    own.reset();
    EXPECT_EQ(store.blockCount, 1) << "the store no longer points at the freed ring";
    EXPECT_EQ(store.lineCount(), 0);
}

}  // namespace
}  // namespace tessel
