#include "text/line_record.h"

#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/files/file_open.h"
#include "text/file_classify.h"
#include "text/line_bytes.h"
#include "text/load_target.h"
#include "text/snapfile.h"
#include "text/text_store.h"

namespace tessel {

namespace {

static_assert(kSnapfileMagic[0] == kClusterMagic[0]);

// Larger files go through the line reader's window: a buffer of twice their size is a lot to
// ask for at once, and such files are too few to matter for the speed of a load.
constexpr int64_t kLargestFile = int64_t{256} << 20;

// What a record adds to the file's lines at most: the header line (widened to at most 200
// bytes), the blank and newline of the name line, the blank and newline a last line without
// a newline gets, the closing line, the NUL and the ten bytes a closed block keeps, rounded up.
// The lines themselves take at most twice the file's bytes: a line of k bytes and its newline
// become k bytes, a blank and a newline, plus an apostrophe when it looks like a header (which
// takes k of at least 6).
constexpr size_t kRecordOverhead = 256;

// The file's bytes are read behind the room the record takes and cut forward from there, so
// the output, growing by at most one byte per input byte, stays behind the input still to be
// read. The vector steps below write up to 16 bytes ahead; this keeps them off the input.
constexpr size_t kWriteAhead = 64;

// Copies bytes up to the first one the line cutter must look at (newline, carriage return,
// NUL, end-of-file mark), at most `limit`, and returns how many that were. Up to 15 bytes
// behind them may be written too. `high` is set when a byte above 127 was among the bytes
// looked at, which may include a few behind the run: a hint that the line needs a UTF-8 scan.
inline size_t copyPlain(const char* in, size_t limit, char* out, bool& high) {
    size_t at = 0;
#if defined(__SSE2__)
    for (; at + 16 <= limit; at += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), bytes);
        if (_mm_movemask_epi8(bytes) != 0) high = true;
        const uint32_t found = lineSpecialBits(bytes);
        if (found != 0) return at + static_cast<size_t>(std::countr_zero(found));
    }
#endif
    for (; at < limit; ++at) {
        char c = in[at];
        if (isLineSpecialByte(c)) break;
        high = high || static_cast<unsigned char>(c) > 127;
        out[at] = c;
    }
    return at;
}

bool startsWithColourMagic(const char* line, size_t length) {
    constexpr size_t kLength = sizeof kColourTextMagic - 1;
    return length >= kLength && line[0] == kColourTextMagic[0] &&
           std::memcmp(line, kColourTextMagic, kLength) == 0;
}

// Cuts the file's bytes into the lines the line reader would pass and writes each as the load
// target and TextBlock::addText store it: escaped with an apostrophe when it looks like a
// header, ended by a blank and a newline, scanned for UTF-8 when it has high bytes. Writes
// from the block's used bytes on. Returns the number of lines, or -1 for a line that would
// make the block colour text (left to the line reader).
int64_t cutLines(TextBlock& block, const char* in, const char* end, std::string_view prefix) {
    char* text = block.text;
    int64_t at = block.usedBytes;
    bool scan = textOptions().utf8Decode;
    int64_t lines = 0;
    while (in < end) {
        int64_t start = at;
        size_t length = 0;
        bool newline = false;
        bool high = false;
        for (;;) {
            size_t room = kMaxLineBytes - length;
            auto left = static_cast<size_t>(end - in);
            size_t plain = copyPlain(in, left < room ? left : room, text + at, high);
            in += plain;
            at += static_cast<int64_t>(plain);
            length += plain;
            if (in >= end) break;
            char c = *in;
            if (c == '\n') {
                ++in;
                newline = true;
                break;
            }
            if (c == '\r') {
                ++in;
                continue;
            }
            // A full line ends here when another byte follows: a line of exactly the maximum
            // length and its newline stay one line.
            if (length == kMaxLineBytes) break;
            text[at++] = '.';  // a NUL or an end-of-file mark
            ++in;
            ++length;
        }
        if (length == 0 && !newline) break;
        // The header test sees the line as the reader passes it, with its newline. Both magics
        // start with the same byte, so one byte settles nearly every line first.
        text[at] = '\n';
        char first = text[start];
        if ((first == kSnapfileMagic[0] || first == prefix.front()) &&
            looksLikeHeader(text + start, length + (newline ? 1 : 0), prefix)) {
            std::memmove(text + start + 1, text + start, length);
            text[start] = '\'';
            ++at;
        }
        text[at++] = ' ';
        text[at++] = '\n';
        if (startsWithColourMagic(text + start, static_cast<size_t>(at - start))) return -1;
        if (scan && high) block.scanAddedText(start, at - start);
        ++lines;
    }
    block.usedBytes = at;
    text[at] = '\0';
    return lines;
}

}  // namespace

