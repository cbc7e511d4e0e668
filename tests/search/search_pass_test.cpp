#include "search/search_pass.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "block_set.h"
#include "reference_match.h"
#include "search/candidate_scan.h"
#include "search_test_data.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::BlockSet;

std::vector<std::string> readLines(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line + ' ');
    return lines;
}

class SearchPassTest : public ::testing::Test {
  protected:
    void SetUp() override { codePageTables().init(1252); }

    void expectSame(const PassRequest& request, const BlockSet& set, const std::string& mask) {
        PassResult want = set.reference(request);
        PassResult fast = workers.run(request);
        PassResult single = runPassOnThisThread(request);
        ASSERT_FALSE(fast.cancelled);
        ASSERT_EQ(fast.hitCount, want.hitCount) << "mask [" << mask << "]";
        ASSERT_EQ(fast.firstHitLine, want.firstHitLine) << "mask [" << mask << "]";
        ASSERT_EQ(fast.testedLines, want.testedLines) << "mask [" << mask << "]";
        ASSERT_EQ(single.hitCount, want.hitCount) << "mask [" << mask << "]";
        ASSERT_EQ(single.firstHitLine, want.firstHitLine) << "mask [" << mask << "]";
        EXPECT_FALSE(fast.hitLines);  // collected only on request

        // The filtered view's pass lists every matching line in load order (checked on every
        // fifth request, which keeps the suite quick under the sanitizers).
        if (++compared_ % 5 != 0) return;
        PassRequest collecting = request;
        collecting.collectLines = true;
        PassResult listed = workers.run(collecting);
        ASSERT_TRUE(listed.hitLines);
        ASSERT_EQ(*listed.hitLines, *want.hitLines) << "mask [" << mask << "]";
        ASSERT_EQ(listed.hitCount, want.hitCount) << "mask [" << mask << "]";
        PassResult listedHere = runPassOnThisThread(collecting);
        ASSERT_TRUE(listedHere.hitLines);
        ASSERT_EQ(*listedHere.hitLines, *want.hitLines) << "mask [" << mask << "]";

        // A sink gets every chunk once, on the workers; joined in chunk order the chunks'
        // hits are the listed lines, with the texts and kinds read on the workers.
        auto sink = std::make_shared<RecordingSink>();
        collecting.sink = sink;
        PassResult sunk = workers.run(collecting);
        ASSERT_TRUE(sunk.hitLines);
        ASSERT_EQ(*sunk.hitLines, *want.hitLines) << "mask [" << mask << "]";
        std::vector<int> joined;
        for (const RecordingSink::Chunk& chunk : sink->chunks) {
            EXPECT_LE(chunk.calls, 1);
            for (size_t i = 0; i < chunk.lines.size(); ++i) {
                const PassBlock& first = request.blocks[chunk.firstBlock];
                ASSERT_GE(chunk.lines[i], first.firstLine);
                joined.push_back(chunk.lines[i]);
                const PassBlock* block = blockOf(request, chunk.lines[i]);
                ASSERT_NE(block, nullptr);
                const int j = chunk.lines[i] - block->firstLine;
                ASSERT_EQ(chunk.texts[i], block->line(j)) << "mask [" << mask << "]";
                ASSERT_EQ(chunk.kinds[i], block->lineMasks[j] & 0xFF);
            }
        }
        ASSERT_EQ(joined, *want.hitLines) << "mask [" << mask << "]";
    }

    static const PassBlock* blockOf(const PassRequest& r, int line) {
        for (const PassBlock& block : r.blocks) {
            if (line >= block.firstLine && line < block.firstLine + block.lineCount) return &block;
        }
        return nullptr;
    }

    class RecordingSink : public ChunkSink {
      public:
        struct Chunk {
            int calls = 0;
            size_t firstBlock = 0;
            std::vector<int> lines;
            std::vector<const char*> texts;
            std::vector<uint8_t> kinds;
        };
        void begin(int chunkCount) override { chunks.resize(static_cast<size_t>(chunkCount)); }
        void chunkDone(int chunk, const PassRequest&, size_t firstBlock,
                       const std::vector<int>& lines, const std::vector<const char*>& texts,
                       const std::vector<uint8_t>& kinds) override {
            Chunk& c = chunks[static_cast<size_t>(chunk)];
            ++c.calls;
            c.firstBlock = firstBlock;
            c.lines = lines;
            c.texts = texts;
            c.kinds = kinds;
        }
        std::vector<Chunk> chunks;
    };

    PassRequest request(std::mt19937& rng, const BlockSet& set, const std::string& mask) {
        PassRequest r;
        r.blocks = set.blocks;
        bool caseSensitive = rng() % 3 == 0;
        r.fold = codePageTables().buildFoldTable(caseSensitive, rng() % 3 != 0, rng() % 3 != 0);
        r.flags.sequenceSensitive = rng() % 4 != 0;
        r.flags.fastLoad = rng() % 10 == 0;
        r.expr.compile(mask, rng() % 12 == 0, r.fold, rng() % 12 != 0);
        r.chunkLines = 1 + static_cast<int>(rng() % 60);
        return r;
    }

    SearchWorkers workers{3};
    int compared_ = 0;
};

TEST_F(SearchPassTest, FastPassEqualsTheLineByLineTestOnRandomText) {
    std::mt19937 rng(99);
    for (int round = 0; round < testing::roundsForThisBuild(300); ++round) {
        BlockSet set;
        int blockCount = 1 + static_cast<int>(rng() % 6);
        for (int b = 0; b < blockCount; ++b) {
            std::vector<std::string> lines(rng() % 120);
            for (std::string& line : lines) line = testdata::randomLine(rng);
            set.add(lines);
        }
        for (int m = 0; m < 20; ++m) {
            std::string mask = testdata::randomMask(rng);
            expectSame(request(rng, set, mask), set, mask);
        }
    }
}

