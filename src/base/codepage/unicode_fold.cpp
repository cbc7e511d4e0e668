#include "base/codepage/unicode_fold.h"

#include <algorithm>
#include <array>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/letter_groups.h"
#include "base/codepage/unicode_data.h"

namespace tessel {

namespace {

using WideFold = std::array<char16_t, kWideFoldLimit>;

struct WideFolds {
    // Index: case-insensitive * 2 + accent-insensitive.
    std::array<WideFold, 4> tables;
};

char32_t asciiLower(char32_t code) {
    return code >= 'A' && code <= 'Z' ? code + ('a' - 'A') : code;
}

WideFolds buildWideFolds() {
    WideFold caseFold;
    WideFold base;
    for (char32_t code = 0; code < kWideFoldLimit; ++code) {
        caseFold[code] = static_cast<char16_t>(code < 0x80 ? asciiLower(code) : code);
        base[code] = static_cast<char16_t>(code);
    }
    for (size_t i = 0; i < kUnicodeLetterRowCount; ++i) {
        const UnicodeLetterRow& row = kUnicodeLetterRows[i];
        caseFold[row.code] = row.caseFold;
        base[row.code] = row.base;
    }
    WideFolds folds;
    for (int mode = 0; mode < 4; ++mode) {
        const bool foldCase = mode & 2;
        const bool foldAccents = mode & 1;
        for (char32_t code = 0; code < kWideFoldLimit; ++code) {
            char16_t folded = static_cast<char16_t>(code);
            if (foldAccents) folded = base[folded];
            if (foldCase) folded = caseFold[folded];
            folds.tables[mode][code] = folded;
        }
    }
    return folds;
}

struct QuoteMarks {
    std::array<char32_t, 16> codes{};
    int count = 0;
};

// The members beyond ASCII of the western code page's quotation group, as code points.
QuoteMarks buildQuoteMarks() {
    QuoteMarks marks;
    forEachLetterGroup(kLetterGroups1252, [&](const LetterGroup& group) {
        if (!group.isPunctuation() || group.lower != '"') return;
        for (int i = 0; i < group.memberCount; ++i) {
            if (group.members[i] >= 0x80 && marks.count < static_cast<int>(marks.codes.size()))
                marks.codes[marks.count++] = unicodeOf(1252, group.members[i]);
        }
    });
    std::sort(marks.codes.begin(), marks.codes.begin() + marks.count);
    return marks;
}

}  // namespace

const char16_t* unicodeFoldTable(bool caseSensitive, bool accentSensitive) {
    static const WideFolds folds = buildWideFolds();
    return folds.tables[(caseSensitive ? 0 : 2) + (accentSensitive ? 0 : 1)].data();
}

std::span<const char32_t> quoteMarks() {
    static const QuoteMarks marks = buildQuoteMarks();
    return {marks.codes.data(), static_cast<size_t>(marks.count)};
}

bool isQuoteMark(char32_t code) {
    const std::span<const char32_t> marks = quoteMarks();
    // Most characters of other scripts lie beyond the last mark: no search for them.
    if (marks.empty() || code < marks.front() || code > marks.back()) return false;
    return std::binary_search(marks.begin(), marks.end(), code);
}

bool isWordCodePoint(char32_t code) {
    if (code < 0x80) return isWordChar(static_cast<uint8_t>(code));
    const UnicodeRange* end = kUnicodeWordRanges + kUnicodeWordRangeCount;
    const UnicodeRange* range =
        std::upper_bound(kUnicodeWordRanges, end, code,
                         [](char32_t value, const UnicodeRange& r) { return value < r.first; });
    return range != kUnicodeWordRanges && code <= (range - 1)->last;
}

}  // namespace tessel
