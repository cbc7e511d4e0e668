#include "text/line_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/files/file_open.h"
#include "base/log/message_log.h"
#include "text/file_classify.h"
#include "text/line_bytes.h"
#include "text/snapfile.h"
#include "text/snapfile_load.h"

namespace tessel {

namespace {

// Binary extraction keeps runs of at least this many text bytes and cuts its lines here.
constexpr size_t kMinimumRun = 3;
constexpr size_t kExtractedLineBytes = 80;
constexpr int64_t kExtractProgressMs = 1000;
constexpr int kStopCode = 19;

bool isExtractableByte(unsigned char byte) {
    return (byte >= 32 && byte <= 126) || (byte >= 193 && byte <= 254);
}

bool startsWith(const char* text, size_t length, std::string_view start) {
    return !start.empty() && length >= start.size() && text[0] == start[0] &&
           std::memcmp(text, start.data(), start.size()) == 0;
}

// The number of leading bytes of text[0, length) that can be copied unchanged. Lines are
// short but files are large: testing 16 bytes at a time keeps this off the profile.
size_t plainPrefix(const char* text, size_t length) {
    size_t at = 0;
#if defined(__SSE2__)
    for (; at + 16 <= length; at += 16) {
        const uint32_t found =
            lineSpecialBits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at)));
        if (found != 0) return at + static_cast<size_t>(std::countr_zero(found));
    }
#endif
    while (at < length && !isLineSpecialByte(text[at])) ++at;
    return at;
}

std::string_view cutPrefix(std::string_view prefix) {
    return prefix.size() > kRecordPrefixMax ? prefix.substr(0, kRecordPrefixMax) : prefix;
}

// Wide text read for the UTF-8 code page: the bytes of one read, and of its units as UTF-8
// (3 n + 3 for n units) still fit the window.
constexpr size_t kWideReadBytes = (kReadWindowBytes - 3) / 3 * 2;

// Keeps one byte of each complete 16-bit unit of bytes[0, count) at the start of bytes.
size_t narrowUnits(char* bytes, size_t count, bool bigEndian) {
    size_t units = count / 2;
    size_t pick = bigEndian ? 1 : 0;
    for (size_t i = 0; i < units; ++i) bytes[i] = bytes[2 * i + pick];
    return units;
}

void reportReadFailure(const char* path, int error) {
    char reason[160];
    if (error == EINVAL)
        std::snprintf(reason, sizeof reason, " (not a regular file)");
    else
        std::snprintf(reason, sizeof reason, " (%s)", std::strerror(error));
    logMessage("cannot read: %s%s\n", path, reason);
}

}  // namespace

bool looksLikeHeader(const char* text, size_t length, std::string_view recordPrefix) {
    return startsWith(text, length, recordPrefix) || startsWith(text, length, kSnapfileMagic) ||
           startsWith(text, length, kClusterMagic);
}

int passLine(SourceLine& line, bool escape, const LineOutput& output) {
    if (!escape) return output(line.text, line.length, !line.hasNewline);
    line.text[-1] = '\'';
    return output(line.text - 1, line.length + 1, !line.hasNewline);
}

long readWideText(int fd, char* buffer, size_t size, bool bigEndian, const char* name, int* error) {
    if (size < 2) {
        logMessage("cannot read ucs-2, buffer too small: %s", name ? name : "");
        return -1;
    }
    if (size % 2 != 0) {
        logMessage("cannot read ucs-2, uneven buffer size: %s", name ? name : "");
        return -1;
    }
    size_t got = readFully(fd, buffer, size, error);
    // A trailing odd byte is half a unit: the file ends inside a character.
    return static_cast<long>(narrowUnits(buffer, got, bigEndian));
}

LineSource::LineSource()
    : window_(new char[kReadWindowBytes]),
      lineBuffer_(new char[1 + kLineBufferBytes + 2]),
      lineCapacity_(kLineBufferBytes) {}

LineSource::~LineSource() {
    close();
}

int LineSource::open(const char* path, int folderFd, const char* nameInFolder) {
    close();
    int fd = openRegularFile(path, folderFd, nameInFolder, info_);
    if (fd < 0) return -fd;
    fd_ = fd;
    wide_ = false;
    wideToUtf8_ = false;
    bigEndian_ = false;
    atEnd_ = false;
    readError_ = 0;
    bytesRead_ = 0;
    windowUsed_ = 0;
    windowPos_ = 0;
    // A buffer grown for one very long line is not kept for the files after it.
    if (lineCapacity_ > kLineBufferBytes * 256) {
        lineBuffer_.reset(new char[1 + kLineBufferBytes + 2]);
        lineCapacity_ = kLineBufferBytes;
    }
    return 0;
}

void LineSource::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    windowUsed_ = 0;
    windowPos_ = 0;
}

