// The file selection: which blocks the path mask lets a search, the filtered view and result
// stepping visit.
#include <algorithm>
#include <cstring>

#include "base/log/message_log.h"
#include "search/search_state.h"
#include "text/text_store.h"

namespace tessel {

int SearchState::selectFiles(bool recompile) {
    TextStore& s = store();
    const uint8_t fold = static_cast<uint8_t>((accentSensitive ? 1 : 0) | (punctSensitive ? 2 : 0) |
                                              (operatorsOn ? 4 : 0));
    // Besides the mask text and the block count, the key holds what else changes the answer:
    // a reload with the same number of files changes the line count, and the flags change how
    // names compare.
    if (files.valid && files.keyBlockCount != s.blockCount) logMessage("[blue] fnum diff");
    if (files.valid && files.keyBlockCount == s.blockCount && files.keyLineCount == s.lineCount() &&
        files.keyActive == pathSelectionActive && files.keyFold == fold &&
        std::strncmp(files.keyMask, pathMask, kMaxTermBytes) == 0) {
        return 1;
    }
    if (recompile) compileSearch(false);
    files.fileSelected.assign(static_cast<size_t>(std::max(s.blockCount, 0)) + 20, 0);
    files.selectedFiles = 0;
    files.firstSelectedLine = -1;
    files.selectedLines = 0;
    const bool noMask = pathMask[0] == '\0';
    for (int b = 0; b < s.blockCount; ++b) {
        const TextBlock* block = s.blocks[b];
        if (!block) continue;
        bool selected = block->fileName ? (noMask || pathMatches(block->fileName))
                                        : (noMask && !(b == 0 && s.blockCount >= 2));
        if (!selected) continue;
        files.fileSelected[b] = 1;
        if (files.selectedFiles++ == 0) files.firstSelectedLine = block->firstLine;
        files.selectedLines += std::max(block->lineCount - kRecordHeaderLines, 0);
    }
    files.valid = true;
    std::strncpy(files.keyMask, pathMask, kMaxTermBytes);
    files.keyMask[kMaxTermBytes] = '\0';
    files.keyBlockCount = s.blockCount;
    files.keyLineCount = s.lineCount();
    files.keyActive = pathSelectionActive;
    files.keyFold = fold;
    if (verboseMode()) {
        logMessage("%ld file matches, fline %ld", static_cast<long>(files.selectedFiles),
                   static_cast<long>(files.firstSelectedLine));
    }
    return 0;
}

int SearchState::nextSelectedFile(int index) {
    const int count = store().blockCount;
    if (!files.valid || files.keyBlockCount != count) {
        logMessage("fsmnext: fnum difference %ld %ld", static_cast<long>(files.keyBlockCount),
                   static_cast<long>(count));
        return -1;
    }
    for (int b = std::max(index + 1, 0); b < count; ++b) {
        if (files.fileSelected[b]) return b;
    }
    return -1;
}

int SearchState::prevSelectedFile(int index) {
    const int count = store().blockCount;
    if (!files.valid || files.keyBlockCount != count) {
        logMessage("fsmprev: fnum difference %ld %ld", static_cast<long>(files.keyBlockCount),
                   static_cast<long>(count));
        return -1;
    }
    for (int b = std::min(index - 1, count - 1); b >= 0; --b) {
        if (files.fileSelected[b]) return b;
    }
    return -1;
}

bool SearchState::isFileSelected(int index) const {
    return files.valid && index >= 0 && index < static_cast<int>(files.fileSelected.size()) &&
           files.fileSelected[index] != 0;
}

}  // namespace tessel
