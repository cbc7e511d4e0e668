// Marks every view puts on its text rows besides searches and highlights, each switched for
// all views by one key: TAB highlighting (CONTROL+T) shows where a line's whitespace comes
// from, and the clipboard word group (CONTROL+SHIFT+G) shows where the words copied last
// occur. Both write attributes per byte of a stored line, before TABs are expanded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessel {

bool tabMarksOn();
void setTabMarks(bool on);

// The words of a clipboard text that the group match looks for: runs of word characters of
// at least two bytes, each once, at most kMaxGroupWords of them.
inline constexpr size_t kMaxGroupWords = 100;
inline constexpr size_t kMaxGroupWordChars = 64;
std::vector<std::string> groupWordsOf(std::string_view clipboard);

bool groupMatchOn();
// On with the words of `clipboard` (true when it held any), or off.
bool setGroupMatch(bool on, std::string_view clipboard = {});

// Marks TABs and indentation blanks, and whole-word occurrences of the group words (case
// ignored), in attr (one per byte of text). Bookmark marks stay.
void markTextMarks(const char* text, int length, char* attr);

}  // namespace tessel
