#include "search/search_expression.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace tessel {
namespace {

using testing::LogCapture;

struct Term {
    std::string text;
    int kind;
    bool operator==(const Term&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Term& t) {
    return out << "{\"" << t.text << "\", 0x" << std::hex << t.kind << std::dec << "}";
}

class CompileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        caseFold = codePageTables().buildFoldTable(false, true, true);
        exactFold = codePageTables().buildFoldTable(true, true, true);
    }

    std::vector<Term> compile(const std::string& mask, bool path = false, bool ops = true) {
        expr.compile(mask, path, caseFold, ops);
        std::vector<Term> terms;
        for (uint32_t i = 0; i < expr.termCount; ++i)
            terms.push_back({expr.terms[i], expr.termKinds[i]});
        return terms;
    }

    FoldTable caseFold;
    FoldTable exactFold;
    SearchExpression expr;
};

TEST_F(CompileTest, OperatorsBuildGroupsOfTerms) {
    EXPECT_EQ(compile("foo*bar"), (std::vector<Term>{{"foo", kTermAnd}, {"bar", kTermAnd}}));
    EXPECT_EQ(compile("foo**bar"), (std::vector<Term>{{"foo*bar", kTermAnd}}));
    EXPECT_EQ(compile("foo AND bar NOT baz"),
              (std::vector<Term>{{"foo", kTermAnd}, {"bar", kTermAnd}, {"baz", kTermNot}}));
    EXPECT_EQ(compile("a OR b ALT c"),
              (std::vector<Term>{{"a", kTermAnd}, {"b", kTermOr}, {"c", kTermOr}}));
    EXPECT_EQ(compile("foo OR NOT bar"), (std::vector<Term>{{"foo", kTermAnd}, {"bar", kTermNot}}));
    EXPECT_EQ(compile("a AND NOT b"), (std::vector<Term>{{"a", kTermAnd}, {"b", kTermNot}}));
    EXPECT_EQ(compile("NOT foo"), (std::vector<Term>{{"foo", kTermNot}}));
    EXPECT_EQ(compile("a NOT b*c"),
              (std::vector<Term>{{"a", kTermAnd}, {"b", kTermNot}, {"c", kTermAnd}}));
    // A single star right after OR is part of the operator; "**" is text.
    EXPECT_EQ(compile("a OR *b"), (std::vector<Term>{{"a", kTermAnd}, {"b", kTermOr}}));
    EXPECT_EQ(compile("a OR **b"), (std::vector<Term>{{"a", kTermAnd}, {"*b", kTermOr}}));
    // Two operators in a row: the empty term is dropped, the later operator decides.
    EXPECT_EQ(compile("a** OR  OR b"), (std::vector<Term>{{"a*", kTermAnd}, {"b", kTermOr}}));
    EXPECT_EQ(compile("a* b"), (std::vector<Term>{{"a", kTermAnd}, {" b", kTermAnd}}));
}

TEST_F(CompileTest, TermsAreFoldedAndFeedThePrefilter) {
    compile("Foo AND BAR");
    EXPECT_STREQ(expr.terms[0], "foo");
    EXPECT_STREQ(expr.terms[1], "bar");
    EXPECT_TRUE(expr.prefilterUsable);
    EXPECT_EQ(expr.requiredBits, codePageTables().maskOf("foobar"));
    EXPECT_EQ(expr.kindSet, 1u << kTermAnd);

    compile("foo NOT bar");
    EXPECT_TRUE(expr.prefilterUsable);
    EXPECT_EQ(expr.requiredBits, codePageTables().maskOf("foo"));  // NOT terms require nothing
    compile("foo NOT bar*qux");
    EXPECT_EQ(expr.requiredBits, codePageTables().maskOf("foo"));  // nor do AND terms of NOT groups

    compile("foo OR bar");
    EXPECT_FALSE(expr.prefilterUsable);
    EXPECT_EQ(expr.requiredBits, 0u);

    expr.caseSensitive = 1;
    expr.compile("Foo", false, exactFold);
    EXPECT_STREQ(expr.terms[0], "Foo");
    EXPECT_EQ(expr.caseSensitive, 1);  // the compiler keeps the view's flag
}

TEST_F(CompileTest, OperatorAfterNotStopsWithTheTermsBefore) {
    LogCapture log;
    EXPECT_EQ(compile("foo NOT bar AND baz"), (std::vector<Term>{{"foo", kTermAnd}}));
    EXPECT_TRUE(log.contains("[error] error: AND after NOT is not allowed in search"));
    EXPECT_TRUE(log.contains("[error] ignoring: \" AND baz\""));
    EXPECT_EQ(expr.errorText, "AND after NOT is not allowed in search");

    for (const char* mask : {"a NOT b OR c", "a NOT b ALT c", "a NOT b NEAR c", "NOT b OR c"}) {
        log.clear();
        compile(mask);
        EXPECT_EQ(expr.termCount, mask[0] == 'N' ? 0u : 1u) << mask;
        EXPECT_TRUE(log.contains("after NOT is not allowed in search")) << mask;
    }
}

TEST_F(CompileTest, ThirtyTermsAtMost) {
    LogCapture log;
    std::string mask;
    for (int i = 0; i < 31; ++i) mask += (i ? " OR t" : "t") + std::to_string(i);
    auto terms = compile(mask);
    ASSERT_EQ(terms.size(), 30u);
    EXPECT_EQ(terms.back().text, "t29");
    EXPECT_TRUE(log.contains("too many operators in search expression"));
    EXPECT_TRUE(log.contains("[error] ignoring: \"t30\""));
}

