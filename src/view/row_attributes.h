// The attribute characters of a screen row: one per cell, beside the row's text, saying how
// the painter colours the cell (colour_tables.cpp gives each its colours). Stored colour lines
// (network text, colour text) and the syntax classes use the same alphabet, so the values
// are fixed; these are the ones the view itself writes or tests.
#pragma once

namespace tessel {

inline constexpr char kAttrPlain = ' ';
// Search results and the current result line when results are shown as whole lines.
inline constexpr char kAttrHit = 'x';
// File name lines and the rows of the file list.
inline constexpr char kAttrFileName = 'f';
// Lines of files the path mask leaves out ("markexcluded").
inline constexpr char kAttrExcluded = '_';
// The line marked in a filtered view, coloured across the whole row.
inline constexpr char kAttrMarkedLine = 'm';
// The line at a new result focus, for a moment.
inline constexpr char kAttrFlashLine = 31;
inline constexpr char kAttrSelection = 's';
// A span another operation marks in a line.
inline constexpr char kAttrMarkedSpan = '@';
// The caption row of a filtered view scrolled down.
inline constexpr char kAttrCaption = 'h';
// Dimmed text of the status rows (counts, timings, a mask marked for reset).
inline constexpr char kAttrDimmed = 'g';
// The "case" flag of the find row.
inline constexpr char kAttrCaseFlag = '1';
// The input cursor of a mask row, and the editor's cursor on a selected cell.
inline constexpr char kAttrCursor = 'e';
inline constexpr char kAttrCursorSelected = 'E';
// Underlined links, and the last cell of a row underlined as a context line.
inline constexpr char kAttrLink = 'l';
inline constexpr char kAttrLinkGreen = 'L';
inline constexpr char kAttrContextLine = 'H';
// UTF-8 code page: a byte of no valid sequence, shown as its code-page-1252 character.
inline constexpr char kAttrInvalidByte = '~';
// Bookmarked text keeps these under the marks of results, selections and word highlights.
inline constexpr char kAttrBookmark = 'T';
inline constexpr char kAttrBookmarkText = 't';
inline constexpr char kAttrBookmarkOther = 'u';

// TAB highlighting (CONTROL+T): the cells of a TAB on a blue ground, the blanks of the
// indentation on a yellow one.
inline constexpr char kAttrTabCell = 24;
inline constexpr char kAttrIndentBlank = 25;
// Words of the clipboard's word group (CONTROL+SHIFT+G), on the "group-match" colour.
inline constexpr char kAttrGroupMatch = 28;
// The syntax classes are attributes too (search/syntax_classify.h names them): 'i', 'I',
// 'k', 'K', 'b', 'c' keyword groups 1 to 6, 'r' remarks, 'G' strings.

inline bool isBookmarkAttr(char attr) {
    return attr == kAttrBookmark || attr == kAttrBookmarkText || attr == kAttrBookmarkOther;
}

}  // namespace tessel
