// File system helpers of the bookmark files.
#pragma once

#include <string>

namespace tessel::bookmarkdetail {

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// The folder part of a path ("." for a bare name).
std::string folderOf(const std::string& path);
bool folderWritable(const std::string& folder);
bool isBelow(const std::string& path, const std::string& folder);
// Where the files of `base` go when its own folder cannot be written: the central folder and
// the whole base path flattened into one name, so that two collections never share files.
std::string centralFallbackBase(const std::string& base);

}  // namespace tessel::bookmarkdetail
