#include "editor/edit_find.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "editor/edit_session.h"
#include "editor/edit_session_internal.h"
#include "editor/editor.h"
#include "search/line_match.h"
#include "search/search_state.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Case tables of the active code page: the fold that ignores only case gives the lower-case
// partner of every letter, and so also the upper-case one.
struct CaseTables {
    std::array<uint8_t, 256> lower{};
    std::array<uint8_t, 256> upper{};
};

CaseTables caseTables() {
    FoldTable fold = codePageTables().buildFoldTable(false, true, true);
    CaseTables tables;
    for (int byte = 0; byte < 256; ++byte) {
        tables.lower[static_cast<size_t>(byte)] = fold.map(static_cast<uint8_t>(byte));
        tables.upper[static_cast<size_t>(byte)] = static_cast<uint8_t>(byte);
    }
    for (int byte = 0; byte < 256; ++byte) {
        uint8_t lower = tables.lower[static_cast<size_t>(byte)];
        if (lower != byte) tables.upper[lower] = static_cast<uint8_t>(byte);
    }
    return tables;
}

bool isUpper(const CaseTables& t, uint8_t byte) {
    return t.lower[byte] != byte;
}

bool isLower(const CaseTables& t, uint8_t byte) {
    return t.upper[byte] != byte;
}

// Where `phrase` occurs in `line` at or after `from` (the last start before `before` when
// searching backwards); npos when it does not.
size_t findIn(std::string_view line, std::string_view phrase, size_t from, size_t before,
              bool backwards, const FoldTable& fold) {
    if (phrase.empty() || line.size() < phrase.size()) return std::string_view::npos;
    size_t lastStart = line.size() - phrase.size();
    auto matchesAt = [&](size_t at) {
        for (size_t i = 0; i < phrase.size(); ++i) {
            if (fold.map(static_cast<uint8_t>(line[at + i])) !=
                fold.map(static_cast<uint8_t>(phrase[i])))
                return false;
        }
        return true;
    };
    if (!backwards) {
        for (size_t at = from; at <= lastStart; ++at) {
            if (matchesAt(at)) return at;
        }
        return std::string_view::npos;
    }
    size_t found = std::string_view::npos;
    for (size_t at = 0; at <= lastStart && at < before; ++at) {
        if (matchesAt(at)) found = at;
    }
    return found;
}

// The block after the editor's one (in store order) that can be edited, is selected by the
// view's path mask and holds a hit; null when none does.
TextBlock* nextFileWithHit(EditorView& view, const std::function<bool(const char*)>& hit) {
    Editor* editor = view.editor.get();
    SearchState& search = view.search();
    TextStore& store = search.store();
    int current = -1;
    for (int b = 0; b < store.blockCount; ++b) {
        if (store.blocks[b] == editor->block()) current = b;
    }
    if (current < 0) return nullptr;
    for (int b = current + 1; b < store.blockCount; ++b) {
        TextBlock* block = store.blocks[b];
        if (!block || block->kindName(block->firstLine) || !search.pathMatches(block->fileName))
            continue;
        int first = block->nameLine() - block->firstLine + 1;
        for (int line = std::max(first, 0); line < block->lineCount; ++line) {
            if (hit(block->line(line))) return block;
        }
    }
    return nullptr;
}

// Commits the edits, parks the editor and opens one on the next file with a hit, where the
// search starts from the top. kMovedToNextFile when it moved, 1 when no later file has a hit.
int continueInNextFile(EditorView& view, bool byMask, std::string_view phrase) {
    SearchState& search = view.search();
    FoldTable fold = codePageTables().buildFoldTable(search.caseSensitive, search.accentSensitive,
                                                     search.punctSensitive);
    SearchExpression expr;
    if (byMask) {
        expr.caseSensitive = search.caseSensitive ? 1 : 0;
        expr.compile(search.findMask, false, fold, search.operatorsOn);
        if (expr.termCount == 0) return 1;
    }
    FoldTable caseFold = codePageTables().buildFoldTable(search.caseSensitive, true, true);
    WorkLine& work = search.workLine;
    MatchFlags flags = search.matchFlags();
    auto hit = [&](const char* line) {
        if (byMask) return matchLine(line, 0, expr, fold, 0, nullptr, nullptr, flags, work);
        return findIn(line, phrase, 0, 0, false, caseFold) != std::string_view::npos;
    };
    TextBlock* next = nextFileWithHit(view, hit);
    if (!next) return 1;
    if (commitEdit(view) != 0) return 1;
    if (openEditor(view, *next, -1, 0) != 0 || !view.editor) return 1;
    Editor& editor = *view.editor;
    bool found = byMask ? editor.findNext(false, 2, true) : editor.findText(phrase, false, 2, true);
    return found ? kMovedToNextFile : 1;
}

}  // namespace

