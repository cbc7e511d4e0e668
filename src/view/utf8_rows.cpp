// Screen rows of UTF-8 text: the stored line is walked unit by unit (text_cells.h), each
// unit written once into the row's text and its attribute once per cell it takes.
#include <algorithm>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/codepage/utf8.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace tessel {
namespace {

constexpr int kMaxScrollColumn = 4096;
constexpr int kBytesPerCell = 4;
constexpr char32_t kNoBreakSpace = 0xA0;

struct RowWriter {
    char* text;
    char* attr;
    int capacity;
    size_t used = 0;
    int cells = 0;

    // What the rest of the row may still need: four bytes for each cell not yet written, so
    // that marks never crowd out the characters after them.
    bool roomFor(size_t bytes, int cellsAfter) const {
        const size_t reserve = static_cast<size_t>(kBytesPerCell) *
                               static_cast<size_t>(std::max(capacity - cellsAfter, 0));
        return used + bytes + reserve <= static_cast<size_t>(kScreenTextBytes - 1);
    }
    void put(const char* bytes, size_t count) {
        std::memcpy(text + used, bytes, count);
        used += count;
    }
    void cell(char a) { attr[cells++] = a; }
    void blanks(int count, char a) {
        for (int i = 0; i < count; ++i) {
            text[used++] = ' ';
            cell(a);
        }
    }
};

}  // namespace

int expandUtf8ForDisplay(std::string_view line, const char* attrs, char base, int tabSize,
                         int scrollColumn, char* text, char* attr, int capacity) {
    if (tabSize < 1) tabSize = 1;
    capacity = std::clamp(capacity, 0, kScreenColumns);
    scrollColumn = std::clamp(scrollColumn, 0, kMaxScrollColumn);
    RowWriter row{text, attr, capacity};
    const int stop = scrollColumn + capacity;
    int column = 0;
    for (size_t at = 0; at < line.size() && column < stop;) {
        const CellUnit unit = cellUnitAt(line, at, true);
        char a = attrs ? attrs[at] : base;
        int width = unit.cells;
        if (line[at] == '\t') width = tabSize - column % tabSize;
        const int first = std::max(column, scrollColumn);
        const int last = std::min(column + width, stop);  // the visible cells [first, last)
        const bool whole = first == column && last == column + width;
        if (line[at] == '\t' || !whole) {
            // A TAB, or a character the edge would cut: blanks in the cells that show.
            row.blanks(last - first, a);
        } else if (!unit.valid) {
            char bytes[4];
            const auto byte = static_cast<uint8_t>(line[at]);
            row.put(bytes, static_cast<size_t>(encodeUtf8(unicodeOf(1252, byte), bytes)));
            row.cell(a == kAttrPlain ? kAttrInvalidByte : a);
        } else {
            const int cellsAfter = row.cells + width;
            size_t from = at;
            if (unit.lone) {
                char space[2];
                row.put(space, static_cast<size_t>(encodeUtf8(kNoBreakSpace, space)));
            } else {
                char32_t code = 0;
                from += static_cast<size_t>(decodeUtf8(
                    reinterpret_cast<const uint8_t*>(line.data() + at), line.size() - at, code));
                row.put(line.data() + at, from - at);
            }
            // The joining characters, each while the row has room for it.
            const size_t end = at + static_cast<size_t>(unit.bytes);
            while (from < end) {
                char32_t code = 0;
                const auto length = static_cast<size_t>(decodeUtf8(
                    reinterpret_cast<const uint8_t*>(line.data() + from), end - from, code));
                if (length == 0 || !row.roomFor(length, cellsAfter)) break;
                row.put(line.data() + from, length);
                from += length;
            }
            for (int k = 0; k < width; ++k) row.cell(a);
        }
        column += width;
        at += static_cast<size_t>(unit.bytes);
    }
    text[row.used] = '\0';
    attr[row.cells] = '\0';
    return row.cells;
}

}  // namespace tessel
