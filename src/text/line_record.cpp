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
#if defined(__x86_64__)
#include <immintrin.h>
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

#if defined(__x86_64__)
#define TESSEL_CUT_VECTORS 1
#define TESSEL_CUT_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi,bmi2,popcnt")))

bool haveCutVectors() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
    return has;
}

// Writes 32 bytes of ordinary line text (their newlines in `newlines`) with a blank in front
// of every newline, and returns how many bytes that made. Up to 64 bytes are written.
TESSEL_CUT_TARGET inline int expandHalf(__m512i bytes, uint32_t newlines, char* out) {
    // Every byte of the half becomes a pair of output bits: a byte "1 -" (only the first bit
    // used), a newline "0 1", the 0 being its blank. Gathering the used bits gives where the
    // bytes go, without a branch per line.
    constexpr uint64_t kFirst = 0x5555555555555555;
    const uint64_t newlinePairs = _pdep_u64(newlines, ~kFirst);
    const uint64_t pairs = _pdep_u64(~newlines, kFirst) | newlinePairs;
    const int written = 32 + std::popcount(newlines);
    const uint64_t placed = _pext_u64(pairs, kFirst | newlinePairs);
    const uint64_t blanks = _bzhi_u64(~placed, static_cast<unsigned>(written));
    __m512i spread = _mm512_maskz_expand_epi8(placed, bytes);
    spread = _mm512_mask_mov_epi8(spread, blanks, _mm512_set1_epi8(' '));
    _mm512_storeu_si512(out, spread);
    return written;
}

// Cuts whole 64-byte windows in which every line is an ordinary one: no carriage return, NUL
// or end-of-file mark, no line that starts like a header or colour text, and, when lines are
// scanned for UTF-8, no byte above 127. Each line is written as the loop in cutLines writes
// it; the line still open when the windows stop is left to that loop, `start` and `length`
// telling where it began and how much of it is written. Returns the lines ended.
TESSEL_CUT_TARGET int64_t cutOrdinaryWindows(const char*& in, const char* end, char* text,
                                             int64_t& at, int64_t& start, size_t& length,
                                             char headerStart, bool stopAtHigh) {
    const __m512i newline = _mm512_set1_epi8('\n');
    const __m512i carriageReturn = _mm512_set1_epi8('\r');
    const __m512i endOfFile = _mm512_set1_epi8(26);
    const __m512i header = _mm512_set1_epi8(headerStart);
    const __m512i snapfile = _mm512_set1_epi8(kSnapfileMagic[0]);
    const __m512i colour = _mm512_set1_epi8(kColourTextMagic[0]);
    int64_t lines = 0;
    while (end - in >= 64) {
        const __m512i bytes = _mm512_loadu_si512(in);
        const __mmask64 newlines = _mm512_cmpeq_epi8_mask(bytes, newline);
        __mmask64 odd = _mm512_cmpeq_epi8_mask(bytes, carriageReturn) |
                        _mm512_cmpeq_epi8_mask(bytes, endOfFile) |
                        _mm512_testn_epi8_mask(bytes, bytes);
        if (stopAtHigh) odd |= _mm512_movepi8_mask(bytes);
        // Lines start behind each newline, and at the window's first byte when the line
        // before ended right in front of it.
        const __mmask64 lineStarts = (newlines << 1) | (length == 0 ? 1 : 0);
        odd |= lineStarts &
               (_mm512_cmpeq_epi8_mask(bytes, header) | _mm512_cmpeq_epi8_mask(bytes, snapfile) |
                _mm512_cmpeq_epi8_mask(bytes, colour));
        const size_t firstEnd = newlines != 0 ? std::countr_zero(newlines) : 64;
        if (odd != 0 || length + firstEnd > kMaxLineBytes) break;
        at += expandHalf(bytes, static_cast<uint32_t>(newlines), text + at);
        at += expandHalf(_mm512_maskz_alignr_epi64(0x0F, bytes, bytes, 4),
                         static_cast<uint32_t>(newlines >> 32), text + at);
        in += 64;
        if (newlines == 0) {
            length += 64;
            continue;
        }
        lines += std::popcount(newlines);
        // The bytes behind the last newline open the next line.
        length = static_cast<size_t>(std::countl_zero(newlines));
        start = at - static_cast<int64_t>(length);
    }
    return lines;
}
#endif

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
#if defined(TESSEL_CUT_VECTORS)
    const bool vectors = haveCutVectors();
#endif
    while (in < end) {
        int64_t start = at;
        size_t length = 0;
        bool newline = false;
        bool high = false;
#if defined(TESSEL_CUT_VECTORS)
        // Most lines are ordinary: whole windows of them are cut at once, and this loop goes
        // on with the line the windows leave open.
        if (vectors)
            lines += cutOrdinaryWindows(in, end, text, at, start, length, prefix.front(), scan);
#endif
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
