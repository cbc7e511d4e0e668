#include "text/text_store.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "base/log/message_log.h"

namespace tessel {
namespace {

using testing::LogCapture;
using testing::TempDir;

class TextStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        setTraceMode(false);
    }
    void TearDown() override { textOptions() = TextOptions{}; }

    void feed(std::initializer_list<const char*> lines) {
        for (const char* line : lines) ASSERT_EQ(store.addLine(line, true), 0) << line;
    }
    // The in-memory header followed by one record per name, each with two text lines.
    void feedRecords(int count) {
        feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
        for (int i = 0; i < count; ++i) {
            std::string name = "dir/file" + std::to_string(i) + ".txt\n";
            feed({":file:\n", name.c_str(), "alpha\n", "beta\n", "\n"});
        }
    }

    TextStore store;
};

TEST_F(TextStoreTest, EmptyStoreAnswersWithMarkersAndStaysSilent) {
    LogCapture log;
    EXPECT_EQ(store.lineCount(), 0);
    EXPECT_STREQ(store.lineText(0), "[null3]");
    uint32_t mask = 5;
    EXPECT_STREQ(store.lineTextAndMask(0, &mask), "[null4]");
    EXPECT_EQ(mask, 0u);
    store.lineMask(3) = 77;  // the spare cell takes writes and is cleared for the next miss
    EXPECT_EQ(store.lineMask(3), 0u);
    int index = 0;
    EXPECT_EQ(store.blockForLine(0, nullptr, &index, 7), &store.emptyBlock);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(store.blockAt(0), &store.emptyBlock);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(store.closeLast(), 9);
    EXPECT_TRUE(log.contains("int. #21990637"));
}

TEST_F(TextStoreTest, FinishFeedsTheIntroText) {
    ASSERT_EQ(store.finish(), 0);
    ASSERT_EQ(store.blockCount, 2);
    EXPECT_TRUE(store.snapfile);
    EXPECT_STREQ(store.recordPrefix, ":file:");
    EXPECT_EQ(store.lineCount(), 5);
    EXPECT_EQ(std::string(store.lineText(0)), std::string(kMemoryHeaderLine) + " ");
    EXPECT_EQ(std::string(store.lineText(2)), ":file:" + std::string(74, ' '));
    EXPECT_STREQ(store.lineText(3), "// intro ");
    EXPECT_STREQ(store.lineText(4), " ");
    TextBlock* intro = store.blockAt(1);
    EXPECT_STREQ(intro->fileName, "// intro");
    EXPECT_STREQ(intro->kindName(2), "tessel internal text");
    EXPECT_EQ(intro->nameLine(), 3);

    TextStore plain;  // without UTF-8 decoding the header keeps its own width
    textOptions().utf8Decode = false;
    plain.finish();
    EXPECT_STREQ(plain.lineText(2), ":file: ");
}

TEST_F(TextStoreTest, StreamSplitsIntoBlocksAtEachRecordPrefix) {
    feedRecords(3);
    ASSERT_EQ(store.finish(), 0);
    ASSERT_EQ(store.blockCount, 4);
    for (int i = 1; i <= 3; ++i) {
        TextBlock* block = store.blockAt(i);
        EXPECT_EQ(block->fileName, "dir/file" + std::to_string(i - 1) + ".txt");
        EXPECT_EQ(block->firstLine, 1 + (i - 1) * 5);
        EXPECT_EQ(block->nameLine(), block->headerLine() + 1);
        EXPECT_STREQ(store.lineText(block->nameLine() + 2), "beta ");
        EXPECT_EQ(store.blockByName(block->fileName), block);
    }
    EXPECT_EQ(store.blockByName("DIR/file0.txt"), nullptr);
}

TEST_F(TextStoreTest, NamePrefixHeaderPutsTheNameOnThePrefixLine) {
    feed({":snapfile zuk,1.0.7,prefix=:f:\n", ":f:src/a.c\n", "int a;\n", "\n"});
    store.finish();
    TextBlock* block = store.blockAt(1);
    EXPECT_STREQ(block->fileName, "src/a.c");
    EXPECT_EQ(block->nameLine(), block->headerLine());
}

