#include "help/help_text.h"

#include <zlib.h>

#include <algorithm>

#include "base/log/message_log.h"
#include "help/embedded_help.h"

namespace tessel {
namespace {

constexpr std::string_view kChapterWord = "chapter ";
constexpr std::string_view kPictureOpen = "[picture ";
constexpr std::string_view kLinkWords = "see chapter ";
// zlib reads a gzip header (not a zlib one) with 16 added to the window bits.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
constexpr size_t kInflateStep = 64 * 1024;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The decimal number at `at` (at most 3 digits), 0 when there is none; `end` after it.
int numberAt(std::string_view text, size_t at, size_t& end) {
    int value = 0;
    end = at;
    while (end < text.size() && isDigit(text[end]) && end - at < 3) {
        value = value * 10 + (text[end] - '0');
        ++end;
    }
    return value;
}

}  // namespace

int inflateGzip(std::span<const uint8_t> stream, size_t limit, std::string& out) {
    out.clear();
    z_stream z{};
    if (inflateInit2(&z, kGzipWindowBits) != Z_OK) {
        logError(0, "help: cannot start the decompression");
        return 9;
    }
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (out.size() >= limit) break;
        const size_t before = out.size();
        out.resize(std::min(before + kInflateStep, limit));
        z.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        z.avail_out = static_cast<uInt>(out.size() - before);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in == 0) break;  // the stream ended early
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END) {
        logError(0, "help: the built-in text is damaged (%d)", status);
        out.clear();
        return 9;
    }
    return 0;
}

std::string helpText() {
    std::string text;
    inflateGzip({kEmbeddedHelpText.bytes, kEmbeddedHelpText.size}, kMaxHelpTextBytes, text);
    return text;
}

std::span<const uint8_t> helpPictureBytes(std::string_view name) {
    for (int i = 0; i < kEmbeddedHelpPictureCount; ++i) {
        if (name == kEmbeddedHelpPictures[i].name) {
            return {kEmbeddedHelpPictures[i].bytes, kEmbeddedHelpPictures[i].size};
        }
    }
    return {};
}

std::vector<std::string_view> helpPictureNames() {
    std::vector<std::string_view> names;
    for (int i = 0; i < kEmbeddedHelpPictureCount; ++i) {
        names.emplace_back(kEmbeddedHelpPictures[i].name);
    }
    return names;
}

size_t embeddedHelpBytes() {
    size_t total = kEmbeddedHelpText.size;
    for (int i = 0; i < kEmbeddedHelpPictureCount; ++i) total += kEmbeddedHelpPictures[i].size;
    return total;
}

int helpChapterOf(std::string_view line) {
    if (!line.starts_with(kChapterWord)) return 0;
    size_t end = 0;
    const int chapter = numberAt(line, kChapterWord.size(), end);
    return end < line.size() && line[end] == ':' ? chapter : 0;
}

std::string_view helpPictureOf(std::string_view line) {
    if (!line.starts_with(kPictureOpen)) return {};
    const size_t close = line.find(']', kPictureOpen.size());
    if (close == std::string_view::npos) return {};
    return line.substr(kPictureOpen.size(), close - kPictureOpen.size());
}

std::vector<HelpLink> helpLinksOf(std::string_view line) {
    std::vector<HelpLink> links;
    for (size_t at = line.find(kLinkWords); at != std::string_view::npos;
         at = line.find(kLinkWords, at + 1)) {
        size_t end = 0;
        const int chapter = numberAt(line, at + kLinkWords.size(), end);
        if (chapter > 0) {
            links.push_back({static_cast<int>(at), static_cast<int>(end), chapter});
        }
    }
    return links;
}

std::string helpTextWithPictureRows(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 1024);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        out.append(line);
        out += '\n';
        if (!helpPictureOf(line).empty()) out.append(kHelpPictureRows, '\n');
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return out;
}

}  // namespace tessel
