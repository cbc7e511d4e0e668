#include "view/navigation.h"

#include <algorithm>

#include "base/log/message_log.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/live_settings.h"
#include "view/long_lines.h"
#include "view/navigation_internal.h"
#include "view/screen_builder.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {

namespace nav {

bool assistMode() {
    return liveSettings().assist;
}

bool inFilterMode(const View& view) {
    return view.filterMode != FilterMode::kFullText;
}

void refresh(View& view) {
    view.screen.valid = false;
    if (view.host) view.host->refresh();
}

void say(const char* text) {
    showStatusInfo(text);
}

TextBlock* blockOfLine(View& view, int line, int* index) {
    *index = -1;
    TextStore& store = view.textStore();
    if (line < 0 || line >= store.lineCount()) return nullptr;
    TextBlock* block = store.blockForLine(line, nullptr, index);
    if (*index < 0) return nullptr;
    return block;
}

int placeLine(View& view) {
    const NavigationState& state = view.nav;
    const int row = state.lastMouseRow;
    if (view.screen.valid && row >= 0 && row < kScreenRows &&
        view.screen.flags[static_cast<size_t>(row)] == kRowText) {
        const int line = view.screen.rowLine[static_cast<size_t>(row)];
        if (line >= 0) return line;
    }
    const int lines = view.textStore().lineCount();
    if (lines <= 0) return -1;
    if (inFilterMode(view)) {
        // The list's positions are not lines of the text: take the first row that shows one.
        if (!view.screen.valid) return -1;
        for (int r = 0; r < kScreenRows; ++r) {
            const int line = view.screen.rowLine[static_cast<size_t>(r)];
            if (line >= 0) return line;
        }
        return -1;
    }
    const SearchState& search = view.search;
    if (search.currentLine >= search.topLine &&
        search.currentLine < search.topLine + visibleTextRows(view) && search.currentLine < lines) {
        return search.currentLine;
    }
    return std::clamp(search.topLine + resultFocusOffset(view), 0, lines - 1);
}

void showLineAtFocus(View& view, int line, bool flash) {
    SearchState& search = view.search;
    search.currentLine = line;
    search.topLine = std::max(0, line - resultFocusOffset(view));
    if (flash) {
        view.display.flashLine = line;
        view.display.flashUntilMs = tickMs() + kFocusFlashMs;
    }
    refresh(view);
}

}  // namespace nav

using namespace nav;

namespace {

void reportNoFurtherHits(const View& view) {
    say(assistMode() && view.search.pathMask[0] ? "no further hits within path selection."
                                                : "no further hits.");
}

void reportNoPreviousHits(const View& view) {
    say(assistMode() && view.search.pathMask[0] ? "no previous hits within path selection."
                                                : "no previous hits.");
}

bool withinPathSelection(const View& view) {
    return assistMode() && view.search.pathMask[0] != '\0';
}

// Keeps the current line on screen, so that stepping continues from what the user sees
// after scrolling away from the last result.
void clampCurrentLine(View& view, int lines) {
    SearchState& search = view.search;
    const int last = lines - 1;
    const int low = std::min(std::max(search.topLine, 0), last);
    const int high = std::min(search.topLine + visibleTextRows(view), last);
    search.currentLine = std::clamp(search.currentLine, low, std::max(low, high));
}

bool lineMatches(SearchState& search, const TextBlock& block, int local) {
    uint32_t mask = 0;
    const char* text = block.lineAndMask(local, &mask);
    return search.matchLine(text, mask, search.findExpr, search.foldMain, 0, nullptr, nullptr);
}

// The backwards search from `start` (a line of the text) through the selected files.
int searchBackwardFrom(View& view, int start) {
    SearchState& search = view.search;
    TextStore& store = view.textStore();
    const int lines = store.lineCount();
    if (start < 0 || search.findExpr.termCount == 0) {
        reportNoPreviousHits(view);
        return 1;
    }
    int index = -1;
    TextBlock* block = store.blockForLine(start, nullptr, &index);
    if (index < 0) {
        logError(0, "gpm: missing index");
        return 9;
    }
    int local = start - block->firstLine;
    if (local < 0 || local >= block->lineCount) {
        logError(0, "gpm: wrong llnum");
        return 9;
    }
    // Hits in files outside the path selection are not results.
    if (!search.isFileSelected(index)) {
        index = search.prevSelectedFile(index);
        local = -1;
    }
    while (index >= 0) {
        block = store.blocks[static_cast<size_t>(index)];
        if (local < 0) local = block->lineCount - 1;
        for (int j = local; j >= 0; --j) {
            if (!lineMatches(search, *block, j)) continue;
            const int line = block->firstLine + j;
            if (line < 0 || line >= lines) {
                logError(0, "gpm: wrong glnum");
                return 9;
            }
            search.currentLine = line;
            search.topLine = std::max(0, line - resultFocusOffset(view));
            revealHitColumn(view, line);
            refresh(view);
            return 0;
        }
        index = search.prevSelectedFile(index);
        local = -1;
    }
    reportNoPreviousHits(view);
    return 1;
}

// The block used by the file stepping for a line, and whether the line lies in the text.
TextBlock* stepBlock(View& view, int line, int* index) {
    return blockOfLine(view, line, index);
}

void putBlockAtTop(View& view, const TextBlock& block, int keepAbove) {
    const int first = block.firstLine;
    view.search.topLine = first > keepAbove ? first - 2 : first;
    refresh(view);
}

}  // namespace

