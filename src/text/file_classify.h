// Before a file is read as text its first bytes decide how: as 16-bit wide text, as a
// binary file (skipped or mined for text), as a snapfile (a collection of file records) or
// as plain text.
#pragma once

#include <cstddef>

namespace tessel {

// The classification looks at no more than this many bytes from the start of a file.
constexpr size_t kClassifyBytes = 4096;

inline constexpr char kDatabaseMagic[] = ":tessel-database,";
inline constexpr char kDatabaseSuffix[] = ".qvdb";

struct FileClass {
    bool wide = false;       // a byte order mark and 16-bit units of text follow
    bool bigEndian = false;  // the wide byte order
    bool database = false;   // a saved search-term database: recognised, never loaded
    bool binary = false;     // skipped unless text extraction is allowed
    bool snapfile = false;   // starts with a snapfile or cluster header
};

// True for bytes that may appear in text: all but 0 to 7, 11 and 14 to 25.
bool isTextByte(unsigned char byte);

// Classifies a file from its name and its first bytes (at most kClassifyBytes are looked
// at). With readWide off a wide file counts as binary when it holds a NUL byte, which
// every wide text of ASCII letters does.
FileClass classifyFileStart(const char* name, const unsigned char* bytes, size_t count,
                            bool readWide);

}  // namespace tessel
