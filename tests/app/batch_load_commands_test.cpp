#include <gtest/gtest.h>

#include <string>

#include "app/batch_driver.h"
#include "platform/key_codes.h"

namespace tessel {
namespace {

TEST(BatchLoadCommands, MenuAndPathAnswersAndDrops) {
    BatchCommand c;
    std::string error;
    ASSERT_EQ(parseBatchLine("answer menu 5", 1, c, error), 0);
    EXPECT_EQ(c.verb, BatchVerb::kAnswerMenu);
    EXPECT_EQ(c.value, 5);
    ASSERT_EQ(parseBatchLine("answer path  my folder/sub ", 1, c, error), 0);
    EXPECT_EQ(c.verb, BatchVerb::kAnswerPath);
    EXPECT_EQ(c.text, "my folder/sub") << "a path keeps its inner blanks";
    ASSERT_EQ(parseBatchLine("drop data ctrl shift", 1, c, error), 0);
    EXPECT_EQ(c.verb, BatchVerb::kDrop);
    EXPECT_EQ(c.text, "data");
    EXPECT_EQ(c.modifiers, kModShift | kModControl);
    ASSERT_EQ(parseBatchLine("drop shift", 1, c, error), 0);
    EXPECT_EQ(c.text, "shift") << "a lone word is the path";
    EXPECT_EQ(c.modifiers, 0);
    for (const char* wrong : {"answer menu", "answer menu 2 3", "answer path", "drop"})
        EXPECT_EQ(parseBatchLine(wrong, 1, c, error), 9) << wrong;
}

}  // namespace
}  // namespace tessel
