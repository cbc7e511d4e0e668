// The file kind: one byte per loaded file that tells the syntax colouring which language a
// file holds. It is worked out once, when a block is indexed, from the file's name and its
// first text line, and kept in the low byte of every line mask of the file.
//
// Bits 0-4 name the language, bit 5 marks an XML file and bit 6 a markup file (tags and
// "<!--" comments). Bit 7 is not part of the kind: the renderer uses it per line to carry
// "this line starts inside a block comment" from one line to the next.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

enum FileLanguage : uint8_t {
    kLanguageNone = 0,
    kLanguageC = 1,
    kLanguageJava = 2,
    kLanguageSql = 3,
    kLanguageCss = 4,
    kLanguageJavaScript = 5,  // also HTML
    kLanguageHelp = 8,        // the help text, drawn by the help renderer
    kLanguagePython = 9,
    kLanguageShell = 10,
    kLanguageRust = 11,
    kLanguageGo = 12,
    kLanguageTypeScript = 13,
    kLanguageYaml = 14,
    kLanguageJson = 15,
    kLanguageMarkdown = 16,
    kLanguageCMake = 17,
    kLanguageMakefile = 18,
};

inline constexpr uint8_t kKindLanguageMask = 0x1F;
inline constexpr uint8_t kKindXml = 0x20;
inline constexpr uint8_t kKindMarkup = 0x40;
// Per line, beside the kind: the line starts inside a block comment.
inline constexpr uint8_t kLineInBlockComment = 0x80;

inline int kindLanguage(int kind) {
    return kind & kKindLanguageMask;
}

// The kind of a file from its name (a path; "// help" names the help text) and its first
// text line (may be empty or null when unknown).
uint8_t fileKind(std::string_view name, std::string_view firstLine);

// The same with C strings, in the form TextOptions::fileKind takes.
int fileKindOf(const char* name, const char* firstLine);

// The extension the kind and the user languages go by: the letters and digits after the last
// "." of the name, lower-cased, at most 40 of them; empty when there is none.
std::string_view fileExtension(std::string_view name, char (&buffer)[41]);

}  // namespace tessel
