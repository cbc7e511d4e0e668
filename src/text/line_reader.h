// The line reader turns one file into its file record in stream form: the file header
// line, the name line, the file's lines and one empty closing line, each handed to a line
// output (normally the load target adapter). It reads through one fixed window and one
// line buffer, so loading a gigabyte costs no allocation per line.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "text/utf8_decoder.h"

namespace tessel {

constexpr size_t kReadWindowBytes = 20530;
// The line buffer starts at this size and grows for longer lines.
constexpr size_t kLineBufferBytes = 4096;
// Lines are kept whole up to this length, so that every byte of a long line is searched and
// shown in one piece; only a line longer than this continues as the next line, which keeps
// every line offset of the store well inside an int.
constexpr size_t kMaxLineBytes = size_t{1} << 30;
constexpr size_t kRecordPrefixMax = 50;
constexpr int kHeaderLineColumns = 78;
// Room for a file header line: the longest prefix, its attributes, a newline and a NUL.
constexpr size_t kRecordHeaderBytes = kRecordPrefixMax + 128;

inline constexpr char kFileRecordPrefix[] = ":file:";

// Receives one line: its bytes (NUL-terminated, including the newline when the line had
// one) and whether a newline must still be added. Non-zero stops the file.
using LineOutput = std::function<int(const char* line, size_t length, bool needsNewline)>;

// One line as the line source cut it. text[-1] is writable so that an apostrophe can be
// put in front without copying.
struct SourceLine {
    char* text = nullptr;
    size_t length = 0;  // with the newline, when there is one
    bool hasNewline = false;
};

// Reads a file through a fixed window and cuts it into lines: carriage returns are
// dropped, NUL and end-of-file marks (26) become ".", and a line ends at its newline or
// when it reaches the maximum length.
class LineSource {
  public:
    LineSource();
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // Opens a file: 0, or the errno value of the failure. With a folder descriptor the file
    // is looked up by its name in that folder, which spares resolving the whole path.
    int open(const char* path, int folderFd = -1, const char* nameInFolder = nullptr);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // What fstat said of the open file.
    const struct stat& info() const { return info_; }

    // Reads the first bytes of the file into the window (at most kClassifyBytes) and keeps
    // them there for the lines. Returns the count; *bytes points at them.
    size_t peekStart(const unsigned char** bytes);
    // Makes the bytes in the window and every later read 16-bit wide units: one byte of
    // each unit is kept (in the UTF-8 code page each unit becomes UTF-8) and a leading byte
    // order mark skipped.
    void switchToWide(bool bigEndian);

    // The next line of up to maxLength bytes (newline not counted; at most kMaxLineBytes).
    // False at the end of the file.
    bool next(size_t maxLength, SourceLine& line);
    // Raw bytes of the file, for binary extraction: false at the end.
    bool nextChunk(const unsigned char** bytes, size_t* count);

    // Bytes consumed from the file so far (after the wide conversion).
    uint64_t bytesRead() const { return bytesRead_; }
    // A read failed: the errno value, else 0.
    int readError() const { return readError_; }

  private:
    bool fill();
    bool fillWideAsUtf8();
    size_t readRaw(char* into, size_t size);
    // Makes room for a line longer than the buffer holds, keeping the first `kept` bytes.
    void growLineBuffer(size_t kept);

