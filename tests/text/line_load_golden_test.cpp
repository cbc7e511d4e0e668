// A line-by-line load of a varied tree must keep producing exactly the same store: the
// loader's fast paths are easy to get subtly wrong at window edges, carriage returns and
// split points. The digests below were taken from a load known to be right; any change of
// a stored byte, a line mask or a block boundary changes them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "text/file_classify.h"
#include "text/line_reader.h"
#include "text/load_target.h"
#include "text/text_store.h"

namespace tessel {
namespace {

// A fixed pseudo-random source, so the tree is the same on every run.
struct Bytes {
    uint32_t state = 12345;
    uint32_t next() {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    }
    // Text with the bytes the line cutter treats specially mixed in now and then.
    std::string text(size_t length, bool specials) {
        static const char kPlain[] = "abc XYZ 019 _-.:;/\t\xe4\xfc\xc3\xa9";
        std::string out;
        for (size_t i = 0; i < length; ++i) {
            uint32_t pick = next() % 200;
            if (specials && pick == 0)
                out += '\r';
            else if (specials && pick == 1)
                out += '\0';
            else if (specials && pick == 2)
                out += '\x1a';
            else if (pick < 12)
                out += '\n';
            else
                out += kPlain[pick % (sizeof kPlain - 1)];
        }
        return out;
    }
};

struct TreeFile {
    std::string name;
    std::string bytes;
    bool named = false;  // named by a file mask: binary text is extracted
};

std::vector<TreeFile> makeTree() {
    Bytes random;
    std::vector<TreeFile> files;
    files.push_back({"empty.txt", ""});
    files.push_back({"crlf.txt", "one\r\ntwo\r\n\r\nthree\r\r\n\rfour\r"});
    files.push_back({"no-end.txt", "last line without newline"});
    // A NUL among the first bytes makes a file binary: later ones become ".".
    std::string lead = random.text(kClassifyBytes + 10, false);
    files.push_back({"nuls.txt", lead + std::string("a\0b\x1a"
                                                    "c\n\0\n\x1a",
                                                    9)});
    files.push_back({"headers.txt",
                     ":file: looks like a record\n:snapfile zuk,1.0.7,lprefix=:file:\n"
                     ":cluster zuk,x\n:fil\n'quoted\n"});
    // Lines around the line buffer's first size, and ones far longer than the read window.
    std::string edges;
    for (size_t length : {4085, 4086, 4087, 8172, 8173, 25000})
        edges += std::string(length, 'x') + "\n";
    edges += std::string(4086, 'y') + "\r\n" + std::string(4086, 'z') + "\r\r\r\nend";
    edges += std::string(":file:") + std::string(5000, 'h') + "\n";
    files.push_back({"edges.txt", edges});
    // Line ends of every kind at many offsets, so some fall on the read window edges.
    std::string windows;
    static const char* const kEnds[] = {"\n", "\r\n", "\r", "\r\r\n"};
    for (size_t i = 0; windows.size() < 3 * kReadWindowBytes; ++i)
        windows += random.text(i % 97, false) + kEnds[i % 4];
    files.push_back({"windows.txt", windows});
    files.push_back({"mixed.txt", lead + random.text(300000, true)});
    files.push_back({"utf8.txt",
                     "plain\n\xef\xbb\xbf"
                     "bom line\ngr\xc3\xbc\xc3\x9f"
                     "e\n"});
    files.push_back({"invalid.txt", "ok\nbad \xc3 byte\n\xe4\xfc\n"});
    files.push_back({"wide.txt", std::string("\xff\xfeh\0i\0\n\0w\0i\0d\0e\0\r\0\n\0", 20)});
    std::string binary;
    for (int i = 0; i < 3000; ++i) binary += static_cast<char>(random.next() % 256);
    binary += "readable text inside\n";
    files.push_back({"data.bin", binary});
    files.push_back({"named.bin", binary, true});
    files.push_back(
        {"inner.snap", std::string(kMemoryHeaderLine) + "\n\n:file:\nin.txt\nsnap line\n"});
    files.push_back({"tail.txt", "after the rest\n"});
    return files;
}

struct Loaded {
    std::string dump;
    int lines = 0;
};

Loaded loadTree(bool utf8Decode, bool nestedSnapfiles) {
    // Header lines show the file time in local time: one zone for every machine.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    bool savedDecode = textOptions().utf8Decode;
    textOptions().utf8Decode = utf8Decode;
    codePageTables().init(1252);
    testing::TempDir dir;
    TextStore store;
    LoadTarget target;
    target.store = &store;
    target.headerState = kHeaderIntroduce;
    LineReader reader;
    reader.options.loadWchar = true;
    reader.options.nestedSnapfiles = nestedSnapfiles;
    LineOutput output = [&](const char* line, size_t length, bool needsNewline) {
        return target.writeLine(line, length, needsNewline);
    };
    for (const TreeFile& file : makeTree()) {
        std::string path = dir.write(file.name, file.bytes);
        // Header lines carry the time: a fixed one keeps the record the same.
        timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        reader.options.explicitlyNamed = file.named;
        std::string name = "tree/" + file.name;
        reader.readFile(path.c_str(), name.c_str(), output);
    }
    EXPECT_EQ(store.finish(), 0);

    Loaded loaded;
    loaded.lines = store.lineCount();
    char number[64];
    for (int b = 0; b < store.blockCount; ++b) {
        TextBlock* block = store.blockAt(b);
        std::snprintf(number, sizeof number, "#block %d lines=%d flags=%u size=%" PRId64 "\n", b,
                      block->lineCount, block->encodingFlags, block->fileSize);
        loaded.dump += number;
    }
    for (int i = 0; i < loaded.lines; ++i) {
        uint32_t mask = 0;
        const char* text = store.lineTextAndMask(i, &mask);
        std::snprintf(number, sizeof number, "%08x|", mask);
        loaded.dump += number;
        loaded.dump += text;
        loaded.dump += '\n';
    }
    textOptions().utf8Decode = savedDecode;
    return loaded;
}

uint64_t digestOf(const std::string& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// On a mismatch the dump is left behind, to be compared with one from the earlier code.
void expectStore(const Loaded& loaded, const char* label, uint64_t digest, int lines,
                 size_t bytes) {
    uint64_t actual = digestOf(loaded.dump);
    EXPECT_EQ(loaded.lines, lines) << label;
    EXPECT_EQ(loaded.dump.size(), bytes) << label;
    EXPECT_EQ(actual, digest) << label;
    if (actual != digest) {
        std::string path = std::string("/tmp/line-load-") + label + ".dump";
        if (FILE* out = std::fopen(path.c_str(), "wb")) {
            std::fwrite(loaded.dump.data(), 1, loaded.dump.size(), out);
            std::fclose(out);
        }
        ADD_FAILURE() << label << ": digest 0x" << std::hex << actual << std::dec << ", "
                      << loaded.lines << " lines, " << loaded.dump.size()
                      << " bytes; dump written to " << path;
    }
}

TEST(LineLoadGolden, VariedTreeStoresTheSameTextAndMasks) {
    expectStore(loadTree(true, false), "decoded", 0x98737e898fe39f15ull, 18799, 625428);
    expectStore(loadTree(false, false), "raw", 0x58e593d3e9795bd6ull, 18799, 625433);
    expectStore(loadTree(true, true), "nested", 0x1fa66d5053528200ull, 18802, 625588);
}

// The line cutter against a plain byte-by-byte cut of the same bytes, for split lengths
// that put the split points and window edges everywhere inside the 16-byte steps.
std::vector<std::string> cutByBytes(const std::string& bytes, size_t maxLength) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (char c : bytes) {
        if (c == '\r') continue;
        if (c != '\n' && line.size() == maxLength) {
            lines.push_back(line);
            line.clear();
        }
        open = true;
        if (c == '\n') {
            lines.push_back(line + '\n');
            line.clear();
            open = false;
            continue;
        }
        line += (c == '\0' || c == 26) ? '.' : c;
    }
    if (open && !line.empty()) lines.push_back(line);
    return lines;
}

TEST(LineLoadGolden, LineCutterMatchesAByteByByteCut) {
    testing::TempDir dir;
    Bytes random;
    std::string bytes = random.text(3 * kReadWindowBytes + 77, true);
    bytes += std::string(100, '\r') + std::string(70, 'q');
    std::string path = dir.write("cut.txt", bytes);
    for (size_t maxLength : {1, 2, 15, 16, 17, 31, 33, 64, 4086}) {
        for (bool peek : {false, true}) {
            LineSource source;
            ASSERT_EQ(source.open(path.c_str()), 0);
            if (peek) {
                const unsigned char* start = nullptr;
                source.peekStart(&start);
            }
            std::vector<std::string> lines;
            SourceLine line;
            while (source.next(maxLength, line)) {
                ASSERT_EQ(line.text[line.length], '\0');
                ASSERT_EQ(line.hasNewline, line.length > 0 && line.text[line.length - 1] == '\n');
                lines.emplace_back(line.text, line.length);
            }
            EXPECT_EQ(lines, cutByBytes(bytes, maxLength)) << "split at " << maxLength;
        }
    }
}

}  // namespace
}  // namespace tessel
