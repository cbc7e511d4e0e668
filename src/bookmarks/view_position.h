// A saved place of a view: where it stood in the text and with which search it looked at it.
// Bookmarks keep one per entry, and a view's back/forward history keeps a ring of them, so
// restoring either is one copy. The record is plain data of fixed capacities; texts are
// NUL-terminated and cut to their capacity when copied in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/search_expression.h"

namespace tessel {

// Capacities in characters (without the terminator).
inline constexpr int kPositionTextChars = 499;  // selection, label, line text
inline constexpr int kPathMaskChars = kMaskTextChars;
inline constexpr int kHighlightDataBytes = 2000;

// The find mask as a position keeps it: its text, the case flag and the compiled terms. The
// terms are kept for the record (bookmark files carry them); a restore compiles the text.
struct PositionMask {
    uint8_t caseSensitive = 0;
    char text[kMaskTextChars + 1] = {};
    uint32_t termCount = 0;
    char terms[kTermSlots][kMaxTermBytes + 1] = {};
    uint8_t termKinds[kTermSlots] = {};
};

// The rest of a view's search state. Bookmark files do not carry it and selecting a bookmark
// leaves the view's own; a history step puts it back, so that it restores the view exactly as
// it was.
struct ViewSearchExtras {
    uint8_t accentSensitive = 1;
    uint8_t punctSensitive = 1;
    uint8_t sequenceSensitive = 1;
    uint8_t operatorsOn = 1;
    uint8_t autoFilter = 1;
    uint8_t pathSelectionActive = 0;
    int64_t hitCount = 0;
};

struct ViewPosition {
    uint8_t remark = 0;  // 1: a remark line of the bookmark list
    PositionMask find;
    char pathMask[kPathMaskChars + 1] = {};
    uint8_t pathFileCount = 0;  // files the path mask selects, set when it names one file
    int32_t pathFirstLine = 0;  // the first line of that file
    char selection[kPositionTextChars + 1] = {};
    char label[kPositionTextChars + 1] = {};
    char lineText[kPositionTextChars + 1] = {};
    int32_t cursorLine = 0;
    // The view's highlighted words as an opaque block (see packHighlights).
    int32_t highlightCount = 0;
    int32_t highlightSize = 0;
    uint8_t highlightData[kHighlightDataBytes] = {};
    int32_t tabSize = 0;
    int32_t xOffset = 0;
    int32_t filterValue = 0;
    int32_t lockMode = 0;
    int32_t lockRows = 0;
    int64_t searchMsec = 0;
    int32_t topLine = 0;
    int32_t currentLine = 0;
    int32_t relativeLine = 0;  // currentLine minus the header line of its file
    uint8_t ignoreContext = 0;
    uint8_t valid = 0;
    uint8_t loadFailed = 0;

    // The rest of the view's search state (see ViewSearchExtras).
    ViewSearchExtras extras;
};

// Bounded copy of a text into a fixed field of `capacity` characters plus terminator.
void copyField(char* field, int capacity, std::string_view text);
template <size_t N>
void copyField(char (&field)[N], std::string_view text) {
    copyField(field, static_cast<int>(N) - 1, text);
}

// A position has search context when its find mask or path mask is not empty.
bool hasSearchContext(const ViewPosition& position);

// Takes the compiled terms of an expression (the text is set separately).
void copyTerms(const SearchExpression& expr, PositionMask& mask);

// The highlighted words ("name word" entries) as the opaque block: each entry followed by a
// NUL. Entries that do not fit are left out; the result is the number kept.
int packHighlights(const std::vector<std::string>& entries, ViewPosition& position);
std::vector<std::string> unpackHighlights(const ViewPosition& position);

// Copies what selecting a bookmark restores: the whole record except the fields the view
// keeps as its own (ViewSearchExtras).
void copySearchContext(const ViewPosition& from, ViewPosition& to);
// Copies only the place: label, tab size, horizontal offset, lock mode and rows, top and
// current line and the valid flag; the cursor goes to the current line.
void copyPlace(const ViewPosition& from, ViewPosition& to);

}  // namespace tessel
