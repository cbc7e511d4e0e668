#include "text/file_classify.h"

#include <gtest/gtest.h>

#include <string>

namespace tessel {
namespace {

FileClass classify(const std::string& bytes, bool readWide = false, const char* name = "a.txt") {
    return classifyFileStart(name, reinterpret_cast<const unsigned char*>(bytes.data()),
                             bytes.size(), readWide);
}

std::string littleEndian(const std::string& text) {
    std::string out = "\xFF\xFE";
    for (char c : text) out += std::string{c, '\0'};
    return out;
}

TEST(FileClassify, WideTextNeedsMarkAndTextUnits) {
    std::string le = littleEndian("hello world");
    EXPECT_TRUE(classify(le).wide && classify(le).binary) << "wide text as bytes holds NULs";
    EXPECT_FALSE(classify(le, true).binary);

    std::string be = "\xFE\xFF";
    for (char c : std::string("hi there")) be += std::string{'\0', c};
    EXPECT_TRUE(classify(be, true).wide && classify(be, true).bigEndian);

    // A control byte as character, or a text byte in the other half, is not wide text;
    // only the first ten units are probed.
    EXPECT_FALSE(classify(littleEndian("ab\x01"), true).wide);
    EXPECT_FALSE(classify("\xFF\xFE"
                          "abcd",
                          true)
                     .wide);
    EXPECT_TRUE(classify(littleEndian("0123456789") + "xy", true).wide);
}

TEST(FileClassify, BinaryDatabaseAndSnapfile) {
    EXPECT_TRUE(classify(std::string("ab\0cd", 5)).binary);
    std::string lateNul(kClassifyBytes, 'x');
    EXPECT_FALSE(classify(lateNul + '\0').binary) << "only the first 4096 bytes count";

    std::string database = ":tessel-database,1\nfoo\n";
    EXPECT_TRUE(classify(database, false, "/x/terms.QVDB").binary);
    EXPECT_FALSE(classify(database, false, "/x/terms.txt").binary);
    EXPECT_FALSE(classify("other text", false, "/x/terms.qvdb").database);

    EXPECT_TRUE(classify(":snapfile zuk,1.0.7,lprefix=:file:\n").snapfile);
    EXPECT_TRUE(classify(":cluster zuk,x").snapfile);
    EXPECT_FALSE(classify(":snapfile zuk,").snapfile) << "the magic alone is no collection";
    EXPECT_FALSE(classify(":Snapfile zuk,1.0.7\n").snapfile);
}

}  // namespace
}  // namespace tessel
