#include "config/user_controls.h"

#include <array>
#include <vector>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/hotkeys.h"
#include "config/languages.h"
#include "config/qv_config.h"
#include "config/script_runner.h"

namespace tessel {
namespace {

constexpr size_t kMaxOnKeyChars = 190;
// A script taken over from an "on key" line gets its two explaining lines only while it
// stays well below this size.
constexpr size_t kMaxScriptChars = 100000;
constexpr size_t kExplanationRoom = 1000;

struct RecentControl {
    bool known = false;
    std::string type;
    std::string title;
    std::string parms;
};

struct ControlState {
    std::array<bool, kMaxControls> duplicate{};
    std::array<RecentControl, kControlBookmarkScript + 1> recentByType;
    RecentControl recentButton;  // action or scope button
    RecentControl recentAction;  // any control but a hotkey
};

ControlState& controlState() {
    static ControlState state;
    return state;
}

int controlVariable(int slot, int field) {
    return kFirstVariableId + kControlFields * slot + field;
}

int scriptVariable(int slot, int field) {
    return kFirstScriptId + kScriptFields * slot + field;
}

bool validSlot(int slot, int count) {
    return slot >= 0 && slot < count;
}

// Remembers a control that ran, by what identifies it to the user.
void rememberRecent(const UserControl& control, std::string_view parms) {
    ControlState& state = controlState();
    RecentControl recent{true, control.type, control.title, std::string(parms)};
    int type = controlTypeNumber(control.type);
    state.recentByType[static_cast<size_t>(type)] = recent;
    if (type == kControlAction || type == kControlScope) state.recentButton = recent;
    if (type != kControlHotkey) state.recentAction = recent;
}

int runControlWith(int slot, const std::string* parmsOverride, bool nested, ScriptHost& host) {
    if (!validSlot(slot, kMaxControls)) {
        logError(0, "invalid control %d", slot);
        return 9;
    }
    UserControl control = userControl(slot);
    if (control.type.empty()) {
        logError(0, "undefined control %d", slot);
        return 9;
    }
    if (controlTypeNumber(control.type) == 0) {
        logError(0, "wrong control type \"%.20s\"", control.type.c_str());
        return 9;
    }
    if (control.script.empty()) {
        logError(0, "missing script call in control %d", slot);
        return 9;
    }
    int scriptSlot = findScript(control.script);
    if (scriptSlot < 0) {
        logError(0, "invalid action id \"%.90s\"", control.script.c_str());
        return 9;
    }
    std::string text = userScript(scriptSlot).text;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        logError(0, "empty script");
        return 9;
    }
    std::string parms = parmsOverride != nullptr ? *parmsOverride : control.parms;
    if (parms.empty() && parmsOverride == nullptr &&
        controlTypeNumber(control.type) != kControlHotkey) {
        parms = control.title;
    }
    ScriptRun run;
    run.nested = nested;
    if (splitScriptParameters(parms, run.parameters) != 0) return 9;
    int status = runScript(host, text, run);
    if (status == 0 && !nested) rememberRecent(control, parms);
    return status;
}

// "ctrl+shift+num1down" to "csn1d", the short form script ids of taken over keys use.
std::string abbreviatedKey(std::string_view key) {
    static constexpr struct {
        std::string_view from;
        std::string_view to;
    } kShort[] = {{"ctrl+", "c"}, {"shift+", "s"},   {"alt+", "a"},     {"num", "n"},
                  {"down", "d"},  {"xbutton", "xb"}, {"mbutton", "mb"}, {"up", ""}};
    std::string result;
    size_t i = 0;
    while (i < key.size()) {
        bool replaced = false;
        for (const auto& entry : kShort) {
            if (key.substr(i).starts_with(entry.from)) {
                result += entry.to;
                i += entry.from.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) result += key[i++];
    }
    return result;
}

// The script text of an "on key" line without the indentation of its first line, ending in
// a line break like the scripts read from the configuration file.
std::string unindented(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        pos = end + 1;
    }
    auto blank = [](std::string_view line) {
        return line.find_first_not_of(" \t") == std::string_view::npos;
    };
    while (!lines.empty() && blank(lines.front())) lines.erase(lines.begin());
    while (!lines.empty() && blank(lines.back())) lines.pop_back();
    size_t indent = 0;
    if (!lines.empty()) indent = lines.front().find_first_not_of(" \t");
    std::string result;
    for (size_t k = 0; k < lines.size(); ++k) {
        std::string_view line = lines[k];
        size_t cut = 0;
        while (cut < indent && cut < line.size() && (line[cut] == ' ' || line[cut] == '\t')) ++cut;
        result += line.substr(cut);
        result += "\r\n";
    }
    return result;
}

std::string uniqueScriptId(const std::string& wanted) {
    std::string id = wanted;
    for (int suffix = 2; findScript(id) >= 0; ++suffix) id = wanted + "-" + std::to_string(suffix);
    return id;
}

}  // namespace

