// The "$" variables of user scripts and the command lines they start.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/external_command.h"
#include "config/script_internal.h"

namespace tessel {
namespace {

enum class Derived { kNone, kRelFile, kAbsFile, kBase, kExtension, kPath, kAbsPath };
enum class Held { kNone, kShift, kCtrl, kAlt };

struct Variable {
    std::string_view name;
    ViewFact fact;
    Derived derived = Derived::kNone;
    Held held = Held::kNone;
};

// The file name variables are worked out here from "$curfile"; their fact is the current
// file. "$shift" and friends come from the script's start.
constexpr Variable kVariables[] = {
    {"findmask", ViewFact::kFindMask},
    {"pathmask", ViewFact::kPathMask},
    {"curfile", ViewFact::kCurrentFile},
    {"relfile", ViewFact::kCurrentFile, Derived::kRelFile},
    {"absfile", ViewFact::kCurrentFile, Derived::kAbsFile},
    {"fnbase", ViewFact::kCurrentFile, Derived::kBase},
    {"fnext", ViewFact::kCurrentFile, Derived::kExtension},
    {"curpath", ViewFact::kCurrentFile, Derived::kPath},
    {"abspath", ViewFact::kCurrentFile, Derived::kAbsPath},
    {"linenum", ViewFact::kLineNumber},
    {"colnum", ViewFact::kColumn},
    {"colraw", ViewFact::kRawColumn},
    {"viewdeskx", ViewFact::kDesktopX},
    {"viewdesky", ViewFact::kDesktopY},
    {"viewwidth", ViewFact::kWidth},
    {"viewheight", ViewFact::kHeight},
    {"repsrc", ViewFact::kReplaceSource},
    {"repdst", ViewFact::kReplaceTarget},
    {"mouseword", ViewFact::kMouseWord},
    {"mouseline", ViewFact::kMouseLine},
    {"shift", ViewFact::kFindMask, Derived::kNone, Held::kShift},
    {"ctrl", ViewFact::kFindMask, Derived::kNone, Held::kCtrl},
    {"alt", ViewFact::kFindMask, Derived::kNone, Held::kAlt},
};

char separator() {
    return appSettings().linuxMode ? '/' : '\\';
}

bool isAbsolute(std::string_view name) {
    if (name.starts_with('/') || name.starts_with('\\')) return true;
    return name.size() > 2 && name[1] == ':' && (name[2] == '\\' || name[2] == '/');
}

// The folder part including its separator, or "" for a bare name. A ":" is a legal byte of
// file names here, so only slashes separate.
size_t nameStart(std::string_view name) {
    size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string derivedValue(ScriptHost& host, std::string name, Derived derived) {
    if (appSettings().linuxMode) std::replace(name.begin(), name.end(), '\\', '/');
    if (derived == Derived::kAbsFile || derived == Derived::kAbsPath) {
        if (!isAbsolute(name)) {
            std::string folder = host.currentFolder();
            if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
                folder += separator();
            }
            name = folder + name;
        }
        derived = derived == Derived::kAbsFile ? Derived::kNone : Derived::kPath;
    }
    std::string_view view = name;
    std::string_view relative = view.substr(nameStart(view));
    size_t dot = relative.rfind('.');
    switch (derived) {
        case Derived::kNone:
        case Derived::kAbsFile:
        case Derived::kAbsPath:
            return name;
        case Derived::kRelFile:
            return std::string(relative);
        case Derived::kBase:
            return std::string(relative.substr(0, dot));
        case Derived::kExtension:
            return dot == std::string_view::npos ? std::string()
                                                 : std::string(relative.substr(dot + 1));
        case Derived::kPath:
            return nameStart(view) == 0 ? std::string(".")
                                        : std::string(view.substr(0, nameStart(view)));
    }
    return name;
}

// The value of a variable; 0, or 9 with the reason in error.
int valueOf(ScriptHost& host, int view, const Variable& variable, const ScriptRun& run,
            std::string& value, std::string& error) {
    switch (variable.held) {
        case Held::kShift:
            value = run.held.shift ? "1" : "0";
            return 0;
        case Held::kCtrl:
            value = run.held.ctrl ? "1" : "0";
            return 0;
        case Held::kAlt:
            value = run.held.alt ? "1" : "0";
            return 0;
        case Held::kNone:
            break;
    }
    int status = host.viewFact(view, variable.fact, value, error);
    if (status != 0) {
        if (error.empty()) error = "$" + std::string(variable.name) + ": not available";
        return 9;
    }
    if (variable.fact == ViewFact::kCurrentFile)
        value = derivedValue(host, value, variable.derived);
    return 0;
}

// The variable named at the start of text.
const Variable* variableAt(std::string_view text) {
    for (const Variable& variable : kVariables) {
        if (text.starts_with(variable.name)) return &variable;
    }
    return nullptr;
}

}  // namespace

std::string ScriptHost::currentFolder() {
    char folder[4096];
    return ::getcwd(folder, sizeof folder) != nullptr ? std::string(folder) : std::string();
}

void ScriptHost::messageBox(const char* title, const char* text) {
    showMessageBox(title, text);
}

int expandVariables(ScriptHost& host, int view, std::string_view text, const ScriptRun& run,
                    std::string& out, std::string& error) {
    out.clear();
    error.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t dollar = text.find('$', i);
        out.append(
            text.substr(i, dollar == std::string_view::npos ? std::string_view::npos : dollar - i));
        if (dollar == std::string_view::npos) break;
        std::string_view rest = text.substr(dollar + 1);
        i = dollar + 1;
        if (rest.starts_with('$')) {
            out += '$';
            ++i;
        } else if (!rest.empty() && rest[0] >= '0' && rest[0] <= '9') {
            size_t digits = 0;
            long number = 0;
            while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') {
                number = std::min(number * 10 + (rest[digits] - '0'), 1000000L);
                ++digits;
            }
            if (number < 1 || number > kMaxScriptParameters) {
                error = scriptdetail::formatted("invalid script parameter $%d",
                                                static_cast<int>(number));
                return 9;
            }
            if (static_cast<size_t>(number) <= run.parameters.size()) {
                out += run.parameters[static_cast<size_t>(number - 1)];
            }
            i += digits;
        } else if (const Variable* variable = variableAt(rest)) {
            std::string value;
            if (valueOf(host, view, *variable, run, value, error) != 0) return 9;
            out += value;
            i += variable->name.size();
        } else {
            out += '$';
        }
        if (out.size() > kMaxExpandedChars) break;
    }
    if (out.size() > kMaxExpandedChars) {
        error = "buffer overflow in user command:";
        out.clear();
        return 9;
    }
    return 0;
}

int runCommandTemplate(ScriptHost& host, int view, std::string_view commandLine,
                       const ScriptRun& run, bool wait, std::string& error) {
    error.clear();
    for (std::string_view prefix : {"-minimized ", "-min "}) {
        if (commandLine.starts_with(prefix)) {
            commandLine.remove_prefix(prefix.size());
            break;
        }
    }
    std::vector<std::string> words = splitCommandLine(commandLine);
    for (std::string& word : words) {
        std::string value;
        if (expandVariables(host, view, word, run, value, error) != 0) return 9;
        word = std::move(value);
    }
    // The wait for the program goes through the script's host, so that the user can stop
    // it like a "sleep".
    ExternalCommandHooks& hooks = externalCommandHooks();
    ExternalCommandHooks saved = hooks;
    bool stopped = false;
    hooks.waitStep = [&host, &stopped](int ms) {
        stopped = !host.waitStep(ms) || scriptdetail::stopRequested();
        return !stopped;
    };
    int status = runCommand(words, wait, false);
    hooks = saved;
    return stopped ? 1 : status;
}

}  // namespace tessel
