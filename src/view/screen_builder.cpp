#include "view/screen_builder.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "editor/editor.h"
#include "search/line_match.h"
#include "text/text_store.h"
#include "view/block_context.h"
#include "view/help_view.h"
#include "view/live_settings.h"
#include "view/load_progress.h"
#include "view/long_lines.h"
#include "view/row_attributes.h"
#include "view/status_rows.h"
#include "view/syntax_rows.h"
#include "view/text_marks.h"
#include "view/view.h"
#include "view/view_editing.h"

namespace tessel {
namespace {

// Horizontal offsets stay below this, so that the columns on screen are counted in ints.
constexpr int kMaxScrollColumn = INT_MAX - kScreenColumns;

using RowText = char[kScreenColumns + 1];

void markSpan(char* attr, int from, int to, char mark) {
    for (int i = std::max(from, 0); i < to; ++i) {
        if (!isBookmarkAttr(attr[i])) attr[i] = mark;
    }
}

bool isBlankByte(char c) {
    return c == ' ' || c == '\t';
}

// Per-row scratch shared by all rows of one build, so that building allocates nothing per row.
struct RowScratch {
    // One attribute per byte of a line up to its last byte on screen; grows for long lines.
    std::vector<char> bytes;
    std::vector<HitSpan> spans;
    char text[kScreenTextBytes];
    RowText attr;
};

// The stored colour line of a line in colour text, or null. Network text keeps its colours
// in a buffer parallel to the text; interleaved colour text stores them in the physical line
// after the text line.
// `room` receives how many colour bytes may be read at most.
const char* colourLineOf(const TextBlock& block, const char* line, int localLine, int* room) {
    if (block.colourBuffer && block.text && line >= block.text) {
        const int64_t offset = line - block.text;
        if (offset >= block.colourBufferSize) return nullptr;
        *room = static_cast<int>(std::min<int64_t>(block.colourBufferSize - offset, INT32_MAX));
        return block.colourBuffer + offset;
    }
    if (block.colourText && localLine >= 2 && block.text) {
        // The colour line ends in a NUL like every stored line.
        const char* colours = line + std::strlen(line) + 1;
        if (colours < block.text + block.usedBytes) {
            *room = static_cast<int>(
                std::min<int64_t>(block.text + block.usedBytes - colours, INT32_MAX));
            return colours;
        }
    }
    return nullptr;
}

// The block of the line on the row being built. Rows run through the store in order, so the
// next row's block is nearly always this one or the next: following it keeps the cost of a
// screen independent of the number of loaded files.
struct BlockCursor {
    TextBlock* block = nullptr;
    int index = -1;

    bool holdsLine(int line) const {
        return block && line >= block->firstLine && line < block->endLine;
    }
    bool holdsAddress(const char* address) const {
        return block && block->text && !block->openForAdding && address >= block->text &&
               address < block->text + block->usedBytes;
    }
    // Moves to the block of a global line; false past the end of the store.
    bool toLine(TextStore& store, int line) {
        if (holdsLine(line)) return true;
        if (block && index + 1 < store.blockCount) {
            ++index;
            block = store.blocks[static_cast<size_t>(index)];
            if (holdsLine(line)) return true;
        }
        block = store.blockForLine(line, nullptr, &index);
        if (index < 0) block = nullptr;
        return block != nullptr;
    }
    // Moves to the block holding a row's text; false when no block holds it.
    bool toAddress(TextStore& store, const char* address) {
        if (holdsAddress(address)) return true;
        if (block && index + 1 < store.blockCount) {
            ++index;
            block = store.blocks[static_cast<size_t>(index)];
            if (holdsAddress(address)) return true;
        }
        block = store.blockForAddress(address);
        index = -1;
        if (block) store.blockForLine(block->firstLine, nullptr, &index);
        if (index < 0) block = nullptr;
        return block != nullptr;
    }
};

struct Builder {
    View& view;
    TextStore& store;
    RowScratch& scratch;
    int columns;
    int scrollColumn;
    bool showHits;
    bool headerFollows = false;
    BlockCursor cursor;
    SyntaxPass syntax{kFullTextCarryLines};
    int widestLine = 0;
    int hitColumnOffScreen = -1;
    // Of the row being built: the store line behind it, and its edit line (-1 for a line the
    // store shows) while the view edits.
    int storeLine = -1;
    int editLine = -1;

