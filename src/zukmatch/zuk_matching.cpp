// Matching a compiled expression at one position: token by token, left to right, never going
// back. A class of variable length looks at each position whether its right neighbour (of the
// same or a higher priority) would match there, and if so stops; that lookahead reads at most
// the neighbour's own length, so one attempt costs at most the bytes it passes times the
// length of the longest literal or fixed class that follows a variable one.
//
// Stored text ends its lines with NUL bytes, so NUL counts as a line end for [eol], [lend]
// and [lstart] besides CR and LF.
#include "base/log/message_log.h"
#include "zukmatch/zuk_compiler.h"

namespace tessel {

struct ZukMatcher {
    const ZukMatch& m;
    const char* text;  // where the attempt began
    const char* end;   // no byte at or past it is read
    bool lineStartIn;  // `text` begins a line
    bool lastRecord;

    bool atLineStart(const char* p) const {
        if (p == text) return lineStartIn;
        const char before = p[-1];
        if (before == '\n' || before == '\0') return true;
        return before == '\r' && (p == end || *p != '\n');
    }

    bool beforeLineEnd(const char* p) const {
        if (p == end) return lastRecord;
        return *p == '\n' || *p == '\r' || *p == '\0';
    }

    int64_t eolLength(const char* p) const {
        if (p == end) return 0;
        if (*p == '\r') return p + 1 < end && p[1] == '\n' ? 2 : 1;
        return *p == '\n' || *p == '\0' ? 1 : 0;
    }

    bool literalAt(const ZukToken& token, const char* p) const {
        const size_t length = token.literal.size();
        if (static_cast<size_t>(end - p) < length) return false;
        for (size_t i = 0; i < length; ++i) {
            const uint8_t byte = static_cast<uint8_t>(p[i]);
            const bool same = token.exact[i]
                                  ? byte == static_cast<uint8_t>(token.literal[i])
                                  : m.fold_[byte] == static_cast<uint8_t>(token.compareAs[i]);
            if (!same) return false;
        }
        return true;
    }

    bool fixedClassAt(const ZukToken& token, const char* p) const {
        if (end - p < token.minCount) return false;
        for (int i = 0; i < token.minCount; ++i) {
            if (!token.accepts[static_cast<uint8_t>(p[i])]) return false;
        }
        return true;
    }

    // Whether `token` would take its step at p: the test a variable class makes of its right
    // neighbour before it takes another byte.
    bool stepSucceeds(const ZukToken& token, const char* p) const {
        switch (token.kind) {
            case ZukKind::kLiteral:
                return literalAt(token, p);
            case ZukKind::kVariable:
            case ZukKind::kFixed:
                if (token.minCount == token.maxCount) return fixedClassAt(token, p);
                return p < end && token.accepts[static_cast<uint8_t>(*p)];
            case ZukKind::kLineStart:
                return atLineStart(p);
            case ZukKind::kEnd:
                return p == end && lastRecord;
            case ZukKind::kEol:
                return eolLength(p) > 0;
            case ZukKind::kLineEnd:
                return beforeLineEnd(p);
            case ZukKind::kStart:
                break;
        }
        return false;
    }
};

int ZukMatch::matchAt(const char* text, int64_t& length, bool atDataStart, bool& lineEnded,
                      bool lastRecord) {
    if (!compiled_) return kZukNotCompiled;
    if (text == nullptr || length < 0) return kZukInternalError;
    if (!atDataStart) {
        if (!tokens_.empty() && tokens_.front().kind == ZukKind::kStart) return kZukStartOnly;
        if (length > 0 && !headMatch_[static_cast<uint8_t>(*text)]) return kZukHeadMiss;
    }
    const ZukMatcher matcher{*this, text, text + length, atDataStart || lineEnded, lastRecord};
    const char* const end = text + length;
    const char* p = text;
    const size_t count = tokens_.size();
    for (size_t t = 0; t < count; ++t) {
        const ZukToken& token = tokens_[t];
        const char* const from = p;
        const bool isClass = token.kind == ZukKind::kVariable || token.kind == ZukKind::kFixed;
        if (p == end) {
            // Where the bytes end, only what may be empty still matches.
            const bool marker = token.kind == ZukKind::kEnd || token.kind == ZukKind::kLineEnd;
            const bool emptyOk = (marker && lastRecord) || (isClass && token.minCount == 0) ||
                                 (token.kind == ZukKind::kStart && atDataStart);
            if (!emptyOk) return kZukNoMatch;
        } else if (token.kind == ZukKind::kStart) {
            if (!atDataStart) return kZukNoMatch;
        } else if (token.kind == ZukKind::kLiteral ||
                   (isClass && token.minCount == token.maxCount)) {
            if (!matcher.stepSucceeds(token, p)) return kZukNoMatch;
            p += token.minCount;
        } else if (!isClass) {
            if (!matcher.stepSucceeds(token, p)) return kZukNoMatch;
            if (token.kind == ZukKind::kEol) p += matcher.eolLength(p);
        } else {
            const ZukToken* next = t + 1 < count ? &tokens_[t + 1] : nullptr;
            const bool nextMayStop = next != nullptr && next->priority >= token.priority;
            int64_t collected = 0;
            while (p < end && collected < token.maxCount) {
                if (collected >= token.minCount && nextMayStop && matcher.stepSucceeds(*next, p)) {
                    break;
                }
                if (!token.accepts[static_cast<uint8_t>(*p)]) break;
                ++p;
                ++collected;
            }
            if (collected < token.minCount) return kZukNoMatch;
        }
        work_[t] = Span{from - text, p - from};
    }

    const int64_t hitLength = p - text;
    if (hitLength < 0) {
        zukReport("ZukMatch internal error: zero length hit for \"%s\"\n", source_.c_str());
        return kZukNegativeHit;
    }
    if (hitLength == 0) {
        bool positionsOnly = !tokens_.empty();
        for (const ZukToken& token : tokens_) {
            if (token.kind != ZukKind::kStart && token.kind != ZukKind::kLineStart &&
                token.kind != ZukKind::kEnd && token.kind != ZukKind::kLineEnd) {
                positionsOnly = false;
            }
        }
        if (!positionsOnly) {
            if (traceMode()) zukReport("match.empty: return miss");
            return kZukNoMatch;
        }
        if (traceMode()) {
            const ZukKind last = tokens_.back().kind;
            if (count == 1 && last == ZukKind::kStart) {
                zukReport("MATCH : /[start]/ at file start\n");
            } else if (count == 1 && last == ZukKind::kEnd) {
                zukReport("MATCH : /[end]/ at file end\n");
            } else if (last == ZukKind::kLineEnd && p == end) {
                zukReport("MATCH : /[lend]/ at file end\n");
            }
        }
    }
    hit_.assign(text, static_cast<size_t>(hitLength));
    spans_.swap(work_);
    length = hitLength;
    lineEnded = (hitLength > 0 && (p[-1] == '\n' || p[-1] == '\0')) ||
                tokens_.back().kind == ZukKind::kLineEnd;
    return kZukMatched;
}

}  // namespace tessel
