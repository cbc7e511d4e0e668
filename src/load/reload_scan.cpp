#include "load/reload_scan.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/log/message_log.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr int64_t kMegabyte = 1000000;
constexpr int kWrapMessageMs = 1500;
constexpr int kStatusMs = 2000;

std::string_view withoutTrailingBlanks(std::string_view name) {
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    return name;
}

}  // namespace

struct ReloadScanner::Run {
    ReloadRequest request;
    ReloadSettings settings;
    const FileStatusList* states = nullptr;
    bool automatic = false;
    bool wrapping = false;
    bool useMask = false;
    int64_t startMs = 0;
    int64_t reloadMs = 0;
    int64_t lastRepaintMs = 0;
    int examined = 0;
    int reloaded = 0;
    int nameMatches = 0;
    long maskMatches = 0;
    long maskSkips = 0;
    bool prepared = false;
    bool announced = false;
    bool stopped = false;
    int sizeSkipped = 0;
    int64_t sizeSkippedMb = 0;
    std::vector<BlockChange> changes;
};

ReloadScanner& reloadScanner() {
    static ReloadScanner scanner;
    return scanner;
}

TextStore& ReloadScanner::theStore() {
    return store ? *store : textStore();
}

int64_t ReloadScanner::now() {
    return callbacks.nowMs ? callbacks.nowMs() : tickMs();
}

int ReloadScanner::countMaskMatches(const std::vector<std::string>& words) {
    TextStore& target = theStore();
    int count = 0;
    for (int i = 0; i < target.blockCount; ++i) {
        const char* name = target.blocks[i]->fileName;
        if (name && !target.blocks[i]->clipText && matchesReloadMask(name, words)) ++count;
    }
    if (count > 0) {
        char text[96];
        std::snprintf(text, sizeof text, "%ld files selected for autoreload checking.",
                      static_cast<long>(count));
        if (callbacks.showStatus) callbacks.showStatus(text, 10000);
        logMessage("%s", text);
    } else {
        const char* text = "no files selected. type exact beginnings of paths of loaded files.";
        if (callbacks.showStatus) callbacks.showStatus(text, 10000);
        logMessage("%s", text);
    }
    return count;
}

int ReloadScanner::scan(const ReloadRequest& request, const FileStatusList* states) {
    if (running_) return 0;
    if (callbacks.loadRunning && callbacks.loadRunning()) return 0;
    if (callbacks.resolveEditors && !callbacks.resolveEditors()) return 0;
    if (request.block && !request.block->fileName) return 0;
    if (callbacks.waitForUserCommands && callbacks.waitForUserCommands() != 0) {
        logMessage("... %s cancelled.", "reload");
        return 0;
    }
    TextStore& target = theStore();
    Run run;
    run.request = request;
    run.settings = settingsOverride ? *settingsOverride : reloadSettingsFromConfig();
    run.states = states;
    run.automatic = (request.flags & kReloadAutomatic) != 0;
    run.wrapping = request.wrapWidth > 0;
    run.useMask = run.automatic && run.settings.limitToMask;
    run.startMs = states && states->startMs > 0 ? states->startMs : now();
    run.lastRepaintMs = now();
    running_ = true;
    lastChanges.clear();

    if (request.flags & kReloadRestartNet) {
        logMessage("[blue] reinit'ing net text");
        if (callbacks.prepareViews) callbacks.prepareViews();
        if (callbacks.restartNetReceiver) callbacks.restartNetReceiver();
        run.reloaded = 1;
    } else if (request.block) {
        for (int i = 0; i < target.blockCount; ++i) {
            if (target.blocks[i] != request.block) continue;
            examineBlock(run, i);
            break;
        }
    } else {
        for (int i = 0; i < target.blockCount; ++i) {
            if (!examineBlock(run, i)) break;
        }
    }
    finish(run);
    running_ = false;
    return run.reloaded;
}

// One block of the loop; false ends the loop (time limit, stop request).
bool ReloadScanner::keepsEdits(TextBlock& block) {
    if (!block.editData) return false;
    // Unknown editor state counts as unsaved: text in edit is never replaced behind it.
    const int state = callbacks.editState ? callbacks.editState(block) : 2;
    return state == 2 && block.editData;
}