size_t LineSource::peekStart(const unsigned char** bytes) {
    windowPos_ = 0;
    windowUsed_ = readRaw(window_.get(), kClassifyBytes);
    *bytes = reinterpret_cast<const unsigned char*>(window_.get());
    return windowUsed_;
}

void LineSource::switchToWide(bool bigEndian) {
    wide_ = true;
    bigEndian_ = bigEndian;
    char* bytes = window_.get() + windowPos_;
    size_t count = windowUsed_ - windowPos_;
    bool bom = count >= 2 && static_cast<unsigned char>(bytes[bigEndian ? 0 : 1]) == 0xFE &&
               static_cast<unsigned char>(bytes[bigEndian ? 1 : 0]) == 0xFF;
    wideToUtf8_ = utf8DecoderKeepsBytes();
    if (!wideToUtf8_) {
        windowUsed_ = windowPos_ + narrowUnits(bytes, count, bigEndian);
        if (bom && bytesRead_ == count) ++windowPos_;
        return;
    }
    if (!wideBytes_) wideBytes_ = std::make_unique<uint8_t[]>(kWideReadBytes);
    wideConverter_ = WideToUtf8{bigEndian, 0};
    // The bytes read to classify the file are far fewer than one read.
    size_t skip = bom && bytesRead_ == count ? 2 : 0;
    count = std::min(count, kWideReadBytes) - skip;
    std::memcpy(wideBytes_.get(), bytes + skip, count);
    windowUsed_ = windowPos_ + wideConverter_.convert(wideBytes_.get(), count, bytes);
    if (atEnd_) windowUsed_ += wideConverter_.finish(window_.get() + windowUsed_);
}

size_t LineSource::readRaw(char* into, size_t size) {
    if (fd_ < 0 || atEnd_) return 0;
    int error = 0;
    size_t got = readFully(fd_, into, size, &error);
    if (error != 0) readError_ = error;
    if (got < size) atEnd_ = true;
    bytesRead_ += got;
    return got;
}

bool LineSource::fill() {
    windowPos_ = 0;
    windowUsed_ = 0;
    if (fd_ < 0 || atEnd_) return false;
    if (!wide_) {
        windowUsed_ = readRaw(window_.get(), kReadWindowBytes);
    } else if (wideToUtf8_) {
        return fillWideAsUtf8();
    } else {
        int error = 0;
        // The window size is even, so the refusals of readWideText cannot happen here.
        long kept = readWideText(fd_, window_.get(), kReadWindowBytes, bigEndian_, "", &error);
        if (error != 0) readError_ = error;
        if (kept < 0) kept = 0;
        if (static_cast<size_t>(kept) * 2 < kReadWindowBytes - 1) atEnd_ = true;
        bytesRead_ += static_cast<uint64_t>(kept) * 2;
        windowUsed_ = static_cast<size_t>(kept);
    }
    return windowUsed_ > 0;
}

void LineSource::growLineBuffer(size_t kept) {
    size_t capacity = lineCapacity_ * 2 < kMaxLineBytes ? lineCapacity_ * 2 : kMaxLineBytes;
    std::unique_ptr<char[]> grown(new char[1 + capacity + 2]);
    std::memcpy(grown.get(), lineBuffer_.get(), 1 + kept);
    lineBuffer_ = std::move(grown);
    lineCapacity_ = capacity;
}

bool LineSource::fillWideAsUtf8() {
    char* window = window_.get();
    // A whole read always gives text; only the last one may end with half a pair.
    while (windowUsed_ == 0 && !atEnd_) {
        const size_t got = readRaw(reinterpret_cast<char*>(wideBytes_.get()), kWideReadBytes);
        // A trailing odd byte is half a unit: the file ends inside a character.
        windowUsed_ = wideConverter_.convert(wideBytes_.get(), got - got % 2, window);
    }
    if (atEnd_) windowUsed_ += wideConverter_.finish(window + windowUsed_);
    return windowUsed_ > 0;
}

bool LineSource::next(size_t maxLength, SourceLine& line) {
    if (maxLength > kMaxLineBytes) maxLength = kMaxLineBytes;
    char* out = lineBuffer_.get() + 1;
    size_t length = 0;
    bool newline = false;
    for (;;) {
        if (windowPos_ >= windowUsed_ && !fill()) {
            if (length == 0) return false;
            break;
        }
        const char* window = window_.get();
        size_t pos = windowPos_;
        size_t used = windowUsed_;
        bool done = false;
        while (pos < used) {
            // Ordinary bytes up to the next one that needs handling are copied in one go.
            size_t room = (maxLength < lineCapacity_ ? maxLength : lineCapacity_) - length;
            size_t limit = used - pos < room ? used - pos : room;
            size_t plain = plainPrefix(window + pos, limit);
            std::memcpy(out + length, window + pos, plain);
            length += plain;
            pos += plain;
            if (pos >= used) break;
            char c = window[pos];
            if (c == '\n') {
                out[length++] = '\n';
                ++pos;
                newline = true;
                done = true;
                break;
            }
            if (c == '\r') {
                ++pos;
                continue;
            }
            // Splitting only when another byte follows keeps a line of exactly maxLength
            // bytes in one piece.
            if (length == maxLength) {
                done = true;
                break;
            }
            if (length == lineCapacity_) {
                growLineBuffer(length);
                out = lineBuffer_.get() + 1;
                continue;
            }
            if (c == '\0' || c == 26) c = '.';
            out[length++] = c;
            ++pos;
        }
        windowPos_ = pos;
        if (done) break;
    }
    out[length] = '\0';
    line.text = out;
    line.length = length;
    line.hasNewline = newline;
    return true;
}

