#include "editor/edit_encoding.h"

#include <cstdint>

#include "base/codepage/code_page_tables.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"

namespace tessel {

bool blockWasDecoded(const TextBlock& block) {
    uint32_t flags = block.encodingFlags;
    return block.utf8Decoded && (flags & (kEncodingBom | kEncodingValidUtf8)) != 0 &&
           (flags & kEncodingInvalid) == 0;
}

bool decodeLineExactly(std::string_view line, std::string& decoded) {
    decoded.assign(line);
    uint32_t flags = 0;
    size_t kept = utf8ScanDecode(decoded.data(), decoded.size(), true, flags);
    decoded.resize(kept);
    if (flags & kEncodingInvalid) return false;
    std::string again;
    again.reserve(line.size());
    // A byte order mark is the file's, not the line's: it is never decoded away silently.
    if (flags & kEncodingBom) return false;
    return appendUtf8(decoded, again) && again == line;
}

bool appendUtf8(std::string_view text, std::string& out, size_t* badOffset) {
    const uint16_t* unicode = unicodeTableOf(utf8DecoderCodePage());
    for (size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<uint8_t>(text[i]);
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
            continue;
        }
        uint32_t code = unicode[byte - 0x80];
        if (code == 0) {
            if (badOffset) *badOffset = i;
            return false;
        }
        if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return true;
}

bool holdsUtf8(std::string_view text) {
    uint32_t flags = 0;
    utf8Scan(text.data(), text.size(), flags);
    return (flags & (kEncodingValidUtf8 | kEncodingBom)) != 0;
}

}  // namespace tessel
