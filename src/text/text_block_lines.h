// The kernel of line indexing: finding the line ends of a block's text and the line mask of
// every line, in one pass over bytes that are usually read for the first time. Loading
// gigabytes spends most of its own time here, so a vector version runs where the processor
// has the instructions for it; both versions give exactly the same starts and masks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

// The OR of the character bits of a line.
uint32_t maskOfBytes(const uint8_t* bytes, size_t length, const uint32_t* bits);

// One bit per byte of a window of up to 64 bytes: set where the byte is a newline.
uint64_t newlineBits(const char* window, int64_t length);

// The number of newlines in the text.
int64_t countNewlines(const char* text, int64_t length);

// Indexes text without colour lines: writes line starts and line masks, turns newlines into
// NULs and returns the number of lines (text after the last newline is a line too). Lines
// starting with `prefixStart` (when `hasPrefix`) get mask 0: their attributes are read and
// blanked before they are measured; `prefixLines` gets their number. `starts` and `masks`
// hold a slot per line and one more.
int indexPlainText(char* text, int64_t used, uint32_t* starts, uint32_t* masks,
                   const uint32_t* bits, bool hasPrefix, char prefixStart, int& prefixLines);

// The same, byte by byte on any processor; indexPlainText uses it where the vector version
// cannot run.
int indexPlainTextScalar(char* text, int64_t used, uint32_t* starts, uint32_t* masks,
                         const uint32_t* bits, bool hasPrefix, char prefixStart, int& prefixLines);

// True when indexPlainText runs the vector version for these character bits.
bool vectorLineIndexUsable(const uint32_t* bits);

}  // namespace tessel
