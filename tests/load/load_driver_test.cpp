#include "load/load_driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

// A driver on its own store with fixed settings, as the window would wire it.
struct Fixture {
    Fixture() {
        driver.store = &store;
        driver.settingsOverride = &settings;
        driver.callbacks.showStatus = [this](const char* text) { statuses.emplace_back(text); };
    }

    int load(const std::string& path, int flags = 0) { return driver.load(path.c_str(), flags); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (int i = 1; i < store.blockCount; ++i)
            out.emplace_back(store.blocks[i]->fileName ? store.blocks[i]->fileName : "");
        return out;
    }

    TextStore store;
    LoadSettings settings;
    LoadDriver driver;
    std::vector<std::string> statuses;
};

std::string binary(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 7 == 0 ? 0 : 'a' + i % 26);
    return bytes;
}

TEST(LoadDriver, ReplaceLoadsRecordsAndReportsStatistics) {
    testing::TempDir dir;
    dir.write("a.txt", "one\ntwo\n");
    dir.write("b.txt", "three\n");
    testing::LogCapture log;
    Fixture f;
    for (bool threaded : {true, false}) {
        f.driver.useThread = threaded;
        log.clear();
        ASSERT_EQ(f.load(dir.path()), 0);
        EXPECT_EQ(f.driver.lastReport.files, 2u);
        EXPECT_EQ(f.driver.lastReport.lines, 3u);
        EXPECT_EQ(f.store.blockCount, 3) << "header block and one block per file";
        EXPECT_TRUE(log.contains("loaded 2 files, 3 lines, "));
        EXPECT_TRUE(log.contains("total 2 files, 3 lines, 0 mb."));
        EXPECT_FALSE(f.store.loadRunning.load());
    }
}

// /proc/self/mem opens as a regular file whose first read fails with an I/O error: such a
// file is reported and skipped like one that cannot be opened, never counted as loaded.
TEST(LoadDriver, FileWhoseReadFailsIsSkipped) {
    char byte = 0;
    FILE* probe = std::fopen("/proc/self/mem", "rb");
    bool failsToRead = probe && std::fread(&byte, 1, 1, probe) == 0 && std::ferror(probe);
    if (probe) std::fclose(probe);
    if (!failsToRead) GTEST_SKIP() << "/proc/self/mem reads here";
    testing::LogCapture log;
    Fixture f;
    for (bool threaded : {true, false}) {
        f.driver.useThread = threaded;
        log.clear();
        f.load("/proc/self/mem");
        EXPECT_EQ(f.driver.lastReport.files, 0u);
        EXPECT_TRUE(log.contains("cannot read: /proc/self/mem (Input/output error)"));
        EXPECT_FALSE(log.contains("loaded 1 files"));
    }
}

// A replacing load of something that can load nothing (a named pipe, a path that vanished)
// keeps the loaded text and says why; a load of a real folder still replaces it.
TEST(LoadDriver, UnloadablePathsKeepTheLoadedText) {
    testing::TempDir dir;
    dir.write("a.txt", "one\n");
    std::string pipe = dir.path() + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    testing::LogCapture log;
    Fixture f;
    ASSERT_EQ(f.load(dir.path() + "/a.txt"), 0);
    int blocks = f.store.blockCount;
    EXPECT_EQ(f.load(pipe), 1);
    EXPECT_EQ(f.load(dir.path() + "/gone.txt"), 9);
    std::vector<std::string> both{pipe, dir.path() + "/gone"};
    EXPECT_EQ(f.driver.load("", 0, &both), 9);
    EXPECT_EQ(f.driver.lastReport.errorText, "directory not found: " + dir.path() + "/gone");
    EXPECT_EQ(f.store.blockCount, blocks);
    EXPECT_EQ(f.names(), std::vector<std::string>{dir.path() + "/a.txt"});
    EXPECT_TRUE(log.contains("[note] nothing to load, the loaded text stays:"));
    EXPECT_TRUE(log.contains(pipe + " (not a file or folder)"));
    EXPECT_TRUE(log.contains(dir.path() + "/gone.txt (no such file or folder)"));
    EXPECT_EQ(f.statuses.back(), "[blue] nothing to load, the loaded text stays.");

    dir.write("sub/b.txt", "two\n");
    ASSERT_EQ(f.load(dir.path() + "/sub"), 0);
    EXPECT_EQ(f.names(), std::vector<std::string>{dir.path() + "/sub/b.txt"});
}