    const char* rowSource(int item, int* line);
    void textRow(int row, int item);
    void noteCurrentHit(const char* source, int offset);
    void selection(int line, char* attr, int cells) const;
};

// The stored line behind a text row (global line number in the full text, a row of the
// filtered list otherwise), or null past the end. Leaves the cursor on the line's block.
const char* Builder::rowSource(int item, int* line) {
    *line = -1;
    editLine = -1;
    if (view.editor && view.filterMode == FilterMode::kFullText) {
        const EditRow row = editRowAt(view, item);
        if (!row.text || !cursor.toLine(store, row.storeLine)) return nullptr;
        *line = item;
        storeLine = row.storeLine;
        editLine = row.editLine;
        return row.text;
    }
    if (view.filterMode == FilterMode::kFullText) {
        if (item < 0 || item >= store.lineCount() || !cursor.toLine(store, item)) return nullptr;
        *line = item;
        return cursor.block->line(item - cursor.block->firstLine);
    }
    const auto& rows = view.display.filterRows;
    if (item < 0 || item >= static_cast<int>(rows.size()) || !rows[static_cast<size_t>(item)])
        return nullptr;
    const char* text = rows[static_cast<size_t>(item)];
    // The filter keeps the line behind each row; rows far apart in the text then cost no
    // more than neighbouring lines. Rows of other origin are found by their address.
    const std::vector<int>& lines = view.filter.rowLines;
    if (lines.size() == rows.size()) {
        const int known = lines[static_cast<size_t>(item)];
        if (known >= 0 && cursor.toLine(store, known)) *line = known;
        return text;
    }
    if (cursor.toAddress(store, text)) *line = cursor.block->lineOfAddress(text);
    return text;
}

void Builder::textRow(int row, int item) {
    int line = -1;
    storeLine = -1;
    const char* source = rowSource(item, &line);
    if (!source) {
        view.screen.writeRow(row, "", "", kRowText);
        return;
    }
    if (!view.editor) storeLine = line;
    if (row >= 0 && row < kScreenRows) view.screen.rowLine[static_cast<size_t>(row)] = line;
    char base = kAttrPlain;
    TextBlock* block = line >= 0 ? cursor.block : nullptr;
    const int blockIndex = block ? cursor.index : -1;
    bool excluded = view.search.pathSelectionActive && view.search.files.valid && blockIndex >= 0 &&
                    !view.search.isFileSelected(blockIndex);
    if (view.filterMode == FilterMode::kFileList) {
        base = kAttrFileName;
    } else if (excluded && view.markExcluded) {
        base = kAttrExcluded;
    }
    if (view.filterMode != FilterMode::kFileList && store.hasPrefix) {
        bool header = !excluded && store.startsWithPrefix(source);
        if (header || headerFollows) base = kAttrFileName;
        headerFollows = header && !view.display.oneRowHeader;
    }

    // Every byte takes at least one column, and a UTF-8 character of up to four bytes at least
    // one, so no byte behind the last column on screen is shown; the whole length is counted
    // only for a line longer than that.
    const bool utf8 = codePageTables().utf8;
    const size_t visibleColumns = static_cast<size_t>(scrollColumn) + static_cast<size_t>(columns);
    const size_t visibleBytes = utf8 ? 4 * visibleColumns : visibleColumns;
    size_t fullLength = strnlen(source, visibleBytes);
    if (fullLength == visibleBytes) fullLength += std::strlen(source + visibleBytes);
    widestLine = std::max(widestLine, static_cast<int>(std::min<size_t>(fullLength, INT_MAX)));
    size_t shownBytes = std::min(fullLength, visibleBytes);
    if (utf8 && shownBytes < fullLength) {
        // The line goes on: the last character read must not be cut.
        const std::string_view more(source, std::min(fullLength, shownBytes + 4));
        shownBytes = cutAtCharacter(more, shownBytes, true);
    }
    int length = static_cast<int>(shownBytes);
    // One byte more than needed, so that even an empty line has somewhere to point.
    if (scratch.bytes.size() <= shownBytes) scratch.bytes.resize(shownBytes + 1);
    char* bytes = scratch.bytes.data();
    std::memset(bytes, base, static_cast<size_t>(length));
    // Edit lines have no stored colours; their syntax colours come from the edit text.
    if (block && line >= 0 && editLine < 0) {
        int room = 0;
        if (const char* colours =
                colourLineOf(*block, source, storeLine - block->firstLine, &room)) {
            const int count = std::min(length, room);
            for (int i = 0; i < count && colours[i]; ++i) bytes[i] = colours[i];
        }
        if (block->helpText) {
            // A link is told by its whole markup, which may run on past the columns shown.
            if (scratch.bytes.size() < fullLength) scratch.bytes.resize(fullLength);
            bytes = scratch.bytes.data();
            markHelpLine({source, fullLength}, bytes);
        }
    }
    if (base == kAttrPlain) {
        if (block && editLine < 0 && !block->helpText) {
            markSyntaxClasses(*block, storeLine, source, length, bytes, syntax);
        } else if (block && editLine >= 0 && view.editor && view.editor->data) {
            Editor& editor = *view.editor;
            markEditSyntaxClasses(
                *block, editLine, editor.data->lineCount,
                [&editor](int at) { return editor.lineBytes(at); }, source, length, bytes, syntax);
        }
        markTextMarks(source, length, bytes);
    }

    // The current result line, when results are highlighted as whole lines.
    if (line >= 0 && line == view.search.currentLine && view.highResultLine) {
        int from = 0;
        int to = length;
        while (from < to && isBlankByte(source[from])) ++from;
        while (to > from && isBlankByte(source[to - 1])) --to;
        markSpan(bytes, from, to, kAttrHit);
    }
    char rowMark = 0;
    if (line >= 0 && !view.editor && line == view.display.lineMark) rowMark = kAttrMarkedLine;
    if (line >= 0 && line == view.display.flashLine) {
        if (tickMs() < view.display.flashUntilMs) {
            rowMark = kAttrFlashLine;
        } else {
            view.display.flashLine = -1;
        }
    }
    if (rowMark) std::memset(bytes, rowMark, static_cast<size_t>(length));

    if (showHits && block) {
        // An edit line has no line mask: it is tested without the prefilter.
        uint32_t mask = 0;
        if (editLine < 0) block->lineAndMask(storeLine - block->firstLine, &mask);
        SearchState& search = view.search;
        if (collectHitSpans(source, mask, search.findExpr, search.foldMain, search.matchFlags(),
                            search.workLine, scratch.spans)) {
            for (const HitSpan& span : scratch.spans) {
                markSpan(bytes, span.offset, std::min(span.offset + span.length, length), kAttrHit);
            }
            if (line == search.currentLine && !scratch.spans.empty()) {
                int first = scratch.spans.front().offset;
                for (const HitSpan& span : scratch.spans) first = std::min(first, span.offset);
                noteCurrentHit(source, first);
            }
        }
    }
    markWordHighlights(view, source, length, bytes);
    if (editLine >= 0) markEditSelection(view, editLine, length, bytes);

    const auto expand = utf8 ? expandUtf8ForDisplay : expandForDisplay;
    int cells = expand({source, static_cast<size_t>(length)}, bytes, base, view.tabSize,
                       scrollColumn, scratch.text, scratch.attr, columns);
    size_t textBytes = std::strlen(scratch.text);
    if (rowMark) {
        // A marked line is coloured across the whole row, not only under its text.
        std::memset(scratch.text + textBytes, ' ', static_cast<size_t>(columns - cells));
        std::memset(scratch.attr + cells, rowMark, static_cast<size_t>(columns - cells));
        textBytes += static_cast<size_t>(columns - cells);
        cells = columns;
        scratch.text[textBytes] = scratch.attr[cells] = '\0';
    }
    if (line >= 0 && !view.editor) selection(line, scratch.attr, cells);
    const DisplayState& display = view.display;
    if (line >= 0 && line == display.markLine) {
        markSpan(scratch.attr, display.markFrom - scrollColumn,
                 std::min(display.markTo - scrollColumn, cells), kAttrMarkedSpan);
    }
    if (editLine >= 0) {
        // The cursor marks cells; blanks it adds past the text go at the text's byte end,
        // which in UTF-8 text is not the cell count.
        static RowText cellText;
        std::memcpy(cellText, scratch.text, static_cast<size_t>(std::min(cells, kScreenColumns)));
        const int before = cells;
        cells = markEditCursor(view, editLine, cellText, scratch.attr, cells, columns);
        if (cells > before) {
            std::memset(scratch.text + textBytes, ' ', static_cast<size_t>(cells - before));
            textBytes += static_cast<size_t>(cells - before);
            scratch.text[textBytes] = '\0';
        }
    }
    view.screen.writeRow(row, {scratch.text, textBytes}, {scratch.attr, static_cast<size_t>(cells)},
                         kRowText);
}

// The status row tells when the current result's hit is right or left of the columns shown.
void Builder::noteCurrentHit(const char* source, int offset) {
    const int column = displayColumnOf(source, offset, view.tabSize);
    if (column < scrollColumn || column >= static_cast<long long>(scrollColumn) + columns)
        hitColumnOffScreen = column;
}

void Builder::selection(int line, char* attr, int cells) const {
    const DisplayState& d = view.display;
    if (d.selStartLine < 0 || d.selEndLine < 0) return;
    int firstLine = d.selStartLine;
    int firstColumn = d.selStartColumn;
    int lastLine = d.selEndLine;
    int lastColumn = d.selEndColumn;
    if (firstLine > lastLine || (firstLine == lastLine && firstColumn > lastColumn)) {
        std::swap(firstLine, lastLine);
        std::swap(firstColumn, lastColumn);
    }
    if (line < firstLine || line > lastLine) return;
    int from = line == firstLine ? firstColumn - scrollColumn : 0;
    int to = line == lastLine ? lastColumn - scrollColumn : cells;
    markSpan(attr, from, std::min(to, cells), kAttrSelection);
}

}  // namespace

int expandForDisplay(std::string_view line, const char* attrs, char base, int tabSize,
                     int scrollColumn, char* text, char* attr, int capacity) {
    if (tabSize < 1) tabSize = 1;
    capacity = std::clamp(capacity, 0, kScreenColumns);
    scrollColumn = std::clamp(scrollColumn, 0, kMaxScrollColumn);
    int column = 0;
    int cells = 0;
    const int stop = scrollColumn + capacity;
    for (size_t i = 0; i < line.size() && column < stop; ++i) {
        char c = line[i];
        char a = attrs ? attrs[i] : base;
        int width = 1;
        if (c == '\t') {
            width = tabSize - column % tabSize;
            c = ' ';
        }
        for (int k = 0; k < width && column < stop; ++k, ++column) {
            if (column < scrollColumn) continue;
            text[cells] = c;
            attr[cells] = a;
            ++cells;
        }
    }
    text[cells] = '\0';
    attr[cells] = '\0';
    return cells;
}

int buildScreen(View& view) {
    view.screen.reset();
    view.screen.rowLine.fill(-1);
    const int rows = std::clamp(view.rows, 2, kScreenRows);
    const int columns = std::clamp(view.columns, 1, kScreenColumns);
    // The loader thread writes the store meanwhile: show its progress and read nothing.
    if (buildLoadRows(view, loadProgress(), rows - 1, columns) == 0) {
        view.context = BlockContextState{};
        view.display.hitColumnOffScreen = -1;
        writeFindRow(view, rows - 1, true);
        view.screen.valid = true;
        return 0;
    }
    TextStore& store = view.textStore();
    SearchState& search = view.search;

    int row = 0;
    if (liveSettings().assist) ++row;  // room for the sidebar buttons

    // Kept far enough below the largest line number that row arithmetic cannot overflow.
    const int top = std::clamp(view.search.topLine, 0, INT_MAX - kScreenRows);
    if (view.filterMode != FilterMode::kFullText && top > 0) {
        const char* caption = view.filterMode == FilterMode::kFileList
                                  ? "List Of Files. Click Any Line To Enter Text."
                                  : "Filtered Result View. Click Any Line To Enter Text.";
        view.screen.writeRow(row++, caption, std::string(std::strlen(caption), kAttrCaption),
                             kRowContext);
    } else if (view.filterMode == FilterMode::kFullText && view.display.showFileName &&
               top < store.lineCount()) {
        TextBlock* block = store.blockForLine(top);
        int header = block ? block->headerLine() : -1;
        if (block && block->fileName && top != header && top != header + 1) {
            std::string_view name = block->fileName;
            // A name longer than the row keeps its end, where the file's own name is.
            const bool utf8 = codePageTables().utf8;
            const int cells = cellCount(name, utf8);
            if (cells > columns) {
                size_t skip = byteOfCell(name, cells - columns, utf8);
                // A wide character cut by the start goes with the part left out.
                if (cellOfByte(name, skip, utf8) < cells - columns) {
                    skip += static_cast<size_t>(cellUnitAt(name, skip, utf8).bytes);
                }
                name.remove_prefix(skip);
            }
            view.screen.writeRow(
                row++, name, std::string(static_cast<size_t>(cellCount(name, utf8)), kAttrPlain),
                kRowContext);
        }
    }

    bool showHits = search.findExpr.termCount > 0 && search.findMask[0] != '\0';
    if (view.filterMode == FilterMode::kFiltered && !view.display.hitsInFilter) showHits = false;
    if (view.filterMode == FilterMode::kFileList) showHits = false;
    if (view.editor && (!liveSettings().highlightEditResults || liveSettings().assist))
        showHits = false;

    static RowScratch scratch;  // user interface thread only
    Builder builder{view,
                    store,
                    scratch,
                    columns,
                    std::clamp(view.display.scrollColumn, 0, kMaxScrollColumn),
                    showHits};
    if (view.filterMode != FilterMode::kFullText) builder.syntax.carryBudget = kFilteredCarryLines;
    const int textRows = rows - 2;
    int item = top;
    updateBlockContext(view);
    if (row < textRows && writeBlockContextRow(view, row, columns)) {
        ++row;
        ++item;
    }
    // A header row colours the name row below it even when the header is just above the
    // first text row.
    if (item > 0 && view.filterMode == FilterMode::kFullText && store.hasPrefix &&
        item - 1 < store.lineCount()) {
        builder.headerFollows =
            store.startsWithPrefix(store.lineText(item - 1)) && !view.display.oneRowHeader;
    }
    for (; row < textRows; ++row, ++item) builder.textRow(row, item);
    view.display.widestLine = builder.widestLine;
    view.display.hitColumnOffScreen = builder.hitColumnOffScreen;

    writeStatusRows(view, rows - 2, rows - 1);
    view.screen.valid = true;
    return 0;
}

}  // namespace tessel
