// The table settings the view reads on its hot paths (every screen built, every filter pass,
// every scroll step and pointer move), kept as typed fields. The setting store counts its
// changes; the fields are read again by name only after a change, so a screen costs one
// comparison per setting instead of a look-up by name.
#pragma once

#include <cstdint>

namespace tessel {

struct LiveSettings {
    bool assist = true;                 // "assist"
    bool showSidebar = true;            // "showsidebar"
    bool sidebarPermanent = false;      // "sidebarpermanent"
    bool highlightEditResults = false;  // "hieditres"
    bool showSpeed = false;             // "showspeed"
    bool showMiles = false;             // "showmiles"
    bool localHighlight = false;        // "localhighlight"
    bool horizontalSurf = true;         // "enableHorizontalSurf"
    bool motionFilter = false;          // "motionfilter"
    bool softScroll = false;            // "softscrollenable"
    uint64_t readAt = UINT64_MAX;       // the store's change count when they were read
};

// Current with the process-wide setting store (user interface thread).
const LiveSettings& liveSettings();

}  // namespace tessel
