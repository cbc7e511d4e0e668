#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "search/codepage/code_page_tables.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"
#include "view/log/message_log.h"

namespace tessel {

namespace {

constexpr int64_t kTagMinUsedBytes = 100;
constexpr int kTagMaxPrefix = 21;
constexpr int kTagBlankRun = 30;
constexpr int kTagLastColumn = 79;
constexpr int64_t kTagNumberRoom = 30;

// Colour letters of interleaved colour text become the renderer's colour codes.
constexpr std::array<char, 256> kColourCodes = [] {
    std::array<char, 256> codes{};
    for (int i = 0; i < 256; ++i) codes[i] = static_cast<char>(i);
    const char letters[] = "rgbycmRGBYMC";
    const char values[] = "0123456789Aa";
    for (int i = 0; letters[i]; ++i) codes[static_cast<uint8_t>(letters[i])] = values[i];
    return codes;
}();

const char* encodingTag(uint32_t flags) {
    bool invalid = flags & kEncodingInvalid;
    bool bom = flags & kEncodingBom;
    bool valid = flags & kEncodingValidUtf8;
    if (invalid) return (bom || valid) ? "[iso/any]" : nullptr;
    if (bom) return "[utf8]";
    if (valid) return "[utf8 nobom]";
    return nullptr;
}

// Writes the encoding tag into the padding of a widened header line. Returns the offset of
// its closing bracket, or -1 when the block gets no tag.
int64_t writeEncodingTag(TextBlock& block) {
    const TextStore* store = block.owner;
    const char* tag = encodingTag(block.encodingFlags);
    if (!tag || !store || block.usedBytes <= kTagMinUsedBytes) return -1;
    int prefix = store->prefixLength;
    if (prefix <= 0 || prefix >= kTagMaxPrefix || !store->startsWithPrefix(block.text) ||
        block.text[prefix] != ' ') {
        return -1;
    }
    int blanks = 0;
    for (int at = prefix; at <= kTagLastColumn && block.text[at] == ' '; ++at) ++blanks;
    if (blanks < kTagBlankRun) return -1;
    size_t length = std::strlen(tag);
    std::memcpy(block.text + prefix + 1, tag, length);
    return prefix + static_cast<int64_t>(length);
}

// Decodes the text line by line in place; the text only ever shrinks. The first-offsets
// follow their lines so that they still name the right line afterwards.
void decodeInPlace(TextBlock& block) {
    char* text = block.text;
    int64_t used = block.usedBytes;
    int64_t read = 0;
    int64_t write = 0;
    uint32_t seen = 0;
    bool decoding = true;
    while (read < used) {
        const char* newline = static_cast<const char*>(
            std::memchr(text + read, '\n', static_cast<size_t>(used - read)));
        int64_t lineEnd = newline ? newline - text : used;
        int64_t length = lineEnd - read;
        int64_t produced = length;
        if (decoding) {
            produced = static_cast<int64_t>(
                utf8ScanDecode(text + read, static_cast<size_t>(length), true, seen));
            if (produced > length) {
                logMessage("int. #2149131 %d", static_cast<int>(produced - length));
                produced = length;
                decoding = false;
            }
        }
        for (int64_t* offset : {&block.firstUtf8Offset, &block.firstInvalidOffset}) {
            if (*offset >= read && *offset <= lineEnd && *offset > 0) {
                int64_t into = *offset - read;
                *offset = write + (into < produced ? into : produced);
            }
        }
        if (write != read) std::memmove(text + write, text + read, static_cast<size_t>(produced));
        write += produced;
        if (newline) text[write++] = '\n';
        read = lineEnd + (newline ? 1 : 0);
    }
    block.usedBytes = write;
    text[write] = '\0';
}

// Reads "name=value" from a header line: hexadecimal after "0x", else decimal, up to the
// next blank or tab. With blankOut the attribute is erased from the line.
bool readAttribute(char* line, const char* name, bool blankOut, int64_t& value) {
    char* start = std::strstr(line, name);
    if (!start) return false;
    char* at = start + std::strlen(name);
    int base = 10;
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X')) {
        base = 16;
        at += 2;
    }
    uint64_t number = 0;
    for (;; ++at) {
        int digit = -1;
        char c = *at;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) break;
        if (number <= static_cast<uint64_t>(INT64_MAX) / 16) {
            number = number * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        }
    }
    while (*at && *at != ' ' && *at != '\t') ++at;
    value = number > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(number);
    if (blankOut) std::memset(start, ' ', static_cast<size_t>(at - start));
    return true;
}

std::string trimmedName(const char* name) {
    size_t length = std::strlen(name);
    while (length > 0 && name[length - 1] == ' ') --length;
    return std::string(name, length);
}

// The OR of the character bits of a line. Four independent accumulators let the loads
// overlap; this loop touches every loaded byte, so it sets the pace of indexing.
uint32_t maskOfBytes(const uint8_t* bytes, size_t length, const uint32_t* bits) {
    uint32_t m0 = 0, m1 = 0, m2 = 0, m3 = 0;
    size_t at = 0;
    for (; at + 4 <= length; at += 4) {
        m0 |= bits[bytes[at]];
        m1 |= bits[bytes[at + 1]];
        m2 |= bits[bytes[at + 2]];
        m3 |= bits[bytes[at + 3]];
    }
    for (; at < length; ++at) m0 |= bits[bytes[at]];
    return m0 | m1 | m2 | m3;
}

}  // namespace

