#include "load/folder_walk.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace tessel {
namespace {

struct Walked {
    std::vector<std::string> files;  // relative to the temporary folder
    std::vector<bool> named;
    WalkCounts counts;
    int rc = 0;
};

Walked walk(const testing::TempDir& dir, const std::string& fileSetText, WalkOptions options = {},
            int stopAfter = -1) {
    Walked out;
    FileSet set;
    EXPECT_EQ(parseFileSet(fileSetText, true, set), 0) << set.error;
    for (FileSetLayer& layer : set.layers) {
        for (std::string& root : layer.roots) root = dir.path() + "/" + root;
    }
    WalkHooks hooks;
    hooks.takeFile = [&](const char* path, const char*, bool named) {
        out.files.push_back(std::string(path).substr(dir.path().size() + 1));
        out.named.push_back(named);
        return 0;
    };
    hooks.stopRequested = [&] {
        return stopAfter >= 0 && static_cast<int>(out.files.size()) >= stopAfter;
    };
    out.rc = walkFileSet(set, options, hooks, out.counts);
    return out;
}

// The order the file system lists a folder in, depth first: what the walk must follow.
void listInFileSystemOrder(const std::string& base, const std::string& relative,
                           std::vector<std::string>& out) {
    DIR* dir = opendir((base + "/" + relative).c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = relative.empty() ? name : relative + "/" + name;
        if (std::filesystem::is_directory(base + "/" + path))
            listInFileSystemOrder(base, path, out);
        else
            out.push_back("r/" + path);
    }
    closedir(dir);
}

TEST(FolderWalk, FileSystemOrderDepthFirstWithMasks) {
    testing::TempDir dir;
    for (const char* name : {"r/b.txt", "r/a.txt", "r/sub/c.txt", "r/sub/deep/d.txt", "r/e.txt",
                             "r/z/f.txt", "r/tmp/skip.txt", "r/sub/old.txt", "r/g.cpp"})
        dir.write(name, "x\n");
    std::vector<std::string> expected;
    listInFileSystemOrder(dir.path() + "/r", "", expected);
    std::erase_if(expected, [](const std::string& p) {
        return p.find("/tmp/") != std::string::npos || p.ends_with("old.txt") ||
               p.ends_with(".cpp");
    });
    Walked walked = walk(dir, "-dir r !\\tmp -file .txt !old");
    EXPECT_EQ(walked.rc, 0);
    EXPECT_EQ(walked.files, expected);
}

TEST(FolderWalk, HiddenSubfoldersAndNamedRoots) {
    testing::TempDir dir;
    dir.write("r/.hidden.txt", "x\n");
    dir.write("r/.git/config.txt", "x\n");
    dir.write("r/sub/a.txt", "x\n");
    dir.write("r/top.txt", "x\n");
    dir.write("single.bin", "x\n");

    Walked walked = walk(dir, "-dir r");
    EXPECT_EQ(walked.files.size(), 2u);
    EXPECT_EQ(walked.counts.hiddenFiles, 1u);
    EXPECT_EQ(walked.counts.hiddenFolders, 1u);

    WalkOptions options;
    options.loadHidden = true;
    EXPECT_EQ(walk(dir, "-dir r", options).files.size(), 4u);
    options = {};
    options.loadSub = false;
    EXPECT_EQ(walk(dir, "-dir r", options).files, std::vector<std::string>{"r/top.txt"});

    // A file given as a root is taken as named, whatever the masks say.
    Walked single = walk(dir, "single.bin .txt");
    ASSERT_EQ(single.files.size(), 1u);
    EXPECT_TRUE(single.named[0]);
}

TEST(FolderWalk, OddEntriesAreSkippedWithoutHanging) {
    testing::TempDir dir;
    dir.write("r/good.txt", "x\n");
    dir.write("r/sub/in.txt", "x\n");
    std::string root = dir.path() + "/r";
    ASSERT_EQ(mkfifo((root + "/pipe.txt").c_str(), 0600), 0);
    ASSERT_EQ(symlink("nowhere", (root + "/broken.txt").c_str()), 0);
    ASSERT_EQ(symlink("..", (root + "/sub/up").c_str()), 0);
    ASSERT_EQ(symlink(".", (root + "/self").c_str()), 0);
    std::string odd = "r/new\nline.txt";
    dir.write(odd, "x\n");

    testing::LogCapture log;
    Walked walked = walk(dir, "-dir r");
    EXPECT_EQ(walked.rc, 0);
    std::sort(walked.files.begin(), walked.files.end());
    EXPECT_EQ(walked.files, (std::vector<std::string>{"r/good.txt", odd, "r/sub/in.txt"}));
    EXPECT_EQ(walked.counts.specialFiles, 1u);
    EXPECT_EQ(walked.counts.loopsSkipped, 2u);
    EXPECT_TRUE(log.contains("broken.txt"));

    Walked missing = walk(dir, "-dir nothere r");
    EXPECT_EQ(missing.rc, 9);
    EXPECT_EQ(missing.files.size(), 3u) << "the other roots are still walked";
    EXPECT_TRUE(log.contains("directory not found:"));
}

TEST(FolderWalk, StopEndsAfterTheCurrentFile) {
    testing::TempDir dir;
    for (int i = 0; i < 6; ++i) dir.write("r/d" + std::to_string(i) + "/f.txt", "x\n");
    Walked walked = walk(dir, "-dir r", {}, 2);
    EXPECT_EQ(walked.rc, 1);
    EXPECT_EQ(walked.files.size(), 2u);
}

TEST(FolderWalk, EntriesVanishingDuringTheWalk) {
    testing::TempDir dir;
    for (const char* name : {"r/a/x.txt", "r/b/y.txt", "r/c/z.txt", "r/w.txt"})
        dir.write(name, "x\n");
    FileSet set;
    ASSERT_EQ(parseFileSet("-dir \"" + dir.path() + "/r\"", true, set), 0);
    std::vector<std::string> taken;
    WalkHooks hooks;
    hooks.takeFile = [&](const char* path, const char*, bool) {
        if (taken.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir.path() + "/r", ignored);
        }
        taken.emplace_back(path);
        return 0;
    };
    WalkCounts counts;
    EXPECT_EQ(walkFileSet(set, {}, hooks, counts), 0);
    // Entries already listed may still be handed on; the reader reports those it cannot open.
    EXPECT_LE(taken.size(), 2u);
}

