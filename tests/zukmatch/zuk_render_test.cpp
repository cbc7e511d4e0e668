#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "zukmatch/zuk_match.h"

namespace tessel {
namespace {

using testing::LogCapture;

class ZukRender : public ::testing::Test {
  protected:
    void SetUp() override { codePageTables().init(1252); }

    // Compiles, matches at the start of text and renders; "<no match>" or "<error>" else.
    std::string render(const char* pattern, const char* display, const std::string& text) {
        if (m.compile(pattern, display) != 0) return "<compile>";
        buffer.assign(static_cast<size_t>(m.outputSize()) + 1, '#');
        m.provideBuffer(buffer.data(), static_cast<int>(buffer.size()));
        int64_t length = static_cast<int64_t>(text.size());
        bool lineEnded = true;
        if (m.matchAt(text.data(), length, false, lineEnded, true) != kZukMatched) {
            return "<no match>";
        }
        int rendered = 0;
        int error = 0;
        const char* out = m.render(rendered, error);
        if (out == nullptr) return "<error>";
        EXPECT_EQ(out[rendered], '\0');
        return std::string(out, rendered);
    }

    ZukMatch m;
    std::vector<char> buffer;
};

TEST_F(ZukRender, Templates) {
    EXPECT_EQ(render("[white]* = function*", "[parts 2-4]", "\t  foo = function(a, b) {"),
              "foo = function(a, b) {");
    EXPECT_EQ(render("[1.5 chars of a-z]", "[part 1]x[part1]", "ab1"), "abxab");
    EXPECT_EQ(render("a[3 bytes]", "[strip(part2,\\0)]", std::string("a\0b\0", 4)), "b");
    EXPECT_EQ(render("a[3 bytes]", "[part 2]", std::string("a\0b\0", 4)), std::string("\0b\0", 3));
    EXPECT_EQ(render("[digits]:[digits]:[digits]", "[parts 5,1]-\\[\\q\\]", "1:22:333"),
              "3331-[\"]");
    EXPECT_EQ(render("[lstart]ab[2 digits][lend]", "[all]", "ab12\nx"), "ab12");
    EXPECT_EQ(render("key=*", "", "key=value"), "");
    EXPECT_EQ(render("struct [1.30 chars of a-z]**{", "[all]", "struct Point\n{"),
              "struct Point\n{");
}

TEST_F(ZukRender, FailuresAreReported) {
    LogCapture log;
    ASSERT_EQ(m.compile("abc"), 0);
    int64_t length = 3;
    bool lineEnded = true;
    ASSERT_EQ(m.matchAt("abc", length, false, lineEnded, true), kZukMatched);
    int rendered = 0;
    int error = 0;
    EXPECT_EQ(m.render(rendered, error), nullptr);
    EXPECT_NE(error, 0);
    EXPECT_TRUE(log.contains("zukmatch: missing call: provideBuffer"));

    // A buffer too small for the hit: "[all]" copies the whole hit.
    char small[3];
    m.provideBuffer(small, sizeof small);
    EXPECT_EQ(m.render(rendered, error), nullptr);
    EXPECT_TRUE(log.contains("zukmatch: output overflow.2: 3 2"));

    ASSERT_EQ(m.compile("abc", "xyz[part 1]"), 0);
    m.provideBuffer(small, sizeof small);
    length = 3;
    ASSERT_EQ(m.matchAt("abc", length, false, lineEnded, true), kZukMatched);
    EXPECT_EQ(m.render(rendered, error), nullptr);
    EXPECT_TRUE(log.contains("zukmatch: output overflow.1"));

    ZukMatch never;
    EXPECT_EQ(never.render(rendered, error), nullptr);
    EXPECT_EQ(error, kZukNotCompiled);
}

}  // namespace
}  // namespace tessel
