// A block built from a whole file must equal, byte for byte, the block the line reader and
// the load target make of the same file: the text, every line start and mask, the UTF-8 state
// and the numbers a closed block keeps. The files gather what the line cutter treats
// specially, at the places where a cut goes wrong most easily.
#include "text/line_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "text/file_classify.h"
#include "text/load_target.h"
#include "text/text_store.h"

namespace tessel {
namespace {

using testing::TempDir;

struct BlockImage {
    std::string text;
    int64_t allocatedBytes = 0;
    std::vector<uint32_t> starts;
    std::vector<uint32_t> masks;
    int capacity = 0;
    uint32_t encodingFlags = 0;
    int firstUtf8Line = 0;
    int firstInvalidLine = 0;
    std::string name;
    int64_t fileTime = 0;
    int64_t fileSize = 0;
    bool operator==(const BlockImage&) const = default;
};

BlockImage imageOf(const TextBlock& block) {
    BlockImage image;
    if (block.text) image.text.assign(block.text, static_cast<size_t>(block.usedBytes));
    image.allocatedBytes = block.allocatedBytes;
    image.starts.assign(block.lineArrays.starts, block.lineArrays.starts + block.lineCount);
    image.masks.assign(block.lineArrays.masks, block.lineArrays.masks + block.lineCount);
    image.capacity = block.lineArrays.capacity;
    image.encodingFlags = block.encodingFlags;
    image.firstUtf8Line = block.firstUtf8Line;
    image.firstInvalidLine = block.firstInvalidLine;
    image.name = block.fileName ? block.fileName : "";
    image.fileTime = block.fileTime;
    image.fileSize = block.fileSize;
    return image;
}

std::vector<std::pair<std::string, std::string>> plainFiles() {
    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back("empty.txt", "");
    files.emplace_back("newlines.txt", "\n\n\n");
    files.emplace_back("returns.txt", "\r");
    files.emplace_back("crlf.txt", "one\r\ntwo\r\n\r\nthree\r\r\n\rfour\r");
    files.emplace_back("no-end.txt", "last line without newline");
    files.emplace_back("blanks.txt", "ends in blanks  \n \n\t\nx");
    files.emplace_back("specials.txt",
                       std::string(kClassifyBytes + 5, 'a') + std::string("\0b\x1a\n\0\n\x1a", 7));
    files.emplace_back("headers.txt",
                       ":file: looks like a record\n:file:\n:snapfile zuk,1.0.7,lprefix=:file:\n"
                       ":cluster zuk,x\n:fil\n:fi\rle: a return inside\n'quoted\n:file");
    std::string edges;
    for (size_t length : {15, 16, 17, 4085, 4086, 4087, 8172, 8173, 25000})
        edges += std::string(length, 'x') + "\n";
    edges += std::string(4086, 'y') + "\r\n" + std::string(4086, 'z') + "\r\r\r\nend\n";
    edges += std::string(4086, 'w') + ":file: split here\n";
    edges += ":file:" + std::string(5000, 'h') + "\n";
    edges += std::string(4086, 'v') + "\0tail";
    files.emplace_back("edges.txt", edges);
    files.emplace_back("utf8.txt",
                       "plain\n\xef\xbb\xbf"
                       "bom line\ngr\xc3\xbc\xc3\x9f"
                       "e \xe2\x82\xac\n");
    files.emplace_back("invalid.txt", "ok\nbad \xc3 byte\n\xe4\xfc\nlast \xc3");
    files.emplace_back("short-utf8.txt", "ab\n\xc3\xa9\nplain\n");
    files.emplace_back("short-invalid.txt", "ab\n\xe9\n\xc3\xa9\n");
    files.emplace_back("late-utf8.txt", std::string(100, 'a') + "\n" + std::string(40, 'b') +
                                            "\xc3\xa9\n" + std::string(3000, 'c') + "\n");
    std::string mixed;
    uint32_t state = 7;
    static const char kBytes[] = "ab :f\t\r\n\xe4\xc3\xa9\x1a";
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        mixed += kBytes[(state >> 8) % (sizeof kBytes - 1)];
    }
    files.emplace_back("mixed.txt", std::string(100, 'm') + mixed);
    // Mostly ordinary lines, which are cut a window of many bytes at a time, with now and then
    // one that is not: a header-like or colour-like start, a return, a NUL, a high byte. They
    // fall on every offset within a window over the length of the file.
    std::string lines;
    static const char* const kOdd[] = {":file: x", ":snapfile zuk,1",    "<interleaved", "a\rb",
                                       "nul\0x",   "gr\xc3\xbc\xc3\x9f", "\xe4 high",    "<p>",
                                       ":"};
    for (int i = 0; i < 30000; ++i) {
        state = state * 1103515245u + 12345u;
        const uint32_t pick = (state >> 8) % 1000;
        if (pick < 25) {
            lines += kOdd[pick % (sizeof kOdd / sizeof kOdd[0])];
        } else {
            lines.append((state >> 12) % 150, static_cast<char>('a' + pick % 26));
        }
        if (pick != 999) lines += '\n';
    }
    files.emplace_back("lines.txt", lines);
    files.emplace_back("windows.txt", std::string(63, 'a') + "\n" + std::string(64, 'b') + "\n" +
                                          std::string(128, 'c') + "\n\n" + std::string(190, 'd'));
    return files;
}

class LineRecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        store.takePrefixFromHeader(kMemoryHeaderLine);
    }
    void TearDown() override { textOptions() = TextOptions{}; }

    // The block the line reader makes: the reference.
    BlockImage readByLines(const std::string& path, const LineReaderOptions& options) {
        TextBlock block(&store);
        EXPECT_EQ(block.openForAdd(), 0);
        LoadTarget target;
        target.block = &block;
        LineReader reader;
        reader.options = options;
        EXPECT_EQ(reader.readFile(path.c_str(), path.c_str(),
                                  [&target](const char* line, size_t length, bool newline) {
                                      return target.writeLine(line, length, newline);
                                  }),
                  0);
        EXPECT_EQ(block.close(&store.textPool), 0);
        counts = reader.counts;
        return imageOf(block);
    }

    int build(TextBlock& block, const std::string& path, const LineReaderOptions& options,
              TextPool* pool) {
        LineRecordFile file{path.c_str(), path.c_str()};
        built = LineReaderCounts{};
        return buildLineRecord(block, file, options, pool, built);
    }

    TextStore store;
    TempDir dir;
    LineReaderCounts counts;
    LineReaderCounts built;
};