bool LineSource::nextChunk(const unsigned char** bytes, size_t* count) {
    if (windowPos_ >= windowUsed_ && !fill()) return false;
    *bytes = reinterpret_cast<const unsigned char*>(window_.get() + windowPos_);
    *count = windowUsed_ - windowPos_;
    windowPos_ = windowUsed_;
    return true;
}

size_t LineReader::formatHeaderLine(char* out, size_t capacity, std::string_view prefix,
                                    const uint64_t* mtime, const uint64_t* size,
                                    const char* wideCode) {
    if (out == nullptr || capacity == 0) return 0;
    char attributes[96];
    int attributeLength = 0;
    if (mtime != nullptr)
        attributeLength +=
            std::snprintf(attributes + attributeLength, sizeof attributes - attributeLength,
                          " mtime=%" PRIu64, *mtime);
    if (size != nullptr)
        attributeLength +=
            std::snprintf(attributes + attributeLength, sizeof attributes - attributeLength,
                          " size=%" PRIu64, *size);
    if (wideCode != nullptr)
        attributeLength +=
            std::snprintf(attributes + attributeLength, sizeof attributes - attributeLength,
                          " code=utf16%s", wideCode);
    prefix = cutPrefix(prefix);
    int blanks = kHeaderLineColumns - static_cast<int>(prefix.size()) - attributeLength;
    if (blanks < 0) blanks = 0;
    int written = std::snprintf(out, capacity, "%.*s%*s%s", static_cast<int>(prefix.size()),
                                prefix.data(), blanks, "", attributes);
    if (written < 0) return 0;
    return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
}

size_t LineReader::formatRecordHeader(char* out, const LineReaderOptions& options,
                                      const struct stat& info, const char* wideCode) {
    uint64_t mtime = info.st_mtime > 0 ? static_cast<uint64_t>(info.st_mtime) : 0;
    uint64_t size = info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
    size_t length = formatHeaderLine(out, kRecordHeaderBytes - 1, cutPrefix(options.recordPrefix),
                                     options.writeTime ? &mtime : nullptr,
                                     options.writeSize ? &size : nullptr, wideCode);
    out[length++] = '\n';
    out[length] = '\0';
    return length;
}

// The name line is bounded by the line buffer. A relative name that reads like a header
// (Linux allows ":file:x" as a file name) gets "./" in front: the same file, but no new
// record.
size_t LineReader::formatNameLine(char* out, const char* name, std::string_view recordPrefix) {
    size_t nameLength = std::strlen(name);
    size_t lead = looksLikeHeader(name, nameLength, cutPrefix(recordPrefix)) ? 2 : 0;
    if (nameLength > kLineBufferBytes - lead) nameLength = kLineBufferBytes - lead;
    std::memcpy(out, "./", lead);
    std::memcpy(out + lead, name, nameLength);
    out[lead + nameLength] = '\0';
    return lead + nameLength;
}

