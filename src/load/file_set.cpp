#include "load/file_set.h"

#include "base/log/message_log.h"

namespace tessel {

namespace {

struct Token {
    std::string_view text;
    bool quoted = false;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Cuts the next word: blanks separate words outside double quotes. False at the end; a
// missing closing quote sets *unterminated.
bool nextToken(std::string_view text, size_t& at, Token& token, bool* unterminated) {
    while (at < text.size() && isBlank(text[at])) ++at;
    if (at >= text.size()) return false;
    if (text[at] == '"') {
        size_t close = text.find('"', at + 1);
        if (close == std::string_view::npos) {
            *unterminated = true;
            return false;
        }
        token.text = text.substr(at + 1, close - at - 1);
        token.quoted = true;
        at = close + 1;
        return true;
    }
    size_t start = at;
    while (at < text.size() && !isBlank(text[at])) ++at;
    token.text = text.substr(start, at - start);
    token.quoted = false;
    return true;
}

void appendWord(std::string& list, std::string_view word) {
    if (!list.empty()) list.push_back(' ');
    list.append(word);
}

std::string normalizedRoot(std::string_view root) {
    if (root.empty()) return ".";
    // Trailing separators add nothing, but "/" itself is the file-system root.
    while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.remove_suffix(1);
    return std::string(root);
}

enum class Section { kNone, kDirs, kFiles };

}  // namespace

const std::string& FileSet::firstRoot() const {
    static const std::string none;
    for (const FileSetLayer& layer : layers) {
        if (!layer.roots.empty()) return layer.roots.front();
    }
    return none;
}

size_t FileSet::rootCount() const {
    size_t count = 0;
    for (const FileSetLayer& layer : layers) count += layer.roots.size();
    return count;
}

std::string_view FileSet::fileMaskText() const {
    return layers.empty() ? std::string_view() : std::string_view(layers[0].fileMasks.source);
}

std::string_view FileSet::dirMaskText() const {
    return layers.empty() ? std::string_view() : std::string_view(layers[0].dirMasks.source);
}

int parseFileSet(std::string_view text, bool colonExcludes, FileSet& set) {
    set.layers.clear();
    set.error.clear();
    struct Pending {
        std::vector<std::string> roots;
        std::string dirMasks;
        std::string fileMasks;
    };
    std::vector<Pending> pending;
    Section section = Section::kNone;
    size_t at = 0;
    Token token;
    bool unterminated = false;
    auto fail = [&](std::string message) {
        set.layers.clear();
        set.error = std::move(message);
        return 9;
    };

    while (nextToken(text, at, token, &unterminated)) {
        std::string_view word = token.text;
        if (!token.quoted && word.starts_with("-")) {
            if (word == "-dir") {
                pending.emplace_back();
                section = Section::kDirs;
            } else if (word == "-file") {
                if (pending.empty()) pending.emplace_back();
                section = Section::kFiles;
            } else if (word == "-all" || word == "-sub" || word == "-nosub") {
                // Accepted for compatibility with other callers of the same syntax.
            } else {
                return fail("unknown file set option: " + std::string(word.substr(0, 200)));
            }
            continue;
        }
        if (section == Section::kNone) {
            // Short form: the first word is the root, the rest are file masks.
            pending.emplace_back();
            section = Section::kFiles;
            if (word.size() >= kRootPathBytes) return fail("path too long in file set");
            pending.back().roots.push_back(normalizedRoot(word));
            continue;
        }
        Pending& layer = pending.back();
        if (section == Section::kFiles) {
            if (word.empty()) continue;
            appendWord(layer.fileMasks, word);
            continue;
        }
        bool maskWord = !token.quoted && !word.empty() &&
                        (word[0] == '!' || word[0] == '*' || (colonExcludes && word[0] == ':'));
        if (maskWord) {
            appendWord(layer.dirMasks, word);
        } else {
            if (word.size() >= kRootPathBytes) return fail("path too long in file set");
            layer.roots.push_back(normalizedRoot(word));
        }
    }
    if (unterminated) return fail("missing closing quote in file set");
    if (pending.empty()) return fail("no folder or file given");

    set.layers.resize(pending.size());
    for (size_t i = 0; i < pending.size(); ++i) {
        FileSetLayer& layer = set.layers[i];
        layer.roots = std::move(pending[i].roots);
        if (layer.roots.empty()) layer.roots.push_back(".");
        layer.dirMasks.parse(pending[i].dirMasks, colonExcludes);
        layer.fileMasks.parse(pending[i].fileMasks, colonExcludes);
    }
    return 0;
}

int buildFileSetText(std::string_view folder, std::string_view dirMask, std::string_view fileMask,
                     std::string& out) {
    if (folder.empty()) folder = ".";
    out.clear();
    out.append("-dir \"").append(folder).append("\" ").append(dirMask);
    out.append(" -file ").append(fileMask);
    if (out.size() >= kFileSetTextBytes) {
        out.clear();
        logError(0, "file set text too long (%lu bytes)",
                 static_cast<unsigned long>(folder.size() + dirMask.size() + fileMask.size()));
        return 9;
    }
    return 0;
}

void logFileSet(const FileSet& set) {
    for (const FileSetLayer& layer : set.layers) {
        for (const std::string& root : layer.roots) logMessage("[blue] root: %s", root.c_str());
        if (!layer.dirMasks.empty())
            logMessage("[blue] sub dir mask: %s", layer.dirMasks.source.c_str());
        if (!layer.fileMasks.empty())
            logMessage("[blue] file mask: %s", layer.fileMasks.source.c_str());
    }
}

}  // namespace tessel
