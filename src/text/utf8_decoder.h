// UTF-8 scanning and decoding into the active 8-bit code page. One routine serves both
// uses: with output off it only records what it saw in the encoding flags (while text is
// added), with output on it also writes the decoded bytes over the same buffer (while a
// block is indexed). Decoding never makes text longer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

// Builds the decoder table for a code page (874, 1250, 1251, 1252, 1253, 1254, 1257 and
// 1300 VISCII; any other uses 1252). Called at start-up and for "-code".
void initUtf8Decoder(int codePage);
// The code page the decoder writes into (the editor writes decoded text back through it).
int utf8DecoderCodePage();

// Scans (output false) or decodes in place (output true) one piece of text; ORs the
// encoding flags (kEncodingBom, kEncodingValidUtf8, kEncodingInvalid) into flags and
// returns the number of bytes written (the piece's length when output is off).
size_t utf8ScanDecode(char* text, size_t length, bool output, uint32_t& flags);

// Scan only: records the encoding flags of a piece without touching it.
inline void utf8Scan(const char* text, size_t length, uint32_t& flags) {
    utf8ScanDecode(const_cast<char*>(text), length, false, flags);
}

}  // namespace tessel
