#include "app/load_choice.h"

#include <gtest/gtest.h>

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

TEST(LoadChoice, RootFolderKeepsItsSlash) {
    LoadChoice root = chooseLoad("/");
    EXPECT_EQ(root.words[0], "/");
    EXPECT_EQ(root.startFolder, "/");
}

}  // namespace
}  // namespace tessel