TEST_F(LineRecordTest, BuiltBlocksEqualTheLineReadersInEveryMode) {
    for (bool decode : {true, false}) {
        textOptions().utf8Decode = decode;
        for (bool pooled : {true, false}) {
            for (const auto& [name, bytes] : plainFiles()) {
                std::string path = dir.write(name, bytes);
                SCOPED_TRACE(name + (decode ? " decoded" : " raw") + (pooled ? " pooled" : ""));
                LineReaderOptions options;
                BlockImage expected = readByLines(path, options);
                TextBlock block(&store);
                ASSERT_EQ(build(block, path, options, pooled ? &store.textPool : nullptr), 0);
                EXPECT_EQ(block.textMemory, pooled ? TextMemory::kPool : TextMemory::kHeap);
                EXPECT_FALSE(block.openForAdding);
                EXPECT_TRUE(imageOf(block) == expected);
                EXPECT_EQ(imageOf(block).text, expected.text);
                EXPECT_EQ(built.files, counts.files);
                EXPECT_EQ(built.lines, counts.lines);
                EXPECT_EQ(built.bytes, counts.bytes);
            }
        }
    }
}

// Appending to a store loaded from a snapfile keeps that snapfile's record prefix: lines that
// start with it are escaped instead of those that start with ":file:".
TEST_F(LineRecordTest, AnotherRecordPrefixEscapesItsOwnLines) {
    store.takePrefixFromHeader(":snapfile zuk,1.0.7,lprefix=#rec#");
    LineReaderOptions options;
    options.recordPrefix = "#rec#";
    std::string path = dir.write("prefix.txt", "#rec# escaped\n:file: kept\n#re\n");
    BlockImage expected = readByLines(path, options);
    TextBlock block(&store);
    ASSERT_EQ(build(block, path, options, &store.textPool), 0);
    EXPECT_TRUE(imageOf(block) == expected);
    EXPECT_NE(expected.text.find("'#rec# escaped"), std::string::npos);
    EXPECT_NE(expected.text.find(std::string("\0:file: kept", 12)), std::string::npos);
}

// What the builder does not make itself goes back untouched and unreported: files that are
// not plain text to the collector, plain files with a colour text line to the line reader.
TEST_F(LineRecordTest, FilesItCannotBuildGoBackWithoutAMessage) {
    testing::LogCapture log;
    LineReaderOptions options;
    struct Case {
        const char* name;
        std::string bytes;
        int result;
    };
    std::string binary = std::string("head") + '\0' + "tail\n";
    std::vector<Case> cases = {
        {"binary.bin", binary, kNotPlainText},
        {"wide.txt", std::string("\xff\xfeh\0i\0\n\0", 8), kNotPlainText},
        {"inner.snap", std::string(kMemoryHeaderLine) + "\n:file:\nx\n", kNotPlainText},
        {"colour.txt", std::string("text\n") + kColourTextMagic + "\nmore\n", kUseLineReader},
    };
    TextPool& pool = store.textPool;
    for (const Case& c : cases) {
        std::string path = dir.write(c.name, c.bytes);
        char* next = pool.take(16);
        pool.shrinkLast(next, 16, 0);
        TextBlock block(&store);
        EXPECT_EQ(build(block, path, options, &pool), c.result) << c.name;
        EXPECT_EQ(block.text, nullptr) << c.name;
        EXPECT_EQ(block.lineCount, 0) << c.name;
        EXPECT_FALSE(block.openForAdding) << c.name;
        EXPECT_EQ(built.files, 0u) << c.name;
        // The slice taken for the file went back to the pool whole.
        EXPECT_EQ(pool.take(16), next) << c.name;
        pool.shrinkLast(next, 16, 0);
    }
    TextBlock block(&store);
    EXPECT_EQ(build(block, dir.path() + "/missing.txt", options, &store.textPool), kNotPlainText);
    EXPECT_EQ(build(block, dir.path(), options, &store.textPool), kNotPlainText);
    EXPECT_TRUE(log.messages().empty());
}

}  // namespace
}  // namespace tessel
