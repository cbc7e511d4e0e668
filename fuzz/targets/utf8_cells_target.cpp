// The column arithmetic of UTF-8 text on screen: columns and bytes must map onto each other
// unit by unit, and a laid-out row must take exactly its cells and stay inside its buffer,
// whatever bytes a file holds (invalid and cut sequences, overlong forms, surrogates, lone
// continuation bytes, marks with nothing before them). The line is held in a buffer of its
// exact size, so that the sanitizer sees any read behind it.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/codepage/text_cells.h"
#include "fuzz_target.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

TESSEL_FUZZ_TARGET(utf8_cells) {
    using namespace tessel;
    if (size < 2) return 0;
    const int tabSize = data[0] % 9;
    const int scroll = data[1] * 7;
    const size_t length = size - 2;
    const auto line = std::make_unique<char[]>(length);
    if (length > 0) std::memcpy(line.get(), data + 2, length);
    // Stored lines end at their NUL; the column arithmetic never sees one inside.
    const std::string_view text(line.get(), strnlen(line.get(), length));

    // Every byte leads to the column of its unit, and that column back to the unit's start.
    const size_t step = text.size() / 512 + 1;
    int previousColumn = 0;
    for (size_t at = 0; at <= text.size(); at += step) {
        const int column = columnOfByte(text, at, tabSize, true);
        require(column >= previousColumn);
        previousColumn = column;
        const size_t start = byteOfColumn(text, column, tabSize, true);
        require(start <= at);
        require(columnOfByte(text, start, tabSize, true) == column);
        const size_t cut = cutAtCharacter(text, at, true);
        require(cut <= at && cut + 3 >= at);
        require(characterBefore(text, at, true) <= at);
        require(characterAfter(text, at, true) >= std::min(at + 1, text.size()));
    }

    static char rowText[kScreenTextBytes];
    static char rowAttr[kScreenColumns + 1];
    const int capacity = data[0] < 16 ? kScreenColumns : data[0] % 80 + 1;
    const int cells =
        expandUtf8ForDisplay(text, nullptr, ' ', tabSize, scroll, rowText, rowAttr, capacity);
    const size_t bytes = strnlen(rowText, kScreenTextBytes);
    require(bytes < static_cast<size_t>(kScreenTextBytes));
    require(cells >= 0 && cells <= capacity);
    require(strnlen(rowAttr, kScreenColumns + 1) == static_cast<size_t>(cells));
    require(cellCount({rowText, bytes}, true) == cells);
    return 0;
}
