// Where the bookmark files of a loaded collection live: beside the loaded folder or file, in
// the folder itself when it brings its own "zz-bookmarks" files, or in the central bookmark
// folder for URLs, for "centralbookuse always", and for collections in places that cannot be
// written.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "base/log/message_log.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_paths.h"
#include "config/app_settings.h"
#include "config/qv_config.h"

namespace tessel {

namespace {

struct CentralFolderChoice {
    bool chosen = false;
    std::string folder;
};

CentralFolderChoice& centralChoice() {
    static CentralFolderChoice choice;
    return choice;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

void stripTrailingSeparators(std::string& name) {
    while (name.size() > 1 && isSeparator(name.back())) name.pop_back();
}

}  // namespace

namespace bookmarkdetail {

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string folderOf(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    if (sep == std::string::npos) return ".";
    if (sep == 0) return "/";
    return path.substr(0, sep);
}

bool folderWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

bool isBelow(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.size() <= folder.size()) return false;
    return path.compare(0, folder.size(), folder) == 0 && isSeparator(path[folder.size()]);
}

std::string centralFallbackBase(const std::string& base) {
    const std::string central = centralBookFolder();
    if (central.empty()) return {};
    std::string flat;
    for (char c : base) {
        if (flat.empty() && isSeparator(c)) continue;
        flat.push_back(isSeparator(c) || c == ':' ? '-' : c);
    }
    return central + "/" + flat;
}

}  // namespace bookmarkdetail

using namespace bookmarkdetail;

std::string defaultCentralBookFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/tessel/bookmarks";
    const char* home = std::getenv("HOME");
    if (home && home[0]) return std::string(home) + "/.local/share/tessel/bookmarks";
    return {};
}

void setCentralBookFolder(std::string_view configuredFolder, bool configuredByUser) {
    CentralFolderChoice& choice = centralChoice();
    choice.chosen = true;
    if (configuredByUser || appSettings().portableMode) {
        choice.folder = std::string(configuredFolder);
    } else {
        choice.folder = defaultCentralBookFolder();
    }
}

std::string centralBookFolder() {
    std::string folder =
        centralChoice().chosen ? centralChoice().folder : appSettings().centralBookDir;
    if (!centralChoice().chosen && folder.empty()) folder = defaultCentralBookFolder();
    // "$tesselhome" stays in the setting when the program's folder was not known.
    if (folder.find("$tesselhome") != std::string::npos) {
        logMessage("cannot build bookmark dir.");
        return {};
    }
    stripTrailingSeparators(folder);
    return folder;
}

std::string chooseBookmarkBase(std::string_view target) {
    std::string name(target);
    bool url = false;
    for (const char* scheme : {"ftp://", "http://"}) {
        if (name.starts_with(scheme)) {
            name.erase(0, std::char_traits<char>::length(scheme));
            url = true;
        }
    }
    const std::string central = url || appSettings().centralBookUse == CentralBookUse::kAlways
                                    ? centralBookFolder()
                                    : std::string();
    if (url && central.empty()) {
        logMessage("missing or wrong centralbookdir in config");
        logMessage("[error] cannot save url bookmarks.");
        return {};
    }
    if (!central.empty()) {
        while (!name.empty() && isSeparator(name.back())) name.pop_back();
        for (char& c : name) {
            if (isSeparator(c)) c = '-';
        }
        std::string base = central + "/zz-" + name;
        logMessage("[blue] using bookmark base name:");
        logMessage("[blue] %.*s", static_cast<int>(base.size()), base.data());
        return base;
    }

    stripTrailingSeparators(name);
    std::string base;
    const size_t sep = name.find_last_of("/\\");
    if (sep != std::string::npos) {
        base = name.substr(0, sep) + "/zz-" + name.substr(sep + 1) + "-bookmarks";
        const std::string contained = name + "/" + kContainedBookmarkFile;
        if (!fileExists(bookmarkFileName(base, 1)) && folderExists(name) && fileExists(contained)) {
            base = name + "/" + kDefaultBookmarkBase;
            logMessage(":using contained bookmarks:");
        } else {
            logMessage("using bookmark path:");
        }
    } else {
        const size_t colon = name.find(':');
        if (colon != std::string::npos) {
            base = name.substr(0, colon + 1) + "zz-" + name.substr(colon + 1) + "-bookmarks";
        } else if (name == ".") {
            base = kDefaultBookmarkBase;
        } else {
            base = "zz-" + name + "-bookmarks";
        }
        logMessage("using bookmark path:");
    }
    logMessage("%.*s", static_cast<int>(base.size()), base.data());

    // A collection in a place that cannot be written keeps its bookmarks centrally once they
    // were saved there.
    if (!folderWritable(folderOf(base))) {
        const std::string fallback = centralFallbackBase(base);
        if (!fallback.empty() && fileExists(bookmarkFileName(fallback, 1))) {
            logMessage("[blue] using central bookmark path:");
            logMessage("[blue] %.*s", static_cast<int>(fallback.size()), fallback.data());
            return fallback;
        }
    }
    return base;
}

int setBookmarkBaseFromTarget(std::string_view target) {
    setBookmarkBase(target.empty() ? std::string(kDefaultBookmarkBase)
                                   : chooseBookmarkBase(target));
    return 0;
}

const char* bookmarkBase() {
    return config().getText(kIdBookmarkBase);
}

void setBookmarkBase(std::string_view base) {
    QVConfig& store = config();
    if (store.setText(kIdBookmarkBase, base) != 0)
        store.setText(kIdBookmarkBase, kDefaultBookmarkBase);
}

std::string bookmarkFileName(std::string_view base, int set) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%ld.qvbm", static_cast<long>(set));
    return std::string(base) + suffix;
}

std::string baseOfBookmarkFile(std::string_view path) {
    std::string base(path);
    if (base.ends_with(".qvbm")) base.resize(base.size() - 5);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot + 2 == base.size() && base[dot + 1] >= '0' &&
        base[dot + 1] <= '9') {
        base.resize(dot);
    }
    return base;
}

}  // namespace tessel
