// The compile driver of ZukMatch: the two passes, the checks after building and the head
// match table.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <numeric>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "zukmatch/zuk_compiler.h"

namespace tessel {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips a command "[...]" from its "[" to behind its "]", or to the end of the text.
void skipCommand(std::string_view text, size_t& pos) {
    ++pos;
    while (pos < text.size() && text[pos] != ']') pos += text[pos] == '\\' ? 2 : 1;
    if (pos < text.size()) ++pos;
}

}  // namespace

ZukEscape decodeZukEscape(std::string_view text, size_t pos, bool inEnumeration) {
    ZukEscape escape;
    if (pos + 1 >= text.size()) return escape;
    const char c = text[pos + 1];
    escape.length = 2;
    switch (c) {
        case ' ':
        case '*':
        case '-':
        case '?':
        case '[':
        case ']':
        case '\\':
            escape.byte = static_cast<uint8_t>(c);
            break;
        case '(':
        case ')':
            if (inEnumeration) escape.byte = static_cast<uint8_t>(c);
            break;
        case '0':
            escape.byte = 0;
            break;
        case 'n':
            escape.byte = '\n';
            break;
        case 'r':
            escape.byte = '\r';
            break;
        case 't':
            escape.byte = '\t';
            break;
        case 'q':
            escape.byte = '"';
            break;
        case 'x':
            escape.numeric = true;
            if (pos + 3 >= text.size() || !isHexDigit(text[pos + 2]) ||
                !isHexDigit(text[pos + 3])) {
                escape.length = 0;
                break;
            }
            escape.byte = hexValue(text[pos + 2]) * 16 + hexValue(text[pos + 3]);
            escape.length = 4;
            break;
        case 'd': {
            escape.numeric = true;
            int value = 0;
            for (size_t i = pos + 2; i < pos + 5; ++i) {
                if (i >= text.size() || !isDecimalDigit(text[i])) {
                    escape.length = 0;
                    return escape;
                }
                value = value * 10 + (text[i] - '0');
            }
            if (value > 255) {
                escape.length = 0;
                break;
            }
            escape.byte = value;
            escape.length = 5;
            break;
        }
        default:
            break;
    }
    return escape;
}

void zukReport(const char* format, ...) {
    char text[kLogFormatBytes];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    logMessage("zukmatch: %s", text);
}

std::string zukRest(std::string_view text, size_t pos) {
    if (pos >= text.size()) return {};
    std::string rest(text.substr(pos));
    // Messages are C strings: a NUL in the pattern would end them anyway.
    return rest.substr(0, rest.find('\0'));
}

int ZukCompiler::sizePattern() {
    bool inLiteral = false;
    size_t pos = 0;
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        if (c == '[' || c == '*' || c == '?') {
            inLiteral = false;
            ++sizedTokens;
            if (c == '[') {
                skipCommand(pattern, pos);
            } else {
                const size_t run = c == '*' ? 2 : pattern.size();
                size_t taken = 0;
                while (pos < pattern.size() && pattern[pos] == c && taken < run) ++pos, ++taken;
            }
            continue;
        }
        if (c == ']') {  // the building pass reports it
            ++pos;
            continue;
        }
        if (!inLiteral) ++sizedTokens;
        inLiteral = true;
        if (c == '\\') {
            ZukEscape escape = decodeZukEscape(pattern, pos, false);
            if (escape.length == 0) {
                zukReport("syntax error while preparing: %s", zukRest(pattern, pos).c_str());
                return kZukSyntaxError;
            }
            pos += escape.length;
        } else {
            ++pos;
        }
    }
    return 0;
}

int ZukCompiler::sizeTemplate() {
    size_t pos = 0;
    while (pos < display.size()) {
        const char c = display[pos];
        if (c == '[') {
            const size_t start = pos;
            skipCommand(display, pos);
            std::string_view command = display.substr(start, pos - start);
            sizedOutputEntries +=
                1 + static_cast<int>(std::count(command.begin(), command.end(), ','));
            continue;
        }
        if (c == '\\') {
            ZukEscape escape = decodeZukEscape(display, pos, false);
            if (escape.length == 0) {
                zukReport("syntax error: %s", zukRest(display, pos).c_str());
                return kZukSyntaxError;
            }
            pos += escape.length;
        } else {
            ++pos;
        }
    }
    return 0;
}

