// Syntax colours of one text line: every byte gets a class character that the renderer turns
// into a colour (keyword groups, remarks, strings, markup tags).
//
// A line is classified on its own. Only one fact travels from line to line: whether the line
// starts inside a block comment. The renderer keeps it in bit kLineInBlockComment of the next
// line's mask (outside the editor), so that a comment over three lines colours all three.
//
// Per row the renderer asks: the kind from the line mask's low bits, the user language of the
// row's file (userLanguageOf, cached per text block), then classifyLine.
#pragma once

#include <cstdint>
#include <string_view>

#include "config/languages.h"

namespace tessel {

// The class characters; each names a colour of the configuration ("color shl-keys1" ...).
inline constexpr char kClassText = ' ';
inline constexpr char kClassKeys1 = 'i';   // shl-keys1
inline constexpr char kClassKeys2 = 'I';   // shl-keys2
inline constexpr char kClassKeys3 = 'k';   // shl-keys3
inline constexpr char kClassKeys4 = 'K';   // shl-keys4
inline constexpr char kClassKeys5 = 'b';   // shl-keys5: built-in list B, markup tags
inline constexpr char kClassKeys6 = 'c';   // shl-keys6: built-in list A, markup attributes
inline constexpr char kClassRemark = 'r';  // shl-remarks
inline constexpr char kClassString = 'G';  // shl-strings

// Longer lines are classified up to here; the rest stays kClassText.
inline constexpr size_t kMaxClassifiedChars = 4096;

// Whether a line of this kind (the line mask's low byte, bit 7 ignored) or user language gets
// syntax colours at all. Plain text and the help text do not.
bool hasSyntaxColours(int kind, const Language* language);

// Writes one class character per byte of text (at most kMaxClassifiedChars) into classes.
// Returns whether the line ends inside a block comment: the next line's start state.
bool classifyLine(std::string_view text, int kind, const Language* language,
                  bool startsInBlockComment, char* classes);

// The delimiters of the blocks that carry over lines (comments, and strings like Python's
// triple quotes). A line that holds no start leaves a line outside a block outside one, and a
// line that holds no end leaves a line inside a block inside: the renderer skips classifying
// such lines while it works out where a screen starts.
struct BlockDelimiters {
    std::string_view starts[2];
    std::string_view ends[2];
};
BlockDelimiters blockDelimiters(int kind, const Language* language);

// The user language of a file, through the block's cache.
const Language* userLanguageOf(std::string_view fileName, LanguageCache& cache);

}  // namespace tessel
