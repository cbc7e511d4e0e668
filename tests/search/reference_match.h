// A slow, literal version of the line test, written step by step for the differential tests:
// the fast pass and matchLine must agree with it on every line.
#pragma once

#include <algorithm>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "search/search_expression.h"

namespace tessel::testing {

struct ReferenceHit {
    bool matches = false;
    int offset = 0;
    int length = 0;
};

inline bool refWordChar(char c) {
    return isWordChar(static_cast<uint8_t>(c));
}

inline int refWordSearch(const std::string& text, size_t from, const std::string& term,
                         int* length) {
    if (term.find('*') == std::string::npos && text.find(term, from) == std::string::npos)
        return -1;
    std::vector<std::string> segments;
    size_t start = 0;
    for (size_t star; (star = term.find('*', start)) != std::string::npos; start = star + 1) {
        segments.push_back(term.substr(start, star - start));
    }
    segments.push_back(term.substr(start));
    if (segments.size() > 21) return -1;
    for (const std::string& s : segments) {
        if (s.size() > 90) return -1;
    }
    for (size_t p = from; p < text.size(); ++p) {
        bool wordStart = refWordChar(text[p]) && (p == 0 || !refWordChar(text[p - 1]));
        if (!wordStart || text.compare(p, segments[0].size(), segments[0]) != 0) continue;
        size_t end = p + segments[0].size();
        bool ok = true;
        for (size_t s = 1; s < segments.size() && ok; ++s) {
            size_t at = text.find(segments[s], end);
            if (at == std::string::npos) {
                ok = false;
                break;
            }
            for (size_t k = end; k < at; ++k) ok = ok && refWordChar(text[k]);
            end = at + segments[s].size();
        }
        if (!ok || (end < text.size() && refWordChar(text[end]))) continue;
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
    if (expr.prefilterUsable && (lineMask & 0xFFFFFF00u)) {
        uint32_t mask = lineMask;
        if (!expr.hasTab && (mask & codePageTables().charBit('\t')))
            mask |= codePageTables().charBit(' ');
        if ((mask & expr.requiredBits) != expr.requiredBits) return none;
    }
    std::string work = rawLine.substr(0, rawLine.find('\0'));
    for (char& c : work) {
        c = static_cast<char>(fold.map(static_cast<uint8_t>(c)));
        if (c == '\t' && !expr.hasTab) c = ' ';
    }
    const int start = std::clamp(startOffset, 0, static_cast<int>(work.size()));
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
            int at = (k & kTermWord) ? refWordSearch(text, Q, term, &N)
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
    return {result, S, Lh + Ln - S};
}

}  // namespace tessel::testing
