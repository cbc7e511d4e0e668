#include "base/codepage/code_page_tables.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "base/codepage/code_page_unicode_data.h"
#include "base/codepage/letter_groups.h"
#include "base/codepage/unicode_fold.h"
#include "base/codepage/utf8.h"

namespace tessel {

namespace {

constexpr uint8_t kSharpS = 0xDF;
constexpr int kSGroup = 17;
constexpr int kGroupCount = 24;
// In the UTF-8 code page every byte beyond ASCII has the class of 'q' and 'v', letters that
// are rare in text and code, so that the class still says little about ASCII lines.
constexpr int kBeyondAsciiGroup = 15;

std::atomic<uint8_t> gWordCharThreshold{0xC0};

uint32_t groupBit(int group) {
    return 1u << (group + 8);
}

// In the UTF-8 code page the bytes beyond ASCII are no letters of their own: groups keep
// their ASCII members only, and ASCII keeps the bits it has in the 8-bit code pages.
void buildCharBits(const uint8_t* groups, bool utf8, std::array<uint32_t, 256>& bits) {
    const int limit = utf8 ? 0x80 : 0x100;
    bits.fill(0);
    forEachLetterGroup(groups, [&](const LetterGroup& group) {
        uint32_t bit = groupBit(group.number);
        bits[group.lower] = bit;
        bits[group.upper] = bit;
        for (int i = 0; i < group.memberCount; ++i) {
            if (group.members[i] < limit) bits[group.members[i]] = bit;
        }
    });
    if (!utf8) bits[kSharpS] = groupBit(kSGroup);
    // Every other byte gets a class in turn so that digits, blanks and punctuation still
    // narrow the line mask test. The asterisk keeps none: terms may contain it freely.
    int next = kSGroup;
    for (int byte = 0; byte < limit; ++byte) {
        if (byte == '*' || bits[byte] != 0) continue;
        bits[byte] = groupBit(next);
        next = (next + 1) % kGroupCount;
    }
    for (int byte = limit; byte < 256; ++byte) bits[byte] = groupBit(kBeyondAsciiGroup);
}

// The ASCII characters that some character beyond ASCII folds to under this fold.
std::array<uint64_t, 2> asciiTargetsOfWide(const FoldTable& fold) {
    std::array<uint64_t, 2> targets{};
    auto mark = [&](char32_t ascii) { targets[ascii >> 6] |= uint64_t{1} << (ascii & 63); };
    for (char32_t code = 0x80; code < kWideFoldLimit; ++code) {
        char32_t folded = fold.foldCode(code);
        if (folded < 0x80) mark(folded);
    }
    if (fold.foldQuotes) mark('"');
    return targets;
}

}  // namespace

void FoldTable::apply(char* text) const {
    if (!text) return;
    for (; *text; ++text) *text = static_cast<char>(bytes[static_cast<uint8_t>(*text)]);
}

void FoldTable::apply(char* text, size_t length) const {
    for (size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>(bytes[static_cast<uint8_t>(text[i])]);
    }
}

char32_t FoldTable::foldCode(char32_t code) const {
    if (code < 0x80 || !wide) return code < 0x100 ? bytes[code] : code;
    if (foldQuotes && isQuoteMark(code)) return bytes['"'];
    if (code >= kWideFoldLimit) return code;
    const char32_t folded = wide[code];
    return folded < 0x80 ? bytes[folded] : folded;
}

int FoldTable::foldUnit(const uint8_t* text, size_t available, char* out, int& written) const {
    const uint8_t lead = text[0];
    written = 1;
    if (lead < 0x80 || !wide) {
        out[0] = static_cast<char>(bytes[lead]);
        return 1;
    }
    char32_t code = 0;
    const int length = decodeUtf8(text, available, code);
    if (length == 0) {
        // Not UTF-8: the byte stays as it is, a unit of its own.
        out[0] = static_cast<char>(lead);
        return 1;
    }
    const char32_t folded = foldCode(code);
    if (folded == code) {
        // At most four bytes: a loop beats a call to memmove here, once per character.
        for (int i = 0; i < length; ++i) out[i] = static_cast<char>(text[i]);
        written = length;
    } else {
        written = encodeUtf8(folded, out);
    }
    return length;
}

size_t FoldTable::foldText(char* text, size_t length) const {
    if (!wide) {
        apply(text, length);
        return length;
    }
    auto* bytesIn = reinterpret_cast<const uint8_t*>(text);
    size_t read = 0;
    size_t write = 0;
    while (read < length) {
        int written = 0;
        read += static_cast<size_t>(foldUnit(bytesIn + read, length - read, text + write, written));
        write += static_cast<size_t>(written);
    }
    return write;
}

int CodePageTables::init(int page) {
    codePage = page;
    utf8 = page == kCodePageUtf8;
    if (utf8) {
        groups = kLetterGroups1252;
        name = "utf-8";
    } else if (page == 1250) {
        groups = kLetterGroups1250;
        name = "central europe";
    } else if (page == 1252) {
        groups = kLetterGroups1252;
        name = "western europe";
    } else {
        groups = kLetterGroups1252;
        name = nullptr;
    }
    buildCharBits(groups, utf8, charBits);
    return name ? kCodePageSupported : kCodePageUnsupported;
}

FoldTable CodePageTables::buildFoldTable(bool caseSensitive, bool accentSensitive,
                                         bool punctSensitive) const {
    FoldTable fold;
    // Bytes beyond ASCII are parts of characters in the UTF-8 code page, never letters.
    const int limit = utf8 ? 0x80 : 0x100;
    forEachLetterGroup(groups ? groups : kLetterGroups1252, [&](const LetterGroup& group) {
        if (group.isPunctuation()) {
            fold.bytes[group.lower] = group.lower;
            for (int i = 0; i < group.memberCount; ++i) {
                uint8_t member = group.members[i];
                if (member < limit) fold.bytes[member] = punctSensitive ? member : group.lower;
            }
            return;
        }
        uint8_t lower = group.lower;
        uint8_t upper = group.upper;
        fold.bytes[lower] = lower;
        fold.bytes[upper] = caseSensitive ? upper : lower;
        for (int i = 0; i + 1 < group.memberCount; i += 2) {
            uint8_t x = group.members[i];
            uint8_t y = group.members[i + 1];
            if (x >= limit || y >= limit) continue;
            if (!accentSensitive) {
                fold.bytes[x] = lower;
                fold.bytes[y] = caseSensitive ? upper : lower;
            } else {
                fold.bytes[x] = x;
                fold.bytes[y] = caseSensitive ? y : x;
            }
        }
    });
    if (!accentSensitive && !utf8) fold.bytes[kSharpS] = 's';
    for (int byte = 0; byte < 256; ++byte) {
        if (fold.bytes[byte] == 0) fold.bytes[byte] = static_cast<uint8_t>(byte);
    }
    if (utf8) {
        fold.wide = unicodeFoldTable(caseSensitive, accentSensitive);
        fold.foldQuotes = !punctSensitive;
        fold.asciiFromWide = asciiTargetsOfWide(fold);
    }
    return fold;
}

uint32_t CodePageTables::maskOf(const char* text) const {
    uint32_t mask = 0;
    if (!text) return 0;
    for (; *text; ++text) mask |= charBits[static_cast<uint8_t>(*text)];
    return mask;
}

uint32_t CodePageTables::maskOf(std::string_view text) const {
    uint32_t mask = 0;
    for (char c : text) mask |= charBits[static_cast<uint8_t>(c)];
    return mask;
}

uint32_t CodePageTables::requiredMaskOf(std::string_view foldedTerm, const FoldTable& fold) const {
    if (!fold.utf8()) return maskOf(foldedTerm);
    uint32_t mask = 0;
    for (char c : foldedTerm) {
        const auto byte = static_cast<uint8_t>(c);
        if (!fold.isFoldTargetOfWide(byte)) mask |= charBits[byte];
    }
    return mask;
}

std::string CodePageTables::describe(std::string_view text) const {
    char buffer[190];
    int length = static_cast<int>(std::min<size_t>(text.size(), 189));
    if (name) {
        std::snprintf(buffer, sizeof buffer, "%.*s\nusing codepage %d (%s)", length, text.data(),
                      codePage, name);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.*s\nnot supported with your codepage (%d)", length,
                      text.data(), codePage);
    }
    return buffer;
}

