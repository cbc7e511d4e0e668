#include "editor/editor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "editor/edit_session.h"
#include "search/search_state.h"
#include "text/line_reader.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Lookups scan from the nearest cached line start; these bound what one scan records.
constexpr int kCacheLinesBefore = 100;
constexpr int kCacheLinesAfter = 100;

bool startsWithRecordPrefix(const TextBlock& block, int line) {
    const char* text = block.line(line);
    if (block.owner && block.owner->prefixLength > 0) return block.owner->startsWithPrefix(text);
    return std::strncmp(text, kFileRecordPrefix, sizeof kFileRecordPrefix - 1) == 0;
}

}  // namespace

EditSettings& editSettings() {
    static EditSettings settings;
    return settings;
}

void LineStartCache::record(int line, int64_t offset) {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (lines[static_cast<size_t>(slot)] == line) {
            offsets[static_cast<size_t>(slot)] = offset;
            return;
        }
    }
    lines[static_cast<size_t>(next)] = line;
    offsets[static_cast<size_t>(next)] = offset;
    next = (next + 1) % kSlots;
}

void LineStartCache::shiftAfter(int line, int64_t delta) {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (lines[static_cast<size_t>(slot)] > line) offsets[static_cast<size_t>(slot)] += delta;
    }
}

Editor::Editor(EditorView& owner) : view(&owner) {}

Editor::~Editor() {
    if (!data) return;
    data->savedCursor = cursor();
    data->hasSavedCursor = true;
    std::erase(data->editors, this);
    releaseEditLock(data);
}

TextStore& Editor::store() {
    return view->search().store();
}

int Editor::grabLock(EditData* shared) {
    ++shared->lockCount;
    shared->editors.push_back(this);
    data = shared;
    return 0;
}

int Editor::open(TextBlock& target, bool keepPosition) {
    if (target.editData) {
        auto* shared = dynamic_cast<EditData*>(target.editData);
        if (!shared) {
            logMessage("int. #170301");
            failed = true;
            std::snprintf(failReason, sizeof failReason, "text is held by another editor");
            return 9;
        }
        grabLock(shared);
        if (traceMode())
            logMessage("reuse editor, locks=%ld", static_cast<long>(shared->lockCount));
        if (keepPosition && shared->lineCount > kExtraLines + 1 && shared->hasSavedCursor &&
            shared->savedCursor.line <= lastTextLine()) {
            setCursor(shared->savedCursor);
        }
        return 0;
    }
    auto* fresh = new (std::nothrow) EditData;
    if (!fresh) {
        reportOutOfMemory(170302, static_cast<long>(sizeof(EditData)));
        failed = true;
        std::snprintf(failReason, sizeof failReason, "out of memory");
        return 9;
    }
    if (target.attachEditData(fresh) != 0) {
        delete fresh;
        failed = true;
        std::snprintf(failReason, sizeof failReason, "text is held by another editor");
        return 9;
    }
    grabLock(fresh);
    fresh->startLineCount = target.lineCount;
    // A block read whole has an empty line in front of its header line.
    fresh->leadLines =
        !startsWithRecordPrefix(target, 0) && startsWithRecordPrefix(target, 1) ? 1 : 0;
    std::string reason;
    if (fresh->load(target, reason) != 0) {
        failed = true;
        std::snprintf(failReason, sizeof failReason, "%s", reason.c_str());
        // A text that cannot be edited must not stay attached: a commit would put the
        // failure message into the store in place of the file's text.
        std::erase(fresh->editors, this);
        --fresh->lockCount;
        data = nullptr;
        target.detachEditData(fresh);
        return 9;
    }
    return 0;
}

int Editor::headerGlobalLine() const {
    const TextBlock* edited = block();
    return edited ? edited->firstLine + data->leadLines : 0;
}

int Editor::editLineOf(int globalLine) const {
    if (!data) return -1;
    int line = globalLine - headerGlobalLine();
    return line >= 0 && line < data->lineCount ? line : -1;
}

