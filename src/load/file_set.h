// A file set says what a load collects: one or more layers, each with root folders or
// files, folder masks and file masks. Its text form is
//   -dir ROOT... [FOLDERMASK...] -file [FILEMASK...]   (repeatable; roots may be quoted)
// or the short form ROOT FILEMASK... for a single folder or file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "load/file_mask.h"

namespace tessel {

constexpr size_t kFileSetTextBytes = 2000;
constexpr size_t kRootPathBytes = 4096;

struct FileSetLayer {
    std::vector<std::string> roots;
    MaskList dirMasks;
    MaskList fileMasks;
};

struct FileSet {
    std::vector<FileSetLayer> layers;
    // The parser's message after a syntax error; the caller shows or logs it.
    std::string error;

    // The first root of the first layer, "" when there is none.
    const std::string& firstRoot() const;
    size_t rootCount() const;
    // The masks of the first layer as typed, for the progress display.
    std::string_view fileMaskText() const;
    std::string_view dirMaskText() const;
};

// 0, or 9 with set.error describing the fault. An empty root, or a layer without one,
// means ".". colonExcludes: ":" starts an exclusion like "!" (linux mode).
int parseFileSet(std::string_view text, bool colonExcludes, FileSet& set);

// The file-set text "-dir \"FOLDER\" DIRMASK -file FILEMASK" (an empty folder becomes
// "."). 0, or 9 after logging when it would not fit kFileSetTextBytes: a cut text could
// lose its masks and load far more than asked.
int buildFileSetText(std::string_view folder, std::string_view dirMask, std::string_view fileMask,
                     std::string& out);

// Verbose listing of the set: one log line per root and mask list.
void logFileSet(const FileSet& set);

}  // namespace tessel
