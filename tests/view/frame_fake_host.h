// A window host without windows: records what the frame asks of the platform.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "view/frame_layout.h"

namespace tessel::testing {

class FakeWindowHost : public ViewWindowHost {
  public:
    bool createFrameWindow(const FrameRect& area) override {
        if (failFrame) return false;
        frameOpen = true;
        frameRect = area;
        return true;
    }
    void destroyFrameWindow() override { frameOpen = false; }
    FrameRect frameWindowRect() override { return frameRect; }
    FrameRect frameClientRect() override {
        return FrameRect{0, 0, frameRect.width, frameRect.height};
    }

    WindowId createViewWindow(View&, const ViewWindowRequest& request) override {
        if (failViewWindow) return 0;
        WindowId id = nextWindow++;
        kinds[id] = request.kind;
        titles[id] = request.title;
        lastClass = request.className;
        return id;
    }
    void destroyViewWindow(View& view) override { destroyed.push_back(view.window); }
    void reparentViewWindow(View& view, const ViewWindowRequest& request) override {
        kinds[view.window] = request.kind;
    }
    void moveViewWindow(View& view, const FrameRect& rect, bool) override {
        moved[view.window] = rect;
    }
    void focusViewWindow(View& view) override { focused = view.window; }
    bool loadRunning() override { return loading; }
    std::vector<TopWindowInfo> topLevelWindows() override { return topWindows; }

    bool failFrame = false;
    bool failViewWindow = false;
    bool loading = false;
    bool frameOpen = false;
    FrameRect frameRect;
    WindowId nextWindow = 100;
    WindowId focused = 0;
    std::string lastClass;
    std::map<WindowId, ViewWindowKind> kinds;
    std::map<WindowId, std::string> titles;
    std::map<WindowId, FrameRect> moved;
    std::vector<WindowId> destroyed;
    std::vector<TopWindowInfo> topWindows;
};

// Fresh settings and a single 1920x1080 monitor with a 40 pixel task bar.
inline void resetFrameSettings(MonitorTable& monitors) {
    config().initialize();
    resetAppSettings();
    setTraceMode(false);
    monitors.clear();
    monitors.add(FrameRect{0, 0, 1920, 1080}, FrameRect{0, 0, 1920, 1040});
    monitors.finish();
}

}  // namespace tessel::testing
