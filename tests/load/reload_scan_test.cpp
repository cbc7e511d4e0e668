#include "load/reload_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "base/log/message_log.h"
#include "load/file_stat_worker.h"
#include "load/load_driver.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

// Moves a file's time forward, as an editor saving it a little later would.
void touchLater(const std::string& path, int seconds = 10) {
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    struct timespec times[2] = {{info.st_mtime + seconds, 0}, {info.st_mtime + seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void rewrite(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    touchLater(path);
}

std::vector<std::string> linesOf(TextBlock& block) {
    std::vector<std::string> lines;
    for (int i = 0; i < block.lineCount; ++i) lines.emplace_back(block.line(i));
    return lines;
}

// A store loaded from files a, b and c in a temporary folder, and a scanner on it.
struct Fixture {
    explicit Fixture(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [name, text] : files) paths.push_back(dir.write(name, text));
        driver.store = &store;
        driver.useThread = false;
        driver.settingsOverride = &loadSettings;
        for (size_t i = 0; i < paths.size(); ++i) {
            EXPECT_EQ(driver.load(paths[i].c_str(),
                                  i == 0 ? kLoadSingleFile : kLoadSingleFile | kLoadAppend),
                      0);
        }
        scanner.store = &store;
        scanner.settingsOverride = &settings;
    }
    TextBlock& blockOf(size_t file) { return *store.blockByName(paths[file].c_str()); }

    testing::TempDir dir;
    std::vector<std::string> paths;
    TextStore store;
    LoadSettings loadSettings;
    LoadDriver driver;
    ReloadSettings settings;
    ReloadScanner scanner;
};

TEST(ReloadScan, GrownFileKeepsItsPlaceAndShiftsLaterBlocks) {
    Fixture f({{"a.txt", "one\ntwo\n"}, {"b.txt", "three\n"}, {"c.txt", "four\n"}});
    TextBlock& a = f.blockOf(0);
    TextBlock& b = f.blockOf(1);
    const int aIndexBefore = f.store.blockCount;
    const int bFirst = b.firstLine;
    const int total = f.store.lineCount();
    rewrite(f.paths[0], "one\ntwo\nadded\n");
    testing::LogCapture log;
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 1);
    EXPECT_EQ(f.store.blockCount, aIndexBefore) << "no block added or removed";
    EXPECT_EQ(&f.blockOf(0), &a) << "the block keeps its place";
    EXPECT_EQ(b.firstLine, bFirst + 1);
    EXPECT_EQ(f.store.lineCount(), total + 1);
    EXPECT_EQ(a.line(a.lineCount - 2), std::string("added "));
    EXPECT_TRUE(log.contains("[info] :reloading:"));
    EXPECT_TRUE(log.contains("[info] 1 files reloaded."));
    ASSERT_EQ(f.scanner.lastChanges.size(), 1u);
    EXPECT_EQ(f.scanner.lastChanges[0].newLineCount - f.scanner.lastChanges[0].oldLineCount, 1);

    log.clear();
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 0);
    EXPECT_TRUE(log.contains("none of 3 files changed."));
}

TEST(ReloadScan, UnreadableReplacementsAndShrinkingFiles) {
    Fixture f({{"a.txt", "alpha\nbeta\ngamma\n"}, {"b.txt", "keep me\n"}});
    TextBlock& a = f.blockOf(0);
    TextBlock& b = f.blockOf(1);
    const std::vector<std::string> bBefore = linesOf(b);

    // A binary file where a text was: the text stays, and the log says why.
    std::string binary(3000, '\0');
    for (size_t i = 0; i < binary.size(); i += 3) binary[i] = 'x';
    rewrite(f.paths[1], binary);
    // A file cut short: read whole again, never past its new end.
    rewrite(f.paths[0], "alpha\n");
    testing::LogCapture log;
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 1);
    EXPECT_EQ(linesOf(b), bBefore);
    EXPECT_TRUE(log.contains("not reloaded, now a binary file: " + f.paths[1]));
    EXPECT_EQ(a.lineCount, 4) << "header, name, one line, closing line";

    // A deleted file stays as loaded; a folder in its place is not read either.
    log.clear();
    ASSERT_EQ(::unlink(f.paths[0].c_str()), 0);
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 0);
    EXPECT_EQ(a.lineCount, 4);
    ASSERT_EQ(::unlink(f.paths[1].c_str()), 0);
    ASSERT_EQ(::mkdir(f.paths[1].c_str(), 0700), 0);
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 0);
    EXPECT_TRUE(log.contains("not reloaded, now a folder: " + f.paths[1]));
    EXPECT_EQ(linesOf(b), bBefore);
    ::rmdir(f.paths[1].c_str());
}

