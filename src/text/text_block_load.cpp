#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/files/file_open.h"
#include "base/log/message_log.h"
#include "text/snapfile.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Behind the text: its NUL and a little room. Editing copies the text into a buffer of
// its own, so a loaded block needs no more; tens of thousands of files add up.
constexpr int64_t kLoadSpareBytes = 16;
constexpr size_t kHeaderBytes = 500;
constexpr int64_t kReadPieceBytes = 10000000;
constexpr int64_t kCheckPieceBytes = 65536;

constexpr char kHeaderLead[] = "\n:file:\n";

size_t blockHeaderBytes(const char* path) {
    size_t lead = sizeof kHeaderLead - 1;
    size_t room = kHeaderBytes - lead - 1;
    size_t pathLength = std::strlen(path);
    return lead + (pathLength > room ? room : pathLength) + 1;
}

// Writes the block-form header "\n:file:\n<path>\n". A path too long for the header is cut,
// but the header always ends with its newline so that the file's first line stays its own.
size_t writeBlockHeader(char* out, const char* path) {
    size_t lead = sizeof kHeaderLead - 1;
    size_t room = kHeaderBytes - lead - 1;
    size_t pathLength = std::strlen(path);
    if (pathLength > room) pathLength = room;
    std::memcpy(out, kHeaderLead, lead);
    std::memcpy(out + lead, path, pathLength);
    out[lead + pathLength] = '\n';
    return lead + pathLength + 1;
}

// Turns every carriage return into a blank and every NUL into "." in one pass: a NUL would
// end its line early, and turn into a newline when the text is made raw again (editing,
// wrapping), so it becomes "." as in the line reader. Most text has neither, and 16 bytes at
// a time find that out.
void normaliseBytes(char* text, int64_t length) {
    int64_t at = 0;
#if defined(__SSE2__)
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i nul = _mm_setzero_si128();
    for (; at + 16 <= length; at += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        __m128i hits =
            _mm_or_si128(_mm_cmpeq_epi8(bytes, carriageReturn), _mm_cmpeq_epi8(bytes, nul));
        if (_mm_movemask_epi8(hits) == 0) continue;
        for (int64_t i = at; i < at + 16; ++i) {
            if (text[i] == '\r') text[i] = ' ';
            if (text[i] == '\0') text[i] = '.';
        }
    }
#endif
    for (; at < length; ++at) {
        if (text[at] == '\r') text[at] = ' ';
        if (text[at] == '\0') text[at] = '.';
    }
}

}  // namespace

LoadFileResult TextBlock::loadFile(const char* path, int64_t sizeLimit, const LoadCheck* check,
                                   TextPool* pool, int folderFd, const char* nameInFolder) {
    if (!path) path = "";
    if (fileName && std::strcmp(path, fileName) == 0) {
        // The name stays; the old text goes, or its buffer would be lost below.
        logMessage("own fname passed");
        reset(1);
    } else {
        // The path is copied before the reset: it may point into this block's own text.
        size_t length = std::strlen(path);
        char* copy = static_cast<char*>(std::malloc(length + 1));
        if (!copy) {
            reportOutOfMemory(120502, static_cast<long>(length + 1));
            return LoadFileResult::kFailed;
        }
        std::memcpy(copy, path, length + 1);
        reset(0);
        fileName = copy;
    }
    LoadFileResult result = readWholeFile(sizeLimit, check, pool, folderFd, nameInFolder);
    if (result != LoadFileResult::kLoaded) return result;
    return indexLines(nullptr, pool) == 0 ? LoadFileResult::kLoaded : LoadFileResult::kFailed;
}

