#include "app/load_choice.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "test_support.h"

namespace tessel {
namespace {

using Words = std::vector<std::string>;

TEST(LoadChoice, SplitsAtBlanksOutsideQuotes) {
    EXPECT_EQ(splitLoadArgument(""), Words{});
    EXPECT_EQ(splitLoadArgument("  a  b "), (Words{"a", "b"}));
    EXPECT_EQ(splitLoadArgument("\"my dir\" .cpp"), (Words{"my dir", ".cpp"}));
    EXPECT_EQ(splitLoadArgument("-dir \"\" -file .txt"), (Words{"-dir", "", "-file", ".txt"}));
}

TEST(LoadChoice, EmptyArgumentLoadsTheIntroAndHelpWordsAreConsumed) {
    EXPECT_EQ(chooseLoad("").kind, LoadKind::kIntro);
    LoadChoice help = chooseLoad("-help");
    EXPECT_TRUE(help.help);
    EXPECT_EQ(help.kind, LoadKind::kIntro);
}

TEST(LoadChoice, SnapfileFolderAndPlainFile) {
    testing::TempDir dir;
    std::string snap = dir.write("all.snap", ":snapfile zuk,1.0.7,lprefix=:file:\n:file:\nx\n");
    std::string text = dir.write("notes.txt", "just text\n");
    dir.write("sub/a.txt", "a\n");

    LoadChoice snapChoice = chooseLoad(snap);
    EXPECT_EQ(snapChoice.kind, LoadKind::kSnapfile);

    LoadChoice textChoice = chooseLoad(text);
    EXPECT_EQ(textChoice.kind, LoadKind::kFileSet) << "a plain file goes through the file set";

    LoadChoice folder = chooseLoad(dir.path() + "/sub///");
    EXPECT_EQ(folder.kind, LoadKind::kFileSet);
    EXPECT_EQ(folder.startFolder, dir.path() + "/sub");
    EXPECT_EQ(folder.argument, dir.path() + "/sub");

    EXPECT_EQ(chooseLoad(".").kind, LoadKind::kFileSet);
    EXPECT_EQ(chooseLoad("-dir a -file .txt").kind, LoadKind::kFileSet);
    EXPECT_EQ(chooseLoad("-nosuchoption").kind, LoadKind::kSnapfile)
        << "a lone dash word is taken as a snapfile name and fails as such";
}

// A file manager passes the chosen files and folders as separate words; they load as one
// file set of roots, while a folder followed by masks keeps its short form.
TEST(LoadChoice, SeveralExistingPathsAreTheRootsOfOneFileSet) {
    testing::TempDir dir;
    std::string notes = dir.write("my notes.txt", "a\n");
    dir.write("src/a.cpp", "b\n");
    const std::string src = dir.path() + "/src";

    LoadChoice several = chooseLoad("\"" + notes + "\" " + src + "/");
    EXPECT_EQ(several.kind, LoadKind::kFileSet);
    EXPECT_EQ(several.argument, "-dir \"" + notes + "\" \"" + src + "\" -file");
    EXPECT_EQ(several.startFolder, "");

    EXPECT_EQ(chooseLoad(src + " .cpp .hpp").argument, src + " .cpp .hpp")
        << "masks that name no file stay masks";
    EXPECT_EQ(chooseLoad(src + " -file .cpp").argument, src + " -file .cpp");
    EXPECT_EQ(chooseLoad("-dir " + src + " " + src).argument, "-dir " + src + " " + src);
}

TEST(LoadChoice, RootFolderKeepsItsSlash) {
    LoadChoice root = chooseLoad("/");
    EXPECT_EQ(root.words[0], "/");
    EXPECT_EQ(root.startFolder, "/");
}

// A file swapped for a named pipe between the start-up check and the open must not block the
// start: the open never waits for a writer, and what is not a regular file is refused.
TEST(LoadChoice, FileSwappedForANamedPipeNeverBlocks) {
    testing::TempDir dir;
    std::string path = dir.write("log.txt", ":snapfile zuk,1.0.7,lprefix=:file:\n");
    std::string pipe = dir.path() + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);

    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        while (!stop) renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, pipe.c_str(), RENAME_EXCHANGE);
    });
    int snapfiles = 0;
    for (int round = 0; round < 2000; ++round) {
        if (chooseLoad(path).kind == LoadKind::kSnapfile) ++snapfiles;
    }
    stop = true;
    swapper.join();
    SUCCEED() << snapfiles << " of 2000 rounds saw the snapfile";
}

}  // namespace
}  // namespace tessel
