// The bytes that cutting a file into lines must look at one by one: a line feed, a carriage
// return, and a NUL or end-of-file mark (26) that is shown as ".". Everything else is copied
// in runs; both ways of reading a file into lines test for them here.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessel {

inline bool isLineSpecialByte(char c) {
    return c == '\n' || c == '\r' || c == '\0' || c == 26;
}

#if defined(__SSE2__)
// One bit per byte of the 16 that is a line-special byte.
inline uint32_t lineSpecialBits(__m128i bytes) {
    const __m128i newline = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i endOfFile = _mm_set1_epi8(26);
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, newline), _mm_cmpeq_epi8(bytes, carriageReturn)),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()), _mm_cmpeq_epi8(bytes, endOfFile)));
    return static_cast<uint32_t>(_mm_movemask_epi8(hits));
}
#endif

}  // namespace tessel
