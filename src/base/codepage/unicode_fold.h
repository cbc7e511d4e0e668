// Case and accent folding beyond ASCII in the UTF-8 code page, and which characters make
// words. Every code point below 0x800 is ASCII or two bytes in UTF-8; the fold of each one is
// a table per combination of the case and accent flags, built once from the letter rows of
// unicode_data.h. Characters from 0x800 on fold to themselves. A fold never makes a
// character longer in UTF-8 and never turns a character beyond ASCII into ASCII by case
// alone, and folding twice gives what folding once gives.
#pragma once

#include <cstdint>
#include <span>

namespace tessel {

constexpr char32_t kWideFoldLimit = 0x800;

// kWideFoldLimit entries: the folded code point of each code point, ASCII results already
// in lower case when case-insensitive.
const char16_t* unicodeFoldTable(bool caseSensitive, bool accentSensitive);

// The typographic quotation marks that read as '"' when punctuation is ignored, as their
// bytes do in the western 8-bit code page.
bool isQuoteMark(char32_t code);
std::span<const char32_t> quoteMarks();

// Letters of any script, marks, digits and connector punctuation.
bool isWordCodePoint(char32_t code);

}  // namespace tessel
