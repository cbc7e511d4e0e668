// The fading message overlay in the lower right corner of wide views: the newest messages of
// the log, each fading toward white over six seconds. The placement and fading are plain
// functions of the view's size, the clock and the log, so they can be checked without drawing;
// the row painter draws the lines (this header stays free of platform types).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/log/message_log.h"

namespace tessel {

class View;

inline constexpr int kOverlayMaxLineWidth = 400;
inline constexpr int kLogButtonSize = 17;

struct OverlayFrame {
    int viewWidth = 0;
    int rows = 0;        // text rows of the view, the two status rows included
    int lineHeight = 0;  // of the view's rows
    int messageHeight = 0;
    int areaWidthThird = 0;  // of the master area
    bool wide = false;       // the log's wide mode
    int displayMode = 0;     // 0 fading, 1 hovered, 2 pinned
};

struct OverlayLine {
    int slot = 0;
    int y = 0;          // top of the line
    int fade = 0;       // percent toward white
    LogColor colour{};  // already faded
    std::string text;
};

// Only views of about the full area width show the overlay.
bool overlayShown(const OverlayFrame& frame);
int overlayAvailableWidth(const OverlayFrame& frame);
int overlayDefaultLeft(const OverlayFrame& frame);
// The newest message's line; older ones stack above it.
int overlayBaseLine(const OverlayFrame& frame);
// The log button sits at the right end of the base line (for drawing and hit tests).
int logButtonLeft(const OverlayFrame& frame);
// Fade in percent; 100 or more means the message is no longer drawn.
int overlayFade(int64_t nowMs, int64_t stamp, int displayMode);
LogColor fadeTowardWhite(LogColor colour, int fade);
// Left edge of a line of the given measured width.
int overlayTextX(const OverlayFrame& frame, int textWidth);
// The lines to draw, newest first, with their colours and prefixes removed.
std::vector<OverlayLine> layoutOverlay(const OverlayFrame& frame, const MessageLog& log,
                                       int64_t nowMs);
// True while some message is still fading (the refresh timer keeps running).
bool overlayNeedsRefresh(const MessageLog& log, int64_t nowMs);

// The frame of a view's overlay in its current size and the log's current mode.
OverlayFrame overlayFrameOf(const View& view, int messageHeight);

}  // namespace tessel
