#include <gtest/gtest.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
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

std::vector<std::string> linesOf(const TextBlock& block) {
    std::vector<std::string> lines;
    for (int i = 0; i < block.lineCount; ++i) lines.emplace_back(block.line(i));
    return lines;
}

class TextBlockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        setTraceMode(false);
        store.takePrefixFromHeader(kMemoryHeaderLine);
    }
    void TearDown() override {
        textOptions() = TextOptions{};
        setTraceMode(false);
    }

    // A closed block in the store filled in line mode, as a stream load fills it.
    TextBlock& streamBlock(std::initializer_list<const char*> lines) {
        TextBlock* block = store.appendBlock();
        EXPECT_EQ(block->openForAdd(), 0);
        for (const char* line : lines) EXPECT_EQ(block->addText(line, true), 0);
        EXPECT_EQ(block->close(), 0);
        store.renumber();
        return *block;
    }

    TextStore store;
};

TEST_F(TextBlockTest, OperationsInTheWrongStateAreRefused) {
    LogCapture log;
    TextBlock block(&store);
    EXPECT_EQ(block.addText("x", true), 9);
    EXPECT_TRUE(log.contains("add on non-open textblock"));
    EXPECT_EQ(block.close(), 9);
    EXPECT_TRUE(log.contains("close on closed text block"));
    ASSERT_EQ(block.openForAdd(), 0);
    EXPECT_EQ(block.openForAdd(), 9);
    EXPECT_TRUE(log.contains("text block opened twice for adding"));
    block.addText("line", true);
    EXPECT_STREQ(block.line(0), "[null2]");  // lines of an open block are not readable
}

TEST_F(TextBlockTest, LineModeEndsEveryLineWithExactlyOneBlank) {
    for (const char* input : {"abc", "abc\n", "abc \n", "abc "}) {
        TextBlock& block = streamBlock({input, ""});
        EXPECT_EQ(linesOf(block), (std::vector<std::string>{"abc ", " "})) << input;
    }
    TextBlock raw(&store);
    raw.openForAdd();
    raw.addText("abc", false);
    raw.addText("def\n", false);
    raw.addText("", false);
    raw.close();
    EXPECT_EQ(linesOf(raw), (std::vector<std::string>{"abc", "def", ""}));
}

TEST_F(TextBlockTest, GrowsWithoutLosingLinesAndReopensForMore) {
    TextBlock block(&store);
    block.openForAdd();
    for (int i = 0; i < 20000; ++i) block.addText(std::to_string(i).c_str(), true);
    ASSERT_EQ(block.close(), 0);
    EXPECT_EQ(block.allocatedBytes, block.usedBytes + 10);
    ASSERT_EQ(block.openForAdd(), 0);
    block.addText("tail", true);
    ASSERT_EQ(block.close(), 0);
    ASSERT_EQ(block.lineCount, 20001);
    for (int i = 0; i < 20000; i += 997) EXPECT_EQ(block.line(i), std::to_string(i) + " ");
    EXPECT_STREQ(block.line(20000), "tail ");
}

TEST_F(TextBlockTest, LoadFileReadsTheBlockForm) {
    TempDir dir;
    TextBlock block(&store);
    std::string crlf = dir.write("crlf.txt", "one\r\ntwo\r\nlast");
    ASSERT_EQ(block.loadFile(crlf.c_str()), LoadFileResult::kLoaded);
    EXPECT_EQ(linesOf(block),
              (std::vector<std::string>{"", ":file:", crlf, "one ", "two ", "last"}));
    EXPECT_EQ(block.fileSize, 14);
    EXPECT_EQ(block.headerLine(), 1);
    EXPECT_EQ(block.nameLine(), 2);

    std::string empty = dir.write("empty.txt", "");
    ASSERT_EQ(block.loadFile(empty.c_str()), LoadFileResult::kLoaded);
    EXPECT_EQ(linesOf(block), (std::vector<std::string>{"", ":file:", empty}));

    std::string newlines = dir.write("nl.txt", "\n\n\n");
    ASSERT_EQ(block.loadFile(newlines.c_str()), LoadFileResult::kLoaded);
    EXPECT_EQ(block.lineCount, 6);

    LogCapture log;
    ASSERT_EQ(block.loadFile(block.fileName),
              LoadFileResult::kLoaded);  // reloading under its own name
    EXPECT_TRUE(log.contains("own fname passed"));
    EXPECT_EQ(block.lineCount, 6);
}

