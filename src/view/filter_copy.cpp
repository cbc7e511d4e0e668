// Copying rows to the clipboard: the whole filtered text or the rows on screen, and in the
// normal view the current file or the screen. The text is built by a pure function and handed
// to the platform's clipboard only at the end.
#include <algorithm>
#include <cstring>
#include <new>

#include "base/log/message_log.h"
#include "platform/platform.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/live_settings.h"
#include "view/view.h"

namespace tessel {

namespace {

int textRowsOnScreen(const View& view) {
    const int assist = (liveSettings().assist ? 1 : 0);
    return std::max(view.rows - 2 - assist, 1);
}

// Skips up to `limit` empty rows from `from`: the title's blank row and the centring rows.
int skipEmptyRows(const std::vector<const char*>& rows, int from, int to, int limit) {
    while (from < to && limit-- > 0) {
        const char* text = rows[static_cast<size_t>(from)];
        if (text && text[0] != '\0') break;
        ++from;
    }
    return from;
}

// Builds the text, puts it on the clipboard and reports it with `message`.
int copyRows(const std::vector<const char*>& rows, int from, int to, const char* message) {
    std::string text;
    int64_t bytes = 0;
    const int result = buildCopyText(rows, from, to, text, &bytes);
    if (result == 3) {
        logMessage("visible text too large (>10 MB), cannot copy to clipboard.");
        return 9;
    }
    if (result != 0) return result;
    setClipboardText(text);
    logMessage(message, static_cast<long>(to - from), static_cast<long>(bytes));
    return 0;
}

// The lines of the store from `first` up to `end` as rows.
std::vector<const char*> storeRows(TextStore& store, int first, int end) {
    std::vector<const char*> rows;
    first = std::max(first, 0);
    end = std::min(end, store.lineCount());
    if (end > first) rows.reserve(static_cast<size_t>(end - first));
    for (int line = first; line < end; ++line) rows.push_back(store.lineText(line));
    return rows;
}

}  // namespace

int buildCopyText(const std::vector<const char*>& rows, int from, int to, std::string& out,
                  int64_t* bytes, int64_t maxBytes) {
    out.clear();
    if (bytes) *bytes = 0;
    from = std::max(from, 0);
    to = std::min(to, static_cast<int>(rows.size()));
    if (from >= to) return 1;
    int64_t total = 0;
    for (int r = from; r < to; ++r) {
        const char* text = rows[static_cast<size_t>(r)];
        total += static_cast<int64_t>(text ? std::strlen(text) : 0) + 2;
        if (total > maxBytes) {
            if (bytes) *bytes = total;
            return 3;
        }
    }
    try {
        out.reserve(static_cast<size_t>(total) + 1);
    } catch (const std::bad_alloc&) {
        reportOutOfMemory(960, static_cast<long>(total));
        return 9;
    }
    for (int r = from; r < to; ++r) {
        const char* text = rows[static_cast<size_t>(r)];
        const size_t length = text ? std::strlen(text) : 0;
        if (static_cast<int64_t>(out.size() + length + 2) > total) {
            logMessage("int. error during copy");
            out.clear();
            return 9;
        }
        out.append(text ? text : "", length);
        out.append("\r\n", 2);
    }
    if (bytes) *bytes = total;
    return 0;
}

int copyFilteredText(View& view) {
    if (view.filterMode != FilterMode::kFullText) {
        const auto& rows = view.display.filterRows;
        const int to = static_cast<int>(rows.size());
        const int from = skipEmptyRows(rows, 2, to, view.filter.padRows + 1);
        return copyRows(rows, from, to, "clip: all filtered text, %ld lines, %ld bytes.");
    }
    TextStore& store = view.textStore();
    TextBlock* block = store.blockForLine(std::max(view.search.currentLine, 0));
    if (!block || block->lineCount <= 0) return 1;
    const int name = block->nameLine();
    const int first =
        name >= block->firstLine && name < block->endLine ? name + 1 : block->firstLine;
    const auto rows = storeRows(store, first, block->endLine);
    return copyRows(rows, 0, static_cast<int>(rows.size()),
                    "clip: text copy, %ld lines, %ld bytes.");
}

int copyVisibleText(View& view) {
    const int top = std::max(view.search.topLine, 0);
    const int count = textRowsOnScreen(view);
    if (view.filterMode != FilterMode::kFullText) {
        const auto& rows = view.display.filterRows;
        const int to = std::min(top + count, static_cast<int>(rows.size()));
        const int from = skipEmptyRows(rows, top + 1, to, view.filter.padRows + 2);
        return copyRows(rows, from, to, "clip: visible filtered text, %ld lines, %ld bytes.");
    }
    const auto rows = storeRows(view.textStore(), top, top + count);
    return copyRows(rows, 0, static_cast<int>(rows.size()),
                    "clip: screen copy, %ld lines, %ld bytes.");
}

}  // namespace tessel
