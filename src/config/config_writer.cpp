// Writing the configuration back: the file as read, with the lines of changed settings
// replaced, changed settings without a line appended, and the sections at the end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_internal.h"
#include "config/config_sections.h"
#include "config/qv_config.h"

namespace tessel {
namespace {

std::string& lastWriteError() {
    static std::string text;
    return text;
}

std::string singleLine(std::string_view text) {
    return std::string(text.substr(0, text.find_first_of("\r\n")));
}

// The line of a special id (1 ... 13). Result 1 written, 0 refused.
int writeSpecialLine(int id, std::string& out) {
    const AppSettings& app = appSettings();
    switch (id) {
        case kIdArea:
            if (app.area.find(':') == std::string::npos) {
                logError(0, "conf.save: wrong area content");
                return 0;
            }
            out += config().isTouched(kIdSpace) ? "// area " : "area ";
            out += singleLine(app.area) + "\r\n";
            return 1;
        case kIdSpace:
            if (app.space.find(':') == std::string::npos) {
                logError(0, "conf.save: wrong space content");
                return 0;
            }
            out += "space " + singleLine(app.space) + "\r\n";
            return 1;
        case kIdFrameMode: {
            const char* names[] = {"default", "master", "isolated", "overscan"};
            out += "framemode ";
            out += names[static_cast<int>(app.frameMode)];
            out += "\r\n";
            return 1;
        }
        case kIdStartBmSet:
            out += "startbmset " + std::to_string(app.startBmSet) + "\r\n";
            return 1;
        case kIdView1ClipFind:
        case kIdView1ClipPath:
        case kIdView2ClipFind:
        case kIdView2ClipPath:
        case kIdView3ClipFind:
        case kIdView3ClipPath: {
            int slot = id - kIdView1ClipFind;
            out +=
                "view" + std::to_string(slot / 2 + 1) + (slot % 2 == 0 ? "clipfind " : "clippath ");
            out += singleLine(app.clipTextToWrite[static_cast<size_t>(slot)]) + "\r\n";
            return 1;
        }
        case kIdClipAddSep:
            out += app.clipAddSep ? "clipaddsep yes\r\n" : "clipaddsep no\r\n";
            return 1;
        case kIdSeparatorLine:
            out += "separatorline " + singleLine(app.separatorLine) + "\r\n";
            return 1;
        case kIdWordShowDelay:
            out += "wordshowdelay " + std::to_string(app.wordShowDelay) + "\r\n";
            return 1;
        default:
            logError(0, "conf.save: cannot use id=%d", id);
            return 0;
    }
}

// The new form of a setting's line, without a leading line break. 1 done, 0 failed.
int writeSettingOrSpecial(int id, std::string& out) {
    if (id >= 1 && id <= kLastSpecialId) return writeSpecialLine(id, out);
    if (config().writeSettingLine(id, true, out) == 1) return 1;
    if (config().indexOf(id, true) < 0) logError(0, "conf.save: cannot use id=%d", id);
    return 0;
}

void copyLine(std::string_view raw, std::string& out) {
    size_t cut = raw.find_first_of("\r\n");
    if (cut == std::string_view::npos) cut = raw.size();
    if (raw.size() - cut > 4) {
        logMessage("[note] warn: config line truncated during save:");
        logMessage("[note] \"%.30s\"...", std::string(raw.substr(0, 30)).c_str());
    }
    out.append(raw.substr(0, cut));
    out += "\r\n";
}

bool dropInSection(const SectionRange& range, long line, std::string_view content) {
    if (line == range.firstLine || line == range.lastLine) return true;
    std::string_view start = skipBlanks(content);
    switch (range.kind) {
        case ConfigSection::kContext:
            return start.starts_with("qvctx");
        case ConfigSection::kControls:
            return start.starts_with("control");
        case ConfigSection::kScripts:
            return true;
    }
    return false;
}

// Touched settings that no line holds, each after an empty line.
void appendMissingSettings(std::string& out) {
    QVConfig& store = config();
    for (int id = 1; id < kTouchIdLimit; ++id) {
        if ((store.touchWord(id) & 2u) == 0) continue;
        if (id == kIdArea && store.isTouched(kIdSpace)) continue;
        std::string settingLine;
        if (writeSettingOrSpecial(id, settingLine) != 1) continue;
        store.setTouchWord(id, 1);
        if (settingLine.empty()) continue;
        out += "\r\n";
        out += settingLine;
    }
}

bool shouldWriteSection(const ConfigFileState& state, ConfigSection kind, std::string_view tag) {
    if (state.unreadFrom == std::string::npos) return true;
    for (const SectionRange& range : state.sections) {
        if (range.kind == kind) return true;
    }
    std::string_view unread = std::string_view(state.writerCopy)
                                  .substr(std::min(state.unreadFrom, state.writerCopy.size()));
    for (size_t pos = 0; pos < unread.size();) {
        configdetail::TextLine line = configdetail::lineAt(unread, pos);
        if (skipBlanks(line.raw).starts_with(tag)) return false;
        pos = line.next;
    }
    return true;
}

// Changed settings without a line, then the three sections.
void writeNewPart(const ConfigFileState& state, std::string& out) {
    appendMissingSettings(out);
    // A section in the part of the file that was never read stays where it is; writing the
    // (unread) values again would add a copy with every save.
    if (shouldWriteSection(state, ConfigSection::kContext, "<QVContext>")) {
        out += "\r\n";
        configdetail::writeContextSection(out);
    }
    if (shouldWriteSection(state, ConfigSection::kControls, "<QVControls>")) {
        configdetail::writeControlsSection(out);
    }
    if (shouldWriteSection(state, ConfigSection::kScripts, "<QVScripts>")) {
        configdetail::writeScriptsSection(out);
    }
}

std::string buildConfigText(ConfigFileState& state) {
    QVConfig& store = config();
    std::string out;
    out.reserve(state.writerCopy.size() + 4096);
    std::string_view source = state.writerCopy;
    // An empty file gets a first line, so that settings written into it can be read.
    std::string header;
    if (source.empty()) {
        header = "// Tessel configuration file\r\n\r\nconfig-version 160\r\n\r\n";
        source = header;
    }
    size_t sectionIndex = 0;
    size_t mapIndex = 0;
    long line = 1;
    bool appended = false;
    for (size_t pos = 0; pos < source.size(); ++line) {
        // Where reading stopped, the new part goes in before the unread rest, so that the
        // next read sees it and cannot mistake it for the end of something in that rest.
        if (!appended && pos == state.unreadFrom && source.data() == state.writerCopy.data()) {
            writeNewPart(state, out);
            appended = true;
        }
        configdetail::TextLine current = configdetail::lineAt(source, pos);
        pos = current.next;
        while (sectionIndex < state.sections.size() &&
               state.sections[sectionIndex].lastLine < line) {
            ++sectionIndex;
        }
        if (sectionIndex < state.sections.size() &&
            state.sections[sectionIndex].firstLine <= line) {
            if (!dropInSection(state.sections[sectionIndex], line, current.content)) {
                // Other lines inside a section stay where the section was. Remarks and
                // empty lines keep their meaning there; anything else (an invalid line that
                // was reported) is kept as a remark, so that it cannot turn into a setting,
                // a section tag or a block comment outside the section.
                std::string_view content = current.content;
                if (!content.empty() && !content.starts_with("//")) out += "// ";
                copyLine(current.raw, out);
            }
            continue;
        }
        // The sections are written at the end, each after an empty line of its own; the
        // empty line before a section's old place goes with it.
        if (sectionIndex < state.sections.size() &&
            state.sections[sectionIndex].firstLine == line + 1 &&
            current.raw.substr(0, current.raw.find('\r')).empty()) {
            continue;
        }
        while (mapIndex < state.lineMap.size() && state.lineMap[mapIndex].line < line) ++mapIndex;
        int mappedId = mapIndex < state.lineMap.size() && state.lineMap[mapIndex].line == line
                           ? state.lineMap[mapIndex].id
                           : 0;
        if (mappedId != 0 && store.isTouched(mappedId)) {
            std::string replacement;
            if (writeSettingOrSpecial(mappedId, replacement) == 1) {
                store.setTouchWord(mappedId, 1);
                // The user's remark at the end of the line stays with the new value.
                std::string_view remark = configdetail::splitKeywordLine(current.content).remark;
                if (!remark.empty() && replacement.ends_with("\r\n")) {
                    replacement.resize(replacement.size() - 2);
                    if (remark[0] != ' ' && remark[0] != '\t') replacement += ' ';
                    replacement += remark;
                    replacement += "\r\n";
                }
                out += replacement;
                continue;
            }
        }
        copyLine(current.raw, out);
    }
    if (!appended) writeNewPart(state, out);
    return out;
}

long countLines(std::string_view text) {
    return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

namespace {

int writeConfigFile() {
    ConfigFileState& state = configFile();
    QVConfig& store = config();
    lastWriteError().clear();
    if (!state.haveText) {
        lastWriteError() = "cannot save config, missing data";
        logError(0, "%s", lastWriteError().c_str());
        return kWriteNoData;
    }
    if (state.writeBlocked) {
        lastWriteError() = "cannot save config: the config file could not be read before";
        logError(0, "%s", lastWriteError().c_str());
        return kWriteNoData;
    }
    std::string path = configPath(false);
    if (path.empty()) {
        lastWriteError() = "cannot build config file location";
        logError(0, "%s", lastWriteError().c_str());
        return kWriteNoLocation;
    }
    logMessage("[blue] saving config file changes to:");
    logMessage("[blue] %s", path.c_str());
    for (int id = 1; id < kTouchIdLimit; ++id) {
        if (store.touchWord(id) & 1u) store.setTouchWord(id, store.touchWord(id) | 2u);
    }
    std::string text = buildConfigText(state);
    configdetail::createParentFolders(path);
    std::string error;
    int status = configdetail::replaceFile(path, text, error);
    if (status != 0) {
        lastWriteError() = error;
        if (status == kWriteCannotOpen) {
            logError(0, "cannot write config file");
            logMessage("[error] %s", error.c_str());
            logMessage("[error] %s", path.c_str());
        } else {
            logError(0, "failed to write config file, probably disk full");
            logMessage("[error] %s", error.c_str());
        }
        // Nothing was written: every change is still to be saved.
        for (int id = 1; id < kTouchIdLimit; ++id) {
            if (store.touchWord(id) != 0) store.setTouchWord(id, 1);
        }
        return status;
    }
    logMessage("[blue] %ld lines written.", countLines(text));
    state.modificationTime = fileModificationTime(path);
    // The file now holds every change: it becomes the text the next save copies, and the
    // settings written into it are no longer pending.
    state.text = std::move(text);
    state.writerCopy = state.text;
    state.fromDefaults = false;
    store.setVariablesChanged(false);
    configdetail::walkConfigText(state, false);
    // A setting whose line could not be written stays pending.
    for (int id = 1; id < kTouchIdLimit; ++id) {
        store.setTouchWord(id, (store.touchWord(id) & 2u) != 0 ? 1u : 0u);
    }
    return 0;
}

}  // namespace

int writeConfig() {
    try {
        return writeConfigFile();
    } catch (const std::bad_alloc&) {
        lastWriteError() = "out of memory while saving config";
        logError(0, "%s", lastWriteError().c_str());
        for (int id = 1; id < kTouchIdLimit; ++id) {
            if (config().touchWord(id) != 0) config().setTouchWord(id, 1);
        }
        return kWriteNoData;
    }
}

int saveConfigOrExplain() {
    int status = writeConfig();
    if (status == 0) return 0;
    std::string path = configPath(false);
    const std::string& reason = lastWriteError();
    char text[4096];
    std::snprintf(
        text, sizeof text,
        "%s (status %d):\n\n%s\n\nPossible solutions:\n- move tessel.exe to a different folder "
        "where you have write access.\n- move the config file to a different folder with write "
        "access,\nthen extend the PATH environment variable by that folder.\n- run tessel.exe as "
        "administrator.\n- make sure there is enough disk space.\n- check if you can edit and "
        "save the config file within notepad.\n- check if the file or folder is write "
        "protected.\n  try to create any text file within the folder.\n- do not use the Program "
        "Files folder.\n",
        reason.empty() ? "cannot write config file" : reason.c_str(), status,
        path.empty() ? "[no path]" : path.c_str());
    showMessageBox("Cannot write configuration file", text);
    return status;
}

namespace configdetail {

int replaceFile(const std::string& path, std::string_view data, std::string& error) {
    // Write beside the real file, so that a configuration reached through a symbolic link
    // stays a link to the updated file.
    std::string target = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    std::string temp = target + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return kWriteCannotOpen;
    }
    struct stat info {};
    mode_t mode = ::stat(target.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    size_t written = 0;
    while (written < data.size()) {
        ssize_t put = ::write(fd, data.data() + written, data.size() - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            error = put < 0 ? std::strerror(errno) : "short write";
            ::close(fd);
            ::unlink(temp.c_str());
            return kWriteFailed;
        }
        written += static_cast<size_t>(put);
    }
    int synced = ::fsync(fd);
    int syncError = errno;
    if (::close(fd) != 0 || synced != 0) {
        error = std::strerror(synced != 0 ? syncError : errno);
        ::unlink(temp.c_str());
        return kWriteFailed;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return kWriteCannotOpen;
    }
    return 0;
}

}  // namespace configdetail
}  // namespace tessel
