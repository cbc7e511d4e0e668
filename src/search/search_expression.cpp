#include "search/search_expression.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/log/message_log.h"

namespace tessel {

namespace {

constexpr std::string_view kEscapableWords[] = {"AND ", "OR ",     "NOT ",  "TAB ",
                                                "LS ",  "LSTART ", "LEND ", "WORD "};
constexpr std::string_view kLeadingEscapes[] = {"NOT ", "TAB ", "LS ", "LSTART ", "LEND ", "WORD "};

bool startsWith(std::string_view text, size_t at, std::string_view word) {
    return at <= text.size() && text.substr(at).starts_with(word);
}

// A line keyword in front of a term: its flag and length, or 0.
struct Keyword {
    uint8_t flag = 0;
    size_t length = 0;
};

Keyword keywordAt(std::string_view mask, size_t at) {
    if (startsWith(mask, at, "LSTART ")) return {kTermLStart, 7};
    if (startsWith(mask, at, "LS ")) return {kTermLStart, 3};
    if (startsWith(mask, at, "LEND ")) return {kTermLEnd, 5};
    if (startsWith(mask, at, "WORD ")) return {kTermWord, 5};
    return {};
}

// Escaped operator words (" \AND ") lose their backslash, "**" becomes a literal "*", and
// the TAB keyword becomes a TAB byte. An escaped TAB stays the text TAB: the escape exists
// to search the word itself.
void unescapeTerm(std::string& term, bool leadingTabEscaped, bool& hasTab) {
    struct Byte {
        char c;
        bool escapedWord;
    };
    std::vector<Byte> bytes;
    bytes.reserve(term.size());
    for (size_t i = 0; i < term.size(); ++i) {
        bytes.push_back({term[i], i == 0 && leadingTabEscaped});
        if (term[i] == ' ' && i + 1 < term.size() && term[i + 1] == '\\') {
            for (std::string_view word : kEscapableWords) {
                if (startsWith(term, i + 2, word)) {
                    ++i;  // drop the backslash
                    if (word == "TAB ") {
                        bytes.back().escapedWord = true;
                    }
                    break;
                }
            }
        }
    }
    std::vector<Byte> single;
    single.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        single.push_back(bytes[i]);
        if (bytes[i].c == '*' && i + 1 < bytes.size() && bytes[i + 1].c == '*') ++i;
    }
    auto tabWordAt = [&](size_t at, std::string_view word) {
        if (at + word.size() > single.size() || single[at].escapedWord) return false;
        for (size_t k = 0; k < word.size(); ++k) {
            if (single[at + k].c != word[k]) return false;
        }
        return true;
    };
    term.clear();
    size_t i = 0;
    if (tabWordAt(0, "TAB ")) {
        term += '\t';
        hasTab = true;
        i = 4;
    }
    while (i < single.size()) {
        if (tabWordAt(i, " TAB ")) {
            term += '\t';
            hasTab = true;
            i += 5;
        } else {
            term += single[i++].c;
        }
    }
}

class MaskCompiler {
  public:
    MaskCompiler(SearchExpression& expr, std::string_view mask, bool isPathMask,
                 const FoldTable& fold, bool operatorsOn)
        : expr_(expr), mask_(mask), isPathMask_(isPathMask), fold_(fold), ops_(operatorsOn) {}

    void run();

  private:
    bool endTerm(size_t start, size_t end);
    // Tests 3 to 9 and the leading NOT: the operator at p, or length 0.
    struct Operator {
        size_t length = 0;
        uint8_t nextKind = 0;
        bool startsNot = false;
        bool skipsStar = false;
        const char* error = nullptr;
        int32_t nearDistance = 0;
    };
    Operator operatorAt(size_t p) const;
    void fail(const char* message, size_t from);

