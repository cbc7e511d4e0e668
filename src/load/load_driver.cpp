#include "load/load_driver.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "load/folder_walk.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr int kEscapeRecheckMs = 500;
constexpr int kLimitPollMs = 10;
constexpr int kMaxReadAheadThreads = 8;

bool flagOf(const char* key, bool fallback) {
    QVConfig& store = config();
    return store.idOf(key) != 0 ? store.getInt(key) != 0 : fallback;
}

std::string textOf(const char* key) {
    QVConfig& store = config();
    if (store.idOf(key) == 0) return std::string();
    const char* text = store.getText(key);
    return text ? std::string(text) : std::string();
}

constexpr char kNoSuchPath[] = "no such file or folder";

// Why a path given for a replacing load can load nothing: it is gone, or it is something
// other than a folder or a regular file (a named pipe, a device, a socket). Empty when it may
// load, or when it may be file-set text (masks after a folder) that only the walk can judge.
std::string unloadableReason(const std::string& item) {
    struct stat info {};
    if (::stat(item.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode) || S_ISREG(info.st_mode)) return std::string();
        return "not a file or folder";
    }
    bool maybeFileSet = item.empty() || item[0] == '-' || item.find(' ') != std::string::npos;
    return maybeFileSet ? std::string() : kNoSuchPath;
}

}  // namespace

LoadSettings loadSettingsFromConfig() {
    LoadSettings s;
    s.loadSub = flagOf("loadsub", true);
    s.loadHidden = flagOf("loadhidden", false);
    s.loadBin = flagOf("loadbin", false) || textOptions().loadBin;
    s.loadWchar = flagOf("loadwchar", false) || textOptions().loadWchar;
    s.fastLoad = appSettings().fastLoad || textOptions().fastLoad;
    s.useFileMask = flagOf("usefilemask", false);
    s.useDirMask = flagOf("usedirmask", false);
    s.fileMask = textOf("filemask");
    s.dirMask = textOf("dirmask");
    s.maxLoadMb = appSettings().maxLoadMb;
    s.showSpeed = flagOf("showspeed", false);
    s.showMiles = flagOf("showmiles", false);
    s.colonExcludes = appSettings().linuxMode;
    return s;
}

std::string loadLimitText(long limitMb) {
    char text[600];
    std::snprintf(text, sizeof text,
                  "safe load limit of %ld mbytes reached,\nfurther loading may cause memory "
                  "swapping.\n\nclick YES to continue, or NO to stop loading.\n\nto change the "
                  "load limit permanently,\nset configuration file entry \"maxload\".\n\ndo you "
                  "want to continue loading?",
                  limitMb);
    return text;
}

// Everything one load shares between the calling thread and the loader thread.
struct LoadDriver::Run {
    LoadSettings settings;
    TextStore* store = nullptr;
    LoadTarget target;
    int flags = 0;
    std::vector<std::string> items;
    CollectCounts counts;  // of all items, updated after each file
    std::atomic<bool> threadRunning{false};
    std::atomic<bool> collectionDone{false};
    int result = 0;
    bool stopped = false;
    bool limitAsked = false;
    std::string failure;  // the first failure of the collection, for the caller's box
    bool syntaxError = false;
    int64_t nextRedrawMs = 0;
    int64_t nextPumpMs = 0;
    ProgressLines progressLines;
    std::string currentPath;
    std::string fileMaskShown;
    std::string dirMaskShown;
    std::string rootShown;
    size_t rootCount = 0;
};

LoadDriver& loadDriver() {
    static LoadDriver driver;
    return driver;
}

