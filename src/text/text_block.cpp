#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "base/log/message_log.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"

namespace tessel {

namespace {

// A header line shorter than this gets blanks up to it, leaving room for the encoding tag.
constexpr int64_t kHeaderColumns = 80;
constexpr size_t kWidenedBytes = 200;
constexpr int64_t kFirstBufferGrowth = 4096;
constexpr int64_t kSlowGrowthAbove = 299999999;

bool startsWithBytes(const char* text, int64_t length, const char* start, int startLength) {
    return startLength > 0 && length >= startLength && text[0] == start[0] &&
           std::memcmp(text, start, static_cast<size_t>(startLength)) == 0;
}

// Copies the text up to its line end, pads it with blanks to the header width and puts the
// line end back behind the padding.
int64_t widenHeader(const char* text, int64_t length, char* out) {
    int64_t body = 0;
    while (body < length && text[body] != '\r' && text[body] != '\n') ++body;
    int64_t at = body;
    std::memcpy(out, text, static_cast<size_t>(body));
    while (at < kHeaderColumns) out[at++] = ' ';
    for (int64_t i = body; i < length && at < static_cast<int64_t>(kWidenedBytes); ++i) {
        out[at++] = text[i];
    }
    return at;
}

}  // namespace

TextBlock::TextBlock(TextStore* ownerStore) : owner(ownerStore) {}

TextBlock::~TextBlock() {
    reset(0);
}

int TextBlock::openForAdd() {
    if (openForAdding) {
        logMessage("text block opened twice for adding");
        return 9;
    }
    if (text && usedBytes > 0) {
        // Indexing turned every newline into a NUL: make the text raw again.
        for (char* at = text; (at = static_cast<char*>(std::memchr(
                                   at, '\0', static_cast<size_t>(text + usedBytes - at))));) {
            *at++ = '\n';
        }
        text[usedBytes] = '\0';
    }
    encodingFlags = 0;
    firstUtf8Offset = firstInvalidOffset = 0;
    firstUtf8Line = firstInvalidLine = 0;
    utf8Decoded = false;
    // From now on the line count counts the adds; the old line starts are stale.
    lineCount = 0;
    openForAdding = true;
    return 0;
}

int TextBlock::addText(const char* added, bool lineMode, int64_t length) {
    if (!openForAdding) {
        logMessage("add on non-open textblock");
        return 9;
    }
    if (!added) added = "";
    if (length < 0) length = static_cast<int64_t>(std::strlen(added));
    if (startsWithBytes(added, length, kColourTextMagic, sizeof kColourTextMagic - 1)) {
        colourText = true;
        return 0;
    }
    char widened[kWidenedBytes + 1];
    if (lineCount == 0 && textOptions().utf8Decode && length < kHeaderColumns && owner &&
        startsWithBytes(added, length, owner->recordPrefix, owner->prefixLength)) {
        length = widenHeader(added, length, widened);
        added = widened;
    }
    if (lineCount < INT_MAX) ++lineCount;

    // Room for the text plus a blank, a newline and the NUL that line mode may add.
    if (!text || usedBytes + length > allocatedBytes - 20) {
        int64_t growth = !text                               ? kFirstBufferGrowth
                         : allocatedBytes > kSlowGrowthAbove ? allocatedBytes / 2 * 3
                                                             : 2 * allocatedBytes;
        int64_t wanted = length + growth + 10;
        if (wanted < usedBytes + 6) {
            logMessage("int. #2912281");
            return 9;
        }
        char* grown = static_cast<char*>(std::malloc(static_cast<size_t>(wanted)));
        if (!grown) {
            reportOutOfMemory(120201, static_cast<long>(wanted));
            return 9;
        }
        if (text && usedBytes > 0) std::memcpy(grown, text, static_cast<size_t>(usedBytes));
        grown[usedBytes] = '\0';
        releaseText();
        text = grown;
        allocatedBytes = wanted;
        textMemory = TextMemory::kHeap;
    }

    int64_t start = usedBytes;
    if (length > 0) std::memcpy(text + start, added, static_cast<size_t>(length));
    usedBytes += length;
    // The copy is scanned rather than the caller's text, which may be read-only.
    if (textOptions().utf8Decode && length > 0) scanAddedText(start, length);

    bool endsWithNewline = length > 0 && added[length - 1] == '\n';
    if (lineMode) {
        int64_t end = length;
        while (end > 0 && added[end - 1] == '\n') --end;
        if (end == 0 || added[end - 1] != ' ') {
            if (endsWithNewline) {
                text[usedBytes - 1] = ' ';
                text[usedBytes++] = '\n';
            } else {
                text[usedBytes++] = ' ';
            }
        }
    }
    if (!endsWithNewline) text[usedBytes++] = '\n';
    text[usedBytes] = '\0';
    return 0;
}

void TextBlock::scanAddedText(int64_t start, int64_t length) {
    uint32_t before = encodingFlags;
    utf8ScanDecode(text + start, static_cast<size_t>(length), false, encodingFlags);
    if (!(before & kEncodingValidUtf8) && (encodingFlags & kEncodingValidUtf8))
        firstUtf8Offset = start;
    if (!(before & kEncodingInvalid) && (encodingFlags & kEncodingInvalid))
        firstInvalidOffset = start;
}

int TextBlock::close(TextPool* pool) {
    if (!openForAdding) {
        logMessage("close on closed text block");
        return 9;
    }
    // Colour text ends with a text line, never with a colour line.
    if (colourText && lineCount % 2 == 0) addText(" \n", true);
    openForAdding = false;
    bool onHeap = text && textMemory == TextMemory::kHeap;
    char* slice = nullptr;
    if (pool && !outOfMemoryReported() && onHeap)
        slice = pool->take(static_cast<size_t>(usedBytes + 10));
    if (slice) {
        std::memcpy(slice, text, static_cast<size_t>(usedBytes + 1));
        std::free(text);
        text = slice;
        allocatedBytes = usedBytes + 10;
        textMemory = TextMemory::kPool;
    } else if (!outOfMemoryReported() && onHeap && allocatedBytes > usedBytes + 10) {
        int64_t wanted = usedBytes + 10;
        char* shrunk = static_cast<char*>(std::realloc(text, static_cast<size_t>(wanted)));
        if (shrunk) {
            text = shrunk;
            allocatedBytes = wanted;
        } else {
            reportOutOfMemory(120202, static_cast<long>(wanted));
        }
    }
    bool headerHadTimeAndSize = false;
    if (indexLines(&headerHadTimeAndSize, pool) != 0) return 9;
    if (headerHadTimeAndSize || clipText) return 0;
    // A name with a double backslash is a network path: reading it can be slow.
    if (traceMode() && fileName && std::strstr(fileName, "\\\\")) {
        size_t length = std::strlen(fileName);
        logMessage("[note] readfs: %s", length > 40 ? fileName + length - 40 : fileName);
    }
    statFile();
    return 0;
}

void TextBlock::releaseText() {
    if (textMemory == TextMemory::kHeap) std::free(text);
    if (textMemory != TextMemory::kBorrowed) std::free(colourBuffer);
    text = nullptr;
    textMemory = TextMemory::kBorrowed;
    colourBuffer = nullptr;
    colourBufferSize = 0;
}

void TextBlock::reset(int level) {
    lineArrays.release();
    lineCount = 0;
    endLine = firstLine;
    releaseText();
    usedBytes = 0;
    allocatedBytes = 0;
    std::free(shadow);
    shadow = nullptr;
    shadowSize = 0;

    openForAdding = false;
    colourText = false;
    helpText = false;
    clipText = false;
    encodingFlags = 0;
    firstUtf8Offset = firstInvalidOffset = 0;
    firstUtf8Line = firstInvalidLine = 0;
    utf8Decoded = false;
    ring = false;
    slotWidth = 0;
    ringHead = 0;
    ringFill = 0;
    spareMask[0] = spareMask[1] = 0;

    if (level < 2) {
        fileTime = 0;
        fileSize = 0;
        watchedSize = 0;
    }
    if (level < 1) {
        std::free(fileName);
        fileName = nullptr;
        wrapWidth = -1;
        rewrapped = false;
        // The block's own lock on the editor data goes with it; open editors keep theirs.
        if (editData) {
            EditDataBase* data = editData;
            editData = nullptr;
            data->block = nullptr;
            if (--data->lockCount == 0) delete data;
        }
    }
}

int TextBlock::setName(const char* name) {
    char* copy = nullptr;
    if (name) {
        size_t length = std::strlen(name);
        copy = static_cast<char*>(std::malloc(length + 1));
        if (!copy) {
            reportOutOfMemory(120203, static_cast<long>(length + 1));
            return 9;
        }
        std::memcpy(copy, name, length + 1);
    }
    std::free(fileName);
    fileName = copy;
    return 0;
}

int TextBlock::statFile() {
    struct stat info;
    if (!fileName || ::stat(fileName, &info) != 0) return 1;
    fileTime = static_cast<int64_t>(info.st_mtime);
    fileSize = static_cast<int64_t>(info.st_size);
    watchedSize = fileSize;
    return 0;
}

int TextBlock::checkChanged(int* changeCode) {
    int ignored = 0;
    int& code = changeCode ? *changeCode : ignored;
    if (!fileName) {
        code = 1;
        return 0;
    }
    if (fileTime == 0) {
        code = 2;
        return 0;
    }
    watchedSize = fileSize;
    struct stat info;
    // A file that cannot be examined (deleted) stays as loaded.
    if (::stat(fileName, &info) != 0) return 0;
    watchedSize = static_cast<int64_t>(info.st_size);
    int64_t time = static_cast<int64_t>(info.st_mtime);
    if (time == 0) {
        code = 3;
        return 0;
    }
    if (time != fileTime) {
        code = 4;
        return 1;
    }
    if (watchedSize != fileSize) {
        code = 5;
        return 1;
    }
    code = 6;
    return 0;
}

const char* TextBlock::line(int index) const {
    if (ring) index = physicalIndex(index);
    if (index < 0 || index >= lineCount || openForAdding || !text) return "[null2]";
    const char* start = lineAt(index);
    return start ? start : "[null2]";
}

const char* TextBlock::lineAndMask(int index, uint32_t* mask) const {
    if (ring) index = physicalIndex(index);
    if (index < 0 || index >= lineCount || openForAdding || !text ||
        lineArrays.starts[index] == kNoLineStart) {
        if (mask) *mask = 0;
        return "[null9]";
    }
    if (mask) *mask = lineArrays.masks[index];
    return text + lineArrays.starts[index];
}

uint32_t& TextBlock::lineMaskRef(int index) {
    if (ring) index = physicalIndex(index);
    if (index < 0 || index >= lineCount || openForAdding) {
        spareMask[0] = 0;
        return spareMask[0];
    }
    return lineArrays.masks[index];
}

int TextBlock::lineOfAddress(const char* address) const {
    std::less<const char*> before;
    if (text && address && lineArrays.starts && !openForAdding && !before(address, text) &&
        before(address, text + usedBytes)) {
        // Line starts rise through the buffer: a binary search finds the candidate.
        uint32_t wanted = static_cast<uint32_t>(address - text);
        int low = 0;
        int high = lineCount - 1;
        while (low <= high) {
            int middle = low + (high - low) / 2;
            uint32_t start = lineArrays.starts[middle];
            if (start == wanted) return firstLine + logicalIndex(middle);
            if (start == kNoLineStart || start < wanted) {
                low = middle + 1;
            } else {
                high = middle - 1;
            }
        }
    }
    if (traceMode()) logMessage("optim.2 tmis");
    return -1;
}

int TextBlock::headerLine(const char* nameForMessage) const {
    if (!owner || owner->prefixLength == 0) return 0;
    if (owner->startsWithPrefix(line(0))) return firstLine;
    if (nameForMessage && !owner->startsWithPrefix(line(1))) {
        logMessage("[blue] no prefix on %s", nameForMessage);
    }
    return firstLine + 1;
}

int TextBlock::nameLine(const char* nameForMessage) const {
    if (!owner || owner->prefixLength == 0) return 0;
    if (owner->prefixOnNameLine) return headerLine(nameForMessage);
    int skip = owner->startsWithPrefix(line(0)) ? 0 : 1;
    if (skip == 1 && nameForMessage && !owner->startsWithPrefix(line(1))) {
        logMessage("[blue] no prefix on %s ll=%ld", nameForMessage, static_cast<long>(firstLine));
    }
    return firstLine + skip + (lineCount > skip + 1 ? 1 : 0);
}

const char* TextBlock::kindName(int globalLine) const {
    if (!fileName) return "text with undefined filename";
    if (!text) return "text with missing data";
    if (openForAdding) return "text in loading state";
    if (helpText) return "internal help text";
    if (clipText) return "clipboard text";
    if (ring) return "netlog text";
    if (wrapWidth > 0) return "wrapped text";
    if (rewrapped) return "rewrapped text";
    if (shadow) return "text with shadow data";
    if (globalLine < 10 && std::strcmp(fileName, "// intro") == 0) return "tessel internal text";
    return nullptr;
}

const char* TextBlock::reloadKind() const {
    if (editData) return "text opened by editor(s)";
    if (openForAdding) return "text in loading state";
    if (colourText) return "interleaved color text";
    return nullptr;
}

bool TextBlock::canWrap() const {
    return fileName && !openForAdding && !colourText && !helpText && !ring;
}

int TextBlock::replaceText(std::string_view lines) {
    if (openForAdding) {
        logMessage("int. #2912292");
        return 9;
    }
    int64_t time = fileTime;
    int64_t size = fileSize;
    int64_t watched = watchedSize;
    uint32_t flags = encodingFlags;
    reset(2);
    if (openForAdd() != 0) return 9;
    std::string line;
    size_t start = 0;
    for (;;) {
        size_t end = lines.find('\n', start);
        if (end == std::string_view::npos) end = lines.size();
        line.assign(lines.substr(start, end - start));
        line += " \n";
        if (addText(line.data(), true, static_cast<int64_t>(line.size())) != 0) return 9;
        if (end == lines.size()) break;
        start = end + 1;
    }
    encodingFlags = flags;
    utf8Decoded = true;
    int result = close();
    // The text did not come from the file: what is known about the file stays.
    fileTime = time;
    fileSize = size;
    watchedSize = watched;
    return result;
}

int TextBlock::attachEditData(EditDataBase* data) {
    if (!data) return 1;
    if (editData) {
        logMessage("int. #215301146 %p/%p", static_cast<void*>(editData), static_cast<void*>(data));
        return 9;
    }
    if (data->block && data->block != this) {
        logMessage("int. #215301147 %p/%p", static_cast<void*>(data->block),
                   static_cast<void*>(this));
        return 9;
    }
    ++data->lockCount;
    data->block = this;
    editData = data;
    return 0;
}

int TextBlock::detachEditData(EditDataBase* data) {
    if (!data) return 1;
    if (data->block != this) {
        logMessage("int. #215301148 %p/%p", static_cast<void*>(data->block),
                   static_cast<void*>(this));
        return 9;
    }
    if (editData != data) {
        logMessage("int. #215301149 %p/%p", static_cast<void*>(editData), static_cast<void*>(data));
        return 9;
    }
    if (data->lockCount != 1) logMessage("int. #215301150 %d", data->lockCount);
    editData = nullptr;
    data->block = nullptr;
    if (--data->lockCount == 0) {
        delete data;
    } else if (data->lockCount < 0) {
        logMessage("wrong lock count %d on data", data->lockCount);
    }
    return 0;
}

// Logical line 2 is always the oldest slot once the ring has filled up; before that the
// slots are in order. The two mappings are exact inverses.
int TextBlock::physicalIndex(int logical) const {
    // The ring's header, name and closing lines hold no slot.
    int slots = lineCount - kRecordHeaderLines;
    if (!ring || logical < 2 || logical >= lineCount - 1 || slots <= 0 ||
        lineArrays.capacity < slots || ringFill.load(std::memory_order_acquire) < slots) {
        return logical;
    }
    int offset = (logical - 2 + ringHead.load(std::memory_order_acquire) % slots) % slots;
    if (offset < 0) offset += slots;
    return offset + 2;
}

int TextBlock::logicalIndex(int physical) const {
    int slots = lineCount - kRecordHeaderLines;
    if (!ring || physical < 2 || physical >= lineCount - 1 || slots <= 0 ||
        lineArrays.capacity < slots || ringFill.load(std::memory_order_acquire) < slots) {
        return physical;
    }
    int offset = (physical - 2 - ringHead.load(std::memory_order_acquire) % slots) % slots;
    if (offset < 0) offset += slots;
    return offset + 2;
}

}  // namespace tessel
