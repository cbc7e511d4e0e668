#include "text/text_block_lines.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define TESSEL_VECTOR_LINES 1
#endif

namespace tessel {

uint32_t maskOfBytes(const uint8_t* bytes, size_t length, const uint32_t* bits) {
    // Four independent accumulators let the loads overlap.
    uint32_t m0 = 0, m1 = 0, m2 = 0, m3 = 0;
    size_t at = 0;
    for (; at + 4 <= length; at += 4) {
        m0 |= bits[bytes[at]];
        m1 |= bits[bytes[at + 1]];
        m2 |= bits[bytes[at + 2]];
        m3 |= bits[bytes[at + 3]];
    }
    for (; at < length; ++at) m0 |= bits[bytes[at]];
    return m0 | m1 | m2 | m3;
}

namespace {

constexpr int64_t kWindowBytes = 64;

}  // namespace

uint64_t newlineBits(const char* window, int64_t length) {
#if defined(__SSE2__)
    if (length == kWindowBytes) {
        const __m128i newline = _mm_set1_epi8('\n');
        uint64_t bits = 0;
        for (int part = 0; part < 4; ++part) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * part));
            auto found = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, newline)));
            bits |= static_cast<uint64_t>(found) << (16 * part);
        }
        return bits;
    }
#endif
    uint64_t bits = 0;
    for (int64_t i = 0; i < length; ++i) {
        if (window[i] == '\n') bits |= uint64_t{1} << i;
    }
    return bits;
}

namespace {

int64_t countNewlinesScalar(const char* text, int64_t length) {
    int64_t count = 0;
    int64_t at = 0;
#if defined(__SSE2__)
    // Byte counters, summed up before any of them can overflow.
    const __m128i newline = _mm_set1_epi8('\n');
    while (length - at >= 16) {
        __m128i counters = _mm_setzero_si128();
        for (int round = 0; round < 255 && length - at >= 16; ++round, at += 16) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(bytes, newline));
        }
        __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
#endif
    for (; at < length; ++at) count += text[at] == '\n';
    return count;
}

}  // namespace

int indexPlainTextScalar(char* text, int64_t used, uint32_t* starts, uint32_t* masks,
                         const uint32_t* bits, bool hasPrefix, char prefixStart) {
    int indexed = 0;
    int64_t lineStart = 0;
    auto finish = [&](int64_t lineEnd) {
        starts[indexed] = static_cast<uint32_t>(lineStart);
        const char* line = text + lineStart;
        masks[indexed++] = hasPrefix && *line == prefixStart
                               ? 0
                               : maskOfBytes(reinterpret_cast<const uint8_t*>(line),
                                             static_cast<size_t>(lineEnd - lineStart), bits);
    };
    // Lines are short (tens of bytes): finding all newlines of a window at once beats a call
    // per line.
    for (int64_t base = 0; base < used; base += kWindowBytes) {
        int64_t length = used - base < kWindowBytes ? used - base : kWindowBytes;
        for (uint64_t found = newlineBits(text + base, length); found != 0; found &= found - 1) {
            int64_t newline = base + std::countr_zero(found);
            finish(newline);
            text[newline] = '\0';
            lineStart = newline + 1;
        }
    }
    if (lineStart < used) finish(used);
    return indexed;
}

#if defined(TESSEL_VECTOR_LINES)

namespace {

// The character bits of the code page split into three byte planes (bits 8-15, 16-23,
// 24-31), each a 256-byte table that byte permutes look up 64 bytes at a time. Tables that
// use the low byte (the file kind's place) are left to the scalar version.
struct MaskPlanes {
    uint32_t source[256] = {};
    alignas(64) uint8_t planes[3][256] = {};
    bool built = false;
    bool usable = false;
};

// Per thread: loading indexes blocks on several threads at once, and the tables change
// only when the code page does.
const MaskPlanes& planesFor(const uint32_t* bits) {
    thread_local MaskPlanes cache;
    if (!cache.built || std::memcmp(cache.source, bits, sizeof cache.source) != 0) {
        std::memcpy(cache.source, bits, sizeof cache.source);
        cache.usable = true;
        for (int byte = 0; byte < 256; ++byte) {
            if (bits[byte] & 0xFFu) cache.usable = false;
            for (int plane = 0; plane < 3; ++plane)
                cache.planes[plane][byte] = static_cast<uint8_t>(bits[byte] >> (8 + 8 * plane));
        }
        cache.built = true;
    }
    return cache;
}

bool haveVectorInstructions() {
    static const bool has =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
        __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return has;
}

#define TESSEL_LINES_TARGET \
    __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))

