#include "load/file_mask.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "base/log/message_log.h"

namespace tessel {
namespace {

bool keeps(const MaskList& masks, const std::string& path, bool* named = nullptr) {
    char target[kMaskTargetBytes];
    return masks.keeps(makeMaskTarget(target, path), named);
}

TEST(FileMask, EndingIncludeAndExclusion) {
    MaskList masks;
    masks.parse(".txt !old", true);
    EXPECT_TRUE(keeps(masks, "dir/a.txt"));
    EXPECT_TRUE(keeps(masks, "dir/b.TXT")) << "matching ignores case";
    EXPECT_FALSE(keeps(masks, "dir/old.txt")) << "an exclusion wins over an inclusion";
    EXPECT_FALSE(keeps(masks, "dir/a.txt.bak")) << "an ending must end the name";
    EXPECT_FALSE(keeps(masks, "dir/a.cpp"));
}

TEST(FileMask, WildcardsPartsAndAnyCharacter) {
    MaskList masks;
    masks.parse("foo*bar", true);
    EXPECT_TRUE(keeps(masks, "x/foo-and-bar.c"));
    EXPECT_FALSE(keeps(masks, "x/bar-and-foo.c")) << "parts must occur in order";
    masks.parse("a?c", true);
    EXPECT_TRUE(keeps(masks, "abc.txt"));
    EXPECT_FALSE(keeps(masks, "ac.txt"));
    masks.parse("", true);
    EXPECT_TRUE(masks.acceptsAll());
    EXPECT_TRUE(keeps(masks, "anything"));
    masks.parse("*", true);
    EXPECT_TRUE(masks.acceptsAll());
    masks.parse("!", true);
    EXPECT_TRUE(masks.empty()) << "a lone ! excludes nothing";
}

TEST(FileMask, ColonExcludesOnlyInLinuxMode) {
    MaskList masks;
    masks.parse(":old", true);
    EXPECT_FALSE(keeps(masks, "old.txt"));
    EXPECT_TRUE(keeps(masks, "new.txt"));
    masks.parse(":old", false);
    EXPECT_TRUE(keeps(masks, "x/:old.txt"));
    EXPECT_FALSE(keeps(masks, "new.txt"));
}

TEST(FileMask, PlainWordNamesAFileExplicitly) {
    MaskList masks;
    masks.parse(".txt notes.bin", true);
    bool named = true;
    EXPECT_TRUE(keeps(masks, "d/a.txt", &named));
    EXPECT_FALSE(named) << "an ending names no file";
    EXPECT_TRUE(keeps(masks, "d/notes.bin", &named));
    EXPECT_TRUE(named);
    masks.parse("*.bin", true);
    EXPECT_TRUE(keeps(masks, "d/notes.bin", &named));
    EXPECT_FALSE(named) << "a wildcard mask names no file";
}

TEST(FolderMask, ConversionAndSlashForms) {
    std::string converted;
    ASSERT_EQ(convertDirMask("tmp !\\cache", converted), 0);
    EXPECT_EQ(converted, "*tmp !\\cache");
    MaskList masks;
    masks.parse(converted, true);
    EXPECT_TRUE(keeps(masks, "src/mytmp"));
    EXPECT_FALSE(keeps(masks, "src/lib")) << "an inclusion keeps only matching folders";
    EXPECT_FALSE(keeps(masks, "tmp/cache"));

    for (const char* exclusion : {"!\\tmp", "!/tmp"}) {
        masks.parse(exclusion, true);
        EXPECT_FALSE(keeps(masks, "tmp")) << exclusion;
        EXPECT_FALSE(keeps(masks, "a/b/TMP")) << exclusion;
        EXPECT_FALSE(keeps(masks, "a\\tmp\\deeper")) << exclusion;
        EXPECT_TRUE(keeps(masks, "a/src")) << exclusion;
        EXPECT_TRUE(keeps(masks, "a/mytmp")) << "the slash anchors the folder name";
    }
}

TEST(FolderMask, TooLongIsRefusedAndTraceShowsBothForms) {
    testing::LogCapture log;
    std::string converted;
    std::string longMask(kDirMaskBufferBytes, 'x');
    EXPECT_EQ(convertDirMask(longMask, converted), 9);
    EXPECT_TRUE(converted.empty());
    EXPECT_TRUE(log.contains("sub dir mask is too long"));

    setTraceMode(true);
    EXPECT_EQ(convertDirMask("tmp", converted), 0);
    setTraceMode(false);
    EXPECT_TRUE(log.contains("dirmask-raw: \"tmp\""));
    EXPECT_TRUE(log.contains("dirmask-zuk: \"*tmp\""));
}

TEST(FileMask, TargetIsBoundedAndNormalised) {
    char target[kMaskTargetBytes];
    EXPECT_EQ(makeMaskTarget(target, "./A\\b//c"), "/a/b/c/");
    EXPECT_EQ(makeMaskTarget(target, ""), "/");
    std::string huge(3 * kMaskTargetBytes, 'q');
    std::string_view cut = makeMaskTarget(target, huge);
    EXPECT_LE(cut.size(), kMaskTargetBytes);
    EXPECT_EQ(cut.back(), '/');
}

}  // namespace
}  // namespace tessel
