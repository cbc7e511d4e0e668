// Snapfiles on their way into the store: copying a snapfile's records into a load stream
// (a snapfile loaded as a single file), and the start-up load of one snapfile, read line
// by line straight into the TextStore with its own progress display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "text/line_reader.h"

namespace tessel {

class TextStore;
class LoadShow;

// The longest record name a snapfile keeps; a longer name line is cut to it.
constexpr size_t kMaxNameLineBytes = kLineBufferBytes - 10;

// Copies records from the first line starting with recordPrefix on, so the snapfile's own
// header never reaches the stream. Lines that read like a snapfile header are escaped with
// an apostrophe. Counts a file per record. A name line too long for a file name is cut, noted
// with `path`. Returns 0, or 9 when the output failed.
int copySnapfileRecords(LineSource& source, std::string_view recordPrefix, const LineOutput& output,
                        LineReaderCounts& counts, const char* path);

// Length and speed of a load, counting each line as one seventh of an inch.
struct SpeedFigures {
    double km = 0;
    double miles = 0;
    double kmh = 0;
    double mph = 0;
    double mach = 0;
};
SpeedFigures speedFigures(uint64_t lines, double elapsedSeconds);

// "<indent>%.1f km, %d seconds, mach %.1f", or "%.0f kmh" in place of mach while below mach
// 1; with miles the "miles" and "mph" forms. Returns the length written.
size_t formatSpeedLine(char* out, size_t capacity, const char* indent, uint64_t lines,
                       double elapsedSeconds, bool miles);

// Decimal digits grouped by three with commas ("1,234,567").
size_t formatGrouped(char* out, size_t capacity, uint64_t value);

// The text of the box titled "file not found" when the start-up snapfile cannot be opened.
std::string fileNotFoundText(const char* path);
inline constexpr char kFileNotFoundTitle[] = "file not found";

constexpr uint64_t kStartupProgressLines = 0x4000;
constexpr int64_t kStartupProgressMs = 500;
constexpr size_t kStartupPathMax = 1014;

struct StartupLoadHooks {
    std::function<void(const char* text)> showStatus;  // "   loading %s"
    // The speed line (null when not due) and the count line.
    std::function<void(const char* speedLine, const char* countLine)> showProgress;
    std::function<void()> pumpMessages;
    std::function<int64_t()> now;  // milliseconds; tickMs when unset
    LoadShow* loadShow = nullptr;
    bool showSpeed = false;
    bool showMiles = false;
};

struct StartupLoadStats {
    uint64_t lines = 0;
    uint64_t bytes = 0;  // line lengths plus two for each line end
    int64_t startMs = 0;
    int64_t stopMs = 0;
};

// Results of loadStartupSnapfile besides 0 (loaded) and 9 (a line could not be stored).
constexpr int kStartupLoadStopped = 1;
constexpr int kStartupFileNotFound = 2;

// Loads one snapfile at start-up: every line, its header included, goes to
// TextStore::addLine, so the header decides the record prefix. Ends with
// TextStore::finish in every case but kStartupFileNotFound, after which the caller shows
// fileNotFoundText.
int loadStartupSnapfile(const char* path, TextStore& store, const StartupLoadHooks& hooks,
                        StartupLoadStats& stats);

}  // namespace tessel
