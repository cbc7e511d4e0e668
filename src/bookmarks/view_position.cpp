#include "bookmarks/view_position.h"

#include <algorithm>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"

namespace tessel {

void copyField(char* field, int capacity, std::string_view text) {
    // A UTF-8 character that does not fit stays out whole.
    size_t end =
        cutAtCharacter(text, static_cast<size_t>(std::max(capacity, 0)), codePageTables().utf8);
    // The field is a C string: an embedded NUL ends it.
    if (end > 0) {
        if (const void* nul = std::memchr(text.data(), '\0', end)) {
            end = static_cast<size_t>(static_cast<const char*>(nul) - text.data());
        }
        std::memcpy(field, text.data(), end);
    }
    field[end] = '\0';
}

bool hasSearchContext(const ViewPosition& position) {
    return position.find.text[0] != '\0' || position.pathMask[0] != '\0';
}

void copyTerms(const SearchExpression& expr, PositionMask& mask) {
    mask.caseSensitive = expr.caseSensitive;
    mask.termCount = std::min<uint32_t>(expr.termCount, kTermSlots);
    for (uint32_t i = 0; i < kTermSlots; ++i) {
        if (i < mask.termCount) {
            copyField(mask.terms[i], expr.term(i));
            mask.termKinds[i] = expr.termKinds[i];
        } else {
            mask.terms[i][0] = '\0';
            mask.termKinds[i] = 0;
        }
    }
}

int packHighlights(const std::vector<std::string>& entries, ViewPosition& position) {
    int used = 0;
    int kept = 0;
    for (const std::string& entry : entries) {
        const size_t length = std::strlen(entry.c_str());
        if (used + static_cast<int>(length) + 1 > kHighlightDataBytes) continue;
        std::memcpy(position.highlightData + used, entry.data(), length);
        used += static_cast<int>(length);
        position.highlightData[used++] = 0;
        ++kept;
    }
    std::memset(position.highlightData + used, 0, kHighlightDataBytes - used);
    position.highlightCount = kept;
    position.highlightSize = used;
    return kept;
}

std::vector<std::string> unpackHighlights(const ViewPosition& position) {
    std::vector<std::string> entries;
    const int size = std::clamp(position.highlightSize, 0, kHighlightDataBytes);
    const char* data = reinterpret_cast<const char*>(position.highlightData);
    int start = 0;
    for (int i = 0; i < size; ++i) {
        if (data[i] != '\0') continue;
        entries.emplace_back(data + start, i - start);
        start = i + 1;
    }
    // A block from a file may lack the last terminator.
    if (start < size) entries.emplace_back(data + start, size - start);
    return entries;
}

void copySearchContext(const ViewPosition& from, ViewPosition& to) {
    const ViewSearchExtras own = to.extras;
    to = from;
    to.extras = own;
}

void copyPlace(const ViewPosition& from, ViewPosition& to) {
    std::memcpy(to.label, from.label, sizeof to.label);
    to.tabSize = from.tabSize;
    to.xOffset = from.xOffset;
    to.lockMode = from.lockMode;
    to.lockRows = from.lockRows;
    to.topLine = from.topLine;
    to.currentLine = from.currentLine;
    to.valid = from.valid;
    to.cursorLine = from.currentLine;
}

}  // namespace tessel