// Each 64-byte window: the three planes of every byte's character bit (0 for newlines),
// then a segmented OR scan in six doubling steps that restarts behind every newline, so
// that the lane of a newline holds the OR of its whole line part in this window. The part
// of a line from earlier windows comes in as a carry.
TESSEL_LINES_TARGET int indexPlainTextVector(char* text, int64_t used, uint32_t* starts,
                                             uint32_t* masks, const MaskPlanes& tables,
                                             bool hasPrefix, char prefixStart) {
    __m512i table[3][4];
    for (int plane = 0; plane < 3; ++plane) {
        for (int part = 0; part < 4; ++part)
            table[plane][part] = _mm512_load_si512(tables.planes[plane] + 64 * part);
    }
    alignas(64) uint8_t shiftBytes[6][64];
    for (int step = 0; step < 6; ++step) {
        for (int lane = 0; lane < 64; ++lane) {
            int from = lane - (1 << step);
            shiftBytes[step][lane] = static_cast<uint8_t>(from >= 0 ? from : 0);
        }
    }
    __m512i shift[6];
    for (int step = 0; step < 6; ++step) shift[step] = _mm512_load_si512(shiftBytes[step]);
    const __m512i newline = _mm512_set1_epi8('\n');
    const __m512i lastLane = _mm512_set1_epi8(63);
    const __m512i prefix = _mm512_set1_epi8(prefixStart);
    alignas(64) uint8_t behindBytes[64];
    for (int lane = 0; lane < 64; ++lane) behindBytes[lane] = static_cast<uint8_t>(lane + 1);
    const __m512i behindLane = _mm512_load_si512(behindBytes);
    // Byte lane 4i + k takes byte i: bytes spread out to one 32-bit lane each.
    alignas(64) uint8_t spreadBytes[64];
    for (int lane = 0; lane < 64; ++lane) spreadBytes[lane] = static_cast<uint8_t>(lane / 4);
    const __m512i spread = _mm512_load_si512(spreadBytes);
    constexpr __mmask64 kByte0 = 0x1111111111111111;
    constexpr __mmask64 kByte1 = kByte0 << 1;
    constexpr __mmask64 kByte2 = kByte0 << 2;
    constexpr __mmask64 kByte3 = kByte0 << 3;
    __m512i carry0 = _mm512_setzero_si512();
    __m512i carry1 = carry0;
    __m512i carry2 = carry0;
    alignas(64) uint8_t lineOr[3][64];
    alignas(64) char tail[64];
    int indexed = 0;
    int64_t lineStart = 0;
    for (int64_t base = 0; base < used; base += kWindowBytes) {
        int64_t length = used - base;
        const char* window = text + base;
        __mmask64 valid = ~__mmask64{0};
        if (length < kWindowBytes) {
            // The last window is read from a copy: nothing behind the text is touched.
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, window, static_cast<size_t>(length));
            window = tail;
            valid = _bzhi_u64(~uint64_t{0}, static_cast<unsigned>(length));
        }
        __m512i v = _mm512_loadu_si512(window);
        __mmask64 ends = _mm512_mask_cmpeq_epi8_mask(valid, v, newline);
        __mmask64 high = _mm512_movepi8_mask(v);
        __mmask64 body = valid & ~ends;
        __mmask64 low = body & ~high;
        high &= body;
        __m512i x0 =
            _mm512_or_si512(_mm512_maskz_permutex2var_epi8(low, table[0][0], v, table[0][1]),
                            _mm512_maskz_permutex2var_epi8(high, table[0][2], v, table[0][3]));
        __m512i x1 =
            _mm512_or_si512(_mm512_maskz_permutex2var_epi8(low, table[1][0], v, table[1][1]),
                            _mm512_maskz_permutex2var_epi8(high, table[1][2], v, table[1][3]));
        __m512i x2 =
            _mm512_or_si512(_mm512_maskz_permutex2var_epi8(low, table[2][0], v, table[2][1]),
                            _mm512_maskz_permutex2var_epi8(high, table[2][2], v, table[2][3]));
        // Lanes up to the first newline continue the line of the earlier windows.
        uint64_t later = static_cast<uint64_t>(ends);
        uint64_t firstPart = later ? ((later & (0 - later)) << 1) - 1 : ~uint64_t{0};
        x0 = _mm512_or_si512(x0, _mm512_maskz_mov_epi8(firstPart, carry0));
        x1 = _mm512_or_si512(x1, _mm512_maskz_mov_epi8(firstPart, carry1));
        x2 = _mm512_or_si512(x2, _mm512_maskz_mov_epi8(firstPart, carry2));
        // A lane takes the lanes before it until the lane behind a newline: `heads` marks
        // the lanes whose line part is already complete for the current step width.
        uint64_t heads = (static_cast<uint64_t>(ends) << 1) | 1;
#pragma GCC unroll 6
        for (int step = 0; step < 6; ++step) {
            uint64_t width = uint64_t{1} << step;
            __mmask64 take = ~heads & (~uint64_t{0} << width);
            x0 = _mm512_or_si512(x0, _mm512_maskz_permutexvar_epi8(take, shift[step], x0));
            x1 = _mm512_or_si512(x1, _mm512_maskz_permutexvar_epi8(take, shift[step], x1));
            x2 = _mm512_or_si512(x2, _mm512_maskz_permutexvar_epi8(take, shift[step], x2));
            heads |= heads << width;
        }
        __mmask64 open = (static_cast<uint64_t>(ends) >> 63) ? 0 : ~__mmask64{0};
        carry0 = _mm512_maskz_permutexvar_epi8(open, lastLane, x0);
        carry1 = _mm512_maskz_permutexvar_epi8(open, lastLane, x1);
        carry2 = _mm512_maskz_permutexvar_epi8(open, lastLane, x2);
        if (ends == 0) continue;
        int count = std::popcount(static_cast<uint64_t>(ends));
        if (count > 16) {
            // Very short lines: one at a time.
            _mm512_store_si512(lineOr[0], x0);
            _mm512_store_si512(lineOr[1], x1);
            _mm512_store_si512(lineOr[2], x2);
            for (uint64_t found = ends; found != 0; found &= found - 1) {
                int lane = std::countr_zero(found);
                starts[indexed] = static_cast<uint32_t>(lineStart);
                uint32_t mask = (uint32_t{lineOr[0][lane]} << 8) |
                                (uint32_t{lineOr[1][lane]} << 16) |
                                (uint32_t{lineOr[2][lane]} << 24);
                masks[indexed++] = hasPrefix && text[lineStart] == prefixStart ? 0 : mask;
                text[base + lane] = '\0';
                lineStart = base + lane + 1;
            }
            continue;
        }
        // The newline lanes side by side, one line mask per 32-bit lane: the plane bytes go
        // to bytes 1, 2 and 3 of the lanes.
        __m512i lineMasks = _mm512_or_si512(
            _mm512_maskz_permutexvar_epi8(kByte1, spread, _mm512_maskz_compress_epi8(ends, x0)),
            _mm512_or_si512(
                _mm512_maskz_permutexvar_epi8(kByte2, spread, _mm512_maskz_compress_epi8(ends, x1)),
                _mm512_maskz_permutexvar_epi8(kByte3, spread,
                                              _mm512_maskz_compress_epi8(ends, x2))));
        uint32_t prefixLines = 0;
        if (hasPrefix) {
            // Line j > 0 of the window starts behind newline j - 1, inside the window.
            uint64_t behind = static_cast<uint64_t>(_mm512_cmpeq_epi8_mask(v, prefix)) >> 1;
            prefixLines = static_cast<uint32_t>(_pext_u64(behind, ends) << 1) |
                          (text[lineStart] == prefixStart ? 1u : 0u);
        }
        auto lines = static_cast<__mmask16>(_bzhi_u32(0xFFFFu, static_cast<unsigned>(count)));
        _mm512_mask_storeu_epi32(
            masks + indexed, lines,
            _mm512_maskz_mov_epi32(static_cast<__mmask16>(~prefixLines), lineMasks));
        // Each line after the first starts behind the newline before it; the store also
        // writes the start of the line after the window's last newline, one slot further.
        __m512i next = _mm512_maskz_permutexvar_epi8(kByte0, spread,
                                                     _mm512_maskz_compress_epi8(ends, behindLane));
        starts[indexed] = static_cast<uint32_t>(lineStart);
        _mm512_mask_storeu_epi32(
            starts + indexed + 1, lines,
            _mm512_add_epi32(next,
                             _mm512_set1_epi32(static_cast<int>(static_cast<uint32_t>(base)))));
        if (window == tail) {
            for (uint64_t found = ends; found != 0; found &= found - 1)
                text[base + std::countr_zero(found)] = '\0';
        } else {
            _mm512_mask_storeu_epi8(text + base, ends, _mm512_setzero_si512());
        }
        indexed += count;
        lineStart = base + 64 - std::countl_zero(static_cast<uint64_t>(ends));
    }
    if (lineStart < used) {
        _mm512_store_si512(lineOr[0], carry0);
        _mm512_store_si512(lineOr[1], carry1);
        _mm512_store_si512(lineOr[2], carry2);
        starts[indexed] = static_cast<uint32_t>(lineStart);
        uint32_t mask = (uint32_t{lineOr[0][0]} << 8) | (uint32_t{lineOr[1][0]} << 16) |
                        (uint32_t{lineOr[2][0]} << 24);
        masks[indexed++] = hasPrefix && text[lineStart] == prefixStart ? 0 : mask;
    }
    return indexed;
}