TEST_F(SearchPassTest, FastPassEqualsTheLineByLineTestOnRealText) {
    BlockSet set;
    for (const char* path : {"/usr/include/stdio.h", "/usr/include/stdlib.h",
                             "/usr/include/string.h", "/usr/include/unistd.h"}) {
        std::vector<std::string> lines = readLines(path);
        if (!lines.empty()) set.add(lines);
    }
    if (set.blocks.empty()) GTEST_SKIP() << "no system headers to read";
    static const char* const kWords[] = {
        "include",    "define",          "extern", "int", "char", "FILE", "__THROW",
        "size_t",     "restrict",        "#",      "(",   "*",    "_",    "n",
        "const char", "__nonnull ((1))", "void",   "x",   "Str",  "\t"};
    std::mt19937 rng(7);
    for (int round = 0; round < testing::roundsForThisBuild(400); ++round) {
        std::string mask;
        int terms = 1 + static_cast<int>(rng() % 4);
        if (rng() % 8 == 0) mask += testdata::pick(rng, {"WORD ", "LSTART ", "NOT ", "LEND "});
        for (int t = 0; t < terms; ++t) {
            if (t)
                mask += testdata::pick(rng,
                                       {" AND ", " OR ", " NOT ", "*", " NEAR ", " ", " OR WORD "});
            mask += kWords[rng() % std::size(kWords)];
        }
        expectSame(request(rng, set, mask), set, mask);
    }
}

// Minified code, generated files and JSON logs hold lines of hundreds of kilobytes: a word
// anywhere in them is found, by the fast pass as by the plain line test.
TEST_F(SearchPassTest, WordsAnywhereInLongLinesAreFound) {
    std::mt19937 rng(2026);
    static const char* const kWords[] = {"quaternion", "needle", "Omega", "x_y", "tail end"};
    BlockSet set;
    int planted = 0;
    for (int b = 0; b < 4; ++b) {
        std::vector<std::string> lines;
        for (int j = 0; j < 12; ++j) {
            const size_t length = j % 3 == 0 ? 1 + rng() % 200000 : 1 + rng() % 5000;
            std::string line(length, 'a');
            for (char& c : line) c = static_cast<char>('a' + rng() % 4);
            if (rng() % 2 == 0) {
                const std::string word = kWords[rng() % std::size(kWords)];
                const size_t at = rng() % (line.size() + 1);
                line.insert(at, word);
                ++planted;
            }
            lines.push_back(line + ' ');
        }
        set.add(lines);
    }
    ASSERT_GT(planted, 10);
    for (const char* word : kWords) {
        for (int round = 0; round < testing::roundsForThisBuild(4); ++round) {
            expectSame(request(rng, set, word), set, word);
            const std::string either = std::string(word) + " OR needle";
            expectSame(request(rng, set, either), set, either);
        }
    }
}

TEST_F(SearchPassTest, PlanNeedsEveryPositiveGroup) {
    FoldTable fold = codePageTables().buildFoldTable(false, true, true);
    MatchFlags flags;
    SearchExpression expr;
    expr.compile("include AND stdio", false, fold);
    ScanPlan plan = planScan(expr, fold, flags);
    ASSERT_TRUE(plan.usable);
    EXPECT_EQ(plan.needles.size(), 1u);
    expr.compile("alpha OR beta OR gamma NOT delta", false, fold);
    plan = planScan(expr, fold, flags);
    EXPECT_EQ(plan.needles.size(), 3u);
    EXPECT_FALSE(plan.inverted);
    expr.compile("NOT alpha NOT beta*gamma", false, fold);
    plan = planScan(expr, fold, flags);
    EXPECT_TRUE(plan.inverted);
    EXPECT_EQ(plan.needles.size(), 2u);
    // A term of stars only offers nothing to look for: every line is tested.
    expr.compile("WORD *", false, fold);
    EXPECT_FALSE(planScan(expr, fold, flags).usable);
}

TEST_F(SearchPassTest, CancelStopsAPassEarly) {
    std::vector<std::string> lines(200000, "some ordinary line of text with words ");
    BlockSet set;
    const int blockCount = testing::kCheckedBuild ? 2 : 10;
    for (int b = 0; b < blockCount; ++b) set.add(lines);
    const int lineCount = blockCount * 200000;
    PassRequest r;
    r.blocks = set.blocks;
    r.fold = codePageTables().buildFoldTable(false, true, true);
    r.expr.compile("NOT words", false, r.fold);  // every line is a candidate
    std::atomic<bool> cancel{true};
    PassResult result = workers.run(r, &cancel);
    EXPECT_TRUE(result.cancelled);
    EXPECT_LT(result.testedLines, lineCount);
    r.collectLines = true;
    EXPECT_FALSE(workers.run(r, &cancel).hitLines);  // a cancelled pass lists nothing
    r.collectLines = false;

    std::atomic<int> calls{0};
    auto job = workers.start(std::make_shared<const PassRequest>(r),
                             [&](const PassResult&) { calls.fetch_add(1); });
    workers.cancel(job);
    EXPECT_EQ(calls.load(), 1);  // the callback has run when cancel returns
    workers.cancelAll();         // nothing left to stop
    result = workers.run(r);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(result.hitCount, 0);
    EXPECT_EQ(result.testedLines, lineCount);
}

}  // namespace
}  // namespace tessel
