// Reading the configuration file into the store, start-up loading and the save triggers.
#include "config/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "base/codepage/code_page_tables.h"
#include "base/files/file_open.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_internal.h"
#include "config/qv_config.h"

namespace tessel {
namespace {

// Everything after reading the text: state, defaults, the walk, the follow-ups.
int applyConfigText(std::string text, int64_t modificationTime, bool fromDefaults,
                    bool writeBlocked, const std::string& path) {
    ConfigFileState& state = configFile();
    ConfigHooks& hooks = configHooks();
    state.onCommands.clear();
    config().clearVariables();
    config().setVariablesChanged(false);
    config().clearTouched();
    state.pkey.assign(kTouchIdLimit, std::string());
    state.maxScriptCount = 0;
    state.numericKeypadNoted = false;
    if (hooks.clearLanguages) hooks.clearLanguages();

    if (text.find("\r\r") != std::string::npos) {
        logMessage("[note] warn: config file contains CRCR combination");
        logMessage("... will be repaired on next save.");
    }
    ++state.readCount;
    state.text = std::move(text);
    state.writerCopy = state.text;
    state.haveText = true;
    state.fromDefaults = fromDefaults;
    state.writeBlocked = writeBlocked;
    state.modificationTime = modificationTime;
    state.configVersion = 0;
    if (!fromDefaults) {
        logMessage("using config file:");
        logMessage("%s", path.c_str());
    }
    config().resetDefaults();
    if (!fromDefaults) config().touchFontNames();
    int status = configdetail::walkConfigText(state, true);

    if (hooks.languageCount) {
        if (int count = hooks.languageCount(); count > 0) {
            logMessage("%ld languages loaded.", static_cast<long>(count));
        }
    }
    if (hooks.compileContexts) {
        int compiled = hooks.compileContexts();
        if (verboseMode()) logMessage("%d context lines init'ed", compiled);
    }
    if (hooks.markDuplicateControls) hooks.markDuplicateControls();
    return status;
}

}  // namespace

void mapLineToSetting(std::vector<LineSetting>& map, long line, int id) {
    if (!map.empty() && map.back().line == line) {
        map.back().id = id;
    } else {
        map.push_back({line, id});
    }
}

ConfigFileState& configFile() {
    static ConfigFileState state;
    return state;
}

ConfigHooks& configHooks() {
    static ConfigHooks hooks;
    return hooks;
}

namespace {

int readConfigFile(bool useDefaults) {
    bool exists = false;
    std::string path = configPath(false, &exists);
    std::string text;
    int64_t modificationTime = 0;
    configdetail::FileRead result = configdetail::FileRead::kMissing;
    if (!path.empty()) result = configdetail::readWholeFile(path, text, modificationTime);
    if (result == configdetail::FileRead::kOk) {
        return applyConfigText(std::move(text), modificationTime, false, false, path);
    }
    // Without defaults (a reload) the current settings stay as they are: discarding them
    // before knowing the file can be read would lose the user controls and scripts.
    if (!useDefaults) {
        if (result == configdetail::FileRead::kMissing) {
            logError(0, "no config file found under:");
            logMessage("%s", path.c_str());
        } else {
            // What is there now is not a configuration; saving would replace it.
            configFile().writeBlocked = true;
        }
        return 1;
    }
    if (result == configdetail::FileRead::kMissing && verboseMode()) {
        logMessage("no config file, using defaults.");
    }
    // A file that exists but cannot be read must not be replaced by the defaults on save.
    bool blocked = result == configdetail::FileRead::kUnreadable;
    if (blocked) logMessage("[note] running on default settings; the config file is not saved.");
    applyConfigText(defaultConfigTextFor(appSettings().linuxMode), 0, true, blocked, path);
    return 0;
}

}  // namespace

int readConfig(bool useDefaults) {
    try {
        return readConfigFile(useDefaults);
    } catch (const std::bad_alloc&) {
        logError(0, "out of memory while loading config");
        return 9;
    }
}

int readConfigText(std::string_view text) {
    try {
        return applyConfigText(std::string(text), 0, false, false, "[text]");
    } catch (const std::bad_alloc&) {
        logError(0, "out of memory while loading config");
        return 9;
    }
}

int loadConfiguration(const ConfigLocationInput& input) {
    setConfigLocationInput(input);
    AppSettings& app = appSettings();
    app.linuxMode = input.linuxMode;
    app.portableMode = input.portableMode;
    app.executablePath = input.executablePath;
    if (!input.confOption.empty() && setConfigPath(input.confOption) != 0) return 9;
    int status = readConfig(true);
    // Errors inside the file were reported; the program runs on what could be read.
    return status == 9 ? 9 : 0;
}

int saveConfigIfChanged() {
    if (!config().anyTouched() && !config().variablesChanged()) return 1;
    bool variablesChanged = config().variablesChanged();
    config().setVariablesChanged(false);
    int status = writeConfig();
    if (status != 0 && variablesChanged) config().setVariablesChanged(true);
    return status;
}

int saveConfiguration() {
    return saveConfigIfChanged();
}

void resetConfiguration() {
    resetAppSettings();
    setWordCharThreshold(0xC0);
    config().initialize();
    configFile() = ConfigFileState{};
    setConfigPath("");
}

namespace configdetail {

int lineIdOfKeyword(std::string_view key) {
    if (int id = config().idOf(key); id != 0) return id;
    if (key == "area") return kIdArea;
    if (key == "space") return kIdSpace;
    if (key == "framemode") return kIdFrameMode;
    if (key == "startbmset") return kIdStartBmSet;
    if (key == "wordshowdelay") return kIdWordShowDelay;
    if (key == "separatorline") return kIdSeparatorLine;
    if (key.starts_with("clipaddsep")) return kIdClipAddSep;
    if (key.size() == 13 && key.starts_with("view") && key[4] >= '1' && key[4] <= '3' &&
        (key.ends_with("clipfind") || key.ends_with("clippath")) && key.substr(5, 4) == "clip") {
        return kIdView1ClipFind + (key[4] - '1') * 2 + (key.ends_with("path") ? 1 : 0);
    }
    if (key == "case") return 238;
    if (key == "accent") return 241;
    if (key == "punct") return 243;
    return 0;
}

FileRead readWholeFile(const std::string& path, std::string& out, int64_t& modificationTime) {
    // A named pipe given as configuration must not hang the start.
    struct stat info {};
    int fd = openRegularFile(path.c_str(), -1, nullptr, info);
    if (fd == -ENOENT || fd == -ENOTDIR) return FileRead::kMissing;
    if (fd == -EISDIR || fd == -EINVAL) {
        logError(0, "config file is not a regular file:");
        logMessage("[error] %s", path.c_str());
        return FileRead::kUnreadable;
    }
    if (fd < 0) {
        logError(0, "cannot read config file: %s", std::strerror(-fd));
        logMessage("[error] %s", path.c_str());
        return FileRead::kUnreadable;
    }
    FileRead result = FileRead::kOk;
    if (static_cast<uint64_t>(info.st_size) > kMaxConfigBytes) {
        logError(0, "config file too large (%lld bytes), at most %zu:",
                 static_cast<long long>(info.st_size), kMaxConfigBytes);
        logMessage("[error] %s", path.c_str());
        result = FileRead::kUnreadable;
    } else {
        out.clear();
        char buffer[65536];
        for (;;) {
            ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                logError(0, "cannot read config file: %s", std::strerror(errno));
                logMessage("[error] %s", path.c_str());
                result = FileRead::kUnreadable;
                break;
            }
            if (got == 0) break;
            out.append(buffer, static_cast<size_t>(got));
            if (out.size() > kMaxConfigBytes) {
                logError(0, "config file too large, at most %zu bytes:", kMaxConfigBytes);
                logMessage("[error] %s", path.c_str());
                result = FileRead::kUnreadable;
                break;
            }
        }
        modificationTime =
            static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }
    ::close(fd);
    if (result == FileRead::kOk) {
        // A text configuration holds no zero bytes; this is some other kind of file.
        if (size_t zero = out.find('\0'); zero != std::string::npos) {
            long line =
                1 + static_cast<long>(std::count(
                        out.begin(), out.begin() + static_cast<std::ptrdiff_t>(zero), '\n'));
            logError(0, "config file contains binary data (zero byte in line %ld):", line);
            logMessage("[error] %s", path.c_str());
            result = FileRead::kUnreadable;
        }
    }
    if (result != FileRead::kOk) out.clear();
    return result;
}

}  // namespace configdetail
}  // namespace tessel
