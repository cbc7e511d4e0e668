#include "text/snapfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "text/snapfile_load.h"
#include "text/text_store.h"

namespace tessel {
namespace {

SnapfileHeader parse(const std::string& line) {
    SnapfileHeader header;
    header.hasPrefix = true;  // parsing must reset what was there
    EXPECT_TRUE(parseSnapfileHeader(line.data(), line.size(), header)) << line;
    return header;
}

std::string prefixOf(const SnapfileHeader& header) {
    return std::string(header.prefix, header.prefixLength);
}

TEST(SnapfileHeader, PrefixFields) {
    SnapfileHeader memory = parse(":snapfile zuk,1.0.7,lprefix=:file:,memory\r\n:file:");
    EXPECT_TRUE(memory.hasPrefix && !memory.cluster && !memory.prefixOnNameLine);
    EXPECT_EQ(prefixOf(memory), ":file:");

    SnapfileHeader named = parse(":snapfile zuk,1.0.7,prefix=#f# \n");
    EXPECT_TRUE(named.prefixOnNameLine);
    EXPECT_EQ(prefixOf(named), "#f# ");

    SnapfileHeader both = parse(":snapfile zuk,prefix=b,lprefix=a");
    EXPECT_EQ(prefixOf(both), "a") << "lprefix wins wherever it stands";
    EXPECT_FALSE(both.prefixOnNameLine);

    SnapfileHeader none = parse(":snapfile zuk,1.0.7,raw\n,lprefix=:file:");
    EXPECT_FALSE(none.hasPrefix) << "fields end at the line end";
    EXPECT_FALSE(parse(":snapfile zuk,lprefix=,memory").hasPrefix)
        << "an empty prefix would make every line a file";

    SnapfileHeader capped = parse(":snapfile zuk,lprefix=" + std::string(200, 'p'));
    EXPECT_EQ(capped.prefixLength, kRecordPrefixCapacity);
    EXPECT_EQ(capped.prefix[kRecordPrefixCapacity], '\0');
    SnapfileHeader notHeader;
    EXPECT_FALSE(parseSnapfileHeader(":snapfile zuk", 13, notHeader));
}

TEST(SnapfileHeader, ClusterPrefixGetsCreate) {
    SnapfileHeader colon = parse(":cluster zuk,1.0,prefix=:");
    EXPECT_TRUE(colon.cluster && colon.prefixOnNameLine);
    EXPECT_EQ(prefixOf(colon), ":create ");
    EXPECT_FALSE(parse(":cluster zuk,lprefix=:").hasPrefix) << "only prefix= counts";
    SnapfileHeader capped = parse(":cluster zuk,prefix=" + std::string(88, 'c'));
    EXPECT_EQ(prefixOf(capped), std::string(88, 'c') + "cr");
}

TEST(SnapfileCopy, RecordsFromTheFirstPrefixOn) {
    testing::TempDir dir;
    std::string path =
        dir.write("s.snap", ":snapfile zuk,1.0.7,lprefix=:file:\n\nstray\n:file: size=1\r\na\n" +
                                std::string(":cluster zuk,\n':file:\n") + ":snapfile zuk," +
                                std::string(4090, 'x') + "\n:file:\nb\nlast");
    LineSource source;
    ASSERT_EQ(source.open(path.c_str()), 0);
    std::vector<std::string> lines;
    std::vector<bool> flags;
    LineReaderCounts counts;
    int rc = copySnapfileRecords(
        source, ":file:",
        [&](const char* line, size_t n, bool flag) {
            lines.emplace_back(line, n);
            flags.push_back(flag);
            return 0;
        },
        counts, path.c_str());
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(lines,
              (std::vector<std::string>{":file: size=1\n", "a\n", "':cluster zuk,\n", "':file:\n",
                                        "':snapfile zuk," + std::string(4090, 'x') + "\n",
                                        ":file:\n", "b\n", "last"}));
    EXPECT_TRUE(flags.back());
    EXPECT_EQ(counts.files, 2u);
}

TEST(LoadFigures, SpeedLineAndGrouping) {
    char line[100];
    formatSpeedLine(line, sizeof line, "   ", 7000000, 10, false);
    EXPECT_STREQ(line, "   25.4 km, 10 seconds, mach 7.4");
    formatSpeedLine(line, sizeof line, "   ", 70000, 10, true);
    EXPECT_STREQ(line, "   0.2 miles, 10 seconds, 57 mph");
    formatSpeedLine(line, sizeof line, "", 70000, 0, false);
    EXPECT_STREQ(line, "0.3 km, 0 seconds, 0 kmh") << "no time: no infinite speed";

    char grouped[8];
    formatGrouped(grouped, sizeof grouped, 0);
    EXPECT_STREQ(grouped, "0");
    formatGrouped(grouped, sizeof grouped, 100000);
    EXPECT_STREQ(grouped, "100,000");
    formatGrouped(grouped, sizeof grouped, 123456789);
    EXPECT_STREQ(grouped, "123,456") << "cut to the capacity";
}

struct StartupLoad : ::testing::Test {
    StartupLoad() {
        saved = textOptions().utf8Decode;
        textOptions().utf8Decode = false;
    }
    ~StartupLoad() override {
        textOptions().utf8Decode = saved;
        loadStopRequested() = false;
    }
    bool saved;
    testing::TempDir dir;
    TextStore store;
    StartupLoadHooks hooks;
    StartupLoadStats stats;
};

TEST_F(StartupLoad, HeaderDecidesThePrefix) {
    std::string path = dir.write("n.snap",
                                 ":snapfile zuk,1.0.7,prefix=:f:\n:f:one.txt\r\nalpha\n\n"
                                 ":f:two.txt\n:file:\nbeta");
    std::string status;
    hooks.showStatus = [&](const char* text) { status = text; };
    ASSERT_EQ(loadStartupSnapfile(("\"" + path + "\"").c_str(), store, hooks, stats), 0);
    EXPECT_EQ(status, "   loading " + path);
    EXPECT_TRUE(store.snapfile && store.prefixOnNameLine);
    ASSERT_EQ(store.blockCount, 3);
    EXPECT_STREQ(store.blockAt(1)->fileName, "one.txt");
    EXPECT_STREQ(store.blockAt(2)->fileName, "two.txt");
    EXPECT_EQ(store.blockAt(2)->lineCount, 3) << ":file: is plain text under another prefix";
    EXPECT_EQ(stats.lines, 7u);
    EXPECT_EQ(stats.bytes, 30u + 10 + 5 + 10 + 6 + 4 + 7 * 2) << "each line end counts 2";

    TextStore cluster;
    path = dir.write("c.snap", ":cluster zuk,1,prefix=:\n:create a.c\nint a;\n\n");
    ASSERT_EQ(loadStartupSnapfile(path.c_str(), cluster, hooks, stats), 0);
    EXPECT_EQ(std::string(cluster.recordPrefix, cluster.prefixLength), ":create ");
    ASSERT_EQ(cluster.blockCount, 2);
    EXPECT_STREQ(cluster.blockAt(1)->fileName, "a.c");
}

TEST_F(StartupLoad, ProgressStopAndMissingFile) {
    std::string many = ":snapfile zuk,1.0.7,lprefix=:file:\n:file:\nbig\n";
    for (int i = 0; i < 100000; ++i) many += "some line of text\n";
    std::string path = dir.write("big.snap", many);
    std::vector<std::string> speeds, counts;
    int64_t clock = 0;
    hooks.now = [&] { return clock += 300; };
    hooks.showSpeed = true;
    hooks.showProgress = [&](const char* speed, const char* count) {
        speeds.emplace_back(speed ? speed : "");
        counts.emplace_back(count);
    };
    int pumps = 0;
    hooks.pumpMessages = [&] {
        if (++pumps == 3) loadStopRequested() = true;
    };
    // The clock moves 300 ms per look: every second progress point is due.
    EXPECT_EQ(loadStartupSnapfile(path.c_str(), store, hooks, stats), kStartupLoadStopped);
    EXPECT_EQ(stats.lines, 6 * kStartupProgressLines);
    EXPECT_EQ(counts, (std::vector<std::string>{"   2 files, 32,768 lines, 0 mb",
                                                "   2 files, 65,536 lines, 1 mb",
                                                "   2 files, 98,304 lines, 1 mb"}));
    EXPECT_EQ(speeds, (std::vector<std::string>{"   0.1 km, 0 seconds, 713 kmh",
                                                "   0.2 km, 1 seconds, 713 kmh", ""}))
        << "the speed line waits for the next whole second";
    EXPECT_FALSE(store.blockAt(store.blockCount - 1)->openForAdding) << "finished when stopped";

    loadStopRequested() = true;
    TextStore stopped;
    EXPECT_EQ(loadStartupSnapfile(path.c_str(), stopped, hooks, stats), kStartupLoadStopped);
    EXPECT_EQ(stats.lines, 1u);
    loadStopRequested() = false;

    TextStore untouched;
    EXPECT_EQ(loadStartupSnapfile((dir.path() + "/none.snap").c_str(), untouched, hooks, stats),
              kStartupFileNotFound);
    EXPECT_EQ(loadStartupSnapfile(std::string(2000, 'p').c_str(), untouched, hooks, stats),
              kStartupFileNotFound);
    EXPECT_EQ(untouched.blockCount, 0);
}

// A name longer than a line holds is cut with a note naming its line; the rest of the name
// never becomes text of the file, in either header form, and the next file starts as it should.
TEST_F(StartupLoad, OverlongNameIsCutNotSpilledIntoTheText) {
    const std::string longName(12000, 'n');
    testing::LogCapture log;
    std::string path = dir.write("l.snap", ":snapfile zuk,1.0.7,lprefix=:file:\n:file:\n" +
                                               longName + "\nalpha\n:file:\nb.txt\nbeta\n");
    ASSERT_EQ(loadStartupSnapfile(path.c_str(), store, hooks, stats), 0);
    ASSERT_EQ(store.blockCount, 3);
    EXPECT_EQ(std::string(store.blockAt(1)->fileName).size(), kMaxNameLineBytes);
    EXPECT_EQ(store.blockAt(1)->lineCount, store.blockAt(2)->lineCount) << "name, then one line";
    EXPECT_STREQ(store.blockAt(2)->fileName, "b.txt");
    EXPECT_TRUE(log.contains("[note] file name too long in line 3, cut to 4086 bytes: "));

    TextStore sameLine;
    path = dir.write("p.snap",
                     ":snapfile zuk,1.0.7,prefix=:f:\n:f:" + longName + "\nalpha\n:f:b\nbeta\n");
    ASSERT_EQ(loadStartupSnapfile(path.c_str(), sameLine, hooks, stats), 0);
    ASSERT_EQ(sameLine.blockCount, 3);
    EXPECT_EQ(sameLine.blockAt(1)->lineCount, sameLine.blockAt(2)->lineCount);
    EXPECT_TRUE(log.contains("[note] file name too long in line 2"));

    LineSource source;
    path = dir.write("n.snap", ":snapfile zuk,1.0.7,lprefix=:file:\n:file:\n" + longName + "\na\n");
    ASSERT_EQ(source.open(path.c_str()), 0);
    std::vector<std::string> lines;
    LineReaderCounts counts;
    copySnapfileRecords(
        source, ":file:",
        [&](const char* line, size_t n, bool) {
            lines.emplace_back(line, n);
            return 0;
        },
        counts, path.c_str());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].size(), kMaxNameLineBytes);
    EXPECT_EQ(lines[2], "a\n");
}

}  // namespace
}  // namespace tessel
