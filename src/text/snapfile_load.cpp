#include "text/snapfile_load.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/log/message_log.h"
#include "text/load_target.h"
#include "text/snapfile.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr double kCmPerInch = 2.54;
constexpr double kLinesPerInch = 7;
constexpr double kCmPerKm = 100000;
constexpr double kKmPerMile = 1.609344;
constexpr double kSoundKmPerSecond = 0.343;

bool startsWith(const char* text, size_t length, std::string_view start) {
    return !start.empty() && length >= start.size() &&
           std::memcmp(text, start.data(), start.size()) == 0;
}

// A record's name stands on the line after its start, or on the start line itself when the
// prefix shares the name's line. A name longer than any path (a damaged or crafted snapfile)
// is cut to what a name line holds, the rest of it dropped, and a note names the line.
class NameLineGuard {
  public:
    // True when the line is to be left out; a name line that is too long is shortened here.
    bool drop(SourceLine& line, std::string_view recordPrefix, bool prefixOnNameLine,
              const char* file) {
        if (!midLine_) ++lineNumber_;
        midLine_ = !line.hasNewline;
        if (dropping_) {
            dropping_ = !line.hasNewline;
            return true;
        }
        bool recordStart = startsWith(line.text, line.length, recordPrefix);
        bool nameLine = prefixOnNameLine ? recordStart : nameNext_;
        nameNext_ = recordStart;
        size_t textLength = line.length - (line.hasNewline ? 1 : 0);
        if (!nameLine || textLength <= kMaxNameLineBytes) return false;
        logMessage("[note] file name too long in line %" PRIu64 ", cut to %zu bytes: %s",
                   lineNumber_, kMaxNameLineBytes, file);
        line.length = kMaxNameLineBytes;
        line.text[line.length] = '\0';
        dropping_ = !line.hasNewline;
        line.hasNewline = false;
        return false;
    }

  private:
    uint64_t lineNumber_ = 0;
    bool midLine_ = false;
    bool nameNext_ = false;
    bool dropping_ = false;
};

}  // namespace

int copySnapfileRecords(LineSource& source, std::string_view recordPrefix, const LineOutput& output,
                        LineReaderCounts& counts, const char* path) {
    bool inRecords = false;
    NameLineGuard names;
    SourceLine line;
    while (source.next(kMaxLineBytes, line)) {
        if (names.drop(line, recordPrefix, false, path)) continue;
        bool recordStart = startsWith(line.text, line.length, recordPrefix);
        if (!inRecords && !recordStart) continue;
        inRecords = true;
        if (recordStart) ++counts.files;
        bool escape = hasSnapfileMagic(line.text, line.length);
        ++counts.lines;
        counts.bytes += line.length;
        if (passLine(line, escape, output) != 0) return 9;
    }
    return 0;
}

SpeedFigures speedFigures(uint64_t lines, double elapsedSeconds) {
    SpeedFigures figures;
    figures.km = static_cast<double>(lines) * kCmPerInch / kLinesPerInch / kCmPerKm;
    figures.miles = figures.km / kKmPerMile;
    // A load that took no measurable time has no meaningful speed.
    if (elapsedSeconds > 0) {
        figures.kmh = figures.km * 3600 / elapsedSeconds;
        figures.mph = figures.miles * 3600 / elapsedSeconds;
        figures.mach = figures.km / elapsedSeconds / kSoundKmPerSecond;
    }
    return figures;
}

size_t formatSpeedLine(char* out, size_t capacity, const char* indent, uint64_t lines,
                       double elapsedSeconds, bool miles) {
    if (out == nullptr || capacity == 0) return 0;
    SpeedFigures figures = speedFigures(lines, elapsedSeconds);
    const char* lead = indent ? indent : "";
    double length = miles ? figures.miles : figures.km;
    const char* unit = miles ? "miles" : "km";
    int seconds = static_cast<int>(elapsedSeconds);
    int written;
    if (figures.mach >= 1)
        written = std::snprintf(out, capacity, "%s%.1f %s, %d seconds, mach %.1f", lead, length,
                                unit, seconds, figures.mach);
    else
        written = std::snprintf(out, capacity, "%s%.1f %s, %d seconds, %.0f %s", lead, length, unit,
                                seconds, miles ? figures.mph : figures.kmh, miles ? "mph" : "kmh");
    if (written < 0) return 0;
    return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
}