TEST_F(TextStoreTest, HeaderWithoutPrefixKeepsEverythingInOneBlock) {
    feed({":snapfile zuk,1.0.7\n", ":file:\n", "a\n", ":file:\n", "b\n"});
    store.finish();
    EXPECT_EQ(store.blockCount, 1);
    EXPECT_EQ(store.lineCount(), 5);
    // Lines still get their character bits, or search would skip all of them.
    EXPECT_NE(store.lineMask(2) & codePageTables().charBit('a'), 0u);
}

TEST_F(TextStoreTest, LookupsAtTheEdgesAndTheCache) {
    feedRecords(2);
    store.finish();
    int last = store.lineCount() - 1;
    EXPECT_STREQ(store.lineText(last), " ");
    LogCapture log;
    EXPECT_STREQ(store.lineText(last + 1), "[null3]");
    EXPECT_TRUE(log.contains("[note] no text index for line 11"));
    int index = 0;
    EXPECT_EQ(store.blockForLine(99, nullptr, &index, 42), &store.emptyBlock);
    EXPECT_TRUE(log.contains("[note] no text block for line 99 (42)"));

    EXPECT_STREQ(store.lineText(8), "alpha ");
    EXPECT_EQ(store.blockForLine(8, store.blockAt(1), &index), store.blockAt(2));
    EXPECT_EQ(index, 2);

    // A cache that points past the table is reported once and the walk still answers.
    log.clear();
    store.cache = {0, 100, 50};
    EXPECT_STREQ(store.lineText(3), "alpha ");
    store.cache = {0, 100, 50};
    EXPECT_STREQ(store.lineText(4), "beta ");
    int reports = 0;
    for (const std::string& message : log.messages()) {
        reports += message.find("int. #215280721") != std::string::npos;
    }
    EXPECT_EQ(reports, 1);
}

TEST_F(TextStoreTest, RenumberAfterALineCountChangeNeverServesAStaleCache) {
    feedRecords(2);
    store.finish();
    EXPECT_STREQ(store.lineText(8), "alpha ");  // cache now on block 2
    TextBlock* first = store.blockAt(1);
    ASSERT_EQ(first->openForAdd(), 0);
    first->addText("gamma", true);
    ASSERT_EQ(first->close(), 0);
    store.renumber();
    EXPECT_STREQ(store.lineText(8), "dir/file1.txt ");
    EXPECT_EQ(std::string(store.lineText(7)).rfind(":file:", 0), 0u);
    EXPECT_EQ(store.lineCount(), 12);
}

TEST_F(TextStoreTest, RenumberSumsAndStatistics) {
    feedRecords(2);
    store.finish();
    EXPECT_EQ(store.ulin, store.lineCount());
    EXPECT_EQ(store.alin, store.lineCount() + 30);
    LogCapture log;
    store.statistics();
    EXPECT_TRUE(log.contains("atext=0 utext=0 alin=0 ulin=0"));
}

TEST_F(TextStoreTest, BlockTableGrowsKeepingIndices) {
    feedRecords(108);
    ASSERT_EQ(store.blockCount, 109);
    EXPECT_EQ(store.blockCapacity, 112);
    std::vector<TextBlock*> before(store.blocks.get(), store.blocks.get() + store.blockCount);
    feed({":file:\n", "late.txt\n", "x\n"});
    EXPECT_EQ(store.blockCount, 110);
    EXPECT_EQ(store.blockCapacity, 228);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(store.blocks[i], before[i]);
    store.finish();
    EXPECT_STREQ(store.blockAt(109)->fileName, "late.txt");
}

