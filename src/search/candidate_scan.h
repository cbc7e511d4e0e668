// Finding candidate lines without folding them. Every line that matches a mask contains, in
// its raw bytes, some folded form of a byte pair from a term every positive group needs. A
// vectorised scan of the block buffer for those pairs visits only the lines that may match;
// the line test then decides. A line that cannot contain a pair is never read byte by byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "search/line_match.h"
#include "search/search_expression.h"

namespace tessel {

// The raw bytes that fold to one byte of a term, as clauses (byte & mask) == value.
struct ByteClass {
    static constexpr int kMaxClauses = 16;
    int clauseCount = 0;
    uint8_t mask[kMaxClauses] = {};
    uint8_t value[kMaxClauses] = {};
    std::array<bool, 256> members{};
};

// Byte `first` at offset firstOffset and (unless single) byte `second` at secondOffset.
struct Needle {
    // Where the needle lies in its term: the term starts termOffset bytes before the match.
    int termOffset = 0;
    int term = -1;
    int firstOffset = 0;
    int secondOffset = 0;
    bool single = false;
    bool rareFirst = false;  // the first byte is rare enough to test alone first
    ByteClass first;
    ByteClass second;
};

struct ScanPlan {
    // False when some group offers no needle: every line must then be tested.
    bool usable = false;
    // A mask made of NOT groups only matches every line except those where a NOT group is
    // complete: the needles then find the lines that may fail.
    bool inverted = false;
    std::vector<Needle> needles;
    int maxOffset = 0;
    // Every needle tests two bytes of one clause each (the common shape of words).
    bool simplePairs = false;
    // Every group is one plain term and there is no NOT: a line matches exactly when one of
    // the terms stands in it, so a needle hit is confirmed in the buffer itself.
    bool plainTerms = false;
    // Every needle's text stands literally, folded, in each line its term matches: a needle
    // hit where it does not stand is no reason to run the line test.
    bool termsCheckable = false;
    std::vector<std::string> terms;     // by needle: the text it was chosen from
    std::array<uint8_t, 256> readAs{};  // the fold, with TABs as blanks unless searched
};

// True when the needle's whole term stands folded at the candidate position.
bool termStandsAt(const ScanPlan& plan, int needle, const char* candidate, const char* begin,
                  const char* end);

// `sample` (optional) is a piece of the text to be scanned: when it is long enough, the byte
// pairs are chosen by how often they stand in it, which catches pairs that are rare alone but
// common together (as in frequent words of the text).
ScanPlan planScan(const SearchExpression& expr, const FoldTable& fold, const MatchFlags& flags,
                  std::string_view sample = {});

// The first position p in [from, limit) where some needle matches; the bytes read lie below
// `end` (limit <= end). Returns limit when there is none.
const char* scanForCandidate(const ScanPlan& plan, const char* from, const char* limit,
                             const char* end);

// Estimated share of a byte in ordinary text and source code; used to pick rare needles.
double byteFrequency(uint8_t byte);

}  // namespace tessel
