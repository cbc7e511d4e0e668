// What a view shows while a load writes the store: the loader's progress lines from a quarter
// of the view's height down, and excerpts of the loaded text when "loadshow" is on. The store
// must not be read meanwhile, so these rows replace the text rows entirely.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/load_target.h"

namespace tessel {

class View;

// The progress of the running load, shared by the loader thread (which publishes the lines)
// and the user interface thread (which draws them).
class LoadProgress {
  public:
    // User interface thread: a load starts (clears the lines) or has ended.
    void begin();
    void end();
    bool active() const { return active_.load(); }

    // Any thread: the latest progress lines.
    void publish(const std::vector<std::string>& lines);
    // Copies the latest lines into out, reusing its storage.
    void copyLines(std::vector<std::string>& out) const;

    // The excerpts of the loaded text; the load driver fills it while "loadshow" is on.
    LoadShow show;
    bool showText = false;  // "loadshow"
    bool showFull = false;  // "loadshowfull": the excerpts may fill the whole view

  private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    std::atomic<bool> active_{false};
};

// The process-wide progress of the one load that may run.
LoadProgress& loadProgress();

// A progress line fitted to a view `columns` wide: the current file's path (isPath) is
// shortened from the left to at most 100 characters or the width less 30, other lines are
// cut at the width.
std::string fitProgressLine(std::string_view line, bool isPath, int columns);

// True for the lines above the file paths: counts, speed, roots and filters.
bool isProgressHeadLine(size_t index, std::string_view line);

// While the view's store is being loaded: fills rows 0 .. textRows - 1 with the progress and
// the load show, and returns 0. Returns 1 (nothing written) when no load runs.
int buildLoadRows(View& view, const LoadProgress& progress, int textRows, int columns);

}  // namespace tessel
