#include "app/load_choice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/command_line.h"
#include "base/files/file_open.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "load/load_driver.h"
#include "load/load_statistics.h"
#include "platform/platform.h"
#include "text/snapfile.h"
#include "text/snapfile_load.h"
#include "text/text_store.h"

namespace tessel {

namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool isDriveRoot(const std::string& word) {
    return word.size() >= 2 && word[1] == ':' && std::isalpha(static_cast<unsigned char>(word[0]));
}

// A trailing separator would make "dir/" and "dir" two different roots. The root folder
// itself keeps its slash: stripping it would leave no path at all.
void stripTrailingSeparators(std::string& word) {
    while (word.size() > 1 && (word.back() == '/' || word.back() == '\\')) word.pop_back();
}

bool firstLineIsSnapfileHeader(const std::string& path) {
    struct stat info {};
    int file = openRegularFile(path.c_str(), -1, nullptr, info);
    if (file < 0) return false;
    char head[32] = {};
    size_t got = readFully(file, head, sizeof head, nullptr);
    ::close(file);
    return hasSnapfileMagic(head, got);
}

std::string joinWords(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += ' ';
        bool quote = word.find(' ') != std::string::npos || word.empty();
        text += quote ? "\"" + word + "\"" : word;
    }
    return text;
}

bool namesExistingPath(const std::string& word) {
    struct stat info {};
    return ::stat(word.c_str(), &info) == 0;
}

// A file manager hands over the chosen files and folders as separate words ("%F"). When
// every word names something that exists, the words are the roots of one file set; the
// short form would take all words after the first for file masks. A double quote cannot be
// written inside a quoted root, so a word holding one leaves the words in the short form.
bool severalPlainPaths(const std::vector<std::string>& words) {
    if (words.size() < 2) return false;
    for (const std::string& word : words) {
        if (word.empty() || startsWith(word, "-") || word.find('"') != std::string::npos ||
            !namesExistingPath(word)) {
            return false;
        }
    }
    return true;
}

std::string rootsFileSet(std::vector<std::string> words) {
    std::string text = "-dir";
    for (std::string& word : words) {
        stripTrailingSeparators(word);
        text += " \"" + word + "\"";
    }
    return text + " -file";
}

int runSnapfileLoad(const std::string& path, TextStore& store) {
    logMessage("   loading %s", path.c_str());
    const LoadSettings settings = loadSettingsFromConfig();
    StartupLoadHooks hooks;
    hooks.showSpeed = settings.showSpeed;
    hooks.showMiles = settings.showMiles;
    hooks.showProgress = [](const char* speedLine, const char* countLine) {
        if (speedLine) showStatusInfo(speedLine, false, true);
        showStatusInfo(countLine, true, true);
    };
    // The window stays responsive; ESCAPE stops the load as it stops a folder load.
    hooks.pumpMessages = [] { pumpPendingEvents(); };
    LoadStatistics& statistics = loadStatistics();
    statistics.reset(tickMs());
    StartupLoadStats stats;
    store.loadRunning = true;
    int rc = loadStartupSnapfile(path.c_str(), store, hooks, stats);
    store.loadRunning = false;
    loadStopRequested() = false;
    if (rc == kStartupFileNotFound) {
        showMessageBox(kFileNotFoundTitle, fileNotFoundText(path.c_str()).c_str());
        return rc;
    }
    statistics.startMs = stats.startMs;
    statistics.stopMs = stats.stopMs ? stats.stopMs : tickMs();
    statistics.files = static_cast<uint64_t>(store.blockCount > 0 ? store.blockCount - 1 : 0);
    statistics.lines = stats.lines;
    statistics.bytes = stats.bytes;
    reportLoadStatistics(statistics, store, settings.showSpeed, settings.showMiles, tickMs());
    store.statistics();
    return rc == kStartupLoadStopped ? 0 : rc;
}

}  // namespace

std::vector<std::string> splitLoadArgument(const std::string& argument) {
    std::vector<std::string> words;
    std::string word;
    bool inQuotes = false;
    bool haveWord = false;
    for (char c : argument) {
        if (c == '"') {
            inQuotes = !inQuotes;
            haveWord = true;
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (haveWord) words.push_back(word);
            word.clear();
            haveWord = false;
        } else {
            word += c;
            haveWord = true;
        }
    }
    if (haveWord) words.push_back(word);
    return words;
}

LoadChoice chooseLoad(const std::string& argument) {
    LoadChoice choice;
    choice.words = splitLoadArgument(argument);
    if (choice.words.empty()) return choice;

    if (choice.words.size() == 1 && isHelpWord(choice.words[0])) {
        choice.help = true;
        choice.words.clear();
        return choice;
    }

    std::string& first = choice.words[0];
    bool snapfile = false;
    if (!startsWith(first, "-")) {
        if (!startsWith(first, "http://") && !startsWith(first, "ftp://") && !isDriveRoot(first)) {
            stripTrailingSeparators(first);
        }
        if (choice.words.size() == 1) {
            struct stat info {};
            if (::stat(first.c_str(), &info) == 0) {
                if (S_ISDIR(info.st_mode)) {
                    choice.startFolder = first;
                } else if (S_ISREG(info.st_mode)) {
                    snapfile = firstLineIsSnapfileHeader(first);
                }
            }
        }
    }
    choice.argument =
        severalPlainPaths(choice.words) ? rootsFileSet(choice.words) : joinWords(choice.words);

    bool single = choice.words.size() == 1;
    if (single && !startsWith(first, "-dir") && first != "." &&
        (snapfile || startsWith(first, "-"))) {
        choice.kind = LoadKind::kSnapfile;
    } else {
        choice.kind = LoadKind::kFileSet;
    }
    return choice;
}

int runStartupLoad(const LoadChoice& choice, TextStore& store) {
    switch (choice.kind) {
        case LoadKind::kIntro:
            store.finish();
            return 0;
        case LoadKind::kSnapfile:
            return runSnapfileLoad(choice.words[0], store);
        case LoadKind::kFileSet:
            break;
    }
    std::string fileSet = choice.argument == "." ? "-dir ." : choice.argument;
    // A folder named alone loads through the same file and folder masks as a dropped folder
    // when the user asked for the filters at start-up too.
    if (!choice.startFolder.empty() && config().getInt("startuploadfilter") != 0) {
        std::string filtered;
        // A mask that cannot be used was reported; the folder then loads unfiltered.
        if (startupFileSetText(choice.startFolder, loadSettingsFromConfig(), filtered) == 0) {
            fileSet = filtered;
        }
    }
    LoadReport report;
    int rc = loadFileSetText(fileSet.c_str(), false, &report);
    if (rc != 0) {
        if (!report.errorText.empty()) {
            showMessageBox(report.errorTitle.c_str(), report.errorText.c_str());
        }
        return rc;
    }
    return 0;
}

}  // namespace tessel
