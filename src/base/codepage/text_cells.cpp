#include "base/codepage/text_cells.h"

#include <algorithm>

#include "base/codepage/utf8.h"

namespace tessel {
namespace {

bool inRanges(const UnicodeRange* ranges, size_t count, char32_t code) {
    const UnicodeRange* end = ranges + count;
    const UnicodeRange* at = std::upper_bound(
        ranges, end, code,
        [](char32_t value, const UnicodeRange& range) { return value < range.first; });
    return at != ranges && code <= (at - 1)->last;
}

const uint8_t* bytesOf(std::string_view text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

// Walks the units of a line from its start, keeping the display column.
struct UnitWalk {
    std::string_view line;
    int tabSize;
    bool utf8;
    size_t at = 0;
    int column = 0;
    CellUnit unit;

    bool next() {
        if (at >= line.size()) return false;
        unit = cellUnitAt(line, at, utf8);
        if (line[at] == '\t' && tabSize > 0) unit.cells = tabSize - column % tabSize;
        return true;
    }
    void advance() {
        at += static_cast<size_t>(unit.bytes);
        column += unit.cells;
    }
};

}  // namespace

int cellWidthOf(char32_t code) {
    if (code < 0x300) return 1;  // the first marks begin at U+0300
    if (inRanges(kUnicodeJoiningRanges, kUnicodeJoiningRangeCount, code)) return 0;
    if (code >= 0x1100 && inRanges(kUnicodeWideRanges, kUnicodeWideRangeCount, code)) return 2;
    return 1;
}

CellUnit cellUnitAt(std::string_view text, size_t at, bool utf8) {
    CellUnit unit;
    if (!utf8 || at >= text.size()) return unit;
    const uint8_t* bytes = bytesOf(text);
    char32_t code = 0;
    if (bytes[at] >= 0x80) {
        const int length = decodeUtf8(bytes + at, text.size() - at, code);
        if (length == 0) {
            unit.valid = false;
            return unit;
        }
        unit.bytes = length;
        unit.cells = cellWidthOf(code);
        if (unit.cells == 0) {
            unit.cells = 1;
            unit.lone = true;
        }
    }
    // Marks join ASCII letters as well ("e" and a combining accent are one cell).
    for (size_t next = at + static_cast<size_t>(unit.bytes); next < text.size();) {
        if (bytes[next] < 0x80) break;
        const int joined = decodeUtf8(bytes + next, text.size() - next, code);
        if (joined == 0 || cellWidthOf(code) != 0) break;
        unit.bytes += joined;
        next += static_cast<size_t>(joined);
    }
    return unit;
}

int columnOfByte(std::string_view line, size_t offset, int tabSize, bool utf8) {
    UnitWalk walk{line, tabSize, utf8};
    while (walk.next()) {
        if (offset < walk.at + static_cast<size_t>(walk.unit.bytes)) return walk.column;
        walk.advance();
    }
    const size_t beyond = std::min<size_t>(offset - line.size(), 1u << 30);
    return walk.column + static_cast<int>(beyond);
}

size_t byteOfColumn(std::string_view line, int column, int tabSize, bool utf8) {
    if (column <= 0) return 0;
    UnitWalk walk{line, tabSize, utf8};
    while (walk.next()) {
        if (column < walk.column + walk.unit.cells) return walk.at;
        walk.advance();
    }
    return line.size() + static_cast<size_t>(column - walk.column);
}

int cellCount(std::string_view text, bool utf8) {
    if (!utf8) return static_cast<int>(std::min<size_t>(text.size(), 1u << 30));
    return columnOfByte(text, text.size(), 0, true);
}

size_t cutAtCells(std::string_view text, int maxCells, bool utf8) {
    UnitWalk walk{text, 0, utf8};
    while (walk.next() && walk.column + walk.unit.cells <= maxCells) walk.advance();
    return walk.at;
}

size_t cutAtCharacter(std::string_view text, size_t maxBytes, bool utf8) {
    if (maxBytes >= text.size()) return text.size();
    if (!utf8) return maxBytes;
    // Step back over the continuation bytes of the character the cut would split, when
    // they belong to a valid sequence that begins before the cut.
    for (size_t back = 1; back <= 3 && back <= maxBytes; ++back) {
        const size_t start = maxBytes - back;
        const auto lead = static_cast<uint8_t>(text[start]);
        if (lead < 0xC0 && lead >= 0x80) continue;
        char32_t code = 0;
        const int length = decodeUtf8(bytesOf(text) + start, text.size() - start, code);
        return length > static_cast<int>(back) ? start : maxBytes;
    }
    return maxBytes;
}

size_t characterBefore(std::string_view text, size_t at, bool utf8) {
    if (at == 0) return 0;
    at = std::min(at, text.size());
    return cutAtCharacter(text, at - 1, utf8);
}

size_t characterAfter(std::string_view text, size_t at, bool utf8) {
    if (at >= text.size()) return text.size();
    if (!utf8) return at + 1;
    char32_t code = 0;
    const int length = decodeUtf8(bytesOf(text) + at, text.size() - at, code);
    return at + static_cast<size_t>(std::max(length, 1));
}

}  // namespace tessel
