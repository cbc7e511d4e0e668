// The questions a reload scan asks before it reads anything: did the file change, does its
// name pass the limit mask, and which settings apply.
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>

#include "config/app_settings.h"
#include "config/qv_config.h"
#include "load/reload_scan.h"
#include "text/text_store.h"

namespace tessel {

namespace {

char foldedPathChar(char c) {
    if (c == '\\') return '/';
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

FileStatus statusOfFile(const char* name) {
    FileStatus status;
    status.checked = true;
    struct stat info {};
    if (!name || ::stat(name, &info) != 0) return status;
    status.exists = true;
    status.mtime = static_cast<int64_t>(info.st_mtime);
    status.size = static_cast<int64_t>(info.st_size);
    return status;
}

bool compareWithFile(TextBlock& block, const FileStatus& status, int& changeCode) {
    if (!block.fileName) {
        changeCode = kChangeNoName;
        return false;
    }
    if (block.fileTime == 0) {
        changeCode = kChangeNoTime;
        return false;
    }
    block.watchedSize = block.fileSize;
    if (!status.exists) return false;
    block.watchedSize = status.size;
    if (status.mtime == 0) {
        changeCode = kChangeFileHasNoTime;
        return false;
    }
    if (status.mtime != block.fileTime) {
        changeCode = kChangeTime;
        return true;
    }
    if (status.size != block.fileSize) {
        changeCode = kChangeSize;
        return true;
    }
    changeCode = kChangeNone;
    return false;
}

std::vector<std::string> splitReloadMask(std::string_view mask) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < mask.size()) {
        while (at < mask.size() && (mask[at] == ' ' || mask[at] == '\t')) ++at;
        if (at >= mask.size()) break;
        std::string word;
        if (mask[at] == '"') {
            const size_t close = mask.find('"', at + 1);
            const size_t end = close == std::string_view::npos ? mask.size() : close;
            word.assign(mask.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            const size_t end = mask.find_first_of(" \t", at);
            const size_t stop = end == std::string_view::npos ? mask.size() : end;
            word.assign(mask.substr(at, stop - at));
            at = stop;
        }
        if (!word.empty()) words.push_back(std::move(word));
    }
    return words;
}

bool matchesReloadMask(std::string_view name, const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word.size() > name.size()) continue;
        size_t i = 0;
        while (i < word.size() && foldedPathChar(word[i]) == foldedPathChar(name[i])) ++i;
        if (i == word.size()) return true;
    }
    return false;
}

ReloadSettings reloadSettingsFromConfig() {
    ReloadSettings settings;
    const QVConfig& c = config();
    const char* mask = c.getText("autoreloadmask");
    settings.maskWords = splitReloadMask(mask ? mask : "");
    settings.limitToMask = c.getInt("limitautoreload") != 0 && !settings.maskWords.empty();
    settings.delayOnSize = c.getInt("reloaddelayonsize") != 0;
    settings.delaySizeMb = c.getNumber("reloaddelaysizemb", 0);
    settings.maxScanMs = appSettings().reloadScanMaxTimeMs;
    const int tab = appSettings().tabSize;
    settings.tabWidth = tab > 0 ? tab : 3;
    settings.loadBin = c.getInt("loadbin") != 0;
    return settings;
}

}  // namespace tessel
