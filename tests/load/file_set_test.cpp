#include "load/file_set.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

TEST(FileSetParse, FullFormWithQuotedRootsAndMasks) {
    FileSet set;
    ASSERT_EQ(parseFileSet("-dir src \"my docs/\" !\\tmp *lib -file .txt !old", true, set), 0);
    ASSERT_EQ(set.layers.size(), 1u);
    const FileSetLayer& layer = set.layers[0];
    ASSERT_EQ(layer.roots.size(), 2u);
    EXPECT_EQ(layer.roots[0], "src");
    EXPECT_EQ(layer.roots[1], "my docs") << "quotes removed, trailing slash dropped";
    EXPECT_EQ(layer.dirMasks.source, "!\\tmp *lib");
    EXPECT_EQ(layer.fileMasks.source, ".txt !old");
    EXPECT_EQ(set.firstRoot(), "src");
    EXPECT_EQ(set.rootCount(), 2u);
}

TEST(FileSetParse, ShortFormsAndDefaultRoot) {
    FileSet set;
    ASSERT_EQ(parseFileSet("project .hpp .cpp", true, set), 0);
    ASSERT_EQ(set.layers.size(), 1u);
    EXPECT_EQ(set.layers[0].roots, std::vector<std::string>{"project"});
    EXPECT_EQ(set.fileMaskText(), ".hpp .cpp");

    ASSERT_EQ(parseFileSet("-dir -file .txt", true, set), 0);
    EXPECT_EQ(set.firstRoot(), ".") << "an empty root means the current folder";
    ASSERT_EQ(parseFileSet("-file .txt", true, set), 0);
    EXPECT_EQ(set.firstRoot(), ".");
    ASSERT_EQ(parseFileSet("-dir \"\"", true, set), 0);
    EXPECT_EQ(set.firstRoot(), ".");
    ASSERT_EQ(parseFileSet("-dir / -all", true, set), 0);
    EXPECT_EQ(set.firstRoot(), "/") << "the file-system root keeps its slash";
}

TEST(FileSetParse, LayersKeepTheirOwnMasks) {
    FileSet set;
    ASSERT_EQ(parseFileSet("-dir a -file .c -dir b !\\x -file .h", true, set), 0);
    ASSERT_EQ(set.layers.size(), 2u);
    EXPECT_EQ(set.layers[0].fileMasks.source, ".c");
    EXPECT_TRUE(set.layers[0].dirMasks.empty());
    EXPECT_EQ(set.layers[1].roots, std::vector<std::string>{"b"});
    EXPECT_EQ(set.layers[1].fileMasks.source, ".h");
}

TEST(FileSetParse, ErrorsCarryAMessageAndLeaveNoLayers) {
    FileSet set;
    for (const char* bad : {"", "   ", "-dir \"unclosed", "-dir a -bogus", "-sfile x"}) {
        EXPECT_EQ(parseFileSet(bad, true, set), 9) << bad;
        EXPECT_FALSE(set.error.empty()) << bad;
        EXPECT_TRUE(set.layers.empty()) << bad;
    }
    EXPECT_EQ(parseFileSet(std::string(kRootPathBytes + 5, 'r'), true, set), 9);
}

TEST(FileSetText, BuildsParsableTextAndRefusesOverflow) {
    std::string text;
    ASSERT_EQ(buildFileSetText("", "*tmp", ".txt", text), 0);
    EXPECT_EQ(text, "-dir \".\" *tmp -file .txt");
    FileSet set;
    ASSERT_EQ(parseFileSet(text, true, set), 0);
    EXPECT_EQ(set.firstRoot(), ".");
    EXPECT_EQ(set.dirMaskText(), "*tmp");

    testing::LogCapture log;
    EXPECT_EQ(buildFileSetText(std::string(kFileSetTextBytes, 'd'), "", ".txt", text), 9);
    EXPECT_TRUE(text.empty()) << "a cut text could drop its masks";
    EXPECT_TRUE(log.contains("file set text too long"));
}

}  // namespace
}  // namespace tessel
