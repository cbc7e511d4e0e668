#include "view/view_window.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "base/log/message_log.h"
#include "load/load_driver.h"
#include "platform/key_codes.h"
#include "platform/painter.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/row_painter.h"
#include "view/screen_builder.h"
#include "view/scroll_bars.h"
#include "view/search_driver.h"
#include "view/surf.h"
#include "view/user_keys.h"
#include "view/view_editing.h"
#include "view/view_host.h"
#include "view/view_input.h"
#include "view/view_keys.h"
#include "view/view_pointer.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

constexpr int kSearchTimerId = 1;
constexpr int kResetTimerId = 2;
// Soft wheel scrolling ticks while the text is still moving.
constexpr int kWheelTimerId = 3;
// The message overlay fades while this runs; idle views stop it.
constexpr int kOverlayTimerId = 4;
constexpr int kOverlayTimerMs = 500;
// The editor's cursor blinks while this runs; a view that stops editing stops it.
constexpr int kBlinkTimerId = 5;
// Dropped items load after the load driver's drop delay, when the drop itself has returned.
constexpr int kDropTimerId = 21;
constexpr int kSoonMs = 1000;
constexpr int kLoadRetryMs = 250;
constexpr uint8_t kControlF = 0x06;

Rect toRect(const FrameRect& box) {
    return Rect{box.x, box.y, box.width, box.height};
}

WindowKind kindOf(ViewWindowKind style) {
    switch (style) {
        case ViewWindowKind::kChild:
            return WindowKind::child;
        case ViewWindowKind::kBordered:
            return WindowKind::topLevel;
        case ViewWindowKind::kPopup:
            return WindowKind::popup;
    }
    return WindowKind::topLevel;
}

bool loadRunning() {
    return loadDriver().running();
}

// The window of one view: it hands every event of the window to the view and is the view's
// host (its timers, its repaints, its way back to this thread).
class ViewWindow : public WindowHandler, public ViewHost {
  public:
    explicit ViewWindow(View& view) : view_(&view) {}
    // A pass of the view posts its result through this window: every pass stops first.
    ~ViewWindow() override {
        cancelPasses(*view_);
        if (view_->host == this) view_->host = nullptr;
    }

    bool open(ViewWindowKind style, const std::string& title, const FrameRect& box,
              PlatformWindow* parent) {
        WindowOptions options;
        options.kind = kindOf(style);
        if (style == ViewWindowKind::kChild && parent) {
            options.parent = parent;
        } else if (style == ViewWindowKind::kChild) {
            options.kind = WindowKind::topLevel;
        }
        options.geometry = toRect(box);
        options.title = title;
        options.acceptDrops = true;
        window_ = PlatformWindow::create(*this, options);
        if (!window_) return false;
        view_->host = this;
        noteSize(box.width, box.height);
        return true;
    }

    PlatformWindow* window() const { return window_.get(); }
    View& view() const { return *view_; }
    // The frame exchanged what two view slots show: the window shows the other view now.
    void rebind(View& view) { view_ = &view; }

    bool workPending() const {
        if (!window_) return false;
        if (window_->timerActive(kSearchTimerId) || passesRunning(*view_)) return true;
        if (window_->timerActive(kDropTimerId)) return true;
        return window_->timerActive(kResetTimerId) && resetDueMs_ - tickMs() < kSoonMs;
    }

    void onPaint(Painter& painter, const Rect& dirty) override {
        buildViewScreen(*view_);
        paintView(*view_, painter, dirty);
        if (window_ && !window_->timerActive(kOverlayTimerId) && overlayFading(*view_)) {
            window_->startTimer(kOverlayTimerId, kOverlayTimerMs);
        }
        if (window_ && view_->editor && !window_->timerActive(kBlinkTimerId)) {
            window_->startTimer(kBlinkTimerId, cursorBlinkHalfPeriodMs());
        }
    }

    void onResize(int width, int height) override {
        noteSize(width, height);
        if (window_) window_->invalidate();
    }

    // Without an editor the typing keys edit the mask rows; a change there has already
    // scheduled the search and dropped the rows, so the window only repaints.
    void onKeyDown(int key, int modifiers, bool /*autoRepeat*/) override {
        forgetUserKeyChar();
        const ViewWindowHooks& hooks = viewWindowHooks();
        if (hooks.loadKeyDown && hooks.loadKeyDown(*view_, key, modifiers) == 0) return;
        if (editKeyDown(*view_, key, modifiers) == 0) {
            refresh();
            return;
        }
        if (maskKeyDown(*view_, view_->input, key, modifiers) == 0 ||
            viewKeyDown(*view_, key, modifiers) == 0) {
            refresh();
        }
    }

