// Character classes and folding by code page. All search is byte-oriented over 8-bit text:
// case, accent and punctuation insensitivity are a 256-entry byte map (FoldTable) applied to
// both the terms and the line. The same letter groups give every byte a character bit; the
// OR of a line's bits is its line mask, which lets a search skip lines that cannot match.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

constexpr int kCodePageSupported = 0;
constexpr int kCodePageUnsupported = 1;

struct FoldTable {
    std::array<uint8_t, 256> bytes{};

    uint8_t map(uint8_t byte) const { return bytes[byte]; }
    // Folds a NUL-terminated string in place.
    void apply(char* text) const;
    void apply(char* text, size_t length) const;
};

class CodePageTables {
  public:
    // Selects the letter groups for the code page and builds charBits. Returns
    // kCodePageSupported, or kCodePageUnsupported when the 1252 groups stand in; the caller
    // reports it (this library sits below the message log).
    int init(int codePage);

    FoldTable buildFoldTable(bool caseSensitive, bool accentSensitive, bool punctSensitive) const;

    uint32_t maskOf(const char* text) const;
    uint32_t maskOf(std::string_view text) const;
    uint32_t charBit(uint8_t byte) const { return charBits[byte]; }

    // "%s\nusing codepage %d (%s)" or "%s\nnot supported with your codepage (%d)", at most
    // 189 characters.
    std::string describe(std::string_view text) const;

    int codePage = 1252;
    const char* name = "western europe";  // nullptr for unsupported code pages
    const uint8_t* groups = nullptr;      // the letter group table in use
    std::array<uint32_t, 256> charBits{};
};

// The process-wide tables; built by init() at start-up (1252 until then).
CodePageTables& codePageTables();

// Word characters: ASCII letters and digits, '_' and bytes above the threshold below 0xFF.
bool isWordChar(uint8_t byte);
uint8_t wordCharThreshold();
// 0xC0 from start-up; "noumlauts" sets 0xFF.
void setWordCharThreshold(uint8_t threshold);

// The Unicode character of a byte in a code page (1252 for unsupported ones); bytes below
// 128 map to themselves, undefined bytes to U+0080 + (byte - 128).
char32_t unicodeOf(int codePage, uint8_t byte);
// The table of a supported code page (874, 1250, 1251, 1252, 1253, 1254, 1257, 1300), else
// the 1252 table.
const uint16_t* unicodeTableOf(int codePage);

}  // namespace tessel
