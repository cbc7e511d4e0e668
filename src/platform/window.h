// Windows and their events. A view, the master frame or a dialog implements WindowHandler;
// the platform calls it on the user interface thread for every event of its window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace tessel {

class Painter;

enum class CursorKind : int {
    arrow,
    hand,
    sizeWE,  // left-right arrows
    sizeNS,  // up-down arrows
    move,
    textBeam,
    wait,
    surfVertical,
    surfHorizontal,
    lock,
};

class WindowHandler {
  public:
    virtual ~WindowHandler() = default;

    virtual void onPaint(Painter& /*painter*/, const Rect& /*dirty*/) {}
    // key is a KeyCode, modifiers a set of Modifier flags.
    virtual void onKeyDown(int /*key*/, int /*modifiers*/, bool /*autoRepeat*/) {}
    virtual void onKeyUp(int /*key*/, int /*modifiers*/) {}
    // One typed character as a byte of the active code page; characters the code page cannot
    // show are not reported.
    virtual void onChar(uint8_t /*ch*/) {}
    virtual void onMouseDown(int /*button*/, int /*x*/, int /*y*/, int /*modifiers*/) {}
    virtual void onMouseUp(int /*button*/, int /*x*/, int /*y*/, int /*modifiers*/) {}
    virtual void onDoubleClick(int /*button*/, int /*x*/, int /*y*/, int /*modifiers*/) {}
    // buttons is the set of MouseButton flags held during the move.
    virtual void onMouseMove(int /*x*/, int /*y*/, int /*buttons*/, int /*modifiers*/) {}
    // delta in eighths of a degree; 120 is one notch, positive away from the user.
    virtual void onWheel(int /*delta*/, int /*x*/, int /*y*/, int /*modifiers*/) {}
    virtual void onEnter() {}
    virtual void onLeave() {}
    virtual void onResize(int /*width*/, int /*height*/) {}
    virtual void onMove(int /*x*/, int /*y*/) {}
    virtual void onFocus(bool /*gained*/) {}
    virtual void onTimer(int /*id*/) {}
    // Return false to keep the window open.
    virtual bool onClose() { return true; }
    // Dropped file and folder paths (native bytes), and the modifiers held at the drop.
    virtual void onDrop(const std::vector<std::string>& /*paths*/, int /*modifiers*/) {}
};

enum class WindowKind : int {
    topLevel,  // a frame with title and sizing border
    popup,     // a top-level window without border
    child,     // inside its parent
    dialog,    // a modeless tool window that stays above its parent
};

struct WindowOptions {
    WindowKind kind = WindowKind::topLevel;
    class PlatformWindow* parent = nullptr;
    Rect geometry{0, 0, 640, 480};
    std::string title;
    bool acceptDrops = false;
};

class PlatformWindow {
  public:
    // The handler must outlive the window. Returns nullptr when the platform is not started.
    // The window may be destroyed inside any of its own handler calls.
    static std::unique_ptr<PlatformWindow> create(WindowHandler& handler,
                                                  const WindowOptions& options);
    virtual ~PlatformWindow() = default;

    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool visible() const = 0;
    virtual void showMaximized() = 0;
    virtual void showNormal() = 0;
    virtual void showMinimized() = 0;
    virtual bool maximized() const = 0;
    // Geometry of the client area: relative to the parent for child windows, else in screen
    // coordinates.
    virtual void setGeometry(const Rect& rect) = 0;
    virtual Rect geometry() const = 0;
    // The outer rectangle including the frame, in screen coordinates.
    virtual Rect frameGeometry() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    // Moves the window into another parent (nullptr: becomes top-level of the given kind).
    virtual void setParent(PlatformWindow* parent, WindowKind kind) = 0;
    // Asks the window to close: WindowHandler::onClose decides.
    virtual void close() = 0;
    virtual void raise() = 0;
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;

    // Schedules a paint of the rectangle (the whole window when empty).
    virtual void invalidate(const Rect& rect = {}) = 0;
    // Paints pending invalid parts at once.
    virtual void update() = 0;

    // Starting an id that runs already restarts it with the new interval.
    virtual void startTimer(int id, int intervalMs) = 0;
    virtual void stopTimer(int id) = 0;
    virtual bool timerActive(int id) const = 0;

    virtual void captureMouse(bool on) = 0;
    virtual void setCursor(CursorKind cursor) = 0;
    virtual Point toScreen(Point local) const = 0;
    virtual Point fromScreen(Point screen) const = 0;
    virtual void setAcceptDrops(bool on) = 0;

    // Renders the window's current look into a PNG file, or a JPEG one when the name ends in
    // ".jpg" or ".jpeg", scaled down to `width` pixels when that is given and smaller. 0
    // written, 9 failure (logged).
    virtual int saveShot(const std::string& path, int width = 0) = 0;

    // Input delivered as if the user had given it, through the same path as real events
    // (for scripted runs). text is what the key types, in code-page bytes. Returns false for
    // a key code without a keyboard key.
    virtual bool injectKey(int key, int modifiers, bool down, std::string_view text = {}) = 0;
    enum class MouseAction : int { down, up, doubleClick, move };
    virtual void injectMouse(MouseAction action, int button, int x, int y, int modifiers) = 0;
    virtual void injectWheel(int delta, int x, int y, int modifiers) = 0;
};

}  // namespace tessel
