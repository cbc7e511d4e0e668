#include "view/frame_layout.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "view/search_driver.h"

namespace tessel {
namespace {

constexpr int kMinWindowSize = 100;
constexpr int kMinClientSize = 10;
constexpr int kBorderAllowanceWidth = 20;
constexpr int kBorderAllowanceHeight = 40;
constexpr size_t kMaxInstanceIdChars = 100;
constexpr size_t kMaxCoveringTitleChars = 190;
constexpr long kViewAllocationSite = 2154601;

int scaled(int64_t relative, int extent) {
    return static_cast<int>(relative * extent / kRelUnits);
}

}  // namespace

FrameRect tileRect(const View& view, const FrameRect& area, bool horizontal, int gap, bool last) {
    FrameRect rect;
    if (!horizontal) {
        rect.x = area.x + scaled(view.relX, area.width);
        rect.y = area.y + scaled(view.relY, area.height);
        rect.width = scaled(view.relWidth, area.width);
        rect.height = scaled(view.relHeight, area.height);
    } else {
        rect.x = area.x + scaled(view.relY, area.width);
        rect.y = area.y + scaled(view.relX, area.height);
        rect.width = scaled(view.relHeight, area.width);
        rect.height = scaled(view.relWidth, area.height);
    }
    // A gap only where it leaves the view most of its size; narrow views keep all of it.
    if (!last && !view.maximized && gap > 0) {
        int& size = horizontal ? rect.height : rect.width;
        if (int64_t{gap} * 3 < size) size -= gap;
    }
    return rect;
}

FrameLayout::~FrameLayout() = default;

MonitorTable& FrameLayout::monitorList() const {
    return monitors ? *monitors : monitorTable();
}

View* FrameLayout::viewAt(int position) const {
    if (position < 0 || position >= viewCount()) return nullptr;
    return views[static_cast<size_t>(position)].get();
}

View* FrameLayout::focusedView() const {
    return viewAt(focusView);
}

int FrameLayout::placementGap() const {
    if (masterFrame || !config().getInt("usegaps")) return 0;
    return std::max(0, config().getNumber("gapsize", 0));
}

FrameMode FrameLayout::currentFrameMode() const {
    if (masterFrame) return FrameMode::kMaster;
    return viewBorders ? FrameMode::kIsolated : FrameMode::kOverscan;
}

void FrameLayout::applyFrameMode(FrameMode mode) {
    switch (mode) {
        case FrameMode::kMaster:
            masterFrameMode = true;
            viewBorders = true;
            break;
        case FrameMode::kIsolated:
            masterFrameMode = false;
            viewBorders = true;
            break;
        case FrameMode::kOverscan:
            masterFrameMode = false;
            viewBorders = false;
            break;
        case FrameMode::kDefault:
            break;
    }
}

ViewWindowRequest FrameLayout::windowRequest(const View& view) const {
    ViewWindowRequest request;
    if (masterFrame) {
        request.kind = ViewWindowKind::kChild;
    } else {
        request.kind = viewBorders ? ViewWindowKind::kBordered : ViewWindowKind::kPopup;
    }
    request.className = "Tessel";
    if (!instanceId.empty()) {
        request.className += '_';
        request.className.append(instanceId, 0, kMaxInstanceIdChars);
    }
    request.title = view.title(sameTitle);
    request.rect = FrameRect{view.windowX, view.windowY, view.windowWidth, view.windowHeight};
    return request;
}

void FrameLayout::renumber() {
    for (size_t i = 0; i < views.size(); ++i) {
        views[i]->setIndex(static_cast<int>(i));
        views[i]->frame = this;
    }
}

void FrameLayout::resetScreens() {
    for (auto& view : views) view->screen.reset();
}

void FrameLayout::distributeShares() {
    int64_t count = viewCount();
    if (count == 0) return;
    int64_t share = kRelUnits / count;
    int64_t position = 0;
    for (size_t i = 0; i < views.size(); ++i) {
        View& view = *views[i];
        int64_t rightWeight = i + 1 < views.size() ? views[i + 1]->weight : kDefaultWeight;
        int64_t size = share * (view.weight + kDefaultWeight - rightWeight) / kDefaultWeight;
        // Weights come from scripts too; no view may start outside the area.
        size = std::clamp<int64_t>(size, 0, kRelUnits - position);
        if (view.maximized) {
            view.relX = 0;
            view.relY = 0;
            view.relWidth = kRelUnits;
            view.relHeight = kRelUnits;
        } else {
            view.relX = position;
            view.relY = 0;
            view.relWidth = size;
            view.relHeight = kRelUnits;
        }
        position += size;
    }
    bool lean = leanMode || appSettings().startLean;
    if (lean && count == 1 && !masterFrame) {
        views[0]->relX = 30000;
        views[0]->relWidth = 40000;
    }
}

void FrameLayout::placeViews(bool repaint) {
    bool topLevelBorders = !masterFrame && viewBorders;
    borderAllowanceWidth = topLevelBorders ? kBorderAllowanceWidth : 0;
    borderAllowanceHeight = topLevelBorders ? kBorderAllowanceHeight : 0;
    FrameRect area{areaX, areaY, areaWidth, areaHeight};
    if (masterFrame && host) {
        FrameRect client = host->frameClientRect();
        area = FrameRect{0, 0, std::max(0, client.width), std::max(0, client.height)};
    }
    int viewGap = placementGap();
    for (size_t i = 0; i < views.size(); ++i) {
        View& view = *views[i];
        FrameRect rect = tileRect(view, area, horizontalTiling, viewGap, i + 1 == views.size());
        rect.width = std::max(rect.width, kMinWindowSize);
        rect.height = std::max(rect.height, kMinWindowSize);
        view.windowX = rect.x;
        view.windowY = rect.y;
        view.windowWidth = rect.width;
        view.windowHeight = rect.height;
        view.clientWidth = std::max(kMinClientSize, rect.width - borderAllowanceWidth);
        view.clientHeight = std::max(kMinClientSize, rect.height - borderAllowanceHeight);
        if (view.charWidth > 0) {
            view.columns = std::clamp(view.clientWidth / view.charWidth, 1, kScreenColumns);
        }
        if (view.lineHeight > 0) {
            view.rows = std::clamp(view.clientHeight / view.lineHeight, 1, kScreenRows);
        }
        if (host && view.window != 0) host->moveViewWindow(view, rect, repaint);
    }
}

bool FrameLayout::createFrameIfNeeded() {
    if (!masterFrameMode || masterFrame) return true;
    if (host && !host->createFrameWindow(FrameRect{areaX, areaY, areaWidth, areaHeight}))
        return false;
    masterFrame = true;
    return true;
}

View* FrameLayout::createView(int position) {
    if (!createFrameIfNeeded()) return nullptr;
    std::unique_ptr<View> created(new (std::nothrow) View(this));
    if (!created) {
        reportOutOfMemory(kViewAllocationSite, static_cast<long>(sizeof(View)));
        return nullptr;
    }
    View* view = created.get();
    position = std::clamp(position, 0, viewCount());
    views.insert(views.begin() + position, std::move(created));
    renumber();
    distributeShares();
    placeViews(false);
    if (host) {
        WindowId window = host->createViewWindow(*view, windowRequest(*view));
        if (window == 0) {
            // Without a window the record would be a view nobody can see or close.
            showMessageBox("error", "cannot create window.");
            views.erase(views.begin() + view->index);
            renumber();
            distributeShares();
            placeViews();
            return nullptr;
        }
        view->window = window;
        if (view->index == 0 && config().getInt("netTextReceive")) {
            host->startViewTimer(*view, kFirstViewTimerId, kFirstViewTimerMs);
        }
    }
    for (auto& other : views) other->active = false;
    view->active = true;
    focusView = view->index;
    if (host) host->focusViewWindow(*view);
    return view;
}

int FrameLayout::removeView(int position) {
    if (host && host->loadRunning()) {
        logMessage("close blocked, load ongoing");
        return 1;
    }
    if (position < 0 || position >= viewCount()) {
        logError(0, "int. #2154636");
        return 9;
    }
    if (!views[static_cast<size_t>(position)]) {
        logError(0, "int. #2154637");
        return 9;
    }
    std::unique_ptr<View> removed = std::move(views[static_cast<size_t>(position)]);
    views.erase(views.begin() + position);
    for (size_t i = static_cast<size_t>(position); i < views.size(); ++i) {
        views[i]->weight = kDefaultWeight;
    }
    renumber();
    if (focusView >= viewCount()) focusView = std::max(0, viewCount() - 1);
    cancelPasses(*removed);
    if (host) host->destroyViewWindow(*removed);
    removed.reset();
    if (masterFrame && host) {
        for (auto& view : views) {
            bool focus = view->index == focusView;
            host->showViewWindow(*view, focus);
            if (focus) host->focusViewWindow(*view);
        }
    }
    resetScreens();
    distributeShares();
    placeViews();
    return 0;
}

void FrameLayout::toggleTiling() {
    horizontalTiling = !horizontalTiling;
    if (host) {
        for (auto& view : views) host->relayoutNotice(*view, true);
    }
    placeViews();
    if (host) {
        for (auto& view : views) host->relayoutNotice(*view, false);
    }
}

int FrameLayout::switchFrameMode(bool overscan) {
    if (!host) return 9;
    relayoutBusy = true;
    if (masterFrame) {
        FrameRect rect = host->frameWindowRect();
        selectMonitor(rect.x, rect.y, static_cast<int>(rect.right()),
                      static_cast<int>(rect.bottom()), 0);
        // The frame may hang over the monitor's edge; the area must not.
        int64_t left = std::max<int64_t>(rect.x, workRect.x);
        int64_t top = std::max<int64_t>(rect.y, workRect.y);
        int64_t right = std::min(rect.right(), workRect.right());
        int64_t bottom = std::min(rect.bottom(), workRect.bottom());
        setArea(static_cast<int>(left), static_cast<int>(top),
                static_cast<int>(std::max<int64_t>(0, right - left)),
                static_cast<int>(std::max<int64_t>(0, bottom - top)), gap, false);
        host->destroyFrameWindow();
        masterFrame = false;
        masterFrameMode = false;
        viewBorders = !overscan;
    } else {
        if (!host->createFrameWindow(FrameRect{areaX, areaY, areaWidth, areaHeight})) {
            relayoutBusy = false;
            return 9;
        }
        masterFrame = true;
        masterFrameMode = true;
    }
    for (auto& view : views) host->reparentViewWindow(*view, windowRequest(*view));
    placeViews();
    host->refreshSettings();
    relayoutBusy = false;
    return 0;
}

// Exchanges what two views show while each list slot keeps its window and its place.
void FrameLayout::swapViewStates(size_t a, size_t b) {
    std::swap(views[a], views[b]);
    View& x = *views[a];
    View& y = *views[b];
    std::swap(x.index, y.index);
    std::swap(x.indexText, y.indexText);
    std::swap(x.window, y.window);
    std::swap(x.active, y.active);
    std::swap(x.windowX, y.windowX);
    std::swap(x.windowY, y.windowY);
    std::swap(x.windowWidth, y.windowWidth);
    std::swap(x.windowHeight, y.windowHeight);
    std::swap(x.clientWidth, y.clientWidth);
    std::swap(x.clientHeight, y.clientHeight);
    std::swap(x.relX, y.relX);
    std::swap(x.relY, y.relY);
    std::swap(x.relWidth, y.relWidth);
    std::swap(x.relHeight, y.relHeight);
    std::swap(x.weight, y.weight);
    std::swap(x.maximized, y.maximized);
    std::swap(x.rows, y.rows);
    std::swap(x.columns, y.columns);
    std::swap(x.charWidth, y.charWidth);
    std::swap(x.lineHeight, y.lineHeight);
    if (host) {
        host->swapViewWindows(x, y);
    } else {
        std::swap(x.host, y.host);
    }
}

int FrameLayout::cycleViews(int direction) {
    size_t count = views.size();
    if (count < 2) {
        showStatusInfo("need more than one window to cycle");
        return 1;
    }
    bool anyActive = false;
    for (auto& view : views) {
        view->restoreFocus = view->active;
        anyActive = anyActive || view->active;
    }
    if (!anyActive) {
        if (View* focused = focusedView()) focused->restoreFocus = true;
    }
    // A pass in flight reports to its view's host; it must not land in another window.
    for (auto& view : views) cancelPasses(*view);
    if (direction < 0) {
        for (size_t i = 0; i + 1 < count; ++i) swapViewStates(i, i + 1);
    } else {
        for (size_t i = count - 1; i > 0; --i) swapViewStates(i, i - 1);
    }
    resetScreens();
    for (auto& view : views) {
        view->active = view->restoreFocus;
        if (view->restoreFocus) focusView = view->index;
        view->restoreFocus = false;
    }
    if (host) {
        for (auto& view : views) host->redrawView(*view);
        if (View* focused = focusedView()) host->focusViewWindow(*focused);
    }
    return 0;
}

int FrameLayout::findCoveringWindow() {
    coveredView = -1;
    coveringTitle.clear();
    if (masterFrame || !host) return -1;
    enum : uint8_t { kOpen, kOnTop, kCovered };
    std::vector<uint8_t> state(views.size(), kOpen);
    for (const TopWindowInfo& top : host->topLevelWindows()) {
        if (!top.visible || top.rect.empty()) continue;
        for (size_t i = 0; i < views.size(); ++i) {
            if (state[i] != kOpen) continue;
            const View& view = *views[i];
            FrameRect viewRect{view.windowX, view.windowY, view.windowWidth, view.windowHeight};
            if (top.window == view.window) {
                state[i] = kOnTop;
            } else if (top.rect.intersects(viewRect)) {
                coveredView = static_cast<int>(i);
                coveringTitle = top.title.substr(0, kMaxCoveringTitleChars);
                return coveredView;
            }
        }
    }
    return -1;
}

int FrameLayout::frameCommand(int commandId) {
    if (commandId < kFirstForwardedCommand || !host) return 1;
    if (commandId == kFrameToggleMaximizeCommand) {
        host->toggleFrameMaximized();
        return 0;
    }
    View* view = focusedView();
    if (!view) return 1;
    host->forwardCommand(*view, commandId);
    return 0;
}

void FrameLayout::frameMoved(const FrameRect& rect) {
    frameRect = rect;
    areaX = std::max(0, rect.x);
    areaY = std::max(0, rect.y);
    areaWidth = std::max(0, rect.width);
    areaHeight = std::max(0, rect.height);
    if (workWidth > 0) areaWidth = std::min(areaWidth, workWidth);
    if (workHeight > 0) areaHeight = std::min(areaHeight, workHeight);
    areaWidthFull = areaWidth;
    areaWidthThird = areaWidth / 3;
    areaWidthHalf = areaWidth / 2;
    computeSpace();
}

void FrameLayout::frameActivated() {
    if (!host || views.empty()) return;
    View* target = focusedView();
    if (!target) {
        for (auto& view : views) {
            if (view->active) {
                target = view.get();
                break;
            }
        }
    }
    if (!target) target = views.front().get();
    host->focusViewWindow(*target);
}

void FrameLayout::frameClosing() {
    if (!host) return;
    if (views.empty()) {
        host->destroyFrameWindow();
        masterFrame = false;
        return;
    }
    host->requestExit(*views.front());
}

FrameLayout& frameLayout() {
    static FrameLayout layout;
    return layout;
}

}  // namespace tessel
