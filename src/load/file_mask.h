// File and folder masks: blank-separated words that decide which files and folders a load
// takes. A word starting with "!" (in linux mode also ":") excludes, other words include.
// Words match case-insensitively against a path that starts and ends with a slash; "*"
// separates parts that must occur in this order and "?" stands for any one character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

// Room of the converted folder mask; a conversion must stay 10 bytes below it.
constexpr size_t kDirMaskBufferBytes = 1024;
// Longest relative path a mask is matched against; longer paths are cut.
constexpr size_t kMaskTargetBytes = 4200;

struct MaskWord {
    uint32_t offset = 0;  // into MaskList::text, after the "!" and already folded
    uint32_t length = 0;
    bool exclude = false;
    bool wildcard = false;  // holds "*" or "?"
    bool ending = false;    // a single part starting with ".": matches the end of the name
};

struct MaskList {
    // Splits text at blanks and tabs. "\" in a word stands for "/".
    void parse(std::string_view maskText, bool colonExcludes);
    bool empty() const { return words.empty(); }
    bool hasIncludes() const { return includeCount > 0; }
    // True when "*" alone or no words: every path passes.
    bool acceptsAll() const;

    // target: "/" + relative path + "/" (see makeMaskTarget). A path passes when no
    // exclusion word matches and, with inclusion words, at least one matches. An inclusion
    // word without wildcards that matches marks the file as named explicitly.
    bool keeps(std::string_view target, bool* explicitlyNamed = nullptr) const;

    std::string source;  // the words as given, for messages
    std::string text;    // folded words, back to back
    std::vector<MaskWord> words;
    int includeCount = 0;
};

// Writes "/" + path + "/" into out, turning "\" into "/" and cutting an over-long path;
// returns the target. out must hold kMaskTargetBytes.
std::string_view makeMaskTarget(char* out, std::string_view path);

// One word against one target, both already folded (the word without its "!").
bool maskWordMatches(std::string_view word, bool ending, std::string_view foldedTarget);

// The folder mask as the loader uses it: every word that does not start with "!" gets a
// leading "*", so that "tmp" keeps folders whose path contains "tmp" anywhere. Returns 0,
// or 9 after logging "sub dir mask is too long". Trace mode logs both forms.
int convertDirMask(std::string_view configured, std::string& converted);

}  // namespace tessel
