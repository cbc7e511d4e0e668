#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "zukmatch/zuk_match.h"

namespace tessel {
namespace {

using testing::LogCapture;

class ZukCompile : public ::testing::Test {
  protected:
    void SetUp() override { codePageTables().init(1252); }

    const ZukToken& token(int part) { return m.tokens().at(part - 1); }

    ZukMatch m;
};

TEST_F(ZukCompile, StructPatternHasFourTokens) {
    ASSERT_EQ(m.compile("struct [1.30 chars of a-z]**{"), 0);
    ASSERT_EQ(m.partCount(), 4);
    EXPECT_EQ(token(1).kind, ZukKind::kLiteral);
    EXPECT_EQ(token(1).literal, "struct ");
    EXPECT_EQ(token(1).minCount, 7);
    EXPECT_EQ(token(1).priority, kZukPriorityLiteral);

    EXPECT_EQ(token(2).kind, ZukKind::kVariable);
    EXPECT_EQ(token(2).minCount, 1);
    EXPECT_EQ(token(2).maxCount, 30);
    EXPECT_EQ(token(2).priority, kZukPriorityWhitelist);
    EXPECT_TRUE(token(2).accepts['q']);
    EXPECT_TRUE(token(2).accepts['Q']);  // ranges take both cases
    EXPECT_FALSE(token(2).accepts['_']);

    EXPECT_EQ(token(3).kind, ZukKind::kVariable);  // "**": any byte, across lines
    EXPECT_EQ(token(3).maxCount, kZukUnbounded);
    EXPECT_EQ(token(3).priority, kZukPriorityAny);
    EXPECT_TRUE(token(3).accepts['\n']);
    EXPECT_TRUE(token(3).accepts['\0']);

    EXPECT_EQ(token(4).literal, "{");
    EXPECT_TRUE(m.isCompiled());
}

TEST_F(ZukCompile, CountsKindsAndClasses) {
    struct Case {
        const char* pattern;
        ZukKind kind;
        int minCount;
        int maxCount;
        uint8_t priority;
    };
    const Case cases[] = {
        {"[1 bytes]", ZukKind::kVariable, 1, 1, kZukPriorityAny},
        {"[3 byte]", ZukKind::kFixed, 1, 1, kZukPriorityAny},  // count ignored
        {"[7 char]", ZukKind::kFixed, 1, 1, kZukPriorityAny},
        {"[digit]", ZukKind::kFixed, 1, 1, kZukPriorityWhitelist},
        {"[2.5 digits]", ZukKind::kVariable, 2, 5, kZukPriorityWhitelist},
        {"[.7 white]", ZukKind::kVariable, 0, 7, kZukPriorityWhitelist},
        {"[4.* chars]", ZukKind::kVariable, 4, kZukUnbounded, kZukPriorityAny},
        {"[,bytes]", ZukKind::kVariable, 0, kZukUnbounded, kZukPriorityAny},
        {"[3.9 bytes not x]", ZukKind::kVariable, 3, 9, kZukPriorityBlacklist},
        {"[* of ab]", ZukKind::kVariable, 0, kZukUnbounded, kZukPriorityWhitelist},
        {"???", ZukKind::kFixed, 3, 3, kZukPriorityAny},
        {"*", ZukKind::kVariable, 0, kZukUnbounded, kZukPriorityAny},
        {"[eol]", ZukKind::kEol, 1, 2, kZukPriorityLiteral},
        {"[lstart]", ZukKind::kLineStart, 0, 0, kZukPriorityMarker},
        {"[end]", ZukKind::kEnd, 0, 0, kZukPriorityMarker},
        {"[start]", ZukKind::kStart, 0, 0, kZukPriorityMarker},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        ASSERT_EQ(m.compile(c.pattern), 0);
        ASSERT_EQ(m.partCount(), 1);
        EXPECT_EQ(token(1).kind, c.kind);
        EXPECT_EQ(token(1).minCount, c.minCount);
        EXPECT_EQ(token(1).maxCount, c.maxCount);
        EXPECT_EQ(token(1).priority, c.priority);
    }
    ASSERT_EQ(m.compile("[]a[,]"), 0);  // empty commands add nothing
    EXPECT_EQ(m.partCount(), 1);
}

TEST_F(ZukCompile, ClassTables) {
    auto accepted = [&](const char* pattern, int part = 1) {
        EXPECT_EQ(m.compile(pattern), 0) << pattern;
        std::string bytes;
        if (m.partCount() < part) return bytes;
        for (int b = 0; b < 256; ++b) {
            if (token(part).accepts[b]) bytes.push_back(static_cast<char>(b));
        }
        return bytes;
    };
    EXPECT_EQ(accepted("[hexdigits]"), "0123456789abcdef");  // lower case only
    EXPECT_EQ(accepted("[xwhite]"), std::string("\t\n\r "));
    EXPECT_EQ(accepted("[bytes of \\x41-\\x43]"), "ABC");  // escapes: as written
    EXPECT_EQ(accepted("[bytes of a-c]"), "ABCabc");
    EXPECT_EQ(accepted("[bytes of x_]"), "_x");  // single bytes as written
    EXPECT_EQ(accepted("[bytes of ( \\(\\))]"), " ()");
    EXPECT_EQ(accepted("[bytes of )(]"), "()");
    EXPECT_EQ(accepted("[1 byte of \\r\\n \\t]"), std::string("\t\n\r "));
    EXPECT_EQ(accepted("[bytes of a\\-c]"), "-ac");
    EXPECT_EQ(accepted("[bytes of \\q\\0]"), std::string("\0\"", 2));
    const std::string charsNot = accepted("[chars not a]");
    EXPECT_EQ(charsNot.size(), 256u - 4);  // NUL, CR, LF and the listed byte as written
    EXPECT_NE(charsNot.find('A'), std::string::npos);
    EXPECT_EQ(accepted("[bytes not \\x00-\\xfe]"), "\xff");
    EXPECT_EQ(accepted("[2 chars]").size(), 253u);

    ZukMatch exact;
    ASSERT_EQ(exact.compile("[bytes of a-c]", "[all]", kZukCaseSensitive), 0);
    EXPECT_FALSE(exact.tokens()[0].accepts['A']);
}

TEST_F(ZukCompile, NumericEscapesAreExact) {
    ASSERT_EQ(m.compile("\\x61b\\d099\\t"), 0);
    ASSERT_EQ(m.partCount(), 1);
    EXPECT_EQ(token(1).literal, "abc\t");
    EXPECT_EQ(token(1).exact, (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(m.headMatch()['a']);
    EXPECT_FALSE(m.headMatch()['A']);
}

TEST_F(ZukCompile, HeadMatch) {
    auto head = [&](const char* pattern) {
        EXPECT_EQ(m.compile(pattern), 0) << pattern;
        std::string bytes;
        for (int b = 0; b < 256; ++b) {
            if (m.headMatch()[b]) bytes.push_back(static_cast<char>(b));
        }
        return bytes;
    };
    EXPECT_EQ(head("abc"), "Aa");
    EXPECT_EQ(head("[1.3 digits]x"), "0123456789");
    EXPECT_EQ(head("[white]x").size(), 256u);  // minimum 0: the next token may begin
    EXPECT_EQ(head("[lstart]x").size(), 256u);
    EXPECT_EQ(head("[eol]x"), std::string("\0\n\r", 3));
    EXPECT_EQ(head("[start]x"), "");
    EXPECT_EQ(head("3"), "3");
}

// Each bad pattern: its result and the log lines it must leave.
TEST_F(ZukCompile, ErrorsAndHints) {
    struct Case {
        std::string pattern;
        int result;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a]b", 9, {"zukmatch: found ] without [: ]b"}},
        {"[foo]", 9, {"zukmatch: unknown command: \"foo]\""}},
        {"[charsx]", 9, {"zukmatch: unknown command: \"charsx]\""}},
        {"[white of a]", 9, {"zukmatch: unknown command: \"white of a]\""}},
        {"[3bytes]", 9, {"zukmatch: missing blank: bytes]"}},
        {"[bytes of 9-0]", 9, {"zukmatch: range end lower than start: 9-0] (39-30)"}},
        {"[bytes of .-z]",
         9,
         {"zukmatch: bad range start: .-z]",
          "zukmatch: use \\x2e- to start a range with non-alphanumeric character",
          "zukmatch: use \\- to use literal '-' in this enumeration"}},
        {"[bytes of a-.]",
         9,
         {"zukmatch: bad range end: a-.]",
          "zukmatch: use \\x61-\\x2e for a range with non-alphanumeric characters",
          "zukmatch: use \\- to use literal '-' in this enumeration"}},
        {"[bytes of a-\\y]", 9, {"zukmatch: bad sequence: \\y]"}},
        {"[bytes of \\y]", 9, {"zukmatch: syntax error within enumeration: \\y]"}},
        {"a\\yb", 9, {"zukmatch: syntax error in pattern: \\yb"}},
        {"a\\x4", 9, {"zukmatch: syntax error while preparing: \\x4"}},
        {"a\\(b", 9, {"zukmatch: syntax error in pattern: \\(b"}},
        {"[bytes of ()]",
         9,
         {"zukmatch: empty character list not allowed: ()]",
          "zukmatch: use \\(\\) or )( to select brackets as literals"}},
        {"[bytes of ]", 9, {"zukmatch: empty character list not allowed: ]"}},
        {"[bytes of a[]",
         9,
         {"zukmatch: invalid \"[\" within enumeration: []", "zukmatch: use \"\\[\" instead."}},
        {"[bytes of (a(b)]",
         9,
         {"zukmatch: invalid \"(\" within enumeration: (b)]", "zukmatch: use \"\\(\" instead."}},
        {"[bytes of (a]b)]",
         9,
         {"zukmatch: invalid \"]\" within enumeration: ]b)]", "zukmatch: use \"\\]\" instead."}},
        {"x[bytes", 9, {"zukmatch: missing or wrong placed \"]\": [bytes"}},
        {"x[bytes of ab", 9, {"zukmatch: missing or wrong placed \"]\": ab"}},
        {"x[start]", 9, {"zukmatch: [start] is allowed only as first token."}},
        {"[lend]",
         9,
         {"zukmatch: [lend] must be preceeded by another command like [1 byte].",
          "zukmatch: use [eol] to process (CR)LF line endings.",
          "zukmatch: use [lstart] to search from line starts."}},
        {"abc[lend]x", 9, {"zukmatch: lend must be last token"}},
        {std::string(4097, 'a'), 9, {"zukmatch: literal too long: aaaa"}},
        {"[.10 bytes][.10 bytes]",
         10,
         {"zukmatch: part 1 is always empty as part 2 will block it: [.10 bytes][.10 bytes]",
          "zukmatch: part 2 includes all characters of part 1 and has same or higher priority.",
          "zukmatch: because part 1 is of variable length this means it will not collect "
          "anything.",
          "zukmatch: you may rewrite part(s) as [bytes of ...] or [bytes not ...] without "
          "overlaps.",
          "zukmatch: you may insert literals or other commands to search more precisely."}},
        {"x[chars of a-c][chars of a-z]",
         10,
         {"zukmatch: part 2 is always empty as part 3 will block it: [chars of a-c][chars"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern.substr(0, 40));
        LogCapture log;
        EXPECT_EQ(m.compile(c.pattern), c.result);
        EXPECT_FALSE(m.isCompiled());
        EXPECT_EQ(m.partCount(), 0);
        for (const std::string& line : c.lines) EXPECT_TRUE(log.contains(line)) << line;
    }
}

// The blocking check fires only when the right class covers the left one and does not have
// a lower priority.
TEST_F(ZukCompile, BlockingNeedsCoverAndPriority) {
    const char* fine[] = {"[chars of a-z][bytes]",
                          "[bytes][chars of a-z]",
                          "[chars of a-z]x",
                          "[chars of a-z][chars not x]",
                          "[1.100 chars of a-z0-9_][0.10 white]*::",
                          "[3 bytes][3 bytes]",
                          "[white]* = function*",
                          "abc[lend]"};
    for (const char* pattern : fine) EXPECT_EQ(m.compile(pattern), 0) << pattern;
    EXPECT_EQ(m.compile("*[** not \\0]"), kZukBlockingParts);
    EXPECT_EQ(m.compile("[white][xwhite]"), kZukBlockingParts);
}

TEST_F(ZukCompile, TemplateErrors) {
    struct Case {
        const char* display;
        int result;
        const char* line;
    };
    const Case cases[] = {
        {"[parts 3-2]", 9, "zukmatch: invalid part range end: parts 3-2]"},
        {"[parts 1-9]", 5, "zukmatch: invalid part range: 9"},
        {"[part 4]", 5, "zukmatch: invalid part number: 4"},
        {"[part 0]", 5, "zukmatch: invalid part number: 0"},
        {"[strip(part1,x)]", 9, "zukmatch: strip(... accepts only ,"},
        {"[1]", 9, "zukmatch: unexpected number: 1]"},
        {"[foo]", 9, "zukmatch: unknown command in totext: \"foo]\""},
        {"[part 1 x]", 9, "zukmatch: unknown command in totext: \"x]\""},
        {"x]", 9, "zukmatch: found ] without [: ]"},
        {"a\\y", 9, "zukmatch: syntax error: \\y"},
        {"a\\d3", 9, "zukmatch: syntax error: \\d3"},
        {"[part 1", 9, "zukmatch: missing or wrong placed \"]\": [part 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display);
        LogCapture log;
        EXPECT_EQ(m.compile("ab[digits]", c.display), c.result);
        EXPECT_FALSE(m.isCompiled());
        EXPECT_TRUE(log.contains(c.line));
    }
}

TEST_F(ZukCompile, TemplateTokensAndOutputSize) {
    ASSERT_EQ(m.compile("[white]* = function*", "[parts 2-4]"), 0);
    ASSERT_EQ(m.outputTokens().size(), 3u);
    EXPECT_EQ(m.outputTokens()[0].part, 2);
    EXPECT_EQ(m.outputTokens()[2].part, 4);
    EXPECT_FALSE(m.copyAll());
    EXPECT_EQ(m.outputSize(), 4096 + 11 + 4096);

    ASSERT_EQ(m.compile("[1.5 digits]:[2 white]", "x[part 1]yy[ parts 1,3 , strip(part 2,\\0)]"),
              0);
    ASSERT_EQ(m.outputTokens().size(), 6u);
    EXPECT_EQ(m.outputTokens()[0].literal, "x");
    EXPECT_EQ(m.outputTokens()[3].part, 1);
    EXPECT_EQ(m.outputTokens()[4].part, 3);
    EXPECT_TRUE(m.outputTokens()[5].strip);
    EXPECT_EQ(m.outputSize(), 1 + 5 + 2 + 5 + 2 + 1);

    // "[all]" leaves out a leading [lstart] and a trailing [lend].
    ASSERT_EQ(m.compile("[lstart]ab[2 digits][lend]", "[all]"), 0);
    EXPECT_TRUE(m.copyAll());
    ASSERT_EQ(m.outputTokens().size(), 2u);
    EXPECT_EQ(m.outputTokens()[0].part, 2);
    EXPECT_EQ(m.outputSize(), 4);
}

}  // namespace
}  // namespace tessel