UserControl userControl(int slot) {
    UserControl control;
    if (!validSlot(slot, kMaxControls)) return control;
    const QVConfig& store = config();
    control.type = store.getVar(controlVariable(slot, 0));
    control.parms = store.getVar(controlVariable(slot, 1));
    control.views = store.getVar(controlVariable(slot, 2));
    control.script = store.getVar(controlVariable(slot, 3));
    control.title = store.getVar(controlVariable(slot, 4));
    return control;
}

void setUserControl(int slot, const UserControl& control) {
    if (!validSlot(slot, kMaxControls)) return;
    QVConfig& store = config();
    store.setVar(controlVariable(slot, 0), control.type);
    store.setVar(controlVariable(slot, 1), control.parms);
    store.setVar(controlVariable(slot, 2), control.views);
    store.setVar(controlVariable(slot, 3), control.script);
    store.setVar(controlVariable(slot, 4), control.title);
}

UserScript userScript(int slot) {
    UserScript script;
    if (!validSlot(slot, kMaxScripts)) return script;
    const QVConfig& store = config();
    script.id = store.getVar(scriptVariable(slot, 0));
    script.text = store.getVar(scriptVariable(slot, 1));
    script.count = store.getVar(scriptVariable(slot, 2));
    return script;
}

void setUserScript(int slot, const UserScript& script) {
    if (!validSlot(slot, kMaxScripts)) return;
    QVConfig& store = config();
    store.setVar(scriptVariable(slot, 0), script.id);
    store.setVar(scriptVariable(slot, 1), script.text);
    store.setVar(scriptVariable(slot, 2), script.count);
}

int findScript(std::string_view id) {
    if (id.empty()) return -1;
    for (int slot = 0; slot < kMaxScripts; ++slot) {
        if (config().getVar(scriptVariable(slot, 0)) == id) return slot;
    }
    return -1;
}

int findHotkeyControl(std::string_view keyName) {
    for (int slot = 0; slot < kMaxControls; ++slot) {
        if (config().getVar(controlVariable(slot, 0)) == "3" &&
            config().getVar(controlVariable(slot, 4)) == keyName) {
            return slot;
        }
    }
    return -1;
}

int freeControlSlot() {
    for (int slot = 0; slot < kMaxControls; ++slot) {
        if (config().getVar(controlVariable(slot, 0)).empty()) return slot;
    }
    return -1;
}

int freeScriptSlot() {
    for (int slot = 0; slot < kMaxScripts; ++slot) {
        if (config().getVar(scriptVariable(slot, 0)).empty()) return slot;
    }
    return -1;
}

int controlTypeNumber(std::string_view type) {
    if (type.size() != 1 || type[0] < '1' || type[0] > '4') return 0;
    return type[0] - '0';
}

const char* controlTypeDisplayName(std::string_view type) {
    switch (controlTypeNumber(type)) {
        case kControlAction:
            return "action button";
        case kControlScope:
            return "scope button";
        case kControlHotkey:
            return "hotkey";
        case kControlBookmarkScript:
            return "bookmark script";
        default:
            return "";
    }
}

void markDuplicateControls() {
    ControlState& state = controlState();
    state.duplicate.fill(false);
    for (int a = 0; a < kMaxControls; ++a) {
        UserControl first = userControl(a);
        if (first.type.empty()) continue;
        for (int b = a + 1; b < kMaxControls; ++b) {
            UserControl second = userControl(b);
            if (second.type == first.type && second.title == first.title) {
                state.duplicate[static_cast<size_t>(a)] = true;
                state.duplicate[static_cast<size_t>(b)] = true;
            }
        }
    }
}

bool isDuplicateControl(int slot) {
    return validSlot(slot, kMaxControls) && controlState().duplicate[static_cast<size_t>(slot)];
}

int runControl(int slot, ScriptHost& host) {
    return runControlWith(slot, nullptr, false, host);
}

int runScriptWithParameters(std::string_view scriptText, std::string_view parameterText,
                            ScriptHost& host) {
    ScriptRun run;
    if (splitScriptParameters(parameterText, run.parameters) != 0) return 9;
    return runScript(host, scriptText, run);
}

