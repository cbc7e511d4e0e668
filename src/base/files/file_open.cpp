#include "base/files/file_open.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tessel {

int openRegularFile(const char* path, int folderFd, const char* nameInFolder, struct stat& info) {
    // O_NONBLOCK keeps a named pipe put where a file was from blocking the open until someone
    // writes to it. A regular file reads the same with it, so it is never cleared again: that
    // would cost two more system calls per file.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    int fd = folderFd >= 0 && nameInFolder && *nameInFolder
                 ? ::openat(folderFd, nameInFolder, kFlags)
                 : ::open(path, kFlags);
    if (fd < 0) return -(errno != 0 ? errno : EIO);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        int code = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return -code;
    }
    return fd;
}

size_t readFully(int fd, char* into, size_t size, int* error) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, into + got, size - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            if (error != nullptr) *error = errno;
            break;
        }
    }
    return got;
}

}  // namespace tessel
