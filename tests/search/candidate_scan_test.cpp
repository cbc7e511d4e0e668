#include "search/candidate_scan.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"

namespace tessel {
namespace {

// The first position in [from, limit) where some needle's bytes stand, read byte by byte.
const char* slowScan(const ScanPlan& plan, const char* from, const char* limit, const char* end) {
    for (const char* p = from; p < limit; ++p) {
        for (const Needle& n : plan.needles) {
            if (end - p <= n.firstOffset ||
                !n.first.members[static_cast<uint8_t>(p[n.firstOffset])])
                continue;
            if (n.single || (end - p > n.secondOffset &&
                             n.second.members[static_cast<uint8_t>(p[n.secondOffset])])) {
                return p;
            }
        }
    }
    return limit;
}

// Text over a few letters in both cases, so that needles hit often and at every offset of the
// vector blocks, including the last bytes before the end of the buffer.
std::string randomText(std::mt19937& rng, size_t size) {
    static const char kLetters[] = "abcdeABCDE xz\n";
    std::string text(size, ' ');
    for (char& c : text) c = kLetters[rng() % (sizeof kLetters - 1)];
    return text;
}

TEST(CandidateScanTest, VectorScanFindsTheFirstNeedleLikeTheByteByByteScan) {
    std::mt19937 rng(7);
    const char* kMasks[] = {"ab",
                            "eXd",
                            "ab OR cd",
                            "ace OR BD OR xe",
                            "dz OR zz OR ea OR bb",
                            "a*c",
                            "ab OR cd OR de OR ea OR bc",
                            "z",
                            "zx OR x",
                            "WORD abd"};
    for (bool caseSensitive : {false, true}) {
        FoldTable fold = codePageTables().buildFoldTable(caseSensitive, true, true);
        for (const char* mask : kMasks) {
            SearchExpression expr;
            expr.compile(mask, false, fold);
            ScanPlan plan = planScan(expr, fold, MatchFlags{});
            ASSERT_TRUE(plan.usable) << mask;
            for (int round = 0; round < 300; ++round) {
                // Sparse text keeps hits far apart so the block loops run before a hit.
                std::string text = randomText(rng, 1 + rng() % 400);
                if (round % 2) {
                    for (char& c : text) {
                        if (rng() % 16) c = ' ';
                    }
                }
                const char* begin = text.data();
                const char* end = begin + text.size();
                const char* from = begin + rng() % text.size();
                const char* limit = from + rng() % (end - from + 1);
                ASSERT_EQ(scanForCandidate(plan, from, limit, end) - begin,
                          slowScan(plan, from, limit, end) - begin)
                    << "mask [" << mask << "] case " << caseSensitive << " text [" << text
                    << "] from " << (from - begin) << " limit " << (limit - begin);
            }
        }
    }
}

// Text that ends where readable memory ends: the vector scans must not touch the page after
// it, however the last bytes fall into their vector blocks.
TEST(CandidateScanTest, TextEndingAtAnUnreadablePageIsScannedToItsLastByte) {
    const long page = sysconf(_SC_PAGESIZE);
    void* map = mmap(nullptr, static_cast<size_t>(2 * page), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    char* memory = static_cast<char*>(map);
    ASSERT_EQ(mprotect(memory + page, static_cast<size_t>(page), PROT_NONE), 0);
    char* end = memory + page;
    std::mt19937 rng(5);
    FoldTable fold = codePageTables().buildFoldTable(false, true, true);
    for (const char* mask : {"ab", "ab OR cd", "ace OR BD OR xe", "dz OR zz OR ea OR bb"}) {
        SearchExpression expr;
        expr.compile(mask, false, fold);
        const ScanPlan plan = planScan(expr, fold, MatchFlags{});
        for (int round = 0; round < 200; ++round) {
            const std::string text = randomText(rng, 1 + rng() % 300);
            char* begin = end - text.size();
            std::memcpy(begin, text.data(), text.size());
            ASSERT_EQ(scanForCandidate(plan, begin, end, end) - begin,
                      slowScan(plan, begin, end, end) - begin)
                << "mask [" << mask << "] text [" << text << "]";
        }
    }
    munmap(map, static_cast<size_t>(2 * page));
}

TEST(CandidateScanTest, PairsChosenFromASampleStillCoverEveryOccurrence) {
    std::mt19937 rng(11);
    FoldTable fold = codePageTables().buildFoldTable(false, true, true);
    for (int round = 0; round < 200; ++round) {
        std::string text = randomText(rng, 6000);
        // A term cut from the text itself, so that it occurs; the sample is the text.
        size_t at = rng() % (text.size() - 12);
        std::string term = text.substr(at, 2 + rng() % 10);
        for (char& c : term) {
            if (c == ' ' || c == '\n') c = 'x';
        }
        SearchExpression expr;
        expr.compile(term, false, fold);
        ScanPlan plan = planScan(expr, fold, MatchFlags{}, text);
        ASSERT_TRUE(plan.usable) << term;
        ASSERT_EQ(plan.needles.size(), 1u);
        const Needle& n = plan.needles[0];
        ASSERT_FALSE(n.single);
        std::string_view folded = expr.term(0);
        for (size_t q = 0; q + folded.size() <= text.size(); ++q) {
            bool stands = true;
            for (size_t i = 0; i < folded.size() && stands; ++i) {
                stands = fold.bytes[static_cast<uint8_t>(text[q + i])] ==
                         static_cast<uint8_t>(folded[i]);
            }
            if (!stands) continue;
            const char* p = text.data() + q + n.termOffset;
            EXPECT_TRUE(n.first.members[static_cast<uint8_t>(p[n.firstOffset])] &&
                        n.second.members[static_cast<uint8_t>(p[n.secondOffset])])
                << "term [" << term << "] at " << q;
        }
    }
}

}  // namespace
}  // namespace tessel