template <typename Visit>
bool Editor::walkLines(int line, bool backwards, Visit&& visit) {
    int64_t start = offsetOf({line, 0});
    if (start < 0) return false;
    const char* text = data->text;
    int64_t length = data->length;
    for (;;) {
        const void* end = std::memchr(text + start, '\n', static_cast<size_t>(length - start));
        int64_t stop = end ? static_cast<const char*>(end) - text : length;
        if (visit(line, std::string_view(text + start, static_cast<size_t>(stop - start))))
            return true;
        if (!backwards) {
            if (!end) return false;
            start = stop + 1;
            ++line;
        } else {
            if (start == 0) return false;
            int64_t at = start - 1;  // the LF that ends the previous line
            while (at > 0 && text[at - 1] != '\n') --at;
            start = at;
            --line;
        }
    }
}

void Editor::selectHit(int line, int column, int length, bool byMask) {
    EditSelection& selection = view->selection;
    if (length > 0) {
        selection.set(line, column, line, column + length);
        selection.byFindMask = byMask;
        selection.byFindText = !byMask;
    } else {
        selection.clear();
    }
    cursorLine = line;
    cursorColumn = column;
    preferredColumn = -1;
    revealCursor();
}

bool Editor::findNext(bool backwards, int mode, bool fromTextStart) {
    if (!data) return false;
    SearchState& search = view->search();
    if (!search.findMask[0]) return false;
    FoldTable fold = codePageTables().buildFoldTable(search.caseSensitive, search.accentSensitive,
                                                     search.punctSensitive);
    SearchExpression expr;
    expr.caseSensitive = search.caseSensitive ? 1 : 0;
    expr.compile(search.findMask, false, fold, search.operatorsOn);
    if (expr.termCount == 0) return false;
    // Edit lines are given with the closing blank every stored line has.
    MatchFlags flags{search.sequenceSensitive, false};
    WorkLine& work = search.workLine;
    // The line with its closing blank; it grows for long lines, which are searched whole.
    std::string lineCopy;
    EditPosition from = fromTextStart ? EditPosition{kFirstTextLine, -1} : cursor();
    int hitLine = -1;
    int hitColumn = 0;
    int hitLength = 0;
    auto testLine = [&](int line, std::string_view bytes) {
        size_t shown = std::min(bytes.size(), static_cast<size_t>(kMaxSearchedLineBytes));
        lineCopy.assign(bytes.data(), shown);
        lineCopy += ' ';
        auto clampSpan = [&](int offset, int length) {
            hitLine = line;
            hitColumn = std::min(offset, static_cast<int>(bytes.size()));
            hitLength =
                std::max(0, std::min(offset + length, static_cast<int>(bytes.size())) - hitColumn);
        };
        int offset = 0;
        int length = 0;
        if (!backwards) {
            int start = line == from.line ? from.column + 1 : 0;
            if (start > static_cast<int>(shown)) return false;
            if (!matchLine(lineCopy.c_str(), 0, expr, fold, start, &offset, &length, flags, work))
                return false;
            clampSpan(offset, length);
            return true;
        }
        int before = line == from.line ? from.column : INT_MAX;
        bool found = false;
        for (int start = 0; start <= static_cast<int>(shown); start = offset + 1) {
            if (!matchLine(lineCopy.c_str(), 0, expr, fold, start, &offset, &length, flags, work) ||
                offset >= before || offset < start) {
                break;
            }
            clampSpan(offset, length);
            found = true;
        }
        return found;
    };
    bool found = walkLines(from.line, backwards, testLine);
    if (!found) {
        if (mode != 0) showStatusInfo(backwards ? "no previous hits." : "no further hits.");
        return false;
    }
    if (traceMode()) {
        logMessage(backwards ? "[blue] toprev %ld %ld" : "[blue] skipped to row %ld (%ld %ld)",
                   static_cast<long>(hitLine), static_cast<long>(hitColumn),
                   static_cast<long>(hitLength));
    }
    selectHit(hitLine, hitColumn, hitLength, true);
    if (mode >= 2) showStatusInfo("found by find mask.");
    return true;
}

