#include "text/line_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "text/utf8_decoder.h"

namespace tessel {
namespace {

using Lines = std::vector<std::string>;
using testing::LogCapture;

struct ReaderFixture : ::testing::Test {
    testing::TempDir dir;
    LineReader reader;
    // Each line as handed out, with "$" behind it when it still asks for a newline.
    Lines lines;
    LineOutput output = [this](const char* line, size_t length, bool needsNewline) {
        EXPECT_EQ(line[length], '\0');
        lines.push_back(std::string(line, length) + (needsNewline ? "$" : ""));
        return 0;
    };
    int read(const std::string& name, const std::string& bytes) {
        lines.clear();
        return reader.readFile(dir.write(name, bytes).c_str(), nullptr, output);
    }
    // The file's own lines, without header, name and closing line.
    Lines body() const {
        return lines.size() < 3 ? Lines{} : Lines(lines.begin() + 2, lines.end() - 1);
    }
};

TEST_F(ReaderFixture, RecordFrameLineEndsAndCounts) {
    ASSERT_EQ(read("a.txt", "one\r\ntwo\r\n\r\nlast"), 0);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], dir.path() + "/a.txt$");
    EXPECT_EQ(body(), (Lines{"one\n", "two\n", "\n", "last$"}));
    EXPECT_EQ(lines.back(), "\n");
    EXPECT_EQ(reader.counts.lines, 4u);
    EXPECT_EQ(reader.counts.bytes, 16u);

    ASSERT_EQ(read("empty.txt", ""), 0);
    EXPECT_EQ(lines.size(), 3u);
    lines.clear();
    ASSERT_EQ(reader.readFile(dir.write(":file:x", "").c_str(), ":file:x", output), 0);
    EXPECT_EQ(lines[1], "./:file:x$") << "a name must not start a record";
    EXPECT_EQ(reader.counts.files, 3u);
}

TEST_F(ReaderFixture, HeaderLineLayout) {
    std::string path = dir.write("h.txt", "12345");
    struct utimbuf times {
        1700000000, 1700000000
    };
    ASSERT_EQ(utime(path.c_str(), &times), 0);
    ASSERT_EQ(reader.readFile(path.c_str(), nullptr, output), 0);
    EXPECT_EQ(lines[0], ":file:" + std::string(48, ' ') + " mtime=1700000000 size=5\n");

    char line[200];
    uint64_t big = UINT64_MAX;
    size_t length =
        LineReader::formatHeaderLine(line, sizeof line, std::string(60, 'p'), &big, &big, "be");
    EXPECT_EQ(std::string(line, length),
              std::string(50, 'p') + " mtime=18446744073709551615 size=18446744073709551615" +
                  " code=utf16be")
        << "a long prefix is cut to 50 and the padding never goes negative";
}

TEST_F(ReaderFixture, LongLinesStayWholeAndLookalikesAreEscaped) {
    // Far longer than the read window and the line buffer's first size, with bytes the cutter
    // must handle on both sides of the buffer's growth.
    std::string wide(200000, 'x');
    wide[4096] = '\r';
    wide[4097] = '\0';
    wide[150000] = 26;
    std::string shown = wide;
    shown.erase(4096, 1);
    shown[4096] = '.';
    shown[149999] = '.';
    std::string header = ":file:" + std::string(9000, 'h');
    ASSERT_EQ(read("long.txt", wide + "\n:file:\n:snapfile zuk,1.0.7\n:cluster zuk,x\n :file:\n" +
                                   header + "\nlast"),
              0);
    EXPECT_EQ(body(), (Lines{shown + "\n", "':file:\n", "':snapfile zuk,1.0.7\n",
                             "':cluster zuk,x\n", " :file:\n", "'" + header + "\n", "last$"}))
        << "a long lookalike keeps its apostrophe and its text";

    // The buffer grown for that line serves the next file as well as a fresh one.
    ASSERT_EQ(read("short.txt", "a\nb"), 0);
    EXPECT_EQ(body(), (Lines{"a\n", "b$"}));
}

