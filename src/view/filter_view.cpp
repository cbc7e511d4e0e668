// Entering and leaving the filtered view and the file list, the search's hooks into them, the
// filter keys and the click that goes from a row to its line in the full text.
#include "view/filter_view.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "platform/key_codes.h"
#include "text/text_store.h"
#include "view/filter_internal.h"
#include "view/live_settings.h"
#include "view/long_lines.h"
#include "view/navigation.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {

namespace {

constexpr int kMinCapacity = 1000;
constexpr int kCapacitySpare = 100;

bool textLoading(View& view) {
    return view.textStore().loadRunning.load();
}

void releaseArrays(View& view) {
    FilterState& f = view.filter;
    f.rowMarks.release();
    std::vector<int>().swap(f.rowLines);
    std::vector<const char*>().swap(view.display.filterRows);
    f.hits.reset();
    f.capacity = 0;
    view.filteredLineCount = 0;
}

void restoreSearchState(View& view) {
    const SavedSearch& saved = view.filter.saved;
    SearchState& s = view.search;
    if (saved.valid) {
        s.findExpr = saved.findExpr;
        s.pathExpr = saved.pathExpr;
        s.foldMain = saved.foldMain;
        s.foldPath = saved.foldPath;
        s.setFlags(saved.flags);
    }
    const int findLength = static_cast<int>(std::strlen(s.findMask));
    const int pathLength = static_cast<int>(std::strlen(s.pathMask));
    view.input.findTail = std::clamp(view.input.findTail, 0, findLength);
    view.input.pathTail = std::clamp(view.input.pathTail, 0, pathLength);
}

}  // namespace

bool LineMarks::reset(size_t count) {
    release();
    marks_ = static_cast<uint16_t*>(std::calloc(count, sizeof(uint16_t)));
    if (!marks_) return false;
    count_ = count;
    return true;
}

void LineMarks::release() {
    std::free(marks_);
    marks_ = nullptr;
    count_ = 0;
}

int createFilter(View& view, int type) {
    if (view.filterMode != FilterMode::kFullText) {
        logMessage("wrong filter mode (2)");
        return 9;
    }
    if (view.host) historySave(view, "before filter");
    TextStore& store = view.textStore();
    FilterState& f = view.filter;
    const int64_t capacity =
        std::max<int64_t>(int64_t{store.lineCount()} + kCapacitySpare, kMinCapacity);
    bool allocated = f.rowMarks.reset(static_cast<size_t>(capacity));
    try {
        f.rowLines.clear();
        f.rowLines.reserve(1024);
        view.display.filterRows.clear();
        view.display.filterRows.reserve(1024);
    } catch (const std::bad_alloc&) {
        allocated = false;
    }
    if (!allocated) {
        logMessage("out of memory. cannot create filtered view (%d)",
                   static_cast<int>(capacity * 6 / 1000000));
        releaseArrays(view);
        return 9;
    }
    f.capacity = static_cast<int>(capacity);
    f.snapshot.lineCount = store.lineCount();
    f.snapshot.hasPrefix = store.hasPrefix;
    f.snapshot.prefixOnNameLine = store.prefixOnNameLine;
    f.normalTopLine = view.search.topLine;
    f.normalCurrentLine = view.search.currentLine;
    f.hits.reset();
    view.filteredLineCount = 0;
    view.filterMode = type == 2 ? FilterMode::kFileList : FilterMode::kFiltered;
    return 0;
}

int leaveFilter(View& view, bool quiet) {
    if (view.filterMode == FilterMode::kFullText) return 1;
    cancelFilterPass(view);
    saveExitRecord(view);
    releaseArrays(view);
    view.filterMode = FilterMode::kFullText;
    view.search.topLine = view.filter.normalTopLine;
    view.search.currentLine = view.filter.normalCurrentLine;
    view.display.lineMark = -1;
    restoreSearchState(view);
    refreshSearchStatus(view);
    if (!quiet) logMessage("normal view.");
    return 0;
}

