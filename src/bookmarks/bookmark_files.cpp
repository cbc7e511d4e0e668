// Saving and loading bookmark sets, and the setup commands that move them to other names.
#include "bookmarks/bookmark_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/files/file_open.h"
#include "base/log/message_log.h"
#include "bookmarks/bookmark_format.h"
#include "bookmarks/bookmark_internal.h"
#include "bookmarks/bookmark_paths.h"
#include "bookmarks/bookmark_relocation.h"
#include "config/config_internal.h"
#include "config/qv_config.h"
#include "text/text_store.h"

namespace tessel {

using namespace bookmarkdetail;

namespace {

// A set file holds at most this many entries of at most one record group each.
constexpr size_t kMaxSetFileBytes = (kMaxStoredEntries + 2) * kRecordGroupLimit;

struct ScriptControl {
    int control;
    std::string title;
};

// User controls of type "4" with a title: the bookmark-script entries of every set.
std::vector<ScriptControl> scriptControls() {
    std::vector<ScriptControl> controls;
    const QVConfig& store = config();
    for (int j = 0; j < kMaxControls; ++j) {
        const int first = kFirstVariableId + kControlFields * j;
        const std::string& title = store.getVar(first + 4);
        if (store.getVar(first) == "4" && !title.empty()) controls.push_back({j, title});
    }
    return controls;
}

int makeFolders(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error) return 0;
    logMessage("failed to create directories for:");
    logMessage("[error] %.*s", static_cast<int>(folder.size()), folder.data());
    return 9;
}

bool readWhole(const std::string& path, std::string& bytes) {
    struct stat info {};
    int file = openRegularFile(path.c_str(), -1, nullptr, info);
    if (file < 0) return false;
    bytes.clear();
    char buffer[65536];
    while (bytes.size() < kMaxSetFileBytes) {
        size_t got = readFully(file, buffer, sizeof buffer, nullptr);
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    ::close(file);
    return true;
}

int writeFile(const std::string& path, const std::string& bytes) {
    std::string error;
    if (configdetail::replaceFile(path, bytes, error) == 0) return 0;
    logMessage("[error] %.*s: %s", static_cast<int>(path.size()), path.data(), error.c_str());
    return 9;
}

// The base whose files are written: the chosen one, or the central fallback when the chosen
// folder cannot be written (which then becomes the base, logged).
int writableBase(std::string& base) {
    const std::string central = centralBookFolder();
    const std::string folder = folderOf(base);
    if (isBelow(base, central) && !folderExists(folder) && makeFolders(folder) != 0) return 9;
    if (folderWritable(folder)) return 0;
    const std::string fallback = centralFallbackBase(base);
    if (fallback.empty()) {
        logMessage("[error] bookmark folder cannot be written: %.*s",
                   static_cast<int>(folder.size()), folder.data());
        return 9;
    }
    if (makeFolders(folderOf(fallback)) != 0) return 9;
    logMessage("[note] bookmark folder cannot be written: %.*s", static_cast<int>(folder.size()),
               folder.data());
    logMessage("[note] saving bookmarks to: %s", fallback.c_str());
    base = fallback;
    setBookmarkBase(base);
    return 0;
}

// The file name, relative line and line text an entry is stored with.
struct StoredPlace {
    std::string fileName;
    bool inFile = false;
    int32_t relativeLine = 0;
    std::string lineText;
};

StoredPlace storedPlaceOf(TextStore& store, const Bookmark& entry) {
    StoredPlace place;
    const ViewPosition& pos = entry.pos;
    place.lineText = pos.lineText;
    if (pos.loadFailed && !entry.fileName.empty()) {
        // Not placed in this text: keep what the entry was read with.
        place.fileName = entry.fileName;
        place.inFile = true;
        place.relativeLine = pos.relativeLine;
        return place;
    }
    place.relativeLine = pos.currentLine;
    if (const TextBlock* block = fileBlockOfLine(store, pos.currentLine)) {
        place.fileName = shownFileName(store, *block);
        place.inFile = true;
        place.relativeLine = std::max(0, pos.currentLine - block->headerLine());
    }
    if (place.lineText.empty() && pos.currentLine >= 0 && pos.currentLine < store.lineCount()) {
        char text[kPositionTextChars + 1];
        copyField(text, store.lineText(pos.currentLine));
        place.lineText = text;
    }
    return place;
}

void reportLoadFailure(const Bookmark& entry, const PlaceOutcome& outcome) {
    if (!outcome.failure.empty()) addErrorDetailQuiet("%s", outcome.failure.c_str());
    if (entry.fileName.empty()) {
        addErrorDetailQuiet("bookmark failed to load:\n\"%s\"", entry.pos.label);
    } else {
        addErrorDetailQuiet("bookmark failed to load:\n\"%s\"\n%s", entry.pos.label,
                            entry.fileName.c_str());
    }
}

}  // namespace

int saveSet(BookmarkList& list, int set, bool quiet) {
    if (set < 1 || set > kBookmarkSets) {
        logMessage("int. error #2");
        return 9;
    }
    std::string base = bookmarkBase();
    if (base.empty()) {
        logMessage("no path for bookmark file.");
        return 9;
    }
    if (!quiet && !list.pathConfirmed) {
        const std::string path = bookmarkFileName(base, set);
        if (!list.ui().ask("save bookmarks to this path?", path.c_str(), true)) return 1;
        list.pathConfirmed = true;
    }
    if (writableBase(base) != 0) return 9;

    TextStore& store = list.store();
    StoredHeader header;
    struct stat info {};
    header.fileSize = ::stat(base.c_str(), &info) == 0 ? static_cast<int32_t>(info.st_size) : -1;
    const int used = list.count();
    // Script entries are not stored: their controls bring them back at the first one's place.
    std::string entries;
    bool scriptSeen = false;
    for (int i = 0; i < used; ++i) {
        const Bookmark& entry = list.at(i);
        if (isScriptEntry(entry.pos)) {
            if (!scriptSeen) header.scriptIndex = static_cast<uint32_t>(i);
            scriptSeen = true;
            continue;
        }
        const StoredPlace place = storedPlaceOf(store, entry);
        writeEntry(entries, entry.pos, place.inFile ? place.fileName.c_str() : nullptr,
                   place.relativeLine, place.lineText);
        ++header.entryCount;
    }
    if (!scriptSeen) header.scriptIndex = 0;
    std::string bytes;
    writeFileHeader(bytes, header);
    bytes += entries;
    writeFileEnd(bytes);
    if (writeFile(bookmarkFileName(base, set), bytes) != 0) return 9;
    list.existingSets |= 1u << set;
    list.changed = false;
    return 0;
}

int saveIfChanged(BookmarkList& list, bool force) {
    if (list.openSet < 1) return 1;
    if (!list.changed && !force) {
        showStatusInfo("no change in bookmarks.");
        return 1;
    }
    const bool wasChanged = list.changed;
    const int rc = saveSet(list, list.openSet, true);
    if (rc == 0) {
        showStatusInfo(wasChanged ? "bookmark changes saved." : "bookmarks saved.");
    } else if (rc == 9) {
        logMessage("[error] %s", kCannotWriteBookmarks);
    }
    return rc;
}

LoadSetResult loadSet(BookmarkList& list, int set, const ViewPosition& view, const char* prefix) {
    LoadSetResult result;
    list.clearEntries();
    list.changed = false;
    list.openSet = set;
    const std::string base = bookmarkBase();
    if (base.empty()) {
        logMessage("%sno bookmark filename", kLoadErrorPrefix);
        result.status = kLoadSetFormatError;
        return result;
    }
    const std::string path = bookmarkFileName(base, set);
    std::string bytes;
    if (!readWhole(path, bytes)) {
        if (!list.store().loadRunning.load()) {
            logMessage("no bookmark file to load:");
            logMessage("%s", path.c_str());
        }
        result.status = kLoadSetNoFile;
        return result;
    }
    list.existingSets |= 1u << set;
    char status[200];
    std::snprintf(status, sizeof status, "%sloading %s %ld ...", prefix ? prefix : "",
                  prefix ? "set" : "bookmark set", static_cast<long>(set));
    showStatusInfo(status);
    clearErrorDetails();

    const std::vector<ScriptControl> scripts = scriptControls();
    bool scriptsPlaced = false;
    auto placeScripts = [&](int& p) {
        for (const ScriptControl& script : scripts) {
            if (p >= kBookmarkAddLimit) break;
            makeScriptEntry(list.at(p++), script.control, script.title);
        }
        scriptsPlaced = true;
    };
    int p = 0;
    BookmarkReader reader(bytes);
    StoredHeader header;
    if (reader.readMagic() != 0 || reader.readHeader(header) != 0) {
        placeScripts(p);
        result.status = kLoadSetFormatError;
        return result;
    }

    const FileNameIndex names(list.store());
    uint32_t read = 0;
    int64_t lastProgressMs = tickMs();
    while (p < kBookmarkSlots && read < header.entryCount) {
        if (!scriptsPlaced && static_cast<uint32_t>(p) >= header.scriptIndex) {
            placeScripts(p);
            continue;
        }
        StoredEntry stored;
        if (reader.readEntry(stored, view.lockMode, view.lockRows) != 0) {
            result.status = kLoadSetFormatError;
            break;
        }
        ++read;
        Bookmark& slot = list.at(p);
        slot = Bookmark{};
        slot.pos = stored.pos;
        slot.fileName = stored.fileName;
        // Script entries come from the user controls, never from the file.
        if (isScriptEntry(slot.pos)) slot.pos.pathMask[0] = '\0';
        if (!stored.hasPlacement && !slot.pos.remark) {
            if (!stored.hasFileName && verboseMode()) {
                logMessage("loading BM without subfile name:");
                logMessage("%s", slot.pos.label);
            }
            const PlaceOutcome outcome = placeBookmark(list, slot, &names);
            if (outcome.result != PlaceResult::kPlaced) {
                slot.pos.loadFailed = 1;
                ++result.lost;
                reportLoadFailure(slot, outcome);
            }
        }
        if (!slot.pos.valid) {
            slot = Bookmark{};
            continue;
        }
        ++p;
        if (tickMs() - lastProgressMs >= 1000) {
            lastProgressMs = tickMs();
            std::snprintf(status, sizeof status, "%ld%% loading bookmarks",
                          static_cast<long>(read * 100 / header.entryCount));
            showStatusInfo(status);
        }
    }
    if (!scriptsPlaced) placeScripts(p);
    showStatusInfo("", false, true);
    if (result.status == kLoadSetRead && result.lost > 0) result.status = kLoadSetSomeFailed;
    list.changed = false;
    return result;
}

int countSets(BookmarkList& list) {
    list.existingSets = 0;
    const std::string base = bookmarkBase();
    int found = 0;
    if (!base.empty()) {
        for (int n = 1; n <= kBookmarkSets; ++n) {
            if (!fileExists(bookmarkFileName(base, n))) continue;
            list.existingSets |= 1u << n;
            ++found;
        }
    }
    if (found > 0) logMessage("found %ld bookmark sets", static_cast<long>(found));
    return found;
}

int loadFrom(BookmarkList& list, const ViewPosition& view) {
    if (list.openSet >= 1 && list.changed && saveSet(list, list.openSet, true) == 9) {
        logMessage("[error] %s", kCannotWriteBookmarks);
    }
    const std::string chosen = list.ui().pickFile("select a .qvbm file", "", false);
    if (chosen.empty()) return 1;
    setBookmarkBase(baseOfBookmarkFile(chosen));
    const int rc = openLoadedSet(list, 1, view, nullptr);
    countSets(list);
    return rc;
}

int saveTo(BookmarkList& list) {
    const std::string chosen =
        list.ui().pickFile("select a base filename", kDefaultBookmarkBase, true);
    if (chosen.empty()) return 1;
    const std::string target = baseOfBookmarkFile(chosen);
    const size_t nameStart = target.find_last_of("/\\");
    if (target.find('.', nameStart == std::string::npos ? 0 : nameStart + 1) != std::string::npos) {
        list.ui().showBox("error", "no filename extensions are allowed\nexcept .qvbm or .1.qvbm");
        return 9;
    }
    bool targetHasSets = false;
    for (int n = 1; n <= kBookmarkSets; ++n) {
        targetHasSets = targetHasSets || fileExists(bookmarkFileName(target, n));
    }
    if (targetHasSets &&
        !list.ui().ask("overwrite bookmarks at target?",
                       "bookmark files already exist at the\nselected target location.\ncan "
                       "they be overwritten?",
                       false)) {
        return 1;
    }
    const std::string current = bookmarkBase();
    for (int n = 1; n <= kBookmarkSets && !current.empty() && current != target; ++n) {
        const std::string from = bookmarkFileName(current, n);
        if (!fileExists(from)) break;
        const std::string to = bookmarkFileName(target, n);
        std::string bytes;
        if (!readWhole(from, bytes) || writeFile(to, bytes) != 0) {
            logMessage("failed to copy bookmark file (%ld)", static_cast<long>(n));
            logMessage("[error] from: %s", from.c_str());
            logMessage("[error] to: %s", to.c_str());
            return 9;
        }
    }
    setBookmarkBase(target);
    if (list.openSet >= 1 && saveSet(list, list.openSet, true) == 9) {
        logMessage("[error] %s", kCannotWriteBookmarks);
        return 9;
    }
    countSets(list);
    return 0;
}

}  // namespace tessel
