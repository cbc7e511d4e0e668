// Character classes and folding by code page. In an 8-bit code page all search is
// byte-oriented: case, accent and punctuation insensitivity are a 256-entry byte map
// (FoldTable) applied to both the terms and the line. The same letter groups give every byte
// a character bit; the OR of a line's bits is its line mask, which lets a search skip lines
// that cannot match.
//
// The UTF-8 code page keeps text as UTF-8. ASCII folds through the same byte map; characters
// beyond ASCII fold one by one (unicode_fold.h), and a fold may make one shorter (an accented
// letter becomes its base letter). Their bytes share one character bit, so that a line mask
// still tells whether a line holds any of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

constexpr int kCodePageSupported = 0;
constexpr int kCodePageUnsupported = 1;
constexpr int kCodePageUtf8 = 65001;

struct FoldTable {
    std::array<uint8_t, 256> bytes{};
    // UTF-8 code page only (null otherwise): the fold of every code point below
    // kWideFoldLimit, and whether typographic quotation marks read as '"'.
    const char16_t* wide = nullptr;
    bool foldQuotes = false;
    // UTF-8 code page: the ASCII characters that some character beyond ASCII folds to (an
    // 'e' can stand for an 'é'), bit c of word c / 64.
    std::array<uint64_t, 2> asciiFromWide{};

    bool utf8() const { return wide != nullptr; }
    uint8_t map(uint8_t byte) const { return bytes[byte]; }
    // Byte by byte: the 8-bit code pages, and ASCII in the UTF-8 code page.
    void apply(char* text) const;
    void apply(char* text, size_t length) const;

    char32_t foldCode(char32_t code) const;
    bool isFoldTargetOfWide(uint8_t ascii) const {
        return ascii < 0x80 && (asciiFromWide[ascii >> 6] >> (ascii & 63)) & 1;
    }
    // Folds the character at text (a UTF-8 sequence, else one byte) into out and returns the
    // bytes it took; `written` gets the bytes written, never more than taken. Reads at most
    // `available` bytes and never past a NUL.
    int foldUnit(const uint8_t* text, size_t available, char* out, int& written) const;
    // Folds in place, character by character in the UTF-8 code page; returns the new length.
    size_t foldText(char* text, size_t length) const;
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
    // The bits every line holding the folded term has: maskOf in an 8-bit code page; in the
    // UTF-8 code page a character that may stand for one beyond ASCII adds none.
    uint32_t requiredMaskOf(std::string_view foldedTerm, const FoldTable& fold) const;

    // "%s\nusing codepage %d (%s)" or "%s\nnot supported with your codepage (%d)", at most
    // 189 characters.
    std::string describe(std::string_view text) const;

    int codePage = 1252;
    const char* name = "western europe";  // nullptr for unsupported code pages
    bool utf8 = false;                    // kCodePageUtf8: text stays UTF-8
    const uint8_t* groups = nullptr;      // the letter group table in use
    std::array<uint32_t, 256> charBits{};
};

// The process-wide tables; built by init() at start-up (1252 until then).
CodePageTables& codePageTables();

// Word characters: ASCII letters and digits, '_' and bytes above the threshold below 0xFF.
bool isWordChar(uint8_t byte);
// UTF-8 text: whether the character holding byte `at` is a word character (a letter of any
// script, a mark or a digit beyond ASCII unless "noumlauts"); a byte that is no part of a
// valid sequence counts as isWordChar counts it.
bool isWordCharAt(const char* text, size_t length, size_t at);
// Either of the two above, for the code page's kind of text.
inline bool isWordCharIn(std::string_view text, size_t at, bool utf8) {
    return utf8 ? isWordCharAt(text.data(), text.size(), at)
                : isWordChar(static_cast<uint8_t>(text[at]));
}
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
