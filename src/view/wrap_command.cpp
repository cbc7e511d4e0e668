// CONTROL+W: the loaded texts wrapped at the width of the view, or unwrapped again.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/log/message_log.h"
#include "search/search_pass.h"
#include "text/text_store.h"
#include "view/display_keys.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {
namespace {

// Narrower wraps make more lines than text.
constexpr int kMinWrapWidth = 20;

// A place in the text that survives a wrap: wrapping never changes a text's length, only
// which blanks are line ends, so a byte offset into the block stays where it was.
struct TextPlace {
    int block = -1;
    int64_t offset = 0;
};

TextPlace placeOf(TextStore& store, int line) {
    TextPlace place;
    if (line < 0 || line >= store.lineCount()) return place;
    int index = -1;
    TextBlock* block = store.blockForLine(line, nullptr, &index);
    if (!block || index < 0 || !block->text || block->ring) return place;
    const char* text = block->line(line - block->firstLine);
    if (text < block->text || text >= block->text + block->usedBytes) return place;
    place.block = index;
    place.offset = text - block->text;
    return place;
}

// The global line holding the byte at the place, or `fallback`.
int lineOf(TextStore& store, const TextPlace& place, int fallback) {
    if (place.block < 0 || place.block >= store.blockCount) return fallback;
    const TextBlock* block = store.blocks[static_cast<size_t>(place.block)];
    if (!block || block->lineCount <= 0 || !block->lineArrays.starts) return fallback;
    const uint32_t* starts = block->lineArrays.starts;
    const auto wanted = static_cast<uint32_t>(place.offset);
    int low = 0;
    int high = block->lineCount - 1;
    int found = 0;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        if (starts[middle] != kNoLineStart && starts[middle] <= wanted) {
            found = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return block->firstLine + found;
}

struct ViewPlaces {
    View* view;
    TextPlace top;
    TextPlace current;
};

}  // namespace

std::string wrapStatusText(int width, bool stream, bool unwrapped) {
    if (unwrapped) return "no wrap";
    return std::string(stream ? "stream" : "") + "wrap at " + std::to_string(width);
}

int rewrapText(View& view, bool stream) {
    if (view.editor) {
        showStatusInfo("cannot wrap while editing.");
        return 1;
    }
    TextStore& store = view.textStore();
    const int width = std::max(view.columns - 1, kMinWrapWidth);
    std::vector<View*> views;
    if (view.frame) {
        for (auto& each : view.frame->views) {
            if (each) views.push_back(each.get());
        }
    } else {
        views.push_back(&view);
    }
    // The workers read the store: nothing may move its lines while a pass runs.
    for (View* each : views) cancelPasses(*each);
    cancelSearchPasses();
    std::vector<ViewPlaces> places;
    for (View* each : views) {
        // The filtered rows point into the lines that are about to move.
        if (each->filterMode != FilterMode::kFullText) leaveFilter(*each, true);
        places.push_back(
            {each, placeOf(store, each->search.topLine), placeOf(store, each->search.currentLine)});
    }

    int wrapped = 0;
    int unwrapped = 0;
    std::string refused;
    for (int i = 0; i < store.blockCount; ++i) {
        TextBlock* block = store.blocks[static_cast<size_t>(i)];
        if (!block || !block->canWrap() || !block->text) continue;
        if (const char* kind = block->reloadKind()) {
            if (refused.empty()) refused = std::string(block->fileName) + " (" + kind + ")";
            continue;
        }
        const bool undo = block->wrapWidth == width && block->rewrapped == stream;
        block->wrapWidth = undo ? 0 : width;
        block->rewrapped = undo ? false : stream;
        if (block->wrap(view.tabSize) != 0) continue;
        ++(undo ? unwrapped : wrapped);
    }
    store.renumber();

    for (const ViewPlaces& place : places) {
        View& each = *place.view;
        each.search.topLine = lineOf(store, place.top, 0);
        if (each.search.currentLine >= 0) {
            each.search.currentLine = lineOf(store, place.current, -1);
        }
        each.display.selStartLine = each.display.selEndLine = -1;
        each.display.lineMark = each.display.markLine = each.display.flashLine = -1;
        if (each.search.findMask[0] != '\0' || each.search.pathMask[0] != '\0') {
            scheduleSearch(each);
        }
        each.screen.valid = false;
        if (each.host) each.host->refresh();
    }
    if (wrapped + unwrapped == 0) {
        if (!refused.empty()) {
            char text[300];
            std::snprintf(text, sizeof text, "%.200s cannot be wrapped.", refused.c_str());
            showStatusInfo(text);
        } else {
            showStatusInfo("cannot wrap this text");
        }
        return 1;
    }
    showStatusInfo(wrapStatusText(width, stream, wrapped == 0).c_str());
    return 0;
}

}  // namespace tessel
