#include "config/hotkeys.h"

#include <algorithm>
#include <cctype>

#include "base/log/message_log.h"
#include "config/config_file.h"

namespace tessel {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// "<name><digit><suffix>" for digits 0 ... 9 (or 1 ... 9).
bool isNumbered(std::string_view key, std::string_view name, std::string_view suffix,
                char firstDigit) {
    if (key.size() != name.size() + 1 + suffix.size() || !key.starts_with(name) ||
        !key.ends_with(suffix)) {
        return false;
    }
    char digit = key[name.size()];
    return digit >= firstDigit && digit <= '9';
}

std::string_view firstLineOf(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && !isLineEnd(text[end])) ++end;
    return text.substr(0, end);
}

// The next word of text (up to a blank or line end); text moves past it.
std::string_view takeWord(std::string_view& text) {
    size_t start = 0;
    while (start < text.size() && isBlank(text[start])) ++start;
    size_t end = start;
    while (end < text.size() && !isBlank(text[end]) && !isLineEnd(text[end])) ++end;
    std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

constexpr std::string_view kModifiers[] = {"alt", "ctrl", "shift"};

int modifierRank(std::string_view word) {
    for (int rank = 0; rank < 3; ++rank) {
        if (word == kModifiers[rank]) return rank;
    }
    return -1;
}

// Takes "ctrl+shift+x" apart. With report, every fault is logged.
bool readKeyCombination(std::string_view combination, bool report, bool& keypad) {
    std::string combinationText(combination);
    if (combination.empty() || combination.front() == '+' || combination.back() == '+' ||
        combination.find("++") != std::string_view::npos) {
        if (report) logError(0, "wrong command syntax: %.100s", combinationText.c_str());
        return false;
    }
    size_t lastPlus = combination.rfind('+');
    std::string_view key =
        lastPlus == std::string_view::npos ? combination : combination.substr(lastPlus + 1);
    std::string_view modifiers =
        lastPlus == std::string_view::npos ? std::string_view() : combination.substr(0, lastPlus);
    int previous = -1;
    std::string previousWord;
    while (!modifiers.empty()) {
        size_t plus = modifiers.find('+');
        std::string word(modifiers.substr(0, plus));
        modifiers.remove_prefix(plus == std::string_view::npos ? modifiers.size() : plus + 1);
        int rank = modifierRank(word);
        if (rank < 0) {
            if (report) {
                logError(0, "unknown modifier: \"%.50s\"", word.c_str());
                logMessage("within \"%.100s\"", combinationText.c_str());
                logMessage("[note] ... use ctrl or shift.");
            }
            return false;
        }
        if (rank <= previous) {
            if (report) {
                logError(0, "wrong modifier sequence: %s+%s", previousWord.c_str(), word.c_str());
                logMessage("[note] ... use %s+%s instead (alphabetical).", word.c_str(),
                           previousWord.c_str());
            }
            return false;
        }
        previous = rank;
        previousWord = word;
    }
    if (!isUserKey(key)) {
        if (report) {
            logMessage("[note] unsupported key: \"%.*s\"",
                       static_cast<int>(std::min<size_t>(key.size(), 50)), key.data());
        }
        return false;
    }
    keypad = key.starts_with("num");
    return true;
}

// "HH:MM" to minutes of the day; -1 when it is none.
int minutesOf(std::string_view time) {
    size_t colon = time.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || time.size() != colon + 3) {
        return -1;
    }
    int hours = 0;
    for (char c : time.substr(0, colon)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        hours = hours * 10 + (c - '0');
    }
    char tens = time[colon + 1];
    char ones = time[colon + 2];
    if (!std::isdigit(static_cast<unsigned char>(tens)) ||
        !std::isdigit(static_cast<unsigned char>(ones))) {
        return -1;
    }
    int minutes = (tens - '0') * 10 + (ones - '0');
    if (hours > 23 || minutes > 59) return -1;
    return hours * 60 + minutes;
}

struct OnTimeCommand {
    int minute = -1;
    std::string picture;
};

// "on time HH:MM background FILE": command is the text after "on ".
bool readOnTime(std::string_view command, bool report, OnTimeCommand& out) {
    std::string shownCommand(firstLineOf(command).substr(0, 100));
    std::string_view rest = command;
    takeWord(rest);
    std::string_view afterTime = rest;
    while (!afterTime.empty() && isBlank(afterTime.front())) afterTime.remove_prefix(1);
    std::string_view time = takeWord(rest);
    if (time.empty()) {
        if (report) logError(0, "config: wrong syntax: on %s", shownCommand.c_str());
        return false;
    }
    out.minute = minutesOf(time);
    if (out.minute < 0) {
        std::string shownRest(firstLineOf(afterTime).substr(0, 100));
        if (report) logError(0, "config: wrong syntax: on time %s", shownRest.c_str());
        return false;
    }
    std::string_view keyword = takeWord(rest);
    rest = firstLineOf(rest);
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    if (keyword != "background" || rest.empty()) {
        if (report) logError(0, "config: wrong on syntax: %s", shownCommand.c_str());
        return false;
    }
    out.picture = rest;
    return true;
}