const char* Editor::lineText(int globalLine) {
    const TextBlock* edited = block();
    if (!edited) return store().lineText(globalLine);
    int header = headerGlobalLine();
    int count = data->lineCount;
    if (globalLine < header) return store().lineText(globalLine);
    if (globalLine >= header + count) {
        return store().lineText(globalLine - data->leadLines - count + data->startLineCount);
    }
    int line = globalLine - header;
    if (line == 0) {
        std::snprintf(
            lineBuffer_, sizeof lineBuffer_, "%s%s%s%s%s", kFileRecordPrefix,
            data->lineEndFlags == kLineEndLf ? " [unix]" : " [crlf]",
            data->tabCount > 0 ? (editSettings().blankTabs ? " [tab/spc]" : " [tabs]") : "",
            data->detabbed ? " [DETABBED]" : "", data->modified ? " [*]" : "");
        return lineBuffer_;
    }
    if (line == 1) return edited->fileName ? edited->fileName : "";
    if (line == count - 1) return " ";
    std::string_view bytes = lineBytes(line);
    // A line longer than the screen line is cut, in UTF-8 before a character, not inside it.
    const size_t shown =
        cutAtCharacter(bytes, static_cast<size_t>(kEditLineChars), codePageTables().utf8);
    std::memcpy(lineBuffer_, bytes.data(), shown);
    lineBuffer_[shown] = ' ';
    lineBuffer_[shown + 1] = '\0';
    return lineBuffer_;
}

int64_t Editor::lineStart(int bufferLine) {
    if (!data || !data->text || bufferLine < 0) return -1;
    if (bufferLine == 0) return 0;
    const char* text = data->text;
    int64_t length = data->length;
    int baseLine = 0;
    int64_t baseOffset = 0;
    for (int slot = 0; slot < LineStartCache::kSlots; ++slot) {
        int line = cache.lines[static_cast<size_t>(slot)];
        if (line < 0 || line > bufferLine || line < baseLine) continue;
        int64_t offset = cache.offsets[static_cast<size_t>(slot)];
        if (offset < 0 || offset > length || (offset > 0 && text[offset - 1] != '\n')) {
            // A stale entry means the cache missed a change: none of it can be trusted.
            cache.clear();
            baseLine = 0;
            baseOffset = 0;
            break;
        }
        baseLine = line;
        baseOffset = offset;
        if (line == bufferLine) return offset;
    }
    int64_t offset = baseOffset;
    int recordFrom = bufferLine - kCacheLinesBefore;
    int stopAt = bufferLine + kCacheLinesAfter;
    int64_t wanted = -1;
    for (int line = baseLine; line < stopAt; ++line) {
        const void* found = std::memchr(text + offset, '\n', static_cast<size_t>(length - offset));
        if (!found) break;
        offset = static_cast<const char*>(found) - text + 1;
        if (line + 1 >= recordFrom) cache.record(line + 1, offset);
        if (line + 1 == bufferLine) wanted = offset;
    }
    return wanted;
}

std::string_view Editor::lineBytes(int editLine) {
    if (!data || editLine < kFirstTextLine || editLine > lastTextLine()) return {};
    int64_t start = lineStart(editLine - kFirstTextLine);
    if (start < 0) return {};
    const char* text = data->text;
    const void* end = std::memchr(text + start, '\n', static_cast<size_t>(data->length - start));
    int64_t stop = end ? static_cast<const char*>(end) - text : data->length;
    return {text + start, static_cast<size_t>(stop - start)};
}

int64_t Editor::offsetOf(EditPosition at) {
    if (!data || at.line < kFirstTextLine || at.line > lastTextLine() || at.column < 0) return -1;
    int64_t start = lineStart(at.line - kFirstTextLine);
    if (start < 0) return -1;
    if (at.column > lineLength(at.line)) return -1;
    return start + at.column;
}

void Editor::setCursor(EditPosition at) {
    int line = std::clamp(at.line, kFirstTextLine, std::max(lastTextLine(), kFirstTextLine));
    cursorLine = line;
    cursorColumn = std::clamp(at.column, 0, lineLength(line));
}

