#include "editor/edit_data.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/log/message_log.h"
#include "editor/edit_session.h"
#include "editor/editor.h"

namespace tessel {

namespace {

// The allocation is 100 bytes larger than the usable capacity: the terminator and the guard
// byte always fit behind a full text.
constexpr int64_t kAllocationSlack = 100;
constexpr int64_t kFirstAllocationExtra = 1000;
constexpr int64_t kFirstCapacityExtra = 500;

struct TextShape {
    int lineBreaks = 0;
    int lastColumn = 0;  // bytes after the last LF (or all bytes without one)
};

TextShape shapeOf(const char* bytes, int64_t count) {
    TextShape shape;
    if (count <= 0) return shape;
    int64_t lastBreak = -1;
    for (const char* at = bytes; (at = static_cast<const char*>(std::memchr(
                                      at, '\n', static_cast<size_t>(bytes + count - at))));
         ++at) {
        ++shape.lineBreaks;
        lastBreak = at - bytes;
    }
    shape.lastColumn = static_cast<int>(count - lastBreak - 1);
    return shape;
}

EditPosition endOf(EditPosition at, const TextShape& shape) {
    if (shape.lineBreaks == 0) return {at.line, at.column + shape.lastColumn};
    return {at.line + shape.lineBreaks, shape.lastColumn};
}

}  // namespace

EditData::~EditData() {
    std::free(text);
    // The recent edit must not take a later text at the same address for this one.
    RecentEdit& recent = editing().recent;
    if (recent.trackedData == this) recent.clear();
}

int EditData::allocate(int64_t textBytes) {
    int64_t bytes = textBytes + kFirstAllocationExtra;
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
    if (!buffer) {
        reportOutOfMemory(170101, static_cast<long>(bytes));
        return 9;
    }
    std::free(text);
    text = buffer;
    capacity = textBytes + kFirstCapacityExtra;
    length = 0;
    text[0] = '\0';
    text[1] = static_cast<char>(kGuardByte);
    return 0;
}

void EditData::setMessageText(std::string_view message) {
    if (!text || capacity < static_cast<int64_t>(message.size())) {
        if (allocate(static_cast<int64_t>(message.size())) != 0) return;
    }
    std::memcpy(text, message.data(), message.size());
    length = static_cast<int64_t>(message.size());
    text[length] = '\0';
    text[length + 1] = static_cast<char>(kGuardByte);
    lineCount = kExtraLines + 1;
    crBeforeLf.clear();
    mixedLineEnds = false;
}

int EditData::reserve(int64_t extra) {
    if (text && capacity - length >= extra + kGrowthReserve) return 0;
    int64_t grownCapacity = capacity + extra + kGrowthReserve;
    int64_t bytes = grownCapacity + kAllocationSlack;
    // realloc keeps the old buffer when it fails; for a large text it moves the pages
    // instead of copying them.
    char* grown = static_cast<char*>(std::realloc(text, static_cast<size_t>(bytes)));
    if (!grown) {
        reportOutOfMemory(170102, static_cast<long>(bytes));
        return 9;
    }
    if (!text) {
        grown[0] = '\0';
        grown[1] = static_cast<char>(kGuardByte);
        length = 0;
    }
    text = grown;
    capacity = grownCapacity;
    clearCaches();
    return 0;
}

std::vector<uint8_t> EditData::crFlagsOf(int firstLf, int lfCount) const {
    if (!mixedLineEnds || lfCount <= 0 || firstLf < 0) return {};
    auto begin = crBeforeLf.begin() + std::min<size_t>(firstLf, crBeforeLf.size());
    auto end = crBeforeLf.begin() +
               std::min<size_t>(static_cast<size_t>(firstLf) + lfCount, crBeforeLf.size());
    return std::vector<uint8_t>(begin, end);
}

int EditData::splice(int64_t offset, int64_t removeCount, std::string_view inserted,
                     EditPosition at, const Editor* acting,
                     const std::vector<uint8_t>* restoredCrFlags) {
    auto insertCount = static_cast<int64_t>(inserted.size());
    if (!text || offset < 0 || removeCount < 0 || offset + removeCount > length) {
        logMessage("int. #170103 %ld %ld %ld", static_cast<long>(offset),
                   static_cast<long>(removeCount), static_cast<long>(length));
        return 9;
    }
    if (insertCount > removeCount && reserve(insertCount - removeCount) != 0) return 9;

    TextShape removed = shapeOf(text + offset, removeCount);
    TextShape added = shapeOf(inserted.data(), insertCount);
    EditPosition removedEnd = endOf(at, removed);
    EditPosition insertedEnd = endOf(at, added);

    // The tail moves with its terminator and guard byte.
    std::memmove(text + offset + insertCount, text + offset + removeCount,
                 static_cast<size_t>(length - offset - removeCount + 2));
    if (insertCount > 0) std::memcpy(text + offset, inserted.data(), inserted.size());
    length += insertCount - removeCount;
    lineCount += added.lineBreaks - removed.lineBreaks;

    if (mixedLineEnds && (removed.lineBreaks > 0 || added.lineBreaks > 0)) {
        // LF number k ends buffer line k: the change starts behind the LFs of earlier lines.
        auto first = static_cast<size_t>(std::max(at.line - kFirstTextLine, 0));
        first = std::min(first, crBeforeLf.size());
        size_t eraseEnd =
            std::min(first + static_cast<size_t>(removed.lineBreaks), crBeforeLf.size());
        crBeforeLf.erase(crBeforeLf.begin() + static_cast<std::ptrdiff_t>(first),
                         crBeforeLf.begin() + static_cast<std::ptrdiff_t>(eraseEnd));
        // New line ends look like the end of the line they split off from.
        uint8_t like = first < crBeforeLf.size() ? crBeforeLf[first]
                       : !crBeforeLf.empty()     ? crBeforeLf.back()
                                                 : uint8_t{1};
        std::vector<uint8_t> fresh(static_cast<size_t>(added.lineBreaks), like);
        if (restoredCrFlags && restoredCrFlags->size() == fresh.size()) fresh = *restoredCrFlags;
        crBeforeLf.insert(crBeforeLf.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(),
                          fresh.end());
    }

    committed = false;
    setModified(true);
    for (Editor* editor : editors) {
        if (editor == acting) continue;
        editor->clearCache();
        editor->follow(at, removedEnd, insertedEnd);
    }
    return 0;
}

int EditData::overwriteByte(int64_t offset, char byte, EditPosition at, const Editor* acting) {
    if (!text || offset < 0 || offset >= length) {
        logMessage("int. #170104 %ld %ld", static_cast<long>(offset), static_cast<long>(length));
        return 9;
    }
    char old = text[offset];
    text[offset] = byte;
    if (old != '\n' && byte == '\n') ++lineCount;
    if (old == '\n' && byte != '\n') --lineCount;
    if (mixedLineEnds && (old == '\n') != (byte == '\n')) {
        auto index = static_cast<size_t>(std::max(at.line - kFirstTextLine, 0));
        index = std::min(index, crBeforeLf.size());
        if (byte == '\n') {
            uint8_t like = index < crBeforeLf.size() ? crBeforeLf[index]
                           : !crBeforeLf.empty()     ? crBeforeLf.back()
                                                     : uint8_t{1};
            crBeforeLf.insert(crBeforeLf.begin() + static_cast<std::ptrdiff_t>(index), like);
        } else if (index < crBeforeLf.size()) {
            crBeforeLf.erase(crBeforeLf.begin() + static_cast<std::ptrdiff_t>(index));
        }
    }
    committed = false;
    setModified(true);
    EditPosition removedEnd =
        old == '\n' ? EditPosition{at.line + 1, 0} : EditPosition{at.line, at.column + 1};
    EditPosition insertedEnd =
        byte == '\n' ? EditPosition{at.line + 1, 0} : EditPosition{at.line, at.column + 1};
    for (Editor* editor : editors) {
        if (editor == acting) continue;
        editor->clearCache();
        editor->follow(at, removedEnd, insertedEnd);
    }
    return 0;
}

void EditData::setModified(bool on) {
    if (on) everModified = true;
    if (modified == on) return;
    modified = on;
    if (EditHost* host = editing().host) host->textChanged();
}

void EditData::clearCaches() {
    for (Editor* editor : editors) editor->clearCache();
}

bool EditData::writesCrBefore(int bufferLine) const {
    if (mixedLineEnds) {
        return bufferLine >= 0 && static_cast<size_t>(bufferLine) < crBeforeLf.size() &&
               crBeforeLf[static_cast<size_t>(bufferLine)] != 0;
    }
    return lineEndFlags != kLineEndLf;
}

void EditData::setUniformLineEnds(bool crlf) {
    lineEndFlags = crlf ? (kLineEndCr | kLineEndLf) : kLineEndLf;
    mixedLineEnds = false;
    crBeforeLf.clear();
}

void releaseEditLock(EditData* data) {
    if (!data) return;
    if (--data->lockCount == 0) {
        delete data;
    } else if (data->lockCount < 0) {
        logMessage("wrong lock count %d on data", data->lockCount);
    }
}

bool isUntitledName(const char* name) {
    return name && std::strncmp(name, "// ", 3) == 0;
}

}  // namespace tessel