TEST_F(TextBlockTest, LoadFileFailuresGiveTheirCodes) {
    TempDir dir;
    TextBlock block(&store);
    LogCapture log;
    std::string missing = dir.path() + "/none.txt";
    EXPECT_EQ(block.loadFile(missing.c_str()), LoadFileResult::kMissing);
    EXPECT_TRUE(log.contains("no such file: " + missing));

    std::string big = dir.write("big.txt", std::string(100, 'x'));
    log.clear();
    EXPECT_EQ(block.loadFile(big.c_str(), 99), LoadFileResult::kOverSizeLimit);
    EXPECT_TRUE(log.messages().empty());

    // A folder (or a pipe) is never read: it would fail or block the load.
    EXPECT_EQ(block.loadFile(dir.path().c_str()), LoadFileResult::kUnreadable);
    EXPECT_TRUE(log.contains("cannot read: " + dir.path()));

    std::string longName =
        std::string(200, 'd') + "/" + std::string(200, 'e') + "/" + std::string(250, 'f');
    std::string longPath = dir.write(longName, "own line\n");
    ASSERT_EQ(block.loadFile(longPath.c_str()), LoadFileResult::kLoaded);
    EXPECT_STREQ(block.line(3), "own line");  // the cut header still ends its line

    std::string snap = dir.write("a.snap", ":snapfile zuk,1.0.7,lprefix=:file:\n:file:\nx\n");
    textOptions().fastLoad = true;
    EXPECT_EQ(block.loadFile(snap.c_str()), LoadFileResult::kLoaded);
    EXPECT_TRUE(log.contains("[note] snapfile loaded incorrectly due to fastload:"));
    EXPECT_TRUE(log.contains("[note] disable fastload to enable correct load."));
}

TEST_F(TextBlockTest, Utf8TextIsTaggedAndDecodedInPlace) {
    TextBlock& good =
        streamBlock({":file:\n", "name.txt\n", "plain\n", "ascii\n", "caf\xC3\xA9\n"});
    EXPECT_EQ(std::string(good.line(0), 22), ":file: [utf8 nobom@3] ");
    EXPECT_STREQ(good.line(4), "caf\xE9 ");
    EXPECT_EQ(good.usedBytes, static_cast<int64_t>(81 + 10 + 7 + 7 + 6));

    TextBlock& mixed =
        streamBlock({":file:\n", "name.txt\n", "plain\n", "bad \xE9 x\n", "caf\xC3\xA9\n"});
    EXPECT_EQ(std::string(mixed.line(0), 19), ":file: [iso/any@2] ");
    EXPECT_STREQ(mixed.line(4), "caf\xC3\xA9 ");  // invalid bytes switch decoding off

    TextBlock& bom = streamBlock(
        {":file:\n", "name.txt\n", "\xEF\xBB\xBFhello world\n", "x\n", "\xC3\xBC ber\n"});
    EXPECT_EQ(std::string(bom.line(0), 16), ":file: [utf8@3] ");
    EXPECT_STREQ(bom.line(2), "hello world ");

    textOptions().utf8Decode = false;
    TextBlock& off = streamBlock({":file:\n", "name.txt\n", "caf\xC3\xA9\n"});
    EXPECT_STREQ(off.line(0), ":file: ");
    EXPECT_STREQ(off.line(2), "caf\xC3\xA9 ");
}

TEST_F(TextBlockTest, ColourTextSkipsAndTranslatesColourLines) {
    TextBlock& block = streamBlock({"<interleaved-attributes-text version=\"1.0\" prefix=\"\">",
                                    ":file:\n", "n\n", "ab\n", "rg\n", "cd\n", "RC\n"});
    EXPECT_EQ(block.lineCount, 5);
    const char* text = block.line(2);
    EXPECT_STREQ(text, "ab ");
    EXPECT_STREQ(text + std::strlen(text) + 1, "01 ");
    text = block.line(3);
    EXPECT_STREQ(text, "cd ");
    EXPECT_STREQ(text + std::strlen(text) + 1, "6a ");
    EXPECT_STREQ(block.reloadKind(), "interleaved color text");
    EXPECT_FALSE(block.canWrap());
}

