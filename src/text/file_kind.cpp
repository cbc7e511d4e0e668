#include "text/file_kind.h"

#include <cctype>
#include <cstring>

namespace tessel {
namespace {

constexpr size_t kMaxExtensionChars = 40;

// Lists of extensions, each written as "." + extension + " ", so that a lookup of ".h " does
// not find ".hpp ". The older kinds come first and in this order: a later list that knows the
// extension overrides the language of an earlier one.
struct ExtensionLanguage {
    const char* extensions;
    FileLanguage language;
};
constexpr ExtensionLanguage kExtensionLanguages[] = {
    {".h .hpp .hxx .c .cpp .cc .cxx .c++ .m .mm ", kLanguageC},
    {".jav .java .jsp ", kLanguageJava},
    {".sql ", kLanguageSql},
    {".css ", kLanguageCss},
    {".js .htm .html .shtml .mjs .cjs .jsx ", kLanguageJavaScript},
    {".py .pyw .pyi ", kLanguagePython},
    {".sh .bash .ksh .zsh ", kLanguageShell},
    {".rs ", kLanguageRust},
    {".go ", kLanguageGo},
    {".ts .tsx .mts .cts ", kLanguageTypeScript},
    {".yaml .yml ", kLanguageYaml},
    {".json .jsonc ", kLanguageJson},
    {".md .markdown ", kLanguageMarkdown},
    {".cmake ", kLanguageCMake},
    {".mk .mak ", kLanguageMakefile},
};
constexpr const char kMarkupExtensions[] = ".htm .html .xml .dtd .php .shtml .jsp ";

// Files known by their whole name rather than an extension.
struct NamedFile {
    const char* name;
    FileLanguage language;
};
constexpr NamedFile kNamedFiles[] = {
    {"CMakeLists.txt", kLanguageCMake},
    {"Makefile", kLanguageMakefile},
    {"makefile", kLanguageMakefile},
    {"GNUmakefile", kLanguageMakefile},
};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

std::string_view baseName(std::string_view name) {
    size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The interpreter a "#!" line names: "/usr/bin/python3" and "/usr/bin/env -S python3 -u"
// both give python.
FileLanguage interpreterLanguage(std::string_view line) {
    line.remove_prefix(2);
    auto nextWord = [&line]() {
        size_t start = 0;
        while (start < line.size() && isBlank(line[start])) ++start;
        size_t end = start;
        while (end < line.size() && !isBlank(line[end])) ++end;
        std::string_view word = line.substr(start, end - start);
        line.remove_prefix(end);
        return word;
    };
    std::string_view program = baseName(nextWord());
    if (program == "env") {
        do {
            program = nextWord();
        } while (program.starts_with("-"));
        program = baseName(program);
    }
    if (program.starts_with("python")) {
        std::string_view version = program.substr(6);
        if (version.find_first_not_of("0123456789.") == std::string_view::npos) {
            return kLanguagePython;
        }
    }
    if (program == "sh" || program == "bash") return kLanguageShell;
    if (program == "node") return kLanguageJavaScript;
    return kLanguageNone;
}

}  // namespace

std::string_view fileExtension(std::string_view name, char (&buffer)[41]) {
    std::string_view base = baseName(name);
    size_t dot = base.rfind('.');
    if (dot == std::string_view::npos) return {};
    size_t length = 0;
    for (size_t i = dot + 1; i < base.size() && length < kMaxExtensionChars; ++i) {
        auto c = static_cast<unsigned char>(base[i]);
        if (!std::isalnum(c)) break;
        buffer[length++] = static_cast<char>(std::tolower(c));
    }
    buffer[length] = '\0';
    return std::string_view(buffer, length);
}

uint8_t fileKind(std::string_view name, std::string_view firstLine) {
    uint8_t kind = 0;
    char extensionBuffer[41];
    std::string_view extension = fileExtension(name, extensionBuffer);
    if (!extension.empty()) {
        // ".ext " as the lists write it.
        char key[44];
        key[0] = '.';
        std::memcpy(key + 1, extension.data(), extension.size());
        key[extension.size() + 1] = ' ';
        std::string_view dotted(key, extension.size() + 2);
        for (const ExtensionLanguage& entry : kExtensionLanguages) {
            if (std::string_view(entry.extensions).find(dotted) != std::string_view::npos) {
                kind = entry.language;
            }
        }
        if (dotted == ".xml ") kind |= kKindXml;
        if (std::string_view(kMarkupExtensions).find(dotted) != std::string_view::npos) {
            kind |= kKindMarkup;
        }
    }
    for (const NamedFile& named : kNamedFiles) {
        if (baseName(name) == named.name) kind = named.language;
    }
    if (name.starts_with("// help")) kind = kLanguageHelp;
    if (kind == 0 && !firstLine.empty()) {
        if (firstLine.starts_with("<?xml ")) {
            kind = kKindXml | kKindMarkup;
        } else if (startsWithNoCase(firstLine, "<!doctype html") ||
                   startsWithNoCase(firstLine, "<html")) {
            kind = kKindMarkup;
        } else if (firstLine.starts_with("#!")) {
            kind = interpreterLanguage(firstLine);
        }
    }
    return kind;
}

int fileKindOf(const char* name, const char* firstLine) {
    return fileKind(name != nullptr ? std::string_view(name) : std::string_view(),
                    firstLine != nullptr ? std::string_view(firstLine) : std::string_view());
}

}  // namespace tessel
