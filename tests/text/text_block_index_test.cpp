#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

using testing::LogCapture;
using testing::TempDir;

class TextBlockIndexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        store.takePrefixFromHeader(kMemoryHeaderLine);
    }
    void TearDown() override { textOptions() = TextOptions{}; }

    TextStore store;
};

// Random file contents with what breaks indexers: CR LF and lone CRs, NUL bytes, empty
// lines, lines of 5000 bytes and longer than a scan window, record prefix look-alikes, no
// final newline, and empty files.
std::string randomText(std::mt19937& random) {
    static const std::string kPieces[] = {
        "\r\n",     "\r",   "\n",        "\n\n", std::string(1, '\0'), "word", " *** ",
        ":file:\n", ":fil", "\xE9t\xE9", "\t",   "include ",           ":"};
    std::string text;
    int pieces = static_cast<int>(random() % 200);
    for (int i = 0; i < pieces; ++i) {
        unsigned pick = random() % 16;
        if (pick < 13) {
            text += kPieces[pick];
        } else if (pick == 13) {
            text.append(5000, static_cast<char>('a' + random() % 26));
        } else {
            text.append(random() % 130, 'x');
        }
    }
    return text;
}

// The block as a plain line-by-line reader sees the file: CR becomes a blank, NUL a
// full stop, and each line's mask is the OR of its character bits.
std::vector<std::string> referenceLines(const std::string& path, std::string content) {
    for (char& c : content) {
        if (c == '\r') c = ' ';
        if (c == '\0') c = '.';
    }
    std::string text = "\n:file:\n" + path + "\n" + content;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST_F(TextBlockIndexTest, WholeFileIndexMatchesALineByLineReference) {
    TempDir dir;
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        std::string content = round == 0 ? std::string() : randomText(random);
        std::string path = dir.write("f" + std::to_string(round) + ".txt", content);
        TextBlock block(&store);
        ASSERT_EQ(block.loadFile(path.c_str()), LoadFileResult::kLoaded);
        std::vector<std::string> expected = referenceLines(path, content);
        ASSERT_EQ(block.lineCount, static_cast<int>(expected.size())) << "round " << round;
        for (int i = 0; i < block.lineCount; ++i) {
            uint32_t mask = 0;
            const char* line = block.lineAndMask(i, &mask);
            ASSERT_EQ(std::string(line), expected[i]) << "round " << round << " line " << i;
            ASSERT_EQ(mask, codePageTables().maskOf(expected[i].c_str()))
                << "round " << round << " line " << i;
            ASSERT_EQ(block.lineOfAddress(line), i);
        }
        EXPECT_STREQ(block.line(block.lineCount), "[null2]");
        EXPECT_LE(block.allocatedBytes, block.usedBytes + 64) << "no large spare per file";
    }
}

TEST_F(TextBlockIndexTest, IndexingAgainKeepsLinesAndMasks) {
    // Editing makes the text raw and indexes it again: the second index equals the first.
    TempDir dir;
    std::string path = dir.write("a.txt", "alpha\r\nbeta\n\n" + std::string(300, 'q') + "\nend");
    TextBlock block(&store);
    ASSERT_EQ(block.loadFile(path.c_str()), LoadFileResult::kLoaded);
    std::vector<std::string> before;
    std::vector<uint32_t> masks;
    for (int i = 0; i < block.lineCount; ++i) {
        before.emplace_back(block.line(i));
        masks.push_back(block.lineMaskRef(i));
    }
    ASSERT_EQ(block.openForAdd(), 0);
    ASSERT_EQ(block.close(), 0);
    ASSERT_EQ(block.lineCount, static_cast<int>(before.size()));
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(block.line(static_cast<int>(i)), before[i]);
        EXPECT_EQ(block.lineMaskRef(static_cast<int>(i)), masks[i]);
    }
}

TEST_F(TextBlockIndexTest, CheckSeesTheStartAndMayTurnTheFileAway) {
    TempDir dir;
    std::string big(200000, 'b');
    big[0] = 'S';
    std::string path = dir.write("big.txt", big);
    size_t seen = 0;
    char first = 0;
    LoadCheck accept = [&](const char* start, size_t length) {
        seen = length;
        first = start[0];
        return true;
    };
    TextBlock block(&store);
    ASSERT_EQ(block.loadFile(path.c_str(), 0, &accept), LoadFileResult::kLoaded);
    EXPECT_EQ(first, 'S');
    EXPECT_GT(seen, 0u);
    EXPECT_LT(seen, big.size()) << "the check comes before the whole file is read";
    EXPECT_EQ(std::string(block.line(3)), big);

    LoadCheck refuse = [](const char*, size_t) { return false; };
    EXPECT_EQ(block.loadFile(path.c_str(), 0, &refuse), LoadFileResult::kTurnedAway);
    EXPECT_EQ(block.text, nullptr);
    EXPECT_EQ(block.lineCount, 0);

    std::string empty = dir.write("empty.txt", "");
    seen = 99;
    ASSERT_EQ(block.loadFile(empty.c_str(), 0, &accept), LoadFileResult::kLoaded);
    EXPECT_EQ(seen, 0u) << "an empty file is checked too";

    // The caller of a check reports files it cannot open itself (through the line reader).
    LogCapture log;
    EXPECT_EQ(block.loadFile((dir.path() + "/none.txt").c_str(), 0, &accept),
              LoadFileResult::kMissing);
    EXPECT_EQ(block.loadFile(dir.path().c_str(), 0, &accept), LoadFileResult::kUnreadable);
    EXPECT_TRUE(log.messages().empty());
}

// Opened by its name in an open folder, the file is read from there, while the block keeps
// the path it was given.
TEST_F(TextBlockIndexTest, FileOpenedByItsNameInAFolder) {
    TempDir dir;
    dir.write("sub/one.txt", "first\nsecond\n");
    int folder = ::open((dir.path() + "/sub").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    LoadCheck accept = [](const char*, size_t) { return true; };
    std::string shown = dir.path() + "/sub/one.txt";
    TextBlock block(&store);
    ASSERT_EQ(block.loadFile(shown.c_str(), 0, &accept, nullptr, folder, "one.txt"),
              LoadFileResult::kLoaded);
    EXPECT_STREQ(block.fileName, shown.c_str());
    ASSERT_EQ(block.lineCount, 5);
    EXPECT_STREQ(block.line(3), "first");
    EXPECT_STREQ(block.line(4), "second");
    EXPECT_EQ(block.loadFile(shown.c_str(), 0, &accept, nullptr, folder, "none.txt"),
              LoadFileResult::kMissing);
    ::close(folder);
}

TEST_F(TextBlockIndexTest, TextBeyondThe32BitLineOffsetsIsRefused) {
    char small[8] = "a\nb\n";
    TextBlock block(&store);
    block.text = small;
    block.usedBytes = kMaxBlockBytes + 1;
    LogCapture log;
    EXPECT_EQ(block.indexLines(), 9);
    EXPECT_TRUE(log.contains("[error] text too large for one block"));
    EXPECT_EQ(block.lineCount, 0);
    EXPECT_STREQ(block.line(0), "[null2]");
    block.text = nullptr;
    block.usedBytes = 0;
}

}  // namespace
}  // namespace tessel