TEST_F(ReaderFixture, ControlBytesBehindTheClassifiedStart) {
    std::string x(3000, 'x');
    ASSERT_EQ(read("c.txt", x + "\n" + x + "\n" +
                                std::string("a\0b\x1a"
                                            "c\td\r\n",
                                            9)),
              0);
    EXPECT_EQ(body().back(), "a.b.c\td\n");
}

TEST_F(ReaderFixture, WideFiles) {
    std::string le = "\xFF\xFE";
    for (char c : std::string("Hi\r\nyou\r\n")) le += std::string{c, '\0'};
    EXPECT_EQ(read("le.txt", le), kSkippedBinary);
    EXPECT_TRUE(lines.empty());

    reader.options.loadWchar = true;
    ASSERT_EQ(read("le.txt", le + "x"), 0) << "a trailing half unit is ignored";
    EXPECT_EQ(body(), (Lines{"Hi\n", "you\n"}));
    EXPECT_EQ(lines[0].substr(65), " code=utf16le\n");

    std::string be = "\xFE\xFF";
    for (char c : std::string(30000, 'w') + "\nend") be += std::string{'\0', c};
    ASSERT_EQ(read("be.txt", be), 0);
    EXPECT_EQ(body(), (Lines{std::string(30000, 'w') + "\n", "end$"}))
        << "wide text spans several windows in one line";
    EXPECT_EQ(lines[0].substr(65), " code=utf16be\n");

    LogCapture log;
    char buffer[8];
    EXPECT_EQ(readWideText(-1, buffer, 7, false, "f.txt"), -1);
    EXPECT_EQ(readWideText(-1, buffer, 0, false, "f.txt"), -1);
    EXPECT_TRUE(log.contains("cannot read ucs-2, uneven buffer size: f.txt"));
    EXPECT_TRUE(log.contains("cannot read ucs-2, buffer too small: f.txt"));
}

// In the UTF-8 code page wide text becomes UTF-8, read through windows of its own size.
TEST_F(ReaderFixture, WideFilesBecomeUtf8InTheUtf8CodePage) {
    initUtf8Decoder(kCodePageUtf8);
    reader.options.loadWchar = true;
    std::u16string text = u"Grüße\r\nПривет 你好 😀\n";
    std::u16string many;
    for (int i = 0; i < 3000; ++i) many += u"жизнь 😀\n";
    for (bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t unit : text + many) {
            const char high = static_cast<char>(unit >> 8);
            const char low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        ASSERT_EQ(read("wide.txt", bytes), 0);
        Lines got = body();
        ASSERT_EQ(got.size(), 3002u) << "every unit arrives, across several windows";
        EXPECT_EQ(got[0], "Grüße\n");
        EXPECT_EQ(got[1], "Привет 你好 😀\n");
        for (size_t i = 2; i < got.size(); ++i) ASSERT_EQ(got[i], "жизнь 😀\n") << i;
    }
    initUtf8Decoder(1252);
}

TEST_F(ReaderFixture, BinaryFilesAreSkippedOrMined) {
    std::string bytes = std::string("\0\0ab\0longer run\0xyz\1", 21) + "\ncd\n" +
                        std::string(100, 'q') + std::string("\0:file:x\0\n:file:abc", 19);
    EXPECT_EQ(read("b.bin", bytes), kSkippedBinary);
    EXPECT_EQ(reader.counts.binarySkipped, 1u);

    reader.options.explicitlyNamed = true;
    ASSERT_EQ(read("b.bin", bytes), 0);
    EXPECT_EQ(body(), (Lines{"longer run xyz$", std::string(80, 'q') + "$",
                             std::string(20, 'q') + " :file:x$", "':file:abc$"}));
}

