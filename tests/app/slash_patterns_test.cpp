#include "app/slash_patterns.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

TEST(SlashPatterns, DecodesEveryPattern) {
    std::string out;
    EXPECT_EQ(decodeSlashPatterns("a\\ b\\\\c\\n\\r\\t\\q\\x41\\x7e\\d066\\d255", out), 0);
    EXPECT_EQ(out, std::string("a b\\c\n\r\t\"A~B\xff"));

    EXPECT_EQ(decodeSlashPatterns("plain text", out), 0);
    EXPECT_EQ(out, "plain text");
}

struct SlashError {
    const char* typed;
    const char* message;
};

// Every wrong pattern names itself and suggests the doubled backslash; the value is then
// used exactly as typed, with no pattern before the wrong one decoded either.
TEST(SlashPatterns, WrongPatternLogsAndKeepsTypedText) {
    const SlashError cases[] = {
        {"\\n ok \\z", "undefined slash pattern: \\z   (use \\\\z instead)\n"},
        {"tail\\", "undefined slash pattern: \\   (use \\\\ instead)\n"},
        {"\\n\\x4", "incomplete hex slash pattern: \\x4   (use \\\\x4 instead?)\n"},
        {"\\x4g..", "wrong hex slash pattern: \\x4g   (use \\\\x4g instead?)\n"},
        {"\\d12", "incomplete decimal slash pattern: \\d12   (use \\\\d12 instead?)\n"},
        {"\\d1a3", "wrong decimal slash pattern: \\d1a   (use \\\\d1a instead?)\n"},
        {"\\d256", "wrong decimal slash pattern: \\d25   (use \\\\d25 instead?)\n"},
        // A zero byte would end the mask where it stands.
        {"include\\x00zzzz",
         "zero byte slash pattern not allowed: \\x00   (use \\\\x00 to search it as typed)\n"},
        {"a\\d000b",
         "zero byte slash pattern not allowed: \\d000   (use \\\\d000 to search it as typed)\n"},
    };
    for (const SlashError& one : cases) {
        testing::LogCapture log;
        std::string out;
        EXPECT_EQ(decodeSlashPatterns(one.typed, out), 9) << one.typed;
        EXPECT_EQ(out, one.typed);
        ASSERT_EQ(log.messages().size(), 1u) << one.typed;
        EXPECT_EQ(log.messages()[0], one.message);
    }
}

}  // namespace
}  // namespace tessel
