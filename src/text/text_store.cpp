#include "text/text_store.h"

#include <climits>
#include <cstring>
#include <functional>
#include <new>

#include "base/log/message_log.h"
#include "text/snapfile.h"

namespace tessel {

namespace {

constexpr int kFirstTableCapacity = 112;
// The table always keeps this many free slots behind the last block.
constexpr int kFreeTableSlots = 4;

bool holdsAddress(const TextBlock* block, const char* address) {
    if (!block || !block->text) return false;
    std::less<const char*> before;
    return !before(address, block->text) && before(address, block->text + block->usedBytes);
}

}  // namespace

TextOptions& textOptions() {
    static TextOptions options;
    return options;
}

std::atomic<bool>& loadStopRequested() {
    static std::atomic<bool> requested{false};
    return requested;
}

TextStore& textStore() {
    static TextStore store;
    return store;
}

TextStore::TextStore() = default;

TextStore::~TextStore() {
    // Ring blocks belong to the network receiver, which frees them itself.
    for (int i = 0; i < blockCount; ++i) {
        if (blocks[i] && !blocks[i]->ring) delete blocks[i];
    }
}

bool TextStore::startsWithPrefix(const char* line) const {
    // The first byte settles nearly every line before the full comparison.
    return prefixLength > 0 && line && line[0] == recordPrefix[0] &&
           std::strncmp(line, recordPrefix, prefixLength) == 0;
}

void TextStore::takePrefixFromHeader(const char* headerLine) {
    if (!headerLine) return;
    SnapfileHeader header;
    if (!parseSnapfileHeader(headerLine, std::strlen(headerLine), header)) return;
    hasPrefix = header.hasPrefix;
    prefixOnNameLine = header.hasPrefix && header.prefixOnNameLine;
    int length = header.hasPrefix ? header.prefixLength : 0;
    if (length > static_cast<int>(sizeof recordPrefix) - 1) length = sizeof recordPrefix - 1;
    std::memcpy(recordPrefix, header.prefix, static_cast<size_t>(length));
    recordPrefix[length] = '\0';
    prefixLength = length;
}

bool TextStore::reserveSlot() {
    if (blockCount + kFreeTableSlots > blockCapacity) {
        int grown = blockCapacity == 0 ? kFirstTableCapacity : 2 * blockCapacity + 4;
        TextBlock** table = new (std::nothrow) TextBlock*[static_cast<size_t>(grown)]();
        if (!table) {
            reportOutOfMemory(120101, static_cast<long>(grown * sizeof(TextBlock*)));
            return false;
        }
        for (int i = 0; i < blockCount; ++i) table[i] = blocks[i];
        blocks.reset(table);
        blockCapacity = grown;
    }
    if (blockCount + 2 >= blockCapacity) {
        logMessage("internal #79292305");
        return false;
    }
    return true;
}

bool TextStore::adoptBlock(TextBlock* block) {
    if (!reserveSlot()) {
        delete block;
        return false;
    }
    block->owner = this;
    blocks[blockCount++] = block;
    return true;
}

TextBlock* TextStore::appendBlock(TextBlock* ringBlock) {
    if (ringBlock) {
        if (!ringBlock->ring) {
            logMessage("int. #2129209");
            return nullptr;
        }
        // The receiver appends its ring again after every clear; once is enough.
        for (int i = 0; i < blockCount; ++i) {
            if (blocks[i] == ringBlock) return ringBlock;
        }
    }
    if (!reserveSlot()) return nullptr;
    TextBlock* block = ringBlock;
    if (!block) {
        block = new (std::nothrow) TextBlock(this);
        if (!block) {
            reportOutOfMemory(120102, static_cast<long>(sizeof(TextBlock)));
            return nullptr;
        }
    }
    block->owner = this;
    blocks[blockCount++] = block;
    return block;
}

int TextStore::addLine(const char* line, bool lineMode) {
    if (!line) line = "";
    if (blockCount == 0) {
        if (hasSnapfileMagic(line, std::strlen(line))) {
            snapfile = true;
            takePrefixFromHeader(line);
        }
        TextBlock* first = appendBlock();
        if (!first) return 9;
        if (first->openForAdd() != 0) return 9;
    }
    TextBlock* last = blocks[blockCount - 1];
    if (startsWithPrefix(line) || !last->openForAdding) {
        if (!last->openForAdding || last->lineCount > 0) {
            // A failed close has been reported; the next file still gets its own block.
            if (last->openForAdding) last->close();
            last = appendBlock();
            if (!last) return 9;
            if (last->openForAdd() != 0) return 9;
        } else if (traceMode()) {
            logMessage("reuse otx %ld", static_cast<long>(blockCount - 1));
        }
    }
    return last->addText(line, lineMode, -1);
}

int TextStore::closeLast() {
    if (blockCount == 0) {
        logMessage("int. #21990637");
        return 9;
    }
    TextBlock* last = blocks[blockCount - 1];
    if (!last->openForAdding) return 0;
    return last->close();
}

int TextStore::finish() {
    if (blockCount == 0) {
        // The intro text goes in line by line, each line with its newline.
        const char* at = kIntroText;
        char piece[sizeof kIntroText];
        while (*at) {
            const char* end = std::strchr(at, '\n');
            size_t length = end ? static_cast<size_t>(end - at) + 1 : std::strlen(at);
            std::memcpy(piece, at, length);
            piece[length] = '\0';
            addLine(piece, true);
            at += length;
        }
        if (blockCount == 0) {
            logMessage("int. #34292221");
            return 9;
        }
    }
    int result = 0;
    if (blocks[blockCount - 1]->openForAdding) result = closeLast();
    renumber();
    return result;
}

int TextStore::renumber() {
    atext = utext = alin = ulin = 0;
    int64_t running = 0;
    for (int i = 0; i < blockCount; ++i) {
        TextBlock* block = blocks[i];
        block->firstLine = static_cast<int>(running);
        running += block->lineCount;
        // Global line numbers are ints: anything beyond stays unreachable instead of wrapping.
        if (running > INT_MAX) running = INT_MAX;
        block->endLine = static_cast<int>(running);
        atext += block->allocatedBytes;
        utext += block->usedBytes;
        alin += block->lineArrays.capacity;
        ulin += block->lineCount;
    }
    totalLines = static_cast<int>(running);
    // Line counts may have changed: a cached range would now point into the wrong block.
    cache = LineLookupCache{};
    return 0;
}

int TextStore::findLine(int line, bool* notFound) {
    if (notFound) *notFound = false;
    if (cache.firstLine <= line && line < cache.endLine) {
        if (cache.blockIndex < blockCount) return cache.blockIndex;
        if (!cacheFaultReported) {
            cacheFaultReported = true;
            logMessage("int. #215280721");
        }
    }
    if (line >= 0 && line < totalLines) {
        int64_t sum = 0;
        for (int i = 0; i < blockCount; ++i) {
            int64_t before = sum;
            sum += blocks[i]->lineCount;
            if (sum > line) {
                cache.firstLine = static_cast<int>(before);
                cache.endLine = static_cast<int>(sum > INT_MAX ? INT_MAX : sum);
                cache.blockIndex = i;
                return i;
            }
        }
    }
    cache = LineLookupCache{};
    // The flag is set on an empty store too, so that no caller indexes a missing block.
    if (notFound) *notFound = true;
    if (blockCount > 0) logMessage("[note] no text index for line %ld", static_cast<long>(line));
    return -1;
}

TextBlock* TextStore::blockForLine(int line, TextBlock* hint, int* blockIndexOut, int callerTag) {
    // The hint cannot tell its own index, so a caller that wants the index takes the lookup.
    if (hint && !blockIndexOut && hint->firstLine <= line && line < hint->endLine) return hint;
    bool notFound = false;
    int index = findLine(line, &notFound);
    if (notFound) {
        if (blockIndexOut) *blockIndexOut = -1;
        if (blockCount > 0) {
            logMessage("[note] no text block for line %ld (%d)", static_cast<long>(line),
                       callerTag);
        }
        return &emptyBlock;
    }
    if (blockIndexOut) *blockIndexOut = index;
    return blocks[index];
}

TextBlock* TextStore::blockAt(int index) {
    if (index < 0 || index >= blockCount) {
        if (blockCount > 0) logMessage("no text block for index %ld", static_cast<long>(index));
        return &emptyBlock;
    }
    return blocks[index];
}

const char* TextStore::lineText(int line) {
    bool notFound = false;
    int index = findLine(line, &notFound);
    if (notFound) return "[null3]";
    return blocks[index]->line(line - cache.firstLine);
}

const char* TextStore::lineTextAndMask(int line, uint32_t* mask) {
    bool notFound = false;
    int index = findLine(line, &notFound);
    if (notFound) {
        if (mask) *mask = 0;
        return "[null4]";
    }
    return blocks[index]->lineAndMask(line - cache.firstLine, mask);
}

uint32_t& TextStore::lineMask(int line) {
    bool notFound = false;
    int index = findLine(line, &notFound);
    if (notFound) {
        spareMask = 0;
        return spareMask;
    }
    return blocks[index]->lineMaskRef(line - cache.firstLine);
}

TextBlock* TextStore::blockForAddress(const char* address, TextBlock* hint) {
    if (loadRunning.load() || !address) return nullptr;
    if (holdsAddress(hint, address)) return hint;
    for (int i = 0; i < blockCount; ++i) {
        if (holdsAddress(blocks[i], address)) return blocks[i];
    }
    return nullptr;
}

TextBlock* TextStore::blockByName(const char* name) {
    if (loadRunning.load() || !name) return nullptr;
    for (int i = 0; i < blockCount; ++i) {
        const char* own = blocks[i]->fileName;
        if (own && std::strcmp(own, name) == 0) return blocks[i];
    }
    return nullptr;
}

void TextStore::clear() {
    for (int i = 0; i < blockCount; ++i) {
        if (blocks[i] && !blocks[i]->ring) delete blocks[i];
    }
    blocks.reset();
    blockCount = 0;
    blockCapacity = 0;
    // Ring blocks never take from the pool: every slice left went with the blocks above.
    textPool.release();
    snapfile = false;
    hasPrefix = false;
    prefixOnNameLine = false;
    std::memset(recordPrefix, 0, sizeof recordPrefix);
    prefixLength = 0;
    totalLines = 0;
    atext = utext = alin = ulin = 0;
    cache = LineLookupCache{};
    cacheFaultReported = false;
    spareMask = 0;
}

void TextStore::forgetRingBlock(const TextBlock* ringBlock) {
    for (int i = 0; i < blockCount; ++i) {
        if (blocks[i] != ringBlock) continue;
        for (int k = i + 1; k < blockCount; ++k) blocks[k - 1] = blocks[k];
        blocks[--blockCount] = nullptr;
        renumber();
        return;
    }
}

void TextStore::statistics() {
    constexpr int64_t kMegabyte = 1048576;
    // A line slot costs one pointer and one mask, counted as 8 bytes.
    logMessage("atext=%ld utext=%ld alin=%ld ulin=%ld", static_cast<long>(atext / kMegabyte),
               static_cast<long>(utext / kMegabyte), static_cast<long>(alin * 8 / kMegabyte),
               static_cast<long>(ulin * 8 / kMegabyte));
}

}  // namespace tessel
