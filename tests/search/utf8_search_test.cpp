// Search in the UTF-8 code page: masks and text are UTF-8, case and accents fold by
// character, and the fast pass must find exactly the lines the slow reference finds.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "block_set.h"
#include "reference_match.h"
#include "search/candidate_scan.h"
#include "search/line_match.h"
#include "search/search_pass.h"
#include "search_test_data.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::BlockSet;

class Utf8SearchTest : public ::testing::Test {
  protected:
    void SetUp() override { codePageTables().init(kCodePageUtf8); }
    void TearDown() override { codePageTables().init(1252); }

    FoldTable foldFor(bool caseSensitive, bool accentSensitive, bool punctSensitive = true) {
        return codePageTables().buildFoldTable(caseSensitive, accentSensitive, punctSensitive);
    }

    // Case-insensitive and accent-sensitive unless the fold says otherwise.
    bool match(const std::string& mask, const std::string& line, const FoldTable& fold) {
        expr.compile(mask, false, fold);
        offset = length = -1;
        return matchLine(line.c_str(), codePageTables().maskOf(line.c_str()), expr, fold, 0,
                         &offset, &length, flags, work);
    }

    SearchExpression expr;
    MatchFlags flags;
    WorkLine work;
    int offset = 0;
    int length = 0;
};

TEST_F(Utf8SearchTest, CaseFoldsBeyondAscii) {
    const FoldTable noCase = foldFor(false, true);
    EXPECT_TRUE(match("ÜBER", "Grüße über alles ", noCase));
    EXPECT_EQ(offset, 8);
    EXPECT_EQ(length, 5);
    EXPECT_TRUE(match("ПРИВЕТ", "скажи привет ", noCase));
    EXPECT_TRUE(match("привет", "СКАЖИ ПРИВЕТ ", noCase));
    EXPECT_TRUE(match("σοφος", "ΣΟΦΟΣ ", noCase));
    EXPECT_FALSE(match("ÜBER", "uber ", noCase)) << "accents count";
    const FoldTable exact = foldFor(true, true);
    EXPECT_FALSE(match("ÜBER", "über ", exact));
    EXPECT_FALSE(match("ПРИВЕТ", "привет ", exact));
    EXPECT_TRUE(match("ПРИВЕТ", "ПРИВЕТ ", exact));
}

TEST_F(Utf8SearchTest, IgnoredAccentsReadLettersAsTheirBase) {
    const FoldTable noAccents = foldFor(false, false);
    EXPECT_TRUE(match("e", "café ", noAccents));
    EXPECT_EQ(offset, 3);
    EXPECT_EQ(length, 2) << "the span covers the stored character";
    EXPECT_TRUE(match("a", "ä ", noAccents));
    EXPECT_TRUE(match("cafe au", "Café au lait ", noAccents));
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(length, 8);
    EXPECT_TRUE(match("strase", "STRAßE ", noAccents));
    EXPECT_TRUE(match("ёлка", "ЕЛКА ", noAccents));
    const FoldTable accents = foldFor(false, true);
    EXPECT_FALSE(match("e", "café ", accents));
    EXPECT_FALSE(match("a", "ä ", accents));
    EXPECT_TRUE(match("é", "CAFÉ ", accents));
}

TEST_F(Utf8SearchTest, WholeWordsOfAnyScript) {
    const FoldTable fold = foldFor(false, true);
    EXPECT_TRUE(match("WORD привет", "скажи привет! ", fold));
    EXPECT_FALSE(match("WORD привет", "приветствие ", fold));
    EXPECT_FALSE(match("WORD über", "überall ", fold));
    EXPECT_TRUE(match("WORD über", "(über) ", fold));
    EXPECT_FALSE(match("WORD gr", "grüße ", fold)) << "ü continues the word";
    EXPECT_TRUE(match("WORD 你好", "“你好” ", fold));
    EXPECT_TRUE(match("WORD gr*e", "grüße ", fold)) << "a star stands for letters of any script";
}