int visibleTextRows(const View& view) {
    return std::max(view.rows - 2, 1);
}

int resultFocusOffset(const View& view) {
    const int rows = std::max(view.rows, 1);
    int offset = view.search.lockRows;
    switch (view.nav.focusMode) {
        case ResultFocus::kTop:
            offset = view.search.lockRows;
            break;
        case ResultFocus::kMiddle:
            offset = rows / 2;
            break;
        case ResultFocus::kBottom:
            offset = rows - 8;
            break;
    }
    // A small view keeps the result among its text rows.
    return std::clamp(offset, 0, std::max(visibleTextRows(view) - 1, 0));
}

void updateResultFocus(View& view) {
    view.search.resultFocusOffset = resultFocusOffset(view);
}

int findNextHit(View& view, int startLine, bool skipHeader) {
    if (inFilterMode(view)) {
        say("close filtered view first.");
        return kNavFilterOpen;
    }
    SearchState& search = view.search;
    TextStore& store = view.textStore();
    search.compileSearch(false);
    const int lines = store.lineCount();
    if (lines <= 0 || search.findExpr.termCount == 0) {
        reportNoFurtherHits(view);
        return 1;
    }
    clampCurrentLine(view, lines);
    search.selectFiles(false);
    const int start = startLine >= 0 ? startLine : search.currentLine + 1;
    // Past the last line there is nothing further: the same answer as at the end of a file.
    if (start >= lines) {
        reportNoFurtherHits(view);
        return 1;
    }
    int index = -1;
    TextBlock* block = store.blockForLine(start, nullptr, &index);
    if (index < 0) {
        logError(0, "gnm: missing index");
        return 9;
    }
    int local = start - block->firstLine;
    if (local < 0 || local >= block->lineCount) {
        logError(0, "gnm: wrong llnum");
        return 9;
    }
    if (!search.isFileSelected(index)) {
        index = search.nextSelectedFile(index);
        local = 0;
    }
    while (index >= 0) {
        block = store.blocks[static_cast<size_t>(index)];
        for (int j = skipHeader ? std::max(local, 2) : local; j < block->lineCount; ++j) {
            if (!lineMatches(search, *block, j)) continue;
            const int line = block->firstLine + j;
            if (line < 0 || line >= lines) {
                logError(0, "gnm: wrong glnum");
                return 9;
            }
            search.currentLine = line;
            search.topLine = std::max(0, line - resultFocusOffset(view));
            revealHitColumn(view, line);
            refresh(view);
            return 0;
        }
        index = search.nextSelectedFile(index);
        local = 0;
    }
    reportNoFurtherHits(view);
    return 1;
}

int findPrevHit(View& view) {
    if (inFilterMode(view)) {
        say("close filtered view first.");
        return kNavFilterOpen;
    }
    SearchState& search = view.search;
    search.compileSearch(false);
    const int lines = view.textStore().lineCount();
    if (lines <= 0) {
        reportNoPreviousHits(view);
        return 1;
    }
    if (search.currentLine == 0) search.currentLine = search.topLine + resultFocusOffset(view);
    clampCurrentLine(view, lines);
    search.selectFiles(false);
    return searchBackwardFrom(view, search.currentLine - 1);
}

int nextResult(View& view) {
    // The editor steps through its own matches.
    if (view.editor) return 1;
    SearchState& search = view.search;
    if (search.findMask[0] == '\0') {
        if (assistMode()) say("no next result. please type a word to search.");
        return 1;
    }
    if (inFilterMode(view) && (search.hitCount > 0 || view.filterMode == FilterMode::kFileList)) {
        leaveFilter(view, true);
        searchNormalView(view, search.autoFilter);
        refresh(view);
        return 0;
    }
    return findNextHit(view, -1, false);
}

int prevResult(View& view) {
    if (view.editor) return 1;
    SearchState& search = view.search;
    if (search.findMask[0] == '\0') {
        if (assistMode()) say("no previous result. please type a word to search.");
        return 1;
    }
    if (inFilterMode(view) && (search.hitCount > 0 || view.filterMode == FilterMode::kFileList)) {
        leaveFilter(view, true);
        const int lines = view.textStore().lineCount();
        search.topLine = std::max(0, lines - resultFocusOffset(view));
        search.currentLine = lines - 1;
        if (inFilterMode(view)) {
            say("close filtered view first.");
            return kNavFilterOpen;
        }
        search.compileSearch(false);
        search.selectFiles(false);
        // From the last line itself, which may be the last result.
        return searchBackwardFrom(view, lines - 1);
    }
    return findPrevHit(view);
}

