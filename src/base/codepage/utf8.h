// UTF-8 sequences one at a time. Decoding is strict: overlong forms, surrogates, code points
// beyond U+10FFFF and sequences cut short are no sequence, so that every byte of a text is
// either part of exactly one valid character or a unit of its own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

inline bool isUtf8Continuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid sequence at text (1 for ASCII), or 0 when none starts there.
// Reads at most `available` bytes and stops at the first byte that does not continue the
// sequence, so a NUL-terminated text is never read past its NUL.
inline int decodeUtf8(const uint8_t* text, size_t available, char32_t& code) {
    if (available == 0) return 0;
    const uint8_t lead = text[0];
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    int length = 0;
    uint8_t low = 0x80;   // the range of the second byte, narrowed where overlong or
    uint8_t high = 0xBF;  // surrogate forms would begin
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (available < static_cast<size_t>(length)) return 0;
    if (text[1] < low || text[1] > high) return 0;
    code = (code << 6) | (text[1] & 0x3F);
    for (int i = 2; i < length; ++i) {
        if (!isUtf8Continuation(text[i])) return 0;
        code = (code << 6) | (text[i] & 0x3F);
    }
    return length;
}

inline int utf8Length(char32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

// Writes the sequence of a code point (below U+110000, no surrogate); returns its length.
inline int encodeUtf8(char32_t code, char* out) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

}  // namespace tessel
