// The frame: the master area on the desktop, the list of views tiled inside it, the frame
// modes and the master frame window. Everything here is plain data and arithmetic; windows
// are created, moved and focused through ViewWindowHost, which the platform implements.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/app_settings.h"
#include "view/monitors.h"
#include "view/view.h"

namespace tessel {

// How a view window is made: a child of the master frame, a top-level window with a sizing
// border, or a borderless pop-up.
enum class ViewWindowKind { kChild, kBordered, kPopup };

struct ViewWindowRequest {
    ViewWindowKind kind = ViewWindowKind::kChild;
    std::string className;
    std::string title;
    FrameRect rect;
};

// A top-level window of the desktop as the covering test sees it.
struct TopWindowInfo {
    WindowId window = 0;
    bool visible = true;
    FrameRect rect;
    std::string title;
};

class ViewWindowHost {
  public:
    virtual ~ViewWindowHost() = default;

    // The master frame window. createFrameWindow returns false when it could not be made
    // (the host has reported it).
    virtual bool createFrameWindow(const FrameRect& area) = 0;
    virtual void destroyFrameWindow() = 0;
    virtual FrameRect frameWindowRect() = 0;
    virtual FrameRect frameClientRect() = 0;
    virtual void toggleFrameMaximized() {}
    // F12: the master frame, or without one every view window, goes to the task bar.
    virtual void minimizeViews() {}

    // View windows. createViewWindow returns 0 when the window could not be made.
    virtual WindowId createViewWindow(View& view, const ViewWindowRequest& request) = 0;
    virtual void destroyViewWindow(View& view) = 0;
    virtual void reparentViewWindow(View& view, const ViewWindowRequest& request) = 0;
    virtual void moveViewWindow(View& view, const FrameRect& rect, bool repaint) = 0;
    virtual void showViewWindow(View& /*view*/, bool /*activate*/) {}
    virtual void focusViewWindow(View& view) = 0;
    virtual void redrawView(View& /*view*/) {}
    // Two slots exchanged the views they show: each window stays in its place and shows the
    // other view from now on, and each view's host follows its window.
    virtual void swapViewWindows(View& a, View& b) { std::swap(a.host, b.host); }
    virtual void startViewTimer(View& /*view*/, int /*timerId*/, int /*periodMs*/) {}
    // Told before and after all views are moved for a change of tiling.
    virtual void relayoutNotice(View& /*view*/, bool /*starting*/) {}
    virtual void forwardCommand(View& /*view*/, int /*commandId*/) {}
    // The frame is closing: the view runs its own exit path.
    virtual void requestExit(View& /*view*/) {}

    virtual bool loadRunning() { return false; }
    virtual void refreshSettings() {}
    // Top-level windows from the top of the z-order down.
    virtual std::vector<TopWindowInfo> topLevelWindows() { return {}; }
};

// The pixel rectangle of a view in the area before the window minimum: vertical tiling
// spreads the relative x axis over the width, horizontal tiling over the height. Every view
// but the last gives up the gap on that axis.
FrameRect tileRect(const View& view, const FrameRect& area, bool horizontal, int gap, bool last);

inline constexpr int kDefaultAreaGap = 20;
inline constexpr int kFirstViewTimerId = 7;
// The first view's timer shows received network text: often enough that a new line is on
// screen well within 300 ms, also in a filtered view that looks on every fifth tick.
inline constexpr int kFirstViewTimerMs = 50;
inline constexpr int kFrameToggleMaximizeCommand = 2110;
inline constexpr int kFirstForwardedCommand = 2000;

class FrameLayout {
  public:
    FrameLayout() = default;
    explicit FrameLayout(ViewWindowHost* windowHost, MonitorTable* monitorList = nullptr)
        : host(windowHost), monitors(monitorList) {}
    ~FrameLayout();
    FrameLayout(const FrameLayout&) = delete;
    FrameLayout& operator=(const FrameLayout&) = delete;

    // Area and space (area_space.cpp).
    void computeDefaultArea();
    void selectMonitor(int x, int y, int right, int bottom, int monitorNumber);
    void setArea(int x, int y, int width, int height, int areaGap, bool keepHeight);
    int parseArea(std::string_view text);
    int parseSpace(std::string_view text);
    int computeSpace();

    // The view list and tiling.
    View* createView(int position);
    int removeView(int position);
    void toggleTiling();
    int switchFrameMode(bool overscan);
    void distributeShares();
    void placeViews(bool repaint = true);
    int cycleViews(int direction);
    // Index of the first view covered by another top-level window, -1 when none is.
    int findCoveringWindow();
    // The frame mode the configuration writer stores for the current state.
    FrameMode currentFrameMode() const;
    void applyFrameMode(FrameMode mode);

    // Messages of the master frame window.
    int frameCommand(int commandId);
    void frameMoved(const FrameRect& frameRect);
    void frameActivated();
    void frameClosing();

    int viewCount() const { return static_cast<int>(views.size()); }
    View* viewAt(int position) const;
    View* focusedView() const;
    // The gap between views that placing uses now.
    int placementGap() const;

    ViewWindowHost* host = nullptr;
    MonitorTable* monitors = nullptr;  // the process-wide table unless set

    int areaX = 20;
    int areaY = 20;
    int areaWidth = 800;
    int areaHeight = 600;
    int workWidth = 0;
    int workHeight = 0;
    FrameRect workRect;
    int gap = kDefaultAreaGap;
    bool horizontalTiling = false;
    bool masterFrame = false;
    FrameRect frameRect;
    int focusView = 0;
    bool relayoutBusy = false;
    int areaWidthFull = 800;
    int areaWidthThird = 266;
    int areaWidthHalf = 400;

    bool masterFrameMode = true;
    bool viewBorders = true;
    bool leanMode = false;
    // Every view window gets the first view's title.
    bool sameTitle = false;
    // Window class suffix given on the command line.
    std::string instanceId;
    int startMonitor = 0;
    // Border allowance of top-level view windows with a sizing border.
    int borderAllowanceWidth = 0;
    int borderAllowanceHeight = 0;

    // The last space computed from the area, "top:right:bottom:left@monitor".
    std::string spaceText;
    int coveredView = -1;
    std::string coveringTitle;

    std::vector<std::unique_ptr<View>> views;

  private:
    MonitorTable& monitorList() const;
    ViewWindowRequest windowRequest(const View& view) const;
    void renumber();
    void swapViewStates(size_t a, size_t b);
    void resetScreens();
    bool createFrameIfNeeded();
};

// The process-wide frame.
FrameLayout& frameLayout();

}  // namespace tessel
