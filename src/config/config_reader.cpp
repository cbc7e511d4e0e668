// Reading the configuration text: the line kinds, keyword lines, comments, and the walk that
// applies them in order. Errors inside a line are reported and the line skipped; structural
// errors (an unclosed block, a missing config-version) stop the walk, keeping what was read.
#include <algorithm>
#include <cstring>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_internal.h"
#include "config/config_sections.h"
#include "config/qv_config.h"

namespace tessel {
namespace configdetail {
namespace {

int shown(std::string_view text, size_t limit) {
    return static_cast<int>(std::min(text.size(), limit));
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

constexpr int kMaxFailedLines = 100;

// The offset of the line after the one holding offset.
size_t endOfLineHolding(std::string_view text, size_t offset) {
    size_t lf = text.find('\n', offset);
    return lf == std::string_view::npos ? text.size() : lf + 1;
}

long countLines(std::string_view text, size_t from, size_t to) {
    return static_cast<long>(std::count(text.begin() + static_cast<std::ptrdiff_t>(from),
                                        text.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
}

// A close tag counts only at the start of a line (after blanks), so that a rule or script
// text that mentions it does not end the section.
size_t findCloseTag(std::string_view text, size_t from, std::string_view tag, bool allowIndent) {
    size_t pos = from;
    while (pos < text.size()) {
        TextLine line = lineAt(text, pos);
        std::string_view start = allowIndent ? skipBlanks(line.raw) : line.raw;
        if (start.starts_with(tag)) return pos;
        pos = line.next;
    }
    return std::string_view::npos;
}

struct Walk {
    ConfigFileState& state;
    bool apply;
    std::string_view text;
    size_t pos = 0;
    long line = 1;
    bool versionSeen = false;
    int failedLines = 0;

    // A file of garbage would report every line; past a limit reading stops instead.
    bool tooManyErrors() {
        if (++failedLines < kMaxFailedLines) return false;
        logError(0, "too many errors in config file, reading stopped at line %ld", line);
        return true;
    }

    void error(const char* message, std::string_view at) {
        if (!apply) return;
        logError(0, "%s", message);
        logMessage("[blue] %.*s", shown(at, 50), at.data());
    }

    int onCommand(const TextLine& first);
    int languageBlock(size_t tagAt);
    int section(std::string_view closeTag, ConfigSection kind);
    int blockComment(const TextLine& first);
    int keywordLine(const TextLine& current);
    int run();
};

int Walk::onCommand(const TextLine& first) {
    size_t end = first.next;
    long lines = 1;
    size_t commandEnd = pos + first.raw.size();
    while (end < text.size() && (isBlank(text[end]) || text.substr(end).starts_with("//"))) {
        TextLine more = lineAt(text, end);
        commandEnd = end + more.raw.size();
        end = more.next;
        ++lines;
    }
    if (apply) {
        std::string_view command = text.substr(pos + 3, commandEnd - (pos + 3));
        if (command.ends_with('\r')) command.remove_suffix(1);
        bool keypad = false;
        bool accepted =
            configHooks().parseOnCommand ? configHooks().parseOnCommand(command, keypad) : true;
        if (!accepted && tooManyErrors()) return 1;
        if (accepted) {
            state.onCommands.emplace_back(command);
            if (verboseMode()) logMessage("[blue] on %.*s", shown(command, 150), command.data());
            if (keypad && !state.numericKeypadNoted) {
                state.numericKeypadNoted = true;
                logMessage("[note] numeric keypad is used for user functions.");
                logMessage("... due to command \"%.20s\"", std::string(command).c_str());
            }
        }
    }
    pos = end;
    line += lines;
    return 0;
}

int Walk::languageBlock(size_t tagAt) {
    size_t close = text.find("</Language>", tagAt);
    if (close == std::string_view::npos) {
        error("missing </Language> in config after:", text.substr(pos));
        return 1;
    }
    size_t blockEnd = close + std::strlen("</Language>");
    if (apply && configHooks().parseLanguage) {
        std::string_view block = text.substr(tagAt, blockEnd - tagAt);
        int code = configHooks().parseLanguage(block);
        if (code != 0) {
            logMessage("[error] syntax error %ld near \"%.50s\"", static_cast<long>(code),
                       std::string(block.substr(0, 50)).c_str());
            TextLine tagLine = lineAt(text, pos);
            logMessage("[note] within \"%.50s\"", std::string(tagLine.content).c_str());
        }
    }
    size_t next = endOfLineHolding(text, blockEnd);
    line += countLines(text, pos, next);
    pos = next;
    return 0;
}

int Walk::section(std::string_view closeTag, ConfigSection kind) {
    TextLine tagLine = lineAt(text, pos);
    size_t close = findCloseTag(text, tagLine.next, closeTag, kind != ConfigSection::kScripts);
    if (close == std::string_view::npos) {
        std::string message = "missing " + std::string(closeTag) + " in config after:";
        error(message.c_str(), text.substr(pos));
        return 1;
    }
    std::string_view inner = text.substr(tagLine.next, close - tagLine.next);
    TextLine closeLine = lineAt(text, close);
    long closeLineNumber = line + countLines(text, pos, close);
    int status = 0;
    switch (kind) {
        case ConfigSection::kContext:
            if (apply) readContextSection(inner);
            break;
        case ConfigSection::kControls:
            if (apply) readControlsSection(inner, state);
            break;
        case ConfigSection::kScripts:
            status = readScriptsSection(inner, state, apply);
            break;
    }
    if (status != 0) return status;
    state.sections.push_back({kind, line, closeLineNumber});
    line = closeLineNumber + 1;
    pos = closeLine.next;
    return 0;
}

int Walk::blockComment(const TextLine& first) {
    size_t sameLine = first.content.find("*/", 2);
    if (sameLine != std::string_view::npos) {
        if (sameLine + 2 < first.content.size()) {
            error("text not allowed after */ within config line:", first.content);
            return 1;
        }
        pos = first.next;
        ++line;
        return 0;
    }
    size_t close = text.find("*/", first.next);
    if (close == std::string_view::npos) {
        if (apply) {
            error("missing block comment close in config after:", text.substr(pos));
            logMessage("[error] ... need a line containing just */");
        }
        return 1;
    }
    size_t closeLineStart = text.rfind('\n', close);
    closeLineStart = closeLineStart == std::string_view::npos ? 0 : closeLineStart + 1;
    TextLine closeLine = lineAt(text, closeLineStart);
    size_t after = close + 2 - closeLineStart;
    if (after < closeLine.content.size()) {
        if (apply) {
            error("text not allowed after */ in config:", closeLine.content);
            logMessage("[note] within: %.50s", std::string(closeLine.content).c_str());
        }
        return 1;
    }
    line += countLines(text, pos, closeLine.next);
    pos = closeLine.next;
    return 0;
}

int Walk::keywordLine(const TextLine& current) {
    auto [key, value, remark] = splitKeywordLine(current.content);
    if (key != "separatorline" && value.starts_with('=')) {
        if (apply) {
            logError(0, "config file entry \"%.*s\" : do not use '=' to set a value.",
                     shown(key, 100), key.data());
        }
        return 0;
    }
    if (!versionSeen) {
        if (key != "config-version") {
            if (apply) {
                std::string path = configPath(false);
                logError(0, "within config file %s :", path.c_str());
                logError(0, "config-version must be first entry.");
            }
            return 1;
        }
        versionSeen = true;
        state.configVersion = decimalValueOf(value);
        return 0;
    }
    if (key == "config-version") return 0;
    if (!apply) {
        if (int id = lineIdOfKeyword(key); id != 0) mapLineToSetting(state.lineMap, line, id);
        return 0;
    }
    state.currentLine = line;
    int status = applyConfigKeyword(key, value);
    state.currentLine = 0;
    if (status != 0) {
        logMessage("![note] ... near config file line %ld", line);
        if (tooManyErrors()) return 1;
    }
    return 0;
}

int Walk::run() {
    while (pos < text.size()) {
        TextLine current = lineAt(text, pos);
        if (current.raw.starts_with("on ")) {
            if (onCommand(current) != 0) return 1;
            continue;
        }
        std::string_view start = skipBlanks(current.raw);
        int status = -1;
        if (start.starts_with("<Language ")) {
            status = languageBlock(pos + (current.raw.size() - start.size()));
        } else if (start.starts_with("<QVContext>")) {
            status = section("</QVContext>", ConfigSection::kContext);
        } else if (start.starts_with("<QVControls>")) {
            status = section("</QVControls>", ConfigSection::kControls);
        } else if (start.starts_with("<QVScripts>")) {
            status = section("</QVScripts>", ConfigSection::kScripts);
        }
        if (status > 0) return status;
        if (status == 0) continue;

        std::string_view content = current.content;
        if (content.empty() || content.starts_with("//")) {
            pos = current.next;
            ++line;
            continue;
        }
        if (content.starts_with("/*")) {
            if (blockComment(current) != 0) return 1;
            continue;
        }
        if (isBlank(content[0])) {
            if (apply) {
                logError(0, "blank at line start in config line %ld:", line);
                logMessage("![note] \"%.150s\"", std::string(content).c_str());
                logMessage("![note] please remove all superfluous whitespace.");
            }
            return 0;
        }
        if (keywordLine(current) != 0) return 1;
        pos = current.next;
        ++line;
    }
    return 0;
}

}  // namespace

KeywordLine splitKeywordLine(std::string_view content) {
    size_t keyEnd = content.find_first_of(" \t");
    std::string_view key = content.substr(0, keyEnd);
    std::string_view value =
        keyEnd == std::string_view::npos ? std::string_view() : skipBlanks(content.substr(keyEnd));
    std::string_view remark;
    // A remark after the value: "maxload 200   // MB" has the value 200.
    if (value.size() > 1) {
        if (size_t at = value.rfind("//"); at != std::string_view::npos) {
            size_t valueStart = static_cast<size_t>(value.data() - content.data());
            value = trimTrailing(value.substr(0, at));
            remark = content.substr(valueStart + value.size());
        }
    }
    return {key, value, remark};
}

TextLine lineAt(std::string_view text, size_t pos) {
    size_t lf = text.find('\n', pos);
    size_t end = lf == std::string_view::npos ? text.size() : lf;
    std::string_view raw = text.substr(pos, end - pos);
    std::string_view content = raw.substr(0, raw.find('\r'));
    return {raw, trimTrailing(content), lf == std::string_view::npos ? text.size() : lf + 1};
}

std::string_view trimTrailing(std::string_view text) {
    size_t end = text.find_last_not_of(" \t");
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

int walkConfigText(ConfigFileState& state, bool apply) {
    state.lineMap.clear();
    state.sections.clear();
    Walk walk{state, apply, state.text};
    // What the text says is no change to write back.
    struct TouchPause {
        TouchPause() { config().suspendTouch(); }
        ~TouchPause() { config().resumeTouch(); }
    } pause;
    int status = walk.run();
    state.unreadFrom = walk.pos < state.text.size() ? walk.pos : std::string::npos;
    return status;
}

}  // namespace configdetail
}  // namespace tessel
