// The one reporting channel. Every module reports what it does, and what went wrong, through
// logMessage into the process-wide MessageLog: a ring of the 100 newest messages with their
// time stamps. Message kinds travel as text prefixes ("[error] ", "[note] ", ...) and
// markers ("~" transient, "!" emphasised). logMessage may be called from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

constexpr int kLogSlots = 100;
constexpr int kLogSlotBytes = 200;
constexpr int kLogSlotChars = 189;
constexpr int kLogFormatBytes = 4096;
constexpr int kStatusInfoBytes = 4096;

// Milliseconds of a monotonic tick counter; the log's stamps and all timers use it.
int64_t tickMs();

// Overlay colours of the message kinds.
struct LogColor {
    uint8_t r, g, b;
};
LogColor logColorOf(std::string_view message);

class MessageLog {
  public:
    // Stores one formatted message (markers, prefixes, cutting, the ring shift).
    void add(std::string_view formatted, int64_t nowMs);

    // Slot 0 is the newest; an empty text ends the list.
    std::string text(int slot) const;
    int64_t stamp(int slot) const;
    int count() const;

    // Joins all messages oldest first, each followed by CR LF, and keeps the result as the
    // snapshot (replacing an earlier one).
    const std::string& takeSnapshot();
    bool hasSnapshot() const;
    std::string snapshot() const;
    void freeSnapshot();

    // Visits the filled slots newest first while the lock is held (for the overlay).
    void forEach(const std::function<void(int slot, const char* text, int64_t stamp)>& visit) const;

    void clear();

    int displayMode = 0;  // 0 fading, 1 hovered, 2 pinned open
    bool wide = false;

  private:
    mutable std::mutex lock_;
    char text_[kLogSlots][kLogSlotBytes] = {};
    int64_t stamp_[kLogSlots] = {};
    bool replaceNext_ = false;
    bool hasSnapshot_ = false;
    std::string snapshot_;
};

MessageLog& messageLog();

// Trace and verbose mode: extra diagnostic lines. Process-wide flags.
bool traceMode();
void setTraceMode(bool on);
bool verboseMode();
void setVerboseMode(bool on);

// printf-style; never fails.
void logMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Logs "[error] error: %s" (mode 2: "[error] %s"); mode 1 appends the stored error detail
// text of the toolkit, if any. Returns 0.
int logError(int mode, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The stored toolkit error detail appended by logError mode 1.
void setToolkitErrorDetail(std::string_view text);
// Message sink of the toolkit: 1 error, 2 warning, 3 information.
void toolkitMessage(int kind, const char* text);

// Receives every logged message too (for -batch dumps, stderr echo and tests).
using LogListener = std::function<void(std::string_view formatted)>;
void setLogListener(LogListener listener);

// The short status text of the main window's "find:" row, kept for at least 500 ms.
struct StatusInfo {
    char infoText[kStatusInfoBytes] = {};
    int64_t infoExpiry = 0;
    char blueInfo[kStatusInfoBytes] = {};
    // Called when the text must be shown at once (the view rebuilds its status row).
    std::function<void()> redraw;

    void show(const char* text, bool redrawNow, bool doNotLog);
    void showBlue(const char* text, bool redrawNow, bool doNotLog);
    // After a status row rebuild: clears the text when its time is over.
    void expire(int64_t nowMs);
};
StatusInfo& statusInfo();
void showStatusInfo(const char* text, bool redrawNow = false, bool doNotLog = false);

// Detail lines of the last operation that produces many of them.
int addErrorDetail(const char* format, ...) __attribute__((format(printf, 1, 2)));
int addErrorDetailQuiet(const char* format, ...) __attribute__((format(printf, 1, 2)));
void clearErrorDetails();
std::vector<std::string> errorDetails();
// The text of the "last error details" box.
std::string errorDetailsText();

// Out-of-memory report: logged every time, shown in a box for the first 3 of a run.
void reportOutOfMemory(long site, long size = -1);
bool outOfMemoryReported();
void resetOutOfMemoryReports();  // tests only
// The platform installs the box; until then the report is only logged.
using MessageBoxHook = std::function<void(const char* title, const char* text)>;
void setMessageBoxHook(MessageBoxHook hook);
void showMessageBox(const char* title, const char* text);

}  // namespace tessel
