// A compiled find mask or path mask: a flat list of folded terms, each tagged with the
// operator in front of it. There is no nesting: AND binds tighter than OR, NOT groups come
// last. The line test that evaluates the list lives in line_match.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/codepage/code_page_tables.h"

namespace tessel {

// Low four bits of a term kind: the operator in front of the term.
constexpr uint8_t kTermAnd = 1;
constexpr uint8_t kTermOr = 2;
constexpr uint8_t kTermNot = 3;
constexpr uint8_t kTermOperatorBits = 0x0F;
// High bits, combinable with any operator.
constexpr uint8_t kTermLStart = 0x80;  // the term must begin the line
constexpr uint8_t kTermLEnd = 0x40;    // the term must end the line (before its closing blank)
constexpr uint8_t kTermWord = 0x20;    // whole word; "*" inside stands for word characters

constexpr int kMaxTerms = 30;
constexpr int kTermSlots = 34;
constexpr int kMaxTermBytes = 299;
constexpr int kMaxMaskCopy = 4095;
constexpr int kMaskTextChars = 303;

struct SearchExpression {
    uint8_t caseSensitive = 0;  // kept by compile()
    bool prefilterUsable = false;
    bool hasTab = false;
    int32_t nearDistance = 0;
    char terms[kTermSlots][kMaxTermBytes + 1] = {};
    uint16_t termLengths[kTermSlots] = {};
    uint8_t termKinds[kTermSlots] = {};
    uint32_t termCount = 0;
    uint32_t kindSet = 0;
    uint32_t requiredBits = 0;

    // Parses the mask. With operators off the whole mask is one literal term. In a path mask
    // " AND " means OR (a file name holds one path, so "x AND y" selects both kinds of files).
    // Errors are logged and leave the terms compiled so far; the first one is kept in
    // errorText for the view's message line.
    void compile(std::string_view maskText, bool isPathMask, const FoldTable& fold,
                 bool operatorsOn = true);
    // All fields zero except caseSensitive.
    void clear();

    uint8_t op(uint32_t index) const { return termKinds[index] & kTermOperatorBits; }
    std::string_view term(uint32_t index) const { return {terms[index], termLengths[index]}; }
    bool hasNotTerm() const { return (kindSet & (1u << kTermNot)) != 0; }

    std::string errorText;
};

// The verbose "using:" list: one `OP "term" ` entry per term, at most 500 characters.
std::string describeTerms(const SearchExpression& expr);

}  // namespace tessel
