#include "view/surf.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "view/live_settings.h"
#include "view/long_lines.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

constexpr double kStartAcceleration = 0.02;
constexpr double kAccelerationGrowth = 0.001;
constexpr double kHorizontalGrowth = 0.05;
// A reversal sooner than this after the previous move is taken for sensor flicker.
constexpr int64_t kFilterMs = 40;
// A pause longer than this ends a stroke: the next movement chooses the direction again.
constexpr int64_t kStrokeGapMs = 200;

// Soft wheel: every notch adds this many lines per scroll factor to the travel, and each tick
// of kWheelTickMs leaves kWheelDecay of the remaining travel for later, so the motion starts
// fast and eases out.
constexpr int kWheelLinesPerFactor = 4;
constexpr double kWheelDecay = 0.7;
// The smallest part of a line a tick travels, so the end of a run does not crawl.
constexpr double kWheelMinStep = 0.25;
constexpr int64_t kWheelMaxGapMs = 200;

int sign(int value) {
    return (value > 0) - (value < 0);
}

void restartVertical(SurfState& surf) {
    surf.vSpeed = 0.0;
    surf.vAcceleration = kStartAcceleration;
}

void traceSpeed(SurfState& surf) {
    const long whole = static_cast<long>(surf.vSpeed);
    if (whole == surf.tracedSpeed) return;
    surf.tracedSpeed = whole;
    if (traceMode()) logMessage("speed %ld", whole);
}

// The motion filter: true when this move reverses the previous one too soon to be meant.
bool flicker(SurfState& surf, int dx, int dy, int64_t nowMs, bool horizontal) {
    const int direction = horizontal ? sign(dx) : sign(dy);
    const int previous = horizontal ? surf.lastDx : surf.lastDy;
    if (direction != 0 && previous != 0 && direction != previous &&
        nowMs - surf.lastMoveTime < kFilterMs) {
        surf.filteredTime = nowMs;
        return true;
    }
    surf.lastMoveTime = nowMs;
    if (dy != 0) surf.lastDy = sign(dy);
    if (dx != 0) surf.lastDx = sign(dx);
    return false;
}

// Gathers movement until it is enough to choose vertical or horizontal surf. True when a
// direction is chosen.
bool chooseDirection(SurfState& surf, int dx, int dy, bool horizontalAllowed) {
    surf.sumX += dx;
    surf.sumY += dy;
    int mode = kSurfChoosing;
    if (!horizontalAllowed) {
        if (surf.sumY != 0) mode = kSurfVertical;
    } else if (std::abs(surf.sumY) >= appSettings().vSurfSensitivity) {
        mode = kSurfVertical;
    } else if (std::abs(surf.sumX) >= appSettings().hSurfSensitivity) {
        mode = kSurfHorizontal;
    }
    if (mode == kSurfChoosing) return false;
    surf.mode = mode;
    surf.sumX = 0;
    surf.sumY = 0;
    if (mode == kSurfVertical) {
        restartVertical(surf);
        surf.vDirection = 0;
    } else {
        surf.hSpeed = 0.0;
        surf.hDirection = 0;
    }
    return true;
}

// One vertical step: at least one line, more as the speed grows, up to a page a step.
bool stepVertical(View& view, int dy, bool shiftHeld) {
    SurfState& surf = view.surf;
    const int direction = sign(dy);
    if (direction == 0) return false;
    if (direction != surf.vDirection) {
        surf.vDirection = direction;
        restartVertical(surf);
    }
    const int top = view.search.topLine;
    // Down: how far the top may still go before the last line passes the bottom.
    const int room = direction < 0 ? top : lastTopLine(view) - top;
    int moved = 0;
    if (room > surf.vSpeed) {
        moved = direction * (static_cast<int>(surf.vSpeed) + 1);
        scrollLines(view, moved);
        const double rows = scrollTextRows(view);
        if (surf.vSpeed < rows) {
            surf.vSpeed = std::min(surf.vSpeed + surf.vAcceleration, rows);
            surf.vAcceleration += kAccelerationGrowth;
        } else {
            surf.vSpeed = rows;
        }
        if (direction < 0 && surf.vSpeed > 0.1) noteAssistInput(view, "mouse surf up");
    } else {
        const int before = top;
        if (direction < 0) {
            scrollToStart(view);
        } else {
            scrollToEnd(view);
        }
        moved = view.search.topLine - before;
        restartVertical(surf);
    }
    traceSpeed(surf);
    if (shiftHeld && moved != 0) {
        if (View* neighbour = view.rightNeighbour()) scrollLines(*neighbour, moved);
    }
    return view.search.topLine != top;
}

bool stepHorizontal(View& view, int dx) {
    SurfState& surf = view.surf;
    const int direction = sign(dx);
    if (direction == 0) return false;
    if (direction != surf.hDirection) {
        surf.hDirection = direction;
        surf.hSpeed = 0.0;
    }
    const int column = view.display.scrollColumn;
    const int room = direction < 0 ? column : scrollColumnLimit(view) - column;
    if (room > surf.hSpeed) {
        scrollColumns(view, direction * (static_cast<int>(surf.hSpeed) + 1));
        surf.hSpeed += kHorizontalGrowth;
    } else {
        scrollColumns(view, direction < 0 ? -column : room);
        surf.hSpeed = 0.0;
    }
    return view.display.scrollColumn != column;
}

}  // namespace

