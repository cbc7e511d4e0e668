#include "text/utf8_decoder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/utf8.h"
#include "base/log/message_log.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Pair entries: a lead byte 0xC0..0xFF followed by a continuation byte 0x80..0xBF.
constexpr uint16_t kNoEntry = 0;
constexpr uint16_t kDecodesTo = 0x100;     // | the code page byte
constexpr uint16_t kStartsTriple = 0x200;  // the first two bytes of a 3-byte sequence

struct TripleEntry {
    uint32_t key;  // lead << 16 | second << 8 | third
    uint8_t byte;
};

struct DecoderTable {
    int codePage = 1252;
    bool keepsBytes = false;  // the UTF-8 code page
    uint16_t pairs[64][64] = {};
    TripleEntry triples[128] = {};
    int tripleCount = 0;

    uint16_t pair(uint8_t lead, uint8_t next) const {
        if (lead < 0xC0 || next < 0x80 || next > 0xBF) return kNoEntry;
        return pairs[lead - 0xC0][next - 0x80];
    }

    int triple(uint8_t lead, uint8_t second, uint8_t third) const {
        uint32_t key = uint32_t(lead) << 16 | uint32_t(second) << 8 | third;
        const TripleEntry* end = triples + tripleCount;
        const TripleEntry* found = std::lower_bound(
            triples, end, key, [](const TripleEntry& e, uint32_t k) { return e.key < k; });
        return (found != end && found->key == key) ? found->byte : -1;
    }
};

std::unique_ptr<DecoderTable> buildTable(int codePage) {
    auto table = std::make_unique<DecoderTable>();
    table->codePage = codePage;
    table->keepsBytes = codePage == kCodePageUtf8;
    if (table->keepsBytes) return table;
    const uint16_t* unicode = unicodeTableOf(codePage);
    for (int byte = 128; byte < 256; ++byte) {
        uint32_t code = unicode[byte - 128];
        if (code == 0) continue;  // undefined in this code page: never decoded into
        if (code < 0x80 || code >= 0x10000) {
            logMessage("utfdec.init error %d\n", code < 0x80 ? 1 : 4);
            continue;
        }
        if (code < 0x800) {
            uint8_t lead = uint8_t(0xC0 | (code >> 6));
            uint8_t next = uint8_t(0x80 | (code & 0x3F));
            table->pairs[lead - 0xC0][next - 0x80] = uint16_t(kDecodesTo | byte);
            continue;
        }
        uint8_t lead = uint8_t(0xE0 | (code >> 12));
        uint8_t second = uint8_t(0x80 | ((code >> 6) & 0x3F));
        uint8_t third = uint8_t(0x80 | (code & 0x3F));
        table->pairs[lead - 0xC0][second - 0x80] = kStartsTriple;
        table->triples[table->tripleCount++] = {
            uint32_t(lead) << 16 | uint32_t(second) << 8 | third, uint8_t(byte)};
    }
    std::sort(table->triples, table->triples + table->tripleCount,
              [](const TripleEntry& a, const TripleEntry& b) { return a.key < b.key; });
    return table;
}

// The table is replaced only at start-up ("-code"), before any load runs; readers on the
// loader thread see a complete table through the atomic pointer.
std::atomic<DecoderTable*> gTable{nullptr};

const DecoderTable& table() {
    DecoderTable* current = gTable.load(std::memory_order_acquire);
    if (!current) {
        initUtf8Decoder(1252);
        current = gTable.load(std::memory_order_acquire);
    }
    return *current;
}

// Index of the first byte at or after from that is above 127 (or length).
size_t skipAscii(const uint8_t* text, size_t from, size_t length) {
    size_t at = from;
    while (at + 8 <= length) {
        uint64_t word;
        std::memcpy(&word, text + at, 8);
        if (word & 0x8080808080808080ull) break;
        at += 8;
    }
    while (at < length && text[at] < 0x80) ++at;
    return at;
}

constexpr uint32_t kEncodingSeen = kEncodingValidUtf8 | kEncodingInvalid;

