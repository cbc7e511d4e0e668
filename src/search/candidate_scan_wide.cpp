// The candidate scan with 64-byte vectors and mask registers.
#include "search/candidate_scan_wide.h"

#include <immintrin.h>

#include <bit>
#include <cstdint>

namespace tessel {

bool haveWideScan() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return has;
}

namespace {

// The simple pairs again with 64-byte vectors and mask registers: a third of the
// instructions per byte, which lets two workers keep up with memory. The end of a region is
// read through masked loads, which touch no byte at or past `end`.
struct WidePair {
    __m512i firstMask, firstValue, secondMask, secondValue;
    int firstOffset, secondOffset;
};

__attribute__((target("avx512f,avx512bw"))) WidePair widePairOf(const Needle& n) {
    WidePair c;
    c.firstMask = _mm512_set1_epi8(static_cast<char>(n.first.mask[0]));
    c.firstValue = _mm512_set1_epi8(static_cast<char>(n.first.value[0]));
    c.secondMask = _mm512_set1_epi8(static_cast<char>(n.second.mask[0]));
    c.secondValue = _mm512_set1_epi8(static_cast<char>(n.second.value[0]));
    c.firstOffset = n.firstOffset;
    c.secondOffset = n.secondOffset;
    return c;
}

__attribute__((target("avx512f,avx512bw"))) inline __mmask64 wideFirst(const char* p,
                                                                       const WidePair& c) {
    const __m512i bytes = _mm512_loadu_si512(p + c.firstOffset);
    return _mm512_cmpeq_epi8_mask(_mm512_and_si512(bytes, c.firstMask), c.firstValue);
}

__attribute__((target("avx512f,avx512bw"))) inline __mmask64 wideSecond(const char* p,
                                                                        const WidePair& c,
                                                                        __mmask64 first) {
    const __m512i bytes = _mm512_loadu_si512(p + c.secondOffset);
    return _mm512_mask_cmpeq_epi8_mask(first, _mm512_and_si512(bytes, c.secondMask), c.secondValue);
}

// The lanes of a 64-byte load of which `readable` bytes may be read.
inline uint64_t readableLanes(int64_t readable) {
    if (readable <= 0) return 0;
    return readable >= 64 ? ~uint64_t{0} : (uint64_t{1} << readable) - 1;
}

__attribute__((target("avx512f,avx512bw"))) inline __mmask64 widePairNearEnd(const char* p,
                                                                             int64_t readable,
                                                                             const WidePair& c) {
    const __mmask64 firstLanes = readableLanes(readable - c.firstOffset);
    const __mmask64 secondLanes = readableLanes(readable - c.secondOffset);
    const __m512i first = _mm512_maskz_loadu_epi8(firstLanes, p + c.firstOffset);
    const __m512i second = _mm512_maskz_loadu_epi8(secondLanes, p + c.secondOffset);
    const __mmask64 k = _mm512_mask_cmpeq_epi8_mask(
        firstLanes & secondLanes, _mm512_and_si512(first, c.firstMask), c.firstValue);
    return _mm512_mask_cmpeq_epi8_mask(k, _mm512_and_si512(second, c.secondMask), c.secondValue);
}

template <int N, bool kRareFirst>
__attribute__((target("avx512f,avx512bw"))) const char* scanSimplePairsAvx512(const ScanPlan& plan,
                                                                              const char* p,
                                                                              const char* limit,
                                                                              const char* end) {
    WidePair c[N];
    for (int k = 0; k < N; ++k) c[k] = widePairOf(plan.needles[k]);
    while (p < limit && end - p >= 128 + plan.maxOffset) {
        uint64_t lo = 0;
        uint64_t hi = 0;
        if (kRareFirst) {
            // A rare first byte ends most blocks here without the second test.
            const __mmask64 a = wideFirst(p, c[0]);
            const __mmask64 b = wideFirst(p + 64, c[0]);
            if ((a | b) == 0) {
                p += 128;
                continue;
            }
            lo = wideSecond(p, c[0], a);
            hi = wideSecond(p + 64, c[0], b);
        } else {
#pragma GCC unroll 4
            for (int k = 0; k < N; ++k) {
                lo |= wideSecond(p, c[k], wideFirst(p, c[k]));
                hi |= wideSecond(p + 64, c[k], wideFirst(p + 64, c[k]));
            }
        }
        if (lo | hi) {
            const char* hit = lo ? p + std::countr_zero(lo) : p + 64 + std::countr_zero(hi);
            return hit < limit ? hit : limit;
        }
        p += 128;
    }
    while (p < limit) {
        const int64_t readable = end - p;
        uint64_t bits = 0;
        for (int k = 0; k < N; ++k) {
            bits |= readable >= 64 + plan.maxOffset ? wideSecond(p, c[k], wideFirst(p, c[k]))
                                                    : widePairNearEnd(p, readable, c[k]);
        }
        if (bits) {
            const char* hit = p + std::countr_zero(bits);
            return hit < limit ? hit : limit;
        }
        p += 64;
    }
    return limit;
}

}  // namespace

const char* scanWide(const ScanPlan& plan, const char* p, const char* limit, const char* end,
                     bool* done) {
    *done = true;
    switch (plan.needles.size()) {
        case 1:
            return plan.needles[0].rareFirst ? scanSimplePairsAvx512<1, true>(plan, p, limit, end)
                                             : scanSimplePairsAvx512<1, false>(plan, p, limit, end);
        case 2:
            return scanSimplePairsAvx512<2, false>(plan, p, limit, end);
        case 3:
            return scanSimplePairsAvx512<3, false>(plan, p, limit, end);
        case 4:
            return scanSimplePairsAvx512<4, false>(plan, p, limit, end);
        default:
            *done = false;
            return limit;
    }
}

}  // namespace tessel
