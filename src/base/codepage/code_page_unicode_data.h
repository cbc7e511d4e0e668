// Byte-to-Unicode tables of the supported 8-bit code pages (bytes 128..255).
#pragma once

#include <cstdint>

namespace tessel {

struct CodePageUnicodeTable {
    int codePage;
    uint16_t unicode[128];
};

constexpr int kCodePageUnicodeTableCount = 8;
extern const CodePageUnicodeTable kCodePageUnicodeTables[kCodePageUnicodeTableCount];

}  // namespace tessel
