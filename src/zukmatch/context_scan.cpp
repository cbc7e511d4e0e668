#include "zukmatch/context_scan.h"

#include <atomic>
#include <chrono>

#include "config/qv_config.h"

namespace tessel {

namespace {

constexpr int kDefaultLookBack = 1000;
constexpr int kLeastLookBack = 100;
constexpr int kMostLookBack = 10000;

std::atomic<bool>& switchFlag() {
    static std::atomic<bool> on{true};
    return on;
}

// Finds the line and renders its display text; leaves `found` untouched when there is none.
void scan(TextStore& store, int firstLine, ContextRules& rules, ContextFound& found) {
    if (firstLine < 0 || firstLine >= store.lineCount()) return;
    TextBlock* block = store.blockForLine(firstLine);
    // Ring slots do not follow each other in the buffer, so a match could not run on into the
    // next line; netlog text has no blocks to show anyway.
    if (block == nullptr || block == &store.emptyBlock || block->text == nullptr ||
        block->fileName == nullptr || block->openForAdding || block->ring) {
        return;
    }
    std::array<int, kContextSlotPositions> slots{};
    const int active = rules.activeSlots(block->fileName, slots);
    if (active == 0) return;

    const char* const begin = block->text;
    const char* const end = block->text + block->usedBytes;
    const int lookBack = contextLookBack();
    for (int line = firstLine, looked = 0; looked < lookBack && line > block->firstLine;
         --line, ++looked) {
        const char* start = block->line(line - block->firstLine);
        if (start < begin || start > end) return;
        const uint8_t first = static_cast<uint8_t>(*start);
        for (int i = 0; i < active; ++i) {
            ZukMatch& matcher = rules.matcher(slots[i]);
            if (!matcher.admits(first)) continue;
            int64_t length = end - start;
            bool lineEnded = true;
            if (matcher.matchAt(start, length, false, lineEnded, true) != kZukMatched) continue;
            int rendered = 0;
            int error = 0;
            const char* text = matcher.render(rendered, error);
            if (text == nullptr) return;
            found.line = line;
            found.text = cleanContextText(std::string_view(text, rendered));
            return;
        }
    }
}

}  // namespace

bool contextSwitch() {
    return switchFlag().load();
}

void setContextSwitch(bool on) {
    switchFlag().store(on);
}

int contextLookBack() {
    const int32_t lines = config().getNumber("usectxlines", kDefaultLookBack);
    return lines < kLeastLookBack || lines > kMostLookBack ? kDefaultLookBack : lines;
}

std::string cleanContextText(std::string_view rendered) {
    std::string text;
    text.reserve(std::min<size_t>(rendered.size(), kContextTextCapacity));
    bool seenText = false;
    bool afterBlank = false;
    for (char c : rendered) {
        if (c == '\0') continue;
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
        if (c == ' ') {
            if (seenText && afterBlank) continue;
            afterBlank = true;
        } else {
            seenText = true;
            afterBlank = false;
        }
        if (text.size() + 1 >= static_cast<size_t>(kContextTextCapacity)) break;
        text.push_back(c);
    }
    return text;
}

ContextFound findContext(TextStore& store, int firstLine, ContextRules& rules) {
    const auto started = std::chrono::steady_clock::now();
    ContextFound found;
    scan(store, firstLine, rules, found);
    found.elapsedUs = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - started)
                          .count();
    return found;
}

ContextFound prepareContext(TextStore& store, const ContextViewState& view) {
    if (!config().getInt("usectx") || !contextSwitch() || store.loadRunning.load() ||
        view.editorActive || !view.normalView) {
        return {};
    }
    return findContext(store, view.topLine + view.reservedRows + 1);
}

}  // namespace tessel
