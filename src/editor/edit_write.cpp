#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/log/message_log.h"
#include "editor/edit_encoding.h"
#include "editor/edit_file_io.h"
#include "editor/edit_session.h"

namespace tessel {

namespace {

constexpr int kMaxLinkDepth = 40;

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t written = ::write(fd, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// A name for the temporary file that no other save uses at the same time.
int createTemporary(const std::string& target, std::string& temporary) {
    static unsigned counter = 0;
    std::string folder = folderOf(target);
    std::string base = baseOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tessel-%ld-%u~", static_cast<long>(::getpid()),
                      ++counter);
        temporary = folder + "/." + base + suffix;
        // Permission bits as a new file gets them (the umask applies); copied from the
        // original afterwards when there is one.
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::string resolveLinkTarget(const char* path) {
    std::string current = path ? path : "";
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        char target[PATH_MAX];
        ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
        if (length <= 0) return current;
        target[length] = '\0';
        current = target[0] == '/' ? std::string(target) : folderOf(current) + "/" + target;
    }
    return current;
}

DiskIdentity identityOf(const char* path) {
    DiskIdentity identity;
    identity.path = resolveLinkTarget(path);
    struct stat info;
    if (::stat(identity.path.c_str(), &info) != 0) return identity;
    identity.known = true;
    identity.mtimeNs =
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    identity.size = static_cast<int64_t>(info.st_size);
    identity.inode = static_cast<uint64_t>(info.st_ino);
    identity.device = static_cast<uint64_t>(info.st_dev);
    identity.mode = static_cast<uint32_t>(info.st_mode);
    identity.owner = static_cast<uint32_t>(info.st_uid);
    identity.group = static_cast<uint32_t>(info.st_gid);
    return identity;
}

bool sameFileState(const DiskIdentity& before, const DiskIdentity& now) {
    return before.known == now.known && before.mtimeNs == now.mtimeNs && before.size == now.size &&
           before.inode == now.inode && before.device == now.device;
}

void FileSink::append(std::string_view bytes) {
    if (failed_) return;
    buffer_.append(bytes);
    flushWhenFull();
}

void FileSink::flushWhenFull() {
    if (buffer_.size() >= kPieceBytes) flush();
}

bool FileSink::flush() {
    if (fd_ < 0) return !failed_;
    if (!failed_ && !buffer_.empty() && !writeAll(fd_, buffer_.data(), buffer_.size()))
        failed_ = true;
    buffer_.clear();
    return !failed_;
}

int replaceFileContents(const std::string& target, const DiskIdentity& original,
                        const char* displayName, const std::function<bool(FileSink&)>& produce) {
    std::string temporary;
    int fd = createTemporary(target, temporary);
    if (fd < 0) {
        logMessage("cannot write: %s", displayName);
        return 9;
    }
    auto fail = [&](const char* message) {
        if (message) logMessage(message, displayName);
        ::close(fd);
        ::unlink(temporary.c_str());
        return 9;
    };
    if (original.known) {
        // Only a privileged user can give the file away; others keep their own, and then
        // the set-id bits are not carried over. A change of owner clears them, so the mode
        // comes after it.
        bool sameOwner = ::fchown(fd, original.owner, original.group) == 0;
        ::fchmod(fd, static_cast<mode_t>(original.mode & (sameOwner ? 07777 : 0777)));
    }
    FileSink sink(fd);
    if (!produce(sink)) return fail(nullptr);
    if (!sink.flush() || ::fsync(fd) != 0)
        return fail("cannot fully write, probably disk full: %s");
    if (::close(fd) != 0) {
        ::unlink(temporary.c_str());
        logMessage("cannot fully write, probably disk full: %s", displayName);
        return 9;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        logMessage("cannot write: %s", displayName);
        return 9;
    }
    // The rename itself becomes durable with its folder.
    int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return 0;
}

bool EditData::fileBytes(FileSink& sink, const char* name, int64_t* linesOut) const {
    int64_t lines = 0;
    if (encoding == EditEncoding::kUtf8Bom) sink.append(kUtf8Bom);
    int64_t start = 0;
    for (;;) {
        const void* found = std::memchr(text + start, '\n', static_cast<size_t>(length - start));
        int64_t end = found ? static_cast<const char*>(found) - text : length;
        std::string_view line(text + start, static_cast<size_t>(end - start));
        if (encoding == EditEncoding::kRaw) {
            sink.append(line);
        } else {
            size_t bad = 0;
            if (!appendUtf8(line, sink.buffer(), &bad)) {
                logMessage("[error] cannot write %s: byte 0x%02X in line %ld has no UTF-8 form.",
                           name, static_cast<unsigned>(static_cast<unsigned char>(line[bad])),
                           static_cast<long>(lines + 1));
                return false;
            }
            sink.flushWhenFull();
        }
        // The empty piece after a final line end is no line of the file.
        if (!found) {
            if (!line.empty()) ++lines;
            break;
        }
        ++lines;
        sink.append(writesCrBefore(static_cast<int>(lines - 1)) ? "\r\n" : "\n");
        start = end + 1;
    }
    if (linesOut) *linesOut = lines;
    return true;
}

int EditData::write() {
    const char* name = block ? block->fileName : nullptr;
    if (!name || !*name || isUntitledName(name) || !text) {
        logMessage("cannot write: %s", name ? name : "");
        return 9;
    }
    std::string target = resolveLinkTarget(name);
    DiskIdentity now = identityOf(target.c_str());
    if (now.known) {
        // Replacing the file by a rename would get round its write protection.
        if (::access(target.c_str(), W_OK) != 0 || (now.mode & 0222) == 0) {
            logMessage("cannot write: %s", name);
            logMessage("[note] the file is read-only.");
            return 9;
        }
        if (disk.known && disk.path == target && !sameFileState(disk, now)) {
            EditHost* host = editing().host;
            std::string question = std::string(name) +
                                   "\nwas changed on disk since it was opened for editing.\n\n"
                                   "OK overwrites it with the edited text.\n"
                                   "Cancel keeps the file and the changes in the editor.\n";
            if (!host || host->ask("file changed on disk", question, EditButtons::kOkCancel) !=
                             EditAnswer::kOk) {
                logMessage("[note] not saved, the file changed on disk: %s", name);
                return 1;
            }
        }
    }
    int64_t lines = 0;
    auto produce = [&](FileSink& sink) { return fileBytes(sink, name, &lines); };
    if (replaceFileContents(target, now, name, produce) != 0) return 9;
    logMessage("[blue] %ld lines written.", static_cast<long>(lines));
    disk = identityOf(target.c_str());
    setModified(false);
    return 0;
}

}  // namespace tessel