bool ReloadScanner::examineBlock(Run& run, int index) {
    TextStore& target = theStore();
    TextBlock& block = *target.blocks[index];
    const ReloadRequest& request = run.request;
    const bool byName = !request.fileName.empty();
    if (block.clipText && !run.wrapping) return true;
    if (!block.fileName || block.ring) return true;
    if (byName) {
        if (traceMode()) logMessage("check %s", block.fileName);
        if (withoutTrailingBlanks(block.fileName) != withoutTrailingBlanks(request.fileName))
            return true;
        ++run.nameMatches;
    }
    if (run.useMask) {
        if (!matchesReloadMask(block.fileName, run.settings.maskWords)) {
            ++run.maskSkips;
            return true;
        }
        ++run.maskMatches;
    }
    // A state gathered before counts only for the block of the same name; the gathering
    // stopped early where it has none.
    const FileStatus* given = nullptr;
    if (run.states && static_cast<size_t>(index) < run.states->states.size() &&
        static_cast<size_t>(index) < run.states->names.size() &&
        run.states->names[static_cast<size_t>(index)] == block.fileName) {
        given = &run.states->states[static_cast<size_t>(index)];
        if (!given->checked) {
            if (run.states->timeLimitReached || run.states->stopped) {
                run.stopped = true;
                if (run.states->stopped) {
                    logMessage("reload scan stopped.");
                } else {
                    logMessage("[blue] reload scan maxtime reached (%ld)",
                               static_cast<long>(run.settings.maxScanMs / 1000));
                    logMessage("scan stopped, system possibly overloaded.");
                }
                return false;
            }
            given = nullptr;
        }
    }
    block.lastCheckMs = now();
    if (run.wrapping && !block.canWrap()) {
        if (callbacks.showStatus) callbacks.showStatus("cannot wrap this text", kStatusMs);
        run.wrapping = false;
    }
    if (keepsEdits(block)) {
        if (request.block || byName) {
            if (callbacks.showStatus) callbacks.showStatus("file in edit, no reload.", kStatusMs);
        } else {
            logMessage("[note] in edit, no reload: %s", block.fileName);
        }
    } else {
        int code = 0;
        bool changed = run.wrapping || (request.flags & kReloadEvenUnchanged);
        if (!changed) {
            const FileStatus status = given ? *given : statusOfFile(block.fileName);
            changed = compareWithFile(block, status, code);
        }
        if (changed) {
            wrapOrReload(run, index);
        } else if (traceMode()) {
            logMessage("no change: %s (%d)", block.fileName, code);
        }
    }
    ++run.examined;
    if (request.block) return false;
    if (!(request.flags & kReloadUserStarted)) {
        const int64_t brutto = now() - run.startMs;
        const int64_t netto = brutto - run.reloadMs;
        if (netto > run.settings.maxScanMs) {
            logMessage("[blue] reload scan maxtime reached (%ld)",
                       static_cast<long>(run.settings.maxScanMs / 1000));
            logMessage("scan stopped, system possibly overloaded.");
            if (traceMode()) {
                logMessage("brutto %ld netto %ld", static_cast<long>(brutto),
                           static_cast<long>(netto));
            }
            run.stopped = true;
            return false;
        }
    }
    if (byName) return true;
    if (now() - run.lastRepaintMs >= kScanRepaintMs) {
        run.lastRepaintMs = now();
        if (callbacks.repaint) callbacks.repaint();
    }
    if (run.examined % kPumpEveryBlocks == 0) {
        if (callbacks.pumpMessages) callbacks.pumpMessages();
        if (callbacks.stopRequested && callbacks.stopRequested()) {
            logMessage("reload scan stopped.");
            run.stopped = true;
            return false;
        }
    }
    return true;
}

