// The building pass over a search pattern: literals, "*", "**", "?" runs and the commands
// in brackets with their counts, words and "of"/"not" lists.
#include <array>
#include <cstdint>
#include <string_view>

#include "zukmatch/zuk_compiler.h"

namespace tessel {

namespace {

// Counts beyond this are taken as this: no text the program holds comes near it.
constexpr int64_t kLargestCount = 1000000000;

using ByteSet = std::array<bool, 256>;

bool isAlphanumeric(int byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
           (byte >= 'A' && byte <= 'Z');
}

ByteSet allBytes() {
    ByteSet set;
    set.fill(true);
    return set;
}

// Every byte except the ones that end lines in text: NUL, CR and LF.
ByteSet lineBytes() {
    ByteSet set = allBytes();
    set['\0'] = set['\r'] = set['\n'] = false;
    return set;
}

ByteSet setOf(std::string_view bytes) {
    ByteSet set{};
    for (char c : bytes) set[static_cast<uint8_t>(c)] = true;
    return set;
}

enum class BaseClass { kChars, kBytes, kWhite, kXWhite, kDigits, kHexDigits, kMarker };

struct CommandWord {
    std::string_view text;
    BaseClass base;
    bool single;     // exactly one byte, whatever count is written
    bool listable;   // may be followed by " of " or " not " and a list
    ZukKind marker;  // for BaseClass::kMarker
};

// In the order the words are tried: the first that the command begins with wins.
constexpr CommandWord kCommandWords[] = {
    {"chars", BaseClass::kChars, false, true, ZukKind::kVariable},
    {"**", BaseClass::kBytes, false, true, ZukKind::kVariable},
    {"*", BaseClass::kChars, false, true, ZukKind::kVariable},
    {"bytes", BaseClass::kBytes, false, true, ZukKind::kVariable},
    {"byte", BaseClass::kBytes, true, true, ZukKind::kVariable},
    {"char", BaseClass::kChars, true, true, ZukKind::kVariable},
    {"white", BaseClass::kWhite, false, false, ZukKind::kVariable},
    {"xwhite", BaseClass::kXWhite, false, false, ZukKind::kVariable},
    {"digits", BaseClass::kDigits, false, false, ZukKind::kVariable},
    {"digit", BaseClass::kDigits, true, false, ZukKind::kVariable},
    {"hexdigits", BaseClass::kHexDigits, false, false, ZukKind::kVariable},
    {"hexdigit", BaseClass::kHexDigits, true, false, ZukKind::kVariable},
    {"lstart", BaseClass::kMarker, false, false, ZukKind::kLineStart},
    {"start", BaseClass::kMarker, false, false, ZukKind::kStart},
    {"end", BaseClass::kMarker, false, false, ZukKind::kEnd},
    {"eol", BaseClass::kMarker, false, false, ZukKind::kEol},
    {"lend", BaseClass::kMarker, false, false, ZukKind::kLineEnd},
};

ByteSet baseSet(BaseClass base) {
    switch (base) {
        case BaseClass::kChars:
            return lineBytes();
        case BaseClass::kBytes:
            return allBytes();
        case BaseClass::kWhite:
            return setOf("\t ");
        case BaseClass::kXWhite:
            return setOf("\t \r\n");
        case BaseClass::kDigits:
            return setOf("0123456789");
        case BaseClass::kHexDigits:
            return setOf("0123456789abcdef");
        case BaseClass::kMarker:
            break;
    }
    return ByteSet{};
}

}  // namespace

int ZukCompiler::buildPattern() {
    const bool starCrosses = (flags & kZukStarCrossesLines) != 0;
    size_t pos = 0;
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        int status = 0;
        if (c == '[') {
            status = parseCommand(pos);
        } else if (c == ']') {
            zukReport("found ] without [: %s", zukRest(pattern, pos).c_str());
            status = kZukSyntaxError;
        } else if (c == '*' || c == '?') {
            ZukToken token;
            token.sourceOffset = static_cast<int>(pos);
            token.hasClass = true;
            token.priority = kZukPriorityAny;
            if (c == '*') {
                const bool twoStars = pos + 1 < pattern.size() && pattern[pos + 1] == '*';
                token.kind = ZukKind::kVariable;
                token.maxCount = kZukUnbounded;
                token.accepts = twoStars || starCrosses ? allBytes() : lineBytes();
                pos += twoStars ? 2 : 1;
            } else {
                int run = 0;
                while (pos < pattern.size() && pattern[pos] == '?') ++pos, ++run;
                token.kind = ZukKind::kFixed;
                token.minCount = token.maxCount = run;
                token.accepts = starCrosses ? allBytes() : lineBytes();
            }
            m.tokens_.push_back(std::move(token));
        } else {
            status = parseLiteral(pos);
        }
        if (status != 0) return status;
    }
    return 0;
}

