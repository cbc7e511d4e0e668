// Reading a file again for editing. The file is read into the edit buffer itself and then
// compacted in place in two passes: the first counts (line ends, TABs, what cannot be
// edited), the second drops the CR of each CR LF and the colour lines of colour text, and
// decodes the lines of a UTF-8 file. Nothing here ever makes the text longer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "base/files/file_open.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "editor/edit_data.h"
#include "editor/edit_encoding.h"
#include "editor/edit_file_io.h"
#include "text/text_block_lines.h"

namespace tessel {

namespace {

struct FileCounts {
    int64_t lineFeeds = 0;
    int64_t crLineFeeds = 0;  // LFs with a CR before them
    int64_t carriageReturns = 0;
    int64_t loneCarriageReturns = 0;
    int64_t tabs = 0;
    bool zeroByte = false;
};

// One pass per byte kind: newlines and TABs are counted by vectorised loops, and the rare
// CR and NUL bytes are found by memchr.
FileCounts countBytes(const char* text, int64_t length) {
    FileCounts counts;
    counts.lineFeeds = countNewlines(text, length);
    counts.tabs = std::count(text, text + length, '\t');
    counts.zeroByte = std::memchr(text, '\0', static_cast<size_t>(length)) != nullptr;
    const char* end = text + length;
    for (const char* at = text;
         (at = static_cast<const char*>(std::memchr(at, '\r', static_cast<size_t>(end - at))));
         ++at) {
        ++counts.carriageReturns;
        if (at + 1 < end && at[1] == '\n') {
            ++counts.crLineFeeds;
        } else {
            ++counts.loneCarriageReturns;
        }
    }
    return counts;
}

int readWhole(const char* path, EditData& data, std::string& reason) {
    struct stat info {};
    int file = openRegularFile(path, -1, nullptr, info);
    if (file < 0) {
        logMessage("cannot read: %s", path);
        reason = "text failed to load";
        return 9;
    }
    auto size = static_cast<int64_t>(info.st_size);
    if (data.allocate(size) != 0) {
        ::close(file);
        reason = "out of memory";
        return 9;
    }
    int64_t got = 0;
    while (got < size) {
        ssize_t read = ::read(file, data.text + got, static_cast<size_t>(size - got));
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) break;
        got += read;
    }
    ::close(file);
    if (got != size) {
        logMessage("incomplete read: %s", path);
        reason = "text failed to load";
        return 9;
    }
    data.length = size;
    return 0;
}

}  // namespace

int EditData::load(const TextBlock& block, std::string& failReason) {
    for (UndoStep& step : undo.steps) step.clear();
    undo.head = 0;
    const char* name = block.fileName;
    if (!name || isUntitledName(name)) {
        resetFileState();
        if (allocate(0) != 0) return 9;
        lineCount = kExtraLines + 1;
        lineEndFlags = appSettings().linuxMode ? kLineEndLf : (kLineEndCr | kLineEndLf);
        disk = DiskIdentity{};
        return 0;
    }
    int result = readForEditing(name, blockWasDecoded(block), block.colourText, failReason);
    if (result == kEncodingNotKept) {
        // Some line would not come back as it was: edit the file's bytes as they are.
        logMessage("[note] UTF-8 text is edited as raw bytes: %s", name);
        result = readForEditing(name, false, block.colourText, failReason);
    }
    return result;
}

void EditData::resetFileState() {
    crBeforeLf.clear();
    mixedLineEnds = false;
    encoding = EditEncoding::kRaw;
    rawHoldsUtf8 = false;
    tabCount = crCount = 0;
}

int EditData::readForEditing(const char* name, bool decode, bool colourText,
                             std::string& failReason) {
    resetFileState();
    if (readWhole(name, *this, failReason) != 0) {
        setMessageText(failReason == "out of memory" ? "[out of memory]" : "[cannot load text]");
        return 9;
    }
    disk = identityOf(name);

    FileCounts counts = countBytes(text, length);
    if (counts.zeroByte) {
        setMessageText("[cannot edit text, contains binary]");
        failReason = "text contains binary or uses wide characters";
        return 9;
    }
    // A CR without LF is a line end of its own kind; dropping it would join lines on save.
    if (counts.loneCarriageReturns > 0) {
        setMessageText("[cannot edit text, it has line ends of a single CR]");
        failReason = "text has carriage returns without line feeds";
        return 9;
    }
    int64_t bomBytes = 0;
    if (decode && length >= 3 && std::memcmp(text, kUtf8Bom, 3) == 0) bomBytes = 3;
    mixedLineEnds = counts.crLineFeeds > 0 && counts.crLineFeeds < counts.lineFeeds;
    if (colourText) logMessage("[blue] color is removed on editing");

    // Second pass: compact in place. Colour text drops its first line and the colour line
    // after each text line.
    std::string decoded;
    int64_t read = bomBytes;
    int64_t write = 0;
    int64_t physical = 0;
    int64_t breaks = 0;
    for (;;) {
        const void* found = std::memchr(text + read, '\n', static_cast<size_t>(length - read));
        int64_t lineEnd = found ? static_cast<const char*>(found) - text : length;
        bool crlf = found && lineEnd > read && text[lineEnd - 1] == '\r';
        bool colourLine = colourText && physical % 2 == 0;
        ++physical;
        if (!colourLine) {
            std::string_view body(text + read,
                                  static_cast<size_t>((crlf ? lineEnd - 1 : lineEnd) - read));
            if (decode) {
                if (!decodeLineExactly(body, decoded)) return kEncodingNotKept;
                body = decoded;
            }
            if (body.data() != text + write) std::memmove(text + write, body.data(), body.size());
            write += static_cast<int64_t>(body.size());
            if (found) {
                text[write++] = '\n';
                if (mixedLineEnds) crBeforeLf.push_back(crlf ? 1 : 0);
                ++breaks;
            }
        }
        read = lineEnd + 1;
        if (!found || read >= length) break;
    }
    length = write;
    text[length] = '\0';
    text[length + 1] = static_cast<char>(kGuardByte);
    if (decode) {
        encoding = bomBytes ? EditEncoding::kUtf8Bom : EditEncoding::kUtf8;
    } else {
        rawHoldsUtf8 = holdsUtf8(textView());
    }
    tabCount = counts.tabs;
    crCount = counts.carriageReturns;
    lineEndFlags =
        (counts.carriageReturns > 0 ? kLineEndCr : 0) | (counts.lineFeeds > 0 ? kLineEndLf : 0);
    // A text without any line end gets the system's own for the lines the user adds.
    if (lineEndFlags == 0) {
        lineEndFlags = appSettings().linuxMode ? kLineEndLf : (kLineEndCr | kLineEndLf);
    }
    lineCount = static_cast<int>(breaks) + kExtraLines + 1;
    logMessage("[blue] %ld lines, %ld bytes", static_cast<long>(breaks + 1),
               static_cast<long>(length));
    return 0;
}

}  // namespace tessel