TEST_F(ReaderFixture, SnapfilesInsideALoad) {
    std::string snap =
        ":snapfile zuk,1.0.7,lprefix=:file:\n\nnoise\n:file: mtime=1 size=2\nname\nab\n"
        ":snapfile zuk,inner\n\n";
    LogCapture log;
    EXPECT_EQ(read("s.txt", snap), kSkippedSnapfile);
    EXPECT_TRUE(log.contains("skipping snap file: " + dir.path() + "/s.txt"));

    reader.options.nestedSnapfiles = true;
    ASSERT_EQ(read("s.txt", snap), 0);
    EXPECT_EQ(lines,
              (Lines{":file: mtime=1 size=2\n", "name\n", "ab\n", "':snapfile zuk,inner\n", "\n"}));

    // Records under another prefix would land in the file before them: one text instead.
    ASSERT_EQ(read("c.txt", ":cluster zuk,prefix=:\n:create a\nx\n"), 0);
    EXPECT_EQ(body(), (Lines{"':cluster zuk,prefix=:\n", ":create a\n", "x\n"}));
}

TEST_F(ReaderFixture, UnreadableInputIsReported) {
    LogCapture log;
    EXPECT_EQ(reader.readFile((dir.path() + "/missing").c_str(), nullptr, output), 9);
    EXPECT_TRUE(log.contains("cannot read: " + dir.path() + "/missing ("));
    EXPECT_EQ(reader.readFile(dir.path().c_str(), nullptr, output), 9);
    // A named pipe must not block the load waiting for a writer.
    std::string fifo = dir.path() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(reader.readFile(fifo.c_str(), nullptr, output), 9);
    EXPECT_TRUE(lines.empty());

    size_t seen = 0;
    EXPECT_EQ(reader.readFile(dir.write("a.txt", "a\nb\nc\n").c_str(), nullptr,
                              [&](const char*, size_t, bool) { return ++seen == 3 ? 9 : 0; }),
              9);
    EXPECT_EQ(seen, 3u) << "a failing output stops the file";
}

// The read-ahead helpers read only plain text; everything else is turned away untouched, so
// that the collector can read it in its place with every message in order.
TEST_F(ReaderFixture, PlainOnlyTurnsTheRestAwaySilently) {
    reader.options.plainOnly = true;
    reader.options.loadWchar = true;
    LogCapture log;
    std::string wide = "\xFF\xFE";
    for (char c : std::string("Hi\n")) wide += std::string{c, '\0'};
    EXPECT_EQ(read("le.txt", wide), kNotPlainText);
    EXPECT_EQ(read("b.bin", "\x7F" + std::string("ELF") + std::string(3, '\0')), kNotPlainText);
    EXPECT_EQ(read("s.txt", ":snapfile zuk,1.0.7,lprefix=:file:\n"), kNotPlainText);
    EXPECT_EQ(reader.readFile((dir.path() + "/missing").c_str(), nullptr, output), kNotPlainText);
    EXPECT_EQ(reader.readFile(dir.path().c_str(), nullptr, output), kNotPlainText);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(reader.counts.files + reader.counts.binarySkipped + reader.counts.wideFiles +
                  reader.counts.snapfilesSkipped,
              0u)
        << "nothing is counted for a file turned away";

    ASSERT_EQ(read("t.txt", "x\r\n:file: y\n"), 0);
    Lines whole = lines;
    EXPECT_EQ(body(), (Lines{"x\n", "':file: y\n"}));

    // Opened by its name in the folder: the same record, the path on the name line.
    int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    lines.clear();
    std::string path = dir.path() + "/t.txt";
    EXPECT_EQ(reader.readFile(path.c_str(), nullptr, output, folder, "t.txt"), 0);
    EXPECT_EQ(lines, whole);
    lines.clear();
    EXPECT_EQ(reader.readFile(path.c_str(), nullptr, output, folder, "gone.txt"), kNotPlainText);
    ::close(folder);
}

}  // namespace
}  // namespace tessel
