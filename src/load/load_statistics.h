// Figures of the running or last load: counters the loader thread updates and the user
// interface thread reads for its progress display, the progress lines themselves and the
// report logged after every load.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class TextStore;

struct LoadStatistics {
    std::atomic<uint64_t> files{0};
    std::atomic<uint64_t> lines{0};
    std::atomic<uint64_t> bytes{0};
    std::atomic<int64_t> startMs{0};
    std::atomic<int64_t> stopMs{0};  // 0 while running
    std::atomic<int> progressLines{0};
    std::atomic<bool> limitAccepted{false};
    std::atomic<bool> loadFailed{false};

    void reset(int64_t nowMs);
    int64_t elapsedMs(int64_t nowMs) const;
};

// Process-wide, reset at the start of every load.
LoadStatistics& loadStatistics();

// The whole store as the report counts it: files are the blocks behind the header block,
// lines the text lines of their records.
struct StoreTotals {
    unsigned long files = 0;
    unsigned long lines = 0;
    unsigned long megabytes = 0;
};
StoreTotals storeTotals(const TextStore& store);

// Logs "loaded %lu files, %lu lines, %s msec.", the speed line when asked for and the
// store's totals.
void reportLoadStatistics(const LoadStatistics& statistics, const TextStore& store, bool showSpeed,
                          bool showMiles, int64_t nowMs);

// What the progress lines show at one moment.
struct ProgressSnapshot {
    uint64_t files = 0;
    uint64_t lines = 0;
    uint64_t bytes = 0;
    uint64_t binarySkipped = 0;
    std::string_view binaryNames;
    size_t rootCount = 0;
    std::string_view root;
    std::string_view fileMask;
    std::string_view dirMask;
    std::string_view currentPath;
    double elapsedSeconds = 0;
    bool showSpeed = false;
    bool showMiles = false;
};

// The progress display of a load: fixed head lines, then the path of each new current
// file until the rows are full.
class ProgressLines {
  public:
    // rows: lines that fit the view below the quarter it starts at; columns: its width.
    void start(int rows, int columns);
    // Rebuilds the head and adds the current path when it changed.
    const std::vector<std::string>& update(const ProgressSnapshot& snapshot);
    const std::vector<std::string>& lines() const { return lines_; }

  private:
    std::vector<std::string> lines_;
    std::vector<std::string> paths_;
    std::string lastPath_;
    int rows_ = 20;
    int columns_ = 130;
    int lastSecond_ = -1;
    std::string speedLine_;
};

// Cuts a path from the left to fit maxChars: the rest starts with "..." at a separator.
std::string shortenPath(std::string_view path, size_t maxChars);

}  // namespace tessel