TEST(LoadDriver, FolderMasksFromSettings) {
    testing::TempDir dir;
    dir.write("a.txt", "x\n");
    dir.write("B.TXT", "x\n");
    dir.write("old.txt", "x\n");
    dir.write("a.txt.bak", "x\n");
    dir.write("tmp/t.txt", "x\n");
    Fixture f;
    f.settings.useFileMask = true;
    f.settings.fileMask = ".txt !old";
    f.settings.useDirMask = true;
    f.settings.dirMask = "!\\tmp";
    testing::LogCapture log;
    ASSERT_EQ(f.load(dir.path()), 0);
    std::vector<std::string> names = f.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{dir.path() + "/B.TXT", dir.path() + "/a.txt"}));
    EXPECT_TRUE(log.contains("[blue] using filename filter:"));
    EXPECT_TRUE(log.contains("[blue] using sub dir filter:"));
}

TEST(LoadDriver, BinaryFilesSkippedExtractedOrNothingFound) {
    testing::TempDir dir;
    dir.write("only/data.bin", binary(3000));
    Fixture f;
    testing::LogCapture log;
    EXPECT_EQ(f.load(dir.path() + "/only"), 0);
    EXPECT_EQ(f.driver.lastReport.binarySkipped, 1u);
    EXPECT_EQ(f.driver.lastReport.blocksAdded, 0);
    EXPECT_EQ(f.statuses.back(), "[blue] no text files found to load.");
    EXPECT_TRUE(log.contains("[note] directory empty, or contains binary files:"));
    EXPECT_EQ(f.store.blockCount, 2) << "an empty replace leaves the intro text";

    // Fast load classifies too: a binary file is not read whole.
    f.settings.fastLoad = true;
    EXPECT_EQ(f.load(dir.path() + "/only"), 0);
    EXPECT_EQ(f.driver.lastReport.binarySkipped, 1u);
    f.settings.fastLoad = false;

    f.settings.loadBin = true;
    EXPECT_EQ(f.load(dir.path() + "/only"), 0);
    EXPECT_EQ(f.driver.lastReport.files, 1u);
    EXPECT_GT(f.driver.lastReport.lines, 0u);
    f.settings.loadBin = false;

    // A binary file named by the user alone is extracted, and so is one a mask names.
    EXPECT_EQ(f.load(dir.path() + "/only/data.bin"), 0);
    EXPECT_EQ(f.driver.lastReport.files, 1u);
    f.settings.useFileMask = true;
    f.settings.fileMask = "data.bin";
    EXPECT_EQ(f.load(dir.path() + "/only"), 0);
    EXPECT_EQ(f.driver.lastReport.files, 1u);
}

TEST(LoadDriver, AppendKeepsTextAndMovesViewToNewFiles) {
    testing::TempDir dir;
    dir.write("first/a.txt", "1\n2\n3\n4\n5\n");
    dir.write("second/b.txt", "x\n");
    dir.write("bin/z.bin", binary(100));
    Fixture f;
    int movedTo = -1;
    f.driver.callbacks.moveViewTo = [&](int line) { movedTo = line; };
    ASSERT_EQ(f.load(dir.path() + "/first"), 0);
    int before = f.store.blockCount;
    int linesBefore = f.store.lineCount();
    ASSERT_EQ(f.load(dir.path() + "/second", kLoadAppend), 0);
    EXPECT_EQ(f.store.blockCount, before + 1);
    EXPECT_EQ(f.names().front(), dir.path() + "/first/a.txt");
    EXPECT_EQ(movedTo, linesBefore - 3);

    int count = f.store.blockCount;
    EXPECT_EQ(f.load(dir.path() + "/bin", kLoadAppend), 0);
    EXPECT_EQ(f.store.blockCount, count) << "an empty append leaves the text unchanged";
}

TEST(LoadDriver, StopEndsAfterTheCurrentFile) {
    testing::TempDir dir;
    for (int i = 0; i < 8; ++i) dir.write("f" + std::to_string(i) + ".txt", "x\ny\n");
    Fixture f;
    // The first progress report comes after the first file; the stop takes effect there.
    f.driver.callbacks.showProgress = [&](const std::vector<std::string>&) {
        f.driver.requestStop();
    };
    testing::LogCapture log;
    int rc = f.load(dir.path());
    EXPECT_EQ(rc, 1);
    EXPECT_TRUE(f.driver.lastReport.stopped);
    EXPECT_EQ(f.driver.lastReport.files, 1u) << "loaded text stays";
    EXPECT_TRUE(log.contains("[note] file collection aborted"));
    EXPECT_FALSE(loadStopRequested().load()) << "the stop request ends with the load";
}