// The UTF-8 code page: strict validation, the bytes stay as they are.
void scanKeptBytes(const uint8_t* bytes, size_t length, uint32_t& flags) {
    size_t at = 0;
    if (length > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        flags |= kEncodingBom;
        at = 3;
    }
    while (at < length && (flags & kEncodingSeen) != kEncodingSeen) {
        at = skipAscii(bytes, at, length);
        if (at >= length) break;
        char32_t code = 0;
        const int sequence = decodeUtf8(bytes + at, length - at, code);
        if (sequence > 0) {
            flags |= kEncodingValidUtf8;
            at += static_cast<size_t>(sequence);
        } else {
            flags |= kEncodingInvalid;
            ++at;
        }
    }
}

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

void initUtf8Decoder(int codePage) {
    static std::unique_ptr<DecoderTable> owned[2];
    static int next = 0;
    // Two slots: the previous table stays valid for a reader that still holds it.
    owned[next] = buildTable(codePage);
    gTable.store(owned[next].get(), std::memory_order_release);
    next ^= 1;
}

int utf8DecoderCodePage() {
    return table().codePage;
}

bool utf8DecoderKeepsBytes() {
    return table().keepsBytes;
}

size_t utf8ScanDecode(char* text, size_t length, bool output, uint32_t& flags) {
    if (!text || length == 0) return 0;
    const DecoderTable& decoder = table();
    auto* bytes = reinterpret_cast<uint8_t*>(text);
    if (decoder.keepsBytes) {
        scanKeptBytes(bytes, length, flags);
        return length;
    }
    size_t read = 0;
    size_t written = 0;
    auto put = [&](uint8_t byte) {
        if (output) bytes[written] = byte;
        ++written;
    };

    if (length > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        flags |= kEncodingBom;
        read = 3;
    }
    uint8_t pending = 0;  // a byte above 127 waiting for its partner; 0 for none
    while (read < length) {
        if (!pending) {
            size_t next = skipAscii(bytes, read, length);
            if (output && written != read) std::memmove(bytes + written, bytes + read, next - read);
            written += next - read;
            read = next;
            if (read < length) pending = bytes[read++];
            continue;
        }
        uint8_t current = bytes[read++];
        uint16_t entry = decoder.pair(pending, current);
        if (entry & kDecodesTo) {
            put(uint8_t(entry & 0xFF));
            flags |= kEncodingValidUtf8;
        } else if (entry == kStartsTriple) {
            int decoded = read < length ? decoder.triple(pending, current, bytes[read]) : -1;
            if (decoded >= 0) {
                put(uint8_t(decoded));
                flags |= kEncodingValidUtf8;
                ++read;
            } else {
                flags |= kEncodingInvalid;
                put(pending);
                put(current);
            }
        } else {
            flags |= kEncodingInvalid;
            put(pending);
            put(current);
        }
        pending = 0;
    }
    if (pending) put(pending);
    return output ? written : length;
}

size_t WideToUtf8::convert(const uint8_t* in, size_t count, char* out) {
    size_t written = 0;
    const size_t high = bigEndian ? 0 : 1;
    for (size_t at = 0; at + 1 < count; at += 2) {
        const auto unit = static_cast<char16_t>(in[at + high] << 8 | in[at + 1 - high]);
        const bool isHigh = unit >= 0xD800 && unit <= 0xDBFF;
        const bool isLow = unit >= 0xDC00 && unit <= 0xDFFF;
        if (waitingHigh != 0 && isLow) {
            char32_t code = 0x10000 + ((char32_t(waitingHigh) - 0xD800) << 10) + (unit - 0xDC00);
            written += static_cast<size_t>(encodeUtf8(code, out + written));
            waitingHigh = 0;
            continue;
        }
        if (waitingHigh != 0)
            written += static_cast<size_t>(encodeUtf8(kReplacement, out + written));
        waitingHigh = 0;
        if (isHigh) {
            waitingHigh = unit;
        } else {
            written += static_cast<size_t>(encodeUtf8(isLow ? kReplacement : unit, out + written));
        }
    }
    return written;
}

size_t WideToUtf8::finish(char* out) {
    if (waitingHigh == 0) return 0;
    waitingHigh = 0;
    return static_cast<size_t>(encodeUtf8(kReplacement, out));
}

}  // namespace tessel