int TextBlock::indexLines(bool* headerHadTimeAndSize) {
    if (headerHadTimeAndSize) *headerHadTimeAndSize = false;
    int64_t tagBracket = -1;
    if (text && textOptions().utf8Decode && !utf8Decoded) {
        tagBracket = writeEncodingTag(*this);
        uint32_t flags = encodingFlags & (kEncodingBom | kEncodingValidUtf8 | kEncodingInvalid);
        if (flags != 0 && !(flags & kEncodingInvalid)) decodeInPlace(*this);
        utf8Decoded = true;
    }
    if (text && allocatedBytes > usedBytes) text[usedBytes] = '\0';

    int64_t newlines = 0;
    const char* end = text ? text + usedBytes : nullptr;
    for (const char* at = text; at && at < end; ++at) {
        at = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        if (!at) break;
        ++newlines;
    }
    int64_t total = newlines + (usedBytes > 0 && text[usedBytes - 1] != '\n' ? 1 : 0);

    std::free(lineStarts);
    std::free(lineMasks);
    lineStarts = nullptr;
    lineMasks = nullptr;
    lineCount = 0;
    lineCapacity = 0;
    if (total > INT_MAX - 10) {
        reportOutOfMemory(120301, static_cast<long>(total));
        return 9;
    }
    int capacity = static_cast<int>(total) + 10;
    lineStarts = static_cast<char**>(std::calloc(static_cast<size_t>(capacity), sizeof(char*)));
    lineMasks =
        static_cast<uint32_t*>(std::calloc(static_cast<size_t>(capacity), sizeof(uint32_t)));
    if (!lineStarts || !lineMasks) {
        std::free(lineStarts);
        std::free(lineMasks);
        lineStarts = nullptr;
        lineMasks = nullptr;
        reportOutOfMemory(120302, static_cast<long>(capacity * (sizeof(char*) + 4)));
        return 9;
    }
    lineCapacity = capacity;

    int indexed = 0;
    int64_t physical = 0;
    auto settleOffsets = [&](int64_t lineEnd) {
        int number = indexed - 2 > 0 ? indexed - 2 : 0;
        if (firstUtf8Offset > 0 && firstUtf8Offset < lineEnd) {
            firstUtf8Line = number;
            firstUtf8Offset = 0;
        }
        if (firstInvalidOffset > 0 && firstInvalidOffset < lineEnd) {
            firstInvalidLine = number;
            firstInvalidOffset = 0;
        }
    };
    char* at = text;
    char* stop = text ? text + usedBytes : nullptr;
    while (at && at < stop) {
        char* newline = static_cast<char*>(std::memchr(at, '\n', static_cast<size_t>(stop - at)));
        if (!newline) break;
        if (colourText && (physical & 1) && physical > 2) {
            for (char* c = at; c < newline; ++c) *c = kColourCodes[static_cast<uint8_t>(*c)];
        } else {
            lineStarts[indexed++] = at;
        }
        *newline = '\0';
        ++physical;
        at = newline + 1;
        settleOffsets(at - text);
    }
    if (at && at < stop) {
        if (colourText) {
            logMessage("[info] wrong color text ending");
            usedBytes = at - text;
            *at = '\0';
        } else {
            lineStarts[indexed++] = at;
            settleOffsets(usedBytes + 1);
        }
    }
    lineCount = indexed;

    const TextStore* store = owner;
    bool hasPrefix = store && store->prefixLength > 0;
    const auto& bits = codePageTables().charBits;
    const auto& kindOf = textOptions().fileKind;
    bool timeSeen = false;
    bool sizeSeen = false;
    uint32_t kind = 0;
    for (int i = 0; i < indexed; ++i) {
        char* line = lineStarts[i];
        if (hasPrefix && store->startsWithPrefix(line)) {
            int64_t value = 0;
            if (readAttribute(line, "mtime=", ownsBuffer, value) && value > 0) {
                fileTime = value;
                timeSeen = true;
            }
            if (readAttribute(line, "size=", ownsBuffer, value)) {
                fileSize = watchedSize = value;
                sizeSeen = true;
            }
            kind = 0;
            if (i + 2 < indexed) {
                bool onPrefixLine = store->prefixOnNameLine;
                const char* name = onPrefixLine ? line + store->prefixLength : lineStarts[i + 1];
                const char* firstText = lineStarts[i + (onPrefixLine ? 1 : 2)];
                if (!fileName || kindOf) {
                    std::string trimmed = trimmedName(name);
                    if (!fileName && setName(trimmed.c_str()) != 0) return 9;
                    if (kindOf)
                        kind = static_cast<uint32_t>(kindOf(trimmed.c_str(), firstText)) & 0xFFu;
                }
            }
        }
        // Without colour lines between them, a line ends where the next one starts.
        size_t length = !colourText && i + 1 < indexed
                            ? static_cast<size_t>(lineStarts[i + 1] - line - 1)
                            : std::strlen(line);
        uint32_t mask = maskOfBytes(reinterpret_cast<const uint8_t*>(line), length, bits.data());
        lineMasks[i] = (mask & ~0xFFu) | kind;
    }
    if (headerHadTimeAndSize) *headerHadTimeAndSize = timeSeen && sizeSeen;

    if (tagBracket >= 0 && usedBytes - tagBracket > kTagNumberRoom && text[tagBracket] == ']') {
        int number = (encodingFlags & kEncodingInvalid) ? firstInvalidLine : firstUtf8Line;
        char finished[16];
        int length =
            std::snprintf(finished, sizeof finished, "@%u]", static_cast<unsigned>(number));
        std::memcpy(text + tagBracket, finished, static_cast<size_t>(length));
    }
    return 0;
}

}  // namespace tessel
