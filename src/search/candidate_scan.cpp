#include "search/candidate_scan.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "base/codepage/unicode_fold.h"
#include "base/codepage/utf8.h"
#include "search/candidate_scan_wide.h"

namespace tessel {

namespace {

constexpr double kUnusable = 1e9;
// Each further clause of a byte class costs the vector loop one more compare (and mask) per
// block of bytes: among bytes about equally rare, the one that reads as fewer raw bytes wins.
constexpr double kClauseCost = 0.05;
// A first byte rarer than this (the share of 'k' in the table below: 'k', 'j', 'q', 'x', 'z',
// capitals and most digits) stands in only about one 32-byte block in eight, so testing it
// alone first ends most blocks with one compare; a commoner first byte is tested together
// with the second, which is cheaper than a first test that rarely settles anything.
constexpr double kRareFirstShare = 0.004;
// A second byte equal to the first adds little: both stand in the same places (doubled
// letters), so it is counted four times as common and a different byte is preferred.
constexpr double kSameByteFactor = 4;
// Without a sample, two bytes of one word are estimated as if independent, which they are
// not (letters of a word come together): the product is raised by this factor so that a
// pair does not look far rarer than the single byte needles of one-letter terms it is
// compared with.
constexpr double kPairDependence = 8;

// Estimated shares of bytes in English text and source code. Only their order matters much:
// they pick the bytes worth pairing, and a sample of the text itself decides between the
// pairs whenever one is at hand.
std::array<double, 256> buildFrequencies() {
    std::array<double, 256> f{};
    f.fill(0.00005);
    for (int c = 0x80; c < 0x100; ++c) f[c] = 0.0001;
    static const struct {
        char c;
        double share;
    } kShares[] = {
        {' ', 0.15},   {'e', 0.07},   {'t', 0.052},  {'a', 0.045},  {'o', 0.041},  {'i', 0.039},
        {'n', 0.037},  {'s', 0.035},  {'h', 0.02},   {'r', 0.033},  {'d', 0.024},  {'l', 0.024},
        {'c', 0.02},   {'u', 0.016},  {'m', 0.014},  {'w', 0.008},  {'f', 0.014},  {'g', 0.01},
        {'y', 0.009},  {'p', 0.014},  {'b', 0.008},  {'v', 0.005},  {'k', 0.004},  {'j', 0.0008},
        {'x', 0.003},  {'q', 0.0007}, {'z', 0.0006}, {'_', 0.015},  {'(', 0.01},   {')', 0.01},
        {';', 0.006},  {',', 0.01},   {'.', 0.01},   {'=', 0.008},  {'*', 0.006},  {'/', 0.008},
        {'"', 0.005},  {'-', 0.005},  {'>', 0.003},  {'<', 0.003},  {'{', 0.003},  {'}', 0.003},
        {'[', 0.002},  {']', 0.002},  {'#', 0.002},  {':', 0.003},  {'\'', 0.003}, {'\t', 0.01},
        {'&', 0.001},  {'|', 0.001},  {'!', 0.001},  {'+', 0.002},  {'%', 0.001},  {'\\', 0.001},
        {'@', 0.0005}, {'$', 0.0005}, {'~', 0.0002}, {'^', 0.0002}, {'`', 0.0002}, {'?', 0.0005},
    };
    for (const auto& s : kShares) {
        uint8_t c = static_cast<uint8_t>(s.c);
        f[c] = s.share;
        if (c >= 'a' && c <= 'z') f[c - 32] = s.share / 8;
    }
    for (int c = '0'; c <= '9'; ++c) f[c] = c <= '2' ? 0.008 : 0.004;
    return f;
}

// Groups the raw bytes that read as `target` into clauses; two bytes that differ in one bit
// (a letter and its other case) share one clause.
ByteClass buildClass(const std::vector<uint8_t>& members) {
    ByteClass cls;
    std::vector<uint8_t> left = members;
    for (uint8_t b : members) cls.members[b] = true;
    while (!left.empty()) {
        uint8_t x = left.back();
        left.pop_back();
        uint8_t mask = 0xFF;
        for (size_t k = 0; k < left.size(); ++k) {
            if (std::popcount(static_cast<unsigned>(x ^ left[k])) == 1) {
                mask = static_cast<uint8_t>(~(x ^ left[k]));
                left.erase(left.begin() + static_cast<long>(k));
                break;
            }
        }
        if (cls.clauseCount == ByteClass::kMaxClauses) {
            cls.clauseCount = -1;  // too wide to scan for
            return cls;
        }
        cls.mask[cls.clauseCount] = mask;
        cls.value[cls.clauseCount] = x & mask;
        ++cls.clauseCount;
    }
    return cls;
}

struct Planner {
    Planner(const SearchExpression& expr, const FoldTable& fold) {
        for (int b = 1; b < 256; ++b) {
            uint8_t t = fold.bytes[b];
            if (!expr.hasTab && t == '\t') t = ' ';
            preimage[t].push_back(static_cast<uint8_t>(b));
        }
        if (fold.utf8()) addCharacterPreimages(fold);
        for (int t = 0; t < 256; ++t) {
            classes[t] = buildClass(preimage[t]);
            double share = 0;
            for (uint8_t b : preimage[t]) share += byteFrequency(b);
            cost[t] = classes[t].clauseCount < 0
                          ? kUnusable
                          : share * (1 + kClauseCost * classes[t].clauseCount);
        }
    }

