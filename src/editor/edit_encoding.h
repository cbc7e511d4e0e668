// The two encodings an edited file can have: raw bytes in the code page of the system, or
// UTF-8 that was decoded into the code page when the file was loaded. A decoded file is
// edited in the decoded text and written back as UTF-8, so only files whose every line comes
// back byte for byte through decoding and encoding are edited decoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessel {

struct TextBlock;

inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// True when the block's text was decoded from UTF-8 while it was loaded.
bool blockWasDecoded(const TextBlock& block);

// Decodes one line (no line end) into `decoded`; false when encoding it again would not give
// the same bytes.
bool decodeLineExactly(std::string_view line, std::string& decoded);

// Appends the UTF-8 form of code-page text to `out`. False when a byte has no character in
// the code page; `badOffset` then gives its place.
bool appendUtf8(std::string_view text, std::string& out, size_t* badOffset = nullptr);

// True when raw text holds valid UTF-8 sequences (or a byte order mark).
bool holdsUtf8(std::string_view text);

}  // namespace tessel
