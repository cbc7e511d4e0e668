#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "load/folder_walk.h"
#include "load/load_driver.h"
#include "test_support.h"
#include "text/load_target.h"
#include "text/text_store.h"

namespace tessel {
namespace {

struct BlockImage {
    std::string name;
    int64_t fileTime = 0;
    int64_t fileSize = 0;
    std::string text;  // the block's used bytes
    uint32_t encodingFlags = 0;
    int64_t firstUtf8Offset = 0;
    int64_t firstInvalidOffset = 0;
    std::vector<uint32_t> starts;
    std::vector<uint32_t> masks;
    bool operator==(const BlockImage&) const = default;
};

std::vector<BlockImage> imageOf(TextStore& store) {
    std::vector<BlockImage> image;
    for (int b = 0; b < store.blockCount; ++b) {
        TextBlock& block = *store.blocks[b];
        BlockImage& one = image.emplace_back();
        one.name = block.fileName ? block.fileName : "";
        one.fileTime = block.fileTime;
        one.fileSize = block.fileSize;
        if (block.text) one.text.assign(block.text, static_cast<size_t>(block.usedBytes));
        one.encodingFlags = block.encodingFlags;
        one.firstUtf8Offset = block.firstUtf8Offset;
        one.firstInvalidOffset = block.firstInvalidOffset;
        for (int i = 0; i < block.lineCount; ++i) {
            one.starts.push_back(block.lineArrays.starts[i]);
            one.masks.push_back(block.lineArrays.masks[i]);
        }
    }
    return image;
}

struct LoadImage {
    std::vector<BlockImage> blocks;  // empty when the load failed
    LoadReport report;
    std::vector<std::string> messages;
    std::string shown;  // the excerpts shown while loading
};

// A load of the folder with this many read-ahead threads (0: the loader thread alone),
// showing excerpts while it loads when asked to.
LoadImage loadedImage(const std::string& path, LoadSettings settings, int threads, int flags = 0,
                      TextStore* into = nullptr, bool shown = false) {
    TextStore own;
    TextStore& store = into ? *into : own;
    settings.readAheadThreads = threads;
    LoadDriver driver;
    driver.store = &store;
    driver.settingsOverride = &settings;
    LoadShow show;
    if (shown) driver.show = &show;
    testing::LogCapture log;
    LoadImage image;
    if (driver.load(path.c_str(), flags) == 0) image.blocks = imageOf(store);
    image.shown = show.text();
    image.report = driver.lastReport;
    // Timings differ from run to run.
    for (const std::string& message : log.messages()) {
        if (message.find(" ms") == std::string::npos && message.find("sec") == std::string::npos)
            image.messages.push_back(message);
    }
    return image;
}

std::vector<BlockImage> loadedImage(testing::TempDir& dir, int threads) {
    LoadSettings settings;
    settings.fastLoad = true;
    return loadedImage(dir.path(), settings, threads).blocks;
}

void expectSameLoad(const LoadImage& serial, const LoadImage& ahead, const char* what) {
    ASSERT_EQ(serial.blocks.size(), ahead.blocks.size()) << what;
    for (size_t b = 0; b < serial.blocks.size(); ++b)
        EXPECT_EQ(serial.blocks[b], ahead.blocks[b])
            << what << ", block " << b << " " << serial.blocks[b].name;
    EXPECT_EQ(serial.report.files, ahead.report.files) << what;
    EXPECT_EQ(serial.report.lines, ahead.report.lines) << what;
    EXPECT_EQ(serial.report.bytes, ahead.report.bytes) << what;
    EXPECT_EQ(serial.report.binarySkipped, ahead.report.binarySkipped) << what;
    EXPECT_EQ(serial.report.failedFiles, ahead.report.failedFiles) << what;
    EXPECT_EQ(serial.messages, ahead.messages) << what;
    EXPECT_EQ(serial.shown, ahead.shown) << what;
}

// Files indexed on the read-ahead threads reach the store exactly as the loader thread
// alone would have made them: same blocks, same order, same lines and masks.
TEST(ReadAhead, BlocksEqualTheOnesOfTheLoaderThreadAlone) {
    codePageTables().init(1252);
    testing::TempDir dir;
    std::mt19937 random(7);
    for (int i = 0; i < 120; ++i) {
        std::string text;
        int lines = static_cast<int>(random() % 40);
        for (int j = 0; j < lines; ++j) {
            text.append(random() % 7 == 0 ? 5000 : random() % 90, static_cast<char>('a' + j % 26));
            text += random() % 3 == 0 ? "\r\n" : "\n";
        }
        if (i % 11 == 5) text.push_back('\0');
        if (i % 13 == 0) text.clear();
        if (i % 17 == 4)
            text = std::string(
                       "\x7F"
                       "ELF",
                       4) +
                   std::string(300, '\0');
        dir.write("d" + std::to_string(i % 5) + "/f" + std::to_string(i) + ".txt", text);
    }

    std::vector<BlockImage> images[2];
    for (int threads : {0, 2}) images[threads == 0 ? 0 : 1] = loadedImage(dir, threads);
    ASSERT_GT(images[0].size(), 100u);
    ASSERT_EQ(images[0].size(), images[1].size());
    for (size_t b = 0; b < images[0].size(); ++b) {
        EXPECT_EQ(images[0][b], images[1][b]) << "block " << b << " " << images[0][b].name;
    }
}

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

// More files than the read-ahead queue holds, in more folders than are kept open for it:
// files opened in their folder and by their whole path still come in walk order, and no
// folder stays open after the load.
TEST(ReadAhead, ManyFoldersKeepOrderAndCloseEveryFolder) {
    codePageTables().init(1252);
    testing::TempDir dir;
    for (int i = 0; i < 1100; ++i) {
        std::string text = "file " + std::to_string(i) + "\n";
        text.append(static_cast<size_t>(i % 50), 'x');
        dir.write("d" + std::to_string(i % 150) + "/f" + std::to_string(i) + ".txt", text);
    }
    int descriptorsBefore = openDescriptors();
    std::vector<BlockImage> images[2];
    for (int threads : {0, 2}) {
        images[threads == 0 ? 0 : 1] = loadedImage(dir, threads);
        EXPECT_EQ(openDescriptors(), descriptorsBefore);
    }
    ASSERT_EQ(images[0].size(), 1101u);
    EXPECT_TRUE(images[0] == images[1]);
}

// A tree with what the line reader treats specially: line ends, split lines, NULs, header
// lookalikes, UTF-8 and wide text, binary files, a snapfile, empty files and odd names.
void writeVariedTree(testing::TempDir& dir) {
    std::mt19937 random(11);
    auto text = [&random](size_t length) {
        static const char kBytes[] = "abc XYZ 019 _-.:;/\t\xe4\xfc\xc3\xa9\r\n\n\n";
        std::string out;
        for (size_t i = 0; i < length; ++i) out += kBytes[random() % (sizeof kBytes - 1)];
        return out;
    };
    dir.write("empty.txt", "");
    dir.write("crlf.txt", "one\r\ntwo\r\n\r\nthree\r\r\n\rfour\r");
    dir.write("no end.txt", "last line without newline");
    std::string edges;
    for (size_t length : {4085, 4086, 4087, 8173, 25000}) edges += std::string(length, 'x') + "\n";
    edges += std::string(":file:") + std::string(5000, 'h') + "\n";
    dir.write("sub/edges.txt", edges);
    std::string nul(1, '\0');
    dir.write("sub/nuls.txt", text(600) + "a" + nul + "b\x1a" + "c\n" + nul + "\n");
    dir.write("sub/headers.txt", ":file: looks like a record\n:snapfile zuk,x\n:cluster zuk,y\n");
    dir.write("sub/:file:name.txt", "a name that reads like a header\n");
    dir.write("utf8.txt", "gr\xc3\xbc\xc3\x9f \xe2\x82\xac\nplain\n\xff broken\n");
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char c : std::string("wide\r\ntext\n")) {
        le += std::string{c, '\0'};
        be += std::string{'\0', c};
    }
    dir.write("wide/le.txt", le);
    dir.write("wide/be.txt", be);
    std::string binary = "\x7F" + std::string("ELF") + std::string(300, '\0') + "some text\n";
    dir.write("bin/data.bin", binary);
    dir.write("bin/named.bin", binary + "named text\n");
    dir.write("snap.txt", ":snapfile zuk,1.0.7,lprefix=:file:\n:file:\ninner\nx\n");
    for (int i = 0; i < 150; ++i)
        dir.write("many/d" + std::to_string(i % 7) + "/f " + std::to_string(i) + ".txt",
                  text(random() % 3 == 0 ? 30000 : random() % 2000));
}

// Files read by lines on the read-ahead threads reach the store exactly as the loader thread
// alone would have written them: every block byte, line start, mask and count, and every
// message. The excerpts shown while loading come from the loader thread until they are full.
TEST(ReadAhead, LineLoadEqualsTheLoaderThreadAlone) {
    codePageTables().init(1252);
    testing::TempDir dir;
    writeVariedTree(dir);
    LoadSettings plain;
    LoadSettings wideNamed;
    wideNamed.loadWchar = true;
    wideNamed.useFileMask = true;
    wideNamed.fileMask = "* named.bin";
    LoadSettings mined;
    mined.loadBin = true;
    for (const LoadSettings* settings : {&plain, &wideNamed, &mined}) {
        LoadImage serial = loadedImage(dir.path(), *settings, 0);
        ASSERT_GT(serial.blocks.size(), 150u);
        expectSameLoad(serial, loadedImage(dir.path(), *settings, 4), "replace");
    }
    LoadImage shown = loadedImage(dir.path(), plain, 0, 0, nullptr, true);
    EXPECT_EQ(shown.shown.size(), kLoadShowBytes);
    expectSameLoad(shown, loadedImage(dir.path(), plain, 4, 0, nullptr, true), "shown");

    // Appended to a loaded store, the first file is read ahead as well.
    testing::TempDir first;
    first.write("a.txt", "already here\n");
    LoadImage images[2];
    for (int threads : {0, 4}) {
        TextStore store;
        ASSERT_EQ(loadedImage(first.path(), plain, 0, 0, &store).blocks.size(), 2u);
        images[threads == 0 ? 0 : 1] = loadedImage(dir.path(), plain, threads, kLoadAppend, &store);
    }
    expectSameLoad(images[0], images[1], "append");
}

// Files a helper cannot read as plain text are read in their place by the collector, so
// their messages keep the walk order; a read error in the middle of a file keeps the lines
// before it, as the serial reader does.
TEST(ReadAhead, LineFilesTurnedAwayKeepTheirPlaceAndMessages) {
    codePageTables().init(1252);
    testing::TempDir dir;
    std::vector<std::string> paths;
    paths.push_back(dir.write("a.txt", "a\n"));
    paths.push_back(dir.path() + "/gone.txt");
    paths.push_back(dir.write("s.txt", ":snapfile zuk,1.0.7,lprefix=:file:\n"));
    paths.push_back(dir.write("b.txt", "b\nc\n"));
    paths.push_back("/proc/self/mem");  // opens, then every read fails
    paths.push_back(dir.path() + "/gone too.txt");
    paths.push_back(dir.write("c.txt", "d\n"));
    LoadImage images[2];
    CollectCounts counts[2];
    for (int threads : {0, 3}) {
        int at = threads == 0 ? 0 : 1;
        TextStore store;
        LoadTarget target;
        target.store = &store;
        target.headerState = kHeaderIntroduce;
        CollectOptions options;
        options.readAheadThreads = threads;
        testing::LogCapture log;
        {
            FileCollector collector(store, target, options);
            for (const std::string& path : paths) collector.collect(path.c_str(), nullptr, false);
            collector.flush();
            counts[at] = collector.counts;
        }
        ASSERT_EQ(store.finish(), 0);
        images[at].blocks = imageOf(store);
        for (const std::string& message : log.messages()) {
            // The read error is reported where it happens, on a helper perhaps.
            if (message.find("/proc/self/mem") == std::string::npos)
                images[at].messages.push_back(message);
        }
        EXPECT_TRUE(log.contains("cannot read: /proc/self/mem ("));
    }
    expectSameLoad(images[0], images[1], "collector");
    EXPECT_EQ(images[0].messages.size(), 3u);
    EXPECT_EQ(counts[0].files, counts[1].files);
    EXPECT_EQ(counts[0].lines, counts[1].lines);
    EXPECT_EQ(counts[0].failed, 3u) << "two files gone, one read error";
    EXPECT_EQ(counts[1].failed, 3u);
}

}  // namespace
}  // namespace tessel