    // The pair of bytes of the text that stands least often in the sample. Only the rarest
    // bytes by estimate are paired, which bounds the work for long terms.
    bool sampledNeedleFor(std::string_view text, std::string_view sample, Needle& needle,
                          double& score) const {
        const int size = static_cast<int>(text.size());
        std::vector<int> order(static_cast<size_t>(size));
        for (int i = 0; i < size; ++i) order[static_cast<size_t>(i)] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return cost[u8(text[a])] < cost[u8(text[b])]; });
        if (order.size() > kSampledPositions) order.resize(kSampledPositions);
        if (cost[u8(text[order.front()])] >= kUnusable) return false;
        const int last = static_cast<int>(sample.size()) - size;
        long bestCount = -1;
        int bestFirst = -1;
        int bestSecond = -1;
        for (size_t x = 0; x < order.size(); ++x) {
            const ByteClass& a = classes[u8(text[order[x]])];
            if (a.clauseCount < 0) continue;
            for (size_t y = x + 1; y < order.size(); ++y) {
                const ByteClass& b = classes[u8(text[order[y]])];
                if (b.clauseCount < 0) continue;
                const char* s = sample.data();
                const int i = order[x];
                const int j = order[y];
                long count = 0;
                for (int p = 0; p <= last; ++p) {
                    count += a.members[u8(s[p + i])] & b.members[u8(s[p + j])];
                }
                if (bestCount < 0 || count < bestCount) {
                    bestCount = count;
                    bestFirst = i;
                    bestSecond = j;
                }
            }
        }
        if (bestCount < 0) return false;
        // Per byte of the sample, comparable between the terms of one group.
        score = (static_cast<double>(bestCount) + 0.5) / static_cast<double>(last + 1);
        needle = {};
        needle.first = classes[u8(text[bestFirst])];
        needle.second = classes[u8(text[bestSecond])];
        needle.rareFirst = cost[u8(text[bestFirst])] < kRareFirstShare;
        int low = std::min(bestFirst, bestSecond);
        needle.termOffset = low;
        needle.firstOffset = bestFirst - low;
        needle.secondOffset = bestSecond - low;
        return true;
    }