CodePageTables& codePageTables() {
    static CodePageTables tables = [] {
        CodePageTables t;
        t.groups = kLetterGroups1252;
        buildCharBits(t.groups, false, t.charBits);
        return t;
    }();
    return tables;
}

bool isWordChar(uint8_t byte) {
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= '0' && byte <= '9'))
        return true;
    if (byte == '_') return true;
    return byte > gWordCharThreshold.load(std::memory_order_relaxed) && byte < 0xFF;
}

bool isWordCharAt(const char* text, size_t length, size_t at) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    const uint8_t byte = bytes[at];
    if (byte < 0x80) return isWordChar(byte);
    // The character holding the byte starts at most three bytes before it.
    size_t start = at;
    while (start > 0 && at - start < 3 && isUtf8Continuation(bytes[start])) --start;
    for (; start <= at; ++start) {
        char32_t code = 0;
        const int sequence = decodeUtf8(bytes + start, length - start, code);
        if (sequence > 0 && start + static_cast<size_t>(sequence) > at) {
            return wordCharThreshold() != 0xFF && isWordCodePoint(code);
        }
    }
    return isWordChar(byte);
}

uint8_t wordCharThreshold() {
    return gWordCharThreshold.load(std::memory_order_relaxed);
}

void setWordCharThreshold(uint8_t threshold) {
    gWordCharThreshold.store(threshold, std::memory_order_relaxed);
}

const uint16_t* unicodeTableOf(int codePage) {
    const uint16_t* fallback = nullptr;
    for (const CodePageUnicodeTable& table : kCodePageUnicodeTables) {
        if (table.codePage == codePage) return table.unicode;
        if (table.codePage == 1252) fallback = table.unicode;
    }
    return fallback;
}

char32_t unicodeOf(int codePage, uint8_t byte) {
    if (byte < 128) return byte;
    char32_t code = unicodeTableOf(codePage)[byte - 128];
    return code ? code : static_cast<char32_t>(byte);
}

}  // namespace tessel