// Opens and examines the block's file, reads it whole behind the block-form header and
// normalises its line ends; the text is left for indexing.
LoadFileResult TextBlock::readWholeFile(int64_t sizeLimit, const LoadCheck* check, TextPool* pool,
                                        int folderFd, const char* nameInFolder) {
    const char* path = fileName;
    struct stat info {};
    // With a check the caller hands a file that cannot be opened on and reports it there.
    // Only regular files are read: a pipe or device could block the load for ever.
    bool quiet = check != nullptr;
    int file = openRegularFile(path, folderFd, nameInFolder, info);
    if (file == -ENOENT || file == -ENOTDIR) {
        if (!quiet) logMessage("no such file: %s", path);
        return LoadFileResult::kMissing;
    }
    if (file < 0) {
        if (!quiet) logMessage("cannot read: %s", path);
        return LoadFileResult::kUnreadable;
    }
    auto fail = [&file](LoadFileResult result) {
        if (file >= 0) ::close(file);
        return result;
    };
    fileTime = static_cast<int64_t>(info.st_mtime);
    fileSize = static_cast<int64_t>(info.st_size);
    watchedSize = fileSize;
    if (fileSize < 0) {
        logMessage("no file, or empty: %s", path);
        return fail(LoadFileResult::kEmpty);
    }
    if (sizeLimit > 0 && fileSize > sizeLimit) return fail(LoadFileResult::kOverSizeLimit);
    int64_t size = fileSize;
    if (size > kMaxBlockBytes - static_cast<int64_t>(kHeaderBytes + kLoadSpareBytes)) {
        logMessage("[error] file too large to load whole (%ld MB): %s",
                   static_cast<long>(size >> 20), path);
        return fail(LoadFileResult::kOutOfMemory);
    }

    int64_t wanted = static_cast<int64_t>(blockHeaderBytes(path)) + size + kLoadSpareBytes;
    // A file turned away or cut short leaves its pooled slice unused until the pool goes.
    char* buffer = pool ? pool->take(static_cast<size_t>(wanted)) : nullptr;
    textMemory = buffer ? TextMemory::kPool : TextMemory::kHeap;
    if (!buffer) buffer = static_cast<char*>(std::malloc(static_cast<size_t>(wanted)));
    if (!buffer) {
        textMemory = TextMemory::kBorrowed;
        reportOutOfMemory(120501, static_cast<long>(wanted));
        fileSize = 0;
        watchedSize = 0;
        return fail(LoadFileResult::kOutOfMemory);
    }
    text = buffer;
    allocatedBytes = wanted;
    size_t header = writeBlockHeader(buffer, path);

    int64_t got = 0;
    bool checked = !check || !*check;
    while (got < size || !checked) {
        int64_t left = size - got;
        // A check looks at the start first, so that a file it turns away is not read whole.
        int64_t pieceLimit = checked ? kReadPieceBytes : kCheckPieceBytes;
        size_t piece = static_cast<size_t>(left < pieceLimit ? left : pieceLimit);
        ssize_t read = piece > 0 ? ::read(file, buffer + header + got, piece) : 0;
        if (read < 0 && errno == EINTR) continue;
        if (read > 0) got += read;
        if (!checked) {
            checked = true;
            if (!(*check)(buffer + header, static_cast<size_t>(got))) {
                reset(1);
                return fail(LoadFileResult::kTurnedAway);
            }
        }
        if (read <= 0 || loadStopRequested().load()) break;
    }
    ::close(file);
    usedBytes = static_cast<int64_t>(header) + got;
    buffer[usedBytes] = '\0';
    if (got < size) {
        reset(1);
        logMessage("incomplete read: %s", fileName);
        return LoadFileResult::kIncomplete;
    }

    normaliseBytes(buffer, usedBytes);
    if (textOptions().fastLoad && hasSnapfileMagic(buffer + header, static_cast<size_t>(got))) {
        logMessage("[note] snapfile loaded incorrectly due to fastload:");
        logMessage("[blue] %s", path);
        logMessage("[note] disable fastload to enable correct load.");
    }
    return LoadFileResult::kLoaded;
}

int TextStore::loadFileBlock(const char* path, int* lineCountOut, int64_t* usedBytesOut) {
    if (lineCountOut) *lineCountOut = 0;
    if (usedBytesOut) *usedBytesOut = 0;
    TextBlock* block = blockCount > 0 ? blocks[blockCount - 1] : nullptr;
    if (block && block->openForAdding && block->lineCount == 0) {
        // An open block that has received nothing yet is taken over by the file.
        block->reset(0);
    } else {
        if (block && block->openForAdding) block->close();
        block = appendBlock();
    }
    LoadFileResult result = block ? block->loadFile(path) : LoadFileResult::kFailed;
    if (result != LoadFileResult::kLoaded) {
        logMessage("failed to load, rc %ld:", static_cast<long>(result));
        logMessage("%s", path ? path : "");
        return 1;
    }
    if (lineCountOut) *lineCountOut = block->lineCount;
    if (usedBytesOut) *usedBytesOut = block->usedBytes;
    return 0;
}

}  // namespace tessel
