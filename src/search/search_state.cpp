#include "search/search_state.h"

#include <algorithm>
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

}  // namespace

void KeystrokeLog::add(int64_t timeMs, int keyCode) {
    entries[count % kSize] = {timeMs, keyCode};
    // Keep the count bounded but above kSize so the ring position stays right.
    count = count >= 2 * kSize ? count - kSize + 1 : count + 1;
}

SearchState::SearchState() : passToken_(std::make_shared<std::atomic<uint64_t>>(0)) {
    applySettings(settings);
}

SearchState::~SearchState() {
    cancelPass();
    passToken_->store(UINT64_MAX);
}

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

void SearchState::toggleOperators() {
    operatorsOn = !operatorsOn;
    logMessage(operatorsOn ? "[blue] AND OR NOT * used as operators."
                           : "[blue] AND OR NOT * treated as search text.");
    if (host) scheduleSearch(false);
}

void SearchState::toggleSequence() {
    sequenceSensitive = !sequenceSensitive;
    logMessage(sequenceSensitive ? "checking search word sequence."
                                 : "ignoring search word sequence.");
    if (host) scheduleSearch(false);
}

void SearchState::toggleAccent() {
    accentSensitive = !accentSensitive;
    logMessage(accentSensitive ? "accent sensitive search."
                               : "ignoring accents and umlauts on search.");
    if (host) scheduleSearch(false);
}

void SearchState::togglePunctuation() {
    punctSensitive = !punctSensitive;
    logMessage(punctSensitive ? "punctuation sensitive search."
                              : "ignoring some punctuation on search.");
    if (host) scheduleSearch(false);
}

void SearchState::toggleAutoFilter() {
    autoFilter = !autoFilter;
    logMessage(autoFilter ? "every search will now\nbe filtered immediately."
                          : "automatic result lists\nare now disabled.");
    if (host) scheduleSearch(false);
}

}  // namespace tessel