int surfMove(View& view, int x, int y, int startX, int startY, int64_t nowMs, bool shiftHeld) {
    SurfState& surf = view.surf;
    const bool horizontalAllowed = liveSettings().horizontalSurf;
    if (surf.mode == kSurfIdle) {
        surf.mode = kSurfChoosing;
        surf.startX = startX;
        surf.startY = startY;
        surf.sumX = 0;
        surf.sumY = 0;
        surf.lastDx = 0;
        surf.lastDy = 0;
        surf.lastStepTime = nowMs;
    }
    const int dx = x - startX;
    const int dy = y - startY;
    // The pointer being put back to the start arrives as a move of nothing.
    if (dx == 0 && dy == 0) return 1;

    const bool horizontal = surf.mode == kSurfHorizontal && horizontalAllowed;
    if (liveSettings().motionFilter && flicker(surf, dx, dy, nowMs, horizontal)) return 1;

    if ((surf.mode == kSurfVertical || surf.mode == kSurfHorizontal) &&
        nowMs - surf.lastStepTime > kStrokeGapMs) {
        surf.mode = kSurfChoosing;
        surf.sumX = 0;
        surf.sumY = 0;
    }
    if (surf.mode == kSurfChoosing && !chooseDirection(surf, dx, dy, horizontalAllowed)) return 1;
    surf.lastStepTime = nowMs;

    const bool moved =
        surf.mode == kSurfVertical ? stepVertical(view, dy, shiftHeld) : stepHorizontal(view, dx);
    return moved ? kSurfRedraw : 1;
}

int surfEnd(View& view) {
    SurfState& surf = view.surf;
    if (surf.mode == kSurfIdle) return 1;
    surf.mode = kSurfIdle;
    surf.sumX = 0;
    surf.sumY = 0;
    return 0;
}

int wheel(View& view, int delta, int64_t nowMs) {
    SurfState& surf = view.surf;
    if (delta == 0) return 1;
    if (delta > 0) noteAssistInput(view, "mouse wheel up");
    if (liveSettings().softScroll) {
        // Away from the user (positive) moves towards the start of the text.
        const double lines = -static_cast<double>(delta) / kWheelNotch * config().scrollFactor() *
                             kWheelLinesPerFactor;
        // Turning the other way stops the run that is still going.
        if (surf.wheelPending * lines < 0.0) {
            surf.wheelPending = 0.0;
            surf.wheelCarry = 0.0;
        }
        if (surf.wheelPending == 0.0) surf.wheelTickTime = nowMs;
        surf.wheelPending += lines;
        return kWheelTicking;
    }
    // Wheels with finer steps than a notch add up their turns to whole lines.
    constexpr int kDeltaPerLine = kWheelNotch / kWheelLinesPerNotch;
    if (sign(surf.wheelDeltaRest) == -sign(delta)) surf.wheelDeltaRest = 0;
    surf.wheelDeltaRest = std::clamp(surf.wheelDeltaRest + delta, -1000000, 1000000);
    const int lines = surf.wheelDeltaRest / kDeltaPerLine;
    surf.wheelDeltaRest -= lines * kDeltaPerLine;
    if (lines == 0) return 1;
    return scrollLines(view, -lines) == 0 ? kSurfRedraw : 1;
}

bool wheelTick(View& view, int64_t nowMs, bool* moved) {
    SurfState& surf = view.surf;
    if (moved) *moved = false;
    if (surf.wheelPending == 0.0) return false;
    const int64_t gap = std::clamp<int64_t>(nowMs - surf.wheelTickTime, 1, kWheelMaxGapMs);
    surf.wheelTickTime = nowMs;
    const double ticks = static_cast<double>(gap) / kWheelTickMs;
    double step = surf.wheelPending * (1.0 - std::pow(kWheelDecay, ticks));
    if (std::fabs(step) < kWheelMinStep) {
        step =
            std::copysign(std::min(kWheelMinStep, std::fabs(surf.wheelPending)), surf.wheelPending);
    }
    surf.wheelPending -= step;
    surf.wheelCarry += step;
    int lines = static_cast<int>(surf.wheelCarry);
    surf.wheelCarry -= lines;
    if (surf.wheelPending == 0.0) {
        lines += static_cast<int>(std::lround(surf.wheelCarry));
        surf.wheelCarry = 0.0;
    }
    if (lines != 0) {
        if (scrollLines(view, lines) == 0) {
            if (moved) *moved = true;
        } else {
            // At an end of the text there is nothing left to travel.
            surf.wheelPending = 0.0;
            surf.wheelCarry = 0.0;
        }
    }
    return surf.wheelPending != 0.0;
}

}  // namespace tessel