bool Editor::findText(std::string_view phrase, bool backwards, int mode, bool fromTextStart) {
    if (!data || phrase.empty()) return false;
    FoldTable fold = codePageTables().buildFoldTable(view->search().caseSensitive, true, true);
    EditPosition from = fromTextStart ? EditPosition{kFirstTextLine, -1} : cursor();
    int hitLine = -1;
    size_t hitColumn = 0;
    bool found = walkLines(from.line, backwards, [&](int line, std::string_view bytes) {
        size_t start = line == from.line ? static_cast<size_t>(from.column + 1) : 0;
        size_t before = line == from.line ? static_cast<size_t>(std::max(from.column, 0))
                                          : std::string_view::npos;
        size_t at = findIn(bytes, phrase, start, before, backwards, fold);
        if (at == std::string_view::npos) return false;
        hitLine = line;
        hitColumn = at;
        return true;
    });
    if (!found) {
        if (mode != 0) showStatusInfo(backwards ? "no previous hits." : "no further hits.");
        return false;
    }
    selectHit(hitLine, static_cast<int>(hitColumn), static_cast<int>(phrase.size()), false);
    if (mode >= 2) showStatusInfo("found by recent source.");
    return true;
}

void Editor::beginLineEdit() {
    RecentEdit& recent = editing().recent;
    recent.replaceArmed = false;
    if (recent.trackedLine == cursorLine && recent.trackedData == data) {
        recent.startColumn = std::min(recent.startColumn, cursorColumn);
        return;
    }
    recent.source.clear();
    recent.replacement.clear();
    recent.lineSnapshot = std::string(lineBytes(cursorLine));
    recent.previousLine = recent.trackedLine;
    recent.trackedLine = cursorLine;
    recent.trackedData = data;
    recent.startColumn = recent.endColumn = cursorColumn;
}

