#include "zukmatch/context_rules.h"

#include <cstdio>
#include <new>

#include "base/log/message_log.h"
#include "config/config_file.h"

namespace tessel {

namespace {

// A rule whose display text could be longer than this is refused: the top line shows at most
// 800 bytes, and only counts written by hand in the millions come near it.
constexpr int64_t kLargestOutput = 16 << 20;

const char* const kDelimiterHelp =
    "The search text must end with the same delimiter character as it was started. You may "
    "surround it with / or _ or any other character that is not part of the searched text.";
const char* const kEndDelimiterHelp =
    "The optional display text follows directly after the search text and must end with the "
    "same delimiter character.";
const char* const kTrailingHelp = "No extra characters are allowed after the display text.";
const char* const kSyntaxHelp =
    "The search or display text does not contain a valid ZUK Expressions syntax.";

std::string formatted(const char* format, auto... values) {
    char text[kLogFormatBytes];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

bool isBlankText(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Lower case with "/" for "\", so that filters and names compare as the user means them.
std::string comparable(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = c == '\\' ? '/' : lowerAscii(c);
    return out;
}

bool wordAccepts(std::string_view word, std::string_view name) {
    if (word.size() > 1 && word.back() == '*') {
        return name.find(word.substr(0, word.size() - 1)) != std::string_view::npos;
    }
    if (word.front() == '.') return name.ends_with(word);
    return name.find(word) != std::string_view::npos;
}

int pathId(int slot) {
    return kFirstContextId + 2 * slot;
}

int ruleOfSlot(int slot) {
    return slot - (slot / 14) * 4 + 1;
}

const char* explanationOf(int status) {
    switch (status) {
        case kContextMissingDelimiter:
            return kDelimiterHelp;
        case kContextMissingEndDelimiter:
            return kEndDelimiterHelp;
        case kContextTrailingChars:
            return kTrailingHelp;
        case kContextWrongSyntax:
            return kSyntaxHelp;
        default:
            return nullptr;
    }
}

// The setup dialog shows the detail broken after its first ": ", then the explanation.
std::string dialogText(const std::string& detail, const char* explanation) {
    std::string text = detail;
    const size_t colon = text.find(": ");
    if (colon != std::string::npos) text.replace(colon, 2, ":\n");
    if (explanation != nullptr) text += std::string("\n\n") + explanation;
    return text;
}

}  // namespace

ContextRuleText splitContextRule(std::string_view rule) {
    ContextRuleText parts;
    const char delimiter = rule.empty() ? '/' : rule.front();
    const size_t searchEnd = rule.empty() ? std::string_view::npos : rule.find(delimiter, 1);
    if (searchEnd == std::string_view::npos) {
        parts.status = kContextMissingDelimiter;
        parts.detail =
            formatted("missing '%c' delimiter: %s", delimiter, std::string(rule).c_str());
        return parts;
    }
    parts.search = rule.substr(1, searchEnd - 1);
    parts.display = "[all]";
    const std::string_view after = rule.substr(searchEnd + 1);
    if (after.empty()) return parts;
    const size_t displayEnd = after.find(delimiter);
    if (displayEnd == std::string_view::npos) {
        parts.status = kContextMissingEndDelimiter;
        parts.detail =
            formatted("missing '%c' end delimiter: %s", delimiter, std::string(rule).c_str());
        return parts;
    }
    parts.display = after.substr(0, displayEnd);
    const std::string_view trailing = after.substr(displayEnd + 1);
    if (!trailing.empty()) {
        parts.status = kContextTrailingChars;
        parts.detail = formatted("trailing chars: \"%s\"", std::string(trailing).c_str());
    }
    return parts;
}

bool contextPathAccepts(std::string_view filter, std::string_view fileName) {
    const std::string name = comparable(fileName);
    bool anyWord = false;
    size_t pos = 0;
    while (pos < filter.size()) {
        if (filter[pos] == ' ' || filter[pos] == '\t') {
            ++pos;
            continue;
        }
        std::string_view word;
        if (filter[pos] == '"') {
            const size_t close = filter.find('"', pos + 1);
            const size_t end = close == std::string_view::npos ? filter.size() : close;
            word = filter.substr(pos + 1, end - pos - 1);
            pos = end + 1;
        } else {
            const size_t end = std::min(filter.find(' ', pos), filter.find('\t', pos));
            word =
                filter.substr(pos, end == std::string_view::npos ? filter.size() - pos : end - pos);
            pos += word.size();
        }
        if (word.empty()) continue;
        anyWord = true;
        if (wordAccepts(comparable(word), name)) return true;
    }
    return !anyWord;
}

int ContextRules::compile(int slot, std::string* dialogStatus) {
    if (slot < 0 || slot >= kContextSlotPositions || !isContextSlot(slot)) {
        logError(0, "int. #18030101 %d", slot);
        return 0;
    }
    ZukMatch& matcher = matchers_[slot];
    matcher.clear();
    valid_[slot] = false;
    const std::string_view rule = config().getText(pathId(slot) + 1);
    if (isBlankText(rule)) {
        if (dialogStatus) dialogStatus->clear();
        return 0;
    }

    ContextRuleText parts = splitContextRule(rule);
    int status = parts.status;
    std::string detail = parts.detail;
    if (status == 0) {
        const int compiled = matcher.compile(parts.search, parts.display);
        if (compiled != 0) {
            status = kContextWrongSyntax;
            detail = formatted("wrong syntax (%d): \"%s\"", compiled, std::string(rule).c_str());
        }
    }
    if (status == 0) {
        const int buffer = provideOutput(matcher.outputSize() + 1);
        if (buffer != 0) {
            status = kContextBufferError;
            detail = formatted("context buffer error %d", buffer);
        }
    }
    if (status != 0) {
        matcher.clear();
        const char* explanation = explanationOf(status);
        if (dialogStatus) {
            *dialogStatus = dialogText(detail, explanation);
        } else {
            logMessage("[error] %s", detail.c_str());
            if (explanation) logMessage("[note] %s", explanation);
            logMessage("[note] context rule %d is switched off.", ruleOfSlot(slot));
        }
        return status;
    }
    valid_[slot] = true;
    matcher.provideBuffer(output_.data(), static_cast<int>(output_.size()));
    if (dialogStatus) *dialogStatus = formatted("OK %d parts", matcher.partCount());
    return 0;
}

int ContextRules::compileAll() {
    int good = 0;
    for (int slot = 0; slot < kContextSlotPositions; ++slot) {
        if (!isContextSlot(slot)) continue;
        if (isBlankText(config().getText(pathId(slot) + 1))) {
            matchers_[slot].clear();
            valid_[slot] = false;
            continue;
        }
        if (compile(slot) == 0) ++good;
    }
    return good;
}

bool ContextRules::isValid(int slot) const {
    return slot >= 0 && slot < kContextSlotPositions && valid_[slot];
}

int ContextRules::activeSlots(std::string_view fileName,
                              std::array<int, kContextSlotPositions>& slots) const {
    int count = 0;
    for (int slot = 0; slot < kContextSlotPositions; ++slot) {
        if (valid_[slot] && contextPathAccepts(config().getText(pathId(slot)), fileName)) {
            slots[count++] = slot;
        }
    }
    return count;
}

// Grows the shared buffer to `size` bytes; a new buffer is handed to every compiled rule.
// 0, 1 when the size is beyond reason, 9 when memory ran out.
int ContextRules::provideOutput(int64_t size) {
    if (size > kLargestOutput) return 1;
    if (size <= static_cast<int64_t>(output_.size())) return 0;
    try {
        output_.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        reportOutOfMemory(18030102, static_cast<long>(size));
        return 9;
    }
    for (int slot = 0; slot < kContextSlotPositions; ++slot) {
        if (valid_[slot]) matchers_[slot].provideBuffer(output_.data(), static_cast<int>(size));
    }
    return 0;
}

ContextRules& contextRules() {
    static ContextRules rules;
    return rules;
}

void installContextRulesHook() {
    configHooks().compileContexts = [] { return contextRules().compileAll(); };
}

}  // namespace tessel