void Editor::follow(EditPosition at, EditPosition removedEnd, EditPosition insertedEnd) {
    auto moved = [&](EditPosition place) {
        if (place < at) return place;
        if (place < removedEnd) return at;
        if (place.line == removedEnd.line)
            return EditPosition{insertedEnd.line,
                                insertedEnd.column + place.column - removedEnd.column};
        return EditPosition{place.line - (removedEnd.line - at.line) + (insertedEnd.line - at.line),
                            place.column};
    };
    int oldLine = cursorLine;
    EditPosition now = moved(cursor());
    cursorLine = now.line;
    cursorColumn = now.column;
    EditSelection& selection = view->selection;
    if (selection.active && view->editor.get() == this) {
        EditPosition start = moved({selection.startLine, selection.startColumn});
        EditPosition end = moved({selection.endLine, selection.endColumn});
        EditPosition anchor = moved({selection.anchorLine, selection.anchorColumn});
        selection.startLine = start.line;
        selection.startColumn = start.column;
        selection.endLine = end.line;
        selection.endColumn = end.column;
        selection.anchorLine = anchor.line;
        selection.anchorColumn = anchor.column;
        if (start == end) selection.clear();
    }
    // The cursor keeps its row on the screen.
    if (view->editor.get() == this && cursorLine != oldLine) {
        SearchState& search = view->search();
        search.topLine = std::max(0, search.topLine + cursorLine - oldLine);
    }
    if (data && (cursorLine > lastTextLine() || cursorLine < kFirstTextLine)) setCursor(cursor());
}

int Editor::checkIntegrity(const char* label, int level) {
    if (!data || !data->text) return 9;
    EditData& d = *data;
    int result = 0;
    if (d.length > d.capacity) {
        logMessage("text integrity error #1 (%s)", label);
        messageLog().takeSnapshot();
        d.length = d.capacity - 10;
        d.text[d.length] = '\0';
        result = 9;
    } else if (level >= 1 && static_cast<int64_t>(std::strlen(d.text)) != d.length) {
        logMessage("text integrity error #2 (%s)", label);
        result = 10;
    } else if (d.text[d.length] != '\0') {
        logMessage("text integrity error #3 (%s)", label);
        result = 11;
    } else if (static_cast<unsigned char>(d.text[d.length + 1]) != kGuardByte) {
        logMessage("text integrity error #4 (%02X, %s)",
                   static_cast<unsigned>(static_cast<unsigned char>(d.text[d.length + 1])), label);
        messageLog().takeSnapshot();
        result = 12;
    }
    if (result != 0) {
        d.text[d.length] = '\0';
        d.text[d.length + 1] = static_cast<char>(kGuardByte);
        d.clearCaches();
        return result;
    }
    if (level >= 2) {
        int64_t breaks = 0;
        for (const char* at = d.text; (at = static_cast<const char*>(std::memchr(
                                           at, '\n', static_cast<size_t>(d.text + d.length - at))));
             ++at) {
            ++breaks;
        }
        int counted = static_cast<int>(breaks) + 1 + kExtraLines;
        if (counted != d.lineCount) d.lineCount = counted;
    }
    return 0;
}

// The part of a line whose columns are counted; beyond it every byte counts one column.
static std::string_view scannedPart(std::string_view line, bool utf8) {
    return line.substr(0, cutAtCharacter(line, kColumnScanLimit, utf8));
}

int Editor::screenColumn(int byteColumnInLine) {
    const bool utf8 = codePageTables().utf8;
    const std::string_view line = lineBytes(cursorLine);
    const std::string_view scanned = scannedPart(line, utf8);
    const int tab = std::max(view->tabSize(), 1);
    const size_t offset = static_cast<size_t>(std::max(byteColumnInLine, 0));
    return columnOfByte(scanned, offset, tab, utf8) - view->scrollColumn();
}

int Editor::byteColumn(int editLine, int screen) {
    const bool utf8 = codePageTables().utf8;
    const std::string_view scanned = scannedPart(lineBytes(editLine), utf8);
    const int tab = std::max(view->tabSize(), 1);
    const size_t byte = byteOfColumn(scanned, screen + view->scrollColumn(), tab, utf8);
    return static_cast<int>(std::min(byte, scanned.size()));
}

void Editor::revealCursor() {
    SearchState& search = view->search();
    int global = headerGlobalLine() + cursorLine;
    int rows = std::max(view->textRows(), 1);
    if (global < search.topLine || global >= search.topLine + rows) {
        search.topLine = std::max(0, global - rows / 2);
    }
    search.currentLine = global;
}

}  // namespace tessel
