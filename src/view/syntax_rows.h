// Syntax colours of the rows a view shows: the class characters of the classifier written
// into a row's attributes, one per byte of the stored line before TABs are expanded.
//
// A line is classified on its own, except for one fact it takes from the line before: whether
// it starts inside a block comment. That fact is not kept in the line masks, which the search
// workers read while the user interface thread builds screens; each block instead gets a side
// record, kept here and touched by the user interface thread only, that knows the state at
// the start of every line from the file's first text line up to the furthest line worked out
// so far. A screen starting further down extends it: lines that hold no block delimiter are
// passed without classifying them, so this costs little more than reading the lines. Only far
// beyond the known part (a jump to the end of a huge file, rows of a filtered view spread
// over many files) does a row take its state from the few hundred lines before it, which is
// right unless a block comment is longer than that.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace tessel {

struct TextBlock;

// Syntax colours on or off for every view (CONTROL+F7; "-noshl" starts with them off).
bool syntaxColoursOn();
void setSyntaxColours(bool on);

// What one screen build carries from row to row: the last classified line, and how many lines
// the rows may still scan to find where a block comment starts.
struct SyntaxPass {
    explicit SyntaxPass(int carryBudgetLines) : carryBudget(carryBudgetLines) {}
    int carryBudget;
    const TextBlock* lastBlock = nullptr;
    int lastLine = -1;
    bool lastEndsInBlock = false;
    bool lastExact = false;
};

// The budgets of a screen build: the rows of the full text follow one another, so only the
// first row may have to scan; the rows of a filtered view may each start somewhere else.
inline constexpr int kFullTextCarryLines = 400000;
inline constexpr int kFilteredCarryLines = 20000;

// Writes the classes of global line `line` of `block` (text, length bytes) into attr. False,
// with attr untouched, when the line gets no syntax colours (plain text, colour text, the
// help text, colours switched off).
bool markSyntaxClasses(TextBlock& block, int line, const char* text, int length, char* attr,
                       SyntaxPass& pass);

// The same for line `editLine` of an editor's text (0 its header, 1 its name, then the text
// lines up to `editLineCount` - 2): `lineBytes` reads the edit buffer's lines before it, which
// tell whether it starts inside a block comment; the kind is the edited block's.
bool markEditSyntaxClasses(TextBlock& block, int editLine, int editLineCount,
                           const std::function<std::string_view(int)>& lineBytes, const char* text,
                           int length, char* attr, SyntaxPass& pass);

// Forgets what was kept about the blocks (tests; the kept records also check themselves
// against the block's text stamp).
void forgetSyntaxRecords();

}  // namespace tessel
