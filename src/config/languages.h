// Languages the user defines in the configuration file for syntax colours: a name, the file
// extensions it applies to, its comment delimiters and its keywords in up to six groups.
//
//   <Language name="Lua" ext="lua" commentLine="--" commentStart="--[[" commentEnd="]]">
//     <Keywords name="instre1">and break do else end for function if local</Keywords>
//     <Keywords name="type1">string table math</Keywords>
//   </Language>
//
// The definitions are parsed while the configuration is read (the reader hands over each
// block) and dropped before the next read. A user language wins over the built-in colouring
// for the extensions it names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

inline constexpr size_t kLanguageNameChars = 189;
inline constexpr size_t kCommentDelimiterChars = 589;
// The number of definitions is not bounded by the file format; past this many the rest
// are skipped with a note, so that a broken file cannot grow the list without end.
inline constexpr int kMaxLanguages = 256;

struct LanguageWord {
    std::string text;
    uint8_t groups = 0;  // bit g-1 set: the word is in keyword group g (1 ... 6)
};

struct Language {
    std::string name;
    std::string extensions;  // " " + ext= value + " ", lower case
    std::string commentLine;
    std::string commentStart;
    std::string commentEnd;
    bool xml = false;     // extends="xml": tags are coloured as markup
    bool nocase = false;  // opt="nocase": keywords match in any case
    // Sorted by bytes, or case-insensitively with nocase.
    std::vector<LanguageWord> words;
    // Per first byte (folded with nocase): the range of words starting with it.
    uint32_t firstWord[256] = {};
    uint32_t endWord[256] = {};
    size_t longestWord = 0;

    // Whether the extension (lower case, without the dot) is one of ext=.
    bool takesExtension(std::string_view extension) const;
    // The words the text starts with: the index range [first, end) of candidates.
    void candidates(unsigned char firstByte, size_t& first, size_t& end) const;
};

// Result codes of parseLanguage besides 0 (see the configuration file description):
// 1 no "<Language", 2/10 the name attribute, 11 ... 30 the other attributes, 31 ... 35 the
// keyword elements.
int parseLanguage(std::string_view block);

void clearLanguages();
int languageCount();
const Language* languageAt(int index);

// Per text block: which user language its file has, remembered between calls. A cache from
// before the last configuration read is stale and looked up again.
struct LanguageCache {
    int index = -1;
    uint32_t generation = 0;
};

// The user language for a file extension (lower case, without the dot), or null.
const Language* languageFor(std::string_view extension, LanguageCache& cache);

// The colour code of a highlight colour name ("Red" ... "magenta", "orange"); 0 when the name
// is no colour.
int highlightColourCode(std::string_view name);

}  // namespace tessel