TESSEL_LINES_TARGET int64_t countNewlinesVector(const char* text, int64_t length) {
    const __m512i newline = _mm512_set1_epi8('\n');
    int64_t count = 0;
    int64_t at = 0;
    for (; length - at >= kWindowBytes; at += kWindowBytes) {
        __m512i bytes = _mm512_loadu_si512(text + at);
        count += std::popcount(static_cast<uint64_t>(_mm512_cmpeq_epi8_mask(bytes, newline)));
    }
    for (; at < length; ++at) count += text[at] == '\n';
    return count;
}

}  // namespace

bool vectorLineIndexUsable(const uint32_t* bits) {
    return haveVectorInstructions() && planesFor(bits).usable;
}

int64_t countNewlines(const char* text, int64_t length) {
    if (haveVectorInstructions()) return countNewlinesVector(text, length);
    return countNewlinesScalar(text, length);
}

int indexPlainText(char* text, int64_t used, uint32_t* starts, uint32_t* masks,
                   const uint32_t* bits, bool hasPrefix, char prefixStart) {
    if (haveVectorInstructions()) {
        const MaskPlanes& tables = planesFor(bits);
        if (tables.usable)
            return indexPlainTextVector(text, used, starts, masks, tables, hasPrefix, prefixStart);
    }
    return indexPlainTextScalar(text, used, starts, masks, bits, hasPrefix, prefixStart);
}

#else

bool vectorLineIndexUsable(const uint32_t*) {
    return false;
}

int64_t countNewlines(const char* text, int64_t length) {
    return countNewlinesScalar(text, length);
}

int indexPlainText(char* text, int64_t used, uint32_t* starts, uint32_t* masks,
                   const uint32_t* bits, bool hasPrefix, char prefixStart) {
    return indexPlainTextScalar(text, used, starts, masks, bits, hasPrefix, prefixStart);
}

#endif

}  // namespace tessel