void ReloadScanner::wrapOrReload(Run& run, int index) {
    TextStore& target = theStore();
    TextBlock& block = *target.blocks[index];
    if (!run.prepared) {
        run.prepared = true;
        if (callbacks.prepareViews) callbacks.prepareViews();
        if (callbacks.beforeStoreChange) callbacks.beforeStoreChange();
        if (callbacks.beforeReload) callbacks.beforeReload();
        target.loadRunning = true;
    }
    BlockChange change;
    change.blockIndex = index;
    change.oldFirstLine = block.firstLine;
    change.oldLineCount = block.lineCount;
    if (run.wrapping) {
        char text[96];
        if (const char* kind = block.reloadKind()) {
            std::snprintf(text, sizeof text, "%s cannot be wrapped.", kind);
        } else if (block.wrapWidth == run.request.wrapWidth &&
                   block.rewrapped == run.request.streamWrap) {
            block.wrapWidth = -1;
            block.wrap(run.settings.tabWidth);
            std::snprintf(text, sizeof text, "no wrap");
            ++run.reloaded;
        } else {
            block.wrapWidth = run.request.wrapWidth;
            block.rewrapped = run.request.streamWrap;
            block.wrap(run.settings.tabWidth);
            std::snprintf(text, sizeof text, "%swrap at %ld",
                          run.request.streamWrap ? "stream" : "",
                          static_cast<long>(run.request.wrapWidth));
            ++run.reloaded;
        }
        if (callbacks.showStatus) callbacks.showStatus(text, kWrapMessageMs);
        change.newLineCount = block.lineCount;
        run.changes.push_back(change);
        return;
    }
    if (!run.announced) {
        run.announced = true;
        logMessage("[info] :reloading:");
    }
    logMessage("[blue] %s", block.fileName);
    const int flags = run.request.flags;
    bool reload =
        !(flags & kReloadAutomatic) || (flags & kReloadForce) || !run.settings.delayOnSize;
    if (!reload) {
        int64_t megabytes = block.watchedSize / kMegabyte;
        if (megabytes == 0) megabytes = block.usedBytes / kMegabyte;
        if (megabytes > run.settings.delaySizeMb) {
            logMessage("[blue] skip by reloaddelayonsize: %s", block.fileName);
            ++run.sizeSkipped;
            run.sizeSkippedMb += megabytes;
        } else {
            reload = true;
        }
    }
    if (!reload) return;
    const int64_t started = now();
    const int rc = reloadBlock(block);
    run.reloadMs += now() - started;
    if (rc == 2) return;
    ++run.reloaded;
    change.newLineCount = block.lineCount;
    run.changes.push_back(change);
}

void ReloadScanner::finish(Run& run) {
    TextStore& target = theStore();
    const ReloadRequest& request = run.request;
    const bool wholeScan = !request.block && !run.wrapping && !(request.flags & kReloadRestartNet);
    if (run.reloaded > 0) {
        if (wholeScan && request.fileName.empty()) {
            logMessage("[info] %ld files %s.", static_cast<long>(run.reloaded),
                       request.wrapWidth > 0 ? "wrapped" : "reloaded");
        }
        target.renumber();
        target.loadRunning = false;
        if (callbacks.afterReload && run.prepared) callbacks.afterReload();
        lastChanges = run.changes;
        if (callbacks.refreshViews) callbacks.refreshViews(run.changes);
    } else {
        if (run.prepared) {
            target.loadRunning = false;
            if (callbacks.afterReload) callbacks.afterReload();
            if (callbacks.refreshViews) callbacks.refreshViews({});
        }
        if (!request.fileName.empty() && run.nameMatches == 0) {
            logMessage("unknown filename, cannot reload:");
            logMessage("[error] %s", request.fileName.c_str());
        } else if (!run.stopped && !request.block && request.fileName.empty() &&
                   !(request.flags & kReloadRestartNet)) {
            logMessage("none of %ld files changed.", static_cast<long>(run.examined));
        }
    }
    if (run.useMask) {
        if (run.maskMatches > 0) {
            logMessage("mask match=%ld skip=%ld", run.maskMatches, run.maskSkips);
        } else {
            logMessage("![error] no filenames match the auto reload limit mask.");
        }
    }
    sizeSkippedFiles = run.sizeSkipped;
    sizeSkippedMb = run.sizeSkippedMb;
    lastStopped = run.stopped;
    lastExamined = run.examined;
    if (run.sizeSkipped > 0) {
        char text[96];
        std::snprintf(text, sizeof text, "%ld file reloads skipped by size (%ld mb)",
                      static_cast<long>(run.sizeSkipped), static_cast<long>(run.sizeSkippedMb));
        if (callbacks.showStatus) callbacks.showStatus(text, kStatusMs);
        logMessage("[note] %ld files (%ld mb) skipped by reloaddelayonsize.",
                   static_cast<long>(run.sizeSkipped), static_cast<long>(run.sizeSkippedMb));
        logMessage("[blue] click on rlarge to load them as well.");
    }
}

}  // namespace tessel
