// A window host without windows: records what the frame asks of the platform.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "config/app_settings.h"
#include "config/qv_config.h"
#include "view/frame_layout.h"
#include "view/log/message_log.h"

namespace tessel::testing {

class FakeWindowHost : public ViewWindowHost {
  public:
    bool createFrameWindow(const Rect& area) override {
        if (failFrame) return false;
        frameOpen = true;
        frameRect = area;
        return true;
    }
    void destroyFrameWindow() override { frameOpen = false; }
    Rect frameWindowRect() override { return frameRect; }
    Rect frameClientRect() override { return Rect{0, 0, frameRect.width, frameRect.height}; }

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
    void moveViewWindow(View& view, const Rect& rect, bool) override { moved[view.window] = rect; }
    void focusViewWindow(View& view) override { focused = view.window; }
    bool loadRunning() override { return loading; }
    std::vector<TopWindowInfo> topLevelWindows() override { return topWindows; }

    bool failFrame = false;
    bool failViewWindow = false;
    bool loading = false;
    bool frameOpen = false;
    Rect frameRect;
    WindowId nextWindow = 100;
    WindowId focused = 0;
    std::string lastClass;
    std::map<WindowId, ViewWindowKind> kinds;
    std::map<WindowId, std::string> titles;
    std::map<WindowId, Rect> moved;
    std::vector<WindowId> destroyed;
    std::vector<TopWindowInfo> topWindows;
};

// Fresh settings and a single 1920x1080 monitor with a 40 pixel task bar.
inline void resetFrameSettings(MonitorTable& monitors) {
    config().initialize();
    resetAppSettings();
    setTraceMode(false);
    monitors.clear();
    monitors.add(Rect{0, 0, 1920, 1080}, Rect{0, 0, 1920, 1040});
    monitors.finish();
}

}  // namespace tessel::testing