int ZukCompiler::parseLiteral(size_t& pos) {
    const size_t start = pos;
    ZukToken token;
    token.kind = ZukKind::kLiteral;
    token.priority = kZukPriorityLiteral;
    token.sourceOffset = static_cast<int>(start);
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        if (c == '[' || c == ']' || c == '*' || c == '?') break;
        uint8_t byte = static_cast<uint8_t>(c);
        bool exact = false;
        if (c == '\\') {
            ZukEscape escape = decodeZukEscape(pattern, pos, false);
            if (escape.length == 0 || escape.byte < 0) {
                zukReport("syntax error in pattern: %s", zukRest(pattern, pos).c_str());
                return kZukSyntaxError;
            }
            byte = static_cast<uint8_t>(escape.byte);
            exact = escape.numeric;
            pos += escape.length;
        } else {
            ++pos;
        }
        if (token.literal.size() >= static_cast<size_t>(kZukMaxLiteral)) {
            zukReport("literal too long: %s", zukRest(pattern, start).c_str());
            return kZukSyntaxError;
        }
        token.literal.push_back(static_cast<char>(byte));
        token.compareAs.push_back(static_cast<char>(exact ? byte : m.fold_[byte]));
        token.exact.push_back(exact);
    }
    token.minCount = token.maxCount = static_cast<int>(token.literal.size());
    m.tokens_.push_back(std::move(token));
    return 0;
}

int ZukCompiler::parseCount(size_t& pos, int& minCount, int& maxCount, bool& counted) {
    auto number = [&](int64_t& value) {
        bool any = false;
        while (pos < pattern.size() && pattern[pos] >= '0' && pattern[pos] <= '9') {
            value = std::min(value * 10 + (pattern[pos] - '0'), kLargestCount);
            ++pos;
            any = true;
        }
        return any;
    };
    int64_t low = 0;
    int64_t high = kZukUnbounded;
    const bool hasLow = number(low);
    if (pos < pattern.size() && pattern[pos] == '.') {
        ++pos;
        if (pos < pattern.size() && pattern[pos] == '*') {
            ++pos;
        } else {
            int64_t written = 0;
            if (number(written)) high = written;
        }
        counted = true;
    } else if (hasLow) {
        high = low;
        counted = true;
    }
    if (!counted) return 0;
    if (pos >= pattern.size() || pattern[pos] != ' ') {
        zukReport("missing blank: %s", zukRest(pattern, pos).c_str());
        return kZukSyntaxError;
    }
    ++pos;
    minCount = static_cast<int>(low);
    maxCount = static_cast<int>(high);
    return 0;
}

