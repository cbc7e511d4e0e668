#include "search/line_match.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "reference_match.h"
#include "search_test_data.h"
#include "test_support.h"

namespace tessel {
namespace {

class LineMatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        fold = codePageTables().buildFoldTable(false, true, true);
    }

    // Matches with the line's own mask, as the store keeps it.
    bool match(const std::string& mask, const std::string& line, int start = 0) {
        expr.compile(mask, false, fold);
        offset = length = -1;
        return matchLine(line.c_str(), codePageTables().maskOf(line.c_str()), expr, fold, start,
                         &offset, &length, flags, work);
    }

    FoldTable fold;
    SearchExpression expr;
    MatchFlags flags;
    WorkLine work;
    int offset = 0;
    int length = 0;
};

TEST_F(LineMatchTest, GroupsAndSpans) {
    EXPECT_TRUE(match("a OR b", "xx b "));
    EXPECT_EQ(offset, 3);
    EXPECT_EQ(length, 1);
    EXPECT_TRUE(match("a*b", "b a b "));
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(length, 3);
    EXPECT_TRUE(match("NOT x", "abc "));
    EXPECT_EQ(length, 0);  // a match without a span
    EXPECT_FALSE(match("NOT x", "a x "));
    EXPECT_FALSE(match("x NOT y", "x y "));
    EXPECT_TRUE(match("x NOT y", "x z "));
    EXPECT_TRUE(match("foo AND bar", "FOO BAR"));
    EXPECT_FALSE(match("foo AND bar", "foo only"));
    EXPECT_TRUE(match("a NOT b*c", "a c b "));
    EXPECT_FALSE(match("a NOT b*c", "a b c "));
    EXPECT_TRUE(match("a NOT b*c", "a b "));  // c is not required: its class may be missing
    EXPECT_TRUE(match("NOT b*q", "a "));
    EXPECT_TRUE(match("zz OR a AND b", "a b"));
    EXPECT_FALSE(match("", "anything"));
}

TEST_F(LineMatchTest, SequenceFlag) {
    EXPECT_FALSE(match("foo*bar", "bar x foo "));
    EXPECT_TRUE(match("foo*bar", "foo x bar "));
    EXPECT_FALSE(match("ab*b", "ab "));  // AND terms may not overlap
    flags.sequenceSensitive = false;
    EXPECT_TRUE(match("foo*bar", "bar x foo "));
    EXPECT_TRUE(match("ab*b", "ab "));
}

TEST_F(LineMatchTest, LineStartAndEnd) {
    EXPECT_TRUE(match("LSTART abc", "abcdef "));
    EXPECT_FALSE(match("LSTART abc", " abcdef "));
    // Lines end with the blank that closes every stored line (or replaced a CR).
    EXPECT_TRUE(match("x OR LEND abc", "123abc "));
    EXPECT_FALSE(match("x OR LEND abc", "123abc"));
    EXPECT_TRUE(match("x OR LEND abc", "x"));
    flags.fastLoad = true;
    EXPECT_TRUE(match("LEND abc", "123abc"));
    flags.fastLoad = false;
    // Line keywords only hit in a whole-line test.
    EXPECT_FALSE(match("LSTART abc", "abcdef ", 1));
    EXPECT_FALSE(match("LEND bc", "bc", 0));  // shorter than term plus blank
}

TEST_F(LineMatchTest, WholeWords) {
    EXPECT_TRUE(match("WORD foo*bar", "a foobar b "));
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(length, 6);
    EXPECT_TRUE(match("WORD foo*bar", "fooxbar "));
    EXPECT_FALSE(match("WORD foo*bar", "foo bar "));
    EXPECT_FALSE(match("WORD foo*bar", "xfoobar "));
    EXPECT_FALSE(match("WORD foo*bar", "foobarx "));
    EXPECT_TRUE(match("WORD foo", "a.foo, "));
    EXPECT_FALSE(match("x AND WORD foo", "xfoo "));  // the word start is judged on the line
    flags.sequenceSensitive = false;
    EXPECT_FALSE(match("WORD foo*bar", "foobar "));
    EXPECT_TRUE(match("WORD foo*bar", "foo*bar "));
    flags.sequenceSensitive = true;
    // Segments of more than 90 bytes, or more than 21 segments, never match.
    std::string longWord(91, 'q');
    EXPECT_FALSE(match("WORD " + longWord, longWord + " "));
    std::string many = "a";
    for (int i = 0; i < 21; ++i) many += "*a";
    EXPECT_FALSE(match("WORD " + many, std::string(40, 'a') + " "));
}

