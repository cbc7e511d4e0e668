#include "view/log_overlay.h"

#include <algorithm>
#include <string_view>

#include "view/frame_layout.h"
#include "base/log/message_log.h"
#include "view/view.h"

namespace tessel {
namespace {

constexpr int kFadeSeconds = 6;
constexpr int kPrefixChars = 7;
constexpr int kNarrowLeftInset = 10;
constexpr int kRightMargin = 40;
constexpr int kWideLeft = 50;
constexpr int kBaseLineLift = 15;
constexpr int kLogButtonGap = 6;

// The message kinds the overlay shows by colour; their tags are not drawn.
bool hasKindPrefix(std::string_view text) {
    for (std::string_view prefix : {"[error] ", "[note] ", "[blue] ", "[info] "}) {
        if (text.substr(0, prefix.size()) == prefix) return true;
    }
    return false;
}

}  // namespace

bool overlayShown(const OverlayFrame& frame) {
    return frame.messageHeight > 0 && frame.viewWidth >= 2 * frame.areaWidthThird;
}

int overlayAvailableWidth(const OverlayFrame& frame) {
    return frame.viewWidth - kRightMargin;
}

int overlayDefaultLeft(const OverlayFrame& frame) {
    const int available = overlayAvailableWidth(frame);
    if (frame.wide) return available <= kWideLeft ? available / 2 : kWideLeft;
    return available <= kOverlayMaxLineWidth ? available / 2 : available - kOverlayMaxLineWidth;
}

int overlayBaseLine(const OverlayFrame& frame) {
    return (frame.rows - 3) * frame.lineHeight - kBaseLineLift;
}

// The button stands in the margin right of the messages, so the newest one never covers it.
int logButtonLeft(const OverlayFrame& frame) {
    return overlayAvailableWidth(frame) + kLogButtonGap;
}

int overlayFade(int64_t nowMs, int64_t stamp, int displayMode) {
    if (displayMode != 0) return 0;
    const int64_t age = (nowMs - stamp) / 1000;
    if (age <= 0) return 0;
    if (age >= kFadeSeconds) return 100;
    return static_cast<int>(age * 100 / kFadeSeconds);
}

LogColor fadeTowardWhite(LogColor colour, int fade) {
    fade = std::clamp(fade, 0, 100);
    auto channel = [fade](uint8_t c) { return static_cast<uint8_t>(c + (255 - c) * fade / 100); };
    return {channel(colour.r), channel(colour.g), channel(colour.b)};
}

int overlayTextX(const OverlayFrame& frame, int textWidth) {
    const int available = overlayAvailableWidth(frame);
    const int width = frame.wide ? textWidth : std::min(textWidth, kOverlayMaxLineWidth);
    return width >= available ? kNarrowLeftInset : available - width;
}

std::vector<OverlayLine> layoutOverlay(const OverlayFrame& frame, const MessageLog& log,
                                       int64_t nowMs) {
    std::vector<OverlayLine> lines;
    if (!overlayShown(frame)) return lines;
    const int base = overlayBaseLine(frame);
    const int lowest = 4 * frame.messageHeight;
    log.forEach([&](int slot, const char* text, int64_t stamp) {
        const int y = base - slot * frame.messageHeight;
        if (y < lowest) return;
        const int fade = overlayFade(nowMs, stamp, frame.displayMode);
        if (fade >= 100) return;
        std::string_view message(text);
        const LogColor kind = logColorOf(message);
        if (hasKindPrefix(message)) message.remove_prefix(kPrefixChars);
        lines.push_back({slot, y, fade, fadeTowardWhite(kind, fade), std::string(message)});
    });
    return lines;
}

bool overlayNeedsRefresh(const MessageLog& log, int64_t nowMs) {
    bool fading = false;
    log.forEach([&](int, const char*, int64_t stamp) {
        fading = fading || overlayFade(nowMs, stamp, 0) < 100;
    });
    return fading;
}

OverlayFrame overlayFrameOf(const View& view, int messageHeight) {
    const MessageLog& log = messageLog();
    OverlayFrame frame;
    frame.viewWidth = view.clientWidth;
    frame.rows = view.rows;
    frame.lineHeight = view.lineHeight;
    frame.messageHeight = messageHeight;
    // A view outside a frame (tests, batch runs) counts as full width.
    frame.areaWidthThird = view.frame ? view.frame->areaWidthThird : 0;
    frame.wide = log.wide;
    frame.displayMode = log.displayMode;
    return frame;
}

}  // namespace tessel
