#include "search/line_match.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/log/message_log.h"

namespace tessel {

namespace {

constexpr int kNone = -1;

constexpr size_t kShortTerm = 8;

int findIn(const char* text, int textLength, int from, std::string_view term) {
    if (from < 0 || from > textLength) return kNone;
    if (term.empty() || term.size() > kShortTerm) {
        const void* hit =
            memmem(text + from, static_cast<size_t>(textLength - from), term.data(), term.size());
        return hit ? static_cast<int>(static_cast<const char*>(hit) - text) : kNone;
    }
    // Lines are short and so are most terms: the first byte by memchr and a compare beat the
    // setup of a general substring search. A short term bounds the work per position.
    if (static_cast<int>(term.size()) > textLength - from) return kNone;
    const char* p = text + from;
    const char* last = text + textLength - term.size();
    while (p <= last) {
        p = static_cast<const char*>(std::memchr(p, term[0], static_cast<size_t>(last - p) + 1));
        if (!p) return kNone;
        if (std::memcmp(p + 1, term.data() + 1, term.size() - 1) == 0)
            return static_cast<int>(p - text);
        ++p;
    }
    return kNone;
}

// In UTF-8 text a byte is a word character when the character holding it is one.
struct WordTest {
    const char* text;
    int length;
    bool utf8;

