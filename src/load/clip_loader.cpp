#include "load/clip_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "text/line_reader.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr char kClosingLine[] = "\n \n";

// A drive name ("c:\\") or, on this system, a text starting at the root folder.
bool looksLikeAbsoluteName(std::string_view text) {
    if (text.size() > 1 && text[0] == '/' && text[1] != '/') return true;
    return text.size() > 2 && text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

}  // namespace

int reopenBeforeClosingLine(TextBlock& block) {
    if (block.openForAdd() != 0) return 9;
    if (block.usedBytes >= 3 &&
        std::memcmp(block.text + block.usedBytes - 3, kClosingLine, 3) == 0) {
        block.usedBytes -= 2;
        block.text[block.usedBytes] = '\0';
    }
    return 0;
}

ClipSettings clipSettingsFromConfig() {
    const AppSettings& app = appSettings();
    ClipSettings settings;
    settings.minLines = app.clipMinLines > 0 ? app.clipMinLines : 1;
    settings.allowDuplicates = app.clipAllowDups;
    settings.appendSeparator = config().getInt("clipAppendUseSeparator") != 0 || app.clipAddSep;
    settings.separatorLine = app.separatorLine.substr(0, kSeparatorLineChars);
    settings.loadTop =
        app.clipReloadTop >= 0 ? app.clipReloadTop != 0 : config().getInt("clipLoadTop") != 0;
    settings.loadBottom = app.clipReloadBottom >= 0 ? app.clipReloadBottom != 0
                                                    : config().getInt("clipLoadBottom") != 0;
    settings.autoDelaysMs = {app.clipAutoDelayInitial, app.clipAutoDelayFallback,
                             app.clipAutoDelayMax};
    return settings;
}

int clipLineCount(std::string_view text) {
    return forEachTextLine(text, [](const std::string&) {});
}

TextStore& ClipLoader::theStore() {
    return store ? *store : textStore();
}

ClipSettings ClipLoader::settings() const {
    return settingsOverride ? *settingsOverride : clipSettingsFromConfig();
}

TextBlock* ClipLoader::clipBlock() {
    TextStore& s = theStore();
    for (int i = 0; i < s.blockCount; ++i) {
        TextBlock* block = s.blockAt(i);
        if (block && block->clipText) return block;
    }
    return nullptr;
}

int ClipLoader::readClipboard(bool fresh, std::string& text) {
    if (haveCache_ && !fresh) {
        text = cache_;
        return kClipReadOk;
    }
    if (!callbacks.readClipboard) return kClipNoText;
    ClipboardContent content = callbacks.readClipboard();
    if (content.failure != 0) return content.failure;
    if (content.hasText) {
        if (traceMode()) logMessage("clip.gettext");
        text = std::move(content.text);
    } else if (content.files.size() == 1) {
        if (traceMode()) logMessage("clip.getdrop");
        text = content.files.front().substr(0, kClipFileNameChars);
    } else if (content.files.size() > 1) {
        logMessage("[blue] cannot process %ld filenames", static_cast<long>(content.files.size()));
        return kClipManyFiles;
    } else {
        return kClipNoText;
    }
    cache_ = text;
    haveCache_ = true;
    return kClipReadOk;
}