    SearchExpression& expr_;
    std::string_view mask_;
    bool isPathMask_;
    const FoldTable& fold_;
    bool ops_;
    uint8_t kind_ = kTermAnd;
    bool notSeen_ = false;
};

void MaskCompiler::fail(const char* message, size_t from) {
    logError(0, "%s", message);
    std::string_view rest = mask_.substr(std::min(from, mask_.size()));
    logMessage("[error] ignoring: \"%.*s\"", static_cast<int>(rest.size()), rest.data());
    if (expr_.errorText.empty()) expr_.errorText = message;
}

bool MaskCompiler::endTerm(size_t start, size_t end) {
    if (expr_.termCount >= kMaxTerms) {
        logMessage("too many operators in search expression");
        std::string_view rest = mask_.substr(start);
        logMessage("[error] ignoring: \"%.*s\"", static_cast<int>(rest.size()), rest.data());
        if (expr_.errorText.empty()) expr_.errorText = "too many operators in search expression";
        return false;
    }
    if (end <= start) return true;
    std::string term(mask_.substr(start, end - start));
    bool leadingTabEscaped = false;
    if (ops_ && expr_.termCount == 0 && term[0] == '\\') {
        for (std::string_view word : kLeadingEscapes) {
            if (startsWith(term, 1, word)) {
                term.erase(0, 1);
                leadingTabEscaped = word == "TAB ";
                break;
            }
        }
    }
    if (term.size() > kMaxTermBytes) term.resize(kMaxTermBytes);
    if (ops_) unescapeTerm(term, leadingTabEscaped, expr_.hasTab);
    if (term.empty()) return true;
    uint32_t index = expr_.termCount++;
    char* slot = expr_.terms[index];
    std::memcpy(slot, term.data(), term.size());
    // In the UTF-8 code page a folded character may be shorter than the typed one.
    const size_t length = fold_.foldText(slot, term.size());
    slot[length] = '\0';
    expr_.termLengths[index] = static_cast<uint16_t>(length);
    expr_.termKinds[index] = kind_;
    uint8_t op = kind_ & kTermOperatorBits;
    expr_.kindSet |= 1u << op;
    // Only the AND terms of the groups in front of the NOT groups are required; those that
    // extend a NOT group ("a NOT b*c") must not be, or "a" alone would never match.
    if (op == kTermAnd && !notSeen_) {
        expr_.requiredBits |= codePageTables().requiredMaskOf(expr_.term(index), fold_);
    }
    return true;
}

MaskCompiler::Operator MaskCompiler::operatorAt(size_t p) const {
    Operator o;
    if (startsWith(mask_, p, " AND NOT ")) {
        o = {9, kTermNot, true, true};
    } else if (startsWith(mask_, p, " OR NOT ")) {
        o = {8, kTermNot, true, true};
    } else if (startsWith(mask_, p, " AND ")) {
        o = {5, isPathMask_ ? kTermOr : kTermAnd, false, false};
        if (notSeen_) o.error = "AND after NOT is not allowed in search";
    } else if (startsWith(mask_, p, " OR ")) {
        o = {4, kTermOr, false, true};
        if (notSeen_) o.error = "OR after NOT is not allowed in search";
    } else if (startsWith(mask_, p, " ALT ")) {
        o = {5, kTermOr, false, true};
        if (notSeen_) o.error = "ALT after NOT is not allowed in search";
    } else if (startsWith(mask_, p, " NEAR")) {
        size_t digits = 0;
        int64_t value = 0;
        while (digits <= 10 && p + 5 + digits < mask_.size() && mask_[p + 5 + digits] >= '0' &&
               mask_[p + 5 + digits] <= '9') {
            value = value * 10 + (mask_[p + 5 + digits] - '0');
            ++digits;
        }
        if (digits <= 10 && startsWith(mask_, p + 5 + digits, " ")) {
            o = {6 + digits, kTermOr, false, false};
            // Ten digits can exceed 32 bits; a huge distance must not wrap to "no NEAR".
            o.nearDistance =
                digits == 0 ? 100 : static_cast<int32_t>(std::min<int64_t>(value, INT32_MAX));
            if (notSeen_) o.error = "NEAR after NOT is not allowed in search";
        }
    } else if (startsWith(mask_, p, " NOT ")) {
        o = {5, kTermNot, true, true};
    } else if (p == 0 && startsWith(mask_, p, "NOT ")) {
        o = {4, kTermNot, true, false};
    }
    return o;
}

void MaskCompiler::run() {
    size_t p = 0;
    size_t termStart = 0;
    bool starActive = ops_;
    while (p < mask_.size()) {
        if (starActive && startsWith(mask_, p, "**")) {
            p += 2;
            continue;
        }
        if (starActive && mask_[p] == '*') {
            if (!endTerm(termStart, p)) return;
            kind_ = kTermAnd;
            termStart = ++p;
            continue;
        }
        if (!ops_) {
            ++p;
            continue;
        }
        Operator o = operatorAt(p);
        if (o.length == 0 && p == 0) {
            // A leading line keyword applies to the first term and is not followed by
            // another keyword.
            Keyword k = keywordAt(mask_, 0);
            if (k.length > 0) {
                if (!endTerm(termStart, p)) return;
                kind_ = kTermAnd | k.flag;
                if (k.flag == kTermWord) starActive = false;
                termStart = p = k.length;
                continue;
            }
        }
        if (o.length == 0) {
            ++p;
            continue;
        }
        if (o.error) {
            fail(o.error, p);
            return;
        }
        if (!endTerm(termStart, p)) return;
        kind_ = o.nextKind;
        if (o.startsNot) notSeen_ = true;
        if (o.nearDistance > 0) expr_.nearDistance = o.nearDistance;
        starActive = true;
        p += o.length;
        if (o.skipsStar && startsWith(mask_, p, "*") && !startsWith(mask_, p, "**")) ++p;
        Keyword k = keywordAt(mask_, p);
        if (k.length > 0) {
            kind_ |= k.flag;
            starActive = k.flag != kTermWord;
            p += k.length;
        }
        termStart = p;
    }
    endTerm(termStart, mask_.size());
}

}  // namespace