TEST_F(CompileTest, NearTakesUpToTenDigitsAndABlank) {
    EXPECT_EQ(compile("a NEAR5 b"), (std::vector<Term>{{"a", kTermAnd}, {"b", kTermOr}}));
    EXPECT_EQ(expr.nearDistance, 5);
    compile("a NEAR b");
    EXPECT_EQ(expr.nearDistance, 100);
    EXPECT_EQ(compile("a NEAR5b"), (std::vector<Term>{{"a near5b", kTermAnd}}));
    EXPECT_EQ(compile("a NEAR12345678901 b").size(), 1u);  // eleven digits are text
    // Ten digits exceed 32 bits: the distance saturates instead of turning negative.
    compile("a NEAR9999999999 b");
    EXPECT_EQ(expr.termCount, 2u);
    EXPECT_GT(expr.nearDistance, 0);
}

TEST_F(CompileTest, LineKeywords) {
    EXPECT_EQ(compile("LSTART abc"), (std::vector<Term>{{"abc", kTermAnd | kTermLStart}}));
    EXPECT_EQ(compile("LS abc"), (std::vector<Term>{{"abc", kTermAnd | kTermLStart}}));
    EXPECT_EQ(compile("LEND abc"), (std::vector<Term>{{"abc", kTermAnd | kTermLEnd}}));
    EXPECT_EQ(compile("x OR LEND abc"),
              (std::vector<Term>{{"x", kTermAnd}, {"abc", kTermOr | kTermLEnd}}));
    // A leading keyword is not followed by a second one; keywords elsewhere are text.
    EXPECT_EQ(compile("LSTART WORD x"), (std::vector<Term>{{"word x", kTermAnd | kTermLStart}}));
    EXPECT_EQ(compile("x LSTART y"), (std::vector<Term>{{"x lstart y", kTermAnd}}));
    // WORD turns the star into part of the term until the next operator.
    EXPECT_EQ(compile("WORD foo*bar"), (std::vector<Term>{{"foo*bar", kTermAnd | kTermWord}}));
    EXPECT_EQ(
        compile("x AND WORD a*b OR c*d"),
        (std::vector<Term>{
            {"x", kTermAnd}, {"a*b", kTermAnd | kTermWord}, {"c", kTermOr}, {"d", kTermAnd}}));
    EXPECT_EQ(compile("NOT LS x"), (std::vector<Term>{{"x", kTermNot | kTermLStart}}));
}

TEST_F(CompileTest, EscapesAndTab) {
    EXPECT_EQ(compile("\\NOT x"), (std::vector<Term>{{"not x", kTermAnd}}));
    EXPECT_EQ(compile("\\WORD x"), (std::vector<Term>{{"word x", kTermAnd}}));
    EXPECT_EQ(compile("a \\AND b \\OR c"), (std::vector<Term>{{"a and b or c", kTermAnd}}));
    EXPECT_EQ(compile("y OR \\NOT x"), (std::vector<Term>{{"y", kTermAnd}, {"\\not x", kTermOr}}));
    EXPECT_EQ(compile("a TAB b"), (std::vector<Term>{{"a\tb", kTermAnd}}));
    EXPECT_TRUE(expr.hasTab);
    EXPECT_EQ(compile("TAB x"), (std::vector<Term>{{"\tx", kTermAnd}}));
    EXPECT_TRUE(expr.hasTab);
    compile("a tab b");
    EXPECT_FALSE(expr.hasTab);
    // An escaped TAB is the word itself, also at the start.
    EXPECT_EQ(compile("a \\TAB b"), (std::vector<Term>{{"a tab b", kTermAnd}}));
    EXPECT_FALSE(expr.hasTab);
    EXPECT_EQ(compile("\\TAB b TAB c"), (std::vector<Term>{{"tab b\tc", kTermAnd}}));
    EXPECT_TRUE(expr.hasTab);
}

TEST_F(CompileTest, PathMasksAndOperatorsOff) {
    EXPECT_EQ(compile("x AND y", true), (std::vector<Term>{{"x", kTermAnd}, {"y", kTermOr}}));
    EXPECT_FALSE(expr.prefilterUsable);
    EXPECT_EQ(compile("a OR b*c", false, false), (std::vector<Term>{{"a or b*c", kTermAnd}}));
    EXPECT_EQ(compile("\\NOT x", false, false), (std::vector<Term>{{"\\not x", kTermAnd}}));
    EXPECT_EQ(compile("", false, false).size(), 0u);
}

TEST_F(CompileTest, LimitsCutSilently) {
    LogCapture log;
    auto terms = compile(std::string(400, 'q'));
    ASSERT_EQ(terms.size(), 1u);
    EXPECT_EQ(terms[0].text.size(), 299u);
    std::string longMask = std::string(4090, 'a') + " OR bbbbbb";
    terms = compile(longMask);
    ASSERT_EQ(terms.size(), 2u);
    EXPECT_EQ(terms[1].text, "b");  // the copy ends at 4095 bytes
    EXPECT_TRUE(log.messages().empty());
    std::string withNul("ab\0 OR c", 8);
    EXPECT_EQ(compile(withNul).size(), 1u);
}

TEST_F(CompileTest, VerboseTermList) {
    compile("foo OR bar NOT baz");
    EXPECT_EQ(describeTerms(expr), "AND \"foo\" OR \"bar\" NOT \"baz\" ");
    std::string mask;
    for (int i = 0; i < 30; ++i)
        mask += (i ? " OR " : "") + std::string(40, static_cast<char>('a' + i % 26));
    compile(mask);
    std::string list = describeTerms(expr);
    EXPECT_LE(list.size(), 500u);
    EXPECT_GT(list.size(), 400u);
}

}  // namespace
}  // namespace tessel