int ClipLoader::fill(TextBlock& block, int flags, const char* scratchName) {
    filledLines = 0;
    filledChars = 0;
    if (!loading_) {
        logMessage("internal #2812281");
        return 9;
    }
    const bool append = (flags & kFillAppend) != 0;
    const bool clear = (flags & kFillClear) != 0;
    const ClipSettings current = settings();
    if (!append) block.reset(1);
    if ((append ? reopenBeforeClosingLine(block) : block.openForAdd()) != 0) {
        logMessage("failed to (re)load clip (2)");
        return 9;
    }
    std::FILE* scratch = nullptr;
    if ((flags & kFillScratch) && scratchName) {
        scratch = std::fopen(scratchName, "wb");
        if (!scratch) logMessage("cannot write file: %s", scratchName);
    }
    if (append) {
        int linesBefore = 0;
        for (int64_t at = 0; at < block.usedBytes; ++at) linesBefore += block.text[at] == '\n';
        if (current.appendSeparator && linesBefore > 2)
            block.addText(current.separatorLine.c_str(), true);
    } else {
        const char* name = scratch ? scratchName : kClipBlockName;
        block.setName(name);
        TextStore& s = theStore();
        const std::string prefix =
            s.prefixLength > 0 ? std::string(s.recordPrefix) : std::string(kFileRecordPrefix);
        if (s.prefixOnNameLine) {
            block.addText((prefix + " " + name).c_str(), true);
        } else {
            block.addText(prefix.c_str(), true);
            block.addText(name, true);
        }
    }
    bool diskFull = false;
    if (!clear) {
        std::string text;
        const int code = readClipboard(true, text);
        if (code == kClipReadOk) {
            filledLines = forEachTextLine(text, [&](const std::string& line) {
                block.addText(line.c_str(), true, static_cast<int64_t>(line.size()));
                if (scratch && !diskFull &&
                    (std::fwrite(line.data(), 1, line.size(), scratch) != line.size() ||
                     std::fwrite("\r\n", 1, 2, scratch) != 2)) {
                    diskFull = true;
                }
            });
            filledChars = static_cast<int64_t>(text.size());
        }
    }
    block.addText(" ", true);
    int result = block.close() == 0 ? 0 : 9;
    if (scratch) {
        if (std::fclose(scratch) != 0) diskFull = true;
        if (diskFull) {
            logMessage("disk full, cannot write output file");
            std::remove(scratchName);
        } else {
            logMessage("[blue] scratch file created:");
            logMessage("[blue] %s", scratchName);
        }
    }
    block.clipText = true;
    return result;
}

int ClipLoader::load(int type, bool automatic) {
    if (loading_ || (callbacks.loadRunning && callbacks.loadRunning())) return 1;
    const ClipSettings current = settings();
    if (automatic && current.minLines > 1) {
        std::string text;
        const int code = readClipboard(true, text);
        if (code == kClipBusy) {
            raiseDelay(current, "... failed to read clipboard content, please try again.");
            return 2;
        }
        const int lines = code == kClipReadOk ? clipLineCount(text) : 0;
        if (lines < current.minLines) {
            if (traceMode()) logMessage("ignoring %ld lines in clip", static_cast<long>(lines));
            return 2;
        }
    }
    if (type != kClipClear) {
        // A clipboard that cannot be read as text leaves the clip text as it is; only an
        // empty clipboard gives an empty clip load.
        std::string text;
        const int code = readClipboard(true, text);
        if (code != kClipReadOk && code != kClipNoText) return 2;
    }
    if (callbacks.resolveEditors && !callbacks.resolveEditors()) return 2;
    TextStore& s = theStore();
    TextBlock* block = clipBlock();
    if (!block && type == kClipClear) return 1;
    if (callbacks.prepareViews) callbacks.prepareViews();
    int flags = type == kClipAppend ? kFillAppend : type == kClipClear ? kFillClear : 0;
    if (!block) {
        block = s.appendBlock();
        if (!block) {
            logMessage("failed to (re)load clip (1)");
            return 9;
        }
        flags &= ~kFillAppend;
    }
    loading_ = true;
    if (callbacks.setLoading) callbacks.setLoading(true);
    const int filled = fill(*block, flags);
    s.renumber();
    loading_ = false;
    if (callbacks.setLoading) callbacks.setLoading(false);
    char status[160];
    if (type == kClipClear) {
        clipCounter = 0;
        if (callbacks.showStatus) callbacks.showStatus("clip text cleared.");
        logMessage("clip cleared");
    } else {
        std::snprintf(status, sizeof status, "%s %ld lines, %ld chars from clip.",
                      type == kClipAppend ? "appended" : "loaded", static_cast<long>(filledLines),
                      static_cast<long>(filledChars));
        if (callbacks.showStatus) callbacks.showStatus(status);
        logMessage("clip %ld done", static_cast<long>(++clipCounter));
    }
    if (callbacks.refreshViews) {
        const bool placed = type != kClipClear;
        callbacks.refreshViews(block->firstLine, block->endLine - 1, placed && current.loadTop,
                               placed && !current.loadTop && current.loadBottom);
    }
    return filled == 0 ? 0 : 9;
}