    // The rarest byte (or pair of bytes) of a piece of text that every hit contains.
    bool needleFor(std::string_view text, std::string_view sample, Needle& needle,
                   double& score) const {
        if (text.size() >= 2 && sample.size() >= kMinSampleBytes + text.size()) {
            return sampledNeedleFor(text, sample, needle, score);
        }
        if (text.empty()) return false;
        int best = -1;
        for (int i = 0; i < static_cast<int>(text.size()); ++i) {
            if (best < 0 || cost[u8(text[i])] < cost[u8(text[best])]) best = i;
        }
        int second = -1;
        for (int i = 0; i < static_cast<int>(text.size()); ++i) {
            if (i == best) continue;
            double c = cost[u8(text[i])] * (text[i] == text[best] ? kSameByteFactor : 1);
            if (second < 0 ||
                c < cost[u8(text[second])] * (text[second] == text[best] ? kSameByteFactor : 1)) {
                second = i;
            }
        }
        double s = cost[u8(text[best])];
        if (second >= 0) s *= cost[u8(text[second])] * kPairDependence;
        if (s >= kUnusable) return false;
        score = s;
        needle = {};
        needle.first = classes[u8(text[best])];
        needle.rareFirst = cost[u8(text[best])] < kRareFirstShare;
        if (second < 0) {
            needle.single = true;
            return true;
        }
        needle.second = classes[u8(text[second])];
        int low = std::min(best, second);
        needle.termOffset = low;
        needle.firstOffset = best - low;
        needle.secondOffset = second - low;
        return true;
    }

    static uint8_t u8(char c) { return static_cast<uint8_t>(c); }

    static void addOnce(std::vector<uint8_t>& set, uint8_t byte) {
        if (std::find(set.begin(), set.end(), byte) == set.end()) set.push_back(byte);
    }

    // The UTF-8 code page. A character beyond ASCII that folds to another of its length
    // offers its bytes for the folded bytes at the same places. One that folds to ASCII is
    // longer than its fold, so the bytes after it stand elsewhere than the term says: only
    // its lead byte is kept, by the ASCII character it stands for.
    void addCharacterPreimages(const FoldTable& fold) {
        char raw[4];
        char folded[4];
        for (char32_t code = 0x80; code < kWideFoldLimit; ++code) {
            const char32_t to = fold.foldCode(code);
            if (to == code) continue;
            encodeUtf8(code, raw);
            if (to < 0x80) {
                addOnce(shorterLeads[to], u8(raw[0]));
                continue;
            }
            encodeUtf8(to, folded);
            addOnce(preimage[u8(folded[0])], u8(raw[0]));
            addOnce(preimage[u8(folded[1])], u8(raw[1]));
        }
        if (!fold.foldQuotes) return;
        for (char32_t quote : quoteMarks()) {
            encodeUtf8(quote, raw);
            addOnce(shorterLeads[fold.bytes['"']], u8(raw[0]));
        }
    }

    // The lead bytes of the characters that fold shorter to one of text[from, to]: a line
    // where the bytes of a needle over that part do not stand holds one of them instead.
    std::vector<uint8_t> shorterLeadsIn(std::string_view text, int from, int to) const {
        std::vector<uint8_t> leads;
        for (int i = from; i <= to && i < static_cast<int>(text.size()); ++i) {
            const uint8_t c = u8(text[i]);
            if (c >= 0x80) continue;
            for (uint8_t lead : shorterLeads[c]) addOnce(leads, lead);
        }
        return leads;
    }

    // Whether the folded text stands byte for byte, folded, in every line it matches.
    bool standsLiterally(std::string_view text) const {
        for (char c : text) {
            if (u8(c) >= 0x80 || !shorterLeads[u8(c)].empty()) return false;
        }
        return true;
    }

    // Counting a pair over the sample costs a pass over it, so only the 8 rarest bytes of a
    // term by estimate are paired: 28 pairs at most, however long the term.
    static constexpr size_t kSampledPositions = 8;
    // Below this a count says too little (a rare pair stands in no 4 KB at all).
    static constexpr size_t kMinSampleBytes = 4096;

    std::vector<uint8_t> preimage[256];
    std::vector<uint8_t> shorterLeads[128];
    ByteClass classes[256];
    double cost[256] = {};
};

bool needleMatchesAt(const Needle& n, const char* p, const char* end) {
    if (end - p <= n.firstOffset || !n.first.members[static_cast<uint8_t>(p[n.firstOffset])]) {
        return false;
    }
    if (n.single) return true;
    return end - p > n.secondOffset && n.second.members[static_cast<uint8_t>(p[n.secondOffset])];
}

