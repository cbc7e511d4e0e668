#include "load/stdin_reader.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/log/message_log.h"
#include "text/file_classify.h"
#include "text/line_reader.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr size_t kReadBytes = 64 * 1024;
// The thread looks at its stop request this often while the pipe is quiet.
constexpr int kPollMs = 100;
// Binary input keeps runs of at least this many text bytes and cuts its lines here, as the
// extraction from binary files does.
constexpr size_t kMinimumRun = 3;
constexpr size_t kExtractedLineBytes = 80;
constexpr size_t kLongestHeldLine = 1 << 20;

bool isExtractableByte(unsigned char byte) {
    return (byte >= 32 && byte <= 126) || (byte >= 193 && byte <= 254);
}

}  // namespace

bool stdinIsTextSource(int fd) {
    struct stat info {};
    if (::isatty(fd) || ::fstat(fd, &info) != 0) return false;
    return S_ISFIFO(info.st_mode) || S_ISREG(info.st_mode);
}

StdinReader::~StdinReader() {
    stop();
}

int StdinReader::start(int fd) {
    if (thread_.joinable()) return 1;
    stopRequested_ = false;
    thread_ = std::thread([this, fd] { run(fd); });
    return 0;
}

void StdinReader::stop() {
    stopRequested_ = true;
    if (thread_.joinable()) thread_.join();
}

bool StdinReader::take(std::string& lines, size_t maxBytes) {
    lines.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    if (ready_.size() <= maxBytes) {
        lines.swap(ready_);
    } else {
        // Whole lines only; a line longer than the limit goes as it stands.
        size_t cut = ready_.rfind('\n', maxBytes - 1);
        if (cut == std::string::npos) cut = ready_.find('\n');
        lines.assign(ready_, 0, cut + 1);
        ready_.erase(0, cut + 1);
    }
    return !(ended_ && ready_.empty());
}

void StdinReader::run(int fd) {
    std::string buffer(kReadBytes, '\0');
    while (!stopRequested_) {
        pollfd waiting{fd, POLLIN, 0};
        const int polled = ::poll(&waiting, 1, kPollMs);
        if (polled < 0 && errno != EINTR) break;
        // A quiet pipe shows what it sent so far: its kind is decided from what is there.
        if (polled == 0 && kind_ == 0 && !start_.empty()) deliver({}, true);
        if (polled <= 0) continue;
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) {
            logMessage("cannot read standard input: error %d", errno);
            break;
        }
        if (got == 0) break;
        deliver(std::string_view(buffer.data(), static_cast<size_t>(got)));
    }
    // The end of the input ends its last line.
    if (kind_ == 0) deliver({}, true);
    if (kind_ == 2) extractText("\n");
    if (!partial_.empty()) partial_.push_back('\n');
    std::lock_guard<std::mutex> lock(mutex_);
    ready_ += partial_;
    partial_.clear();
    ended_ = true;
}

void StdinReader::deliver(std::string_view bytes, bool decideNow) {
    if (kind_ == 0) {
        // The kind is decided from the first bytes, as for a file.
        start_.append(bytes);
        if (start_.size() < kClassifyBytes && !decideNow) return;
        const FileClass found = classifyFileStart(
            kStdinBlockName, reinterpret_cast<const unsigned char*>(start_.data()), start_.size(),
            false);
        kind_ = found.binary ? 2 : 1;
        if (found.binary) logMessage("[note] standard input is binary: its text runs are shown");
        const std::string held = std::move(start_);
        start_.clear();
        deliver(held);
        return;
    }
    if (kind_ == 2) {
        extractText(bytes);
    } else {
        partial_.append(bytes);
    }
    size_t lastNewline = partial_.rfind('\n');
    if (lastNewline == std::string::npos && partial_.size() < kLongestHeldLine) return;
    if (lastNewline == std::string::npos) {
        // A line that never ends goes in as it stands rather than growing without bound.
        partial_.push_back('\n');
        lastNewline = partial_.size() - 1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.append(partial_, 0, lastNewline + 1);
    partial_.erase(0, lastNewline + 1);
}

// Runs of text bytes shorter than kMinimumRun are noise between binary data and are dropped;
// kept runs on one line are joined by one blank.
void StdinReader::extractText(std::string_view bytes) {
    auto lineLength = [this] {
        const size_t lastNewline = partial_.rfind('\n');
        return lastNewline == std::string::npos ? partial_.size()
                                                : partial_.size() - lastNewline - 1;
    };
    for (const char c : bytes) {
        if (!isExtractableByte(static_cast<unsigned char>(c))) {
            run_.clear();
            runLength_ = 0;
            if (c == '\n' && lineLength() > 0) partial_.push_back('\n');
            continue;
        }
        if (runLength_ < kMinimumRun) {
            run_.push_back(c);
            if (++runLength_ < kMinimumRun) continue;
            if (lineLength() > 0) partial_.push_back(' ');
            partial_ += run_;
            run_.clear();
        } else {
            partial_.push_back(c);
        }
        if (lineLength() >= kExtractedLineBytes) partial_.push_back('\n');
    }
}

TextBlock* addStdinBlock(TextStore& store) {
    // Alone in the store, the text starts the stream as every load does: its header gives the
    // record prefix that marks the block's own header lines.
    if (store.blockCount == 0 &&
        (store.addLine(kMemoryHeaderLine, true) != 0 || store.closeLast() != 0)) {
        logMessage("cannot add the standard input text");
        return nullptr;
    }
    TextBlock* block = store.appendBlock();
    if (!block) {
        logMessage("cannot add the standard input text");
        return nullptr;
    }
    block->reset(1);
    if (block->openForAdd() != 0) return nullptr;
    block->setName(kStdinBlockName);
    const std::string prefix =
        store.prefixLength > 0 ? std::string(store.recordPrefix) : std::string(kFileRecordPrefix);
    if (store.prefixOnNameLine) {
        block->addText((prefix + " " + kStdinBlockName).c_str(), true);
    } else {
        block->addText(prefix.c_str(), true);
        block->addText(kStdinBlockName, true);
    }
    block->addText(" ", true);
    if (block->close() != 0) return nullptr;
    store.renumber();
    return block;
}

}  // namespace tessel
