#include "load/file_follow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "load/load_driver.h"
#include "load/reload_scan.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

void appendTo(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// The text lines of a file's block, without the record lines and the closing blanks.
std::vector<std::string> textLinesOf(TextBlock& block) {
    std::vector<std::string> lines;
    for (int i = 2; i + 1 < block.lineCount; ++i) {
        std::string line = block.line(i);
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}

// A log file and a second file behind it, loaded; the log is followed.
struct FollowFixture {
    FollowFixture() {
        log = dir.write("app.log", "start\n");
        other = dir.write("other.txt", "x\n");
        driver.store = &store;
        driver.useThread = false;
        driver.settingsOverride = &loadSettings;
        EXPECT_EQ(driver.load(log.c_str(), kLoadSingleFile), 0);
        EXPECT_EQ(driver.load(other.c_str(), kLoadSingleFile | kLoadAppend), 0);
        scanner.store = &store;
        scanner.settingsOverride = &reloadSettings;
        EXPECT_EQ(startFollowing(logBlock(), state), 0);
    }
    TextBlock& logBlock() { return *store.blockByName(log.c_str()); }
    int look() { return followOnce(store, logBlock(), state, scanner, added); }

    testing::TempDir dir;
    std::string log;
    std::string other;
    TextStore store;
    LoadSettings loadSettings;
    LoadDriver driver;
    ReloadSettings reloadSettings;
    ReloadScanner scanner;
    FollowState state;
    int added = 0;
};

TEST(FileFollow, GrowingFileAddsWholeLinesAndShiftsLaterBlocks) {
    FollowFixture f;
    const int otherFirst = f.store.blockByName(f.other.c_str())->firstLine;
    EXPECT_EQ(f.look(), kFollowUnchanged);
    appendTo(f.log, "second\r\nthird\npart");
    EXPECT_EQ(f.look(), kFollowGrew);
    EXPECT_EQ(f.added, 2);
    EXPECT_EQ(textLinesOf(f.logBlock()), (std::vector<std::string>{"start", "second", "third"}));
    EXPECT_EQ(f.store.blockByName(f.other.c_str())->firstLine, otherFirst + 2);

    // The unfinished line waits for its line feed; a file that stops growing stays as it is.
    EXPECT_EQ(f.look(), kFollowUnchanged);
    appendTo(f.log, "ial\n");
    EXPECT_EQ(f.look(), kFollowGrew);
    EXPECT_EQ(textLinesOf(f.logBlock()).back(), "partial");
    EXPECT_EQ(f.look(), kFollowUnchanged);

    // The reload scan sees the followed text as up to date.
    EXPECT_EQ(f.scanner.scan(ReloadRequest{kReloadUserStarted}), 0);
}

TEST(FileFollow, TruncationAndRotationReadTheFileAgainWhole) {
    FollowFixture f;
    appendTo(f.log, "more\n");
    ASSERT_EQ(f.look(), kFollowGrew);

    std::ofstream(f.log, std::ios::binary | std::ios::trunc).flush();
    EXPECT_EQ(f.look(), kFollowReloaded);
    EXPECT_TRUE(textLinesOf(f.logBlock()).empty());
    appendTo(f.log, "after truncation\n");
    EXPECT_EQ(f.look(), kFollowGrew);
    EXPECT_EQ(textLinesOf(f.logBlock()), (std::vector<std::string>{"after truncation"}));

    // Rotation: the old file moves away and a new one takes its name, even a longer one.
    ASSERT_EQ(std::rename(f.log.c_str(), (f.log + ".1").c_str()), 0);
    EXPECT_EQ(f.look(), kFollowMissing);
    std::ofstream(f.log, std::ios::binary) << "new one\nnew two\nnew three\n";
    EXPECT_EQ(f.look(), kFollowReloaded);
    EXPECT_EQ(textLinesOf(f.logBlock()),
              (std::vector<std::string>{"new one", "new two", "new three"}));
    appendTo(f.log, "new four\n");
    EXPECT_EQ(f.look(), kFollowGrew);
    EXPECT_EQ(textLinesOf(f.logBlock()).size(), 4u);
}

TEST(FileFollow, DeletedFileKeepsItsText) {
    FollowFixture f;
    ASSERT_EQ(std::remove(f.log.c_str()), 0);
    EXPECT_EQ(f.look(), kFollowMissing);
    EXPECT_EQ(textLinesOf(f.logBlock()), (std::vector<std::string>{"start"}));
}

TEST(FileFollow, NothingToFollowWithoutAFile) {
    TextStore store;
    TextBlock* block = store.appendBlock();
    FollowState state;
    testing::LogCapture log;
    EXPECT_EQ(startFollowing(*block, state), 9);
    EXPECT_TRUE(log.contains("no file to follow"));
}

}  // namespace
}  // namespace tessel
