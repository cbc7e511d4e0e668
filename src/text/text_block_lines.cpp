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
                         const uint32_t* bits, bool hasPrefix, char prefixStart, int& prefixLines) {
    prefixLines = 0;
    int indexed = 0;
    int64_t lineStart = 0;
    auto finish = [&](int64_t lineEnd) {
        starts[indexed] = static_cast<uint32_t>(lineStart);
        const char* line = text + lineStart;
        bool prefixLine = hasPrefix && *line == prefixStart;
        prefixLines += prefixLine;
        masks[indexed++] = prefixLine ? 0
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
        __builtin_cpu_supports("gfni") && __builtin_cpu_supports("bmi2") &&
        __builtin_cpu_supports("popcnt");
    return has;
}

#define TESSEL_LINES_TARGET \
    __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,gfni,bmi,bmi2,popcnt")))

// The plane bytes of a window's bytes from a 256-byte table: bytes below 128 (`low`) from
// its first half, the others (`high`) from its second; lanes in neither mask get 0.
TESSEL_LINES_TARGET inline __m512i lookUp(const __m512i* table, __m512i bytes, __mmask64 low,
                                          __mmask64 high) {
    return _mm512_or_si512(_mm512_maskz_permutex2var_epi8(low, table[0], bytes, table[1]),
                           _mm512_maskz_permutex2var_epi8(high, table[2], bytes, table[3]));
}

// Transposes the 8x8 bit block of every qword: bit k of byte j goes to bit j of byte k.
TESSEL_LINES_TARGET inline __m512i transposeBitBlocks(__m512i blocks) {
    // With unit vectors as data and the blocks as matrices the affine step transposes, but
    // leaves byte 0 in the top bit; the same units as matrix then reverse every byte.
    const __m512i units = _mm512_set1_epi64(static_cast<int64_t>(0x8040201008040201ull));
    __m512i reversed = _mm512_gf2p8affine_epi64_epi8(units, blocks, 0);
    return _mm512_gf2p8affine_epi64_epi8(reversed, units, 0);
}

// Swaps bytes 8j + q and 8q + j: the byte matrix of a register transposed.
TESSEL_LINES_TARGET inline __m512i transposeBytes(__m512i bytes) {
    alignas(64) static constexpr uint8_t kOrder[64] = {
        0,  8,  16, 24, 32, 40, 48, 56, 1,  9,  17, 25, 33, 41, 49, 57, 2,  10, 18, 26, 34, 42,
        50, 58, 3,  11, 19, 27, 35, 43, 51, 59, 4,  12, 20, 28, 36, 44, 52, 60, 5,  13, 21, 29,
        37, 45, 53, 61, 6,  14, 22, 30, 38, 46, 54, 62, 7,  15, 23, 31, 39, 47, 55, 63};
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, _mm512_load_si512(kOrder), bytes);
}

// The line bits of one plane of a window. Qword j of the transposed plane holds, one bit per
// lane, where bit j occurs. Adding it to all lanes but the newlines makes a carry start at
// every such lane and run up to the next newline, which it sets: qword j then marks the
// newlines whose line has bit j. Transposed back, every newline lane holds its line's byte
// of the plane. `open` gets the bits of the part after the last newline (the carries out).
TESSEL_LINES_TARGET inline __m512i planeLineBits(__m512i plane, __m512i notEnds, __m512i ends,
                                                 __mmask8& open) {
    __m512i lanes = transposeBytes(transposeBitBlocks(plane));
    __m512i sums = _mm512_add_epi64(notEnds, lanes);
    open = _mm512_cmp_epu64_mask(sums, notEnds, _MM_CMPINT_LT);
    return transposeBitBlocks(transposeBytes(_mm512_and_si512(sums, ends)));
}

