#include "base/log/message_log.h"

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tessel {

namespace {

std::atomic<bool> gTraceMode{false};
std::atomic<bool> gVerboseMode{false};

std::mutex gHookLock;
LogListener gListener;
MessageBoxHook gMessageBoxHook;
std::string gToolkitErrorDetail;

std::mutex gDetailLock;
std::vector<std::string> gErrorDetails;

std::atomic<int> gOutOfMemoryReports{0};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Formats into a bounded buffer the way every reporting call does: cut at 4096 bytes.
void formatBounded(char (&buffer)[kLogFormatBytes], const char* format, va_list args) {
    int written = std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    if (written < 0) buffer[0] = 0;
}

}  // namespace

int64_t tickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

LogColor logColorOf(std::string_view message) {
    if (startsWith(message, "[error] ")) return {255, 0, 0};
    if (startsWith(message, "[note] ")) return {255, 128, 64};
    if (startsWith(message, "[blue] ")) return {0, 0, 255};
    return {144, 144, 144};
}

void MessageLog::add(std::string_view formatted, int64_t nowMs) {
    char work[kLogFormatBytes];
    size_t length = std::min(formatted.size(), sizeof work - 1);
    std::memcpy(work, formatted.data(), length);
    work[length] = 0;
    if (length == 0) {
        work[0] = ' ';
        work[1] = 0;
        length = 1;
    }
    for (size_t i = 0; i < length; ++i) {
        if (work[i] == '\t' || work[i] == '\n' || work[i] == '\r') work[i] = ' ';
    }

    std::string_view text(work, length);
    bool transient = false;
    int64_t bonus = 0;
    if (startsWith(text, "~")) {
        transient = true;
        text.remove_prefix(1);
    }
    if (startsWith(text, "!")) {
        bonus = 10000;
        text.remove_prefix(1);
    }
    if (startsWith(text, "[error] ")) bonus = 5000;
    if (startsWith(text, "[silent] ")) {
        text.remove_prefix(9);
        bonus -= 30000;
    }
    // A message too long for its slot keeps its start, where the kind and the reason stand,
    // and shows with "..." that its end was cut.
    constexpr std::string_view kCutMark = "...";
    const bool cut = text.size() > static_cast<size_t>(kLogSlotChars);
    if (cut) text = text.substr(0, kLogSlotChars - kCutMark.size());

    std::lock_guard guard(lock_);
    if (!replaceNext_) {
        std::memmove(text_[1], text_[0], sizeof text_[0] * (kLogSlots - 1));
        std::memmove(stamp_ + 1, stamp_, sizeof stamp_[0] * (kLogSlots - 1));
    }
    std::memcpy(text_[0], text.data(), text.size());
    size_t used = text.size();
    if (cut) {
        std::memcpy(text_[0] + used, kCutMark.data(), kCutMark.size());
        used += kCutMark.size();
    }
    text_[0][used] = 0;
    stamp_[0] = nowMs + bonus;
    replaceNext_ = transient;
}

std::string MessageLog::text(int slot) const {
    if (slot < 0 || slot >= kLogSlots) return {};
    std::lock_guard guard(lock_);
    return text_[slot];
}

int64_t MessageLog::stamp(int slot) const {
    if (slot < 0 || slot >= kLogSlots) return 0;
    std::lock_guard guard(lock_);
    return stamp_[slot];
}

int MessageLog::count() const {
    std::lock_guard guard(lock_);
    int n = 0;
    while (n < kLogSlots && text_[n][0]) ++n;
    return n;
}

const std::string& MessageLog::takeSnapshot() {
    std::lock_guard guard(lock_);
    snapshot_.clear();
    for (int slot = kLogSlots - 1; slot >= 0; --slot) {
        if (!text_[slot][0]) continue;
        snapshot_ += text_[slot];
        snapshot_ += "\r\n";
    }
    hasSnapshot_ = true;
    return snapshot_;
}

bool MessageLog::hasSnapshot() const {
    std::lock_guard guard(lock_);
    return hasSnapshot_;
}

std::string MessageLog::snapshot() const {
    std::lock_guard guard(lock_);
    return snapshot_;
}

void MessageLog::freeSnapshot() {
    std::lock_guard guard(lock_);
    snapshot_.clear();
    snapshot_.shrink_to_fit();
    hasSnapshot_ = false;
}

void MessageLog::forEach(
    const std::function<void(int slot, const char* text, int64_t stamp)>& visit) const {
    std::lock_guard guard(lock_);
    for (int slot = 0; slot < kLogSlots && text_[slot][0]; ++slot) {
        visit(slot, text_[slot], stamp_[slot]);
    }
}

void MessageLog::clear() {
    std::lock_guard guard(lock_);
    std::memset(text_, 0, sizeof text_);
    std::memset(stamp_, 0, sizeof stamp_);
    replaceNext_ = false;
    hasSnapshot_ = false;
    snapshot_.clear();
}

MessageLog& messageLog() {
    static MessageLog log;
    return log;
}

bool traceMode() { return gTraceMode.load(std::memory_order_relaxed); }
void setTraceMode(bool on) { gTraceMode.store(on, std::memory_order_relaxed); }
bool verboseMode() { return gVerboseMode.load(std::memory_order_relaxed); }
void setVerboseMode(bool on) { gVerboseMode.store(on, std::memory_order_relaxed); }

void setLogListener(LogListener listener) {
    std::lock_guard guard(gHookLock);
    gListener = std::move(listener);
}

static void storeMessage(const char* formatted) {
    messageLog().add(formatted, tickMs());
    LogListener listener;
    {
        std::lock_guard guard(gHookLock);
        listener = gListener;
    }
    if (listener) listener(formatted);
}

void logMessage(const char* format, ...) {
    char buffer[kLogFormatBytes];
    va_list args;
    va_start(args, format);
    formatBounded(buffer, format, args);
    va_end(args);
    storeMessage(buffer);
}

void setToolkitErrorDetail(std::string_view text) {
    std::lock_guard guard(gHookLock);
    gToolkitErrorDetail.assign(text);
}

int logError(int mode, const char* format, ...) {
    char buffer[kLogFormatBytes];
    va_list args;
    va_start(args, format);
    formatBounded(buffer, format, args);
    va_end(args);
    if (mode == 1) {
        std::string detail;
        {
            std::lock_guard guard(gHookLock);
            detail = gToolkitErrorDetail;
        }
        if (!detail.empty()) {
            size_t used = std::strlen(buffer);
            std::snprintf(buffer + used, sizeof buffer - used, "\n\n%s", detail.c_str());
        }
    }
    if (mode == 2) {
        logMessage("[error] %s", buffer);
    } else {
        logMessage("[error] error: %s", buffer);
    }
    return 0;
}

void toolkitMessage(int kind, const char* text) {
    if (!text) return;
    switch (kind) {
        case 1: logMessage("[error] error: %s", text); break;
        case 2: logMessage("[note] warn: %s", text); break;
        case 3:
            if (std::strncmp(text, "cache cleared", 13) != 0) {
                logMessage("[blue] %s", text);
            } else if (traceMode()) {
                logMessage("%s", text);
            }
            break;
        default: break;
    }
}

void StatusInfo::show(const char* text, bool redrawNow, bool doNotLog) {
    if (!text) text = "";
    if (*text == '#') ++text;
    if (!doNotLog) logMessage("%s", *text == '#' ? text + 1 : text);
    if (*text == '!') ++text;
    for (const char* prefix : {"[blue] ", "[info] ", "[note] "}) {
        size_t n = std::strlen(prefix);
        if (std::strncmp(text, prefix, n) == 0) {
            text += n;
            break;
        }
    }
    std::snprintf(infoText, sizeof infoText, "%s", text);
    infoExpiry = tickMs() + 500;
    if (redrawNow && redraw) redraw();
}

void StatusInfo::showBlue(const char* text, bool redrawNow, bool doNotLog) {
    std::snprintf(blueInfo, sizeof blueInfo, "[blue] %s", text ? text : "");
    infoExpiry = tickMs() + 1500;
    show(blueInfo, redrawNow, doNotLog);
}

void StatusInfo::expire(int64_t nowMs) {
    if (infoExpiry == 0 || infoExpiry <= nowMs) {
        infoText[0] = 0;
        infoExpiry = 0;
    }
}

StatusInfo& statusInfo() {
    static StatusInfo info;
    return info;
}

void showStatusInfo(const char* text, bool redrawNow, bool doNotLog) {
    statusInfo().show(text, redrawNow, doNotLog);
}

static int appendErrorDetail(bool quiet, const char* format, va_list args) {
    char buffer[kLogFormatBytes];
    formatBounded(buffer, format, args);
    {
        std::lock_guard guard(gDetailLock);
        gErrorDetails.emplace_back(buffer);
    }
    if (!quiet) logMessage("[blue] %s", buffer);
    return 0;
}

int addErrorDetail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int rc = appendErrorDetail(false, format, args);
    va_end(args);
    return rc;
}