// Permissions do not bind root, so as root the walk runs in a child that gives them up.
TEST(FolderWalk, UnreadableFolderIsReportedAndSkipped) {
    testing::TempDir dir;
    dir.write("r/locked/a.txt", "x\n");
    dir.write("r/open.txt", "x\n");
    std::string locked = dir.path() + "/r/locked";
    chmod(dir.path().c_str(), 0755);
    chmod((dir.path() + "/r").c_str(), 0755);
    chmod((dir.path() + "/r/open.txt").c_str(), 0644);
    chmod(locked.c_str(), 0);
    auto check = [&] {
        testing::LogCapture log;
        Walked walked = walk(dir, "-dir r");
        return walked.files == std::vector<std::string>{"r/open.txt"} &&
               walked.counts.unreadableFolders == 1 && log.contains("cannot read dir:");
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(check());
    } else {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
            _exit(check() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot give up root here";
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    chmod(locked.c_str(), 0700);
}

// Files may be opened by their name in the open folder the walk hands along; that folder
// must stay usable after the walk has left it.
TEST(FolderWalk, FilesComeWithTheirOpenFolder) {
    testing::TempDir dir;
    dir.write("r/a.txt", "a");
    dir.write("r/s/b.txt", "b");
    dir.write("r/s/t/c.txt", "c");
    FileSet set;
    ASSERT_EQ(parseFileSet(dir.path() + "/r", true, set), 0) << set.error;
    std::vector<std::pair<FolderRef, std::string>> kept;
    WalkHooks hooks;
    hooks.takeFileInFolder = [&](const char* path, const char*, bool, const FolderRef& folder,
                                 const char* nameInFolder) {
        std::string whole = path;
        std::string name = nameInFolder;
        EXPECT_TRUE(whole.size() > name.size() && whole.compare(whole.size() - name.size() - 1,
                                                                std::string::npos, "/" + name) == 0)
            << whole << " / " << name;
        EXPECT_TRUE(folder && folder->fd >= 0);
        kept.emplace_back(folder, name);
        return 0;
    };
    WalkCounts counts;
    ASSERT_EQ(walkFileSet(set, WalkOptions{}, hooks, counts), 0);
    ASSERT_EQ(kept.size(), 3u);
    for (const auto& [folder, name] : kept) {
        struct stat info {};
        EXPECT_EQ(fstatat(folder->fd, name.c_str(), &info, 0), 0) << name;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
    }
}

}  // namespace
}  // namespace tessel
