#include "app/view_windows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "app/find_dialog_glue.h"
#include "app/load_ui.h"
#include "app/view_pointer.h"
#include "base/log/message_log.h"
#include "platform/key_codes.h"
#include "platform/painter.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "text/text_store.h"
#include "view/assist_hints.h"
#include "view/filter_view.h"
#include "view/row_painter.h"
#include "view/screen_builder.h"
#include "view/scroll_bars.h"
#include "view/surf.h"
#include "view/view_input.h"
#include "view/view_keys.h"
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
constexpr int kSoonMs = 1000;
constexpr int kLoadRetryMs = 250;
constexpr uint8_t kControlF = 0x06;
constexpr const char* kFallbackFontFamily = "DejaVu Sans Mono";

Rect toRect(const FrameRect& box) {
    return Rect{box.x, box.y, box.width, box.height};
}

FrameRect toFrameRect(const Rect& rect) {
    return FrameRect{rect.x, rect.y, rect.width, rect.height};
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

// The row painter draws with the screen fonts; the main one is ours to choose.
const Font* currentMainFont() {
    return screenFonts().main.get();
}
void installMainFont(std::unique_ptr<Font> font) {
    screenFonts().main = std::move(font);
}
void dropMainFont() {
    releaseScreenFonts();
}
void measureView(View& view) {
    measureFont(view);
}

class FrameWindowHandler : public WindowHandler {
  public:
    void onResize(int /*width*/, int /*height*/) override {
        if (windowEvents().frameResized) windowEvents().frameResized();
    }
    bool onClose() override {
        if (windowEvents().frameClosing) windowEvents().frameClosing();
        return false;
    }
    // Items dropped beside the views load as if dropped on the focused view.
    void onDrop(const std::vector<std::string>& paths, int modifiers) override {
        if (View* view = frameLayout().focusedView()) deliverViewDrop(*view, paths, modifiers);
    }
};

struct FrameWindow {
    FrameWindowHandler handler;
    std::unique_ptr<PlatformWindow> window;
};

std::unique_ptr<FrameWindow>& frameWindow() {
    static std::unique_ptr<FrameWindow> frame;
    return frame;
}

// The window of one view: it hands every event of the window to the view and gives the view's
// search its timers and its way back to this thread.
class ViewWindow : public WindowHandler, public SearchHost {
  public:
    explicit ViewWindow(View& view) : view_(view) {}
    ~ViewWindow() override {
        // A running filter pass would post its rows through this window.
        cancelFilterPass(view_);
        if (view_.search.host == this) view_.search.host = nullptr;
    }

    bool open(ViewWindowKind style, const std::string& title, const FrameRect& box) {
        WindowOptions options;
        options.kind = kindOf(style);
        if (style == ViewWindowKind::kChild && frameWindow()) {
            options.parent = frameWindow()->window.get();
        } else {
            options.kind = style == ViewWindowKind::kChild ? WindowKind::topLevel : options.kind;
        }
        options.geometry = toRect(box);
        options.title = title;
        options.acceptDrops = true;
        window_ = PlatformWindow::create(*this, options);
        if (!window_) return false;
        view_.search.host = this;
        noteSize(box.width, box.height);
        return true;
    }

    PlatformWindow* window() const { return window_.get(); }
    View& view() const { return view_; }

    bool workPending() const {
        if (!window_) return false;
        if (window_->timerActive(kSearchTimerId) || view_.search.passRunning()) return true;
        if (filterPassRunning(view_)) return true;
        if (window_->timerActive(kDropTimerId)) return true;
        return window_->timerActive(kResetTimerId) && resetDueMs_ - tickMs() < kSoonMs;
    }

    void onPaint(Painter& painter, const Rect& dirty) override {
        buildViewScreen(view_);
        paintView(view_, painter, dirty);
        if (window_ && !window_->timerActive(kOverlayTimerId) && overlayFading(view_)) {
            window_->startTimer(kOverlayTimerId, kOverlayTimerMs);
        }
    }

    void onResize(int width, int height) override {
        noteSize(width, height);
        if (window_) window_->invalidate();
    }

    // Without an editor the typing keys edit the mask rows; a change there has already
    // scheduled the search and dropped the rows, so the window only repaints.
    void onKeyDown(int key, int modifiers, bool /*autoRepeat*/) override {
        if (loadKeyDown(view_, key, modifiers) == 0) return;
        if (maskKeyDown(view_, view_.input, key, modifiers) == 0 ||
            viewKeyDown(view_, key, modifiers) == 0) {
            refreshView();
        }
    }

    void onKeyUp(int key, int modifiers) override {
        if (loadKeyUp(view_, key, modifiers) == 0) {
            refreshView();
            return;
        }
        if (viewKeyUp(view_, key, modifiers) == 0) refreshView();
    }

    void onChar(uint8_t ch) override {
        const int modifiers = modifierState();
        if (loadChar(view_, ch, modifiers) == 0) return;
        // CONTROL with a letter arrives as its control character: a command, not mask text.
        if (ch < 0x20 && ch != 0x08 && viewChar(view_, ch, modifiers) == 0) {
            refreshView();
            return;
        }
        if (ch == kControlF) {
            openViewFindDialog(view_);
            return;
        }
        if (maskChar(view_, view_.input, ch) == 0) refreshView();
    }

    // The drop itself returns at once; the short drop timer loads the items.
    void onDrop(const std::vector<std::string>& paths, int modifiers) override {
        if (window_ && takeDrop(paths, modifiers)) window_->startTimer(kDropTimerId, kDropDelayMs);
    }

    // The double CONTROL gesture and CONTROL+G act on the cell under the pointer.
    void onMouseMove(int x, int y, int buttons, int modifiers) override {
        view_.nav.lastMouseRow = view_.lineHeight > 0 ? y / view_.lineHeight : -1;
        view_.nav.lastMouseColumn = view_.charWidth > 0 ? x / view_.charWidth : -1;
        if (pointerMoved(view_, x, y) && window_) window_->invalidate();
        if (!loadDriver().running()) surfMouseMove(x, y, buttons, modifiers);
    }
    void onLeave() override {
        view_.nav.lastMouseRow = view_.nav.lastMouseColumn = -1;
        if (pointerLeft(view_) && window_) window_->invalidate();
    }

    void onDoubleClick(int button, int x, int y, int modifiers) override {
        if (loadDriver().running()) return;
        if (pointerDoubleClick(view_, button, x, y, modifiers) == 0) refreshView();
    }

    // A press on blank space starts surfing; the moves with the button held scroll the view.
    void onMouseDown(int button, int x, int y, int modifiers) override {
        if (loadDriver().running()) return;  // the store is the loader's meanwhile
        // The log button, the sidebar and the gestures on words come first.
        if (pointerPress(view_, button, x, y, modifiers) == 0) {
            refreshView();
            return;
        }
        // A plain click on a row of the filtered view or file list opens that place.
        if (button == kMouseLeft && modifiers == 0 && !blankSpaceAt(view_, x, y) &&
            filterClickAt(view_, x, y) == 0) {
            refreshView();
            return;
        }
        if (button != kMouseLeft || !window_ || !blankSpaceAt(view_, x, y)) return;
        surfing_ = true;
        surfStartX_ = x;
        surfStartY_ = y;
        surfEnd(view_);
        window_->captureMouse(true);
    }
    void onMouseUp(int button, int /*x*/, int /*y*/, int /*modifiers*/) override {
        if (button != kMouseLeft) return;
        // The thumb loses its dragging look.
        if (scrollBarRelease(view_) == 0 && window_) window_->invalidate();
        stopSurfing();
    }

    void onWheel(int delta, int /*x*/, int /*y*/, int /*modifiers*/) override {
        if (loadDriver().running()) return;  // the store is the loader's meanwhile
        const int result = wheel(view_, delta, tickMs());
        if (result == kSurfRedraw) refreshView();
        if (result == kWheelTicking && window_ && !window_->timerActive(kWheelTimerId)) {
            window_->startTimer(kWheelTimerId, kWheelTickMs);
        }
    }

    void onFocus(bool gained) override {
        if (gained && windowEvents().viewFocused) windowEvents().viewFocused(view_);
    }

    void onTimer(int id) override {
        if (!window_) return;
        // Nothing may read the store while a load writes it: the search waits, the soft
        // scroll pauses.
        if (loadDriver().running() && (id == kSearchTimerId || id == kWheelTimerId)) {
            if (id == kSearchTimerId) window_->startTimer(kSearchTimerId, kLoadRetryMs);
            return;
        }
        if (id == kOverlayTimerId) {
            if (!overlayFading(view_)) window_->stopTimer(kOverlayTimerId);
            window_->invalidate();
            return;
        }
        if (id == kWheelTimerId) {
            bool moved = false;
            if (!wheelTick(view_, tickMs(), &moved)) window_->stopTimer(kWheelTimerId);
            if (moved) refreshView();
            return;
        }
        if (id == kDropTimerId) {
            window_->stopTimer(kDropTimerId);
            dropTimerExpired(loadDriver());
            return;
        }
        if (id == kSearchTimerId) {
            window_->stopTimer(kSearchTimerId);
            view_.search.runSearch();
            refreshView();
        } else if (id == kResetTimerId) {
            window_->stopTimer(kResetTimerId);
            view_.search.resetTimerExpired();
            refreshView();
        }
    }

    bool onClose() override {
        if (windowEvents().viewClosing) windowEvents().viewClosing(view_);
        return false;
    }

    // The search's host.
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
    bool pathMaskHasFocus() override { return view_.input.maskFocus == MaskFocus::kPath; }
    // The lines a result can be on: the rows of a filtered view, else the whole text.
    int viewLineCount() override {
        if (view_.filterMode != FilterMode::kFullText) return view_.filteredLineCount;
        return view_.textStore().lineCount();
    }
    // Every filter update and search ends here: the no-hit bubble follows its result.
    void refreshStatus() override {
        updateNoHitBubble(view_);
        refreshView();
    }
    bool inNormalView() override { return view_.filterMode == FilterMode::kFullText; }
    void resetFileListMode() override { filterResetFileListMode(view_); }
    void openFilteredView() override { filterOpenFromSearch(view_, 1); }
    void openFileList() override { filterOpenFromSearch(view_, 2); }
    void updateFilter() override { filterUpdateFromSearch(view_); }
    void leaveFilter() override { tessel::leaveFilter(view_, true); }
    int filterHitLine() override { return view_.filter.firstHitLine; }
    void recordHistoryStep(const char* name) override { historySave(view_, name); }
    void refreshView() override {
        view_.screen.valid = false;
        if (window_) window_->invalidate();
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
        const bool shift = (modifiers & kModShift) != 0;
        const int result = surfMove(view_, x, y, surfStartX_, surfStartY_, tickMs(), shift);
        if (view_.surf.mode == kSurfVertical) window_->setCursor(CursorKind::surfVertical);
        if (view_.surf.mode == kSurfHorizontal) window_->setCursor(CursorKind::surfHorizontal);
        if (x != surfStartX_ || y != surfStartY_) {
            warpPointer(window_->toScreen(Point{surfStartX_, surfStartY_}));
        }
        if (result != kSurfRedraw) return;
        refreshView();
        if (shift) {
            if (View* neighbour = view_.rightNeighbour()) redrawViewWindow(*neighbour);
        }
    }
    void stopSurfing() {
        if (!surfing_) return;
        surfing_ = false;
        surfEnd(view_);
        if (!window_) return;
        window_->captureMouse(false);
        window_->setCursor(CursorKind::arrow);
    }

    void noteSize(int width, int height) {
        view_.clientWidth = std::max(width, 1);
        view_.clientHeight = std::max(height, 1);
        if (view_.charWidth > 0) {
            view_.columns = std::clamp(view_.clientWidth / view_.charWidth, 1, kScreenColumns);
        }
        if (view_.lineHeight > 0) {
            view_.rows = std::clamp(view_.clientHeight / view_.lineHeight, 1, kScreenRows);
        }
        view_.screen.valid = false;
        updateResultFocus(view_);
    }

    View& view_;
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

WindowEvents& windowEvents() {
    static WindowEvents events;
    return events;
}

namespace {
bool& loopEnding() {
    static bool ending = false;
    return ending;
}
}  // namespace

int startPlatform(bool offscreen, bool nonInteractive) {
    loopEnding() = false;
    PlatformOptions options;
    options.offscreen = offscreen;
    options.nonInteractive = nonInteractive;
    if (platformInit(options) != 0) return 9;
    // Without a display the platform runs offscreen, where nobody could answer a box.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::strcmp(platform, "offscreen") == 0) setNonInteractive(true);
    return 0;
}

void endMessageLoop(int code) {
    loopEnding() = true;
    quitEventLoop(code);
}

bool messageLoopEnding() {
    return loopEnding();
}

void stopPlatform() {
    closeAllViewWindows();
    closeFrameWindow();
    releaseMainFont();
    platformShutdown();
}

std::vector<MonitorArea> screenAreas() {
    std::vector<MonitorArea> boxes;
    for (const Monitor& monitor : monitors()) {
        boxes.push_back(MonitorArea{toFrameRect(monitor.full), toFrameRect(monitor.work)});
    }
    return boxes;
}

int createMainFont(const std::string& name, int height, int weight) {
    FontRequest request;
    request.name = name;
    request.height = height > 0 ? height : 16;
    request.weight = weight > 0 ? weight : 400;
    request.fixedPitch = true;
    std::unique_ptr<Font> font = Font::create(request);
    // Text columns only line up with a fixed-pitch font; a proportional substitute is
    // replaced by the bundled fixed-pitch family.
    if (!font || !font->fixedPitch()) {
        if (font) {
            logMessage("[note] font %s is not fixed-pitch, using %s", font->family().c_str(),
                       kFallbackFontFamily);
        }
        request.name = kFallbackFontFamily;
        font = Font::create(request);
    }
    if (!font || font->metrics().charWidth <= 0 || font->metrics().height <= 0) {
        logError(0, "cannot create the main font %s", name.c_str());
        return 9;
    }
    installMainFont(std::move(font));
    return 0;
}

void releaseMainFont() {
    dropMainFont();
}

int mainCharWidth() {
    const Font* font = currentMainFont();
    return font ? font->metrics().charWidth : 8;
}

int mainLineHeight() {
    const Font* font = currentMainFont();
    return font ? font->metrics().height : 16;
}

bool openFrameWindow(const FrameRect& area, const std::string& title) {
    if (frameWindow()) return true;
    auto frame = std::make_unique<FrameWindow>();
    WindowOptions options;
    options.kind = WindowKind::topLevel;
    options.geometry = toRect(area);
    options.title = title;
    options.acceptDrops = true;
    frame->window = PlatformWindow::create(frame->handler, options);
    if (!frame->window) {
        logError(0, "cannot create the frame window");
        return false;
    }
    // The frame is reachable before it shows: showing it sends the first resize, and the
    // layout asks for the frame's size then.
    frameWindow() = std::move(frame);
    frameWindow()->window->show();
    return true;
}

void closeFrameWindow() {
    frameWindow().reset();
}

bool frameWindowOpen() {
    return frameWindow() != nullptr;
}

FrameRect frameWindowRect() {
    return frameWindow() ? toFrameRect(frameWindow()->window->frameGeometry()) : FrameRect{};
}

FrameRect frameClientRect() {
    if (!frameWindow()) return {};
    const Rect client = frameWindow()->window->geometry();
    return FrameRect{0, 0, client.width, client.height};
}

void toggleFrameWindowMaximized() {
    if (!frameWindow()) return;
    PlatformWindow& window = *frameWindow()->window;
    if (window.maximized()) {
        window.showNormal();
    } else {
        window.showMaximized();
    }
}

void resizeFrameWindow(int width, int height) {
    if (!frameWindow()) return;
    PlatformWindow& window = *frameWindow()->window;
    const Rect at = window.geometry();
    window.setGeometry(Rect{at.x, at.y, width, height});
}

WindowId openViewWindow(View& view, ViewWindowKind style, const std::string& title,
                        const FrameRect& box) {
    closeViewWindow(view);
    measureView(view);
    auto window = std::make_unique<ViewWindow>(view);
    if (!window->open(style, title, box)) return 0;
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
            viewFindDialogGone(view);
            view.window = 0;
            return;
        }
    }
}

void closeAllViewWindows() {
    while (!viewWindows().empty()) closeViewWindow(viewWindows().back()->view());
}

void restyleViewWindow(View& view, ViewWindowKind style, const std::string& title,
                       const FrameRect& box) {
    PlatformWindow* window = platformOf(view);
    if (!window) return;
    PlatformWindow* parent = nullptr;
    if (style == ViewWindowKind::kChild && frameWindow()) parent = frameWindow()->window.get();
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

void raiseViewWindow(View& view) {
    if (PlatformWindow* window = platformOf(view)) window->raise();
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