// Each 64-byte window: the three planes of every byte's character bits (0 for newlines)
// from table lookups, the line bits of each plane at the newline lanes, and up to 16 lines
// stored at a time. The part of a line from earlier windows comes in as `carry`.
TESSEL_LINES_TARGET int indexPlainTextVector(char* text, int64_t used, uint32_t* starts,
                                             uint32_t* masks, const MaskPlanes& tables,
                                             bool hasPrefix, char prefixStart, int& prefixCount) {
    __m512i table[3][4];
    for (int plane = 0; plane < 3; ++plane) {
        for (int part = 0; part < 4; ++part)
            table[plane][part] = _mm512_load_si512(tables.planes[plane] + 64 * part);
    }
    const __m512i newline = _mm512_set1_epi8('\n');
    const __m512i prefix = _mm512_set1_epi8(prefixStart);
    alignas(64) uint8_t behindBytes[64];
    for (int lane = 0; lane < 64; ++lane) behindBytes[lane] = static_cast<uint8_t>(lane + 1);
    const __m512i behindLane = _mm512_load_si512(behindBytes);
    // Byte lane 4i + k takes byte i: bytes spread out to one 32-bit lane each.
    alignas(64) uint8_t spreadBytes[64];
    for (int lane = 0; lane < 64; ++lane) spreadBytes[lane] = static_cast<uint8_t>(lane / 4);
    const __m512i spread = _mm512_load_si512(spreadBytes);
    const __m512i nextSixteen = _mm512_set1_epi8(16);
    constexpr __mmask64 kByte0 = 0x1111111111111111;
    constexpr __mmask64 kByte1 = kByte0 << 1;
    constexpr __mmask64 kByte2 = kByte0 << 2;
    constexpr __mmask64 kByte3 = kByte0 << 3;
    alignas(64) char tail[64];
    uint32_t carry = 0;
    prefixCount = 0;
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
        const __m512i endLanes = _mm512_set1_epi64(static_cast<int64_t>(ends));
        const __m512i notEnds = _mm512_set1_epi64(static_cast<int64_t>(~ends));
        __mmask8 open0, open1, open2;
        __m512i bits0 = planeLineBits(lookUp(table[0], v, low, high), notEnds, endLanes, open0);
        __m512i bits1 = planeLineBits(lookUp(table[1], v, low, high), notEnds, endLanes, open1);
        __m512i bits2 = planeLineBits(lookUp(table[2], v, low, high), notEnds, endLanes, open2);
        uint32_t openBits =
            (uint32_t{open0} << 8) | (uint32_t{open1} << 16) | (uint32_t{open2} << 24);
        if (ends == 0) {
            carry |= openBits;
            continue;
        }
        bits0 = _mm512_maskz_compress_epi8(ends, bits0);
        bits1 = _mm512_maskz_compress_epi8(ends, bits1);
        bits2 = _mm512_maskz_compress_epi8(ends, bits2);
        __m512i next = _mm512_maskz_compress_epi8(ends, behindLane);
        int count = std::popcount(static_cast<uint64_t>(ends));
        uint64_t prefixLines = 0;
        if (hasPrefix) {
            // Line j > 0 of the window starts behind newline j - 1, inside the window.
            uint64_t behind = static_cast<uint64_t>(_mm512_cmpeq_epi8_mask(v, prefix)) >> 1;
            prefixLines = (_pext_u64(behind, ends) << 1) | (text[lineStart] == prefixStart);
            prefixCount += std::popcount(_bzhi_u64(prefixLines, static_cast<unsigned>(count)));
        }
        const __m512i windowBase = _mm512_set1_epi32(static_cast<int>(static_cast<uint32_t>(base)));
        starts[indexed] = static_cast<uint32_t>(lineStart);
        __m512i order = spread;
        // Sixteen lines at a time, one line mask per 32-bit lane: the plane bytes go to
        // bytes 1, 2 and 3 of the lanes. Each line after the first starts behind the newline
        // before it; the store also writes the start of the line after the window's last
        // newline, one slot further.
        for (int done = 0; done < count; done += 16) {
            auto lines =
                static_cast<__mmask16>(_bzhi_u32(0xFFFFu, static_cast<unsigned>(count - done)));
            __m512i lineMasks = _mm512_or_si512(
                _mm512_maskz_permutexvar_epi8(kByte1, order, bits0),
                _mm512_or_si512(_mm512_maskz_permutexvar_epi8(kByte2, order, bits1),
                                _mm512_maskz_permutexvar_epi8(kByte3, order, bits2)));
            if (done == 0)
                lineMasks = _mm512_mask_or_epi32(lineMasks, 1, lineMasks,
                                                 _mm512_set1_epi32(static_cast<int>(carry)));
            _mm512_mask_storeu_epi32(
                masks + indexed + done, lines,
                _mm512_maskz_mov_epi32(static_cast<__mmask16>(~(prefixLines >> done)), lineMasks));
            _mm512_mask_storeu_epi32(
                starts + indexed + done + 1, lines,
                _mm512_add_epi32(_mm512_maskz_permutexvar_epi8(kByte0, order, next), windowBase));
            order = _mm512_add_epi8(order, nextSixteen);
        }
        if (window == tail) {
            for (uint64_t found = ends; found != 0; found &= found - 1)
                text[base + std::countr_zero(found)] = '\0';
        } else {
            _mm512_mask_storeu_epi8(text + base, ends, _mm512_setzero_si512());
        }
        indexed += count;
        lineStart = base + 64 - std::countl_zero(static_cast<uint64_t>(ends));
        carry = openBits;
    }
    if (lineStart < used) {
        bool prefixLine = hasPrefix && text[lineStart] == prefixStart;
        prefixCount += prefixLine;
        starts[indexed] = static_cast<uint32_t>(lineStart);
        masks[indexed++] = prefixLine ? 0 : carry;
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
                   const uint32_t* bits, bool hasPrefix, char prefixStart, int& prefixLines) {
    if (haveVectorInstructions()) {
        const MaskPlanes& tables = planesFor(bits);
        if (tables.usable)
            return indexPlainTextVector(text, used, starts, masks, tables, hasPrefix, prefixStart,
                                        prefixLines);
    }
    return indexPlainTextScalar(text, used, starts, masks, bits, hasPrefix, prefixStart,
                                prefixLines);
}

#else

bool vectorLineIndexUsable(const uint32_t*) {
    return false;
}

int64_t countNewlines(const char* text, int64_t length) {
    return countNewlinesScalar(text, length);
}

int indexPlainText(char* text, int64_t used, uint32_t* starts, uint32_t* masks,
                   const uint32_t* bits, bool hasPrefix, char prefixStart, int& prefixLines) {
    return indexPlainTextScalar(text, used, starts, masks, bits, hasPrefix, prefixStart,
                                prefixLines);
}

#endif

}  // namespace tessel
