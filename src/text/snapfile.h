// Snapfile and cluster headers: one text file that collects many files' text as file
// records behind a one-line header.
#pragma once

#include <cstddef>

namespace tessel {

inline constexpr char kSnapfileMagic[] = ":snapfile zuk,";
inline constexpr char kClusterMagic[] = ":cluster zuk,";
constexpr int kRecordPrefixCapacity = 90;

struct SnapfileHeader {
    bool cluster = false;           // ":cluster zuk," rather than ":snapfile zuk,"
    bool hasPrefix = false;         // a record prefix field was found
    bool prefixOnNameLine = false;  // ",prefix=" (or a cluster): the name follows the prefix
    char prefix[kRecordPrefixCapacity + 1] = {};
    int prefixLength = 0;
};

// True when the text starts with ":snapfile zuk," or ":cluster zuk,".
bool hasSnapfileMagic(const char* text, size_t length);

// Parses a header line (up to its line end). Returns false when the line has no magic.
bool parseSnapfileHeader(const char* line, size_t length, SnapfileHeader& header);

}  // namespace tessel
