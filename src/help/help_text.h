// The built-in help. Its text (src/help/tessel_help.txt) is stored in the program as a gzip
// stream and inflated only when the help is opened, so it costs start-up nothing; its chapter
// pictures are JPEG screenshots of Tessel, decoded by whoever draws them.
//
// The text is plain lines with three conventions the help renderer knows:
//   "chapter N: title"          a chapter head (block context rule 11 shows it in the top line)
//   "[picture NAME] caption"    a chapter picture; the loader adds kHelpPictureRows empty
//                               lines below it, over which the picture is drawn
//   "see chapter N"             a link to chapter N
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

inline constexpr char kHelpBlockName[] = "// help";
// The rows a chapter picture takes below its marker line.
inline constexpr int kHelpPictureRows = 18;
// The inflated help is refused beyond this size: the stream is the program's own, and a
// damaged one must not ask for unbounded memory.
inline constexpr size_t kMaxHelpTextBytes = 4 * 1024 * 1024;

// The help text as written, lines ending in "\n"; empty after a failure (reported).
std::string helpText();

// The embedded JPEG bytes of a picture, empty for an unknown name.
std::span<const uint8_t> helpPictureBytes(std::string_view name);
std::vector<std::string_view> helpPictureNames();
// What the help occupies in the program: the compressed text and the pictures, in bytes.
size_t embeddedHelpBytes();

// Inflates a gzip stream into `out`, giving up beyond `limit` bytes. 0, or 9 (reported).
int inflateGzip(std::span<const uint8_t> stream, size_t limit, std::string& out);

// The parts of a help line.
// The number of a chapter head line ("chapter 3: ..."), 0 for any other line.
int helpChapterOf(std::string_view line);
// The picture a marker line names ("[picture first_steps] ..."), empty for other lines.
std::string_view helpPictureOf(std::string_view line);
struct HelpLink {
    int start = 0;  // byte offsets in the line, [start, end)
    int end = 0;
    int chapter = 0;
};
// The links of a line, left to right.
std::vector<HelpLink> helpLinksOf(std::string_view line);

// The text as the store takes it: every picture marker followed by its empty rows.
std::string helpTextWithPictureRows(std::string_view text);

}  // namespace tessel