int ClipLoader::loadList(bool append) {
    if (loading_ || (callbacks.loadRunning && callbacks.loadRunning())) return 1;
    if (callbacks.resolveEditors && !callbacks.resolveEditors()) return 2;
    std::string text;
    const int code = readClipboard(true, text);
    if (code != kClipReadOk) {
        logMessage("cannot read clipboard (%ld,3)", static_cast<long>(code));
        return 9;
    }
    std::vector<std::string> paths;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) paths.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (paths.empty()) {
        logMessage("[blue] no text files found to load.");
        return 1;
    }
    return callbacks.loadPaths ? callbacks.loadPaths(paths, append) : 9;
}

void ClipLoader::clipboardChanged(bool ownChange) {
    if (loading_ || (callbacks.loadRunning && callbacks.loadRunning())) {
        logMessage("can't handle clip change while loading");
        return;
    }
    if (ownChange) return;
    const ClipSettings current = settings();
    std::string text;
    const int code = readClipboard(true, text);
    if (code == kClipBusy) {
        if (!raiseDelay(current, "... an external application seems to have errors.")) {
            logMessage("[error] cannot read clipboard content (%ld,1)", long{code});
            logMessage("[note] you may try to increase the clipautodelay values");
        } else if (callbacks.retryAfter) {
            callbacks.retryAfter(currentDelayMs(), [this] { clipboardChanged(false); });
        }
        return;
    }
    if (code == kClipNoData || code == kClipCannotLock || code == kClipOutOfMemory) {
        logMessage("[error] cannot read clipboard content (%ld,2)", static_cast<long>(code));
        logMessage("[note] there was an unrecoverable error, maybe out of mem");
        return;
    }
    if (code != kClipReadOk) return;
    if (!current.allowDuplicates && callbacks.digest) {
        std::string digest = callbacks.digest(text);
        if (digest == lastDigest) {
            if (traceMode()) logMessage("skipping dup clip");
            return;
        }
        lastDigest = std::move(digest);
    }
    if (traceMode()) logMessage("[blue] using clip \"%.50s\"", text.c_str());
    if (automation.autoReload || automation.autoAppend) {
        const int rc = load(automation.autoReload ? kClipLoad : kClipAppend, true);
        if (rc != 0 && rc != 2) logMessage("[note] failed to reload clipboard, rc %ld", long{rc});
        if (traceMode() && rc == 0)
            logMessage("[blue] clipboard %s", automation.autoReload ? "reloaded" : "appended");
    }
    if (automation.fileNameMonitoring && looksLikeAbsoluteName(text) && callbacks.offerFileNames)
        callbacks.offerFileNames(clipLineCount(text));
    if (callbacks.searchViews) callbacks.searchViews(text);
}

int ClipLoader::currentDelayMs() const {
    return std::max(settings().autoDelaysMs[static_cast<size_t>(delayStep_)], 0);
}

bool ClipLoader::raiseDelay(const ClipSettings& current, const char* advice) {
    const auto last = static_cast<int>(current.autoDelaysMs.size()) - 1;
    if (delayStep_ >= last) return false;
    ++delayStep_;
    logMessage("[note] clipboard access conflict, using delay (%ld)",
               static_cast<long>(current.autoDelaysMs[static_cast<size_t>(delayStep_)]));
    logMessage("%s", advice);
    return true;
}

ClipLoader& clipLoader() {
    static ClipLoader loader;  // user interface thread only
    return loader;
}

}  // namespace tessel