int nextFileStart(View& view) {
    SearchState& search = view.search;
    search.selectFiles(true);
    const int probe = search.topLine + 2;
    if (probe >= view.textStore().lineCount()) {
        say(withinPathSelection(view) ? "no further file within path selection"
                                      : "no further file");
        return 1;
    }
    int index = -1;
    if (!stepBlock(view, probe, &index)) {
        logError(0, "gln: wrong index");
        return 9;
    }
    const int next = search.nextSelectedFile(index);
    if (next < 0) {
        say(withinPathSelection(view) ? "no further file within path selection"
                                      : "no further selected file");
        return 1;
    }
    putBlockAtTop(view, *view.textStore().blocks[static_cast<size_t>(next)], 2);
    return 0;
}

int nextFileEnd(View& view) {
    SearchState& search = view.search;
    TextStore& store = view.textStore();
    search.selectFiles(true);
    const int lines = store.lineCount();
    if (lines <= 0) {
        say("no further file");
        return 1;
    }
    const int visible = visibleTextRows(view);
    const int bottomProbe = std::clamp(search.topLine + visible - 5, 0, lines - 1);
    const int middleProbe = std::clamp(search.topLine + visible / 2, 0, lines - 1);
    int bottomIndex = -1;
    int middleIndex = -1;
    if (!stepBlock(view, bottomProbe, &bottomIndex) ||
        !stepBlock(view, middleProbe, &middleIndex)) {
        logError(0, "gln: wrong index");
        return 9;
    }
    int use = bottomIndex;
    if (bottomIndex != middleIndex && !search.isFileSelected(bottomIndex)) {
        use = search.nextSelectedFile(bottomIndex);
    }
    if (use < 0) {
        say(withinPathSelection(view) ? "no further file within path selection"
                                      : "no further selected file");
        return 1;
    }
    const TextBlock& block = *store.blocks[static_cast<size_t>(use)];
    const int top = block.endLine - 1 - visible + 5;
    if (verboseMode()) logMessage("topline %ld", static_cast<long>(top));
    if (top <= 0 || top >= lines || top == search.topLine) return 1;
    search.topLine = top;
    refresh(view);
    return 0;
}

int nextFileKey(View& view) {
    return view.nav.fileEndPresses++ == 0 ? nextFileEnd(view) : nextFileStart(view);
}

int prevFile(View& view) {
    SearchState& search = view.search;
    search.selectFiles(true);
    const int lines = view.textStore().lineCount();
    if (lines <= 0) {
        say("no previous selected file");
        return 1;
    }
    const int topProbe = std::clamp(search.topLine, 0, lines - 1);
    const int focusProbe = std::clamp(search.topLine + resultFocusOffset(view), 0, lines - 1);
    int topIndex = -1;
    int focusIndex = -1;
    if (!stepBlock(view, topProbe, &topIndex) || !stepBlock(view, focusProbe, &focusIndex)) {
        logError(0, "gln: wrong index");
        return 9;
    }
    int use = topIndex;
    if (topIndex != focusIndex && !search.isFileSelected(topIndex)) {
        use = search.prevSelectedFile(topIndex);
    }
    if (use < 0) {
        say(withinPathSelection(view) ? "no previous file within path selection"
                                      : "no previous selected file");
        return 1;
    }
    putBlockAtTop(view, *view.textStore().blocks[static_cast<size_t>(use)], 1);
    return 0;
}

int cycleResultFocus(View& view) {
    SearchState& search = view.search;
    const int oldOffset = resultFocusOffset(view);
    const char* message = "top result focus";
    switch (view.nav.focusMode) {
        case ResultFocus::kTop:
            view.nav.focusMode = ResultFocus::kMiddle;
            message = "middle result focus";
            break;
        case ResultFocus::kMiddle:
            view.nav.focusMode = ResultFocus::kBottom;
            message = "bottom result focus";
            break;
        case ResultFocus::kBottom:
            view.nav.focusMode = ResultFocus::kTop;
            break;
    }
    const int newOffset = resultFocusOffset(view);
    updateResultFocus(view);
    // The line at the old focus keeps its place on screen, now at the new focus.
    const int top = std::max(search.topLine + oldOffset - newOffset, 0);
    if (top <= search.topLine || top < view.textStore().lineCount() - 5) search.topLine = top;
    view.display.flashLine = search.topLine + newOffset;
    view.display.flashUntilMs = tickMs() + kFocusFlashMs;
    say(message);
    refresh(view);
    return 0;
}

}  // namespace tessel
