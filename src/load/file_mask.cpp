#include "load/file_mask.h"

#include <array>

#include "base/log/message_log.h"

namespace tessel {

namespace {

// Lower case for ASCII and for the upper-case letters of the western 8-bit code page.
constexpr std::array<uint8_t, 256> makeFoldTable() {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<uint8_t>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) table[c] = static_cast<uint8_t>(c + 32);
    }
    table[0x8A] = 0x9A;
    table[0x8C] = 0x9C;
    table[0x8E] = 0x9E;
    table[0x9F] = 0xFF;
    return table;
}

constexpr std::array<uint8_t, 256> kFold = makeFoldTable();

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A part (no "*") at one position of the target; "?" matches any byte.
bool partMatchesAt(std::string_view part, std::string_view target, size_t at) {
    if (at + part.size() > target.size()) return false;
    for (size_t i = 0; i < part.size(); ++i) {
        if (part[i] != '?' && part[i] != target[at + i]) return false;
    }
    return true;
}

}  // namespace

void MaskList::parse(std::string_view maskText, bool colonExcludes) {
    source.assign(maskText);
    text.clear();
    words.clear();
    includeCount = 0;
    size_t at = 0;
    while (at < maskText.size()) {
        while (at < maskText.size() && isBlank(maskText[at])) ++at;
        size_t start = at;
        while (at < maskText.size() && !isBlank(maskText[at])) ++at;
        if (at == start) break;
        std::string_view word = maskText.substr(start, at - start);
        MaskWord entry;
        if (word[0] == '!' || (colonExcludes && word[0] == ':')) {
            entry.exclude = true;
            word.remove_prefix(1);
        }
        // A lone "!" has nothing to exclude.
        if (word.empty()) continue;
        entry.offset = static_cast<uint32_t>(text.size());
        entry.length = static_cast<uint32_t>(word.size());
        for (char c : word) {
            if (c == '*' || c == '?') entry.wildcard = true;
            text.push_back(c == '\\' ? '/' : static_cast<char>(kFold[static_cast<uint8_t>(c)]));
        }
        entry.ending = word[0] == '.' && !entry.wildcard;
        if (!entry.exclude) ++includeCount;
        words.push_back(entry);
    }
}

bool MaskList::acceptsAll() const {
    for (const MaskWord& word : words) {
        if (word.exclude) return false;
        std::string_view body(text.data() + word.offset, word.length);
        if (body.find_first_not_of('*') != std::string_view::npos) return false;
    }
    return true;
}

bool maskWordMatches(std::string_view word, bool ending, std::string_view target) {
    if (ending) {
        // ".txt" matches "/dir/a.txt/" but not "/dir/a.txt.bak/".
        if (target.size() < word.size() + 1) return false;
        size_t at = target.size() - 1 - word.size();
        return partMatchesAt(word, target, at);
    }
    size_t from = 0;
    while (!word.empty()) {
        size_t star = word.find('*');
        std::string_view part = word.substr(0, star);
        word = star == std::string_view::npos ? std::string_view() : word.substr(star + 1);
        if (part.empty()) continue;
        bool found = false;
        for (size_t at = from; at + part.size() <= target.size(); ++at) {
            if (partMatchesAt(part, target, at)) {
                from = at + part.size();
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

bool MaskList::keeps(std::string_view target, bool* explicitlyNamed) const {
    if (explicitlyNamed) *explicitlyNamed = false;
    bool included = includeCount == 0;
    bool named = false;
    for (const MaskWord& word : words) {
        std::string_view body(text.data() + word.offset, word.length);
        if (word.exclude) {
            if (maskWordMatches(body, word.ending, target)) return false;
        } else if (!included || !named) {
            if (maskWordMatches(body, word.ending, target)) {
                included = true;
                // An ending such as ".txt" names no file; a plain word such as "notes.bin" does.
                if (!word.wildcard && !word.ending) named = true;
            }
        }
    }
    if (included && explicitlyNamed) *explicitlyNamed = named;
    return included;
}

std::string_view makeMaskTarget(char* out, std::string_view path) {
    size_t length = path.size();
    if (length > kMaskTargetBytes - 2) length = kMaskTargetBytes - 2;
    size_t used = 0;
    out[used++] = '/';
    for (size_t i = 0; i < length; ++i) {
        char c = path[i];
        // A leading "./" of a relative root adds nothing to the path.
        if (i == 0 && c == '.' && (length == 1 || path[1] == '/' || path[1] == '\\')) {
            ++i;
            continue;
        }
        c = c == '\\' ? '/' : static_cast<char>(kFold[static_cast<uint8_t>(c)]);
        if (c == '/' && out[used - 1] == '/') continue;
        out[used++] = c;
    }
    if (out[used - 1] != '/') out[used++] = '/';
    return std::string_view(out, used);
}

int convertDirMask(std::string_view configured, std::string& converted) {
    converted.clear();
    size_t at = 0;
    while (at < configured.size()) {
        while (at < configured.size() && isBlank(configured[at])) ++at;
        size_t start = at;
        while (at < configured.size() && !isBlank(configured[at])) ++at;
        if (at == start) break;
        std::string_view word = configured.substr(start, at - start);
        if (!converted.empty()) converted.push_back(' ');
        if (word[0] != '!' && word[0] != '*') converted.push_back('*');
        converted.append(word);
        if (converted.size() + 10 >= kDirMaskBufferBytes) {
            converted.clear();
            logError(0, "sub dir mask is too long");
            return 9;
        }
    }
    if (traceMode()) {
        std::string raw(configured);
        logMessage("dirmask-raw: \"%.80s\"", raw.c_str());
        logMessage("dirmask-zuk: \"%.80s\"", converted.c_str());
    }
    return 0;
}

}  // namespace tessel
