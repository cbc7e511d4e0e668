// Mouse surfing and soft wheel scrolling. The user holds a mouse button on blank space and
// moves the mouse: the text keeps moving that way, faster with every step, because the window
// puts the pointer back to where the movement started after each step. Surfing runs
// vertically (lines) or, when enabled, horizontally (columns). Times are handed in, so the
// motion filter and the wheel's decay can be checked without a clock.
#pragma once

#include <cstdint>

namespace tessel {

class View;

enum SurfMode : int {
    kSurfIdle = 0,
    kSurfVertical = 1,
    kSurfHorizontal = 2,
    kSurfChoosing = 10,  // button down, direction not yet chosen
};

struct SurfState {
    int mode = kSurfIdle;
    int startX = 0;
    int startY = 0;
    // Movement gathered while the direction is being chosen.
    int sumX = 0;
    int sumY = 0;
    int vDirection = 0;
    int hDirection = 0;
    double vSpeed = 0.0;
    double vAcceleration = 0.02;
    double hSpeed = 0.0;
    // The motion filter: the last accepted move, its directions, and the last ignored one.
    int64_t lastMoveTime = 0;
    int lastDy = 0;
    int lastDx = 0;
    int64_t filteredTime = 0;
    int64_t lastStepTime = 0;
    // The whole speed last traced, so trace mode logs changes only.
    long tracedSpeed = 0;

    // Soft wheel scrolling: lines still to travel (negative: towards the start), the part of
    // a line already travelled, and the time of the last tick.
    double wheelPending = 0.0;
    double wheelCarry = 0.0;
    int64_t wheelTickTime = 0;
    // Wheel turns smaller than a notch, kept until they add up to whole lines.
    int wheelDeltaRest = 0;
};

// Results of surfMove and wheel besides 0 and 1.
inline constexpr int kSurfRedraw = 2;
inline constexpr int kWheelTicking = 3;

// Lines per wheel notch without soft scrolling.
inline constexpr int kWheelLinesPerNotch = 3;
inline constexpr int kWheelNotch = 120;
// How often the window should call wheelTick while it asks for it.
inline constexpr int kWheelTickMs = 16;

// One mouse move with the button held on blank space; (startX, startY) is the button-down
// position the window warps the pointer back to. 2 when the view moved and must be redrawn,
// 1 when nothing moved (the direction is still open, or the move was filtered).
int surfMove(View& view, int x, int y, int startX, int startY, int64_t nowMs, bool shiftHeld);
// The button was released.
int surfEnd(View& view);

// A wheel turn (120 a notch, positive away from the user: towards the start of the text).
// 2 the view moved by whole lines, 3 soft scrolling runs and wheelTick must be called every
// kWheelTickMs, 1 nothing to do.
int wheel(View& view, int delta, int64_t nowMs);
// Advances soft scrolling; true while more ticks are wanted. `moved` tells whether the top
// line changed.
bool wheelTick(View& view, int64_t nowMs, bool* moved);

}  // namespace tessel
