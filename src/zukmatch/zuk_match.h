// ZukMatch: one compiled expression of the program's own pattern language. A pattern is a
// row of tokens — literal texts, byte classes with repeat counts, and position markers — that
// is matched at one position of a text, left to right, without ever going back: a class of
// variable length stops as soon as the token to its right (with the same or a higher
// priority) could match. Each token collects the bytes it consumed; these are the parts that
// an output template ("[all]", "[parts 2-4]", literals) turns into a display text.
//
// Messages go to the log as "zukmatch: <text>". Results are small integers (below).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

enum class ZukKind : uint8_t {
    kLiteral = 1,
    kVariable = 2,   // a class of variable length (also written with a single count N)
    kFixed = 3,      // "byte", "char", "digit", "hexdigit" and "?" runs
    kStart = 4,      // [start]
    kLineStart = 6,  // [lstart]
    kEnd = 7,        // [end]
    kEol = 8,        // [eol]
    kLineEnd = 9,    // [lend]
};

// Priorities decide where a variable-length class stops: a class gives way to its right
// neighbour when that neighbour's priority is not lower and it matches.
inline constexpr uint8_t kZukPriorityMarker = 5;
inline constexpr uint8_t kZukPriorityLiteral = 4;    // also [eol]
inline constexpr uint8_t kZukPriorityWhitelist = 3;  // "of" lists and the named classes
inline constexpr uint8_t kZukPriorityBlacklist = 2;  // "not" lists
inline constexpr uint8_t kZukPriorityAny = 1;        // chars, bytes, "*", "**", "?"

// Longest literal, and the count of a class written without an upper bound.
inline constexpr int kZukMaxLiteral = 4096;
inline constexpr int kZukUnbounded = 4096;

// Compile flags.
inline constexpr unsigned kZukCaseSensitive = 1;     // letters compare exactly everywhere
inline constexpr unsigned kZukStarCrossesLines = 2;  // "*" and "?" also take CR, LF and NUL

// Compile results.
inline constexpr int kZukCompiled = 0;
inline constexpr int kZukBadPartNumber = 5;  // the template names a part the pattern lacks
inline constexpr int kZukSyntaxError = 9;
inline constexpr int kZukBlockingParts = 10;

// matchAt results.
inline constexpr int kZukMatched = 0;
inline constexpr int kZukNoMatch = 1;
inline constexpr int kZukStartOnly = 2;  // [start] patterns match only at the data start
inline constexpr int kZukHeadMiss = 3;   // the first byte cannot begin a match
inline constexpr int kZukInternalError = 9;
inline constexpr int kZukNotCompiled = 19;
inline constexpr int kZukNegativeHit = 99;

struct ZukToken {
    ZukKind kind = ZukKind::kLiteral;
    int minCount = 0;  // bytes; a literal's length for both
    int maxCount = 0;
    uint8_t priority = 0;
    bool hasClass = false;
    std::array<bool, 256> accepts{};  // classes: the bytes the class takes
    std::string literal;              // literals: the bytes, escapes decoded
    // Literals: per byte, the byte the text must show after folding, and whether it was
    // written as a numeric escape (compared exactly, the exact mask).
    std::string compareAs;
    std::vector<bool> exact;
    int sourceOffset = 0;  // where the token starts in the pattern, for messages
};

enum class ZukOutputKind : uint8_t { kLiteral, kPart };

struct ZukOutputToken {
    ZukOutputKind kind = ZukOutputKind::kLiteral;
    std::string literal;
    int part = 0;        // 1-based
    bool strip = false;  // leave out NUL bytes
};

class ZukMatch {
  public:
    // Compiles the pattern and its output template in two passes over the texts: a sizing
    // pass, then a building pass. 0, or kZukSyntaxError, kZukBlockingParts,
    // kZukBadPartNumber; every failure is reported and leaves the object uncompiled.
    int compile(std::string_view searchText, std::string_view displayText = "[all]",
                unsigned flags = 0);
    bool isCompiled() const { return compiled_; }
    void clear();

    // Matches at `text`, reading at most `length` bytes. On a match (0) `length` becomes the
    // hit length. `lineEnded` tells whether `text` begins a line and is set after a match;
    // `lastRecord` lets [end] and [lend] match where the bytes end.
    int matchAt(const char* text, int64_t& length, bool atDataStart, bool& lineEnded,
                bool lastRecord);
    // Whether a match can begin with this byte (one table lookup).
    bool admits(uint8_t byte) const { return headMatch_[byte]; }

    // The output buffer render() writes into; several expressions may share one that is at
    // least outputSize() + 1 bytes long.
    void provideBuffer(char* buffer, int capacity);
    // Builds the display text of the last match: the NUL-terminated buffer, or nullptr with
    // `error` set (reported).
    const char* render(int& length, int& error);

    // Bytes collected by part `number` (1-based) in the last match.
    std::string_view part(int number) const;
    int partCount() const { return static_cast<int>(tokens_.size()); }
    const std::vector<ZukToken>& tokens() const { return tokens_; }
    const std::vector<ZukOutputToken>& outputTokens() const { return output_; }
    bool copyAll() const { return copyAll_; }
    // The longest display text the template can produce.
    int64_t outputSize() const { return outputSize_; }
    const std::array<bool, 256>& headMatch() const { return headMatch_; }

  private:
    struct Span {
        int64_t offset = 0;
        int64_t length = 0;
    };
    friend struct ZukCompiler;
    friend struct ZukMatcher;

    std::string source_;  // the search text, for messages
    std::vector<ZukToken> tokens_;
    std::vector<ZukOutputToken> output_;
    std::array<bool, 256> headMatch_{};
    std::array<uint8_t, 256> fold_{};  // case folding of the code page, for literals
    bool compiled_ = false;
    bool copyAll_ = false;
    int64_t outputSize_ = 0;
    int64_t longestHit_ = 0;  // the sum of all maxima: room for the collected bytes

    // The last match: its bytes and each part's place in them. The working spans of an
    // attempt replace them only when the attempt matches.
    std::string hit_;
    std::vector<Span> spans_;
    std::vector<Span> work_;

    char* buffer_ = nullptr;
    int bufferCapacity_ = 0;
};

}  // namespace tessel
