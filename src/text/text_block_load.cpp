#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/snapfile.h"
#include "text/text_store.h"
#include "view/log/message_log.h"

namespace tessel {

namespace {

constexpr int64_t kLoadSpareBytes = 1000;
constexpr size_t kHeaderBytes = 500;
constexpr size_t kReadPieceBytes = 10000000;

// Writes the block-form header "\n:file:\n<path>\n". A path too long for the header is cut,
// but the header always ends with its newline so that the file's first line stays its own.
size_t writeBlockHeader(char* out, const char* path) {
    static constexpr char kLead[] = "\n:file:\n";
    size_t lead = sizeof kLead - 1;
    size_t room = kHeaderBytes - lead - 1;
    size_t pathLength = std::strlen(path);
    if (pathLength > room) pathLength = room;
    std::memcpy(out, kLead, lead);
    std::memcpy(out + lead, path, pathLength);
    out[lead + pathLength] = '\n';
    return lead + pathLength + 1;
}

void replaceBytes(char* text, int64_t length, char from, char to) {
    char* end = text + length;
    for (char* at = text;
         (at = static_cast<char*>(std::memchr(at, from, static_cast<size_t>(end - at))));) {
        *at++ = to;
    }
}

}  // namespace

int TextBlock::loadFile(const char* path, int64_t sizeLimit) {
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
            return 9;
        }
        std::memcpy(copy, path, length + 1);
        reset(0);
        fileName = copy;
    }
    path = fileName;

    struct stat info;
    if (::stat(path, &info) != 0) {
        logMessage("no such file: %s", path);
        return 1;
    }
    fileTime = static_cast<int64_t>(info.st_mtime);
    fileSize = static_cast<int64_t>(info.st_size);
    watchedSize = fileSize;
    if (fileSize < 0) {
        logMessage("no file, or empty: %s", path);
        return 2;
    }
    if (sizeLimit > 0 && fileSize > sizeLimit) return -1;
    // Only regular files are read: a pipe or device could block the load for ever.
    if (!S_ISREG(info.st_mode)) {
        logMessage("cannot read: %s", path);
        return 3;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        logMessage("cannot read: %s", path);
        return 3;
    }

    int64_t size = fileSize;
    int64_t wanted = size + kLoadSpareBytes;
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(wanted)));
    if (!buffer) {
        std::fclose(file);
        reportOutOfMemory(120501, static_cast<long>(wanted));
        fileSize = 0;
        watchedSize = 0;
        return 4;
    }
    text = buffer;
    ownsBuffer = true;
    allocatedBytes = wanted;
    size_t header = writeBlockHeader(buffer, path);

    int64_t got = 0;
    while (got < size) {
        int64_t left = size - got;
        size_t piece = left < static_cast<int64_t>(kReadPieceBytes) ? static_cast<size_t>(left)
                                                                    : kReadPieceBytes;
        size_t read = std::fread(buffer + header + got, 1, piece, file);
        got += static_cast<int64_t>(read);
        if (read < piece || loadStopRequested().load()) break;
    }
    std::fclose(file);
    usedBytes = static_cast<int64_t>(header) + got;
    buffer[usedBytes] = '\0';
    if (got < size) {
        reset(1);
        logMessage("incomplete read: %s", fileName);
        return 5;
    }

    replaceBytes(buffer, usedBytes, '\r', ' ');
    // A NUL would end its line early, and turn into a newline when the text is made raw
    // again (editing, wrapping): it becomes "." as in the line reader.
    replaceBytes(buffer, usedBytes, '\0', '.');
    if (textOptions().fastLoad && hasSnapfileMagic(buffer + header, static_cast<size_t>(got))) {
        logMessage("[note] snapfile loaded incorrectly due to fastload:");
        logMessage("[blue] %s", path);
        logMessage("[note] disable fastload to enable correct load.");
    }
    return indexLines();
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
    int result = block ? block->loadFile(path) : 9;
    if (result != 0) {
        logMessage("failed to load, rc %ld:", static_cast<long>(result));
        logMessage("%s", path ? path : "");
        return 1;
    }
    if (lineCountOut) *lineCountOut = block->lineCount;
    if (usedBytesOut) *usedBytesOut = block->usedBytes;
    return 0;
}

}  // namespace tessel