int runRecentControl(std::string_view kind, bool nested, ScriptHost& host, std::string& error) {
    ControlState& state = controlState();
    const RecentControl* recent = nullptr;
    if (kind == "hotkey") {
        recent = &state.recentByType[kControlHotkey];
    } else if (kind == "bmscript") {
        recent = &state.recentByType[kControlBookmarkScript];
    } else if (kind == "userbutton") {
        recent = &state.recentButton;
    } else if (kind == "action") {
        recent = &state.recentAction;
    } else {
        error = "invalid run-recent command";
        return 9;
    }
    if (nested) {
        error = "nested run-recent call";
        return 9;
    }
    if (!recent->known) {
        error = "no recent command to run";
        return 9;
    }
    for (int slot = 0; slot < kMaxControls; ++slot) {
        UserControl control = userControl(slot);
        if (control.type != recent->type || control.title != recent->title) continue;
        logMessage("run recent control %d", slot);
        std::string parms = recent->parms;
        return runControlWith(slot, &parms, true, host);
    }
    error = "no recent command to run (2)";
    return 9;
}

void clearRecentControls() {
    ControlState& state = controlState();
    state.recentByType.fill(RecentControl{});
    state.recentButton = RecentControl{};
    state.recentAction = RecentControl{};
}

int dispatchUserKey(std::string_view keyName, ScriptHost& host) {
    if (!appSettings().userKeys) return 1;
    int slot = findHotkeyControl(keyName);
    if (slot >= 0) {
        runControl(slot, host);
        return 0;
    }
    std::string script;
    if (!findOnKeyScript(keyName, script)) return 1;
    ScriptRun run;
    runScript(host, script, run);
    return 0;
}

int takeOverOnKeys() {
    std::vector<OnKeyCommand> commands;
    for (const std::string& command : configFile().onCommands) {
        OnKeyCommand onKey;
        if (readOnKeyCommand(command, onKey)) commands.push_back(std::move(onKey));
    }
    int total = static_cast<int>(commands.size());
    int taken = 0;
    for (int k = 0; k < total; ++k) {
        std::string key = commands[static_cast<size_t>(k)].key.substr(0, kMaxOnKeyChars);
        if (findHotkeyControl(key) >= 0) continue;
        int controlSlot = freeControlSlot();
        if (controlSlot < 0) {
            logError(0, "too many controls, cannot add further.");
            break;
        }
        int scriptSlot = freeScriptSlot();
        if (scriptSlot < 0) {
            logError(0, "too many scripts, cannot add further.");
            break;
        }
        std::string id = uniqueScriptId("key-" + abbreviatedKey(key));
        std::string text = unindented(commands[static_cast<size_t>(k)].script);
        if (text.size() + kExplanationRoom < kMaxScriptChars) {
            text = "// script was copied from \"on key " + key + "\" in the config file.\r\n" +
                   "// please remove or out-comment \"on key " + key + "\" in the config.\r\n" +
                   text;
        }
        setUserScript(scriptSlot, {id, text, "0"});
        setUserControl(controlSlot, {"3", "", "", id, key});
        if (taken == 0) logMessage("[blue] taking over \"on key\" scripts:");
        ++taken;
        logMessage("[blue] %s (%d/%d)", key.c_str(), k + 1, total);
    }
    if (taken > 0) markDuplicateControls();
    return taken;
}

int offerOnKeyTakeOver(const std::function<bool(const char* title, const char* text)>& askYesNo) {
    bool any = false;
    for (const std::string& command : configFile().onCommands) {
        OnKeyCommand onKey;
        any = any || readOnKeyCommand(command, onKey);
    }
    if (!any) {
        logMessage("[note] no on key commands found.");
        return 0;
    }
    static constexpr const char* kQuestion =
        "The config file holds \"on key\" lines.\n\nShould each of them become a hotkey with "
        "its own script?\nThe \"on key\" lines stay in the config file until you remove them.";
    if (!askYesNo || !askYesNo("Import old 'on key' as hotkeys?", kQuestion)) return 0;
    return takeOverOnKeys();
}

void installUserFeatureHooks(ConfigHooks& hooks) {
    hooks.parseLanguage = parseLanguage;
    hooks.clearLanguages = clearLanguages;
    hooks.languageCount = languageCount;
    hooks.parseOnCommand = parseOnCommand;
    hooks.markDuplicateControls = markDuplicateControls;
}

}  // namespace tessel
