// The built-in colouring rules per file language: two keyword lists (list A is coloured
// like keyword group 6, list B like group 5), the comment and string delimiters, and the few
// rules a language needs beyond them (a "#" that starts a remark only after a blank, keys of
// YAML mappings, Markdown headings).
//
// The word lists are built once, on first use, into sorted sets.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class WordSet {
  public:
    WordSet(std::string_view words, bool nocase);
    // The word as it stands in the text; compared case-insensitively for nocase sets.
    bool contains(std::string_view word) const;
    bool nocase() const { return nocase_; }

  private:
    std::vector<std::string> sorted_;
    bool nocase_;
};

struct BuiltinSyntax {
    const WordSet* listA = nullptr;
    const WordSet* listB = nullptr;
    size_t minWordLength = 2;
    std::string_view lineComment;
    // Up to two kinds of block: a block opened by blockStart[k] ends at blockEnd[k]; a block
    // carried over from the line before ends at either.
    std::string_view blockStart[2];
    std::string_view blockEnd[2];
    bool blockIsString = false;     // Python's triple quotes and Markdown's code fences
    std::string_view quotes;        // characters that open a string closed by the same one
    std::string_view escapes;       // quotes inside which a backslash escapes the next byte
    bool remarkAfterBlank = false;  // shell and YAML: "#" only at line start or after a blank
    bool quotesAfterBlank = false;  // YAML: quotes open a string only where a value starts
    bool mappingKeys = false;       // YAML: "key:" at the start of a line is a keyword
    bool headings = false;          // Markdown: "#" lines are keywords
};

// The rules of a file language (the kind's bits 0-4), or null for text without colours
// (plain text, the help text, unknown numbers). The markup-only kind of XML and other tag
// files uses the rules of language 0.
const BuiltinSyntax* builtinSyntax(int language, bool markup);

// The lists as they are written, for the setup check and the tests.
struct BuiltinWordList {
    const char* name;
    const char* words;
    int count;  // words in the list, repeated ones counted
};
std::span<const BuiltinWordList> builtinWordLists();

}  // namespace tessel
