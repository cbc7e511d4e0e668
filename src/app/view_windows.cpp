#include "app/view_windows.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "base/log/message_log.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace tessel {
namespace {

Rect toRect(const FrameRect& box) {
    return Rect{box.x, box.y, box.width, box.height};
}

FrameRect toFrameRect(const Rect& rect) {
    return FrameRect{rect.x, rect.y, rect.width, rect.height};
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

bool& loopEnding() {
    static bool ending = false;
    return ending;
}

}  // namespace

WindowEvents& windowEvents() {
    static WindowEvents events;
    return events;
}

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
    releaseScreenFonts();
    platformShutdown();
}

std::vector<MonitorArea> screenAreas() {
    std::vector<MonitorArea> boxes;
    for (const Monitor& monitor : monitors()) {
        boxes.push_back(MonitorArea{toFrameRect(monitor.full), toFrameRect(monitor.work)});
    }
    return boxes;
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

PlatformWindow* frameWindowHandle() {
    return frameWindow() ? frameWindow()->window.get() : nullptr;
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

}  // namespace tessel
