#include "app/window_host.h"

#include <algorithm>
#include <atomic>
#include <string_view>

#include "app/edit_glue.h"
#include "app/find_dialog_glue.h"
#include "app/load_ui.h"
#include "app/net_glue.h"
#include "app/script_glue.h"
#include "app/view_windows.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "load/load_driver.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/sidebar.h"
#include "view/view_host.h"
#include "view/view_window.h"

namespace tessel {
namespace {

class AppWindowHost : public ViewWindowHost {
  public:
    bool createFrameWindow(const FrameRect& area) override {
        return openFrameWindow(area, "tessel");
    }
    void destroyFrameWindow() override { closeFrameWindow(); }
    FrameRect frameWindowRect() override { return tessel::frameWindowRect(); }
    FrameRect frameClientRect() override { return tessel::frameClientRect(); }
    void toggleFrameMaximized() override { toggleFrameWindowMaximized(); }
    void minimizeViews() override {
        if (PlatformWindow* frame = frameWindowHandle()) {
            frame->showMinimized();
            return;
        }
        for (auto& view : frameLayout().views) {
            if (PlatformWindow* window = view ? platformWindowOf(*view) : nullptr) {
                window->showMinimized();
            }
        }
    }

    WindowId createViewWindow(View& view, const ViewWindowRequest& request) override {
        return openViewWindow(view, request.kind, request.title, request.rect, frameWindowHandle());
    }
    void destroyViewWindow(View& view) override { closeViewWindow(view); }
    void reparentViewWindow(View& view, const ViewWindowRequest& request) override {
        restyleViewWindow(view, request.kind, request.title, request.rect, frameWindowHandle());
    }
    void moveViewWindow(View& view, const FrameRect& rect, bool repaint) override {
        tessel::moveViewWindow(view, rect, repaint);
    }
    void showViewWindow(View& view, bool activate) override {
        tessel::showViewWindow(view, activate);
    }
    void focusViewWindow(View& view) override { tessel::focusViewWindow(view); }
    void redrawView(View& view) override { redrawViewWindow(view); }
    void swapViewWindows(View& a, View& b) override { tessel::swapViewWindows(a, b); }
    void startViewTimer(View& view, int timerId, int periodMs) override {
        startViewWindowTimer(view, timerId, periodMs);
    }
    // The whole program ends with its frame, once unsaved edits are saved or dropped.
    void requestExit(View& /*view*/) override {
        if (!scriptBlocksExit() && editsAllowExit()) endMessageLoop(0);
    }
    bool loadRunning() override { return loadDriver().running(); }
};

void fillMonitorTable(bool singleScreen) {
    MonitorTable& table = monitorTable();
    table.clear();
    std::vector<MonitorArea> screens = screenAreas();
    if (!screens.empty()) table.desktop = screens.front().full;
    if (!screens.empty()) table.systemWorkArea = screens.front().work;
    // With "-safe" the primary screen stands for the whole desktop.
    if (singleScreen && screens.size() > 1) screens.resize(1);
    for (const MonitorArea& screen : screens) {
        if (table.add(screen.full, screen.work) != 0) break;
    }
    table.finish();
}

void installWindowEvents() {
    WindowEvents& events = windowEvents();
    events.frameResized = [] { frameLayout().placeViews(); };
    // Closing while a load runs stops the load; what was loaded stays and the window stays.
    events.frameClosing = [] {
        if (loadDriver().running()) {
            loadDriver().requestStop();
            return;
        }
        if (scriptBlocksExit()) return;
        frameLayout().frameClosing();
    };
    ViewWindowHooks& hooks = viewWindowHooks();
    hooks.loadKeyDown = loadKeyDown;
    hooks.loadKeyUp = loadKeyUp;
    hooks.loadChar = loadChar;
    hooks.openFindDialog = openViewFindDialog;
    hooks.viewGone = viewFindDialogGone;
    hooks.takeDrop = takeDrop;
    hooks.dropTimerExpired = [] { dropTimerExpired(loadDriver()); };
    hooks.firstViewTimer = netViewTick;
    hooks.closing = [](View& view) {
        if (loadDriver().running()) {
            loadDriver().requestStop();
            return;
        }
        FrameLayout& layout = frameLayout();
        if (layout.viewCount() <= 1) {
            if (!scriptBlocksExit() && editsAllowExit()) endMessageLoop(0);
        } else {
            layout.removeView(view.index);
        }
    };
    hooks.focused = [](View& view) {
        FrameLayout& layout = frameLayout();
        for (auto& each : layout.views) each->active = each.get() == &view;
        layout.focusView = view.index;
    };
}

}  // namespace

ViewWindowHost& appWindowHost() {
    static AppWindowHost host;
    return host;
}

int openFirstView(const FrameStart& start) {
    fillMonitorTable(start.singleScreen);
    installWindowEvents();
    FrameLayout& layout = frameLayout();
    layout.host = &appWindowHost();
    layout.instanceId = start.instanceId;
    layout.startMonitor = start.monitorNumber;
    layout.leanMode = start.lean;
    if (start.isolated) layout.applyFrameMode(FrameMode::kIsolated);
    if (start.overscan) layout.applyFrameMode(FrameMode::kOverscan);
    if (!start.isolated && !start.overscan) layout.applyFrameMode(appSettings().frameMode);
    if (start.lean) layout.masterFrameMode = false;

    layout.computeDefaultArea();
    const std::string& area = start.frameGiven ? start.area : appSettings().area;
    const std::string& space = start.frameGiven ? start.space : appSettings().space;
    // A placement with wrong syntax has been reported; the default area stays.
    if (!area.empty()) {
        layout.parseArea(area);
    } else if (!space.empty()) {
        layout.parseSpace(space);
    }
    if (!layout.createView(0)) {
        logError(0, "init#1");
        return 9;
    }
    return 0;
}

void closeAllViews() {
    FrameLayout& layout = frameLayout();
    for (auto& view : layout.views) cancelPasses(*view);
    while (!layout.views.empty()) {
        std::unique_ptr<View> view = std::move(layout.views.back());
        layout.views.pop_back();
        closeViewWindow(*view);
    }
    closeFrameWindow();
    layout.masterFrame = false;
    layout.focusView = 0;
    layout.host = nullptr;
    windowEvents() = WindowEvents{};
    viewWindowHooks() = ViewWindowHooks{};
}

void installPointerHooks() {
    SidebarHooks& hooks = sidebarHooks();
    hooks.openLoadMenu = [](View&) { openLoadMenu(loadDriver()); };
    hooks.openFindDialog = [](View& view) { openViewFindDialog(view); };
    hooks.filterCommand = [](View& view) { filterCommand(view); };
    // Messages come from every thread, often many at once: one repaint request is enough,
    // and it only repaints (the rows stay valid).
    static std::atomic<bool> repaintPending{false};
    setLogListener([](std::string_view) {
        if (repaintPending.exchange(true)) return;
        postToUiThread([] {
            repaintPending = false;
            for (auto& each : frameLayout().views) {
                if (each->host) each->host->repaint();
            }
        });
    });
}

int frameViewCount() {
    return frameLayout().viewCount();
}

View* frameViewAt(int index) {
    return frameLayout().viewAt(index);
}

void redrawAllViews() {
    for (int i = 0; i < frameViewCount(); ++i) {
        if (View* view = frameViewAt(i)) {
            view->screen.valid = false;
            redrawViewWindow(*view);
        }
    }
}

View* frameFocusedView() {
    return frameLayout().focusedView();
}

int focusFrameView(int index) {
    FrameLayout& layout = frameLayout();
    View* view = layout.viewAt(index);
    if (!view) return 9;
    for (auto& each : layout.views) each->active = each.get() == view;
    layout.focusView = index;
    if (layout.host) layout.host->focusViewWindow(*view);
    return 0;
}

void resizeFrame(int width, int height) {
    FrameLayout& layout = frameLayout();
    if (layout.masterFrame) {
        resizeFrameWindow(width, height);
    } else {
        layout.areaWidth = width;
        layout.areaHeight = height;
    }
    layout.placeViews();
}

}  // namespace tessel
