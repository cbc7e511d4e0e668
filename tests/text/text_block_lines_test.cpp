#include "text/text_block_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"

namespace tessel {
namespace {

struct Indexed {
    int count = 0;
    int prefixLines = 0;
    std::vector<uint32_t> starts;
    std::vector<uint32_t> masks;
    std::string text;
};

// Indexes `bytes` placed `offset` bytes into a buffer, so that every alignment of the text
// against the vector width is seen.
Indexed indexAt(const std::string& bytes, size_t offset, const uint32_t* bits, bool hasPrefix,
                bool scalar) {
    std::vector<char> buffer(offset + bytes.size() + 1, '\x5A');
    char* text = buffer.data() + offset;
    std::copy(bytes.begin(), bytes.end(), text);
    text[bytes.size()] = '\0';
    Indexed out;
    out.starts.assign(bytes.size() + 1, 0xDEADBEEF);
    out.masks.assign(bytes.size() + 1, 0xDEADBEEF);
    auto used = static_cast<int64_t>(bytes.size());
    out.count = scalar ? indexPlainTextScalar(text, used, out.starts.data(), out.masks.data(), bits,
                                              hasPrefix, ':', out.prefixLines)
                       : indexPlainText(text, used, out.starts.data(), out.masks.data(), bits,
                                        hasPrefix, ':', out.prefixLines);
    out.text.assign(text, bytes.size() + 1);
    return out;
}

std::string randomBytes(std::mt19937& random, size_t length) {
    // Newlines from none to dense, so that lines span windows and windows hold many lines.
    unsigned newlineEvery = 1 + random() % 80;
    std::string bytes(length, '\0');
    for (char& c : bytes) {
        unsigned pick = random();
        c = pick % newlineEvery == 0 ? '\n' : static_cast<char>(pick >> 8);
    }
    return bytes;
}

void expectSameIndex(const std::string& bytes, size_t offset, const uint32_t* bits,
                     bool hasPrefix) {
    Indexed expected = indexAt(bytes, offset, bits, hasPrefix, true);
    Indexed got = indexAt(bytes, offset, bits, hasPrefix, false);
    ASSERT_EQ(expected.count, got.count) << "length " << bytes.size() << " offset " << offset;
    ASSERT_EQ(expected.prefixLines, got.prefixLines) << "length " << bytes.size();
    for (int i = 0; i < expected.count; ++i) {
        ASSERT_EQ(expected.starts[i], got.starts[i]) << "line " << i;
        ASSERT_EQ(expected.masks[i], got.masks[i]) << "line " << i << " length " << bytes.size();
    }
    ASSERT_EQ(expected.text, got.text);
}

std::array<uint32_t, 256> randomOneHotBits(std::mt19937& random) {
    std::array<uint32_t, 256> bits{};
    for (uint32_t& bit : bits) bit = random() % 25 == 0 ? 0 : 1u << (8 + random() % 24);
    return bits;
}

TEST(TextBlockLinesTest, VectorIndexEqualsScalarForAllLengthsAndAlignments) {
    codePageTables().init(1252);
    std::mt19937 random(20261208);
    std::array<uint32_t, 256> oneHot = randomOneHotBits(random);
    const uint32_t* tables[] = {codePageTables().charBits.data(), oneHot.data()};
    for (const uint32_t* bits : tables) {
        for (size_t length = 0; length <= 200; ++length) {
            for (size_t offset = 0; offset < 64; offset += length % 7 == 0 ? 1 : 13) {
                std::string bytes = randomBytes(random, length);
                expectSameIndex(bytes, offset, bits, (length + offset) % 2 == 0);
            }
        }
    }
}

TEST(TextBlockLinesTest, NewlineCountForAllLengthsAndAlignments) {
    std::mt19937 random(99);
    std::vector<char> buffer(400);
    for (size_t length = 0; length <= 300; ++length) {
        for (size_t offset = 0; offset < 64; offset += 9) {
            std::string bytes = randomBytes(random, length);
            std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<long>(offset));
            auto expected = static_cast<int64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
            ASSERT_EQ(countNewlines(buffer.data() + offset, static_cast<int64_t>(length)),
                      expected);
        }
    }
}

TEST(TextBlockLinesTest, LongLinesAndEveryByteValue) {
    codePageTables().init(1252);
    const uint32_t* bits = codePageTables().charBits.data();
    // Every byte value alone on a line, and each at every position of a line that runs
    // across several windows.
    std::string single;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != '\n') single += static_cast<char>(byte);
        single += '\n';
    }
    expectSameIndex(single, 0, bits, true);
    for (int byte = 0; byte < 256; byte += 5) {
        for (size_t at : {0u, 63u, 64u, 100u, 190u}) {
            std::string line(200, 'q');
            line[at] = static_cast<char>(byte);
            expectSameIndex(line + "\n" + line, 3, bits, false);
        }
    }
    // A line end in the last lane of a window, and windows without any line end.
    std::string edges = std::string(63, 'a') + "\n" + std::string(64, 'b') + "\n" +
                        std::string(300, 'c') + "\n\n\n";
    expectSameIndex(edges, 0, bits, true);
}

TEST(TextBlockLinesTest, LinesMasksAndPrefixLines) {
    codePageTables().init(1252);
    const uint32_t* bits = codePageTables().charBits.data();
    Indexed got = indexAt(":file: x\nab\n\n*:\ncd", 5, bits, true, false);
    ASSERT_EQ(got.count, 5);
    EXPECT_EQ(got.starts[0], 0u);
    EXPECT_EQ(got.masks[0], 0u);  // a record prefix line is measured later
    EXPECT_EQ(got.starts[1], 9u);
    EXPECT_EQ(got.masks[1], codePageTables().maskOf("ab"));
    EXPECT_EQ(got.starts[2], 12u);
    EXPECT_EQ(got.masks[2], 0u);
    EXPECT_EQ(got.starts[3], 13u);
    EXPECT_EQ(got.masks[3], codePageTables().maskOf(":"));  // the asterisk has no bit
    EXPECT_EQ(got.starts[4], 16u);
    EXPECT_EQ(got.masks[4], codePageTables().maskOf("cd"));
    EXPECT_EQ(got.text, std::string(":file: x\0ab\0\0*:\0cd\0", 19));
    EXPECT_EQ(got.prefixLines, 1);
}

TEST(TextBlockLinesTest, DenseLinesAndPrefixLinesInEveryLane) {
    codePageTables().init(1252);
    const uint32_t* bits = codePageTables().charBits.data();
    // Three letters only: up to 64 lines a window, many of them starting like the prefix,
    // including the line that goes on into the next window.
    std::mt19937 random(5);
    for (size_t length : {63u, 64u, 65u, 128u, 700u, 4099u}) {
        for (int round = 0; round < 20; ++round) {
            std::string bytes(length, 'a');
            for (char& c : bytes) c = ":\na"[random() % 3];
            expectSameIndex(bytes, round % 3, bits, true);
        }
    }
}

TEST(TextBlockLinesTest, TablesUsingTheLowByteFallBackToScalar) {
    std::mt19937 random(7);
    std::array<uint32_t, 256> bits = randomOneHotBits(random);
    bits['e'] |= 0x04;
    EXPECT_FALSE(vectorLineIndexUsable(bits.data()));
    for (size_t length : {0u, 1u, 64u, 65u, 199u}) {
        expectSameIndex(randomBytes(random, length), 1, bits.data(), true);
    }
}

}  // namespace
}  // namespace tessel