TEST_F(LineMatchTest, TabsAndFolding) {
    EXPECT_TRUE(match("a b", "a\tb"));  // a TAB reads as a blank, also past the prefilter
    EXPECT_FALSE(match("a TAB b", "a b "));
    EXPECT_TRUE(match("a TAB b", "a\tb "));
    fold = codePageTables().buildFoldTable(false, false, true);
    // The fold is byte for byte: the sharp s reads as one s.
    EXPECT_TRUE(match("strase",
                      "Stra\xDF"
                      "e "));
    EXPECT_TRUE(match("\xC9t\xE9", "ete "));
    fold = codePageTables().buildFoldTable(false, true, false);
    EXPECT_TRUE(match("1,5", "x 1.5 "));
}

TEST_F(LineMatchTest, LongLinesAndOffsets) {
    // Every byte of a long line is searched, across the end of the work line's own array.
    std::string line(200000, 'x');
    EXPECT_FALSE(match("needle", line));
    line.replace(4093, 6, "needle");
    EXPECT_TRUE(match("needle", line));
    EXPECT_EQ(offset, 4093);
    line.replace(4093, 6, "xxxxxx");
    line.replace(190000, 6, "NEEDLE");
    EXPECT_TRUE(match("needle", line));
    EXPECT_EQ(offset, 190000);
    EXPECT_TRUE(match("LEND e", line + "e "));
    // After a long line a short one is folded into the array again.
    EXPECT_FALSE(match("needle", "short x "));
    EXPECT_FALSE(match("ab", "ab ", 99));  // an offset past the end finds nothing
    EXPECT_TRUE(match("ab", "ab ab ", 1));
    EXPECT_EQ(offset, 3);
}

TEST_F(LineMatchTest, PrefilterUsesTheLineMask) {
    expr.compile("foo", false, fold);
    uint32_t without = codePageTables().maskOf("bar");
    EXPECT_FALSE(matchLine("foo ", without, expr, fold, 0, nullptr, nullptr, flags, work));
    EXPECT_TRUE(matchLine("foo ", 0, expr, fold, 0, nullptr, nullptr, flags, work));
    EXPECT_TRUE(
        matchLine("foo ", 0x07, expr, fold, 0, nullptr, nullptr, flags, work));  // kind only
}

TEST_F(LineMatchTest, BadOperatorIsReported) {
    testing::LogCapture log;
    expr.compile("foo", false, fold);
    expr.termKinds[0] = 0;
    EXPECT_FALSE(matchLine("foo ", 0, expr, fold, 0, nullptr, nullptr, flags, work));
    EXPECT_TRUE(log.contains("int. error #950, 0 @0"));
}

TEST_F(LineMatchTest, HitSpansForTheRenderer) {
    std::vector<HitSpan> spans;
    expr.compile("ab", false, fold);
    EXPECT_TRUE(collectHitSpans("ab xab abab ", 0, expr, fold, flags, work, spans));
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans[1].offset, 4);
    EXPECT_EQ(spans[3].offset, 9);
    expr.compile("NOT q", false, fold);
    EXPECT_TRUE(collectHitSpans("ab ", 0, expr, fold, flags, work, spans));
    EXPECT_TRUE(spans.empty());
    expr.compile("a", false, fold);
    std::string many(3000, 'a');
    EXPECT_TRUE(collectHitSpans(many.c_str(), 0, expr, fold, flags, work, spans));
    EXPECT_EQ(spans.size(), 1000u);
}

TEST_F(LineMatchTest, AgreesWithTheReferenceOnRandomMasksAndLines) {
    std::mt19937 rng(4711);
    const FoldTable folds[] = {codePageTables().buildFoldTable(false, true, true),
                               codePageTables().buildFoldTable(true, true, true),
                               codePageTables().buildFoldTable(false, false, false)};
    for (int round = 0; round < 40000; ++round) {
        const FoldTable& f = folds[rng() % 3];
        flags.sequenceSensitive = rng() % 4 != 0;
        flags.fastLoad = rng() % 8 == 0;
        std::string mask = testdata::randomMask(rng);
        expr.compile(mask, rng() % 10 == 0, f, rng() % 12 != 0);
        std::string line = testdata::randomLine(rng);
        uint32_t lineMask = rng() % 5 == 0 ? 0 : codePageTables().maskOf(line.c_str());
        int start = rng() % 6 == 0 ? static_cast<int>(rng() % 12) : 0;
        auto want = testing::referenceMatch(line, lineMask, expr, f, start, flags.sequenceSensitive,
                                            flags.fastLoad);
        int off = -1, len = -1;
        bool got = matchLine(line.c_str(), lineMask, expr, f, start, &off, &len, flags, work);
        ASSERT_EQ(got, want.matches) << "mask [" << mask << "] line [" << line << "]";
        if (got) {
            ASSERT_EQ(off, want.offset) << "mask [" << mask << "] line [" << line << "]";
            ASSERT_EQ(len, want.length) << "mask [" << mask << "] line [" << line << "]";
        }
    }
}

}  // namespace
}  // namespace tessel
