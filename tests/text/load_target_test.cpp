#include "text/load_target.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "text/line_reader.h"
#include "text/text_store.h"

namespace tessel {
namespace {

using Lines = std::vector<std::string>;

struct AdapterFixture : ::testing::Test {
    AdapterFixture() {
        textOptions().utf8Decode = false;  // keeps header lines at their written width
        target.store = &store;
    }
    ~AdapterFixture() override { textOptions().utf8Decode = saved; }
    void write(const Lines& lines, bool needsNewline = false) {
        for (const std::string& line : lines)
            ASSERT_EQ(target.writeLine(line.c_str(), line.size(), needsNewline), 0);
    }
    Lines stored() {
        Lines lines;
        for (int i = 0; i < store.lineCount(); ++i) lines.emplace_back(store.lineText(i));
        return lines;
    }
    bool saved = textOptions().utf8Decode;
    TextStore store;
    LoadTarget target;
};

TEST_F(AdapterFixture, FolderRecordsBecomeBlocksBehindTheMemoryHeader) {
    testing::TempDir dir;
    target.headerState = kHeaderIntroduce;
    LineReader reader;
    LineOutput output = [&](const char* line, size_t length, bool needsNewline) {
        return target.writeLine(line, length, needsNewline);
    };
    ASSERT_EQ(reader.readFile(dir.write("a.txt", "alpha\r\n:file: in\n").c_str(), "a.txt", output),
              0);
    ASSERT_EQ(reader.readFile(dir.write("b.txt", "beta").c_str(), "b.txt", output), 0);
    ASSERT_EQ(store.finish(), 0);
    ASSERT_EQ(store.blockCount, 3);
    EXPECT_EQ(store.blockAt(0)->lineCount, 1);
    EXPECT_EQ(stored()[0], std::string(kMemoryHeaderLine) + " ");
    EXPECT_STREQ(store.blockAt(1)->fileName, "a.txt");
    EXPECT_STREQ(store.blockAt(1)->line(2), "alpha ");
    EXPECT_STREQ(store.blockAt(1)->line(3), "':file: in ");
    EXPECT_STREQ(store.blockAt(2)->fileName, "b.txt");
    EXPECT_EQ(store.blockAt(2)->fileSize, 4) << "read from the header attributes";
    EXPECT_GT(store.blockAt(2)->fileTime, 0);
}

TEST_F(AdapterFixture, OwnSnapfileHeaderIsKeptWithItsPrefix) {
    target.headerState = kHeaderIntroduce;
    write({":snapfile zuk,1.0.7,prefix=:f:\n", ":f:x.txt\n", "body\n", "\n"});
    ASSERT_EQ(store.finish(), 0);
    EXPECT_EQ(stored()[0], ":snapfile zuk,1.0.7,prefix=:f: ");
    EXPECT_EQ(std::string(store.recordPrefix), ":f:") << "the line's blank is no part of it";
    EXPECT_STREQ(store.blockAt(1)->fileName, "x.txt");
}

TEST_F(AdapterFixture, AppendedSnapfileLosesHeaderAndBlankLines) {
    target.headerState = kHeaderIntroduce;
    write({":file:\n", "first\n"});
    target.headerState = kHeaderAppend;
    write({":snapfile zuk,1.0.7,lprefix=:file:\n", "\n", " \t\n"});
    write({"\x01"}, true);
    EXPECT_EQ(target.headerState, kHeaderSkipBlank);
    write({":file:\n", "second\n", "\n"});
    ASSERT_EQ(store.finish(), 0);
    EXPECT_EQ(store.blockCount, 3);
    EXPECT_STREQ(store.blockAt(2)->fileName, "second");
    EXPECT_EQ(stored().back(), " ") << "blank lines count again after the first text";

    target.headerState = kHeaderAppend;
    write({"plain\n"});
    EXPECT_EQ(target.headerState, kHeaderPassAll);
}

TEST_F(AdapterFixture, EveryLineEndsInOneBlank) {
    write({"cr\r", "crlf\r\n", std::string(5000, 'x') + "\n"});
    write({"flag", "nl\n", ""}, true);
    ASSERT_EQ(store.finish(), 0);
    EXPECT_EQ(stored(), (Lines{"cr ", "crlf ", std::string(5000, 'x') + " ", "flag ", "nl ", " "}))
        << "a long line is stored whole";
}

TEST(LoadTarget, SingleBlockOrNothing) {
    testing::LogCapture log;
    LoadTarget none;
    EXPECT_EQ(none.writeLine("x", 1, true), 9);
    EXPECT_TRUE(log.contains("missing load target"));

    TextStore store;
    TextBlock block(&store);
    ASSERT_EQ(block.openForAdd(), 0);
    LoadTarget target;
    target.block = &block;
    LoadShow show;
    target.show = &show;
    int pumped = 0;
    target.pump = [&] { ++pumped; };
    EXPECT_EQ(target.writeLine("one\r\n", 5, false), 0);
    EXPECT_EQ(target.writeLine("two", 3, true), 0);
    ASSERT_EQ(block.close(), 0);
    EXPECT_STREQ(block.line(0), "one ");
    EXPECT_STREQ(block.line(1), "two ");
    EXPECT_EQ(show.text(), "one two ");
    EXPECT_EQ(pumped, 2);
}

TEST(LoadShow, FlowsTextIntoOneBoundedParagraph) {
    LoadShow show;
    show.skipPieces = 1;
    show.add("skipped\n", 8);
    show.add("\n  a\tb\r\n", 8);
    show.add(
        "c\x01\x7f"
        "d\n",
        5);
    EXPECT_EQ(show.text(), "a b cd ");

    std::string piece(999, 'z');
    for (int i = 0; i < 150; ++i) show.add(piece.data(), piece.size());
    EXPECT_EQ(show.text().size(), kLoadShowBytes);
}

}  // namespace
}  // namespace tessel