int ZukCompiler::checkTokens() {
    std::vector<ZukToken>& tokens = m.tokens_;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].priority == 0) {
            zukReport("internal: missing token prio for part %d", static_cast<int>(i + 1));
            return kZukSyntaxError;
        }
        // [lend] matches in front of a line end without taking it, so nothing could follow.
        if (tokens[i].kind == ZukKind::kLineEnd && i + 1 != tokens.size()) {
            zukReport("lend must be last token");
            return kZukSyntaxError;
        }
    }
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        const ZukToken& left = tokens[i];
        const ZukToken& right = tokens[i + 1];
        if (left.kind != ZukKind::kVariable || right.kind != ZukKind::kVariable) continue;
        if (left.minCount == left.maxCount || right.priority < left.priority) continue;
        bool share = false;
        bool covers = true;
        for (int byte = 0; byte < 256; ++byte) {
            if (!left.accepts[byte]) continue;
            if (right.accepts[byte]) {
                share = true;
            } else {
                covers = false;
            }
        }
        if (!share || !covers) continue;
        const int l = static_cast<int>(i + 1);
        const int r = l + 1;
        zukReport("part %d is always empty as part %d will block it: %s", l, r,
                  zukRest(pattern, left.sourceOffset).c_str());
        zukReport("part %d includes all characters of part %d and has same or higher priority.\n",
                  r, l);
        zukReport(
            "because part %d is of variable length this means it will not collect "
            "anything.\n",
            l);
        zukReport(
            "you may rewrite part(s) as [bytes of ...] or [bytes not ...] without "
            "overlaps.\n");
        zukReport("you may insert literals or other commands to search more precisely.\n");
        return kZukBlockingParts;
    }
    return 0;
}

void ZukCompiler::buildHeadMatch() {
    std::array<bool, 256>& head = m.headMatch_;
    head.fill(false);
    if (m.tokens_.empty()) return;
    const ZukToken& first = m.tokens_.front();
    switch (first.kind) {
        case ZukKind::kLiteral: {
            const uint8_t byte = static_cast<uint8_t>(first.literal[0]);
            if (first.exact[0] || caseSensitive()) {
                head[byte] = true;
            } else {
                addBothCases(head, byte);
            }
            break;
        }
        case ZukKind::kVariable:
        case ZukKind::kFixed:
            if (first.minCount > 0) {
                head = first.accepts;
            } else {
                head.fill(true);
            }
            break;
        case ZukKind::kLineStart:
            head.fill(true);
            break;
        case ZukKind::kEol:
            head['\r'] = head['\n'] = head['\0'] = true;
            break;
        default:  // [start] is tested on its own; [end] has no byte to begin with
            if (first.hasClass) head = first.accepts;
            break;
    }
}

void ZukCompiler::addBothCases(std::array<bool, 256>& accepts, uint8_t byte) const {
    const std::array<uint8_t, 256>& fold = m.fold_;
    for (int other = 0; other < 256; ++other) {
        if (fold[other] == fold[byte]) accepts[other] = true;
    }
}

int ZukMatch::compile(std::string_view searchText, std::string_view displayText, unsigned flags) {
    clear();
    ZukCompiler compiler{*this, searchText, displayText, flags};
    if (flags & kZukCaseSensitive) {
        std::iota(fold_.begin(), fold_.end(), 0);
    } else {
        fold_ = codePageTables().buildFoldTable(false, true, true).bytes;
    }
    source_ = zukRest(searchText, 0);
    int status = compiler.sizePattern();
    if (status == 0) status = compiler.sizeTemplate();
    if (status == 0) {
        tokens_.reserve(compiler.sizedTokens);
        output_.reserve(compiler.sizedOutputEntries);
        status = compiler.buildPattern();
    }
    if (status == 0) status = compiler.checkTokens();
    if (status == 0) status = compiler.buildTemplate();
    if (status != 0) {
        clear();
        return status;
    }
    compiler.buildHeadMatch();
    longestHit_ = 0;
    for (const ZukToken& token : tokens_) longestHit_ += token.maxCount;
    // Room for an ordinary hit now; a longer one grows the buffer once.
    hit_.reserve(static_cast<size_t>(std::min<int64_t>(longestHit_, 1 << 16)));
    spans_.assign(tokens_.size(), Span{});
    work_.assign(tokens_.size(), Span{});
    compiled_ = true;
    return 0;
}

void ZukMatch::clear() {
    source_.clear();
    tokens_.clear();
    output_.clear();
    headMatch_.fill(false);
    compiled_ = false;
    copyAll_ = false;
    outputSize_ = 0;
    longestHit_ = 0;
    hit_.clear();
    spans_.clear();
    work_.clear();
}

void ZukMatch::provideBuffer(char* buffer, int capacity) {
    buffer_ = buffer;
    bufferCapacity_ = buffer ? capacity : 0;
}

std::string_view ZukMatch::part(int number) const {
    if (number < 1 || number > static_cast<int>(spans_.size())) return {};
    const Span& span = spans_[number - 1];
    if (span.offset + span.length > static_cast<int64_t>(hit_.size())) return {};
    return std::string_view(hit_).substr(span.offset, span.length);
}

}  // namespace tessel