TEST_F(Utf8SearchTest, QuotesFoldWhenPunctuationIsIgnored) {
    const FoldTable loose = foldFor(false, true, false);
    EXPECT_TRUE(match("\"zitat\"", "er sagte „Zitat“ ", loose));
    EXPECT_EQ(offset, 9);
    EXPECT_EQ(length, 11);
    EXPECT_TRUE(match("'x'", "‘x’ ", loose));
    EXPECT_FALSE(match("\"zitat\"", "„Zitat“ ", foldFor(false, true, true)));
}

TEST_F(Utf8SearchTest, BytesThatAreNotUtf8StandForThemselves) {
    const FoldTable fold = foldFor(false, false);
    EXPECT_TRUE(match("caf\xE9", "CAF\xE9 ", fold));
    EXPECT_FALSE(match("café", "caf\xE9 ", fold));
    EXPECT_FALSE(match("cafe", "caf\xE9 ", fold));
    EXPECT_TRUE(match("x", "\xC3\xC3\xAC\xED\xA0\x80 x ", fold));
    EXPECT_EQ(offset, 7);
}

TEST_F(Utf8SearchTest, HitCountsOfNonAsciiMasks) {
    BlockSet set;
    set.add({"Grüße aus Köln ", "GRÜSSE AUS KÖLN ", "Gruesse aus Koeln ", "Привет мир ",
             "ПРИВЕТ МИР ", "привет ", "你好世界 😀 ", "caf\xE9 au lait ", "café au lait ",
             "CAFE AU LAIT "});
    struct Case {
        const char* mask;
        bool caseSensitive;
        bool accentSensitive;
        int hits;
    };
    const Case cases[] = {
        {"köln", false, true, 2},   {"Köln", true, true, 1},   {"koln", false, false, 2},
        {"привет", false, true, 3}, {"Привет", true, true, 1}, {"мир", false, true, 2},
        {"你好", false, true, 1},   {"😀", false, true, 1},     {"café", false, true, 1},
        {"cafe", false, false, 2},  {"cafe", false, true, 1},  {"grüsse", false, true, 1},
        {"grü", false, false, 3},   {"grü", false, true, 2},   {"WORD мир", false, true, 2},
    };
    for (const Case& c : cases) {
        PassRequest request;
        request.blocks = set.blocks;
        request.fold = foldFor(c.caseSensitive, c.accentSensitive);
        request.expr.compile(c.mask, false, request.fold);
        EXPECT_EQ(runPassOnThisThread(request).hitCount, c.hits) << c.mask;
        EXPECT_EQ(set.reference(request).hitCount, c.hits) << c.mask;
    }
}

// Where a character folds shorter, the bytes of a term's pair do not stand where the term
// puts them: the plan also looks for the lead bytes of such characters, and no longer
// takes a needle hit for the term itself.
TEST_F(Utf8SearchTest, PlanLooksForLeadBytesOfCharactersThatFoldShorter) {
    MatchFlags matchFlags;
    const FoldTable accents = foldFor(false, true);
    expr.compile("include", false, accents);
    ScanPlan plan = planScan(expr, accents, matchFlags);
    EXPECT_EQ(plan.needles.size(), 1u);
    EXPECT_TRUE(plan.termsCheckable);
    EXPECT_TRUE(plan.plainTerms);

    const FoldTable noAccents = foldFor(false, false);
    expr.compile("include", false, noAccents);
    plan = planScan(expr, noAccents, matchFlags);
    ASSERT_EQ(plan.needles.size(), 2u);
    EXPECT_FALSE(plan.termsCheckable);
    EXPECT_FALSE(plan.plainTerms);
    EXPECT_TRUE(plan.needles[1].first.members[0xC3]);
    EXPECT_FALSE(plan.needles[1].first.members['i']);

    expr.compile("ПРИВЕТ", false, accents);
    plan = planScan(expr, accents, matchFlags);
    EXPECT_TRUE(plan.usable);
    EXPECT_FALSE(plan.termsCheckable) << "upper and lower case differ in their lead bytes";
}

