// The one line test: does a stored line match a compiled SearchExpression, and where does
// the hit lie. Search passes, the filtered view, result stepping, rendering and the editor
// all call it, so its answer is the definition of "matches".
//
// The line is folded as the terms were, and the folded terms are looked for in it as bytes.
// In the UTF-8 code page ASCII folds byte by byte as in the 8-bit code pages and any other
// character as a whole (bytes that are not UTF-8 stay as they are); whole words are made of
// letters of any script. Offsets given and returned are those of the stored line.
#pragma once

#include <cstdint>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "search/search_expression.h"

namespace tessel {

// A line is searched whole. Lines up to kWorkLineBytes - 1 bytes are folded into the work
// line's own array; a longer one into its heap buffer, which keeps the longest size seen.
// Offsets are ints: a line longer than kMaxSearchedLineBytes (1 GiB) is searched in that
// part only.
constexpr int kMaxSearchedLineBytes = 1 << 30;
constexpr int kWorkLineBytes = 4096;
// Whole-word terms: longer segments never match, more segments give no hit.
constexpr int kMaxWordSegmentBytes = 90;
constexpr int kMaxWordSegments = 21;
constexpr int kMaxHitSpans = 1000;

struct MatchFlags {
    bool sequenceSensitive = true;  // AND terms in written order, whole-word terms honoured
    bool fastLoad = false;          // lines carry no closing blank (LEND looks at the very end)
};

// The folded copy of the line under test; one per thread.
struct WorkLine {
    char bytes[kWorkLineBytes];
    std::vector<char> longLine;
    // UTF-8 code page: once a character folds shorter (an 'é' read as 'e'), offsets in the
    // folded line differ from those in the stored one. rawOffsets then holds, for every byte
    // of the folded line and for its end, the offset in the stored line.
    bool shifted = false;
    std::vector<int> rawOffsets;
};

// `startOffset` is where terms are searched from (0 for a whole-line test; line keywords only
// hit at 0). On a match with a span, hitOffset/hitLength (optional) receive the span from the
// line start; they are set to 0 otherwise.
bool matchLine(const char* line, uint32_t lineMask, const SearchExpression& expr,
               const FoldTable& fold, int startOffset, int* hitOffset, int* hitLength,
               const MatchFlags& flags, WorkLine& work);

// True when the line mask cannot hold every class the AND terms need. A line mask without
// character bits (callers that have none pass 0) never rejects.
bool prefilterRejects(uint32_t lineMask, const SearchExpression& expr);

struct HitSpan {
    int offset = 0;
    int length = 0;
};

// Every hit span of a line, left to right, as the renderer marks them. Returns whether the
// line matches at all.
bool collectHitSpans(const char* line, uint32_t lineMask, const SearchExpression& expr,
                     const FoldTable& fold, const MatchFlags& flags, WorkLine& work,
                     std::vector<HitSpan>& spans);

// True when a whole-word term has more "*" segments than the matcher takes; the matcher then
// never finds it, and the view reports it once per compile rather than once per line.
bool wordTermHasTooManySegments(const SearchExpression& expr, uint32_t term);

}  // namespace tessel
