// The two texts that place the master area: an area "x:y:w:h[:gap]" in desktop pixels, and a
// space, the margins of the area inside a monitor's work area. Parsing is separate from the
// frame so that the command line and the configuration share one reading of both.
#pragma once

#include <string>
#include <string_view>

#include "view/monitors.h"

namespace tessel {

struct AreaValues {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int gap = 20;
};

struct SpaceMargins {
    // 1-based monitor number; 0 means the desktop work area.
    int monitor = 1;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int left = 0;
};

// 0 parsed; 9 with "config: wrong syntax for area" logged.
int parseAreaText(std::string_view text, AreaValues* out);
// 0 parsed; 9 with "config: wrong syntax for space" logged.
int parseSpaceText(std::string_view text, SpaceMargins* out);
// The work area shrunk by the margins (may come out empty or negative in size).
FrameRect shrinkByMargins(const FrameRect& work, const SpaceMargins& space);
// The margins of area inside work; 5 when any margin is negative.
int marginsOf(const FrameRect& area, const FrameRect& work, SpaceMargins* out);
// "top:right:bottom:left@monitor", the form parseSpaceText reads back to the same place.
std::string formatSpace(const SpaceMargins& space);

}  // namespace tessel