int buildLineRecord(TextBlock& block, const LineRecordFile& file, const LineReaderOptions& options,
                    TextPool* pool, LineReaderCounts& counts) {
    // Without a record prefix no line is taken for a header; such stores are rare enough to
    // leave to the line reader.
    if (options.recordPrefix.empty()) return kUseLineReader;
    struct stat info {};
    int fd = openRegularFile(file.path, file.folderFd, file.nameInFolder, info);
    if (fd < 0) return kNotPlainText;
    int64_t size = static_cast<int64_t>(info.st_size);
    if (size < 0 || size > kLargestFile) {
        ::close(fd);
        return kUseLineReader;
    }
    const char* shown = file.name ? file.name : file.path;
    char nameLine[kLineBufferBytes + 1];
    size_t nameLength = LineReader::formatNameLine(nameLine, shown, options.recordPrefix);

    auto fileBytes = static_cast<size_t>(size);
    size_t inputAt = kRecordOverhead + nameLength + fileBytes + kWriteAhead;
    // One byte more than the file should have: a file that grew since fstat shows as such.
    size_t total = inputAt + fileBytes + 1;
    char* buffer = pool ? pool->take(total) : nullptr;
    bool pooled = buffer != nullptr;
    if (!pooled) buffer = static_cast<char*>(std::malloc(total));
    auto giveUp = [&](int result) {
        if (fd >= 0) ::close(fd);
        if (pooled)
            pool->shrinkLast(buffer, total, 0);
        else
            std::free(buffer);
        return result;
    };
    if (!buffer) return giveUp(kUseLineReader);

    char* input = buffer + inputAt;
    size_t got = 0;
    for (;;) {
        ssize_t n = ::read(fd, input + got, fileBytes + 1 - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return giveUp(kUseLineReader);
        if (n == 0) break;
        got += static_cast<size_t>(n);
        if (got > fileBytes) return giveUp(kUseLineReader);
        // A read that stops at the size fstat gave has met the end: no read is spent on
        // finding nothing more.
        if (got == fileBytes) break;
    }
    ::close(fd);
    fd = -1;
    FileClass kind =
        classifyFileStart(shown, reinterpret_cast<const unsigned char*>(input),
                          got < kClassifyBytes ? got : kClassifyBytes, options.loadWchar);
    if (kind.binary || kind.wide || kind.snapfile || kind.database) return giveUp(kNotPlainText);

    // The header and name lines take the road of every line into a block; the room before
    // the input is far more than they need, so the block never grows into the input.
    if (block.openForAdd() != 0) return giveUp(kUseLineReader);
    block.text = buffer;
    block.textMemory = pooled ? TextMemory::kPool : TextMemory::kHeap;
    block.allocatedBytes = static_cast<int64_t>(inputAt);
    block.usedBytes = 0;
    buffer[0] = '\0';
    LoadTarget target;
    target.block = &block;
    char header[kRecordHeaderBytes];
    size_t headerLength = LineReader::formatRecordHeader(header, options, info, nullptr);
    target.writeLine(header, headerLength, false);
    target.writeLine(nameLine, nameLength, true);

    std::string_view prefix = options.recordPrefix.substr(
        0, options.recordPrefix.size() < kRecordPrefixMax ? options.recordPrefix.size()
                                                          : kRecordPrefixMax);
    int64_t lines = cutLines(block, input, input + got, prefix);
    if (lines < 0) {
        // The block no longer owns the buffer given back here.
        block.text = nullptr;
        block.textMemory = TextMemory::kBorrowed;
        block.reset(0);
        return giveUp(kUseLineReader);
    }
    block.lineCount += static_cast<int>(lines);
    block.allocatedBytes = static_cast<int64_t>(total);
    target.writeLine("\n", 1, false);

    // The block keeps its text and ten bytes, as a closed block does.
    auto kept = static_cast<size_t>(block.usedBytes + 10);
    if (pooled) {
        pool->shrinkLast(buffer, total, kept);
        block.allocatedBytes = static_cast<int64_t>(kept);
    }
    block.close(pool);
    ++counts.files;
    counts.lines += static_cast<uint64_t>(lines);
    counts.bytes += got;
    return 0;
}

}  // namespace tessel