const char* scanScalarNeedle(const Needle& n, const char* p, const char* limit, const char* end) {
    for (; p < limit; ++p) {
        if (needleMatchesAt(n, p, end)) return p;
    }
    return limit;
}

const char* scanScalar(const ScanPlan& plan, const char* p, const char* limit, const char* end) {
    for (; p < limit; ++p) {
        for (const Needle& n : plan.needles) {
            if (needleMatchesAt(n, p, end)) return p;
        }
    }
    return limit;
}

__attribute__((target("avx2"))) inline __m256i classMatch(__m256i bytes, const ByteClass& cls) {
    __m256i any = _mm256_setzero_si256();
    for (int k = 0; k < cls.clauseCount; ++k) {
        __m256i masked =
            cls.mask[k] == 0xFF
                ? bytes
                : _mm256_and_si256(bytes, _mm256_set1_epi8(static_cast<char>(cls.mask[k])));
        any = _mm256_or_si256(
            any, _mm256_cmpeq_epi8(masked, _mm256_set1_epi8(static_cast<char>(cls.value[k]))));
    }
    return any;
}

// Two clauses at most per byte: the common case of a letter in both cases.
struct SmallClass {
    __m256i mask0, value0, mask1, value1;
    bool two;
};

__attribute__((target("avx2"))) SmallClass smallClassOf(const ByteClass& cls) {
    SmallClass s;
    s.mask0 = _mm256_set1_epi8(static_cast<char>(cls.clauseCount > 0 ? cls.mask[0] : 0));
    s.value0 = _mm256_set1_epi8(static_cast<char>(cls.clauseCount > 0 ? cls.value[0] : 1));
    s.two = cls.clauseCount > 1;
    s.mask1 = _mm256_set1_epi8(static_cast<char>(s.two ? cls.mask[1] : 0));
    s.value1 = _mm256_set1_epi8(static_cast<char>(s.two ? cls.value[1] : 1));
    return s;
}

__attribute__((target("avx2"))) inline __m256i smallMatch(__m256i bytes, const SmallClass& s) {
    __m256i m = _mm256_cmpeq_epi8(_mm256_and_si256(bytes, s.mask0), s.value0);
    return _mm256_or_si256(m, _mm256_cmpeq_epi8(_mm256_and_si256(bytes, s.mask1), s.value1));
}

// One needle whose classes have at most two clauses each: everything stays in registers.
template <bool kRareFirst>
__attribute__((target("avx2"))) const char* scanOneNeedleAvx2(const Needle& n, const char* p,
                                                              const char* limit, const char* end,
                                                              int maxOffset) {
    const SmallClass a = smallClassOf(n.first);
    const SmallClass b = smallClassOf(n.second);
    const int o1 = n.firstOffset;
    const int o2 = n.secondOffset;
    while (p < limit && end - p >= 64 + maxOffset) {
        __m256i m0 = smallMatch(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + o1)), a);
        __m256i m1 =
            smallMatch(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 + o1)), a);
        // A rare first byte ends most blocks here without the second test; for a common one
        // the branch would only mispredict.
        if (kRareFirst && _mm256_testz_si256(_mm256_or_si256(m0, m1), _mm256_or_si256(m0, m1))) {
            p += 64;
            continue;
        }
        if (!n.single) {
            m0 = _mm256_and_si256(
                m0, smallMatch(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + o2)), b));
            m1 = _mm256_and_si256(
                m1,
                smallMatch(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 + o2)), b));
        }
        uint64_t bits =
            static_cast<uint32_t>(_mm256_movemask_epi8(m0)) |
            (static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(m1))) << 32);
        if (bits) {
            const char* hit = p + std::countr_zero(bits);
            return hit < limit ? hit : limit;
        }
        p += 64;
    }
    return p < limit ? scanScalarNeedle(n, p, limit, end) : limit;
}