TEST(ReloadScan, SizeDelaySkipsLargeFilesOnlyForAutomaticScans) {
    Fixture f({{"big.txt", "start\n"}, {"small.txt", "s\n"}});
    f.settings.delayOnSize = true;
    f.settings.delaySizeMb = 1;
    std::string text;
    for (int i = 0; i < 25000; ++i) text += std::string(99, 'x') + "\n";
    rewrite(f.paths[0], text);
    rewrite(f.paths[1], "s\nt\n");
    testing::LogCapture log;
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}), 1) << "only the small file";
    EXPECT_EQ(f.scanner.sizeSkippedFiles, 1);
    EXPECT_EQ(f.scanner.sizeSkippedMb, 2);
    EXPECT_TRUE(log.contains("[blue] skip by reloaddelayonsize: " + f.paths[0]));
    EXPECT_TRUE(log.contains("[note] 1 files (2 mb) skipped by reloaddelayonsize."));
    EXPECT_TRUE(log.contains("[blue] click on rlarge to load them as well."));

    // "reload with large files" forces it; a user-started reload ignores the delay too.
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic | kReloadForce}), 1);
    EXPECT_EQ(f.blockOf(0).lineCount, 25003);
    EXPECT_EQ(f.scanner.sizeSkippedFiles, 0);
}

TEST(ReloadScan, LimitMaskMatchesPathBeginningsInAnyCase) {
    EXPECT_EQ(splitReloadMask("mywork\\core  \"my work/gui\" x"),
              (std::vector<std::string>{"mywork\\core", "my work/gui", "x"}));
    const std::vector<std::string> words{"/Work/Core", "d:\\src"};
    EXPECT_TRUE(matchesReloadMask("/work/core/a.txt", words));
    EXPECT_TRUE(matchesReloadMask("/WORK/CORE", words));
    EXPECT_TRUE(matchesReloadMask("D:/SRC/x", words)) << "either separator";
    EXPECT_FALSE(matchesReloadMask("/work/cor", words));
    EXPECT_FALSE(matchesReloadMask("/other/work/core", words));

    Fixture f({{"in/a.txt", "a\n"}, {"out/b.txt", "b\n"}});
    rewrite(f.paths[0], "a\nchanged\n");
    rewrite(f.paths[1], "b\nchanged\n");
    std::string folder = f.dir.path() + "/IN";
    for (char& c : folder) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    f.settings.limitToMask = true;
    f.settings.maskWords = {folder};
    testing::LogCapture log;
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}), 1);
    EXPECT_TRUE(log.contains("mask match=1 skip="));
    EXPECT_EQ(f.blockOf(1).lineCount, 4) << "outside the mask: not examined";

    f.settings.maskWords = {"/nowhere"};
    log.clear();
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}), 0);
    EXPECT_TRUE(log.contains("![error] no filenames match the auto reload limit mask."));
    // A user-started reload ignores the mask.
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 1);
}

TEST(ReloadScan, FileNameAndSingleBlockRequests) {
    Fixture f({{"a.txt", "a\n"}, {"b.txt", "b\n"}});
    testing::LogCapture log;
    ReloadRequest byName{kReloadUserStarted};
    byName.fileName = f.dir.path() + "/none.txt";
    EXPECT_EQ(f.scanner.scan(byName), 0);
    EXPECT_TRUE(log.contains("unknown filename, cannot reload:"));
    EXPECT_TRUE(log.contains("[error] " + byName.fileName));

    rewrite(f.paths[0], "a\nb\n");
    rewrite(f.paths[1], "b\nc\n");
    byName.fileName = f.paths[1] + "  ";
    EXPECT_EQ(f.scanner.scan(byName), 1) << "trailing blanks do not count";
    EXPECT_EQ(f.blockOf(0).lineCount, 4) << "the other file waits";

    ReloadRequest single{kReloadEvenUnchanged};
    single.block = &f.blockOf(1);
    EXPECT_EQ(f.scanner.scan(single), 1) << "flag 8 reloads an unchanged block";
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 1) << "a still waits";
}