int ZukCompiler::parseCommand(size_t& pos) {
    const size_t open = pos;
    ++pos;
    if (pos < pattern.size() && pattern[pos] == ',') ++pos;
    if (pos < pattern.size() && pattern[pos] == ']') {
        ++pos;
        return 0;
    }
    int minCount = 0;
    int maxCount = kZukUnbounded;
    bool counted = false;
    if (parseCount(pos, minCount, maxCount, counted) != 0) return kZukSyntaxError;

    const size_t wordStart = pos;
    const std::string_view rest = pattern.substr(pos);
    const CommandWord* word = nullptr;
    for (const CommandWord& candidate : kCommandWords) {
        if (rest.starts_with(candidate.text)) {
            word = &candidate;
            break;
        }
    }
    auto unknown = [&] {
        zukReport("unknown command: \"%s\"", zukRest(pattern, wordStart).c_str());
        return kZukSyntaxError;
    };
    if (word == nullptr) return unknown();
    pos += word->text.size();

    enum class List { kNone, kWhite, kBlack } list = List::kNone;
    const std::string_view after = pattern.substr(pos);
    if (word->listable && after.starts_with(" of ")) {
        list = List::kWhite;
        pos += 4;
    } else if (word->listable && after.starts_with(" not ")) {
        list = List::kBlack;
        pos += 5;
    } else if (pos >= pattern.size()) {
        zukReport("missing or wrong placed \"]\": %s", zukRest(pattern, open).c_str());
        return kZukSyntaxError;
    } else if (pattern[pos] != ']') {
        return unknown();
    }

    if (word->base == BaseClass::kMarker) {
        ++pos;  // the "]"
        return addMarker(word->marker, wordStart);
    }

    ZukToken token;
    token.sourceOffset = static_cast<int>(open);
    token.hasClass = true;
    const bool named = word->base != BaseClass::kChars && word->base != BaseClass::kBytes;
    token.priority = named ? kZukPriorityWhitelist : kZukPriorityAny;
    ByteSet base = baseSet(word->base);
    if (word->text == "*" && (flags & kZukStarCrossesLines)) base = allBytes();
    token.accepts = base;
    if (list != List::kNone) {
        ByteSet listed{};
        if (parseList(pos, listed) != 0) return kZukSyntaxError;
        if (list == List::kWhite) {
            token.accepts = listed;
            token.priority = kZukPriorityWhitelist;
        } else {
            for (int byte = 0; byte < 256; ++byte)
                token.accepts[byte] = base[byte] && !listed[byte];
            token.priority = kZukPriorityBlacklist;
        }
    } else {
        ++pos;  // the "]"
    }
    if (word->single) {
        token.kind = ZukKind::kFixed;
        token.minCount = token.maxCount = 1;
    } else {
        token.kind = ZukKind::kVariable;
        token.minCount = minCount;
        token.maxCount = maxCount;
    }
    m.tokens_.push_back(std::move(token));
    return 0;
}

int ZukCompiler::addMarker(ZukKind kind, size_t wordStart) {
    if (kind == ZukKind::kStart && !m.tokens_.empty()) {
        zukReport("[start] is allowed only as first token.");
        return kZukSyntaxError;
    }
    if (kind == ZukKind::kLineEnd && m.tokens_.empty()) {
        zukReport("[lend] must be preceeded by another command like [1 byte].");
        zukReport("use [eol] to process (CR)LF line endings.\n");
        zukReport("use [lstart] to search from line starts.\n");
        return kZukSyntaxError;
    }
    ZukToken token;
    token.kind = kind;
    token.sourceOffset = static_cast<int>(wordStart);
    token.priority = kind == ZukKind::kEol ? kZukPriorityLiteral : kZukPriorityMarker;
    if (kind == ZukKind::kEol) {
        token.minCount = 1;
        token.maxCount = 2;  // CR LF
    }
    m.tokens_.push_back(std::move(token));
    return 0;
}