size_t formatGrouped(char* out, size_t capacity, uint64_t value) {
    if (out == nullptr || capacity == 0) return 0;
    char digits[24];
    int count = std::snprintf(digits, sizeof digits, "%" PRIu64, value);
    char grouped[32];
    size_t length = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) grouped[length++] = ',';
        grouped[length++] = digits[i];
    }
    if (length >= capacity) length = capacity - 1;
    std::memcpy(out, grouped, length);
    out[length] = '\0';
    return length;
}

std::string fileNotFoundText(const char* path) {
    std::string text = "cannot load file \"";
    text += path ? path : "";
    text +=
        "\".\nplease check if the file exists.\n\nto read a directory, try one of these:\n"
        "tessel dirname\ntessel dirname .hpp .cpp\ntessel -dir mydir1 mydir2 -file .txt .html\n";
    return text;
}

int loadStartupSnapfile(const char* path, TextStore& store, const StartupLoadHooks& hooks,
                        StartupLoadStats& stats) {
    stats = StartupLoadStats{};
    auto now = [&hooks] { return hooks.now ? hooks.now() : tickMs(); };
    stats.startMs = now();
    std::string_view given = path ? path : "";
    if (given.size() >= 2 && given.front() == '"' && given.back() == '"')
        given = given.substr(1, given.size() - 2);
    char status[kStartupPathMax + 32];
    std::snprintf(status, sizeof status, "   loading %.*s",
                  static_cast<int>(given.size() < kStartupPathMax ? given.size() : kStartupPathMax),
                  given.data());
    if (hooks.showStatus) hooks.showStatus(status);
    // A path cut to fit could name another file that exists; refuse it instead.
    if (given.empty() || given.size() > kStartupPathMax) {
        if (!given.empty()) logMessage("[error] path too long: %.200s", given.data());
        stats.stopMs = now();
        return kStartupFileNotFound;
    }
    char file[kStartupPathMax + 1];
    std::memcpy(file, given.data(), given.size());
    file[given.size()] = '\0';

    LineSource source;
    int openError = source.open(file);
    if (openError != 0) {
        logMessage("[error] cannot open %s (%s)", file, std::strerror(openError));
        stats.stopMs = now();
        return kStartupFileNotFound;
    }

    int rc = 0;
    int64_t lastUpdate = stats.startMs;
    int lastSecond = -1;
    NameLineGuard names;
    SourceLine line;
    while (source.next(kMaxLineBytes, line)) {
        std::string_view prefix(store.recordPrefix, static_cast<size_t>(store.prefixLength));
        if (names.drop(line, prefix, store.prefixOnNameLine, file)) continue;
        if (store.addLine(line.text, true) != 0) {
            rc = 9;
            break;
        }
        if (hooks.loadShow != nullptr) hooks.loadShow->add(line.text, line.length);
        ++stats.lines;
        stats.bytes += line.length - (line.hasNewline ? 1 : 0) + 2;
        if (stats.lines % kStartupProgressLines == 0) {
            int64_t nowMs = now();
            if (nowMs - lastUpdate >= kStartupProgressMs) {
                lastUpdate = nowMs;
                if (hooks.pumpMessages) hooks.pumpMessages();
                double seconds = static_cast<double>(nowMs - stats.startMs) / 1000.0;
                char speed[128];
                const char* speedLine = nullptr;
                if (hooks.showSpeed && static_cast<int>(seconds) != lastSecond) {
                    lastSecond = static_cast<int>(seconds);
                    formatSpeedLine(speed, sizeof speed, "   ", stats.lines, seconds,
                                    hooks.showMiles);
                    speedLine = speed;
                }
                char lines[32];
                formatGrouped(lines, sizeof lines, stats.lines);
                char count[128];
                std::snprintf(count, sizeof count, "   %ld files, %s lines, %lu mb",
                              static_cast<long>(store.blockCount), lines,
                              static_cast<unsigned long>(stats.bytes / 1048576));
                if (hooks.showProgress) hooks.showProgress(speedLine, count);
            }
        }
        if (loadStopRequested().load(std::memory_order_relaxed)) {
            rc = kStartupLoadStopped;
            break;
        }
    }
    if (rc == 0 && source.readError() != 0) {
        logMessage("cannot read: %s (%s)\n", file, std::strerror(source.readError()));
        rc = 9;
    }
    source.close();
    if (store.finish() != 0 && rc == 0) rc = 9;
    stats.stopMs = now();
    return rc;
}

}  // namespace tessel
