// The commands of user scripts: each reads its statement, checks it and asks the host for
// the effect.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "base/log/message_log.h"
#include "config/languages.h"
#include "config/script_internal.h"
#include "config/user_controls.h"

namespace tessel::scriptdetail {
namespace {

constexpr size_t kMaxColourWordChars = 25;
constexpr int kSleepStepMs = 100;
constexpr int kMaxShift = 4096;
constexpr int kMinTabSize = 2;
constexpr int kMaxTabSize = 200;

struct Selector {
    std::string_view prefix;
    ViewSelector selector;
};
constexpr Selector kSelectors[] = {
    {"own.", ViewSelector::kOwn},     {"nearby.", ViewSelector::kRight},
    {"right.", ViewSelector::kRight}, {"left.", ViewSelector::kLeft},
    {"first.", ViewSelector::kFirst}, {"second.", ViewSelector::kSecond},
    {"third.", ViewSelector::kThird}, {"fourth.", ViewSelector::kFourth},
    {"fifth.", ViewSelector::kFifth},
};

// Takes a view prefix off text; false when there is none.
bool takeSelector(std::string_view& text, ViewSelector& selector) {
    for (const Selector& entry : kSelectors) {
        if (text.starts_with(entry.prefix)) {
            text.remove_prefix(entry.prefix.size());
            selector = entry.selector;
            return true;
        }
    }
    return false;
}

// Host answers other than 0 and 9.
Outcome hostOutcome(int status, const char* command) {
    if (status == 0) return {};
    if (status == kNotAvailable) return failure("%s: not available", command);
    Outcome outcome;
    outcome.status = 9;
    return outcome;
}

std::string_view takeWord(std::string_view& text) {
    text = skipBlanks(text);
    size_t end = text.find_first_of(" \t");
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

bool readNumber(std::string_view text, long& value) {
    text = trimBlanks(text);
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

Outcome delimiterNotes(Outcome outcome, char delimiter, std::string_view value) {
    std::string shown(value.substr(0, 200));
    outcome.notes.push_back(
        formatted("[note] if %c is not a delimiter, add \"\" quotes like:", delimiter));
    outcome.notes.push_back(formatted("[note] \"%s\"", shown.c_str()));
    return outcome;
}

// "/text/": the first character is the delimiter and the text runs to its last occurrence.
// trailing receives what follows the closing delimiter.
bool readDelimited(std::string_view value, std::string_view& text, std::string_view& trailing,
                   Outcome& outcome) {
    char delimiter = value.front();
    size_t last = value.rfind(delimiter);
    if (last == 0) {
        std::string shown(value.substr(0, 200));
        outcome = delimiterNotes(
            failure("missing %c delimiter after: %s", delimiter, shown.c_str()), delimiter, value);
        return false;
    }
    text = value.substr(1, last - 1);
    trailing = trimBlanks(value.substr(last + 1));
    return true;
}

Outcome refuseTrailing(char delimiter, std::string_view trailing, std::string_view value) {
    std::string shown(trailing.substr(0, 200));
    return delimiterNotes(
        failure("unexpected text after \"%c\" delimiter: %s", delimiter, shown.c_str()), delimiter,
        value);
}

Outcome expanded(ScriptHost& host, int view, std::string_view text, const ScriptRun& run,
                 std::string& out) {
    std::string error;
    if (expandVariables(host, view, text, run, out, error) != 0) {
        return failure("%s", error.c_str());
    }
    return {};
}

Outcome setCommand(ScriptHost& host, int view, std::string_view rest, const ScriptRun& run) {
    rest = skipBlanks(rest);
    ViewSelector selector = ViewSelector::kOwn;
    if (takeSelector(rest, selector)) {
        view = host.targetView(selector);
        if (view < 0) return failure("no target window available to execute command.");
    }
    size_t nameEnd = rest.find_first_of(" \t=");
    std::string_view name = rest.substr(0, nameEnd);
    rest = skipBlanks(rest.substr(nameEnd == std::string_view::npos ? rest.size() : nameEnd));
    if (!rest.starts_with('=')) return failure("missing '=' on 'set value = \"text\"' command");
    std::string_view value = skipBlanks(rest.substr(1));
    if (value.empty()) return failure("missing text after 'set' command");
    std::string_view text;
    std::string_view trailing;
    Outcome outcome;
    if (!readDelimited(value, text, trailing, outcome)) return outcome;
    bool bottom = name == "location" && trailing == "-bottom";
    if (!trailing.empty() && !bottom) return refuseTrailing(value.front(), trailing, value);
    std::string expandedText;
    if (Outcome expansion = expanded(host, view, text, run, expandedText); expansion.status != 0) {
        return expansion;
    }
    if (name == "findmask")
        return hostOutcome(host.setFindMask(view, expandedText), "set findmask");
    if (name == "pathmask")
        return hostOutcome(host.setPathMask(view, expandedText), "set pathmask");
    if (name == "filter")
        return hostOutcome(host.setFilter(view, expandedText == "on"), "set filter");
    if (name == "jumpmask")
        return hostOutcome(host.setJumpMask(view, expandedText), "set jumpmask");
    if (name == "location") {
        int status = host.setLocation(view, expandedText, bottom);
        if (status == kNoMatchingFile) {
            return failure("no matching file: \"%.200s\"", expandedText.c_str());
        }
        return hostOutcome(status, "set location");
    }
    if (name == "shift" || name == "tabsize") {
        long number = 0;
        bool valid = readNumber(expandedText, number);
        if (name == "shift") {
            if (!valid || number < 0 || number > kMaxShift) {
                return failure("wrong shift value: %d (%.50s)", static_cast<int>(number),
                               expandedText.c_str());
            }
            return hostOutcome(host.setShift(view, static_cast<int>(number)), "set shift");
        }
        if (!valid || number < kMinTabSize || number > kMaxTabSize) {
            return failure("wrong tab size value: %d (%.50s)", static_cast<int>(number),
                           expandedText.c_str());
        }
        return hostOutcome(host.setTabSize(view, static_cast<int>(number)), "set tabsize");
    }
    return unmatched();
}

Outcome sleepCommand(ScriptHost& host, std::string_view rest) {
    rest = skipBlanks(rest);
    bool quiet = false;
    if (rest.starts_with("-quiet ")) {
        quiet = true;
        rest.remove_prefix(7);
    }
    long ms = 0;
    if (!readNumber(rest, ms)) return unmatched();
    if (ms < 0) return failure("sleep: illegal msec value: %ld", ms);
    if (ms > kAnnouncedSleepMs && !quiet) logMessage("#sleeping %ld msec", ms);
    while (ms > 0) {
        int step = static_cast<int>(std::min<long>(ms, kSleepStepMs));
        if (!host.waitStep(step) || stopRequested()) {
            Outcome stopped;
            stopped.status = 1;
            return stopped;
        }
        ms -= step;
    }
    return {};
}

Outcome netlogCommand(ScriptHost& host, int view, std::string_view rest) {
    static constexpr struct {
        std::string_view word;
        NetlogCommand command;
    } kWords[] = {{"show", NetlogCommand::kShow},
                  {"clear", NetlogCommand::kClear},
                  {"follow", NetlogCommand::kFollow},
                  {"nofollow", NetlogCommand::kNoFollow},
                  {"pause", NetlogCommand::kPause}};
    std::string_view word = trimBlanks(rest);
    if (word.empty()) return failure("missing parameter on netlog command.");
    for (const auto& entry : kWords) {
        if (word != entry.word) continue;
        int status = host.netlog(view, entry.command);
        if (status == kNetlogDisabled) {
            Outcome outcome = failure("network text is disabled.");
            outcome.notes.emplace_back("[note] enable it under setup/general.");
            return outcome;
        }
        return hostOutcome(status, "netlog");
    }
    std::string shown(word.substr(0, 50));
    Outcome outcome = failure("netlog: wrong command \"%s\"", shown.c_str());
    outcome.notes.emplace_back("[blue] use show, clear, follow etc.");
    return outcome;
}

Outcome markCommand(ScriptHost& host, int view, std::string_view rest, const ScriptRun& run) {
    std::string_view action = takeWord(rest);
    if (action == "reset" && trimBlanks(rest).empty()) {
        return hostOutcome(host.markReset(view), "mark reset");
    }
    if (action != "add" && action != "toggle") return unmatched();
    std::string_view all = trimBlanks(rest);
    std::string_view colour = takeWord(rest);
    std::string_view value = skipBlanks(rest);
    if (colour.empty() || colour.size() > kMaxColourWordChars || value.empty()) {
        std::string shown(all.substr(0, 100));
        return failure("wrong mark syntax: %s", shown.c_str());
    }
    if (colour != "any" && highlightColourCode(colour) == 0) {
        std::string shown(colour);
        return failure("no such color: \"%s\"", shown.c_str());
    }
    std::string_view text;
    std::string_view trailing;
    Outcome outcome;
    if (!readDelimited(value, text, trailing, outcome)) return outcome;
    if (!trailing.empty()) return refuseTrailing(value.front(), trailing, value);
    std::string word;
    if (Outcome expansion = expanded(host, view, text, run, word); expansion.status != 0) {
        return expansion;
    }
    return hostOutcome(host.markWord(view, colour, word, action == "toggle"), "mark");
}

// "run [-wait] COMMAND LINE"
Outcome startCommand(ScriptHost& host, int view, std::string_view rest, const ScriptRun& run) {
    rest = skipBlanks(rest);
    bool wait = false;
    if (rest.starts_with("-wait ")) {
        wait = true;
        rest = skipBlanks(rest.substr(6));
    }
    if (rest.empty()) return unmatched();
    std::string error;
    int status = runCommandTemplate(host, view, rest, run, wait, error);
    if (!error.empty()) return failure("%s", error.c_str());
    Outcome outcome;
    outcome.status = status;
    return outcome;
}

}  // namespace

Outcome runStatement(ScriptHost& host, std::string_view statement, const ScriptRun& run) {
    std::string_view text = skipBlanks(statement);
    if (text.starts_with("//")) return {};
    if (text.starts_with("/*")) return failure("/* */ remark block not allowed here.");
    ViewSelector selector = ViewSelector::kOwn;
    takeSelector(text, selector);
    int view = host.targetView(selector);
    if (view < 0) {
        logMessage("[error] no target window available to execute command.");
        Outcome outcome;
        outcome.status = 9;
        return outcome;
    }
    std::string_view rest = text;
    std::string_view command = takeWord(rest);
    if (command == "set") return setCommand(host, view, rest, run);
    if (command == "msgbox" || command == "echo") {
        std::string message;
        if (Outcome expansion = expanded(host, view, skipBlanks(rest), run, message);
            expansion.status != 0) {
            return expansion;
        }
        if (command == "echo") return hostOutcome(host.echo(view, message), "echo");
        host.messageBox("info", message.c_str());
        return {};
    }
    if (command == "activate" && trimBlanks(rest).empty()) {
        return hostOutcome(host.activate(view), "activate");
    }
    if (command == "sleep") return sleepCommand(host, rest);
    if (command == "netlog") return netlogCommand(host, view, rest);
    if (command == "mark") return markCommand(host, view, rest, run);
    if (command.starts_with("run-recent-") && trimBlanks(rest).empty()) {
        std::string error;
        int status = runRecentControl(command.substr(11), run.nested, host, error);
        if (!error.empty()) return failure("%s", error.c_str());
        Outcome outcome;
        outcome.status = status;
        return outcome;
    }
    if (command == "run") return startCommand(host, view, rest, run);
    return unmatched();
}

}  // namespace tessel::scriptdetail