    void onKeyUp(int key, int modifiers) override {
        const ViewWindowHooks& hooks = viewWindowHooks();
        if (hooks.loadKeyUp && hooks.loadKeyUp(*view_, key, modifiers) == 0) {
            refresh();
            return;
        }
        if (viewKeyUp(*view_, key, modifiers) == 0) refresh();
    }

    void onChar(uint8_t ch) override {
        if (takeUserKeyChar(*view_)) return;
        const int modifiers = modifierState();
        const ViewWindowHooks& hooks = viewWindowHooks();
        if (hooks.loadChar && hooks.loadChar(*view_, ch, modifiers) == 0) return;
        if (editChar(*view_, ch, modifiers) == 0) {
            refresh();
            return;
        }
        // CONTROL with a letter arrives as its control character: a command, not mask text.
        if (ch < 0x20 && ch != 0x08 && viewChar(*view_, ch, modifiers) == 0) {
            refresh();
            return;
        }
        if (ch == kControlF) {
            if (hooks.openFindDialog) hooks.openFindDialog(*view_);
            return;
        }
        if (maskChar(*view_, view_->input, ch) == 0) refresh();
    }

    // The drop itself returns at once; the short drop timer loads the items.
    void onDrop(const std::vector<std::string>& paths, int modifiers) override {
        const ViewWindowHooks& hooks = viewWindowHooks();
        if (window_ && hooks.takeDrop && hooks.takeDrop(paths, modifiers)) {
            window_->startTimer(kDropTimerId, kDropDelayMs);
        }
    }

    // The double CONTROL gesture and CONTROL+G act on the cell under the pointer.
    void onMouseMove(int x, int y, int buttons, int modifiers) override {
        View& view = *view_;
        view.nav.lastMouseRow = view.lineHeight > 0 ? y / view.lineHeight : -1;
        view.nav.lastMouseColumn = view.charWidth > 0 ? x / view.charWidth : -1;
        if (pointerMoved(view, x, y) && window_) window_->invalidate();
        if ((buttons & kMouseLeft) && editPointerDrag(view, x, y) == 0) refresh();
        if (!loadRunning()) surfMouseMove(x, y, buttons, modifiers);
    }
    void onLeave() override {
        view_->nav.lastMouseRow = view_->nav.lastMouseColumn = -1;
        if (pointerLeft(*view_) && window_) window_->invalidate();
    }

    void onDoubleClick(int button, int x, int y, int modifiers) override {
        if (loadRunning()) return;
        if (pointerDoubleClick(*view_, button, x, y, modifiers) == 0 ||
            editDoubleClick(*view_, button, x, y, modifiers) == 0) {
            refresh();
        }
    }

    // A press on blank space starts surfing; the moves with the button held scroll the view.
    void onMouseDown(int button, int x, int y, int modifiers) override {
        if (loadRunning()) return;  // the store is the loader's meanwhile
        View& view = *view_;
        if (userButtonDown(view, button, modifiers) == 0) {
            refresh();
            return;
        }
        // The log button, the sidebar and the gestures on words come first.
        if (pointerPress(view, button, x, y, modifiers) == 0 ||
            editPointerPress(view, button, x, y, modifiers) == 0) {
            refresh();
            return;
        }
        // A plain click on a row of the filtered view or file list opens that place.
        if (button == kMouseLeft && modifiers == 0 && !blankSpaceAt(view, x, y) &&
            filterClickAt(view, x, y) == 0) {
            refresh();
            return;
        }
        if (button != kMouseLeft || !window_ || !blankSpaceAt(view, x, y)) return;
        surfing_ = true;
        surfStartX_ = x;
        surfStartY_ = y;
        surfEnd(view);
        window_->captureMouse(true);
    }
    void onMouseUp(int button, int /*x*/, int /*y*/, int modifiers) override {
        if (userButtonUp(*view_, button, modifiers) == 0) {
            refresh();
            return;
        }
        if (button != kMouseLeft) return;
        editPointerRelease(*view_);
        // The thumb loses its dragging look.
        if (scrollBarRelease(*view_) == 0 && window_) window_->invalidate();
        stopSurfing();
    }