// "on key KEYS SCRIPT": command is the text after "on ".
bool readOnKey(std::string_view command, bool report, OnKeyCommand& out) {
    std::string shownCommand(firstLineOf(command).substr(0, 100));
    std::string_view rest = command;
    if (takeWord(rest) != "key") {
        if (report) {
            logError(0, "invalid command: \"on %s\"", shownCommand.c_str());
            logMessage("[blue] use on key instead");
        }
        return false;
    }
    std::string_view combination = takeWord(rest);
    if (combination.empty()) {
        if (report) logError(0, "wrong command syntax: %s", shownCommand.c_str());
        return false;
    }
    if (!readKeyCombination(combination, report, out.keypad)) return false;
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    out.key = combination;
    out.script = rest;
    return true;
}

bool isOnTime(std::string_view command) {
    return takeWord(command) == "time";
}

}  // namespace

bool isUserKey(std::string_view key) {
    if (key.size() == 1)
        return std::isdigit(static_cast<unsigned char>(key[0])) || (key[0] >= 'a' && key[0] <= 'z');
    if (key == "f10" || key == "f11" || key == "f12") return true;
    if (key.size() == 2 && key[0] == 'f' && key[1] >= '5' && key[1] <= '9') return true;
    if (key == "mbuttondown" || key == "mbuttonup") return true;
    for (std::string_view suffix : {"down", "up"}) {
        if (isNumbered(key, "xbutton", suffix, '1') || isNumbered(key, "num", suffix, '0')) {
            return true;
        }
    }
    return false;
}

std::string userKeyName(bool alt, bool ctrl, bool shift, std::string_view key) {
    std::string name;
    if (alt) name += "alt+";
    if (ctrl) name += "ctrl+";
    if (shift) name += "shift+";
    name += key;
    return name;
}

int checkHotkey(std::string_view text, std::string& message) {
    std::string lower = lowerCase(text);
    std::string_view rest = lower;
    bool alt = false;
    bool ctrl = false;
    bool shift = false;
    for (;;) {
        if (rest.starts_with("alt+")) {
            if (ctrl || shift) {
                message = "alt+ must be first modifier";
                return 9;
            }
            alt = true;
            rest.remove_prefix(4);
        } else if (rest.starts_with("ctrl+") || rest.starts_with("control+") ||
                   rest.starts_with("ctl+")) {
            if (shift) {
                message = "ctrl+ must be typed before shift";
                return 9;
            }
            ctrl = true;
            rest.remove_prefix(rest.find('+') + 1);
        } else if (rest.starts_with("shift+")) {
            shift = true;
            rest.remove_prefix(6);
        } else {
            break;
        }
    }
    bool modified = alt || ctrl || shift;
    if (!isUserKey(rest) || (!modified && rest.size() == 1)) {
        message = "unsupported hotkey: " + std::string(text);
        return 9;
    }
    std::string canonical = userKeyName(alt, ctrl, shift, rest);
    if (canonical != text) {
        message = "wrong syntax, please use: " + canonical;
        return 9;
    }
    message.clear();
    return 0;
}

bool parseOnCommand(std::string_view command, bool& usesKeypad) {
    usesKeypad = false;
    if (isOnTime(command)) {
        OnTimeCommand onTime;
        return readOnTime(command, true, onTime);
    }
    OnKeyCommand onKey;
    if (!readOnKey(command, true, onKey)) return false;
    usesKeypad = onKey.keypad;
    return true;
}

bool readOnKeyCommand(std::string_view command, OnKeyCommand& out) {
    return readOnKey(command, false, out);
}

bool findOnKeyScript(std::string_view keyName, std::string& script) {
    for (const std::string& command : configFile().onCommands) {
        OnKeyCommand onKey;
        if (readOnKeyCommand(command, onKey) && onKey.key == keyName) {
            script = onKey.script;
            return true;
        }
    }
    return false;
}

void reportUnboundKey(std::string_view keyName) {
    std::string name(keyName.substr(0, 50));
    logMessage("[blue] need config entry like:");
    logMessage("[blue] on key %s ...", name.c_str());
}

void listOnKeyCommands() {
    bool any = false;
    for (const std::string& command : configFile().onCommands) {
        OnKeyCommand onKey;
        if (!readOnKeyCommand(command, onKey)) continue;
        if (!any) logMessage("[note] list of on key commands:");
        any = true;
        std::string shown(firstLineOf(command).substr(0, 150));
        logMessage("![blue] on %s", shown.c_str());
    }
    if (!any) logMessage("[note] no on key commands found.");
}

std::string backgroundForTime(int minuteOfDay) {
    std::string picture;
    int best = -1;
    for (const std::string& command : configFile().onCommands) {
        OnTimeCommand onTime;
        if (!isOnTime(command) || !readOnTime(command, false, onTime)) continue;
        if (onTime.minute <= minuteOfDay && onTime.minute >= best) {
            best = onTime.minute;
            picture = onTime.picture;
        }
    }
    return picture;
}

}  // namespace tessel
