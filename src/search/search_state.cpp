#include "search/search_state.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/log/message_log.h"
#include "text/text_store.h"

namespace tessel {

namespace {

void copyBounded(char* field, std::string_view text) {
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    size_t length = std::min<size_t>(text.size(), kMaskTextChars);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

SearchState::SearchState() {
    applySettings(settings);
}

// The runner cancels its pass when it goes.
SearchState::~SearchState() = default;

void SearchState::applySettings(const SearchSettings& s) {
    settings = s;
    caseSensitive = s.caseSearch;
    accentSensitive = s.accentSearch;
    punctSensitive = s.punctSearch;
    sequenceSensitive = s.searchSeq;
    operatorsOn = s.allowOps;
    autoFilter = s.autoFilter;
    fastLoad = s.fastLoad;
    foldMain = codePageTables().buildFoldTable(false, accentSensitive, punctSensitive);
    foldPath = foldMain;
}

TextStore& SearchState::store() const {
    return textStorePtr ? *textStorePtr : textStore();
}

void SearchState::setFindMask(std::string_view text) {
    copyBounded(findMask, text);
}

void SearchState::setPathMask(std::string_view text) {
    copyBounded(pathMask, text);
}

void SearchState::setJumpMask(std::string_view text) {
    copyBounded(jumpMask, text);
    jumpExpr.clear();
    if (jumpMask[0] == '\0') return;
    // The fold tables are rebuilt here too: the mask may be set before the first search.
    compileSearch(false);
    if (!jumpExpr.errorText.empty()) logMessage("jump mask: %s", jumpExpr.errorText.c_str());
}

bool SearchState::jumpSelects(int index) {
    if (jumpMask[0] == '\0' || jumpExpr.termCount == 0) return isFileSelected(index);
    TextStore& s = store();
    if (index < 0 || index >= s.blockCount) return false;
    const TextBlock* block = s.blocks[static_cast<size_t>(index)];
    return block && block->fileName &&
           matchLine(block->fileName, 0, jumpExpr, foldPath, 0, nullptr, nullptr);
}

// Compiling costs a few microseconds (two fold tables of 256 bytes and the terms), so a
// keystroke compiles twice: when the search is scheduled, so that the message line shows a
// mistake in the mask and the verbose trace the terms at once, and when the pass starts,
// because a flag toggle or a one-click word may have changed what to compile in between.
void SearchState::compileSearch(bool verbose) {
    const CodePageTables& tables = codePageTables();
    foldMain = tables.buildFoldTable(caseSensitive, accentSensitive, punctSensitive);
    foldPath = tables.buildFoldTable(false, accentSensitive, punctSensitive);
    // File names on this system use "/", masks are often typed with "\": both separate.
    foldPath.bytes['\\'] = '/';
    findExpr.caseSensitive = caseSensitive ? 1 : 0;
    findExpr.compile(findMask, false, foldMain, operatorsOn);
    pathExpr.clear();
    if (pathMask[0]) pathExpr.compile(pathMask, true, foldPath, operatorsOn);
    jumpExpr.clear();
    if (jumpMask[0]) jumpExpr.compile(jumpMask, true, foldPath, operatorsOn);
    messageLine = !findExpr.errorText.empty() ? findExpr.errorText : pathExpr.errorText;
    if (sequenceSensitive) {
        for (uint32_t i = 0; i < findExpr.termCount; ++i) {
            if (findExpr.op(i) == kTermAnd && wordTermHasTooManySegments(findExpr, i)) {
                logMessage("too many elements in search expression");
                break;
            }
        }
    }
    if (verbose && verboseMode()) {
        logMessage("[blue] using: %s", describeTerms(findExpr).c_str());
    }
}

bool SearchState::matchLine(const char* line, uint32_t lineMask, const SearchExpression& expr,
                            const FoldTable& fold, int startOffset, int* hitOffset,
                            int* hitLength) {
    return tessel::matchLine(line, lineMask, expr, fold, startOffset, hitOffset, hitLength,
                             matchFlags(), workLine);
}

bool SearchState::pathMatches(const char* name) {
    if (pathExpr.termCount == 0 || !pathSelectionActive) return true;
    return matchLine(name, 0, pathExpr, foldPath, 0, nullptr, nullptr);
}

PassRequest SearchState::passRequest() {
    PassRequest request;
    request.expr = findExpr;
    request.fold = foldMain;
    request.flags = matchFlags();
    TextStore& s = store();
    request.blocks.reserve(static_cast<size_t>(std::max(s.blockCount, 0)));
    for (int b = 0; b < s.blockCount; ++b) {
        if (!isFileSelected(b)) continue;
        const TextBlock* block = s.blocks[b];
        if (!block || block->openForAdding || block->lineCount <= 0) continue;
        PassBlock pass;
        pass.text = block->text;
        pass.lineStarts = block->lineArrays.starts;
        pass.lineMasks = block->lineArrays.masks;
        pass.lineCount = block->lineCount;
        pass.firstLine = block->firstLine;
        // Ring slots are not in line order in their buffer; colour lines sit between text
        // lines. Both are read line by line.
        pass.contiguous = !block->ring && !block->colourText;
        if (block->ring) pass.ringBlock = block;
        pass.source = block;
        request.blocks.push_back(pass);
    }
    return request;
}

std::shared_ptr<const PassRequest> SearchState::preparePass(int64_t nowMs) {
    searchPhase = SearchPhase::kRunning;
    hitCount = 0;
    compileSearch(false);
    selectFiles(false);
    timing.startMs = nowMs;
    timing.startNs = steadyNs();
    if (findMask[0] == '\0') return nullptr;
    return std::make_shared<const PassRequest>(passRequest());
}

void SearchState::finishPass(const PassResult& result, int64_t nowMs, int lineCount) {
    timing.elapsedMs = nowMs - timing.startMs;
    timing.elapsedNs = steadyNs() - timing.startNs;
    timing.testedLines = result.testedLines;
    hitCount = result.hitCount;
    if (result.firstHitLine >= 0) {
        if (result.firstHitLine < lineCount) currentLine = result.firstHitLine;
        topLine = std::max(0, result.firstHitLine - resultFocusOffset);
    }
    if (hitCount == 0 && pathSelectionActive && files.firstSelectedLine >= 0) {
        topLine = std::max(0, files.firstSelectedLine - lockRows);
    }
    searchPhase = SearchPhase::kDone;
}

void SearchState::toggleOperators() {
    operatorsOn = !operatorsOn;
    logMessage(operatorsOn ? "[blue] AND OR NOT * used as operators."
                           : "[blue] AND OR NOT * treated as search text.");
}

void SearchState::toggleSequence() {
    sequenceSensitive = !sequenceSensitive;
    logMessage(sequenceSensitive ? "checking search word sequence."
                                 : "ignoring search word sequence.");
}

void SearchState::toggleAccent() {
    accentSensitive = !accentSensitive;
    logMessage(accentSensitive ? "accent sensitive search."
                               : "ignoring accents and umlauts on search.");
}

void SearchState::togglePunctuation() {
    punctSensitive = !punctSensitive;
    logMessage(punctSensitive ? "punctuation sensitive search."
                              : "ignoring some punctuation on search.");
}

void SearchState::toggleAutoFilter() {
    autoFilter = !autoFilter;
    logMessage(autoFilter ? "every search will now\nbe filtered immediately."
                          : "automatic result lists\nare now disabled.");
}

}  // namespace tessel
