#include "zukmatch/zuk_match.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::LogCapture;

// The outcome of one attempt at the start of `text` (a line start, the last record).
struct Attempt {
    int result = -1;
    int64_t length = -1;
    bool lineEnded = false;
};

class ZukMatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        setTraceMode(false);
    }
    void TearDown() override { setTraceMode(false); }

    Attempt attempt(const std::string& text, bool atDataStart = false, bool lastRecord = true,
                    bool lineStart = true) {
        Attempt a;
        a.length = static_cast<int64_t>(text.size());
        a.lineEnded = lineStart;
        a.result = m.matchAt(text.data(), a.length, atDataStart, a.lineEnded, lastRecord);
        return a;
    }
    // The hit length, or -1 when there is no match.
    int64_t hit(const char* pattern, const std::string& text, unsigned flags = 0) {
        EXPECT_EQ(m.compile(pattern, "[all]", flags), 0) << pattern;
        const Attempt a = attempt(text);
        return a.result == kZukMatched ? a.length : -1;
    }

    ZukMatch m;
};

TEST_F(ZukMatchTest, LettersFoldExceptNumericEscapes) {
    EXPECT_EQ(hit("abc", "ABC"), 3);
    EXPECT_EQ(hit("\\x61bc", "Abc"), -1);
    EXPECT_EQ(hit("\\x61bc", "aBC"), 3);
    EXPECT_EQ(hit("abc", "ABC", kZukCaseSensitive), -1);
    EXPECT_EQ(hit("caf\xe9", "CAF\xc9"), 4);  // the code page's letters, not only ASCII
    EXPECT_EQ(hit("[bytes of x]", "X"), -1);  // single list bytes stay as written
    EXPECT_EQ(hit("[bytes of a-c]", "B"), 1);
    // A literal that starts with an exact byte rejects the other case at once.
    ASSERT_EQ(m.compile("\\x61bc"), 0);
    EXPECT_EQ(attempt("Abc").result, kZukHeadMiss);
}

TEST_F(ZukMatchTest, CountsAndPriorities) {
    EXPECT_EQ(hit("[2.5 digits]x", "123x"), 4);
    EXPECT_EQ(hit("[2.5 digits]x", "1x"), -1);
    EXPECT_EQ(hit("[2.5 digits]x", "123456x"), -1);  // five taken, then "x" meets "6"
    EXPECT_EQ(hit("*x", "aaxbx"), 3);
    EXPECT_EQ(hit("??", "ab"), 2);
    EXPECT_EQ(hit("??", std::string("a\0", 2)), -1);
    EXPECT_EQ(hit("[3 bytes]", std::string("\0\n\r", 3)), 3);
    EXPECT_EQ(hit("[1 bytes]x", "ax"), 2);

    // The letter class stops at the blank (white has the same priority), "*" at "::".
    ASSERT_EQ(m.compile("[1.100 chars of a-z0-9_][0.10 white]*::"), 0);
    ASSERT_EQ(attempt("void  Foo::bar(int a)").result, kZukMatched);
    EXPECT_EQ(m.part(1), "void");
    EXPECT_EQ(m.part(2), "  ");
    EXPECT_EQ(m.part(3), "Foo");
    EXPECT_EQ(m.part(4), "::");
}

// A class that has stopped is never revisited: a lower-priority neighbour cannot stop it,
// so it takes the "x" the literal would have needed.
TEST_F(ZukMatchTest, NoBacktracking) {
    EXPECT_EQ(hit("[chars of a-z]*x", "abx"), -1);
    EXPECT_EQ(hit("[chars of a-z]x", "abx"), 3);
    EXPECT_EQ(hit("[1.3 bytes of ab]bc", "abbc"), 4);
    // A long run costs one pass: the class ends where the literal first fits.
    const std::string text = std::string(4000, 'a') + "b";
    EXPECT_EQ(hit("*b", text), 4001);
    EXPECT_EQ(hit("*ab", std::string(4095, 'a') + "b"), 4096);
}