TEST_F(TextBlockTest, RingSlotsMapBothWays) {
    constexpr int kSlots = 4, kSlotBytes = 32, kLines = kSlots + 3;
    TextBlock ring(&store);
    char* buffer = static_cast<char*>(std::calloc(kLines, kSlotBytes));
    ring.text = buffer;
    ring.usedBytes = kLines * kSlotBytes;
    ring.ring = true;
    ring.lineCount = kLines;
    ASSERT_TRUE(ring.lineArrays.allocate(kSlots + 13));
    ring.lineArrays.clearFrom(0);
    ring.firstLine = 100;
    for (int i = 0; i < kLines; ++i) {
        ring.lineArrays.starts[i] = static_cast<uint32_t>(i * kSlotBytes);
        std::snprintf(buffer + i * kSlotBytes, kSlotBytes, "p%d", i);
    }
    ring.ringHead = 2;
    ring.ringFill = 2;  // not full yet: slots are in order
    for (int i = 0; i < kLines; ++i) EXPECT_EQ(ring.physicalIndex(i), i);
    EXPECT_EQ(ring.lineOfAddress(buffer + 3 * kSlotBytes), 103);

    ring.ringHead = 1;
    ring.ringFill = kSlots;  // full: the slot at the head is the oldest
    EXPECT_EQ(linesOf(ring), (std::vector<std::string>{"p0", "p1", "p3", "p4", "p5", "p2", "p6"}));
    for (int i = 0; i < kLines; ++i) {
        EXPECT_EQ(ring.logicalIndex(ring.physicalIndex(i)), i);
        EXPECT_EQ(ring.lineOfAddress(ring.line(i)), 100 + i);
    }
    ring.setName("// netlog.nlog");
    EXPECT_FALSE(ring.canWrap());
    std::free(buffer);  // the receiver's buffer
}

TEST_F(TextBlockTest, WrapAndUnwrapGiveBackTheOriginalText) {
    TextBlock& block = streamBlock({":file:\n", "a/long/name/of/a/file.txt\n",
                                    "the quick brown fox jumps over the lazy dog\n", "\n",
                                    "a supercalifragilistic b\n"});
    std::vector<std::string> original = linesOf(block);
    block.wrapWidth = 12;
    ASSERT_EQ(block.wrap(0), 0);
    std::vector<std::string> expected = {
        "the quick", "brown fox", "jumps over",           "the lazy", "dog ",
        " ",         "a",         "supercalifragilistic", "b "};
    expected.insert(expected.begin(), original.begin(), original.begin() + 2);
    EXPECT_EQ(linesOf(block), expected);
    EXPECT_STREQ(block.kindName(50), "wrapped text");

    block.wrapWidth = 30;  // wrapping again starts from the kept original
    ASSERT_EQ(block.wrap(4), 0);
    EXPECT_EQ(std::string(block.line(2)), "the quick brown fox jumps");
    block.wrapWidth = 0;
    ASSERT_EQ(block.wrap(4), 0);
    EXPECT_EQ(linesOf(block), original);
    EXPECT_EQ(block.shadow, nullptr);

    LogCapture log;
    EXPECT_EQ(block.wrap(4), 9);
    EXPECT_TRUE(log.contains("int. #211231952"));
}

TEST_F(TextBlockTest, StreamWrapJoinsParagraphLines) {
    TextBlock& block = streamBlock({":file:\n", "n.txt\n", "aa\n", "bb\n", "\n", "cc\n"});
    block.wrapWidth = 200;
    block.rewrapped = true;
    ASSERT_EQ(block.wrap(4), 0);
    std::vector<std::string> lines = linesOf(block);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"n.txt ", "aa  bb ", " ", "cc "}));
}

TEST_F(TextBlockTest, WrappingNeverDecodesUtf8Twice) {
    // U+00C3 U+00A9 decode to the bytes C3 A9, which themselves look like UTF-8.
    TextBlock& block = streamBlock({":file:\n", "n.txt\n", "caf\xC3\x83\xC2\xA9\n"});
    ASSERT_STREQ(block.line(2), "caf\xC3\xA9 ");
    block.wrapWidth = 40;
    ASSERT_EQ(block.wrap(4), 0);
    block.wrapWidth = 0;
    ASSERT_EQ(block.wrap(4), 0);
    EXPECT_STREQ(block.line(2), "caf\xC3\xA9 ");
}

struct ProbeData : EditDataBase {
    explicit ProbeData(bool* gone) : destroyed(gone) {}
    ~ProbeData() override { *destroyed = true; }
    bool* destroyed;
};