// A few needles whose classes have at most two clauses each (OR masks of a few words): the
// needle count is fixed at compile time so the loop keeps its constants in registers.
template <int N>
__attribute__((target("avx2"))) const char* scanFewNeedlesAvx2(const ScanPlan& plan, const char* p,
                                                               const char* limit, const char* end) {
    SmallClass first[N];
    SmallClass second[N];
    int o1[N];
    int o2[N];
    bool single[N];
    for (int k = 0; k < N; ++k) {
        const Needle& n = plan.needles[k];
        first[k] = smallClassOf(n.first);
        second[k] = smallClassOf(n.second);
        o1[k] = n.firstOffset;
        o2[k] = n.secondOffset;
        single[k] = n.single;
    }
    while (p < limit && end - p >= 32 + plan.maxOffset) {
        __m256i any = _mm256_setzero_si256();
        for (int k = 0; k < N; ++k) {
            __m256i m = smallMatch(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + o1[k])),
                                   first[k]);
            if (!single[k]) {
                m = _mm256_and_si256(
                    m, smallMatch(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + o2[k])),
                                  second[k]));
            }
            any = _mm256_or_si256(any, m);
        }
        uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(any));
        if (bits) {
            const char* hit = p + std::countr_zero(bits);
            return hit < limit ? hit : limit;
        }
        p += 32;
    }
    return p < limit ? scanScalar(plan, p, limit, end) : limit;
}

// Needles whose every class is one clause (a letter in both cases, or one exact byte) and
// which test two bytes: the common shape of words. Each needle costs two loads, two ANDs,
// two compares and an AND per 32 bytes, and its constants stay in registers.
struct PairConstants {
    __m256i firstMask, firstValue, secondMask, secondValue;
    int firstOffset, secondOffset;
};

__attribute__((target("avx2"))) PairConstants pairConstantsOf(const Needle& n) {
    PairConstants c;
    c.firstMask = _mm256_set1_epi8(static_cast<char>(n.first.mask[0]));
    c.firstValue = _mm256_set1_epi8(static_cast<char>(n.first.value[0]));
    c.secondMask = _mm256_set1_epi8(static_cast<char>(n.second.mask[0]));
    c.secondValue = _mm256_set1_epi8(static_cast<char>(n.second.value[0]));
    c.firstOffset = n.firstOffset;
    c.secondOffset = n.secondOffset;
    return c;
}

__attribute__((target("avx2"))) inline __m256i firstMatch(const char* p, const PairConstants& c) {
    __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + c.firstOffset));
    return _mm256_cmpeq_epi8(_mm256_and_si256(bytes, c.firstMask), c.firstValue);
}

__attribute__((target("avx2"))) inline __m256i secondMatch(const char* p, const PairConstants& c) {
    __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + c.secondOffset));
    return _mm256_cmpeq_epi8(_mm256_and_si256(bytes, c.secondMask), c.secondValue);
}

bool isSimplePair(const Needle& n) {
    return !n.single && n.first.clauseCount == 1 && n.second.clauseCount == 1;
}

template <int N, bool kRareFirst>
__attribute__((target("avx2"))) const char* scanSimplePairsAvx2(const ScanPlan& plan, const char* p,
                                                                const char* limit,
                                                                const char* end) {
    PairConstants c[N];
    for (int k = 0; k < N; ++k) c[k] = pairConstantsOf(plan.needles[k]);
    while (p < limit && end - p >= 64 + plan.maxOffset) {
        __m256i lo = _mm256_setzero_si256();
        __m256i hi = _mm256_setzero_si256();
        if (kRareFirst) {
            // A rare first byte ends most blocks here without the second test.
            __m256i a = firstMatch(p, c[0]);
            __m256i b = firstMatch(p + 32, c[0]);
            __m256i either = _mm256_or_si256(a, b);
            if (_mm256_testz_si256(either, either)) {
                p += 64;
                continue;
            }
            lo = _mm256_and_si256(a, secondMatch(p, c[0]));
            hi = _mm256_and_si256(b, secondMatch(p + 32, c[0]));
        } else {
#pragma GCC unroll 4
            for (int k = 0; k < N; ++k) {
                lo = _mm256_or_si256(lo,
                                     _mm256_and_si256(firstMatch(p, c[k]), secondMatch(p, c[k])));
                hi = _mm256_or_si256(
                    hi, _mm256_and_si256(firstMatch(p + 32, c[k]), secondMatch(p + 32, c[k])));
            }
        }
        uint64_t bits =
            static_cast<uint32_t>(_mm256_movemask_epi8(lo)) |
            (static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(hi))) << 32);
        if (bits) {
            const char* hit = p + std::countr_zero(bits);
            return hit < limit ? hit : limit;
        }
        p += 64;
    }
    return p < limit ? scanScalar(plan, p, limit, end) : limit;
}

