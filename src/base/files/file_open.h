// Opening and reading files that Tessel did not make itself (texts, snapfiles, configuration,
// bookmark sets): the open never blocks, even when a named pipe or a device was put where a
// file was a moment ago, and anything that is not a regular file is refused after the open, on
// the descriptor itself, so that no swap between a check and the open can slip through.
#pragma once

#include <sys/stat.h>

#include <cstddef>

namespace tessel {

// Opens a regular file read-only, looked up by `nameInFolder` in the open folder `folderFd`
// when given (a lookup of one name instead of the whole path), else by `path`. Returns the
// descriptor, or the negated errno value: EISDIR for a folder, EINVAL for anything else that
// is not a regular file. `info` gets what fstat said of the open file.
int openRegularFile(const char* path, int folderFd, const char* nameInFolder, struct stat& info);

// Reads until `size` bytes arrived or the file ended; a failed read leaves its errno value
// in *error (when given) and returns what arrived before it.
size_t readFully(int fd, char* into, size_t size, int* error);

}  // namespace tessel