int addErrorDetailQuiet(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int rc = appendErrorDetail(true, format, args);
    va_end(args);
    return rc;
}

void clearErrorDetails() {
    std::lock_guard guard(gDetailLock);
    gErrorDetails.clear();
}

std::vector<std::string> errorDetails() {
    std::lock_guard guard(gDetailLock);
    return gErrorDetails;
}

std::string errorDetailsText() {
    constexpr size_t kLimit = 99979;
    std::string text;
    for (std::string entry : errorDetails()) {
        for (char& c : entry) {
            if (c == '\n') c = ' ';
        }
        if (text.size() + entry.size() + 2 > kLimit) break;
        text += entry;
        text += "\n\n";
    }
    if (text.empty()) text = "there are no messages.";
    return text;
}

void setMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard guard(gHookLock);
    gMessageBoxHook = std::move(hook);
}

void showMessageBox(const char* title, const char* text) {
    MessageBoxHook hook;
    {
        std::lock_guard guard(gHookLock);
        hook = gMessageBoxHook;
    }
    if (hook) {
        hook(title, text);
    } else {
        std::fprintf(stderr, "%s %s\n", title, text);
    }
}

void reportOutOfMemory(long site, long size) {
    char text[512];
    if (size >= 0) {
        std::snprintf(text, sizeof text, "out of memory. (%ld, %ld)", site, size);
    } else {
        std::snprintf(text, sizeof text, "out of memory. (%ld)", site);
    }
    std::strncat(text, "\n\nthe application may be unstable,\na restart is recommended.",
                 sizeof text - std::strlen(text) - 1);
    int reports = gOutOfMemoryReports.fetch_add(1) + 1;
    logMessage("[error] %s", text);
    if (reports <= 3) showMessageBox("error:", text);
}

bool outOfMemoryReported() { return gOutOfMemoryReports.load() > 0; }
void resetOutOfMemoryReports() { gOutOfMemoryReports.store(0); }

}  // namespace tessel
