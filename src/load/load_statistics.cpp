#include "load/load_statistics.h"

#include <cstdio>

#include "base/log/message_log.h"
#include "text/snapfile_load.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr const char* kIndent = "          ";
constexpr size_t kLongestPathChars = 100;

std::string format(const char* pattern, auto... values) {
    char buffer[512];
    int length = std::snprintf(buffer, sizeof buffer, pattern, values...);
    if (length < 0) return std::string();
    return std::string(buffer, static_cast<size_t>(length) < sizeof buffer
                                   ? static_cast<size_t>(length)
                                   : sizeof buffer - 1);
}

}  // namespace

void LoadStatistics::reset(int64_t nowMs) {
    files = 0;
    lines = 0;
    bytes = 0;
    startMs = nowMs;
    stopMs = 0;
    progressLines = 0;
    limitAccepted = false;
    loadFailed = false;
}

int64_t LoadStatistics::elapsedMs(int64_t nowMs) const {
    int64_t stop = stopMs.load();
    int64_t elapsed = (stop != 0 ? stop : nowMs) - startMs.load();
    return elapsed > 0 ? elapsed : 0;
}

LoadStatistics& loadStatistics() {
    static LoadStatistics statistics;
    return statistics;
}

// Every file block carries three record lines (header, name, closing line) and block 0 holds
// the stream header; neither is text of a file, so only the rest is counted.
StoreTotals storeTotals(const TextStore& store) {
    StoreTotals totals;
    totals.files = store.blockCount > 0 ? static_cast<unsigned long>(store.blockCount - 1) : 0;
    for (int i = 1; i < store.blockCount; ++i) {
        const TextBlock* block = store.blocks[i];
        if (block && block->lineCount > kRecordHeaderLines)
            totals.lines += static_cast<unsigned long>(block->lineCount - kRecordHeaderLines);
    }
    totals.megabytes = static_cast<unsigned long>(store.atext / 1048576);
    return totals;
}

void reportLoadStatistics(const LoadStatistics& statistics, const TextStore& store, bool showSpeed,
                          bool showMiles, int64_t nowMs) {
    int64_t elapsed = statistics.elapsedMs(nowMs);
    char grouped[40];
    formatGrouped(grouped, sizeof grouped, static_cast<uint64_t>(elapsed));
    uint64_t lines = statistics.lines.load();
    logMessage("loaded %lu files, %lu lines, %s msec.",
               static_cast<unsigned long>(statistics.files.load()),
               static_cast<unsigned long>(lines), grouped);
    if (showSpeed) {
        SpeedFigures speed = speedFigures(lines, static_cast<double>(elapsed) / 1000.0);
        if (showMiles)
            logMessage("%.1f miles, %.0f mph, mach %.1f", speed.miles, speed.mph, speed.mach);
        else
            logMessage("%.1f km, %.0f kmh, mach %.1f", speed.km, speed.kmh, speed.mach);
    }
    StoreTotals totals = storeTotals(store);
    logMessage("total %lu files, %lu lines, %lu mb.", totals.files, totals.lines, totals.megabytes);
}

std::string shortenPath(std::string_view path, size_t maxChars) {
    if (path.size() <= maxChars) return std::string(path);
    if (maxChars <= 3) return std::string("...").substr(0, maxChars);
    std::string_view tail = path.substr(path.size() - (maxChars - 3));
    size_t slash = tail.find('/');
    if (slash != std::string_view::npos) tail.remove_prefix(slash);
    return "..." + std::string(tail);
}

void ProgressLines::start(int rows, int columns) {
    rows_ = rows > 4 ? rows : 4;
    columns_ = columns > 40 ? columns : 40;
    lines_.clear();
    paths_.clear();
    lastPath_.clear();
    lastSecond_ = -1;
    speedLine_.clear();
}

const std::vector<std::string>& ProgressLines::update(const ProgressSnapshot& s) {
    lines_.clear();
    unsigned long mb = static_cast<unsigned long>(s.bytes / 1048576);
    std::string count = s.lines == 0 ? format("%sloading %lu files, %lu mb.", kIndent,
                                              static_cast<unsigned long>(s.files), mb)
                                     : format("%sloading %lu files, %lu lines, %lu mb.", kIndent,
                                              static_cast<unsigned long>(s.files),
                                              static_cast<unsigned long>(s.lines), mb);
    if (s.binarySkipped > 0) {
        std::string names(s.binaryNames.substr(0, 200));
        count += format("     %ld binary files skipped (%s).", static_cast<long>(s.binarySkipped),
                        names.c_str());
    }
    lines_.push_back(std::move(count));
    int second = static_cast<int>(s.elapsedSeconds);
    if (s.showSpeed && second != lastSecond_ && s.elapsedSeconds > 0) {
        lastSecond_ = second;
        char speed[200];
        formatSpeedLine(speed, sizeof speed, kIndent, s.lines, s.elapsedSeconds, s.showMiles);
        speedLine_ = speed;
    }
    if (s.showSpeed && !speedLine_.empty()) lines_.push_back(speedLine_);
    std::string text;
    if (s.rootCount > 1) {
        text.assign(s.root.substr(0, 200));
        lines_.push_back(format("%sroot   folder: %.200s", kIndent, text.c_str()));
    }
    if (!s.fileMask.empty() && s.fileMask != "*") {
        text.assign(s.fileMask.substr(0, 200));
        lines_.push_back(format("%sfile   filter: %.200s", kIndent, text.c_str()));
    }
    if (!s.dirMask.empty() && s.dirMask != "*") {
        text.assign(s.dirMask.substr(0, 200));
        lines_.push_back(format("%ssubdir filter: %.200s", kIndent, text.c_str()));
    }
    if (!s.currentPath.empty() && s.currentPath != lastPath_) {
        lastPath_.assign(s.currentPath);
        size_t room = columns_ > 30 + 10 ? static_cast<size_t>(columns_ - 30) : 10;
        if (room > kLongestPathChars) room = kLongestPathChars;
        if (static_cast<int>(lines_.size() + paths_.size()) < rows_)
            paths_.push_back(kIndent + shortenPath(lastPath_, room));
    }
    for (const std::string& path : paths_) {
        if (static_cast<int>(lines_.size()) >= rows_) break;
        lines_.push_back(path);
    }
    return lines_;
}

}  // namespace tessel