    int fd_ = -1;
    struct stat info_ {};
    bool wide_ = false;
    bool bigEndian_ = false;
    // The UTF-8 code page: wide units are read into wideBytes_ and converted into the window.
    bool wideToUtf8_ = false;
    WideToUtf8 wideConverter_;
    std::unique_ptr<uint8_t[]> wideBytes_;
    bool atEnd_ = false;
    int readError_ = 0;
    uint64_t bytesRead_ = 0;
    std::unique_ptr<char[]> window_;
    size_t windowUsed_ = 0;
    size_t windowPos_ = 0;
    // One byte in front for an apostrophe, then the line, its newline and a NUL.
    std::unique_ptr<char[]> lineBuffer_;
    size_t lineCapacity_ = 0;
};

// Keeps one byte of each 16-bit unit of buffer (the first of a little-endian unit, the
// second of a big-endian one) after reading `size` bytes from fd into it; size must be
// even and at least 2. Returns the bytes kept, or -1 after reporting the refusal for name.
// A read error leaves its errno value in *error (when given) and returns what was kept.
long readWideText(int fd, char* buffer, size_t size, bool bigEndian, const char* name,
                  int* error = nullptr);

struct LineReaderOptions {
    bool loadWchar = false;        // read 16-bit wide files as text
    bool loadBin = false;          // extract text from binary files instead of skipping them
    bool explicitlyNamed = false;  // a file mask names this file: binary text is extracted
    bool nestedSnapfiles = false;  // copy a snapfile's records instead of skipping it
    bool writeTime = true;         // header attribute " mtime="
    bool writeSize = true;         // header attribute " size="
    // Only plain text is read: a file that is binary, wide, a snapfile or a database, or that
    // cannot be opened, is turned away with kNotPlainText, before any output or message.
    bool plainOnly = false;
    std::string_view recordPrefix = kFileRecordPrefix;
};

struct LineReaderCounts {
    uint64_t files = 0;
    uint64_t lines = 0;
    uint64_t bytes = 0;
    uint64_t wideFiles = 0;
    uint64_t binarySkipped = 0;
    uint64_t snapfilesSkipped = 0;
};

// True when a text line could be taken for a record header or a snapfile header.
bool looksLikeHeader(const char* text, size_t length, std::string_view recordPrefix);

// Passes a line, with an apostrophe in front when escape is set (text[-1] takes it).
// Returns the output's result.
int passLine(SourceLine& line, bool escape, const LineOutput& output);

// Results of LineReader::readFile besides 0 (record written) and 9 (failure reported).
constexpr int kSkippedSnapfile = 1;
constexpr int kSkippedBinary = 2;
constexpr int kNotPlainText = 3;  // only with LineReaderOptions::plainOnly
// Nothing could be read from the file (an I/O error at its start): reported, nothing written,
// and the file not counted, as one that cannot be opened.
constexpr int kReadFailed = 5;

class LineReader {
  public:
    // Writes the file record of path (named `name` on the name line, path when null). With
    // folderFd the file is opened by nameInFolder, the end of path, in that folder.
    int readFile(const char* path, const char* name, const LineOutput& output, int folderFd = -1,
                 const char* nameInFolder = nullptr);

    // Writes the header line "<prefix><blanks> mtime=.. size=.. code=utf16le" (78 columns
    // when it fits) into out; returns its length.
    static size_t formatHeaderLine(char* out, size_t capacity, std::string_view prefix,
                                   const uint64_t* mtime, const uint64_t* size,
                                   const char* wideCode);

    // Writes the file header line of a record for the file fstat described, with its
    // newline, into out (kRecordHeaderBytes); returns its length.
    static size_t formatRecordHeader(char* out, const LineReaderOptions& options,
                                     const struct stat& info, const char* wideCode);
    // Writes the name line of a record without its newline into out (kLineBufferBytes + 1);
    // returns its length.
    static size_t formatNameLine(char* out, const char* name, std::string_view recordPrefix);

    LineReaderOptions options;
    LineReaderCounts counts;
    // Called at most once a second during long binary extractions; 19 stops the file.
    std::function<int()> progress;

  private:
    int writeLines(const LineOutput& output);
    int extractBinaryText(const LineOutput& output);
    int emitExtracted(const LineOutput& output);

    LineSource source_;
    // One byte in front for an apostrophe, then the extracted text line and a NUL.
    char extracted_[1 + kLineBufferBytes + 2] = {};
    size_t extractedLength_ = 0;
};

}  // namespace tessel
