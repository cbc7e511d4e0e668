// The edit operations of one editor: insert, overwrite, delete, selections, indent, paste.
// Each records its undo step before it changes anything, changes the text through
// EditData::splice (or overwriteByte) and ends with the integrity check under its label.
#include <algorithm>
#include <cstring>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "editor/edit_session.h"
#include "editor/editor.h"

namespace tessel {

namespace {

int countBreaks(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

EditPosition endAfter(EditPosition at, std::string_view inserted) {
    size_t lastBreak = inserted.rfind('\n');
    if (lastBreak == std::string_view::npos)
        return {at.line, at.column + static_cast<int>(inserted.size())};
    return {at.line + countBreaks(inserted), static_cast<int>(inserted.size() - lastBreak - 1)};
}

bool onlyBlanks(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

void Editor::reportBadPosition(const char* message, int64_t lineLength) {
    std::string_view line = lineBytes(cursorLine);
    logMessage("%s", message);
    logMessage("cx=%ld cy=%ld len=%ld trace=%ld line=\"%.20s\"", static_cast<long>(cursorColumn),
               static_cast<long>(cursorLine), static_cast<long>(lineLength),
               static_cast<long>(traceMode()), std::string(line.substr(0, 20)).c_str());
    messageLog().takeSnapshot();
}

int Editor::finishChange(const char* label, EditPosition at, int64_t delta, bool linesChanged) {
    if (linesChanged) {
        cache.clear();
    } else {
        cache.shiftAfter(at.line - kFirstTextLine, delta);
    }
    if (EditHost* host = editing().host) host->textChanged();
    return checkIntegrity(label, 0);
}

void Editor::positionAfterChange(EditPosition at, std::string_view inserted) {
    EditPosition end = endAfter(at, inserted);
    cursorLine = end.line;
    cursorColumn = end.column;
}

int Editor::insertText(std::string_view text, bool moveCursor, bool singleLine) {
    return insertLabelled(text, moveCursor, singleLine, "iblock");
}

int Editor::insertLabelled(std::string_view text, bool moveCursor, bool singleLine,
                           const char* label) {
    if (!data || !data->text) return 9;
    // CR never enters the buffer; NUL would end the text early.
    std::string clean;
    clean.reserve(text.size());
    for (char ch : text) {
        if (ch == '\n' && singleLine) break;
        if (ch != '\r' && ch != '\0') clean.push_back(ch);
    }
    if (clean.empty()) return 1;
    if (cursorLine < kFirstTextLine || cursorLine > lastTextLine()) setCursor(cursor());
    int length = lineLength(cursorLine);
    if (cursorColumn > length || cursorColumn < 0) {
        reportBadPosition("[note] invalid insert pos. @3929252", length);
        cursorColumn = length;
    }
    EditPosition at = cursor();
    int64_t offset = offsetOf(at);
    if (offset < 0) return 9;
    int breaks = countBreaks(clean);
    if (data->recordStep(kUndoInsert, at.column, at.line, clean, offset, breaks, data->lineCount) !=
        0) {
        return 9;
    }
    if (data->splice(offset, 0, clean, at, this) != 0) {
        data->undo.dropLast();
        return 9;
    }
    if (moveCursor) positionAfterChange(at, clean);
    return finishChange(label, at, static_cast<int64_t>(clean.size()), breaks > 0);
}

int Editor::insertChar(char ch, int flags) {
    if (!data) return 9;
    if (ch == '\0' || ch == '\r') return 1;
    if (view->selection.active) deleteSelection(kDeleteTrackSource);
    if (ch == '\t') {
        if (editSettings().blankTabs || data->tabCount == 0) {
            int tab = std::max(view->tabSize(), 1);
            int column = screenColumn(cursorColumn) + view->scrollColumn();
            return insertLabelled(std::string(static_cast<size_t>(tab - column % tab), ' '), true,
                                  false, "ichar");
        }
        return insertLabelled("\t", true, false, "ichar");
    }
    if (ch != '\n') return insertLabelled(std::string_view(&ch, 1), true, false, "ichar");

    if (flags & kInsertKeepLine) cursorColumn = lineLength(cursorLine);
    std::string inserted = "\n";
    if (editSettings().autoIndent && !(flags & kInsertNoIndent)) {
        std::string_view line = lineBytes(cursorLine);
        if (!onlyBlanks(line)) {
            size_t limit = std::min({line.size(), static_cast<size_t>(kIndentBytes),
                                     static_cast<size_t>(std::max(cursorColumn, 0))});
            size_t indent = 0;
            while (indent < limit && (line[indent] == ' ' || line[indent] == '\t')) ++indent;
            inserted.append(line.substr(0, indent));
        }
    }
    return insertLabelled(inserted, true, false, "ichar");
}

int Editor::typeChar(char ch) {
    if (overwrite && ch != '\n' && cursorColumn < lineLength(cursorLine)) {
        return codePageTables().utf8 ? overwriteInUtf8(ch) : overwriteChar(ch);
    }
    return insertChar(ch);
}

int Editor::overwriteChar(char ch) {
    if (!data) return 9;
    if (ch == '\t' || ch == '\0' || ch == '\r') return 1;
    if (view->selection.active) return insertChar(ch);
    EditPosition at = cursor();
    int64_t offset = offsetOf(at);
    if (offset < 0) {
        reportBadPosition("[note] invalid insert pos. @3929252", lineLength(cursorLine));
        setCursor(at);
        return 9;
    }
    if (offset >= data->length) return insertChar(ch);
    char old = data->text[offset];
    bool lineBreak = old == '\n';
    std::vector<uint8_t> crFlags =
        lineBreak ? data->crFlagsOf(at.line - kFirstTextLine, 1) : std::vector<uint8_t>{};
    if (data->recordStep(kUndoOverwrite, at.column, at.line, std::string_view(&old, 1), offset,
                         lineBreak ? 1 : 0, data->lineCount, std::move(crFlags)) != 0) {
        return 9;
    }
    if (data->overwriteByte(offset, ch, at, this) != 0) {
        data->undo.dropLast();
        return 9;
    }
    if (ch == '\n') {
        cursorLine = at.line + 1;
        cursorColumn = 0;
    } else {
        cursorColumn = at.column + 1;
    }
    return finishChange("ochar", at, 0, lineBreak || ch == '\n');
}

int Editor::deleteChar(char kind) {
    if (!data) return 9;
    int length = lineLength(cursorLine);
    if (kind == 'b' && cursorLine <= kFirstTextLine && cursorColumn == 0) return 1;
    if (cursorColumn > length || cursorColumn < 0) {
        reportBadPosition("invalid delete pos. @3929224", length);
        return 9;
    }
    if (kind == 'b') {
        if (cursorColumn == 0) {
            --cursorLine;
            cursorColumn = lineLength(cursorLine);
        } else {
            --cursorColumn;
        }
    }
    EditPosition at = cursor();
    int64_t offset = offsetOf(at);
    if (kind == 'd' && offset == data->length) return 1;
    if (offset < 0 || offset >= data->length) {
        reportBadPosition("invalid delete pos. @3929225", lineLength(cursorLine));
        return 9;
    }
    char removed = data->text[offset];
    bool lineBreak = removed == '\n';
    std::vector<uint8_t> crFlags =
        lineBreak ? data->crFlagsOf(at.line - kFirstTextLine, 1) : std::vector<uint8_t>{};
    if (data->recordStep(kUndoDelete, at.column, at.line, std::string_view(&removed, 1), offset,
                         lineBreak ? 1 : 0, data->lineCount, std::move(crFlags)) != 0) {
        return 9;
    }
    if (data->splice(offset, 1, {}, at, this) != 0) {
        data->undo.dropLast();
        return 9;
    }
    return finishChange("dchar", at, -1, lineBreak);
}

int Editor::deleteSelection(int flags) {
    if (!data) return 9;
    EditSelection& selection = view->selection;
    if (!selection.active) return 1;
    EditPosition start{selection.startLine, selection.startColumn};
    EditPosition end{selection.endLine, selection.endColumn};
    int64_t from = offsetOf(start);
    if (from < 0) {
        logMessage("invalid delete start @910292040");
        logMessage("%d:%d %d:%d", start.line, start.column, end.line, end.column);
        selection.clear();
        return 9;
    }
    int64_t to = offsetOf(end);
    if (to < from) {
        logMessage("invalid delete end @910292041");
        logMessage("%d:%d %d:%d %ld", start.line, start.column, end.line, end.column,
                   static_cast<long>(from));
        selection.clear();
        return 9;
    }
    selection.clear();
    if (to == from) return 1;
    std::string removed(data->text + from, static_cast<size_t>(to - from));
    int breaks = countBreaks(removed);
    if (data->recordStep(kUndoDelete, start.column, start.line, removed, from, breaks,
                         data->lineCount,
                         data->crFlagsOf(start.line - kFirstTextLine, breaks)) != 0) {
        return 9;
    }
    EditPosition before = cursor();
    if (data->splice(from, to - from, {}, start, this) != 0) {
        data->undo.dropLast();
        return 9;
    }
    if (flags & kDeleteKeepCursor) {
        cursorLine = before.line;
        cursorColumn = before.column;
        if (start <= before && before < end) {
            cursorLine = start.line;
            cursorColumn = start.column;
        } else if (before >= end) {
            cursorLine = before.line - breaks;
            if (before.line == end.line) cursorColumn = start.column + before.column - end.column;
        }
    } else {
        cursorLine = start.line;
        cursorColumn = start.column;
    }
    int result = finishChange("dblock", start, from - to, breaks > 0);
    setCursor(cursor());
    if ((flags & kDeleteTrackSource) && breaks == 0) {
        // Typing over a selection within one line: the selected phrase becomes the source of
        // the next repeat, and tracking starts at the place it left.
        RecentEdit& recent = editing().recent;
        recent.source = removed.substr(0, kRecentPhraseBytes);
        recent.replacement.clear();
        recent.trackedLine = start.line;
        recent.trackedData = data;
        recent.startColumn = start.column;
        recent.endColumn = start.column;
        recent.lineSnapshot = std::string(lineBytes(start.line));
    }
    return result;
}

int Editor::indentSelection(bool outdent) {
    if (!data) return 9;
    EditSelection& selection = view->selection;
    if (!selection.active) {
        logMessage("int. #11129949");
        return 9;
    }
    int first = selection.startLine;
    int last = selection.endLine;
    if (selection.endColumn == 0 && last > first) --last;
    if (first < kFirstTextLine || first > lastTextLine()) {
        logMessage("int. #11129950");
        return 9;
    }
    if (last < first) {
        logMessage("int. #11129951");
        return 9;
    }
    if (last > lastTextLine()) {
        logMessage("int. #11129952");
        return 9;
    }
    int64_t from = offsetOf({first, 0});
    int64_t to = offsetOf({last, lineLength(last)});
    if (from < 0 || to < from) {
        logMessage("int. #11129953");
        return 9;
    }
    std::string_view old(data->text + from, static_cast<size_t>(to - from));
    bool tabs = old.find('\t') != std::string_view::npos;
    size_t tab = static_cast<size_t>(std::max(view->tabSize(), 1));
    std::string fresh;
    fresh.reserve(old.size() + static_cast<size_t>(last - first + 1) * tab);
    size_t lineStartAt = 0;
    while (lineStartAt <= old.size()) {
        size_t lineEnd = old.find('\n', lineStartAt);
        if (lineEnd == std::string_view::npos) lineEnd = old.size();
        std::string_view line = old.substr(lineStartAt, lineEnd - lineStartAt);
        if (!outdent) {
            fresh.append(tabs ? std::string(1, '\t') : std::string(tab, ' '));
        } else if (tabs && !line.empty() && line[0] == '\t') {
            line.remove_prefix(1);
        } else {
            size_t blanks = 0;
            while (blanks < tab && blanks < line.size() && line[blanks] == ' ') ++blanks;
            line.remove_prefix(blanks);
        }
        fresh.append(line);
        if (lineEnd == old.size()) break;
        fresh.push_back('\n');
        lineStartAt = lineEnd + 1;
    }
    if (fresh == old) return 1;
    selection.set(first, 0, last, lineLength(last));
    setCursor({first, 0});
    int result = deleteSelection(kDeleteKeepCursor);
    if (result != 0) return result;
    result = insertText(fresh, false);
    if (result != 0) return result;
    size_t lastBreak = fresh.rfind('\n');
    int lastLength = static_cast<int>(
        lastBreak == std::string::npos ? fresh.size() : fresh.size() - lastBreak - 1);
    selection.set(first, 0, last, lastLength);
    return 0;
}

int Editor::paste(bool wrap) {
    if (!data) return 9;
    if (view->selection.active) deleteSelection();
    EditHost* host = editing().host;
    std::string clip = host ? host->clipboardText() : std::string();
    std::erase(clip, '\r');
    if (clip.empty()) {
        logMessage("[note] no clip text available.");
        return 1;
    }
    if (wrap) {
        bool refused = false;
        clip = wrapForPaste(clip, view->textColumns(), &refused);
        if (refused) return 9;
    }
    return insertText(clip, true);
}

std::string wrapForPaste(std::string_view text, int columns, bool* refused) {
    if (refused) *refused = false;
    if (columns < 10) {
        logMessage("not enough columns for wrap");
        if (refused) *refused = true;
        return {};
    }
    logMessage("wrap-insert with %d columns", columns);
    auto limit = static_cast<size_t>(columns);
    std::string out;
    out.reserve(text.size() + text.size() / limit + 1);
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        while (line.size() > limit) {
            // The last word that starts within the limit begins the next line.
            size_t cut = 0;
            for (size_t i = limit; i > 0; --i) {
                if (line[i] != ' ' && line[i - 1] == ' ') {
                    cut = i;
                    break;
                }
            }
            size_t keep = cut;
            while (keep > 0 && line[keep - 1] == ' ') --keep;
            if (cut == 0 || keep == 0) {
                cut = keep = limit;
            }
            out.append(line.substr(0, keep));
            out.push_back('\n');
            line.remove_prefix(cut);
        }
        out.append(line);
        if (end == text.size()) break;
        out.push_back('\n');
        at = end + 1;
    }
    return out;
}

}  // namespace tessel