__attribute__((target("avx2"))) const char* scanAvx2(const ScanPlan& plan, const char* p,
                                                     const char* limit, const char* end) {
    bool simple = true;
    for (const Needle& n : plan.needles) simple = simple && isSimplePair(n);
    if (simple) {
        switch (plan.needles.size()) {
            case 1:
                return plan.needles[0].rareFirst
                           ? scanSimplePairsAvx2<1, true>(plan, p, limit, end)
                           : scanSimplePairsAvx2<1, false>(plan, p, limit, end);
            case 2:
                return scanSimplePairsAvx2<2, false>(plan, p, limit, end);
            case 3:
                return scanSimplePairsAvx2<3, false>(plan, p, limit, end);
            case 4:
                return scanSimplePairsAvx2<4, false>(plan, p, limit, end);
            default:
                break;
        }
    }
    bool small = true;
    for (const Needle& n : plan.needles) {
        small = small && n.first.clauseCount <= 2 && n.second.clauseCount <= 2;
    }
    if (small && plan.needles.size() == 2) return scanFewNeedlesAvx2<2>(plan, p, limit, end);
    if (small && plan.needles.size() == 3) return scanFewNeedlesAvx2<3>(plan, p, limit, end);
    if (small && plan.needles.size() == 4) return scanFewNeedlesAvx2<4>(plan, p, limit, end);
    const Needle& only = plan.needles.front();
    if (plan.needles.size() == 1 && only.first.clauseCount <= 2 && only.second.clauseCount <= 2) {
        if (only.rareFirst) return scanOneNeedleAvx2<true>(only, p, limit, end, plan.maxOffset);
        return scanOneNeedleAvx2<false>(only, p, limit, end, plan.maxOffset);
    }
    while (p < limit && end - p >= 32 + plan.maxOffset) {
        __m256i any = _mm256_setzero_si256();
        for (const Needle& n : plan.needles) {
            __m256i m = classMatch(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + n.firstOffset)), n.first);
            if (!n.single) {
                m = _mm256_and_si256(
                    m, classMatch(
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + n.secondOffset)),
                           n.second));
            }
            any = _mm256_or_si256(any, m);
        }
        uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(any));
        if (bits) {
            const char* hit = p + std::countr_zero(bits);
            return hit < limit ? hit : limit;
        }
        p += 32;
    }
    return p < limit ? scanScalar(plan, p, limit, end) : limit;
}

bool haveAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

double byteFrequency(uint8_t byte) {
    static const std::array<double, 256> table = buildFrequencies();
    return table[byte];
}