int LineReader::readFile(const char* path, const char* name, const LineOutput& output, int folderFd,
                         const char* nameInFolder) {
    if (path == nullptr || !output) {
        logError(0, "line reader called without %s", path == nullptr ? "path" : "output");
        return 9;
    }
    int openError = source_.open(path, folderFd, nameInFolder);
    if (openError != 0) {
        if (options.plainOnly) return kNotPlainText;
        reportReadFailure(path, openError);
        return 9;
    }
    const struct stat& info = source_.info();

    const unsigned char* start = nullptr;
    size_t startCount = source_.peekStart(&start);
    if (source_.readError() != 0) {
        int readError = source_.readError();
        source_.close();
        if (options.plainOnly) return kNotPlainText;
        reportReadFailure(path, readError);
        return kReadFailed;
    }
    FileClass kind = classifyFileStart(name ? name : path, start, startCount, options.loadWchar);
    std::string_view prefix = cutPrefix(options.recordPrefix);
    if (options.plainOnly && (kind.binary || kind.wide || kind.snapfile || kind.database)) {
        source_.close();
        return kNotPlainText;
    }

    if (kind.snapfile) {
        if (!options.nestedSnapfiles) {
            logMessage("skipping snap file: %s\n", path);
            ++counts.snapfilesSkipped;
            source_.close();
            return kSkippedSnapfile;
        }
        SnapfileHeader header;
        parseSnapfileHeader(reinterpret_cast<const char*>(start), startCount, header);
        if (header.hasPrefix && !header.prefixOnNameLine &&
            std::string_view(header.prefix, header.prefixLength) == prefix) {
            int rc = copySnapfileRecords(source_, prefix, output, counts, path);
            source_.close();
            return rc;
        }
        // Records under another prefix would not be split into files here; they would
        // join the file before them. Loaded as one text, they stay visible as they are.
        logMessage("[note] snapfile with another record prefix loaded as one text:");
        logMessage("[blue] %s", path);
    }
    bool extract = false;
    if (kind.binary) {
        if (!options.loadBin && !options.explicitlyNamed) {
            ++counts.binarySkipped;
            source_.close();
            return kSkippedBinary;
        }
        extract = true;
    }
    bool wide = kind.wide && options.loadWchar && !extract;
    if (wide) {
        source_.switchToWide(kind.bigEndian);
        ++counts.wideFiles;
    }

    char header[kRecordHeaderBytes];
    size_t headerLength =
        formatRecordHeader(header, options, info, wide ? (kind.bigEndian ? "be" : "le") : nullptr);
    int rc = output(header, headerLength, false);
    if (rc == 0) {
        size_t nameLength = formatNameLine(extracted_ + 1, name ? name : path, prefix);
        rc = output(extracted_ + 1, nameLength, true);
    }
    ++counts.files;
    if (rc == 0) rc = extract ? extractBinaryText(output) : writeLines(output);
    counts.bytes += source_.bytesRead();
    int readError = source_.readError();
    source_.close();
    if (rc == 0) rc = output("\n", 1, false);
    if (readError != 0) {
        reportReadFailure(path, readError);
        return 9;
    }
    return rc == 0 ? 0 : 9;
}

int LineReader::writeLines(const LineOutput& output) {
    std::string_view prefix = cutPrefix(options.recordPrefix);
    SourceLine line;
    while (source_.next(kMaxLineBytes, line)) {
        ++counts.lines;
        int rc = passLine(line, looksLikeHeader(line.text, line.length, prefix), output);
        if (rc != 0) return rc;
    }
    return 0;
}

int LineReader::emitExtracted(const LineOutput& output) {
    if (extractedLength_ == 0) return 0;
    SourceLine line;
    line.text = extracted_ + 1;
    line.length = extractedLength_;
    line.text[extractedLength_] = '\0';
    extractedLength_ = 0;
    ++counts.lines;
    return passLine(line, looksLikeHeader(line.text, line.length, cutPrefix(options.recordPrefix)),
                    output);
}

// Collects runs of text bytes from a binary file. Runs shorter than kMinimumRun are noise
// between binary data and are dropped; kept runs are joined by one blank.
int LineReader::extractBinaryText(const LineOutput& output) {
    extractedLength_ = 0;
    char pending[kMinimumRun];
    size_t pendingLength = 0;
    bool inKeptRun = false;
    int64_t lastProgress = tickMs();
    const unsigned char* bytes = nullptr;
    size_t count = 0;
    char* text = extracted_ + 1;
    auto append = [&](char c) -> int {
        text[extractedLength_++] = c;
        return extractedLength_ >= kExtractedLineBytes ? emitExtracted(output) : 0;
    };
    while (source_.nextChunk(&bytes, &count)) {
        for (size_t i = 0; i < count; ++i) {
            unsigned char b = bytes[i];
            int rc = 0;
            if (isExtractableByte(b)) {
                if (inKeptRun) {
                    rc = append(static_cast<char>(b));
                } else {
                    pending[pendingLength++] = static_cast<char>(b);
                    if (pendingLength == kMinimumRun) {
                        // A separator that would end the line is left out: the line ends
                        // there anyway.
                        if (extractedLength_ + 1 >= kExtractedLineBytes)
                            rc = emitExtracted(output);
                        else if (extractedLength_ > 0)
                            rc = append(' ');
                        for (size_t k = 0; k < kMinimumRun && rc == 0; ++k) rc = append(pending[k]);
                        pendingLength = 0;
                        inKeptRun = true;
                    }
                }
            } else {
                pendingLength = 0;
                inKeptRun = false;
                if (b == '\n') rc = emitExtracted(output);
            }
            if (rc != 0) return rc;
        }
        if (progress && tickMs() - lastProgress >= kExtractProgressMs) {
            lastProgress = tickMs();
            if (progress() == kStopCode) break;
        }
    }
    return emitExtracted(output);
}

}  // namespace tessel
