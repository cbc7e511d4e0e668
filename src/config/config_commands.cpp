// The user's operations on the configuration file: edit, create, load from, create at,
// reload and the automatic reload on reactivation.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/config_internal.h"
#include "config/config_location.h"
#include "config/external_command.h"
#include "config/qv_config.h"

namespace tessel {
namespace {

constexpr int kBusyChecks = 30;

// The editor the user asked for in the environment, else the desktop's opener.
std::vector<std::string> editorCommand() {
    for (const char* name : {"VISUAL", "EDITOR"}) {
        const char* value = std::getenv(name);
        if (value == nullptr) continue;
        std::vector<std::string> words = splitCommandLine(value);
        if (!words.empty()) return words;
    }
    return {"xdg-open"};
}

std::string withCrLf(std::string_view text) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) converted += '\r';
        converted += text[i];
    }
    return converted;
}

}  // namespace

int editConfig() {
    bool exists = false;
    std::string path = configPath(false, &exists);
    if (path.empty()) {
        logError(0, "unable to find location for config file");
        return 9;
    }
    if (!exists) {
        logMessage("[note] no config file exists for editing");
        return 9;
    }
    std::vector<std::string> words = editorCommand();
    words.push_back(path);
    AppSettings& app = appSettings();
    app.autoLoadConfigActive = app.autoLoadConfigEnabled;
    return runCommand(words, false, false);
}

int createConfig(const std::string& path) {
    bool exists = configdetail::isRegularFile(path);
    std::string question =
        exists ? "Do you want to overwrite this config file,\nresetting it to default values?\n"
               : "Do you want to create the following config file?\n";
    question += "\n" + path;
    const ConfigHooks& hooks = configHooks();
    const char* title = exists ? "Overwrite this config file?" : "Create a config file?";
    if (!hooks.askYesNo || !hooks.askYesNo(title, question.c_str())) return 1;

    configdetail::createParentFolders(path);
    std::string error;
    int status = configdetail::replaceFile(
        path, withCrLf(defaultConfigTextFor(appSettings().linuxMode)), error);
    if (status != 0) {
        logError(0, "%s: %s", path.c_str(), error.c_str());
        showMessageBox("Error", status == kWriteCannotOpen
                                    ? "Cannot write file"
                                    : "Failed to fully write file, possibly disk full");
        return 9;
    }
    if (setConfigPath(path) != 0) return 9;
    // The new file is the configuration from now on; reading it at once keeps a later save
    // from writing the previous configuration's text over it.
    readConfig(false);
    editConfig();
    return 0;
}

int reloadConfig(bool force, bool* exists) {
    bool found = false;
    std::string path = configPath(false, &found);
    if (exists != nullptr) *exists = found;
    if (path.empty()) return 0;
    int64_t modificationTime = fileModificationTime(path);
    if (modificationTime == 0) {
        if (exists != nullptr) *exists = false;
        return 0;
    }
    ConfigFileState& state = configFile();
    if (!force && modificationTime == state.modificationTime) return 0;

    const ConfigHooks& hooks = configHooks();
    if (hooks.pendingWorks) {
        int checks = 0;
        while (hooks.pendingWorks() > 0) {
            if (++checks > kBusyChecks) {
                logMessage("#busy timeout error");
                logError(0, "busy timeout reached (%lu)",
                         static_cast<unsigned long>(hooks.pendingWorks()));
                logMessage("... %s cancelled.", "reload config");
                return 0;
            }
            if (hooks.sleepStep) {
                hooks.sleepStep();
            } else {
                ::usleep(100 * 1000);
            }
        }
    }
    uint64_t fontDigest = config().digest(kIdFontDigestFirst, kIdFontDigestLast);
    uint64_t scriptDigest = hooks.bookmarkScriptDigest ? hooks.bookmarkScriptDigest() : 0;
    if (setConfigPath(path) != 0) return 9;
    if (readConfig(false) != 0) return 9;

    logMessage(" ");
    logMessage("config file reloaded.");
    if (hooks.afterReload) hooks.afterReload();
    if (config().digest(kIdFontDigestFirst, kIdFontDigestLast) != fontDigest) {
        logMessage("[blue] font settings were changed in config file.");
        if (hooks.fontsChanged) hooks.fontsChanged();
    }
    if (hooks.bookmarkScriptDigest && hooks.bookmarkScriptDigest() != scriptDigest) {
        logMessage("[blue] bookmark scripts changed,");
        logMessage("[blue] reloading current bookmarks.");
        if (hooks.bookmarkScriptsChanged) hooks.bookmarkScriptsChanged();
    }
    return 1;
}

int loadConfigFrom(std::string_view chosenPath) {
    if (chosenPath.empty()) return 1;
    std::string previous = configPath(false);
    ConfigFileState& state = configFile();
    long readsBefore = state.readCount;
    bool blockedBefore = state.writeBlocked;
    if (setConfigPath(chosenPath) != 0) return 9;
    int status = readConfig(false);
    // A file that could not be read must not become the target of the next save.
    if (state.readCount == readsBefore) {
        setConfigPath(previous);
        state.writeBlocked = blockedBefore;
    }
    return status;
}

int createConfigAt(std::string_view chosenPath) {
    if (chosenPath.empty()) return 1;
    return createConfig(std::string(chosenPath));
}

int saveConfigNow() {
    return saveConfigOrExplain();
}

void updateConfigPageRows() {
    static constexpr const char* kEditHelp =
        "edit the config file with notepad. you may also right-click on the setup button to "
        "edit the config file instantly. you may also edit the file outside tessel by loading "
        "it with a different editor. ";
    static constexpr const char* kCreateHelp =
        "create config file at suggested path.\n\nSHIFT or CONTROL click on this button\nto "
        "create the config in your Documents folder instead.\n";
    bool exists = false;
    std::string path = configPath(false, &exists);
    QVConfig& store = config();
    store.setText(kIdConfigPath, path);
    store.setCaption(kIdConfigPathLabel, exists ? "current path:" : "suggested path:");
    store.setCaption(kIdConfigEditButton, exists ? "edit" : "create");
    store.setHelp(kIdConfigEditButton, exists ? kEditHelp : kCreateHelp);
}

int checkConfigAutoReload() {
    AppSettings& app = appSettings();
    if (!app.autoLoadConfigActive) return 0;
    bool exists = false;
    std::string path = configPath(false, &exists);
    if (!exists) {
        app.autoLoadConfigActive = false;
        return 0;
    }
    return reloadConfig(false);
}

}  // namespace tessel