ScanPlan planScan(const SearchExpression& expr, const FoldTable& fold, const MatchFlags& flags,
                  std::string_view sample) {
    ScanPlan plan;
    const uint32_t count = std::min<uint32_t>(expr.termCount, kTermSlots);
    if (count == 0) return plan;
    const Planner planner(expr, fold);
    plan.inverted = expr.op(0) == kTermNot;
    bool checkable = true;
    for (uint32_t head = 0; head < count;) {
        uint32_t next = head + 1;
        while (next < count && expr.op(next) == kTermAnd) ++next;
        // Only the groups that can make a line match (or, inverted, fail) need a needle.
        if ((expr.op(head) == kTermNot) == plan.inverted) {
            Needle best;
            std::string_view bestText;
            double bestScore = 0;
            bool found = false;
            for (uint32_t t = head; t < next; ++t) {
                const uint8_t kind = expr.termKinds[t];
                std::string_view text = expr.term(t);
                bool wholeWord = (kind & kTermWord) && !(kind & (kTermLStart | kTermLEnd)) &&
                                 flags.sequenceSensitive && expr.op(t) == kTermAnd;
                // A whole-word term needs each of its "*" segments, not the term itself.
                while (true) {
                    size_t star = wholeWord ? text.find('*') : std::string_view::npos;
                    Needle candidate;
                    double score = 0;
                    if (planner.needleFor(text.substr(0, star), sample, candidate, score) &&
                        (!found || score < bestScore)) {
                        candidate.term = static_cast<int>(t);
                        best = candidate;
                        bestText = text.substr(0, star);
                        bestScore = score;
                        found = true;
                    }
                    if (star == std::string_view::npos) break;
                    text.remove_prefix(star + 1);
                }
            }
            if (!found) return ScanPlan{};
            plan.maxOffset = std::max({plan.maxOffset, best.firstOffset, best.secondOffset});
            plan.needles.push_back(best);
            plan.terms.emplace_back(bestText);
            if (!planner.standsLiterally(bestText)) checkable = false;
            // A line where the needle's bytes do not stand because a character there folded
            // shorter holds that character's lead byte: a second needle looks for those.
            const int from = best.termOffset;
            const int to = from + std::max(best.firstOffset, best.secondOffset);
            std::vector<uint8_t> leads = planner.shorterLeadsIn(bestText, from, to);
            if (!leads.empty()) {
                Needle shorter;
                shorter.term = best.term;
                shorter.single = true;
                shorter.first = buildClass(leads);
                if (shorter.first.clauseCount < 0) return ScanPlan{};
                plan.needles.push_back(shorter);
                plan.terms.emplace_back();
            }
            // A line keyword's place, and the "*" of a whole word searched as plain text,
            // are for the line test to judge.
            const uint8_t kind = expr.termKinds[best.term];
            if ((kind & (kTermLStart | kTermLEnd)) ||
                ((kind & kTermWord) && bestText.find('*') != std::string_view::npos)) {
                checkable = false;
            }
        }
        head = next;
    }
    plan.usable = !plan.needles.empty();
    plan.simplePairs = plan.usable;
    for (const Needle& n : plan.needles) plan.simplePairs = plan.simplePairs && isSimplePair(n);
    plan.plainTerms = plan.usable && !plan.inverted && !expr.hasNotTerm();
    for (uint32_t t = 0; t < count; ++t) {
        bool groupHead = t == 0 || expr.op(t) != kTermAnd;
        bool alone = t + 1 == count || expr.op(t + 1) != kTermAnd;
        if (!groupHead || !alone || (expr.termKinds[t] & 0xF0)) plan.plainTerms = false;
    }
    plan.termsCheckable = plan.usable && checkable;
    // A needle hit confirms a line only where the terms stand literally.
    plan.plainTerms = plan.plainTerms && plan.termsCheckable;
    for (int b = 0; b < 256; ++b) {
        uint8_t c = fold.bytes[b];
        plan.readAs[b] = !expr.hasTab && c == '\t' ? ' ' : c;
    }
    return plan;
}

bool termStandsAt(const ScanPlan& plan, int needle, const char* candidate, const char* begin,
                  const char* end) {
    const Needle& n = plan.needles[needle];
    const std::string& term = plan.terms[needle];
    if (candidate - begin < n.termOffset) return false;
    const char* start = candidate - n.termOffset;
    if (end - start < static_cast<std::ptrdiff_t>(term.size())) return false;
    for (size_t i = 0; i < term.size(); ++i) {
        if (plan.readAs[static_cast<uint8_t>(start[i])] != static_cast<uint8_t>(term[i]))
            return false;
    }
    return true;
}

const char* scanForCandidate(const ScanPlan& plan, const char* from, const char* limit,
                             const char* end) {
    if (from >= limit || plan.needles.empty()) return limit;
    if (plan.simplePairs && haveWideScan()) {
        bool done = false;
        const char* found = scanWide(plan, from, limit, end, &done);
        if (done) return found;
    }
    if (haveAvx2()) return scanAvx2(plan, from, limit, end);
    return scanScalar(plan, from, limit, end);
}

}  // namespace tessel