    void onWheel(int delta, int /*x*/, int /*y*/, int /*modifiers*/) override {
        if (loadRunning()) return;  // the store is the loader's meanwhile
        const int result = wheel(*view_, delta, tickMs());
        if (result == kSurfRedraw) refresh();
        if (result == kWheelTicking && window_ && !window_->timerActive(kWheelTimerId)) {
            window_->startTimer(kWheelTimerId, kWheelTickMs);
        }
    }

    void onFocus(bool gained) override {
        const ViewWindowHooks& hooks = viewWindowHooks();
        if (gained && hooks.focused) hooks.focused(*view_);
    }

    void onTimer(int id) override {
        if (!window_) return;
        // Nothing may read the store while a load writes it: the search waits, the soft
        // scroll pauses.
        if (loadRunning() && (id == kSearchTimerId || id == kWheelTimerId)) {
            if (id == kSearchTimerId) window_->startTimer(kSearchTimerId, kLoadRetryMs);
            return;
        }
        switch (id) {
            case kBlinkTimerId:
                if (!view_->editor) window_->stopTimer(kBlinkTimerId);
                window_->invalidate();
                return;
            case kOverlayTimerId:
                if (!overlayFading(*view_)) window_->stopTimer(kOverlayTimerId);
                window_->invalidate();
                return;
            case kWheelTimerId: {
                bool moved = false;
                if (!wheelTick(*view_, tickMs(), &moved)) window_->stopTimer(kWheelTimerId);
                if (moved) refresh();
                return;
            }
            case kDropTimerId:
                window_->stopTimer(kDropTimerId);
                if (viewWindowHooks().dropTimerExpired) viewWindowHooks().dropTimerExpired();
                return;
            case kSearchTimerId:
                window_->stopTimer(kSearchTimerId);
                searchTimerFired(*view_);
                refresh();
                return;
            case kResetTimerId:
                window_->stopTimer(kResetTimerId);
                resetTimerFired(*view_);
                refresh();
                return;
            case kFirstViewTimerId:
                if (viewWindowHooks().firstViewTimer) viewWindowHooks().firstViewTimer(*view_);
                return;
            default:
                return;
        }
    }

    bool onClose() override {
        if (viewWindowHooks().closing) viewWindowHooks().closing(*view_);
        return false;
    }

    // The view's host.
    int64_t nowMs() override { return tickMs(); }
    void armSearchTimer(int delayMs) override {
        if (window_) window_->startTimer(kSearchTimerId, std::max(delayMs, 0));
    }
    void killSearchTimer() override {
        if (window_) window_->stopTimer(kSearchTimerId);
    }
    void armResetTimer(int delayMs) override {
        if (!window_) return;
        resetDueMs_ = tickMs() + std::max(delayMs, 0);
        window_->startTimer(kResetTimerId, std::max(delayMs, 0));
    }
    void postToUi(std::function<void()> task) override { postToUiThread(std::move(task)); }
    void refresh() override {
        view_->screen.valid = false;
        if (window_) window_->invalidate();
    }
    void repaint() override {
        if (window_) window_->invalidate();
    }
    void raise() override {
        if (window_) window_->raise();
    }

  private:
    // Every step puts the pointer back to where the press was, so the mouse never reaches
    // the edge of the screen however long the user surfs.
    void surfMouseMove(int x, int y, int buttons, int modifiers) {
        if (!surfing_ || !window_) return;
        if (!(buttons & kMouseLeft)) {
            stopSurfing();  // released where the window did not see it
            return;
        }
        View& view = *view_;
        const bool shift = (modifiers & kModShift) != 0;
        const int result = surfMove(view, x, y, surfStartX_, surfStartY_, tickMs(), shift);
        if (view.surf.mode == kSurfVertical) window_->setCursor(CursorKind::surfVertical);
        if (view.surf.mode == kSurfHorizontal) window_->setCursor(CursorKind::surfHorizontal);
        if (x != surfStartX_ || y != surfStartY_) {
            warpPointer(window_->toScreen(Point{surfStartX_, surfStartY_}));
        }
        if (result != kSurfRedraw) return;
        refresh();
        if (shift) {
            View* neighbour = view.rightNeighbour();
            if (neighbour && neighbour->host) neighbour->host->refresh();
        }
    }
    void stopSurfing() {
        if (!surfing_) return;
        surfing_ = false;
        surfEnd(*view_);
        if (!window_) return;
        window_->captureMouse(false);
        window_->setCursor(CursorKind::arrow);
    }

