#include "config/config_location.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_internal.h"

namespace tessel {
namespace {

// Folder texts must leave room for the file name within the path capacity.
constexpr size_t kMaxFolderChars = 533;

struct LocationState {
    ConfigLocationInput input;
    std::string path;
};

LocationState& location() {
    static LocationState state;
    return state;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string joinPath(const std::string& folder, const char* name) {
    if (folder.empty()) return name;
    if (folder.back() == '/' || folder.back() == '\\') return folder + name;
    return folder + "/" + name;
}

// Below the system's program folder nobody may write, so a configuration there is never
// used or suggested. The test is by folder, not by substring, so that /home/me/usr/x counts
// as outside.
bool belowProgramFiles(const std::string& path, const std::string& programFiles) {
    if (programFiles.empty()) return false;
    std::string prefix = programFiles.back() == '/' ? programFiles : programFiles + "/";
    return path.starts_with(prefix);
}

void verbose(const char* format, const char* text) {
    if (verboseMode()) logMessage(format, text);
}

std::string searchConfigPath(bool recompute, bool& exists) {
    const ConfigLocationInput& in = location().input;
    std::string exeFolder = folderOf(in.executablePath);
    exists = false;

    if (in.portableMode) {
        if (in.executablePath.empty()) {
            logError(0, "cannot find own executable path");
        } else {
            std::string data = joinPath(exeFolder, "Data");
            bool usable = configdetail::isDirectory(data);
            if (!usable) {
                if (::mkdir(data.c_str(), 0755) != 0) {
                    logError(0, "cannot create Data dir for portable executable:");
                    logMessage("%s", data.c_str());
                } else {
                    logMessage("[note] created config data dir:");
                    logMessage("[note] %s", data.c_str());
                    usable = true;
                }
            }
            if (usable && data.size() < kMaxFolderChars) {
                std::string path = joinPath(data, kConfigFileName);
                exists = configdetail::isRegularFile(path);
                verbose(exists ? "using config: %s" : "suggest config: %s", path.c_str());
                return path;
            }
        }
    }

    std::string exeParallel;
    if (!in.linuxMode) {
        std::string candidate = joinPath(in.currentDir, kConfigFileName);
        if (!in.currentDir.empty() && configdetail::isRegularFile(candidate) &&
            !belowProgramFiles(candidate, in.programFilesDir)) {
            verbose("%s", "config: using folder from PATH");
            exists = true;
            return candidate;
        }
        size_t start = 0;
        while (start <= in.pathVariable.size()) {
            size_t colon = in.pathVariable.find(':', start);
            if (colon == std::string::npos) colon = in.pathVariable.size();
            std::string folder = in.pathVariable.substr(start, colon - start);
            start = colon + 1;
            if (folder.empty()) continue;
            candidate = joinPath(folder, kConfigFileName);
            if (configdetail::isRegularFile(candidate) &&
                !belowProgramFiles(candidate, in.programFilesDir)) {
                verbose("%s", "config: using folder from PATH");
                exists = true;
                return candidate;
            }
        }
        verbose("%s", "no config: in PATH folders");
        if (!in.executablePath.empty() &&
            !belowProgramFiles(in.executablePath, in.programFilesDir) &&
            exeFolder.size() < kMaxFolderChars) {
            exeParallel = joinPath(exeFolder, kConfigFileName);
            if (configdetail::isRegularFile(exeParallel)) {
                verbose("%s", "config: using exe parallel path");
                exists = true;
                return exeParallel;
            }
        }
    }

    std::string documentsPath;
    if (in.documentsDir.empty()) {
        logError(0, "get own docs failed (1)");
    } else if (in.documentsDir.size() >= kMaxFolderChars) {
        logError(0, "int. #2105101");
    } else {
        documentsPath = joinPath(in.documentsDir, kConfigFileName);
        if (configdetail::isRegularFile(documentsPath)) {
            verbose("%s", "config: using mydocs");
            exists = true;
            return documentsPath;
        }
    }

    std::string suggestion = (!exeParallel.empty() && !recompute) ? exeParallel
                             : !documentsPath.empty()             ? documentsPath
                                                                  : std::string(kConfigFileName);
    verbose("suggest: %s", suggestion.c_str());
    return suggestion;
}

}  // namespace

ConfigLocationInput ConfigLocationInput::fromProcess() {
    ConfigLocationInput input;
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0) input.executablePath.assign(buffer, static_cast<size_t>(length));
    if (::getcwd(buffer, sizeof buffer) != nullptr) input.currentDir = buffer;
    if (const char* path = std::getenv("PATH")) input.pathVariable = path;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        input.documentsDir = joinPath(configHome, "tessel");
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* user = ::getpwuid(::getuid());
            home = user != nullptr ? user->pw_dir : nullptr;
        }
        if (home != nullptr && home[0] != '\0') {
            input.documentsDir = joinPath(joinPath(home, ".config"), "tessel");
        }
    }
    return input;
}

void setConfigLocationInput(const ConfigLocationInput& input) {
    location().input = input;
    location().path.clear();
}

const ConfigLocationInput& configLocationInput() {
    return location().input;
}

std::string configPath(bool recompute, bool* exists) {
    LocationState& state = location();
    bool found = false;
    if (!state.path.empty() && !recompute) {
        found = configdetail::isRegularFile(state.path);
    } else {
        std::string path = searchConfigPath(recompute, found);
        if (path.size() <= kConfigPathChars) state.path = path;
    }
    if (exists != nullptr) *exists = found;
    return state.path;
}

int setConfigPath(std::string_view path) {
    if (path.size() > kConfigPathChars) {
        logError(0, "config path too long, at most %zu characters", kConfigPathChars);
        return 9;
    }
    location().path.assign(path);
    return 0;
}

int64_t fileModificationTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

namespace configdetail {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void createParentFolders(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return;
    std::string folder = path.substr(0, slash);
    if (isDirectory(folder)) return;
    createParentFolders(folder);
    ::mkdir(folder.c_str(), 0755);
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace configdetail
}  // namespace tessel
