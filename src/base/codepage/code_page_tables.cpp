#include "base/codepage/code_page_tables.h"

#include <atomic>
#include <cstdio>

#include "base/codepage/code_page_unicode_data.h"
#include "base/codepage/letter_groups.h"

namespace tessel {

namespace {

constexpr uint8_t kSharpS = 0xDF;
constexpr int kSGroup = 17;
constexpr int kGroupCount = 24;

std::atomic<uint8_t> gWordCharThreshold{0xC0};

uint32_t groupBit(int group) {
    return 1u << (group + 8);
}

void buildCharBits(const uint8_t* groups, std::array<uint32_t, 256>& bits) {
    bits.fill(0);
    forEachLetterGroup(groups, [&](const LetterGroup& group) {
        uint32_t bit = groupBit(group.number);
        bits[group.lower] = bit;
        bits[group.upper] = bit;
        for (int i = 0; i < group.memberCount; ++i) bits[group.members[i]] = bit;
    });
    bits[kSharpS] = groupBit(kSGroup);
    // Every other byte gets a class in turn so that digits, blanks and punctuation still
    // narrow the line mask test. The asterisk keeps none: terms may contain it freely.
    int next = kSGroup;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == '*' || bits[byte] != 0) continue;
        bits[byte] = groupBit(next);
        next = (next + 1) % kGroupCount;
    }
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

int CodePageTables::init(int page) {
    codePage = page;
    if (page == 1250) {
        groups = kLetterGroups1250;
        name = "central europe";
    } else if (page == 1252) {
        groups = kLetterGroups1252;
        name = "western europe";
    } else {
        groups = kLetterGroups1252;
        name = nullptr;
    }
    buildCharBits(groups, charBits);
    return name ? kCodePageSupported : kCodePageUnsupported;
}

FoldTable CodePageTables::buildFoldTable(bool caseSensitive, bool accentSensitive,
                                         bool punctSensitive) const {
    FoldTable fold;
    forEachLetterGroup(groups ? groups : kLetterGroups1252, [&](const LetterGroup& group) {
        if (group.isPunctuation()) {
            fold.bytes[group.lower] = group.lower;
            for (int i = 0; i < group.memberCount; ++i) {
                uint8_t member = group.members[i];
                fold.bytes[member] = punctSensitive ? member : group.lower;
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
            if (!accentSensitive) {
                fold.bytes[x] = lower;
                fold.bytes[y] = caseSensitive ? upper : lower;
            } else {
                fold.bytes[x] = x;
                fold.bytes[y] = caseSensitive ? y : x;
            }
        }
    });
    if (!accentSensitive) fold.bytes[kSharpS] = 's';
    for (int byte = 0; byte < 256; ++byte) {
        if (fold.bytes[byte] == 0) fold.bytes[byte] = static_cast<uint8_t>(byte);
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
        buildCharBits(t.groups, t.charBits);
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
