// Switching, clearing and the start-up load of bookmark sets, and how a bookmark's line maps
// to its file.
#include <algorithm>
#include <cstdio>
#include <string>

#include "base/log/message_log.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_internal.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Other work is waited for at most this many times 100 ms before a set switch gives up.
constexpr int kBusyChecks = 30;

void rememberStartSet(int set) {
    AppSettings& app = appSettings();
    if (app.startBmSet == set) return;
    app.startBmSet = set;
    config().touch(kIdStartBmSet);
}

int openLoaded(BookmarkList& list, int set, const ViewPosition& view, const char* statusPrefix) {
    const LoadSetResult result = loadSet(list, set, view);
    if (result.status > kLoadSetNoFile) logMessage("[error] unable to load bookmark file");
    char text[200];
    if (result.lost > 0) {
        std::snprintf(text, sizeof text, "%sbm set %ld open%s setup for details.", statusPrefix,
                      static_cast<long>(set), ", some bookmarks lost.");
    } else {
        std::snprintf(text, sizeof text, "%sbookmark set %ld open.", statusPrefix,
                      static_cast<long>(set));
    }
    showStatusInfo(text);
    rememberStartSet(set);
    list.selected = -1;
    return result.status > kLoadSetNoFile ? 9 : 0;
}

}  // namespace

int openLoadedSet(BookmarkList& list, int set, const ViewPosition& view, const char* prefix) {
    return openLoaded(list, set, view, prefix ? prefix : "");
}

int openSet(BookmarkList& list, int n, const ViewPosition& view) {
    if (n < 1 || n > kBookmarkSets) {
        logMessage("int. error #3");
        return 9;
    }
    const char* statusPrefix = "";
    if (list.openSet >= 1 && list.changed) {
        const int rc = saveSet(list, list.openSet, false);
        if (rc == 0) {
            statusPrefix = "bookmark changes saved, ";
        } else {
            statusPrefix = "bookmark changes reverted, ";
            if (rc == 9) logMessage("[error] %s", kCannotWriteBookmarks);
        }
    }
    if (n == list.openSet) {
        char text[200];
        std::snprintf(text, sizeof text, "%sbookmark set %ld open.", statusPrefix,
                      static_cast<long>(n));
        showStatusInfo(text);
        return 0;
    }
    BookmarkHost& ui = list.ui();
    int checks = 0;
    for (unsigned pending = ui.pendingWork(); pending != 0; pending = ui.pendingWork()) {
        if (++checks > kBusyChecks) {
            logMessage("#busy timeout error");
            logError(0, "busy timeout reached (%lu)", static_cast<unsigned long>(pending));
            logMessage("... %s cancelled.", "load bookmarks");
            return 9;
        }
        ui.waitStep();
    }
    return openLoaded(list, n, view, statusPrefix);
}

int clearSet(BookmarkList& list) {
    if (list.openSet < 1) return 1;
    char text[100];
    std::snprintf(text, sizeof text, "Remove all bookmarks\nfrom bookmark set no. %ld?",
                  static_cast<long>(list.openSet));
    if (!list.ui().ask("Please confirm:", text, true)) return 1;
    list.clearEntries();
    list.changed = true;
    return 0;
}

int loadStartupSet(BookmarkList& list, const ViewPosition& view) {
    const int set = std::clamp(appSettings().startBmSet, 1, kBookmarkSets);
    const std::string base = bookmarkBase();
    if (base.empty()) {
        logMessage("no path for bookmark file.");
        list.clearEntries();
        list.openSet = set;
        return 1;
    }
    const LoadSetResult result = loadSet(list, set, view);
    if (result.status <= kLoadSetNoFile) {
        logMessage(":bookmark path:");
        logMessage("%s", base.c_str());
    } else {
        logMessage("bookmark loading failed");
    }
    if (result.lost > 0) {
        char text[200];
        std::snprintf(text, sizeof text, "bm set %ld open%s setup for details.",
                      static_cast<long>(set), ", some bookmarks lost.");
        showStatusInfo(text);
    }
    if (set > 1) logMessage("[info] bookmark set %ld open.", static_cast<long>(set));
    countSets(list);
    return result.status > kLoadSetNoFile ? 9 : 0;
}

TextBlock* fileBlockOfLine(TextStore& store, int line, int* blockIndex) {
    int index = -1;
    TextBlock* block = nullptr;
    if (line >= 0 && line < store.lineCount()) block = store.blockForLine(line, nullptr, &index);
    if (blockIndex) *blockIndex = index;
    if (index < 0 || !block || !block->fileName) return nullptr;
    return block;
}

std::string shownFileName(TextStore& store, const TextBlock& block) {
    if (!block.fileName) return {};
    bool allBackslash = true;
    for (int b = 0; b < store.blockCount && allBackslash; ++b) {
        const TextBlock* other = store.blocks[b];
        if (other && other->fileName) allBackslash = other->fileName[0] == '\\';
    }
    return allBackslash && block.fileName[0] == '\\' ? block.fileName + 1 : block.fileName;
}

void restrictPathToFile(TextStore& store, ViewPosition& view) {
    const TextBlock* block = fileBlockOfLine(store, view.currentLine);
    if (!block) return;
    copyField(view.pathMask, block->fileName);
    view.pathFileCount = 1;
    view.pathFirstLine = block->headerLine();
}

int farSearchMode(const BookmarkList& list) {
    return list.farSearchAnswer >= 0 ? list.farSearchAnswer : appSettings().farBookSearch;
}

}  // namespace tessel