void Editor::endLineEdit(bool overwriteMode) {
    RecentEdit& recent = editing().recent;
    if (recent.trackedLine != cursorLine || recent.trackedData != data) {
        if (traceMode() && !recent.replacement.empty()) {
            std::string shown = recent.source + " -> " + recent.replacement;
            showStatusFor(("#" + shown).c_str(), 2000);
        }
        recent.replacement.clear();
        return;
    }
    recent.endColumn = std::max(recent.endColumn, cursorColumn);
    std::string_view now = lineBytes(cursorLine);
    std::string_view before = recent.lineSnapshot;
    size_t prefix = 0;
    size_t prefixLimit =
        std::min({before.size(), now.size(), static_cast<size_t>(recent.startColumn)});
    while (prefix < prefixLimit && before[prefix] == now[prefix]) ++prefix;
    size_t suffix = 0;
    size_t endRoom = now.size() > static_cast<size_t>(recent.endColumn)
                         ? now.size() - static_cast<size_t>(recent.endColumn)
                         : 0;
    size_t suffixLimit = std::min({before.size() - prefix, now.size() - prefix, endRoom});
    while (suffix < suffixLimit &&
           before[before.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    recent.replacement =
        std::string(now.substr(prefix, now.size() - suffix - prefix)).substr(0, kRecentPhraseBytes);
    recent.replaceAtLineEnd = suffix == 0;
    std::string_view removed = before.substr(prefix, before.size() - suffix - prefix);
    if (overwriteMode && removed.size() > recent.source.size() &&
        removed.size() < kRecentPhraseBytes + 1) {
        recent.source = std::string(removed);
        if (traceMode()) {
            logMessage("[blue] over: \"%s\" \"%s\"", recent.source.c_str(),
                       recent.replacement.c_str());
        }
    }
    if (traceMode()) {
        std::string shown = "#'" + recent.source + "' -> '" + recent.replacement + "'";
        showStatusFor(shown.c_str(), 2000);
    }
}

std::string adaptCase(std::string_view replacement, std::string_view replaced) {
    std::string out(replacement);
    if (replaced.empty()) return out;
    CaseTables tables = caseTables();
    for (size_t i = 0; i < out.size(); ++i) {
        auto model = static_cast<uint8_t>(replaced[std::min(i, replaced.size() - 1)]);
        auto byte = static_cast<uint8_t>(out[i]);
        if (isUpper(tables, model)) {
            out[i] = static_cast<char>(tables.upper[byte]);
        } else if (isLower(tables, model)) {
            out[i] = static_cast<char>(tables.lower[byte]);
        }
    }
    return out;
}

int findKey(EditorView& view, bool backwards) {
    Editor* editor = view.editor.get();
    if (!editor) return 1;
    RecentEdit& recent = editing().recent;
    const char* direction = backwards ? "prev" : "next";
    if (view.selection.active) {
        std::string phrase = editor->selectedText();
        phrase = phrase.substr(0, phrase.find('\n'));
        return editor->findText(phrase, backwards, 1) ? 0 : 1;
    }
    if (!recent.source.empty()) {
        logMessage("[blue] %s %s / %s ...", direction, recent.source.c_str(),
                   recent.replacement.c_str());
        return editor->findText(recent.source, backwards, 1) ? 0 : 1;
    }
    SearchState& search = view.search();
    if (!search.findMask[0]) return 1;
    logMessage("[blue] %s %s ...", direction, search.findMask);
    if (editor->findNext(backwards, 1)) return 0;
    if (backwards) return 1;
    return continueInNextFile(view, true, {});
}

int replace(EditorView& view, bool backwards, bool shift, bool adapt) {
    Editor* editor = view.editor.get();
    if (!editor) return 1;
    RecentEdit& recent = editing().recent;
    EditSelection& selection = view.selection;
    int result = 0;
    if (selection.active && selection.byFindMask) {
        if (!recent.replacement.empty()) {
            showStatusInfo("replaced by recent edit.");
            std::string replaced = editor->selectedText();
            editor->deleteSelection();
            editor->insertText(adapt ? adaptCase(recent.replacement, replaced) : recent.replacement,
                               true);
        } else {
            showStatusInfo("no replace phrase exists.");
        }
        recent.replaceArmed = true;
        return 0;
    }
    if (!selection.active && recent.source.empty() && !recent.replacement.empty() &&
        recent.trackedData == editor->data) {
        // The last edit only inserted text: repeat the insertion here, and with each further
        // press on the next line.
        if (editor->cursorLine == recent.trackedLine + 1) recent.replaceArmed = true;
        if (recent.replaceAtLineEnd) editor->cursorColumn = editor->lineLength(editor->cursorLine);
        int column = editor->cursorColumn;
        result = editor->insertText(recent.replacement, true);
        if (recent.replaceArmed && editor->cursorLine < editor->lastTextLine()) {
            // The next line gets the same text at the same place (its end, for an addition
            // at line ends).
            int next = editor->cursorLine + 1;
            editor->setCursor({next, recent.replaceAtLineEnd ? editor->lineLength(next) : column});
        }
        editor->revealCursor();
        return result;
    }
    if (!selection.active && recent.replaceArmed) {
        if (editor->findNext(backwards, 2)) return 0;
        if (backwards) return 1;
        result = continueInNextFile(view, true, {});
        if (result != kMovedToNextFile) showStatusInfo("No more hits on repeat edit.");
        return result;
    }
    if (recent.source.empty()) {
        showStatusInfo("no replace phrase exists.");
        return 1;
    }
    if (!selection.active) {
        logMessage("[blue] %s %s / %s ...", backwards ? "prev" : "next", recent.source.c_str(),
                   recent.replacement.c_str());
        if (!editor->findText(recent.source, backwards, 2)) {
            if (backwards) return 1;
            result = continueInNextFile(view, false, recent.source);
            if (result != kMovedToNextFile) {
                showStatusInfo("No more hits on repeat edit.");
                return 1;
            }
            editor = view.editor.get();
        }
        if (!shift) return result;
    }
    std::string selected = editor->selectedText();
    FoldTable fold = codePageTables().buildFoldTable(false, true, true);
    bool same = selected.size() == recent.source.size() &&
                findIn(selected, recent.source, 0, 0, false, fold) == 0;
    if (!same) {
        logMessage("[blue] nomatch /%s/%s/", selected.c_str(), recent.source.c_str());
        return 1;
    }
    showStatusInfo("replaced by recent edit.");
    editor->deleteSelection();
    int inserted =
        recent.replacement.empty()
            ? 0
            : editor->insertText(
                  adapt ? adaptCase(recent.replacement, selected) : recent.replacement, true);
    editor->revealCursor();
    return result == kMovedToNextFile ? result : inserted;
}

}  // namespace tessel
