// Opening and reading the files a load takes: one open and one stat per file, and reads that
// stop at the end of the file, shared by every way of reading a file into the store.
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