TEST_F(TextStoreTest, AppendBlockAndClearKeepRingBlocks) {
    LogCapture log;
    TextBlock stray(nullptr);
    EXPECT_EQ(store.appendBlock(&stray), nullptr);
    EXPECT_TRUE(log.contains("int. #2129209"));

    store.finish();
    TextBlock ringBlock(nullptr);
    ringBlock.ring = true;
    ASSERT_EQ(store.appendBlock(&ringBlock), &ringBlock);
    EXPECT_EQ(store.appendBlock(&ringBlock), &ringBlock);
    ASSERT_NE(store.appendBlock(), nullptr);

    store.clear();  // the ring stays alive: ASan would flag the access below otherwise
    EXPECT_TRUE(ringBlock.ring);
    EXPECT_EQ(store.blockCount, 0);
    EXPECT_EQ(store.prefixLength, 0);
    EXPECT_EQ(store.appendBlock(&ringBlock), &ringBlock);
    EXPECT_EQ(store.blockAt(0), &ringBlock);
    store.clear();
}

TEST_F(TextStoreTest, BlockForAddressFindsTheBuffer) {
    feedRecords(2);
    store.finish();
    TextBlock* second = store.blockAt(2);
    const char* inside = second->line(3);
    EXPECT_EQ(store.blockForAddress(inside, store.blockAt(1)), second);
    EXPECT_EQ(store.blockForAddress(second->text + second->usedBytes), nullptr);
    store.loadRunning = true;  // the loader thread owns the store meanwhile
    EXPECT_EQ(store.blockForAddress(inside), nullptr);
    EXPECT_EQ(store.blockByName(second->fileName), nullptr);
    store.loadRunning = false;
}

TEST_F(TextStoreTest, HeaderAttributesAreReadBlankedAndSpareTheStat) {
    TempDir dir;
    std::string path = dir.write("real.txt", "twelve bytes");
    feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
    std::string header = ":file:" + std::string(40, ' ') + " mtime=1700000000 size=0x10\n";
    feed({header.c_str(), (path + "\n").c_str(), "text\n", "\n"});
    feed({":file:\n", (path + "\n").c_str(), "text\n", "\n"});
    store.finish();
    TextBlock* carried = store.blockAt(1);
    EXPECT_EQ(carried->fileTime, 1700000000);
    EXPECT_EQ(carried->fileSize, 16);  // the real file has 12 bytes: no stat happened
    EXPECT_EQ(carried->watchedSize, 16);
    EXPECT_EQ(std::string(carried->line(0)).find_first_not_of(' ', 6), std::string::npos);
    EXPECT_EQ(store.blockAt(2)->fileSize, 12);
}

TEST_F(TextStoreTest, FileKindFillsTheLowByteOfEachRecordsMasks) {
    textOptions().fileKind = [](const char* name, const char* firstLine) {
        return std::string(name) == "dir/file1.txt" && std::string(firstLine) == "alpha " ? 7 : 3;
    };
    feedRecords(2);
    store.finish();
    EXPECT_EQ(store.lineMask(0) & 0xFF, 0u);
    EXPECT_EQ(store.lineMask(2) & 0xFF, 3u);
    EXPECT_EQ(store.lineMask(6) & 0xFF, 7u);
    uint32_t mask = 0;
    store.lineTextAndMask(8, &mask);
    EXPECT_EQ(mask, (codePageTables().maskOf("alpha ") & ~0xFFu) | 7u);
}

TEST_F(TextStoreTest, LoadFileBlockAppendsOrReportsTheFailure) {
    TempDir dir;
    std::string path = dir.write("one.txt", "first\r\nsecond");
    feed({kMemoryHeaderLine});
    int lines = 0;
    int64_t used = 0;
    ASSERT_EQ(store.loadFileBlock(path.c_str(), &lines, &used), 0);
    EXPECT_EQ(lines, 5);
    LogCapture log;
    std::string missing = dir.path() + "/missing.txt";
    EXPECT_EQ(store.loadFileBlock(missing.c_str(), &lines, &used), 1);
    EXPECT_TRUE(log.contains("failed to load, rc 1:"));
    EXPECT_TRUE(log.contains(missing));
    store.finish();
    EXPECT_STREQ(store.lineText(4), "first ");
    EXPECT_STREQ(store.blockAt(1)->fileName, path.c_str());
}

}  // namespace
}  // namespace tessel
