// Rows of the Unicode character database that search in the UTF-8 code page is built from:
// the letters whose case fold or base letter differs from themselves, and the ranges of word
// characters. scripts/unicode_tables.py writes them into unicode_data.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

struct UnicodeLetterRow {
    uint16_t code;
    uint16_t caseFold;  // the simple case fold; never ASCII for a letter beyond ASCII
    uint16_t base;      // the letter without its accents, in the same case
};

struct UnicodeRange {
    char32_t first;
    char32_t last;
};

// Latin-1 Supplement, Latin Extended-A, Greek and Cyrillic, ascending by code point.
extern const UnicodeLetterRow kUnicodeLetterRows[];
extern const size_t kUnicodeLetterRowCount;
// Letters of every script, marks, digits and connector punctuation beyond ASCII, ascending.
extern const UnicodeRange kUnicodeWordRanges[];
extern const size_t kUnicodeWordRangeCount;

}  // namespace tessel
