#include "zuknet/net_ring.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "text/text_store.h"
#include "zuknet/net_record.h"

namespace tessel {

namespace {

// Room the block keeps beyond its lines, in lines and in bytes.
constexpr int kSpareLines = 10;
constexpr size_t kSpareBytes = 1000;
constexpr int kHeaderLines = 2;  // ":file:" and the name; the closing line comes last

uint32_t lineMaskOf(const char* text, size_t length) {
    // The low byte holds the file kind for syntax colours; network text has none.
    return codePageTables().maskOf(std::string_view(text, length)) & ~0xFFu;
}

}  // namespace

NetRing::NetRing(TextStore& store) : store_(store) {}

NetRing::~NetRing() {
    if (block_) store_.forgetRingBlock(block_.get());
}

int NetRing::init(int lines, int width) {
    if (lines < 1 || width < 1) {
        logMessage("int. #2129205 %d %d", lines, width);
        return 9;
    }
    const size_t slotBytes = static_cast<size_t>(width) + kSlotSpareBytes;
    const int lineCount = lines + kHeaderLines + 1;
    const int lineCapacity = lineCount + kSpareLines;
    const size_t bufferBytes = static_cast<size_t>(lineCapacity) * slotBytes + kSpareBytes;
    if (bufferBytes > static_cast<size_t>(kMaxBlockBytes)) {
        logMessage("int. #2129206 %zu", bufferBytes);
        return 9;
    }
    std::unique_ptr<char[]> text(new (std::nothrow) char[bufferBytes]());
    std::unique_ptr<char[]> colours(new (std::nothrow) char[bufferBytes]());
    if (!block_) block_.reset(new (std::nothrow) TextBlock(&store_));
    if (!text || !colours || !block_) {
        reportOutOfMemory(2129207, static_cast<long>(2 * bufferBytes));
        return 9;
    }

    TextBlock& block = *block_;
    block.reset(0);
    if (!block.lineArrays.allocate(lineCapacity)) {
        reportOutOfMemory(2129207, static_cast<long>(2 * sizeof(uint32_t) * lineCapacity));
        return 9;
    }
    block.lineArrays.clearFrom(0);
    block.owner = &store_;
    block.setName(kNetlogName);
    block.text = text.get();
    block.textMemory = TextMemory::kBorrowed;
    block.allocatedBytes = static_cast<int64_t>(bufferBytes);
    block.usedBytes = static_cast<int64_t>(lineCount * slotBytes);
    block.colourBuffer = colours.get();
    block.colourBufferSize = static_cast<int64_t>(bufferBytes);
    block.lineCount = lineCount;
    uint32_t* starts = block.lineArrays.starts;
    uint32_t* masks = block.lineArrays.masks;
    for (int i = 0; i < lineCapacity; ++i) {
        starts[i] = i < lineCount ? static_cast<uint32_t>(i * slotBytes) : kNoLineStart;
    }
    std::memcpy(block.text, ":file:", 6);
    std::memcpy(block.text + slotBytes, kNetlogName, sizeof kNetlogName - 1);
    masks[0] = lineMaskOf(block.text, 6);
    masks[1] = lineMaskOf(kNetlogName, sizeof kNetlogName - 1);
    block.slotWidth = width;
    block.ringHead.store(0, std::memory_order_release);
    block.ringFill.store(0, std::memory_order_release);
    block.ring = true;
    // The block points into the new buffers now; the old ones go.
    text_ = std::move(text);
    colours_ = std::move(colours);
    return 0;
}

bool NetRing::hasGeometry(int lines, int width) const {
    return block_ && block_->ring && block_->lineCount == lines + kHeaderLines + 1 &&
           block_->slotWidth == width;
}

void NetRing::writeSlot(int physical, std::string_view prefix, const char* text,
                        const char* colours, size_t length) {
    TextBlock& block = *block_;
    const uint32_t offset = block.lineArrays.starts[physical];
    char* slot = block.text + offset;
    if (!prefix.empty()) std::memcpy(slot, prefix.data(), prefix.size());
    if (length > 0) std::memcpy(slot + prefix.size(), text, length);
    const size_t total = prefix.size() + length;
    slot[total] = '\0';
    if (block.colourBuffer) {
        char* slotColours = block.colourBuffer + offset;
        std::memset(slotColours, renderColourOf(kPrefixColourLetter), prefix.size());
        for (size_t i = 0; i < length; ++i) {
            slotColours[prefix.size() + i] =
                renderColourOf(colours ? colours[i] : kDefaultColourLetter);
        }
        slotColours[total] = '\0';
    }
    block.lineArrays.masks[physical] = lineMaskOf(slot, total);
}

int NetRing::append(const char* text, const char* colours, size_t length, std::string_view prefix) {
    TextBlock* block = block_.get();
    if (!block || !block->ring || block->slotWidth <= 0 || !block->text) {
        logMessage("int. #2129202");
        return -1;
    }
    const int slots = block->lineCount - kHeaderLines - 1;
    // This thread is the only writer of head and fill.
    int head = block->ringHead.load(std::memory_order_relaxed);
    int fill = block->ringFill.load(std::memory_order_relaxed);
    if (slots <= 0 || head < 0 || head >= slots) {
        logMessage("int. #2129203");
        return -1;
    }
    const size_t width = static_cast<size_t>(block->slotWidth);
    if (prefix.size() > width / 2) prefix = {};
    const size_t room = width - prefix.size();

    int completed = 0;
    size_t position = 0;
    do {
        const int physical = head + kHeaderLines;
        if (physical >= block->lineArrays.capacity || block->lineArrays.starts[physical] == kNoLineStart) {
            logMessage("int. #2129204");
            return -1;
        }
        size_t end = position;
        while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
        const size_t pieceLength = end - position < room ? end - position : room;
        writeSlot(physical, prefix, text + position, colours ? colours + position : nullptr,
                  pieceLength);

        position = end;
        bool carriageReturn = false;
        while (position < length && text[position] == '\r') {
            ++position;
            carriageReturn = true;
        }
        const bool lineFeed = position < length && text[position] == '\n';
        if (lineFeed) ++position;
        // A bare carriage return goes back to the start of the line: the next piece
        // rewrites the same slot.
        if (carriageReturn && !lineFeed) continue;
        head = (head + 1) % slots;
        if (fill < slots) ++fill;
        block->ringHead.store(head, std::memory_order_release);
        block->ringFill.store(fill, std::memory_order_release);
        ++completed;
    } while (position < length);
    return completed;
}

void NetRing::clear() {
    TextBlock* block = block_.get();
    if (!block || !block->text) return;
    block->ringFill.store(0, std::memory_order_release);
    block->ringHead.store(0, std::memory_order_release);
    for (int i = kHeaderLines; i < block->lineCount - 1; ++i) {
        const uint32_t offset = block->lineArrays.starts[i];
        if (offset == kNoLineStart) continue;
        block->text[offset] = '\0';
        if (block->colourBuffer) block->colourBuffer[offset] = '\0';
        block->lineArrays.masks[i] = 0;
    }
}

}  // namespace tessel