TEST_F(TextBlockTest, EditDataLinkCountsLocks) {
    TextBlock& block = streamBlock({":file:\n", "n.txt\n"});
    TextBlock& other = streamBlock({":file:\n", "m.txt\n"});
    LogCapture log;
    bool gone = false;
    auto* data = new ProbeData(&gone);
    ASSERT_EQ(block.attachEditData(data), 0);
    EXPECT_STREQ(block.reloadKind(), "text opened by editor(s)");
    EXPECT_EQ(other.detachEditData(data), 9);
    EXPECT_TRUE(log.contains("int. #215301148"));
    ++data->lockCount;  // an editor still holds it
    EXPECT_EQ(block.detachEditData(data), 0);
    EXPECT_TRUE(log.contains("int. #215301150 2"));
    EXPECT_FALSE(gone);
    ASSERT_EQ(block.attachEditData(data), 0);
    EXPECT_EQ(data->lockCount, 2);
    --data->lockCount;
    ASSERT_EQ(block.detachEditData(data), 0);
    EXPECT_TRUE(gone);
}

TEST_F(TextBlockTest, KindsAreCheckedInOrder) {
    TextBlock& block = streamBlock({":file:\n", "n.txt\n", "x\n"});
    EXPECT_EQ(block.kindName(50), nullptr);
    block.clipText = block.rewrapped = true;
    EXPECT_STREQ(block.kindName(50), "clipboard text");
    block.helpText = true;
    EXPECT_STREQ(block.kindName(50), "internal help text");
    block.openForAdd();
    EXPECT_STREQ(block.kindName(50), "text in loading state");
    EXPECT_STREQ(block.reloadKind(), "text in loading state");
    block.reset(1);
    EXPECT_STREQ(block.kindName(50), "text with missing data");
}

TEST_F(TextBlockTest, LookupMissesGiveMarkersAndSpareCells) {
    TextBlock& block = streamBlock({":file:\n", "n.txt\n"});
    uint32_t mask = 9;
    EXPECT_STREQ(block.line(2), "[null2]");
    EXPECT_STREQ(block.lineAndMask(-1, &mask), "[null9]");
    EXPECT_EQ(mask, 0u);
    block.lineMaskRef(5) = 3;  // writable, and clean again for the next miss
    EXPECT_EQ(block.lineMaskRef(5), 0u);
    EXPECT_EQ(block.lineOfAddress(block.line(1)), block.firstLine + 1);
    EXPECT_EQ(block.lineOfAddress(block.line(1) + 1), -1);
    EXPECT_EQ(block.lineOfAddress(block.text + block.usedBytes), -1);
}

TEST_F(TextBlockTest, ChangeCheckAgainstTheDisk) {
    TempDir dir;
    std::string path = dir.write("watch.txt", "12345");
    TextBlock block(&store);
    int code = 0;
    EXPECT_EQ(block.checkChanged(&code), 0);
    EXPECT_EQ(code, 1);
    ASSERT_EQ(block.loadFile(path.c_str()), LoadFileResult::kLoaded);
    EXPECT_EQ(block.checkChanged(&code), 0);
    EXPECT_EQ(code, 6);
    dir.write("watch.txt", "1234567");
    utimbuf same{block.fileTime, block.fileTime};
    ASSERT_EQ(utime(path.c_str(), &same), 0);
    EXPECT_EQ(block.checkChanged(&code), 1);
    EXPECT_EQ(code, 5);
    utimbuf later{block.fileTime + 100, block.fileTime + 100};
    ASSERT_EQ(utime(path.c_str(), &later), 0);
    EXPECT_EQ(block.checkChanged(&code), 1);
    EXPECT_EQ(code, 4);
    std::filesystem::remove(path);  // a deleted file stays as loaded
    EXPECT_EQ(block.checkChanged(&code), 0);
    EXPECT_EQ(code, 4);
}

TEST_F(TextBlockTest, ResetLevelsKeepWhatTheyPromise) {
    TempDir dir;
    std::string path = dir.write("r.txt", "abc");
    TextBlock block(&store);
    ASSERT_EQ(block.loadFile(path.c_str()), LoadFileResult::kLoaded);
    bool gone = false;
    block.attachEditData(new ProbeData(&gone));
    block.wrapWidth = 7;
    block.reset(2);
    EXPECT_EQ(block.lineCount, 0);
    EXPECT_EQ(block.fileSize, 3);
    block.reset(1);
    EXPECT_EQ(block.fileSize, 0);
    EXPECT_EQ(block.wrapWidth, 7);
    EXPECT_NE(block.editData, nullptr);
    block.reset(0);
    EXPECT_EQ(block.fileName, nullptr);
    EXPECT_EQ(block.wrapWidth, -1);
    EXPECT_TRUE(gone);  // the block's own lock was the last one
}

}  // namespace
}  // namespace tessel
