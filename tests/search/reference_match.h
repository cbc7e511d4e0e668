// A slow, literal version of the line test, written step by step for the differential tests:
// the fast pass and matchLine must agree with it on every line. In the UTF-8 code page it
// decodes the line itself and folds it one character at a time.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/unicode_fold.h"
#include "search/search_expression.h"

namespace tessel::testing {

struct ReferenceHit {
    bool matches = false;
    int offset = 0;
    int length = 0;
};

// The folded line as the reference reads it: its bytes, whether each byte belongs to a word
// character, and where each byte (and the end) came from in the stored line.
struct RefFoldedLine {
    std::string text;
    std::vector<bool> word;
    std::vector<int> stored;
};

// One UTF-8 character the slow way: the lead byte gives the length, the code point is
// checked against the smallest value of that length, the surrogates and the top of Unicode.
inline int refDecode(const std::string& text, size_t at, char32_t& code) {
    const auto lead = static_cast<uint8_t>(text[at]);
    int length = lead < 0x80         ? 1
                 : (lead >> 5) == 6  ? 2
                 : (lead >> 4) == 14 ? 3
                 : (lead >> 3) == 30 ? 4
                                     : 0;
    if (length == 0 || at + length > text.size()) return 0;
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<uint8_t>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return length;
}

inline std::string refEncode(char32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// Byte by byte in an 8-bit code page; character by character in the UTF-8 code page, where
// a byte that starts no valid character is a character of its own.
inline RefFoldedLine refFoldLine(const std::string& raw, const FoldTable& fold, bool keepTabs) {
    RefFoldedLine line;
    for (size_t at = 0; at < raw.size();) {
        const auto byte = static_cast<uint8_t>(raw[at]);
        char32_t code = byte;
        int length = fold.utf8() ? refDecode(raw, at, code) : 1;
        std::string folded;
        bool word = false;
        if (length == 0) {
            length = 1;
            folded = std::string(1, raw[at]);
            word = isWordChar(byte);
        } else if (!fold.utf8()) {
            folded = std::string(1, static_cast<char>(fold.map(byte)));
            word = isWordChar(fold.map(byte));
        } else {
            const char32_t to = fold.foldCode(code);
            folded = refEncode(to);
            word = to < 0x80 ? isWordChar(static_cast<uint8_t>(to))
                             : wordCharThreshold() != 0xFF && isWordCodePoint(to);
        }
        if (folded == "\t" && !keepTabs) folded = " ";
        for (size_t k = 0; k < folded.size(); ++k) {
            line.text += folded[k];
            line.word.push_back(word);
            // A character that folds to one of its length keeps its inner offsets.
            line.stored.push_back(
                static_cast<int>(at) +
                (folded.size() == static_cast<size_t>(length) ? static_cast<int>(k) : 0));
        }
        at += static_cast<size_t>(length);
    }
    line.stored.push_back(static_cast<int>(raw.size()));
    return line;
}

inline int refWordSearch(const RefFoldedLine& line, size_t start, size_t from,
                         const std::string& term, int* length) {
    const std::string text = line.text.substr(start);
    auto refWordChar = [&](size_t at) { return static_cast<bool>(line.word[start + at]); };
    if (term.find('*') == std::string::npos && text.find(term, from) == std::string::npos)
        return -1;
    std::vector<std::string> segments;
    size_t first = 0;
    for (size_t star; (star = term.find('*', first)) != std::string::npos; first = star + 1) {
        segments.push_back(term.substr(first, star - first));
    }
    segments.push_back(term.substr(first));
    if (segments.size() > 21) return -1;
    for (const std::string& s : segments) {
        if (s.size() > 90) return -1;
    }
    for (size_t p = from; p < text.size(); ++p) {
        bool wordStart = refWordChar(p) && (p == 0 || !refWordChar(p - 1));
        if (!wordStart || text.compare(p, segments[0].size(), segments[0]) != 0) continue;
        size_t end = p + segments[0].size();
        bool ok = true;
        for (size_t s = 1; s < segments.size() && ok; ++s) {
            size_t at = text.find(segments[s], end);
            if (at == std::string::npos) {
                ok = false;
                break;
            }
            for (size_t k = end; k < at; ++k) ok = ok && refWordChar(k);
            end = at + segments[s].size();
        }
        if (!ok || (end < text.size() && refWordChar(end))) continue;
        *length = static_cast<int>(end - p);
        return static_cast<int>(p);
    }
    return -1;
}

inline uint32_t refMaskOf(const std::string& line) {
    uint32_t mask = 0;
    for (char c : line) mask |= codePageTables().charBit(static_cast<uint8_t>(c));
    return mask;
}

inline ReferenceHit referenceMatch(const std::string& rawLine, uint32_t lineMask,
                                   const SearchExpression& expr, const FoldTable& fold,
                                   int startOffset, bool sequence, bool fastLoad) {
    ReferenceHit none;
    // Prefilter; a TAB of the line offers the blank's class unless the mask searches TABs.
    // In the UTF-8 code page the reference does without it: the fast test must never skip
    // a line that matches, whatever bits its terms ask for.
    if (expr.prefilterUsable && (lineMask & 0xFFFFFF00u) && !fold.utf8()) {
        uint32_t mask = lineMask;
        if (!expr.hasTab && (mask & codePageTables().charBit('\t')))
            mask |= codePageTables().charBit(' ');
        if ((mask & expr.requiredBits) != expr.requiredBits) return none;
    }
    const RefFoldedLine folded =
        refFoldLine(rawLine.substr(0, rawLine.find('\0')), fold, expr.hasTab);
    const std::string& work = folded.text;
    // The start offset counts in the stored line: the first folded byte from there on.
    const int foldedStart = static_cast<int>(
        std::lower_bound(folded.stored.begin(), folded.stored.end() - 1, startOffset) -
        folded.stored.begin());
    const int start =
        std::clamp(startOffset <= 0 ? startOffset : foldedStart, 0, static_cast<int>(work.size()));
    const std::string text = work.substr(start);
    auto op = [&](uint32_t i) { return expr.termKinds[i] & 0x0F; };
    bool result = false, notSeen = false;
    const bool firstIsNot = expr.termCount > 0 && op(0) == kTermNot;
    if (firstIsNot) result = true;
    int S = -1, Lh = -1, Ln = 0, Q = 0;
    const bool nearMode = expr.nearDistance > 0;
    for (uint32_t i = 0; i < expr.termCount; ++i) {
        const uint8_t k = expr.termKinds[i];
        const std::string term = expr.terms[i];
        if (result && op(i) == kTermOr) continue;
        int H = -1, N = static_cast<int>(term.size());
        if (k & (kTermLStart | kTermLEnd)) {
            if (start == 0) {
                if (k & kTermLStart) {
                    if (work.compare(0, term.size(), term) == 0 && work.size() >= term.size())
                        H = 0;
                } else {
                    int pos = static_cast<int>(work.size()) - static_cast<int>(term.size()) -
                              (fastLoad ? 0 : 1);
                    if (pos >= 0 && work.compare(pos, term.size(), term) == 0) H = pos;
                }
            }
        } else if (sequence && op(i) == kTermAnd) {
            int at = (k & kTermWord) ? refWordSearch(folded, start, Q, term, &N)
                                     : static_cast<int>(text.find(term, Q));
            if (at >= 0) H = start + at;
        } else {
            size_t at = text.find(term);
            if (at != std::string::npos) H = start + static_cast<int>(at);
        }
        if (op(i) == 0 || op(i) > 3) return none;
        if (op(i) == kTermNot) notSeen = true;
        if (H < 0) {
            if (!result) S = Lh = -1;
            if (!(expr.kindSet & 0x0C)) return none;
            while (i + 1 < expr.termCount && op(i + 1) == kTermAnd) ++i;
            continue;
        }
        bool previous = result;
        if (i + 1 == expr.termCount || op(i + 1) != kTermAnd) {
            result = true;
            if (notSeen) return none;
        }
        if (!nearMode && (previous || op(i) == kTermNot)) {
            if (H >= start) Q = H + N - start;
            continue;
        }
        if (S < 0 || H < S) S = H;
        if (sequence && Lh >= 0 && H < Lh + Ln) return none;
        if (Lh < 0 || H + N > Lh + Ln) {
            Lh = H;
            Ln = N;
            Q = std::max(0, Lh + Ln - start);
        }
    }
    if (S < 0 || Lh < 0 || Lh + Ln - S <= 0) return {result && firstIsNot, 0, 0};
    const int storedStart = folded.stored[static_cast<size_t>(S)];
    return {result, storedStart, folded.stored[static_cast<size_t>(Lh + Ln)] - storedStart};
}

}  // namespace tessel::testing
