// UTF-8 scanning and decoding into the active 8-bit code page. One routine serves both
// uses: with output off it only records what it saw in the encoding flags (while text is
// added), with output on it also writes the decoded bytes over the same buffer (while a
// block is indexed). Decoding never makes text longer. In the UTF-8 code page the text keeps
// its bytes: the scan only tells valid sequences from bytes that are not UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

// Builds the decoder table for a code page (874, 1250, 1251, 1252, 1253, 1254, 1257 and
// 1300 VISCII; kCodePageUtf8 decodes nothing; any other uses 1252). Called at start-up and
// for "-code".
void initUtf8Decoder(int codePage);
// The code page the decoder writes into (the editor writes decoded text back through it).
int utf8DecoderCodePage();
// True in the UTF-8 code page: text is never decoded.
bool utf8DecoderKeepsBytes();

// Scans (output false) or decodes in place (output true) one piece of text; ORs the
// encoding flags (kEncodingBom, kEncodingValidUtf8, kEncodingInvalid) into flags and
// returns the number of bytes written (the piece's length when output is off).
size_t utf8ScanDecode(char* text, size_t length, bool output, uint32_t& flags);

// Scan only: records the encoding flags of a piece without touching it.
inline void utf8Scan(const char* text, size_t length, uint32_t& flags) {
    utf8ScanDecode(const_cast<char*>(text), length, false, flags);
}

// 16-bit wide text to UTF-8, one piece of the file at a time. A high surrogate at the end of
// a piece waits for its low half at the start of the next; a surrogate without its other
// half becomes U+FFFD. A piece of n units gives at most 3 n + 3 bytes (the 3 for a high
// surrogate that the piece before left waiting), finish() included.
struct WideToUtf8 {
    bool bigEndian = false;
    char16_t waitingHigh = 0;

    // Converts the complete units of in[0, count) into out; returns the bytes written.
    size_t convert(const uint8_t* in, size_t count, char* out);
    // The end of the text: a high surrogate still waiting is written as U+FFFD.
    size_t finish(char* out);
};

}  // namespace tessel
