// The file system side of saving: which file a name stands for (a symbolic link is written
// through to its target), what it looked like, and replacing its contents safely: the new
// text goes to a temporary file in the same folder, is flushed to disk and renamed over the
// original, so that a failed or interrupted save leaves the original untouched.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "editor/edit_data.h"

namespace tessel {

// Follows symbolic links (a chain of them too) to the file they name; the name itself when
// it is no link.
std::string resolveLinkTarget(const char* path);
// The identity of the file at path (after following links); known is false when it does not
// exist.
DiskIdentity identityOf(const char* path);
bool sameFileState(const DiskIdentity& before, const DiskIdentity& now);

// Collects output in pieces and writes them to a file descriptor; the first failure sticks.
// Without a descriptor (-1) it keeps everything collected.
class FileSink {
  public:
    explicit FileSink(int fd) : fd_(fd) { buffer_.reserve(kPieceBytes + 4096); }
    void append(std::string_view bytes);
    // For producers that append to buffer() themselves.
    std::string& buffer() { return buffer_; }
    void flushWhenFull();
    // Writes out what is collected; false after any failed write.
    bool flush();
    bool failed() const { return failed_; }

    static constexpr size_t kPieceBytes = 1 << 20;

  private:
    int fd_;
    bool failed_ = false;
    std::string buffer_;
};

// Writes a new file at target through a temporary file in its folder: `produce` fills the
// sink; the original's permission bits (and owner, where allowed) carry over. 0, or 9 after
// reporting with `displayName`; `produce` returning false means it reported its own failure.
int replaceFileContents(const std::string& target, const DiskIdentity& original,
                        const char* displayName, const std::function<bool(FileSink&)>& produce);

}  // namespace tessel
