#include "text/file_classify.h"

#include <strings.h>

#include <cstring>

#include "text/snapfile.h"

namespace tessel {

namespace {

// Up to this many units behind the byte order mark must look like 8-bit text in 16-bit
// form: the character byte is text, the other one is not.
constexpr size_t kWideProbeUnits = 10;

bool looksWide(const unsigned char* bytes, size_t count, bool& bigEndian) {
    if (count < 2) return false;
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bigEndian = false;
    } else if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
        bigEndian = true;
    } else {
        return false;
    }
    size_t units = (count - 2) / 2;
    if (units > kWideProbeUnits) units = kWideProbeUnits;
    for (size_t i = 0; i < units; ++i) {
        unsigned char low = bytes[2 + 2 * i];
        unsigned char high = bytes[3 + 2 * i];
        unsigned char character = bigEndian ? high : low;
        unsigned char other = bigEndian ? low : high;
        if (!isTextByte(character) || isTextByte(other)) return false;
    }
    return true;
}

bool endsWithNoCase(const char* text, const char* end) {
    if (text == nullptr) return false;
    size_t textLength = std::strlen(text);
    size_t endLength = std::strlen(end);
    return textLength >= endLength && strcasecmp(text + textLength - endLength, end) == 0;
}

bool startsWith(const unsigned char* bytes, size_t count, const char* magic) {
    size_t length = std::strlen(magic);
    return count >= length && std::memcmp(bytes, magic, length) == 0;
}

}  // namespace

bool isTextByte(unsigned char byte) {
    return !(byte <= 7 || byte == 11 || (byte >= 14 && byte <= 25));
}

FileClass classifyFileStart(const char* name, const unsigned char* bytes, size_t count,
                            bool readWide) {
    FileClass result;
    if (bytes == nullptr) count = 0;
    if (count > kClassifyBytes) count = kClassifyBytes;

    result.wide = looksWide(bytes, count, result.bigEndian);
    result.database =
        endsWithNoCase(name, kDatabaseSuffix) && startsWith(bytes, count, kDatabaseMagic);
    // The magic alone (nothing behind it) is not yet a collection.
    result.snapfile =
        (count > std::strlen(kSnapfileMagic) && startsWith(bytes, count, kSnapfileMagic)) ||
        (count > std::strlen(kClusterMagic) && startsWith(bytes, count, kClusterMagic));

    bool readAsWide = result.wide && readWide;
    if (result.database) {
        result.binary = true;
        result.snapfile = false;
    } else if (!readAsWide && !result.snapfile && count > 0 &&
               std::memchr(bytes, 0, count) != nullptr) {
        result.binary = true;
    }
    return result;
}

}  // namespace tessel
