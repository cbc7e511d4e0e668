#include "load/file_follow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/log/message_log.h"
#include "load/clip_loader.h"
#include "load/reload_scan.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// A followed file grows by at most this much per look, so a burst of output never holds the
// user interface thread for long; the rest comes with the next look.
constexpr int64_t kMaxReadPerLook = int64_t{8} << 20;

// Reads bytes [offset, offset + length) of a regular file. False when it cannot.
bool readRange(const std::string& name, int64_t offset, int64_t length, std::string& out) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    out.resize(static_cast<size_t>(length));
    int64_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, out.data() + done, static_cast<size_t>(length - done),
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += got;
    }
    ::close(fd);
    out.resize(static_cast<size_t>(done));
    return true;
}

int reloadWhole(TextStore& store, TextBlock& block, FollowState& state, ReloadScanner& scanner,
                const struct stat& info) {
    const int rc = scanner.reloadBlock(block);
    store.renumber();
    if (rc == 2) return kFollowFailed;  // no longer text: reported, the block kept its text
    state.device = info.st_dev;
    state.inode = info.st_ino;
    state.readOffset = block.fileSize;
    return kFollowReloaded;
}

}  // namespace

int appendLines(TextBlock& block, std::string_view lines, int& linesAdded) {
    linesAdded = 0;
    if (reopenBeforeClosingLine(block) != 0) return 9;
    linesAdded = forEachTextLine(lines, [&block](const std::string& line) {
        block.addText(line.c_str(), true, static_cast<int64_t>(line.size()));
    });
    block.addText(" ", true);
    return block.close() == 0 ? 0 : 9;
}

int startFollowing(const TextBlock& block, FollowState& state) {
    struct stat info {};
    if (!block.fileName || block.clipText || ::stat(block.fileName, &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        logMessage("[note] no file to follow: %s", block.fileName ? block.fileName : "// tmp");
        return 9;
    }
    state.fileName = block.fileName;
    state.device = info.st_dev;
    state.inode = info.st_ino;
    // What was loaded is in the block; a file that grew since is read from there on.
    state.readOffset = std::min<int64_t>(block.fileSize, info.st_size);
    return 0;
}

int followLook(const FollowState& state) {
    struct stat info {};
    if (::stat(state.fileName.c_str(), &info) != 0) return kFollowMissing;
    const bool same = info.st_ino == state.inode && info.st_dev == state.device &&
                      info.st_size == state.readOffset;
    return same ? kFollowUnchanged : kFollowGrew;
}

int followOnce(TextStore& store, TextBlock& block, FollowState& state, ReloadScanner& scanner,
               int& linesAdded) {
    linesAdded = 0;
    struct stat info {};
    if (::stat(state.fileName.c_str(), &info) != 0) return kFollowMissing;
    if (scanner.keepsEdits(block)) return kFollowInEdit;
    if (!S_ISREG(info.st_mode)) {
        logMessage("[note] not followed further, no longer a regular file: %s",
                   state.fileName.c_str());
        return kFollowFailed;
    }
    const bool replaced = info.st_ino != state.inode || info.st_dev != state.device;
    if (replaced || info.st_size < state.readOffset)
        return reloadWhole(store, block, state, scanner, info);
    if (info.st_size == state.readOffset) return kFollowUnchanged;

    std::string added;
    const int64_t length = std::min<int64_t>(info.st_size - state.readOffset, kMaxReadPerLook);
    if (!readRange(state.fileName, state.readOffset, length, added)) return kFollowMissing;
    // Only whole lines: the rest is still being written.
    const size_t lastNewline = added.rfind('\n');
    if (lastNewline == std::string::npos) {
        if (length < kMaxReadPerLook) return kFollowUnchanged;
        added.push_back('\n');  // a line longer than a look goes in as it stands
    } else {
        added.resize(lastNewline + 1);
    }
    if (appendLines(block, added, linesAdded) != 0) return kFollowFailed;
    state.readOffset += static_cast<int64_t>(added.size());
    // The block now stands for the file up to here: a reload scan must not see it changed.
    block.fileSize = state.readOffset;
    block.watchedSize = state.readOffset;
    block.fileTime = static_cast<int64_t>(info.st_mtime);
    store.renumber();
    return kFollowGrew;
}

}  // namespace tessel
