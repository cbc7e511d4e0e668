#include "config/languages.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "base/log/message_log.h"

namespace tessel {
namespace {

struct LanguageList {
    std::vector<std::unique_ptr<Language>> languages;
    // Changes whenever the list does, so that cached lookups from before are redone.
    uint32_t generation = 1;
};

LanguageList& languageList() {
    static LanguageList list;
    return list;
}

unsigned char foldByte(unsigned char c) {
    return static_cast<unsigned char>(std::tolower(c));
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Compares words the way a language sorts them.
int compareWords(std::string_view a, std::string_view b, bool nocase) {
    size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (nocase) {
            x = foldByte(x);
            y = foldByte(y);
        }
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string withEntities(std::string_view word) {
    std::string plain;
    plain.reserve(word.size());
    for (size_t i = 0; i < word.size(); ++i) {
        std::string_view rest = word.substr(i);
        if (rest.starts_with("&amp;")) {
            plain += '&';
            i += 4;
        } else if (rest.starts_with("&lt;")) {
            plain += '<';
            i += 3;
        } else if (rest.starts_with("&gt;")) {
            plain += '>';
            i += 3;
        } else {
            plain += word[i];
        }
    }
    return plain;
}

// The keyword group a <Keywords name="..."> element fills; 0 when the name says none.
int groupOfElement(std::string_view name) {
    static constexpr const char* kKeys[] = {"keys1", "keys2", "keys3", "keys4", "keys5", "keys6"};
    for (int group = 1; group <= 6; ++group) {
        if (name.find(kKeys[group - 1]) != std::string_view::npos) return group;
    }
    if (name.find("instre1") != std::string_view::npos) return 1;
    if (name.find("type1") != std::string_view::npos) return 2;
    if (name.find("instre2") != std::string_view::npos) return 3;
    if (name.find("type2") != std::string_view::npos) return 4;
    if (name.find("instre") != std::string_view::npos) return 5;
    if (name.find("type") != std::string_view::npos) return 6;
    return 0;
}

// Walks a language block. Attribute syntax: the name runs to "=", the value is the text
// between the next two double quotes; a ">" before the "=" ends the attributes.
class BlockReader {
  public:
    explicit BlockReader(std::string_view text) : text_(text) {}

    enum class Attribute { kRead, kEnded, kBroken };

    void skipSeparators() {
        while (pos_ < text_.size() && isSeparator(text_[pos_])) ++pos_;
    }
    bool startsWith(std::string_view prefix) const {
        return text_.substr(pos_).starts_with(prefix);
    }
    void skip(size_t count) { pos_ = std::min(text_.size(), pos_ + count); }

    Attribute readAttribute(std::string& name, std::string& value) {
        skipSeparators();
        size_t equals = text_.find('=', pos_);
        size_t close = text_.find('>', pos_);
        if (close != std::string_view::npos &&
            (equals == std::string_view::npos || close < equals)) {
            return Attribute::kEnded;
        }
        if (equals == std::string_view::npos) return Attribute::kBroken;
        std::string_view rawName = text_.substr(pos_, equals - pos_);
        while (!rawName.empty() && isSeparator(rawName.back())) rawName.remove_suffix(1);
        size_t open = text_.find('"', equals + 1);
        if (open == std::string_view::npos) return Attribute::kBroken;
        size_t end = text_.find('"', open + 1);
        if (end == std::string_view::npos) return Attribute::kBroken;
        name.assign(rawName);
        value.assign(text_.substr(open + 1, end - open - 1));
        pos_ = end + 1;
        return Attribute::kRead;
    }

    // Reads an attribute that must carry `expected` as its name: 0, or the code for a broken
    // attribute or the code for another name.
    int expectAttribute(std::string_view expected, std::string& value, int brokenCode,
                        int wrongNameCode) {
        std::string name;
        if (readAttribute(name, value) != Attribute::kRead) return brokenCode;
        return name == expected ? 0 : wrongNameCode;
    }

    size_t find(std::string_view what) const { return text_.find(what, pos_); }
    size_t pos() const { return pos_; }
    void moveTo(size_t pos) { pos_ = pos; }
    std::string_view slice(size_t from, size_t to) const { return text_.substr(from, to - from); }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

std::string cut(std::string value, size_t limit) {
    if (value.size() > limit) value.resize(limit);
    return value;
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(foldByte(static_cast<unsigned char>(c)));
    return lower;
}

void addWords(std::vector<LanguageWord>& words, std::string_view text, int group) {
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && isSeparator(text[pos])) ++pos;
        size_t end = pos;
        while (end < text.size() && !isSeparator(text[end])) ++end;
        if (end > pos) {
            words.push_back({withEntities(text.substr(pos, end - pos)),
                             static_cast<uint8_t>(1u << (group - 1))});
        }
        pos = end;
    }
}

// Sorts the words, merges repeated ones into one with all their groups, and indexes them by
// their first byte.
void finishWords(Language& language) {
    bool nocase = language.nocase;
    std::vector<LanguageWord>& words = language.words;
    std::stable_sort(words.begin(), words.end(),
                     [nocase](const LanguageWord& a, const LanguageWord& b) {
                         return compareWords(a.text, b.text, nocase) < 0;
                     });
    size_t kept = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        if (kept > 0 && compareWords(words[kept - 1].text, words[i].text, nocase) == 0) {
            words[kept - 1].groups |= words[i].groups;
            continue;
        }
        if (kept != i) words[kept] = std::move(words[i]);
        ++kept;
    }
    words.resize(kept);
    for (size_t i = 0; i < words.size(); ++i) {
        auto first = static_cast<unsigned char>(words[i].text[0]);
        if (nocase) first = foldByte(first);
        if (language.endWord[first] == 0) language.firstWord[first] = static_cast<uint32_t>(i);
        language.endWord[first] = static_cast<uint32_t>(i + 1);
        language.longestWord = std::max(language.longestWord, words[i].text.size());
    }
}

// Reads the attributes after the name. 0 when ">" ended them, else the error code.
int readLanguageAttributes(BlockReader& reader, Language& language, bool& extGiven) {
    std::string value;
    for (;;) {
        reader.skipSeparators();
        int code = 0;
        if (reader.startsWith("ext=")) {
            code = reader.expectAttribute("ext", value, 11, 12);
            if (code == 0) {
                language.extensions = " " + lowerCase(value) + " ";
                extGiven = true;
            }
        } else if (reader.startsWith("commentLine")) {
            code = reader.expectAttribute("commentLine", value, 13, 14);
            language.commentLine = cut(value, kCommentDelimiterChars);
        } else if (reader.startsWith("commentStart")) {
            code = reader.expectAttribute("commentStart", value, 20, 21);
            language.commentStart = cut(value, kCommentDelimiterChars);
        } else if (reader.startsWith("commentEnd")) {
            code = reader.expectAttribute("commentEnd", value, 22, 23);
            language.commentEnd = cut(value, kCommentDelimiterChars);
        } else if (reader.startsWith("extends")) {
            code = reader.expectAttribute("extends", value, 24, 25);
            if (code == 0 && value != "xml") {
                logError(0, "unsupported: extends=\"%.100s\"", value.c_str());
                logMessage("[note] only extends=\"xml\" is supported.");
                code = 26;
            }
            language.xml = code == 0;
        } else if (reader.startsWith("opt")) {
            code = reader.expectAttribute("opt", value, 27, 28);
            if (code == 0 && value != "nocase") {
                logError(0, "unsupported: opt=\"%.100s\"", value.c_str());
                logMessage("[note] only opt=\"nocase\" is supported.");
                code = 29;
            }
            language.nocase = code == 0;
        } else if (reader.startsWith(">")) {
            reader.skip(1);
            return 0;
        } else {
            return 30;
        }
        if (code != 0) return code;
    }
}

// Reads the keyword elements up to "</Language>". 0, or the error code.
int readKeywordElements(BlockReader& reader, Language& language) {
    for (;;) {
        reader.skipSeparators();
        if (reader.startsWith("</Language>")) return 0;
        if (!reader.startsWith("<Keywords")) return 31;
        size_t elementStart = reader.pos();
        reader.skip(std::strlen("<Keywords"));
        std::string groupName;
        if (int code = reader.expectAttribute("name", groupName, 32, 33); code != 0) return code;
        reader.skipSeparators();
        if (reader.startsWith("/>")) {
            reader.skip(2);
            continue;
        }
        if (!reader.startsWith(">")) return 34;
        reader.skip(1);
        size_t close = reader.find("</Keywords>");
        if (close == std::string_view::npos) return 35;
        int group = groupOfElement(groupName);
        if (group == 0) {
            logError(0, "unknown key group id: %.100s", groupName.c_str());
            std::string within(reader.slice(elementStart, close).substr(0, 50));
            logMessage("[error] within: %.50s", within.c_str());
            return 0;
        }
        addWords(language.words, reader.slice(reader.pos(), close), group);
        reader.moveTo(close + std::strlen("</Keywords>"));
    }
}

}  // namespace

bool Language::takesExtension(std::string_view extension) const {
    if (extension.empty()) return false;
    // ext="h hpp" and ext=".h .hpp" both name .h files.
    std::string_view list = extensions;
    size_t pos = 0;
    while (pos < list.size()) {
        while (pos < list.size() && isSeparator(list[pos])) ++pos;
        size_t end = pos;
        while (end < list.size() && !isSeparator(list[end])) ++end;
        std::string_view word = list.substr(pos, end - pos);
        if (word.starts_with('.')) word.remove_prefix(1);
        if (word == extension) return true;
        pos = end;
    }
    return false;
}

void Language::candidates(unsigned char firstByte, size_t& first, size_t& end) const {
    if (nocase) firstByte = foldByte(firstByte);
    first = firstWord[firstByte];
    end = endWord[firstByte];
}

int parseLanguage(std::string_view block) {
    BlockReader reader(block);
    reader.skipSeparators();
    if (!reader.startsWith("<Language")) return 1;
    reader.skip(std::strlen("<Language"));
    auto language = std::make_unique<Language>();
    std::string name;
    if (reader.readAttribute(name, language->name) != BlockReader::Attribute::kRead) return 2;
    if (name != "name") return 10;
    language->name = cut(language->name, kLanguageNameChars);

    bool extGiven = false;
    if (int code = readLanguageAttributes(reader, *language, extGiven); code != 0) return code;
    if (language->extensions.find_first_not_of(" \t\r\n") == std::string::npos) {
        logMessage("[note] %s ext= parameter, skipping language \"%.100s\".",
                   extGiven ? "empty" : "missing", language->name.c_str());
        return 0;
    }
    if (int code = readKeywordElements(reader, *language); code != 0) return code;
    finishWords(*language);

    LanguageList& list = languageList();
    if (static_cast<int>(list.languages.size()) >= kMaxLanguages) {
        logMessage("[note] too many languages, skipping \"%.100s\".", language->name.c_str());
        return 0;
    }
    if (verboseMode()) {
        logMessage("[blue] lang=%.100s nkeys=%ld", language->name.c_str(),
                   static_cast<long>(language->words.size()));
    }
    list.languages.push_back(std::move(language));
    ++list.generation;
    return 0;
}

void clearLanguages() {
    LanguageList& list = languageList();
    list.languages.clear();
    ++list.generation;
}

int languageCount() {
    return static_cast<int>(languageList().languages.size());
}

const Language* languageAt(int index) {
    const LanguageList& list = languageList();
    if (index < 0 || index >= static_cast<int>(list.languages.size())) return nullptr;
    return list.languages[static_cast<size_t>(index)].get();
}

const Language* languageFor(std::string_view extension, LanguageCache& cache) {
    const LanguageList& list = languageList();
    if (cache.generation == list.generation) {
        const Language* cached = languageAt(cache.index);
        if (cached == nullptr) return nullptr;
        if (cached->takesExtension(extension)) return cached;
        if (verboseMode()) {
            logMessage("tlre %ld %.100s", static_cast<long>(cache.index), cached->name.c_str());
        }
    }
    cache.generation = list.generation;
    cache.index = -1;
    for (size_t i = 0; i < list.languages.size(); ++i) {
        if (!list.languages[i]->takesExtension(extension)) continue;
        cache.index = static_cast<int>(i);
        if (verboseMode()) {
            std::string shown = " " + std::string(extension.substr(0, 40)) + " ";
            logMessage("ext%slang %.100s", shown.c_str(), list.languages[i]->name.c_str());
        }
        return list.languages[i].get();
    }
    return nullptr;
}

int highlightColourCode(std::string_view name) {
    struct NamedColour {
        const char* name;
        int code;
    };
    static constexpr NamedColour kColours[] = {
        {"Red", 16},     {"Green", 17},   {"Blue", 18},   {"Yellow", 19}, {"Cyan", 20},
        {"Magenta", 21}, {"red", 22},     {"green", 23},  {"blue", 24},   {"yellow", 25},
        {"cyan", 26},    {"magenta", 27}, {"orange", 60},
    };
    for (const NamedColour& colour : kColours) {
        if (name == colour.name) return colour.code;
    }
    return 0;
}

}  // namespace tessel