TEST(ReloadScan, EditedBlocksAndEditorChecksAreRespected) {
    Fixture f({{"a.txt", "a\n"}, {"b.txt", "b\n"}});
    TextBlock& a = f.blockOf(0);
    auto* data = new EditDataBase;
    a.attachEditData(data);
    rewrite(f.paths[0], "a\nnew\n");
    testing::LogCapture log;
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 0);
    EXPECT_TRUE(log.contains("[note] in edit, no reload: " + f.paths[0]));

    std::vector<std::string> statuses;
    f.scanner.callbacks.showStatus = [&](const char* text, int) { statuses.emplace_back(text); };
    ReloadRequest single{kReloadUserStarted};
    single.block = &a;
    EXPECT_EQ(f.scanner.scan(single), 0);
    EXPECT_EQ(statuses, std::vector<std::string>{"file in edit, no reload."});

    // An editor without changes lets go of the block first.
    f.scanner.callbacks.editState = [](TextBlock& block) {
        block.detachEditData(block.editData);
        return 0;
    };
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 1);
    EXPECT_EQ(a.lineCount, 5);

    f.scanner.callbacks.resolveEditors = [] { return false; };
    rewrite(f.paths[0], "a\n");
    EXPECT_EQ(f.scanner.scan({kReloadUserStarted}), 0) << "editors refused to commit";
}

TEST(ReloadScan, GatheredStatesTimeLimitAndStopRequests) {
    Fixture f({{"a.txt", "a\n"}, {"b.txt", "b\n"}, {"c.txt", "c\n"}});
    rewrite(f.paths[2], "c\nd\n");

    // The worker's states give the same answer as asking the files on this thread.
    std::shared_ptr<FileStatusList> gathered;
    FileStatWorker worker;
    testing::UiQueue ui;
    worker.start(blockNamesForCheck(f.store), tickMs(), 0,
                 [&](std::shared_ptr<FileStatusList> states) {
                     ui.post([&gathered, states] { gathered = states; });
                 });
    ASSERT_EQ(ui.drain(), 1);
    ASSERT_TRUE(gathered);
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}, gathered.get()), 1);

    // States gathered for other names count for nothing: the file is asked again.
    rewrite(f.paths[0], "a\nb\n");
    FileStatusList stale = *gathered;
    for (auto& name : stale.names) name += ".old";
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}, &stale), 1);

    // A gathering cut short by the time limit ends the scan where it stopped.
    f.settings.maxScanMs = 15000;
    FileStatusList cut;
    cut.names = blockNamesForCheck(f.store);
    cut.states.resize(cut.names.size());
    cut.states[0] = statusOfFile(cut.names[0].c_str());
    cut.timeLimitReached = true;
    testing::LogCapture log;
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}, &cut), 0);
    EXPECT_TRUE(log.contains("[blue] reload scan maxtime reached (15)"));
    EXPECT_TRUE(log.contains("scan stopped, system possibly overloaded."));
    EXPECT_FALSE(log.contains("none of"));

    // The time limit of the loop itself does not count the time spent reloading.
    int64_t clock = 0;
    f.scanner.callbacks.nowMs = [&clock] { return clock += 10000; };
    log.clear();
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}), 0);
    EXPECT_TRUE(log.contains("reload scan maxtime reached (15)"));
    f.scanner.callbacks.nowMs = nullptr;

    // A stop request is honoured between blocks.
    f.scanner.callbacks.stopRequested = [] { return true; };
    log.clear();
    for (int i = 0; i < 40; ++i) {
        auto* named = new TextBlock(&f.store);
        named->setName("/nonexistent/file.txt");
        f.store.adoptBlock(named);
    }
    f.store.renumber();
    EXPECT_EQ(f.scanner.scan({kReloadAutomatic}), 0);
    EXPECT_TRUE(log.contains("reload scan stopped."));
}

}  // namespace
}  // namespace tessel