    bool operator()(int at) const {
        const auto byte = static_cast<uint8_t>(text[at]);
        if (!utf8 || byte < 0x80) return isWordChar(byte);
        return isWordCharAt(text, static_cast<size_t>(length), static_cast<size_t>(at));
    }
};

// Whole-word search from `from`: the term's "*"-separated segments must follow each other
// with only word characters between them, starting at a word start and ending at a word end.
// Each segment takes its first occurrence; there is no retry with a later one.
int findWord(const char* text, int textLength, int from, std::string_view term, bool utf8,
             int* length) {
    const WordTest isWord{text, textLength, utf8};
    bool hasStar = term.find('*') != std::string_view::npos;
    if (!hasStar && findIn(text, textLength, from, term) == kNone) return kNone;
    std::string_view segments[kMaxWordSegments];
    int segmentCount = 0;
    size_t start = 0;
    while (true) {
        size_t star = term.find('*', start);
        std::string_view segment = term.substr(
            start, star == std::string_view::npos ? std::string_view::npos : star - start);
        if (segmentCount == kMaxWordSegments || segment.size() > kMaxWordSegmentBytes) return kNone;
        segments[segmentCount++] = segment;
        if (star == std::string_view::npos) break;
        start = star + 1;
    }
    for (int p = std::max(from, 0); p < textLength; ++p) {
        if (!isWord(p) || (p > 0 && isWord(p - 1))) continue;
        std::string_view first = segments[0];
        if (static_cast<int>(first.size()) > textLength - p ||
            std::memcmp(text + p, first.data(), first.size()) != 0) {
            continue;
        }
        int end = p + static_cast<int>(first.size());
        bool ok = true;
        for (int s = 1; s < segmentCount && ok; ++s) {
            int at = findIn(text, textLength, end, segments[s]);
            if (at == kNone) {
                ok = false;
                break;
            }
            for (int k = end; k < at; ++k) {
                if (!isWord(k)) {
                    ok = false;
                    break;
                }
            }
            end = at + static_cast<int>(segments[s].size());
        }
        if (!ok || (end < textLength && isWord(end))) continue;
        *length = end - p;
        return p;
    }
    return kNone;
}

// Folds bytes [from, end) of a NUL-free stretch; TABs read as blanks unless the mask itself
// searches for TABs. Stops at a NUL and returns where it stopped.
int foldInto(const uint8_t* in, int from, int end, const FoldTable& fold, bool keepTabs,
             char* out) {
    int i = from;
    if (keepTabs) {
        for (; i < end && in[i]; ++i) out[i] = static_cast<char>(fold.bytes[in[i]]);
    } else {
        for (; i < end && in[i]; ++i) {
            const uint8_t c = fold.bytes[in[i]];
            out[i] = static_cast<char>(c == '\t' ? ' ' : c);
        }
    }
    return i;
}

// Where the UTF-8 fold of a line stands: bytes read from the stored line, bytes written.
struct FoldCursor {
    int read = 0;
    int written = 0;
};

// Room for the offsets of a fold up to `end` (a character may run 3 bytes past it, and the
// end of the line takes one more); the vector keeps the longest size seen.
void keepOffsetsUpTo(WorkLine& work, int end) {
    const size_t size = static_cast<size_t>(end) + 4;
    if (work.rawOffsets.size() < size) work.rawOffsets.resize(size);
}

// The UTF-8 fold of the stored line from `at` until `end` or its NUL (a character that
// starts before `end` is taken whole). ASCII goes through the byte map as in the 8-bit code
// pages. Returns false when it stopped at the NUL.
bool foldUtf8Into(const uint8_t* in, int end, const FoldTable& fold, bool keepTabs, char* out,
                  FoldCursor& at, WorkLine& work) {
    int r = at.read;
    int w = at.written;
    bool more = true;
    if (work.shifted) keepOffsetsUpTo(work, end);
    while (r < end) {
        const uint8_t c = in[r];
        if (c == 0) {
            more = false;
            break;
        }
        if (c < 0x80) {
            const uint8_t f = fold.bytes[c];
            out[w] = static_cast<char>(f == '\t' && !keepTabs ? ' ' : f);
            if (work.shifted) work.rawOffsets[w] = r;
            ++r;
            ++w;
            continue;
        }
        int written = 0;
        // The line ends in a NUL, which no character reads past.
        const int taken =
            fold.foldUnit(in + r, static_cast<size_t>(kMaxSearchedLineBytes), out + w, written);
        if (!work.shifted && written != taken) {
            work.shifted = true;
            keepOffsetsUpTo(work, end);
            for (int k = 0; k < w; ++k) work.rawOffsets[k] = k;
        }
        if (work.shifted) {
            // A character folds to one of the same length, or to a single byte.
            for (int k = 0; k < written; ++k)
                work.rawOffsets[w + k] = r + (written == taken ? k : 0);
        }
        r += taken;
        w += written;
    }
    at = {r, w};
    return more;
}

// The folded copy of the whole line, NUL-terminated, and its length. Nearly every line fits
// the work line's array; only a longer one pays for measuring and the heap buffer.
const char* foldLine(const char* line, const FoldTable& fold, bool keepTabs, WorkLine& work,
                     int* length) {
    const uint8_t* in = reinterpret_cast<const uint8_t*>(line);
    constexpr int kShort = kWorkLineBytes - 1;
    work.shifted = false;
    if (fold.utf8()) {
        // A character that starts before the limit may take 3 more bytes.
        constexpr int kShortUtf8 = kShort - 3;
        FoldCursor at;
        if (!foldUtf8Into(in, kShortUtf8, fold, keepTabs, work.bytes, at, work) ||
            in[at.read] == '\0') {
            work.bytes[at.written] = '\0';
            if (work.shifted) work.rawOffsets[at.written] = at.read;
            *length = at.written;
            return work.bytes;
        }
        const size_t whole = std::min<size_t>(std::strlen(line), kMaxSearchedLineBytes);
        if (work.longLine.size() < whole + 4) work.longLine.resize(whole + 4);
        char* out = work.longLine.data();
        std::memcpy(out, work.bytes, static_cast<size_t>(at.written));
        foldUtf8Into(in, static_cast<int>(whole), fold, keepTabs, out, at, work);
        out[at.written] = '\0';
        if (work.shifted) work.rawOffsets[at.written] = at.read;
        *length = at.written;
        return out;
    }
    int n = foldInto(in, 0, kShort, fold, keepTabs, work.bytes);
    if (n < kShort || in[n] == '\0') {
        work.bytes[n] = '\0';
        *length = n;
        return work.bytes;
    }
    const size_t whole = std::min<size_t>(std::strlen(line), kMaxSearchedLineBytes);
    if (work.longLine.size() < whole + 1) work.longLine.resize(whole + 1);
    char* out = work.longLine.data();
    std::memcpy(out, work.bytes, static_cast<size_t>(n));
    n = foldInto(in, n, static_cast<int>(whole), fold, keepTabs, out);
    out[n] = '\0';
    *length = n;
    return out;
}

// Offsets between the stored line and its folded copy.
int storedOffset(const WorkLine& work, int folded) {
    return work.shifted ? work.rawOffsets[static_cast<size_t>(folded)] : folded;
}

int foldedOffset(const WorkLine& work, int stored, int foldedLength) {
    if (!work.shifted || stored <= 0) return stored;
    const int* first = work.rawOffsets.data();
    return static_cast<int>(std::lower_bound(first, first + foldedLength, stored) - first);
}

// The line test on a line already folded; offsets are those of the folded line.
bool matchFolded(const char* w, int lineLength, const SearchExpression& expr, bool utf8,
                 int startOffset, int* hitOffset, int* hitLength, const MatchFlags& flags);

// The hit span of a folded line given back in offsets of the stored line.
void storeSpan(const WorkLine& work, int offset, int length, int* hitOffset, int* hitLength) {
    const int start = storedOffset(work, offset);
    if (hitOffset) *hitOffset = start;
    if (hitLength) *hitLength = length > 0 ? storedOffset(work, offset + length) - start : 0;
}

}  // namespace

bool prefilterRejects(uint32_t lineMask, const SearchExpression& expr) {
    if (!expr.prefilterUsable || (lineMask & 0xFFFFFF00u) == 0) return false;
    // A TAB in the line stands for a blank of a term unless the mask searches TABs, so a line
    // with TABs offers the blank's class as well.
    const CodePageTables& tables = codePageTables();
    if (!expr.hasTab && (lineMask & tables.charBit('\t'))) lineMask |= tables.charBit(' ');
    return (lineMask & expr.requiredBits) != expr.requiredBits;
}

bool matchLine(const char* line, uint32_t lineMask, const SearchExpression& expr,
               const FoldTable& fold, int startOffset, int* hitOffset, int* hitLength,
               const MatchFlags& flags, WorkLine& work) {
    if (hitOffset) *hitOffset = 0;
    if (hitLength) *hitLength = 0;
    if (!line || prefilterRejects(lineMask, expr)) return false;
    int lineLength = 0;
    const char* w = foldLine(line, fold, expr.hasTab, work, &lineLength);
    int offset = 0;
    int length = 0;
    const bool matches =
        matchFolded(w, lineLength, expr, fold.utf8(), foldedOffset(work, startOffset, lineLength),
                    &offset, &length, flags);
    if (matches) storeSpan(work, offset, length, hitOffset, hitLength);
    return matches;
}

namespace {

bool matchFolded(const char* w, int lineLength, const SearchExpression& expr, bool utf8,
                 int startOffset, int* hitOffset, int* hitLength, const MatchFlags& flags) {
    if (hitOffset) *hitOffset = 0;
    if (hitLength) *hitLength = 0;
    const int start = std::clamp(startOffset, 0, lineLength);
    const char* text = w + start;
    const int textLength = lineLength - start;
    const uint32_t termCount = std::min<uint32_t>(expr.termCount, kTermSlots);
    const bool firstIsNot = termCount > 0 && expr.op(0) == kTermNot;
    const bool nearMode = expr.nearDistance > 0;
    const bool orOrNot = (expr.kindSet & ((1u << kTermOr) | (1u << kTermNot))) != 0;
    bool result = firstIsNot;
    bool notSeen = false;
    int spanStart = kNone;  // offsets into the work line
    int lastStart = kNone;
    int lastLength = 0;
    int sequence = 0;  // offset into text

    for (uint32_t i = 0; i < termCount; ++i) {
        const uint8_t kind = expr.termKinds[i];
        const uint8_t op = kind & kTermOperatorBits;
        if (result && op == kTermOr) continue;
        const std::string_view term = expr.term(i);
        const int termLength = static_cast<int>(term.size());
        int hit = kNone;
        int hitLen = termLength;
        if (kind & (kTermLStart | kTermLEnd)) {
            if (start == 0) {
                int at =
                    (kind & kTermLStart) ? 0 : lineLength - termLength - (flags.fastLoad ? 0 : 1);
                if (at >= 0 && at + termLength <= lineLength &&
                    std::memcmp(w + at, term.data(), term.size()) == 0) {
                    hit = at;
                }
            }
        } else if (flags.sequenceSensitive && op == kTermAnd) {
            int at = (kind & kTermWord) ? findWord(text, textLength, sequence, term, utf8, &hitLen)
                                        : findIn(text, textLength, sequence, term);
            if (at != kNone) hit = start + at;
        } else {
            int at = findIn(text, textLength, 0, term);
            if (at != kNone) hit = start + at;
        }
        if (op == 0 || op > kTermNot) {
            logMessage("int. error #950, %lu @%lu", static_cast<unsigned long>(op),
                       static_cast<unsigned long>(i));
            return false;
        }
        if (op == kTermNot) notSeen = true;
        if (hit == kNone) {
            if (!result) spanStart = lastStart = kNone;
            if (!orOrNot) return false;
            while (i + 1 < termCount && expr.op(i + 1) == kTermAnd) ++i;
            continue;
        }
        const bool previous = result;
        if (i + 1 == termCount || expr.op(i + 1) != kTermAnd) {
            result = true;
            if (notSeen) return false;
        }
        if (!nearMode && (previous || op == kTermNot)) {
            if (hit >= start) sequence = hit + hitLen - start;
            continue;
        }
        if (spanStart == kNone || hit < spanStart) spanStart = hit;
        if (flags.sequenceSensitive && lastStart != kNone && hit < lastStart + lastLength)
            return false;
        if (lastStart == kNone || hit + hitLen > lastStart + lastLength) {
            lastStart = hit;
            lastLength = hitLen;
            sequence = std::max(0, lastStart + lastLength - start);
        }
    }
    if (spanStart == kNone || lastStart == kNone || lastStart + lastLength - spanStart <= 0) {
        return result && firstIsNot;
    }
    if (hitOffset) *hitOffset = spanStart;
    if (hitLength) *hitLength = lastStart + lastLength - spanStart;
    return result;
}

}  // namespace

bool collectHitSpans(const char* line, uint32_t lineMask, const SearchExpression& expr,
                     const FoldTable& fold, const MatchFlags& flags, WorkLine& work,
                     std::vector<HitSpan>& spans) {
    spans.clear();
    if (!line || prefilterRejects(lineMask, expr)) return false;
    // The line is folded once; each further span is searched from the end of the last.
    int lineLength = 0;
    const char* w = foldLine(line, fold, expr.hasTab, work, &lineLength);
    int offset = 0;
    int length = 0;
    const bool utf8 = fold.utf8();
    if (!matchFolded(w, lineLength, expr, utf8, 0, &offset, &length, flags)) return false;
    while (length >= 1) {
        HitSpan span;
        storeSpan(work, offset, length, &span.offset, &span.length);
        spans.push_back(span);
        if (static_cast<int>(spans.size()) == kMaxHitSpans) {
            if (verboseMode()) logMessage("bail (1)");
            break;
        }
        int next = offset + length;
        if (next >= lineLength) break;
        if (!matchFolded(w, lineLength, expr, utf8, next, &offset, &length, flags)) break;
    }
    return true;
}

bool wordTermHasTooManySegments(const SearchExpression& expr, uint32_t term) {
    if (term >= expr.termCount || !(expr.termKinds[term] & kTermWord)) return false;
    std::string_view text = expr.term(term);
    return std::count(text.begin(), text.end(), '*') + 1 > kMaxWordSegments;
}

}  // namespace tessel