void LoadDriver::sleepMs(int ms) {
    if (callbacks.sleepMs)
        callbacks.sleepMs(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void LoadDriver::requestStop() {
    if (running_.load()) loadStopRequested() = true;
}

int LoadDriver::waitForUserCommands() {
    if (!callbacks.runningUserCommands) return 0;
    for (int check = 0; check < kBusyChecks; ++check) {
        if (callbacks.runningUserCommands() <= 1) return 0;
        sleepMs(100);
    }
    int running = callbacks.runningUserCommands();
    if (running <= 1) return 0;
    if (callbacks.showStatus) callbacks.showStatus("#busy timeout error");
    logMessage("busy timeout reached (%lu)", static_cast<unsigned long>(running));
    logMessage("... %s cancelled.", "loading");
    return 9;
}

int LoadDriver::loadInteractive(bool append, bool singleFile, const char* givenPath) {
    if (callbacks.resolveEditors && !callbacks.resolveEditors()) return 1;
    if (!append && callbacks.saveBookmarks && !callbacks.saveBookmarks()) {
        logError(0, "cannot write bookmark file");
        return 9;
    }
    std::string path = givenPath ? givenPath : "";
    if (!givenPath && callbacks.choosePath) {
        path = callbacks.choosePath(append, singleFile);
        if (!path.empty()) {
            logMessage("[info] selected path:");
            logMessage("[info] \"%s\"", path.c_str());
        }
    }
    if (path.empty()) return 1;
    return load(path.c_str(), (append ? kLoadAppend : 0) | (singleFile ? kLoadSingleFile : 0));
}

int LoadDriver::load(const char* path, int flags, const std::vector<std::string>* dropped) {
    if (running_.load()) {
        logMessage("[note] a load is already running.");
        return 1;
    }
    if (waitForUserCommands() != 0) return 9;
    TextStore& target = store ? *store : textStore();
    Run run;
    run.settings = settingsOverride ? *settingsOverride : loadSettingsFromConfig();
    run.store = &target;
    run.flags = flags;
    if (dropped && !dropped->empty())
        run.items = *dropped;
    else
        run.items.emplace_back(path ? path : "");
    bool append = (flags & kLoadAppend) != 0;
    if (!append && keepTextWhenNothingLoads(run, target)) return lastReport.result;

    running_ = true;
    target.loadRunning = true;
    if (callbacks.prepareViews) callbacks.prepareViews();
    if (callbacks.beforeStoreChange) callbacks.beforeStoreChange();
    if (append) {
        logMessage("load: append text");
        target.cache = LineLookupCache{};
        // An empty store still needs the stream header that gives it its record prefix.
        run.target.headerState = target.blockCount > 0 ? kHeaderAppend : kHeaderIntroduce;
    } else {
        if (callbacks.clearViews) callbacks.clearViews();
        target.clear();
        run.target.headerState = kHeaderIntroduce;
        if (callbacks.forgetBookmarkSet) callbacks.forgetBookmarkSet();
    }
    int blocksBefore = target.blockCount;
    run.target.store = &target;
    run.target.show = show;
    if (show) show->reset();
    LoadStatistics& statistics = loadStatistics();
    statistics.reset(tickMs());
    loadStopRequested() = false;
    limitQuestion_ = 0;
    run.progressLines.start(20, 130);

    if (!(flags & kLoadPrepareOnly)) waitForThread(run);

    run.target.store = nullptr;
    loadStopRequested() = false;
    int blocksAfterCollection = target.blockCount;
    if (statistics.stopMs.load() == 0) statistics.stopMs = tickMs();
    target.finish();
    if (callbacks.viewsTakePrefix) callbacks.viewsTakePrefix();
    reportLoadStatistics(statistics, target, run.settings.showSpeed, run.settings.showMiles,
                         tickMs());
    if (!append) {
        if (callbacks.viewToTop) callbacks.viewToTop();
        if (callbacks.reloadBookmarks) callbacks.reloadBookmarks();
    }
    int added = blocksAfterCollection - blocksBefore;
    // A stream header alone (its only file failed to read) is no loaded text either.
    bool nothing = added <= 0 || run.counts.files == 0;
    if (nothing && !(flags & kLoadPrepareOnly)) {
        if (callbacks.showStatus)
            callbacks.showStatus("[blue] no text files found to load.");
        else
            logMessage("[blue] no text files found to load.");
        logMessage("[note] directory empty, or contains binary files:");
        logMessage("[blue] %s", run.items.front().c_str());
    } else if (append && added > 0 && blocksBefore < target.blockCount) {
        int line = target.blocks[blocksBefore]->firstLine - 3;
        if (callbacks.moveViewTo) callbacks.moveViewTo(line > 0 ? line : 0);
    }
    if (callbacks.refreshViews) callbacks.refreshViews();

    lastReport = LoadReport{};
    lastReport.result = run.result;
    lastReport.files = run.counts.files;
    lastReport.lines = run.counts.lines;
    lastReport.bytes = run.counts.bytes;
    lastReport.binarySkipped = run.counts.binarySkipped;
    lastReport.failedFiles = run.counts.failed;
    lastReport.blocksAdded = added > 0 ? added : 0;
    lastReport.stopped = run.stopped;
    lastReport.limitAsked = run.limitAsked;
    if (run.result != 0) {
        if (run.syntaxError) {
            lastReport.errorTitle = kWrongParametersTitle;
            lastReport.errorText = run.failure +
                                   "\nPlease check the syntax and possible missing quotes.\nThe "
                                   "parameter sequence is also important,\ne.g. -area must be "
                                   "specified before -wrapbin.\n";
        } else if (run.stopped && run.counts.files == 0) {
            lastReport.errorTitle = kNothingToViewTitle;
            lastReport.errorText = "loading stopped,\nnothing to view.";
        } else if (run.result == 9) {
            lastReport.errorTitle = kLoadErrorTitle;
            lastReport.errorText = run.failure.empty() ? std::string("load failed.") : run.failure;
        }
    }
    target.loadRunning = false;
    running_ = false;
    return run.result;
}

// A replacing load whose every path can load nothing leaves the loaded text as it is: clearing
// it first and finding nothing would throw the user's text away for nothing.
bool LoadDriver::keepTextWhenNothingLoads(const Run& run, const TextStore& target) {
    if (target.blockCount == 0 || (run.flags & (kLoadFileSetText | kLoadPrepareOnly))) return false;
    std::vector<std::string> reasons;
    for (const std::string& item : run.items) {
        std::string reason = unloadableReason(item);
        if (reason.empty()) return false;
        reasons.push_back(std::move(reason));
    }
    logMessage("[note] nothing to load, the loaded text stays:");
    for (size_t i = 0; i < run.items.size(); ++i)
        logMessage("[blue] %s (%s)", run.items[i].c_str(), reasons[i].c_str());
    if (callbacks.showStatus)
        callbacks.showStatus("[blue] nothing to load, the loaded text stays.");
    lastReport = LoadReport{};
    lastReport.result = 1;
    // A path that is gone is the error it always was, only without the loss.
    for (const std::string& item : run.items) {
        if (unloadableReason(item) != kNoSuchPath) continue;
        logMessage("directory not found: %s", item.c_str());
        lastReport.result = 9;
        lastReport.errorTitle = kLoadErrorTitle;
        lastReport.errorText = "directory not found: " + item;
        break;
    }
    return true;
}

void LoadDriver::waitForThread(Run& run) {
    bool trace = traceMode();
    bool startup = (run.flags & kLoadFileSetText) != 0;
    if (trace) logMessage(startup ? "threaded dir load begin" : "[blue] threaded file core begin");
    std::thread loader;
    if (useThread) {
        try {
            run.threadRunning = true;
            loader = std::thread([this, &run] {
                run.result = collectAll(run);
                run.collectionDone = true;
            });
        } catch (const std::system_error&) {
            run.threadRunning = false;
            logMessage("[note] failed to create loader thread.");
        }
    }
    if (!loader.joinable()) {
        run.threadRunning = false;
        run.result = collectAll(run);
        run.collectionDone = true;
    } else {
        int64_t nextPump = tickMs() + kLoaderWaitPumpMs;
        int64_t nextRepaint = tickMs() + kRepaintMs;
        while (!run.collectionDone.load()) {
            if (limitQuestion_.load() == 1) limitQuestion_ = askLimit(run) ? 2 : 3;
            int64_t now = tickMs();
            if (now >= nextPump) {
                if (callbacks.pumpMessages) callbacks.pumpMessages();
                nextPump = now + kLoaderWaitPumpMs;
            }
            if (now >= nextRepaint) {
                if (callbacks.repaint) callbacks.repaint();
                nextRepaint = now + kRepaintMs;
            }
            // Short slices keep a small load from waiting a whole period for its end.
            for (int slice = 0;
                 slice < 10 && !run.collectionDone.load() && limitQuestion_.load() != 1; ++slice)
                sleepMs(10);
        }
        loader.join();
        run.threadRunning = false;
    }
    // The key press that stopped the load must not reach the view afterwards.
    bool waitedForEscape = false;
    while (callbacks.escapeHeld && callbacks.escapeHeld()) {
        waitedForEscape = true;
        if (callbacks.showStatus) callbacks.showStatus("release ESCAPE to continue");
        sleepMs(kEscapeRecheckMs);
    }
    if (waitedForEscape && callbacks.showStatus) callbacks.showStatus("");
    if (trace)
        logMessage(
            startup ? "threaded dir load done, rc=%ld" : "[blue] threaded file core done, rc=%ld",
            static_cast<long>(run.result));
}

bool LoadDriver::askLimit(Run& run) {
    run.limitAsked = true;
    if (!callbacks.askYesNo) return true;
    std::string text = loadLimitText(run.settings.maxLoadMb);
    return callbacks.askYesNo(kLoadLimitTitle, text.c_str());
}

int LoadDriver::progress(Run& run) {
    LoadStatistics& statistics = loadStatistics();
    if (loadStopRequested().load()) return kStopCollection;
    int64_t now = tickMs();
    if (now >= run.nextRedrawMs) {
        run.nextRedrawMs = now + kRedrawMs;
        if (callbacks.showProgress) {
            ProgressSnapshot s;
            s.files = run.counts.files;
            s.lines = run.counts.lines;
            s.bytes = run.counts.bytes;
            s.binarySkipped = run.counts.binarySkipped;
            s.binaryNames = run.counts.binaryNames;
            s.rootCount = run.rootCount;
            s.root = run.rootShown;
            s.fileMask = run.fileMaskShown;
            s.dirMask = run.dirMaskShown;
            s.currentPath = run.currentPath;
            s.elapsedSeconds = static_cast<double>(statistics.elapsedMs(now)) / 1000.0;
            s.showSpeed = run.settings.showSpeed;
            s.showMiles = run.settings.showMiles;
            callbacks.showProgress(run.progressLines.update(s));
        }
    }
    if (!run.threadRunning.load() && now >= run.nextPumpMs) {
        run.nextPumpMs = now + kPumpMs;
        if (callbacks.pumpMessages) callbacks.pumpMessages();
    }
    uint64_t limitBytes =
        static_cast<uint64_t>(run.settings.maxLoadMb > 0 ? run.settings.maxLoadMb : 0) * 1048576;
    if (limitBytes > 0 && run.counts.bytes >= limitBytes && !statistics.limitAccepted.load()) {
        bool yes = false;
        if (run.threadRunning.load()) {
            limitQuestion_ = 1;
            while (limitQuestion_.load() == 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(kLimitPollMs));
            yes = limitQuestion_.load() == 2;
            limitQuestion_ = 0;
        } else {
            yes = askLimit(run);
        }
        if (!yes) {
            statistics.stopMs = tickMs();
            loadStopRequested() = true;
            return kStopCollection;
        }
        statistics.limitAccepted = true;
    }
    return 0;
}

int LoadDriver::collectAll(Run& run) {
    int result = 0;
    for (const std::string& item : run.items) {
        int rc = collectItem(run, item);
        if (rc != 0) result = rc;
        if (loadStopRequested().load() || run.stopped) {
            run.stopped = true;
            if (run.counts.files == 0) return 9;
            logMessage("[note] file collection aborted");
            return 1;
        }
    }
    return result;
}

int LoadDriver::collectItem(Run& run, const std::string& item) {
    bool append = (run.flags & kLoadAppend) != 0;
    FileSet set;
    if (run.flags & kLoadFileSetText) {
        std::string text = item == "." ? std::string("-dir .") : item;
        int rc = parseFileSet(text, run.settings.colonExcludes, set);
        if (rc != 0) {
            logError(0, "%s", set.error.c_str());
            if (run.failure.empty()) run.failure = set.error;
            run.syntaxError = true;
            return rc;
        }
        if (traceMode() || verboseMode()) {
            logMessage(" ");
            logMessage("![blue] ===== using file set: =====");
            logFileSet(set);
            logMessage("![blue] ===== end of file set. =====");
        }
        return collectFileSet(run, set);
    }
    struct stat info {};
    if (::stat(item.c_str(), &info) != 0) {
        logMessage("directory not found: %s\n", item.c_str());
        logMessage("missing directory");
        if (run.failure.empty()) run.failure = "directory not found: " + item;
        return 9;
    }
    if (!S_ISDIR(info.st_mode)) {
        // One file chosen by the user: a snapfile is copied record by record and a binary
        // file is mined for its text.
        if (!append && callbacks.setBookmarkBase) callbacks.setBookmarkBase(item.c_str());
        CollectOptions options;
        options.loadBin = true;
        options.loadWchar = run.settings.loadWchar;
        options.nestedSnapfiles = true;
        FileCollector collector(*run.store, run.target, options);
        collector.progress = [this, &run] { return progress(run); };
        run.currentPath = item;
        int rc = collector.collect(item.c_str(), item.c_str(), true);
        run.counts.files += collector.counts.files;
        run.counts.lines += collector.counts.lines;
        run.counts.bytes += collector.counts.bytes;
        run.counts.failed += collector.counts.failed;
        loadStatistics().files = run.counts.files;
        loadStatistics().lines = run.counts.lines;
        loadStatistics().bytes = run.counts.bytes;
        return rc;
    }
    if (traceMode()) logMessage("loading directory tree");
    std::string dirMask;
    if (run.settings.useDirMask && convertDirMask(run.settings.dirMask, dirMask) != 0) return 9;
    if (run.settings.useFileMask || run.settings.useDirMask) {
        logMessage("[blue] using filename filter:");
        logMessage("[blue] %s", run.settings.useFileMask ? run.settings.fileMask.c_str() : "");
        logMessage("[blue] using sub dir filter:");
        logMessage("[blue] %s", dirMask.c_str());
    }
    // Built as a structure rather than as text: a folder name may hold quotes.
    set.layers.emplace_back();
    set.layers[0].roots.push_back(item.empty() ? std::string(".") : item);
    if (run.settings.useDirMask) set.layers[0].dirMasks.parse(dirMask, run.settings.colonExcludes);
    if (run.settings.useFileMask)
        set.layers[0].fileMasks.parse(run.settings.fileMask, run.settings.colonExcludes);
    return collectFileSet(run, set);
}

int LoadDriver::collectFileSet(Run& run, const FileSet& set) {
    bool append = (run.flags & kLoadAppend) != 0;
    if (set.rootCount() == 0) {
        logMessage("missing directory");
        return 9;
    }
    if (!append && callbacks.setBookmarkBase) {
        const std::string& root = set.firstRoot();
        callbacks.setBookmarkBase(root.empty() ? "zz-bookmarks" : root.c_str());
    }
    run.rootCount = set.rootCount();
    run.rootShown = set.firstRoot();
    run.fileMaskShown.assign(set.fileMaskText());
    run.dirMaskShown.assign(set.dirMaskText());

    CollectOptions options;
    options.fastLoad = run.settings.fastLoad;
    options.loadBin = run.settings.loadBin;
    options.loadWchar = run.settings.loadWchar;
    int threads = run.settings.readAheadThreads;
    // A helper spends part of each file waiting (reads, page faults, the queue): two per core
    // keep the cores busy.
    if (threads < 0) threads = 2 * static_cast<int>(std::thread::hardware_concurrency());
    options.readAheadThreads = threads < kMaxReadAheadThreads ? threads : kMaxReadAheadThreads;
    FileCollector collector(*run.store, run.target, options);
    CollectCounts base = run.counts;
    LoadStatistics& statistics = loadStatistics();
    auto publish = [&] {
        run.counts.files = base.files + collector.counts.files;
        run.counts.lines = base.lines + collector.counts.lines;
        run.counts.bytes = base.bytes + collector.counts.bytes;
        run.counts.failed = base.failed + collector.counts.failed;
        run.counts.binarySkipped = base.binarySkipped + collector.counts.binarySkipped;
        run.counts.binaryNames = collector.counts.binaryNames;
        statistics.files = run.counts.files;
        statistics.lines = run.counts.lines;
        statistics.bytes = run.counts.bytes;
    };
    // Files read ahead are added in batches: each is counted before the question whether to
    // go on, so that the load limit stops at the file that reached it.
    collector.progress = [this, &run, &publish] {
        publish();
        return progress(run);
    };

    WalkOptions walkOptions;
    walkOptions.loadSub = run.settings.loadSub;
    walkOptions.loadHidden = run.settings.loadHidden;
    WalkHooks hooks;
    hooks.stopRequested = [] { return loadStopRequested().load(); };
    hooks.takeFileInFolder = [&](const char* path, const char* name, bool named,
                                 const FolderRef& folder, const char* nameInFolder) {
        run.currentPath.assign(path);
        collector.collect(path, name, named, folder, nameInFolder);
        publish();
        return progress(run);
    };
    WalkCounts walkCounts;
    int rc = walkFileSet(set, walkOptions, hooks, walkCounts);
    // Files read ahead are added unless the load was stopped: a stop ends after the file the
    // walk was at.
    if (rc == 1 || loadStopRequested().load())
        collector.discard();
    else
        collector.flush();
    publish();
    if (walkCounts.hiddenFiles + walkCounts.hiddenFolders > 0 && verboseMode()) {
        logMessage("[blue] hidden entries skipped: %lu folders, %lu files",
                   static_cast<unsigned long>(walkCounts.hiddenFolders),
                   static_cast<unsigned long>(walkCounts.hiddenFiles));
    }
    if (rc == 1) {
        run.stopped = true;
        return 1;
    }
    if (rc == 9 && walkCounts.missingRoots == set.rootCount()) {
        logMessage("missing directory");
        if (run.failure.empty()) run.failure = "directory not found: " + set.firstRoot();
        return 9;
    }
    return 0;
}

int startupFileSetText(const std::string& folder, const LoadSettings& settings, std::string& out) {
    out = folder;
    if (!settings.useFileMask && !settings.useDirMask) return 1;
    logMessage("load: %s", folder.c_str());
    std::string dirMask;
    if (settings.useDirMask && convertDirMask(settings.dirMask, dirMask) != 0) return 9;
    std::string fileMask = settings.useFileMask ? settings.fileMask : std::string();
    logMessage("[blue] using filename filter:");
    logMessage("[blue] %s", fileMask.c_str());
    logMessage("[blue] using sub dir filter:");
    logMessage("[blue] %s", dirMask.c_str());
    bool quoted = !folder.empty() && folder[0] == '"';
    if (quoted) {
        out = "-dir " + folder + " " + dirMask + " -file " + fileMask;
        if (out.size() >= kFileSetTextBytes) {
            logError(0, "file set text too long (%lu bytes)",
                     static_cast<unsigned long>(out.size()));
            out = folder;
            return 9;
        }
        return 0;
    }
    return buildFileSetText(folder, dirMask, fileMask, out) == 0 ? 0 : 9;
}

bool DropList::take(const std::vector<std::string>& names, const char* droppedText,
                    bool shiftOrCtrl) {
    items.clear();
    append = shiftOrCtrl;
    if (append) {
        logMessage("[blue] dragdrop-%s", "append");
    } else {
        logMessage("[blue] dragdrop-%s", "open");
        logMessage("Press SHIFT or CTRL to append.");
    }
    for (const std::string& name : names) {
        if (!name.empty()) items.push_back(name.substr(0, kDropItemChars));
    }
    if (names.empty() && droppedText && *droppedText) {
        std::string_view text(droppedText);
        items.emplace_back(text.substr(0, kDropItemChars));
    }
    return !items.empty();
}

int DropList::run(LoadDriver& driver, bool appendDragDrop) {
    if (items.empty()) return 1;
    std::vector<std::string> dropped = std::move(items);
    items.clear();
    int flags = appendDragDrop || append ? kLoadAppend : 0;
    return driver.load(dropped.front().c_str(), flags, &dropped);
}

int loadFileSetText(const char* fileSetText, bool append, LoadReport* report) {
    LoadDriver& driver = loadDriver();
    int rc = driver.load(fileSetText, kLoadFileSetText | (append ? kLoadAppend : 0));
    if (report) *report = driver.lastReport;
    return rc;
}

}  // namespace tessel
