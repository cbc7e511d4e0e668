#include "editor/undo_ring.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "base/log/message_log.h"

namespace tessel {

void UndoStep::clear() {
    kind = 0;
    column = line = length = 0;
    inlineText[0] = '\0';
    longText.reset();
    offset = 0;
    lineBreaks = linesBefore = 0;
    crBeforeLf.clear();
}

int UndoRing::record(char kind, int column, int line, std::string_view text, int64_t offset,
                     int lineBreaks, int linesBefore, std::vector<uint8_t> crFlags) {
    UndoStep& step = steps[static_cast<size_t>(head)];
    step.clear();
    if (text.size() > static_cast<size_t>(INT32_MAX)) {
        logMessage("[error] change too large to undo (%zu bytes)", text.size());
        return 9;
    }
    step.kind = kind;
    step.column = column;
    step.line = line;
    step.length = static_cast<int32_t>(text.size());
    step.offset = offset;
    step.lineBreaks = lineBreaks;
    step.linesBefore = linesBefore;
    step.crBeforeLf = std::move(crFlags);
    if (text.size() <= static_cast<size_t>(kUndoInlineBytes)) {
        std::memcpy(step.inlineText, text.data(), text.size());
        step.inlineText[text.size()] = '\0';
    } else {
        step.longText.reset(new (std::nothrow) char[text.size() + 2]);
        if (!step.longText) {
            reportOutOfMemory(170201, static_cast<long>(text.size() + 2));
            step.clear();
            return 9;
        }
        std::memcpy(step.longText.get(), text.data(), text.size());
        step.longText[text.size()] = '\0';
    }
    head = (head + 1) % kUndoSlots;
    return 0;
}

void UndoRing::dropLast() {
    head = lastSlot();
    steps[static_cast<size_t>(head)].clear();
}

}  // namespace tessel