int toggleFilter(View& view, int type) {
    if (view.filterMode != FilterMode::kFullText) return leaveFilter(view, false);
    if (textLoading(view)) {
        logMessage("[note] cannot filter while loading.");
        return 1;
    }
    TextStore& store = view.textStore();
    const bool hasMask = view.search.findMask[0] != '\0';
    if (store.blockCount < 2 && !hasMask) {
        logMessage("nothing to filter or list.");
        return 1;
    }
    if (!hasMask && !store.hasPrefix) return 1;
    if (type != 1 && type != 2) {
        logMessage("cannot toggle filter (%d,%d)", type, static_cast<int>(view.filterMode));
        return 9;
    }
    if (createFilter(view, type) != 0) return 9;
    const int result = updateFilter(view, false, false);
    logMessage(hasMask ? "filtered view." : "list of files.");
    return result == 2 ? 0 : result;
}

int filterCommand(View& view) {
    if (view.search.findMask[0] != '\0') {
        if (view.filterMode == FilterMode::kFileList) leaveFilter(view, true);
        return toggleFilter(view, 1);
    }
    if (view.filterMode != FilterMode::kFullText) return leaveFilter(view, false);
    if (liveSettings().assist) showStatusInfo("nothing to search, showing file list.");
    return toggleFilter(view, 2);
}

int toggleFileNames(View& view) {
    if (view.filterMode == FilterMode::kFullText) {
        logMessage("no filtered view is active.");
        return 1;
    }
    FilterState& f = view.filter;
    f.showFileNames = !f.showFileNames;
    logMessage(f.showFileNames ? "filename display enabled." : "filename display disabled.");
    // The hits stay the same; only headers and centring change.
    const int result = updateFilter(view, false, f.hits != nullptr);
    return result == 2 ? 0 : result;
}

int filterRowLine(const View& view, int row) {
    if (view.filterMode == FilterMode::kFullText) return -1;
    const std::vector<int>& lines = view.filter.rowLines;
    if (row < 0 || row >= static_cast<int>(lines.size())) return -1;
    return lines[static_cast<size_t>(row)];
}

int enterTextAt(View& view, int row) {
    const int line = filterRowLine(view, row);
    if (line < 0) return 1;
    const bool fileList = view.filterMode == FilterMode::kFileList;
    leaveFilter(view, true);
    SearchState& search = view.search;
    search.currentLine = line;
    // A file opens with its first lines under the locked rows; a hit goes to the focus row.
    const int above = fileList ? search.lockRows : search.resultFocusOffset;
    search.topLine = std::max(0, line - above);
    if (!fileList) revealHitColumn(view, line);
    refreshSearchStatus(view);
    return 0;
}

int filterRowAtScreenRow(const View& view, int screenRow) {
    if (view.filterMode == FilterMode::kFullText) return -1;
    int first = (liveSettings().assist ? 1 : 0);
    const int top = std::max(view.search.topLine, 0);
    // Scrolled down, the title stays on the first row as a caption.
    if (top > 0) ++first;
    if (screenRow < first || screenRow >= view.rows - 2) return -1;
    return top + screenRow - first;
}

int filterClickAt(View& view, int x, int y) {
    if (view.filterMode == FilterMode::kFullText) return 1;
    int row = -1;
    int column = -1;
    if (cellAt(view, x, y, &row, &column) != 0) return 1;
    return enterTextAt(view, filterRowAtScreenRow(view, row));
}

int filterKeyDown(View& view, int key, int modifiers) {
    const bool shift = modifiers & kModShift;
    const bool control = modifiers & kModControl;
    if (key == kKeyF1 + 3) {
        if (control) {
            view.search.toggleOperators();
            scheduleSearch(view);
        } else if (shift) {
            view.search.toggleSequence();
            scheduleSearch(view);
        } else {
            filterCommand(view);
        }
        return 0;
    }
    if (key == kKeyF1 + 5 && !shift && !control) {
        if (view.filterMode == FilterMode::kFiltered) leaveFilter(view, true);
        toggleFilter(view, 2);
        return 0;
    }
    return 1;
}

int filterChar(View& view, uint8_t ch, int modifiers) {
    const bool shift = modifiers & kModShift;
    switch (ch) {
        case 0x01:  // CONTROL+A
            if (shift) {
                SearchState& search = view.search;
                search.autoFilter = !search.autoFilter;
                logMessage(search.autoFilter ? "autofilter on."
                                             : "autofilter off, will jump to first result.");
            } else {
                filterCommand(view);
            }
            return 0;
        case 0x04:  // CONTROL+D
            toggleFileNames(view);
            return 0;
        case 0x06:  // CONTROL+F, when it is given to the filter
            if (shift || !appSettings().filterOnCtrlF) return 1;
            filterCommand(view);
            return 0;
        default:
            return 1;
    }
}

}  // namespace tessel