TEST_F(Utf8SearchTest, LineTestAgreesWithTheReferenceOnMixedScriptText) {
    std::mt19937 rng(65001);
    std::vector<HitSpan> spans;
    for (int round = 0; round < testing::roundsForThisBuild(20000); ++round) {
        const FoldTable fold = foldFor(rng() % 3 == 0, rng() % 2 == 0, rng() % 3 != 0);
        flags.sequenceSensitive = rng() % 4 != 0;
        flags.fastLoad = rng() % 8 == 0;
        const std::string mask = testdata::randomUtf8Mask(rng);
        expr.compile(mask, false, fold, rng() % 12 != 0);
        const std::string line = testdata::randomUtf8Line(rng);
        const uint32_t lineMask = codePageTables().maskOf(line.c_str());
        const int start = rng() % 6 == 0 ? static_cast<int>(rng() % 12) : 0;
        const auto want = testing::referenceMatch(line, lineMask, expr, fold, start,
                                                  flags.sequenceSensitive, flags.fastLoad);
        int off = -1;
        int len = -1;
        const bool got =
            matchLine(line.c_str(), lineMask, expr, fold, start, &off, &len, flags, work);
        ASSERT_EQ(got, want.matches) << "mask [" << mask << "] line [" << line << "]";
        if (got) {
            ASSERT_EQ(off, want.offset) << "mask [" << mask << "] line [" << line << "]";
            ASSERT_EQ(len, want.length) << "mask [" << mask << "] line [" << line << "]";
        }
        // The renderer's spans: each search goes on from the end of the span before.
        if (start != 0) continue;
        const bool any = collectHitSpans(line.c_str(), lineMask, expr, fold, flags, work, spans);
        ASSERT_EQ(any, want.matches);
        std::vector<HitSpan> expected;
        for (auto hit = want; hit.matches && hit.length >= 1;) {
            expected.push_back({hit.offset, hit.length});
            const int next = hit.offset + hit.length;
            if (next >= static_cast<int>(line.size()) || expected.size() == kMaxHitSpans) break;
            hit = testing::referenceMatch(line, lineMask, expr, fold, next, flags.sequenceSensitive,
                                          flags.fastLoad);
        }
        ASSERT_EQ(spans.size(), expected.size()) << "mask [" << mask << "] line [" << line << "]";
        for (size_t i = 0; i < spans.size(); ++i) {
            ASSERT_EQ(spans[i].offset, expected[i].offset) << "mask [" << mask << "]";
            ASSERT_EQ(spans[i].length, expected[i].length) << "mask [" << mask << "]";
        }
    }
}

TEST_F(Utf8SearchTest, FastPassAgreesWithTheReferenceOnMixedScriptText) {
    std::mt19937 rng(1252 + 65001);
    SearchWorkers workers(3);
    for (int round = 0; round < testing::roundsForThisBuild(60); ++round) {
        BlockSet set;
        const int blockCount = 1 + static_cast<int>(rng() % 4);
        for (int b = 0; b < blockCount; ++b) {
            std::vector<std::string> lines(rng() % 150);
            for (std::string& line : lines) line = testdata::randomUtf8Line(rng);
            set.add(lines);
        }
        for (int m = 0; m < 20; ++m) {
            const std::string mask = testdata::randomUtf8Mask(rng);
            PassRequest request;
            request.blocks = set.blocks;
            request.fold = foldFor(rng() % 3 == 0, rng() % 2 == 0, rng() % 3 != 0);
            request.flags.sequenceSensitive = rng() % 4 != 0;
            request.flags.fastLoad = rng() % 10 == 0;
            request.expr.compile(mask, false, request.fold, rng() % 12 != 0);
            request.chunkLines = 1 + static_cast<int>(rng() % 60);
            request.collectLines = rng() % 2 == 0;
            const PassResult want = set.reference(request);
            const PassResult fast = workers.run(request);
            const PassResult here = runPassOnThisThread(request);
            ASSERT_EQ(fast.hitCount, want.hitCount) << "mask [" << mask << "]";
            ASSERT_EQ(here.hitCount, want.hitCount) << "mask [" << mask << "]";
            ASSERT_EQ(fast.firstHitLine, want.firstHitLine) << "mask [" << mask << "]";
            if (request.collectLines) {
                ASSERT_EQ(*fast.hitLines, *want.hitLines) << "mask [" << mask << "]";
            }
        }
    }
}

}  // namespace
}  // namespace tessel
