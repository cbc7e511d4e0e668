#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "text/text_block_lines.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"

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

// The window of the general indexing loop below; any width up to 64 works.
constexpr int64_t kWindowBytes = 64;

// Every block keeps ten line slots more than it has lines, as the store's statistics count
// them (alin). The vector kernel stores the start behind a window's last newline one slot
// further, and the spare slots, marked as holding no line, keep such a store and a lookup one
// past the last line inside the arrays.
constexpr int kSpareLineSlots = 10;

}  // namespace

int TextBlock::indexLines(bool* headerHadTimeAndSize, TextPool* pool) {
    if (headerHadTimeAndSize) *headerHadTimeAndSize = false;
    int64_t tagBracket = decodeUtf8Text();
    if (text && allocatedBytes > usedBytes) text[usedBytes] = '\0';

    lineArrays.release();
    lineCount = 0;
    if (usedBytes > kMaxBlockBytes) {
        logMessage("[error] text too large for one block (%ld MB): %s",
                   static_cast<long>(usedBytes >> 20), fileName ? fileName : "");
        return 9;
    }
    int64_t newlines = text ? countNewlines(text, usedBytes) : 0;
    int64_t total = newlines + (usedBytes > 0 && text[usedBytes - 1] != '\n' ? 1 : 0);
    if (total > INT_MAX - kSpareLineSlots) {
        reportOutOfMemory(120301, static_cast<long>(total));
        return 9;
    }
    int capacity = static_cast<int>(total) + kSpareLineSlots;
    if (!lineArrays.allocate(capacity, pool)) {
        reportOutOfMemory(120302, static_cast<long>(capacity * 8L));
        return 9;
    }
    static std::atomic<uint64_t> stamps{0};
    textStamp = stamps.fetch_add(1, std::memory_order_relaxed) + 1;
    int prefixLines = indexEveryLine();
    if (readRecordHeaders(prefixLines, headerHadTimeAndSize) != 0) return 9;
    finishEncodingTag(tagBracket);
    return 0;
}

// Writes the encoding tag and decodes UTF-8 text in place, once per text: indexing again
// after a wrap must not decode the decoded bytes a second time. Returns the offset of the
// tag's closing bracket, or -1.
int64_t TextBlock::decodeUtf8Text() {
    if (!text || !textOptions().utf8Decode || utf8Decoded) return -1;
    int64_t tagBracket = writeEncodingTag(*this);
    uint32_t flags = encodingFlags & (kEncodingBom | kEncodingValidUtf8 | kEncodingInvalid);
    if (flags != 0 && !(flags & kEncodingInvalid) && !utf8DecoderKeepsBytes())
        decodeInPlace(*this);
    utf8Decoded = true;
    return tagBracket;
}

// Records every line's start and character mask, turning its newline into a NUL. Record
// prefix lines get mask 0 here: readRecordHeaders measures them once their attributes are
// blanked out. Returns the number of lines that start like the record prefix.
int TextBlock::indexEveryLine() {
    uint32_t* starts = lineArrays.starts;
    uint32_t* masks = lineArrays.masks;
    const TextStore* store = owner;
    bool hasPrefix = store && store->prefixLength > 0;
    char prefixStart = hasPrefix ? store->recordPrefix[0] : '\0';
    const uint32_t* bits = codePageTables().charBits.data();
    int indexed = 0;
    int prefixLines = 0;
    int64_t physical = 0;
    // Converts a first-offset into the file's own line number once the line holding it is
    // done. `indexed` then counts that line too, and block lines 0 and 1 are the record's
    // header and name lines: the file's line k is block line k + 1, so k = indexed - 2.
    // Only blocks fed line by line carry these offsets; a file read whole is never scanned.
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
    // Ends the line from lineStart to lineEnd (a newline, or the end of the text). Colour
    // lines between the text lines get the renderer's codes and no slot of their own.
    auto finishLine = [&](int64_t lineStart, int64_t lineEnd) {
        char* line = text + lineStart;
        if (colourText && (physical & 1) && physical > 2) {
            for (char* c = line; c < text + lineEnd; ++c)
                *c = kColourCodes[static_cast<uint8_t>(*c)];
        } else {
            starts[indexed] = static_cast<uint32_t>(lineStart);
            bool header = hasPrefix && *line == prefixStart;
            prefixLines += header;
            masks[indexed++] = header ? 0
                                      : maskOfBytes(reinterpret_cast<const uint8_t*>(line),
                                                    static_cast<size_t>(lineEnd - lineStart), bits);
        }
        ++physical;
    };
    int64_t lineStart = 0;
    // Plain text, the common case, goes through the vector kernel in one call; colour text
    // and text with offsets to settle take the general loop line by line.
    if (text && !colourText && firstUtf8Offset <= 0 && firstInvalidOffset <= 0) {
        indexed = indexPlainText(text, usedBytes, starts, masks, bits, hasPrefix, prefixStart,
                                 prefixLines);
        lineStart = usedBytes;
    }
    for (int64_t base = lineStart; text && base < usedBytes; base += kWindowBytes) {
        int64_t length = usedBytes - base < kWindowBytes ? usedBytes - base : kWindowBytes;
        for (uint64_t found = newlineBits(text + base, length); found != 0; found &= found - 1) {
            int64_t newline = base + std::countr_zero(found);
            finishLine(lineStart, newline);
            text[newline] = '\0';
            lineStart = newline + 1;
            settleOffsets(lineStart);
        }
    }
    if (text && lineStart < usedBytes) {
        if (colourText) {
            logMessage("[info] wrong color text ending");
            usedBytes = lineStart;
            text[lineStart] = '\0';
        } else {
            finishLine(lineStart, usedBytes);
            settleOffsets(usedBytes + 1);
        }
    }
    lineCount = indexed;
    lineArrays.clearFrom(indexed);
    return prefixLines;
}