void SearchExpression::clear() {
    uint8_t keepCase = caseSensitive;
    prefilterUsable = false;
    hasTab = false;
    nearDistance = 0;
    for (uint32_t i = 0; i < termCount && i < kTermSlots; ++i) terms[i][0] = '\0';
    std::fill(std::begin(termLengths), std::end(termLengths), 0);
    std::fill(std::begin(termKinds), std::end(termKinds), 0);
    termCount = 0;
    kindSet = 0;
    requiredBits = 0;
    errorText.clear();
    caseSensitive = keepCase;
}

void SearchExpression::compile(std::string_view maskText, bool isPathMask, const FoldTable& fold,
                               bool operatorsOn) {
    clear();
    // Terms are C strings: a NUL ends the mask as it would end the view's mask text.
    size_t nul = maskText.find('\0');
    if (nul != std::string_view::npos) maskText = maskText.substr(0, nul);
    if (maskText.size() > kMaxMaskCopy) maskText = maskText.substr(0, kMaxMaskCopy);
    MaskCompiler(*this, maskText, isPathMask, fold, operatorsOn).run();
    prefilterUsable = (kindSet & ~((1u << kTermAnd) | (1u << kTermNot))) == 0;
    if (!prefilterUsable) requiredBits = 0;
}

std::string describeTerms(const SearchExpression& expr) {
    static const char* const kWords[] = {"", "AND", "OR", "NOT"};
    constexpr size_t kLimit = 500;
    std::string list;
    for (uint32_t i = 0; i < expr.termCount; ++i) {
        if (kLimit - list.size() < 10) break;
        uint8_t op = expr.op(i);
        char entry[kMaxTermBytes + 16];
        std::snprintf(entry, sizeof entry, "%s %s\"%s\" ", op <= 3 ? kWords[op] : "", "",
                      expr.terms[i]);
        list.append(entry, std::min(std::strlen(entry), kLimit - list.size()));
    }
    return list;
}

}  // namespace tessel