    void noteSize(int width, int height) {
        View& view = *view_;
        view.clientWidth = std::max(width, 1);
        view.clientHeight = std::max(height, 1);
        if (view.charWidth > 0) {
            view.columns = std::clamp(view.clientWidth / view.charWidth, 1, kScreenColumns);
        }
        if (view.lineHeight > 0) {
            view.rows = std::clamp(view.clientHeight / view.lineHeight, 1, kScreenRows);
        }
        view.screen.valid = false;
        updateResultFocus(view);
    }

    View* view_;
    std::unique_ptr<PlatformWindow> window_;
    int64_t resetDueMs_ = 0;
    bool surfing_ = false;
    int surfStartX_ = 0;
    int surfStartY_ = 0;
};

std::vector<std::unique_ptr<ViewWindow>>& viewWindows() {
    static std::vector<std::unique_ptr<ViewWindow>> windows;
    return windows;
}

ViewWindow* windowOf(const View& view) {
    for (auto& each : viewWindows()) {
        if (&each->view() == &view) return each.get();
    }
    return nullptr;
}

PlatformWindow* platformOf(const View& view) {
    ViewWindow* window = windowOf(view);
    return window ? window->window() : nullptr;
}

}  // namespace

ViewWindowHooks& viewWindowHooks() {
    static ViewWindowHooks hooks;
    return hooks;
}

WindowId openViewWindow(View& view, ViewWindowKind style, const std::string& title,
                        const FrameRect& box, PlatformWindow* parent) {
    closeViewWindow(view);
    measureFont(view);
    auto window = std::make_unique<ViewWindow>(view);
    if (!window->open(style, title, box, parent)) return 0;
    window->window()->show();
    const auto id = reinterpret_cast<WindowId>(window->window());
    viewWindows().push_back(std::move(window));
    return id;
}

void closeViewWindow(View& view) {
    auto& windows = viewWindows();
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        if (&(*it)->view() == &view) {
            // Take it out of the list first: destroying the window may send events.
            std::unique_ptr<ViewWindow> closing = std::move(*it);
            windows.erase(it);
            if (viewWindowHooks().viewGone) viewWindowHooks().viewGone(view);
            view.window = 0;
            return;
        }
    }
}

void closeAllViewWindows() {
    while (!viewWindows().empty()) closeViewWindow(viewWindows().back()->view());
}

void restyleViewWindow(View& view, ViewWindowKind style, const std::string& title,
                       const FrameRect& box, PlatformWindow* parent) {
    PlatformWindow* window = platformOf(view);
    if (!window) return;
    if (style != ViewWindowKind::kChild) parent = nullptr;
    window->setParent(parent, kindOf(parent ? style : ViewWindowKind::kBordered));
    window->setTitle(title);
    window->setGeometry(toRect(box));
    window->show();
}

void moveViewWindow(View& view, const FrameRect& box, bool repaint) {
    PlatformWindow* window = platformOf(view);
    if (!window) return;
    window->setGeometry(toRect(box));
    view.screen.valid = false;
    if (repaint) window->invalidate();
}

void showViewWindow(View& view, bool activate) {
    PlatformWindow* window = platformOf(view);
    if (!window) return;
    window->show();
    if (activate) window->setFocus();
}

void focusViewWindow(View& view) {
    if (PlatformWindow* window = platformOf(view)) window->setFocus();
}

void redrawViewWindow(View& view) {
    view.screen.valid = false;
    if (PlatformWindow* window = platformOf(view)) window->invalidate();
}

void startViewWindowTimer(View& view, int timerId, int periodMs) {
    if (PlatformWindow* window = platformOf(view)) window->startTimer(timerId, periodMs);
}

PlatformWindow* platformWindowOf(const View& view) {
    return platformOf(view);
}

void swapViewWindows(View& a, View& b) {
    ViewWindow* windowOfA = windowOf(a);
    ViewWindow* windowOfB = windowOf(b);
    std::swap(a.host, b.host);
    if (windowOfA) windowOfA->rebind(b);
    if (windowOfB) windowOfB->rebind(a);
}

void buildViewScreen(View& view) {
    if (view.screen.valid) return;
    buildScreen(view);
}

void deliverViewDrop(View& view, const std::vector<std::string>& paths, int modifiers) {
    if (ViewWindow* window = windowOf(view)) window->onDrop(paths, modifiers);
}

void deliverViewChar(View& view, uint8_t ch) {
    if (ViewWindow* window = windowOf(view)) window->onChar(ch);
}

bool viewWorkPending() {
    for (const auto& window : viewWindows()) {
        if (window->workPending()) return true;
    }
    return false;
}

}  // namespace tessel
