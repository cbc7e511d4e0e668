#include "view/live_settings.h"

#include "config/qv_config.h"

namespace tessel {

const LiveSettings& liveSettings() {
    static LiveSettings settings;
    const QVConfig& store = config();
    if (settings.readAt == store.changeCount()) return settings;
    settings.assist = store.getInt("assist") != 0;
    settings.showSidebar = store.getInt("showsidebar") != 0;
    settings.sidebarPermanent = store.getInt("sidebarpermanent") != 0;
    settings.highlightEditResults = store.getInt("hieditres") != 0;
    settings.showSpeed = store.getInt("showspeed") != 0;
    settings.showMiles = store.getInt("showmiles") != 0;
    settings.localHighlight = store.getInt("localhighlight") != 0;
    settings.horizontalSurf = store.getInt("enableHorizontalSurf") != 0;
    settings.motionFilter = store.getInt("motionfilter") != 0;
    settings.softScroll = store.getInt("softscrollenable") != 0;
    settings.readAt = store.changeCount();
    return settings;
}

}  // namespace tessel