TEST_F(ZukMatchTest, LineEndsAndPositionMarkers) {
    ASSERT_EQ(m.compile("abc[lend]"), 0);
    Attempt a = attempt("abc\r\nx");
    EXPECT_EQ(a.result, kZukMatched);
    EXPECT_EQ(a.length, 3);  // the line end is not taken
    EXPECT_TRUE(a.lineEnded);
    EXPECT_EQ(attempt("abcd").result, kZukNoMatch);
    EXPECT_EQ(attempt("abc").result, kZukMatched);                     // the data ends here
    EXPECT_EQ(attempt("abc", false, false).result, kZukNoMatch);       // more data may follow
    EXPECT_EQ(attempt(std::string("abc\0x", 5)).result, kZukMatched);  // stored line end

    EXPECT_EQ(hit("a[eol]b", "a\r\nb"), 4);
    EXPECT_EQ(hit("a[eol]b", "a\nb"), 3);
    EXPECT_EQ(hit("a[eol]b", "a\rb"), 3);
    EXPECT_EQ(hit("a[eol]b", std::string("a\0b", 3)), 3);
    EXPECT_EQ(hit("a[eol]b", "a b"), -1);

    ASSERT_EQ(m.compile("x[eol][lstart]y"), 0);
    EXPECT_EQ(attempt("x\ny").result, kZukMatched);
    ASSERT_EQ(m.compile("[lstart]abc"), 0);
    EXPECT_EQ(attempt("abc", false, true, true).result, kZukMatched);
    EXPECT_EQ(attempt("abc", false, true, false).result, kZukNoMatch);
    EXPECT_EQ(attempt("abc", true, true, false).result, kZukMatched);

    ASSERT_EQ(m.compile("[start]abc"), 0);
    EXPECT_EQ(attempt("abc", true).result, kZukMatched);
    EXPECT_EQ(attempt("abc", false).result, kZukStartOnly);

    ASSERT_EQ(m.compile("abc[end]"), 0);
    EXPECT_EQ(attempt("abc").result, kZukMatched);
    EXPECT_EQ(attempt("abc", false, false).result, kZukNoMatch);
    EXPECT_EQ(attempt("abcd").result, kZukNoMatch);

    ASSERT_EQ(m.compile("abc[eol]"), 0);
    EXPECT_TRUE(attempt("abc\n").lineEnded);
    ASSERT_EQ(m.compile("abc"), 0);
    EXPECT_FALSE(attempt("abc\n").lineEnded);
}

TEST_F(ZukMatchTest, WhereTheBytesEnd) {
    EXPECT_EQ(hit("abc*", "abc"), 3);         // an optional last token may stay empty
    EXPECT_EQ(hit("[2.5 digits]", "1"), -1);  // a minimum is a minimum at the end too
    EXPECT_EQ(hit("abc", "ab"), -1);
    // The hit never runs past the given length, even when more bytes follow in memory.
    ASSERT_EQ(m.compile("abcd"), 0);
    const std::string text = "abcd";
    int64_t length = 3;
    bool lineEnded = true;
    EXPECT_EQ(m.matchAt(text.data(), length, false, lineEnded, true), kZukNoMatch);
    // Empty text: only what may be empty matches.
    ASSERT_EQ(m.compile("[end]"), 0);
    EXPECT_EQ(attempt("").result, kZukMatched);
}

TEST_F(ZukMatchTest, StarStaysOnItsLineUnlessTold) {
    EXPECT_EQ(hit("a*b", "a\nb"), -1);
    EXPECT_EQ(hit("a*b", "a\nb", kZukStarCrossesLines), 3);
    EXPECT_EQ(hit("a**b", std::string("a\0\nb", 4)), 4);
    EXPECT_EQ(hit("a?b", "a\nb", kZukStarCrossesLines), 3);
}

TEST_F(ZukMatchTest, EmptyHitsAndTraceLines) {
    LogCapture log;
    setTraceMode(true);
    EXPECT_EQ(hit("*", "\nabc"), -1);
    EXPECT_TRUE(log.contains("zukmatch: match.empty: return miss"));

    ASSERT_EQ(m.compile("[start]"), 0);
    Attempt a = attempt("abc", true);
    EXPECT_EQ(a.result, kZukMatched);
    EXPECT_EQ(a.length, 0);
    EXPECT_TRUE(log.contains("zukmatch: MATCH : /[start]/ at file start"));
    ASSERT_EQ(m.compile("[end]"), 0);
    EXPECT_EQ(attempt("").result, kZukMatched);
    EXPECT_TRUE(log.contains("zukmatch: MATCH : /[end]/ at file end"));

    setTraceMode(false);
    log.clear();
    EXPECT_EQ(hit("*", "\n"), -1);
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(ZukMatchTest, PartsKeepTheLastMatch) {
    ASSERT_EQ(m.compile("[1.9 digits]-[1.9 digits]"), 0);
    ASSERT_EQ(attempt("12-345").result, kZukMatched);
    EXPECT_EQ(attempt("12-x").result, kZukNoMatch);
    EXPECT_EQ(m.part(1), "12");  // the failed attempt left the parts alone
    EXPECT_EQ(m.part(3), "345");
    EXPECT_EQ(m.part(4), "");
    ZukMatch fresh;
    int64_t length = 3;
    bool lineEnded = true;
    EXPECT_EQ(fresh.matchAt("abc", length, false, lineEnded, true), kZukNotCompiled);
}

}  // namespace
}  // namespace tessel
