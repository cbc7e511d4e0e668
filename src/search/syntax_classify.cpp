#include "search/syntax_classify.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "search/syntax_words.h"
#include "text/file_kind.h"

namespace tessel {
namespace {

constexpr size_t kMaxBuiltinWordChars = 39;

// Identifiers are letters, digits and "_" (the lists hold names like MAX_VALUE and
// add_months), and the accented letters from byte 192 up.
bool isWordChar(unsigned char c) {
    return std::isalnum(c) != 0 || c == '_' || c >= 0xC0;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

unsigned char foldByte(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

// The delimiters and rules in effect for one line.
struct LineRules {
    std::string_view lineComment;
    std::string_view blockStart[2];
    std::string_view blockEnd[2];
    char blockClass = kClassRemark;
    std::string_view quotes;
    std::string_view escapes;
    bool markup = false;
    bool remarkAfterBlank = false;
    bool quotesAfterBlank = false;
    bool mappingKeys = false;
    bool headings = false;
    const BuiltinSyntax* builtin = nullptr;
    const Language* language = nullptr;
};

LineRules rulesFor(int kind, const Language* language) {
    LineRules rules;
    if (language != nullptr) {
        rules.language = language;
        rules.lineComment = language->commentLine;
        if (!language->commentStart.empty() && !language->commentEnd.empty()) {
            rules.blockStart[0] = language->commentStart;
            rules.blockEnd[0] = language->commentEnd;
        }
        rules.quotes = "\"'";
        rules.markup = language->xml;
    } else {
        bool markup = (kind & kKindMarkup) != 0;
        const BuiltinSyntax* syntax = builtinSyntax(kindLanguage(kind), markup);
        if (syntax == nullptr) return rules;
        rules.builtin = syntax;
        rules.markup = markup;
        if ((kind & kKindXml) == 0) {
            rules.lineComment = syntax->lineComment;
            rules.blockStart[0] = syntax->blockStart[0];
            rules.blockEnd[0] = syntax->blockEnd[0];
        }
        rules.blockStart[1] = syntax->blockStart[1];
        rules.blockEnd[1] = syntax->blockEnd[1];
        rules.blockClass = syntax->blockIsString ? kClassString : kClassRemark;
        rules.quotes = syntax->quotes;
        rules.escapes = syntax->escapes;
        rules.remarkAfterBlank = syntax->remarkAfterBlank;
        rules.quotesAfterBlank = syntax->quotesAfterBlank;
        rules.mappingKeys = syntax->mappingKeys;
        rules.headings = syntax->headings;
    }
    if (rules.markup && rules.blockStart[1].empty()) {
        rules.blockStart[1] = "<!--";
        rules.blockEnd[1] = "-->";
    }
    return rules;
}

// The class of a keyword in several groups: the first of groups 6, 5, 1, 2, 3, 4 it is in.
char classOfGroups(uint8_t groups) {
    static constexpr struct {
        int group;
        char cls;
    } kPriority[] = {{6, kClassKeys6}, {5, kClassKeys5}, {1, kClassKeys1},
                     {2, kClassKeys2}, {3, kClassKeys3}, {4, kClassKeys4}};
    for (const auto& entry : kPriority) {
        if (groups & (1u << (entry.group - 1))) return entry.cls;
    }
    return kClassText;
}

class LineWalk {
  public:
    LineWalk(const LineRules& rules, std::string_view text, char* classes, bool inBlock)
        : rules_(rules), text_(text), classes_(classes), state_(inBlock ? kBlock : kNormal) {}

    // Classifies the whole line; true when it ends inside a block.
    bool run() {
        size_t i = 0;
        if (state_ == kNormal && rules_.headings && isHeading()) {
            fill(0, text_.size(), kClassKeys6);
            return false;
        }
        if (state_ == kNormal && rules_.mappingKeys) i = markMappingKey();
        while (i < text_.size()) {
            switch (state_) {
                case kString:
                    i = stringStep(i);
                    break;
                case kBlock:
                    i = blockStep(i);
                    break;
                case kLine:
                    i = lineCommentStep(i);
                    break;
                case kNormal:
                    i = normalStep(i);
                    break;
            }
        }
        return state_ == kBlock;
    }

  private:
    enum State { kNormal, kBlock, kLine, kString };
    enum Tag { kTagText, kTagName, kTagAttributes };

    size_t matchAt(size_t i, std::string_view delimiter) const {
        if (delimiter.empty() || text_.size() - i < delimiter.size()) return 0;
        return std::memcmp(text_.data() + i, delimiter.data(), delimiter.size()) == 0
                   ? delimiter.size()
                   : 0;
    }
    void fill(size_t from, size_t count, char cls) { std::memset(classes_ + from, cls, count); }

    // The length of a block end of the kind at i (either kind for -1: a block carried over
    // from the line before, or a comment end outside a block).
    size_t blockEndAt(size_t i, int kind) const {
        for (int k = 0; k < 2; ++k) {
            if (kind >= 0 && k != kind) continue;
            if (size_t length = matchAt(i, rules_.blockEnd[k])) return length;
        }
        return 0;
    }

    size_t stringStep(size_t i) {
        char c = text_[i];
        if (escaping_ && c == '\\' && i + 1 < text_.size()) {
            fill(i, 2, kClassString);
            return i + 2;
        }
        classes_[i] = kClassString;
        if (c == quote_) state_ = kNormal;
        return i + 1;
    }

    size_t blockStep(size_t i) {
        if (size_t length = blockEndAt(i, blockKind_)) {
            fill(i, length, rules_.blockClass);
            state_ = kNormal;
            return i + length;
        }
        classes_[i] = rules_.blockClass;
        return i + 1;
    }

    // A comment end inside a line comment ends it too ("// a */ b" colours only "// a */").
    size_t lineCommentStep(size_t i) {
        if (rules_.blockClass == kClassRemark) {
            if (size_t length = blockEndAt(i, -1)) {
                fill(i, length, kClassRemark);
                state_ = kNormal;
                return i + length;
            }
        }
        classes_[i] = kClassRemark;
        return i + 1;
    }

    size_t normalStep(size_t i) {
        char c = text_[i];
        for (int k = 0; k < 2; ++k) {
            if (size_t length = matchAt(i, rules_.blockStart[k])) {
                fill(i, length, rules_.blockClass);
                state_ = kBlock;
                blockKind_ = k;
                return i + length;
            }
        }
        if (size_t length = matchAt(i, rules_.lineComment)) {
            if (!rules_.remarkAfterBlank || i == 0 || isBlank(text_[i - 1])) {
                fill(i, length, kClassRemark);
                state_ = kLine;
                return i + length;
            }
        }
        if (rules_.blockClass == kClassRemark) {
            if (size_t length = blockEndAt(i, -1)) {
                fill(i, length, kClassRemark);
                return i + length;
            }
        }
        if (c != '\0' && rules_.quotes.find(c) != std::string_view::npos && quoteMayOpen(i)) {
            classes_[i] = kClassString;
            state_ = kString;
            quote_ = c;
            escaping_ = rules_.escapes.find(c) != std::string_view::npos;
            return i + 1;
        }
        if (isWordStart(i)) {
            char cls = kClassText;
            size_t length =
                rules_.language != nullptr ? userKeywordAt(i, cls) : builtinKeywordAt(i, cls);
            if (length > 0) {
                if (rules_.markup) {
                    for (size_t k = i; k < i + length; ++k) markupStep(text_[k]);
                }
                fill(i, length, cls);
                return i + length;
            }
        }
        classes_[i] = rules_.markup ? markupStep(c) : kClassText;
        return i + 1;
    }

    bool quoteMayOpen(size_t i) const {
        if (!rules_.quotesAfterBlank || i == 0) return true;
        char before = text_[i - 1];
        return isBlank(before) || before == '[' || before == '{' || before == ',';
    }

    bool isWordStart(size_t i) const {
        auto c = static_cast<unsigned char>(text_[i]);
        if (isBlank(static_cast<char>(c))) return false;
        return !isWordChar(c) || i == 0 || !isWordChar(static_cast<unsigned char>(text_[i - 1]));
    }

    // The longest keyword of the user language at i; a keyword that ends in a word character
    // must not be followed by one.
    size_t userKeywordAt(size_t i, char& cls) const {
        const Language& language = *rules_.language;
        size_t first = 0;
        size_t end = 0;
        language.candidates(static_cast<unsigned char>(text_[i]), first, end);
        size_t best = 0;
        uint8_t groups = 0;
        size_t room = text_.size() - i;
        for (size_t w = first; w < end; ++w) {
            const std::string& word = language.words[w].text;
            if (word.size() > room || word.size() <= best) continue;
            if (!startsWithWord(i, word, language.nocase)) continue;
            size_t after = i + word.size();
            if (isWordChar(static_cast<unsigned char>(word.back())) && after < text_.size() &&
                isWordChar(static_cast<unsigned char>(text_[after]))) {
                continue;
            }
            best = word.size();
            groups = language.words[w].groups;
        }
        if (best > 0) cls = classOfGroups(groups);
        return best;
    }

    bool startsWithWord(size_t i, std::string_view word, bool nocase) const {
        if (!nocase) return matchAt(i, word) != 0;
        for (size_t k = 0; k < word.size(); ++k) {
            if (foldByte(text_[i + k]) != foldByte(word[k])) return false;
        }
        return true;
    }

    // The word at i (its first byte and the word characters after it) when a built-in list
    // holds it.
    size_t builtinKeywordAt(size_t i, char& cls) const {
        const BuiltinSyntax& syntax = *rules_.builtin;
        if (syntax.listA == nullptr && syntax.listB == nullptr) return 0;
        size_t end = i + 1;
        while (end < text_.size() && isWordChar(static_cast<unsigned char>(text_[end]))) {
            if (end - i >= kMaxBuiltinWordChars) return 0;
            ++end;
        }
        size_t length = end - i;
        if (length < syntax.minWordLength) return 0;
        std::string_view word = text_.substr(i, length);
        if (syntax.listA != nullptr && syntax.listA->contains(word)) {
            cls = kClassKeys6;
        } else if (syntax.listB != nullptr && syntax.listB->contains(word)) {
            cls = kClassKeys5;
        } else {
            return 0;
        }
        return length;
    }

    // Tags of markup files: "<", the tag name, "/", "?" and ">" like list B, the attributes
    // like list A.
    char markupStep(char c) {
        switch (tag_) {
            case kTagText:
                if (c == '<') tag_ = kTagName;
                return c == '<' || c == '>' ? kClassKeys5 : kClassText;
            case kTagName:
                if (c == '>') {
                    tag_ = kTagText;
                    return kClassKeys5;
                }
                if (isBlank(c)) {
                    tag_ = kTagAttributes;
                    return kClassKeys6;
                }
                return kClassKeys5;
            case kTagAttributes:
                if (c == '>') tag_ = kTagText;
                return c == '>' || c == '/' || c == '?' ? kClassKeys5 : kClassKeys6;
        }
        return kClassText;
    }

    // Markdown: "#" after at most three blanks.
    bool isHeading() const {
        size_t i = 0;
        while (i < 3 && i < text_.size() && text_[i] == ' ') ++i;
        return i < text_.size() && text_[i] == '#';
    }

    // YAML: the key of "key: value" (after the indentation and a "- ") as a keyword. Returns
    // where the walk goes on.
    size_t markMappingKey() {
        size_t start = 0;
        while (start < text_.size() && isBlank(text_[start])) ++start;
        if (text_.substr(start).starts_with("- ")) start += 2;
        while (start < text_.size() && isBlank(text_[start])) ++start;
        if (start >= text_.size() || std::strchr("#\"'{[|>&*!%@`", text_[start]) != nullptr) {
            return 0;
        }
        for (size_t i = start; i < text_.size(); ++i) {
            if (text_[i] == '#' && isBlank(text_[i - 1])) return 0;
            if (text_[i] != ':') continue;
            if (i + 1 < text_.size() && !isBlank(text_[i + 1])) continue;
            fill(0, start, kClassText);
            fill(start, i - start, kClassKeys5);
            return i;
        }
        return 0;
    }

    const LineRules& rules_;
    std::string_view text_;
    char* classes_;
    State state_;
    int blockKind_ = -1;  // the kind of the open block; -1 when carried over
    char quote_ = 0;
    bool escaping_ = false;
    Tag tag_ = kTagText;
};

}  // namespace

bool hasSyntaxColours(int kind, const Language* language) {
    return language != nullptr ||
           builtinSyntax(kindLanguage(kind), (kind & kKindMarkup) != 0) != nullptr;
}

bool classifyLine(std::string_view text, int kind, const Language* language,
                  bool startsInBlockComment, char* classes) {
    text = text.substr(0, kMaxClassifiedChars);
    LineRules rules = rulesFor(kind, language);
    if (rules.builtin == nullptr && rules.language == nullptr) {
        std::memset(classes, kClassText, text.size());
        return false;
    }
    return LineWalk(rules, text, classes, startsInBlockComment).run();
}

BlockDelimiters blockDelimiters(int kind, const Language* language) {
    const LineRules rules = rulesFor(kind, language);
    BlockDelimiters delimiters;
    for (int k = 0; k < 2; ++k) {
        delimiters.starts[k] = rules.blockStart[k];
        delimiters.ends[k] = rules.blockEnd[k];
    }
    return delimiters;
}

const Language* userLanguageOf(std::string_view fileName, LanguageCache& cache) {
    if (languageCount() == 0) return nullptr;
    char buffer[41];
    return languageFor(fileExtension(fileName, buffer), cache);
}

}  // namespace tessel