int ZukCompiler::parseListItem(size_t& pos, int& byte, bool& escaped, bool rangeEnd) {
    if (pattern[pos] != '\\') {
        byte = static_cast<uint8_t>(pattern[pos]);
        escaped = false;
        ++pos;
        return 0;
    }
    ZukEscape escape = decodeZukEscape(pattern, pos, true);
    if (escape.length == 0 || escape.byte < 0) {
        zukReport(rangeEnd ? "bad sequence: %s" : "syntax error within enumeration: %s",
                  zukRest(pattern, pos).c_str());
        return kZukSyntaxError;
    }
    byte = escape.byte;
    escaped = true;
    pos += escape.length;
    return 0;
}

int ZukCompiler::parseList(size_t& pos, ByteSet& listed) {
    const size_t listStart = pos;
    const bool parenthesised = pos < pattern.size() && pattern[pos] == '(';
    if (parenthesised) {
        ++pos;
        if (pos < pattern.size() && pattern[pos] == ')') {
            zukReport("empty character list not allowed: %s", zukRest(pattern, listStart).c_str());
            zukReport("use \\(\\) or )( to select brackets as literals\n");
            return kZukSyntaxError;
        }
    }
    const char close = parenthesised ? ')' : ']';
    auto missingClose = [&] {
        zukReport("missing or wrong placed \"]\": %s", zukRest(pattern, listStart).c_str());
        return kZukSyntaxError;
    };
    auto invalid = [&](const char* what, const char* hint) {
        zukReport("invalid \"%s\" within enumeration: %s", what, zukRest(pattern, pos).c_str());
        zukReport("%s", hint);
        return kZukSyntaxError;
    };
    bool any = false;
    while (true) {
        if (pos >= pattern.size()) return missingClose();
        const char c = pattern[pos];
        if (c == close) break;
        if (c == '[') return invalid("[", "use \"\\[\" instead.\n");
        if (parenthesised && c == '(') return invalid("(", "use \"\\(\" instead.\n");
        if (parenthesised && c == ']') return invalid("]", "use \"\\]\" instead.\n");

        const size_t itemStart = pos;
        int first = 0;
        bool firstEscaped = false;
        if (parseListItem(pos, first, firstEscaped, false) != 0) return kZukSyntaxError;
        any = true;
        if (pos >= pattern.size() || pattern[pos] != '-') {
            listed[first] = true;
            continue;
        }
        ++pos;
        if (!firstEscaped && !isAlphanumeric(first)) {
            zukReport("bad range start: %s", zukRest(pattern, itemStart).c_str());
            zukReport("use \\x%02x- to start a range with non-alphanumeric character\n", first);
            zukReport("use \\- to use literal '-' in this enumeration\n");
            return kZukSyntaxError;
        }
        if (pos >= pattern.size()) return missingClose();
        int last = 0;
        bool lastEscaped = false;
        if (parseListItem(pos, last, lastEscaped, true) != 0) return kZukSyntaxError;
        if (!lastEscaped && !isAlphanumeric(last)) {
            zukReport("bad range end: %s", zukRest(pattern, itemStart).c_str());
            zukReport("use \\x%02x-\\x%02x for a range with non-alphanumeric characters\n", first,
                      last);
            zukReport("use \\- to use literal '-' in this enumeration\n");
            return kZukSyntaxError;
        }
        if (last < first) {
            zukReport("range end lower than start: %s (%X-%X)", zukRest(pattern, itemStart).c_str(),
                      first, last);
            return kZukSyntaxError;
        }
        // A range written with escapes means exactly those byte values.
        const bool asWritten = caseSensitive() || firstEscaped || lastEscaped;
        for (int byte = first; byte <= last; ++byte) {
            if (asWritten) {
                listed[byte] = true;
            } else {
                addBothCases(listed, static_cast<uint8_t>(byte));
            }
        }
    }
    if (!any) {
        zukReport("empty character list not allowed: %s", zukRest(pattern, listStart).c_str());
        return kZukSyntaxError;
    }
    ++pos;  // the closing ")" or "]"
    if (parenthesised) {
        if (pos >= pattern.size() || pattern[pos] != ']') return missingClose();
        ++pos;
    }
    return 0;
}

}  // namespace tessel