// Reads the attributes of every record prefix line (blanking them in an owned buffer), takes
// the block's name from its first record, and gives every line the file kind of its record.
int TextBlock::readRecordHeaders(int prefixLines, bool* headerHadTimeAndSize) {
    const TextStore* store = owner;
    bool hasPrefix = store && store->prefixLength > 0;
    char prefixStart = hasPrefix ? store->recordPrefix[0] : '\0';
    const uint32_t* bits = codePageTables().charBits.data();
    uint32_t* starts = lineArrays.starts;
    uint32_t* masks = lineArrays.masks;
    const auto& kindOf = textOptions().fileKind;
    bool timeSeen = false;
    bool sizeSeen = false;
    uint32_t kind = 0;
    // Without file kinds only record prefix lines change here, and those have mask 0 so far:
    // the other lines need not be visited in the text.
    uint32_t lowBits = 0;
    for (int byte = 0; byte < 256; ++byte) lowBits |= bits[byte] & 0xFFu;
    bool prefixLinesOnly = !kindOf && lowBits == 0;
    for (int i = 0; i < lineCount; ++i) {
        if (prefixLinesOnly) {
            // Empty lines have mask 0 too: the count says when the last prefix line is done.
            if (prefixLines == 0) break;
            i = static_cast<int>(std::find(masks + i, masks + lineCount, 0u) - masks);
            if (i == lineCount) break;
        }
        char* line = text + starts[i];
        if (hasPrefix && *line == prefixStart) {
            --prefixLines;
            if (store->startsWithPrefix(line)) {
                int64_t value = 0;
                if (readAttribute(line, "mtime=", ownsBuffer(), value) && value > 0) {
                    fileTime = value;
                    timeSeen = true;
                }
                if (readAttribute(line, "size=", ownsBuffer(), value)) {
                    fileSize = watchedSize = value;
                    sizeSeen = true;
                }
                kind = 0;
                if (i + 2 < lineCount) {
                    bool onPrefixLine = store->prefixOnNameLine;
                    const char* name =
                        onPrefixLine ? line + store->prefixLength : text + starts[i + 1];
                    const char* firstText = text + starts[i + (onPrefixLine ? 1 : 2)];
                    if (!fileName || kindOf) {
                        std::string trimmed = trimmedName(name);
                        if (!fileName && setName(trimmed.c_str()) != 0) return 9;
                        if (kindOf)
                            kind =
                                static_cast<uint32_t>(kindOf(trimmed.c_str(), firstText)) & 0xFFu;
                    }
                }
            }
            masks[i] = maskOfBytes(reinterpret_cast<const uint8_t*>(line), std::strlen(line), bits);
        }
        masks[i] = (masks[i] & ~0xFFu) | kind;
    }
    if (headerHadTimeAndSize) *headerHadTimeAndSize = timeSeen && sizeSeen;
    return 0;
}

// Puts the line number behind the encoding tag once the lines are counted.
void TextBlock::finishEncodingTag(int64_t tagBracket) {
    if (tagBracket < 0 || usedBytes - tagBracket <= kTagNumberRoom || text[tagBracket] != ']')
        return;
    int number = (encodingFlags & kEncodingInvalid) ? firstInvalidLine : firstUtf8Line;
    char finished[16];
    int length = std::snprintf(finished, sizeof finished, "@%u]", static_cast<unsigned>(number));
    std::memcpy(text + tagBracket, finished, static_cast<size_t>(length));
}

}  // namespace tessel