TEST(LoadDriver, SafeLoadLimitIsAskedOncePerLoad) {
    testing::TempDir dir;
    std::string chunk(400 * 1024, 'a');
    for (size_t i = 80; i < chunk.size(); i += 81) chunk[i] = '\n';
    for (int i = 0; i < 6; ++i) dir.write("f" + std::to_string(i) + ".txt", chunk);
    Fixture f;
    f.settings.maxLoadMb = 1;
    int asked = 0;
    bool answer = true;
    std::string title;
    f.driver.callbacks.askYesNo = [&](const char* t, const char*) {
        ++asked;
        title = t;
        return answer;
    };
    ASSERT_EQ(f.load(dir.path()), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(title, "LOAD LIMIT REACHED");
    EXPECT_EQ(f.driver.lastReport.files, 6u);

    answer = false;
    asked = 0;
    EXPECT_EQ(f.load(dir.path()), 1);
    EXPECT_EQ(asked, 1) << "asked again in a new load";
    EXPECT_EQ(f.driver.lastReport.files, 3u) << "No stops at the file that reached the limit";
    EXPECT_NE(loadLimitText(200).find("safe load limit of 200 mbytes reached,"), std::string::npos);
}

TEST(LoadDriver, FileSetTextAndMissingPaths) {
    testing::TempDir dir;
    dir.write("a/x.txt", "x\n");
    dir.write("a/y.cpp", "y\n");
    Fixture f;
    testing::LogCapture log;
    std::string text = "-dir \"" + dir.path() + "/a\" -file .cpp";
    ASSERT_EQ(f.load(text, kLoadFileSetText), 0);
    EXPECT_EQ(f.names(), std::vector<std::string>{dir.path() + "/a/y.cpp"});

    EXPECT_EQ(f.load(dir.path() + "/none"), 9);
    EXPECT_TRUE(log.contains("directory not found: " + dir.path() + "/none"));
    EXPECT_EQ(f.driver.lastReport.errorTitle, "error while loading");
    EXPECT_EQ(f.names(), std::vector<std::string>{dir.path() + "/a/y.cpp"})
        << "a replace that finds nothing keeps the text";

    EXPECT_EQ(f.load("-dir \"unclosed", kLoadFileSetText), 9);
    EXPECT_TRUE(log.contains("missing closing quote"));
    EXPECT_EQ(f.driver.lastReport.errorTitle, "Tessel: wrong parameters");
    EXPECT_TRUE(f.driver.lastReport.errorText.starts_with("missing closing quote"));
}

TEST(LoadDriver, BusyUserCommandsCancelTheLoad) {
    Fixture f;
    int sleeps = 0;
    f.driver.callbacks.runningUserCommands = [] { return 2; };
    f.driver.callbacks.sleepMs = [&](int) { ++sleeps; };
    testing::LogCapture log;
    EXPECT_EQ(f.load("."), 9);
    EXPECT_EQ(sleeps, kBusyChecks);
    EXPECT_TRUE(log.contains("busy timeout reached (2)"));
    EXPECT_TRUE(log.contains("... loading cancelled."));
}

TEST(LoadDriver, ReadAheadKeepsWalkOrderAndStops) {
    testing::TempDir dir;
    for (int i = 0; i < 40; ++i) {
        std::string name = "d" + std::to_string(i % 4) + "/f" + std::to_string(i);
        if (i % 7 == 3)
            dir.write(name + ".bin", binary(500));
        else
            dir.write(name + ".txt", "line " + std::to_string(i) + "\nmore\n");
    }
    dir.write("d1/\n.txt", "odd name\n");
    Fixture f;
    ASSERT_EQ(f.load(dir.path()), 0);
    std::vector<std::string> byLines = f.names();
    LoadReport lineReport = f.driver.lastReport;

    f.settings.fastLoad = true;
    f.settings.readAheadThreads = 3;
    ASSERT_EQ(f.load(dir.path()), 0);
    EXPECT_EQ(f.names(), byLines) << "records arrive in walk order";
    EXPECT_EQ(f.driver.lastReport.files, lineReport.files);
    EXPECT_EQ(f.driver.lastReport.lines, lineReport.lines);
    EXPECT_EQ(f.driver.lastReport.binarySkipped, lineReport.binarySkipped);
    for (int i = 1; i < f.store.blockCount; ++i) {
        EXPECT_EQ(f.store.blocks[i]->firstLine, f.store.blocks[i - 1]->endLine);
        EXPECT_FALSE(f.store.blocks[i]->openForAdding);
    }

    int reports = 0;
    f.driver.callbacks.showProgress = [&](const std::vector<std::string>&) {
        if (++reports == 1) f.driver.requestStop();
    };
    EXPECT_EQ(f.load(dir.path()), 1);
    EXPECT_LE(f.driver.lastReport.files, 2u) << "files read ahead are dropped at a stop";
    EXPECT_EQ(f.store.blockCount, static_cast<int>(f.driver.lastReport.files) + 1);
}

TEST(LoadDriver, NamesWithLineEndsKeepTheRecordIntact) {
    testing::TempDir dir;
    dir.write("d/odd\nname.txt", "body\n");
    Fixture f;
    for (bool fast : {false, true}) {
        f.settings.fastLoad = fast;
        ASSERT_EQ(f.load(dir.path() + "/d"), 0);
        ASSERT_EQ(f.store.blockCount, 2);
        EXPECT_EQ(f.names().front(), dir.path() + "/d/odd?name.txt");
        EXPECT_EQ(f.driver.lastReport.lines, 1u);
    }
}

TEST(LoadDriver, HeldEscapeWaitsForItsRelease) {
    testing::TempDir dir;
    dir.write("a.txt", "x\n");
    Fixture f;
    int held = 3;
    f.driver.callbacks.escapeHeld = [&] { return held-- > 0; };
    f.driver.callbacks.sleepMs = [](int) {};
    ASSERT_EQ(f.load(dir.path()), 0);
    EXPECT_EQ(std::count(f.statuses.begin(), f.statuses.end(), "release ESCAPE to continue"), 3);
    EXPECT_EQ(f.statuses.back(), "") << "the status is cleared after the release";
}

TEST(LoadDriver, StartupFilterBuildsALoadableFileSet) {
    testing::TempDir dir;
    dir.write("keep.txt", "x\n");
    dir.write("skip.cpp", "x\n");
    dir.write("tmp/t.txt", "x\n");
    LoadSettings settings;
    std::string text;
    EXPECT_EQ(startupFileSetText(dir.path(), settings, text), 1);
    EXPECT_EQ(text, dir.path());
    settings.useFileMask = true;
    settings.fileMask = ".txt";
    settings.useDirMask = true;
    settings.dirMask = "!/tmp";
    ASSERT_EQ(startupFileSetText(dir.path(), settings, text), 0);
    Fixture f;
    ASSERT_EQ(f.load(text, kLoadFileSetText), 0);
    EXPECT_EQ(f.names(), std::vector<std::string>{dir.path() + "/keep.txt"});
}

TEST(DropList, ItemsAreCutAndLoadedTogether) {
    testing::TempDir dir;
    std::string a = dir.write("one/a.txt", "a\n");
    std::string b = dir.write("two/b.txt", "b\n");
    testing::LogCapture log;
    DropList drop;
    EXPECT_FALSE(drop.take({}, "", false));
    EXPECT_TRUE(drop.take({}, std::string(2000, 'p').c_str(), false));
    EXPECT_EQ(drop.items.front().size(), kDropItemChars);
    EXPECT_TRUE(log.contains("Press SHIFT or CTRL to append."));

    Fixture f;
    ASSERT_TRUE(drop.take({dir.path() + "/one", b}, nullptr, true));
    EXPECT_TRUE(log.contains("[blue] dragdrop-append"));
    EXPECT_EQ(drop.run(f.driver, false), 0);
    EXPECT_TRUE(drop.items.empty());
    EXPECT_EQ(f.names(), (std::vector<std::string>{a, b}));
}

TEST(LoadStatisticsReport, TotalsAndProgressLines) {
    TextStore store;
    store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true);
    store.addLine(":file:\n", true);
    store.addLine("name\n", true);
    store.addLine("a\n", true);
    store.addLine("\n", true);
    store.finish();
    StoreTotals totals = storeTotals(store);
    EXPECT_EQ(totals.files, 1u);
    EXPECT_EQ(totals.lines, 1u) << "only the file's own text line counts";

    ProgressLines progress;
    progress.start(6, 60);
    ProgressSnapshot s;
    s.files = 3;
    s.bytes = 5 * 1048576;
    EXPECT_EQ(progress.update(s).front(), "          loading 3 files, 5 mb.");
    s.lines = 10;
    s.binarySkipped = 2;
    s.binaryNames = "a.bin, b.bin";
    s.fileMask = ".txt";
    s.currentPath = "/very/long/path/to/some/deeply/nested/folder/file.txt";
    const std::vector<std::string>& lines = progress.update(s);
    EXPECT_EQ(
        lines[0],
        "          loading 3 files, 10 lines, 5 mb.     2 binary files skipped (a.bin, b.bin).");
    EXPECT_EQ(lines[1], "          file   filter: .txt");
    EXPECT_EQ(lines[2], "          .../nested/folder/file.txt");
    for (int i = 0; i < 10; ++i) {
        std::string path = "/p" + std::to_string(i);
        s.currentPath = path;
        progress.update(s);
    }
    EXPECT_EQ(progress.lines().size(), 6u) << "paths stop when the rows are full";
    EXPECT_EQ(shortenPath("/a/b", 10), "/a/b");
}

}  // namespace
}  // namespace tessel
