// Windows on QWidget: every toolkit event is handed to the window's WindowHandler.
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QTimerEvent>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <map>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "platform/qt_internal.h"
#include "platform/qt_keys.h"

namespace tessel::qt {
namespace {

// Events being handled by any of our windows right now (nested loops count each level).
int gEventDepth = 0;

Qt::WindowFlags flagsOf(WindowKind kind) {
    switch (kind) {
        case WindowKind::topLevel:
            return Qt::Window;
        case WindowKind::popup:
            return Qt::Window | Qt::FramelessWindowHint;
        case WindowKind::child:
            return Qt::Widget;
        case WindowKind::dialog:
            return Qt::Tool;
    }
    return Qt::Window;
}

class HandlerWidget : public QWidget {
  public:
    HandlerWidget(WindowHandler& handler, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), handler_(&handler) {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        // The views paint every pixel themselves; skipping the erase avoids flicker.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void startTimerId(int id, int intervalMs) {
        stopTimerId(id);
        // The toolkit's default timers may fire 5% early or late to bunch wake-ups: on the
        // delay before a search that is up to 40 ms more between keystroke and result.
        const int qtId = QObject::startTimer(std::max(intervalMs, 0), Qt::PreciseTimer);
        if (qtId != 0) timers_[qtId] = id;
    }

    void stopTimerId(int id) {
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second == id) {
                QObject::killTimer(it->first);
                timers_.erase(it);
                return;
            }
        }
    }

    bool timerRunning(int id) const {
        for (const auto& [qtId, ownId] : timers_) {
            if (ownId == id) return true;
        }
        return false;
    }

    // The owner may destroy its window from inside an event of this window or of one of its
    // children (a view closing itself); the widget then lives on, detached and hidden, until
    // the event is done.
    void detachAndDelete() {
        handler_ = nullptr;
        for (const auto& each : timers_) QObject::killTimer(each.first);
        timers_.clear();
        if (QWidget::mouseGrabber() == this) releaseMouse();
        hide();
        if (gEventDepth == 0) {
            delete this;
        } else {
            deleteLater();
        }
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        QtPainter wrapped(painter);
        const QRect dirty = event->rect();
        if (handler_)
            handler_->onPaint(wrapped, Rect{dirty.x(), dirty.y(), dirty.width(), dirty.height()});
    }

    void keyPressEvent(QKeyEvent* event) override {
        const int key = keyCodeOf(*event);
        noteKeyState(key, true);
        if (key != kKeyNone && handler_) {
            handler_->onKeyDown(key, modifiersOf(event->modifiers()), event->isAutoRepeat());
        }
        // Typed text arrives as characters after the key, control characters included
        // (Return, Backspace, TAB, ESCAPE and CONTROL+letter).
        // In the UTF-8 code page a character arrives as the bytes of its sequence.
        const QString text = event->text();
        if (codePage() == kCodePageUtf8) {
            for (const char byte : toCodePage(text)) {
                if (handler_) handler_->onChar(static_cast<uint8_t>(byte));
            }
            return;
        }
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int byte = byteOf(text[i].unicode());
            if (byte >= 0 && !text[i].isSurrogate() && handler_) {
                handler_->onChar(static_cast<uint8_t>(byte));
            }
        }
    }

    void keyReleaseEvent(QKeyEvent* event) override {
        const int key = keyCodeOf(*event);
        if (event->isAutoRepeat()) return;
        noteKeyState(key, false);
        if (key != kKeyNone && handler_) handler_->onKeyUp(key, modifiersOf(event->modifiers()));
    }

    // TAB belongs to the views (it switches the mask rows), not to focus navigation.
    bool focusNextPrevChild(bool /*next*/) override { return false; }

    void mousePressEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (handler_)
            handler_->onMouseDown(mouseButtonOf(event->button()), at.x(), at.y(),
                                  modifiersOf(event->modifiers()));
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (handler_)
            handler_->onMouseUp(mouseButtonOf(event->button()), at.x(), at.y(),
                                modifiersOf(event->modifiers()));
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (handler_)
            handler_->onDoubleClick(mouseButtonOf(event->button()), at.x(), at.y(),
                                    modifiersOf(event->modifiers()));
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (handler_)
            handler_->onMouseMove(at.x(), at.y(), mouseButtonsOf(event->buttons()),
                                  modifiersOf(event->modifiers()));
    }

    void wheelEvent(QWheelEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (handler_)
            handler_->onWheel(event->angleDelta().y(), at.x(), at.y(),
                              modifiersOf(event->modifiers()));
    }

    void enterEvent(QEnterEvent* /*event*/) override {
        if (handler_) handler_->onEnter();
    }
    void leaveEvent(QEvent* /*event*/) override {
        if (handler_) handler_->onLeave();
    }
    void resizeEvent(QResizeEvent* event) override {
        if (handler_) handler_->onResize(event->size().width(), event->size().height());
    }
    void moveEvent(QMoveEvent* event) override {
        if (handler_) handler_->onMove(event->pos().x(), event->pos().y());
    }
    void focusInEvent(QFocusEvent* /*event*/) override {
        if (handler_) handler_->onFocus(true);
    }
    void focusOutEvent(QFocusEvent* /*event*/) override {
        // Keys released while another window had the focus never reach us.
        clearKeyState();
        if (handler_) handler_->onFocus(false);
    }

    bool event(QEvent* event) override {
        ++gEventDepth;
        const bool handled = QWidget::event(event);
        --gEventDepth;
        return handled;
    }

    void timerEvent(QTimerEvent* event) override {
        const auto found = timers_.find(event->timerId());
        if (found != timers_.end() && handler_) handler_->onTimer(found->second);
    }

    void closeEvent(QCloseEvent* event) override {
        if (!handler_ || handler_->onClose()) {
            event->accept();
        } else {
            event->ignore();
        }
    }

    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls()) event->acceptProposedAction();
    }

    void dropEvent(QDropEvent* event) override {
        std::vector<std::string> paths;
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) paths.push_back(pathFromQt(url.toLocalFile()));
        }
        if (paths.empty()) return;
        event->acceptProposedAction();
        if (handler_) handler_->onDrop(paths, modifiersOf(event->modifiers()));
    }

  private:
    WindowHandler* handler_;     // null once the window's owner let go of it
    std::map<int, int> timers_;  // toolkit timer id -> our id
};

class QtWindow : public PlatformWindow {
  public:
    QtWindow(WindowHandler& handler, const WindowOptions& options) {
        QWidget* parent =
            options.parent ? static_cast<QtWindow*>(options.parent)->widget_.data() : nullptr;
        widget_ = new HandlerWidget(handler, parent, flagsOf(options.kind));
        widget_->setWindowTitle(fromCodePage(options.title));
        widget_->setAcceptDrops(options.acceptDrops);
        setGeometry(options.geometry);
    }

    // A child window may already be gone with its parent; QPointer notices that.
    ~QtWindow() override {
        if (widget_) widget_->detachAndDelete();
    }

    void show() override {
        if (widget_) widget_->show();
    }
    void hide() override {
        if (widget_) widget_->hide();
    }
    bool visible() const override { return widget_ && widget_->isVisible(); }
    void showMaximized() override {
        if (widget_) widget_->showMaximized();
    }
    void showNormal() override {
        if (widget_) widget_->showNormal();
    }
    void showMinimized() override {
        if (widget_) widget_->showMinimized();
    }
    bool maximized() const override { return widget_ && widget_->isMaximized(); }

    void setGeometry(const Rect& rect) override {
        if (widget_)
            widget_->setGeometry(rect.x, rect.y, std::max(rect.width, 1), std::max(rect.height, 1));
    }

    Rect geometry() const override {
        if (!widget_) return {};
        const QRect at = widget_->geometry();
        return {at.x(), at.y(), at.width(), at.height()};
    }

    Rect frameGeometry() const override {
        if (!widget_) return {};
        const QRect at = widget_->frameGeometry();
        const QPoint origin =
            widget_->isWindow() ? at.topLeft() : widget_->parentWidget()->mapToGlobal(at.topLeft());
        return {origin.x(), origin.y(), at.width(), at.height()};
    }

    void setTitle(const std::string& title) override {
        if (widget_) widget_->setWindowTitle(fromCodePage(title));
    }

    void setParent(PlatformWindow* parent, WindowKind kind) override {
        if (!widget_) return;
        QWidget* newParent = parent ? static_cast<QtWindow*>(parent)->widget_.data() : nullptr;
        const bool wasVisible = widget_->isVisible();
        widget_->setParent(
            newParent,
            flagsOf(parent ? kind : (kind == WindowKind::child ? WindowKind::topLevel : kind)));
        // A widget that changes parent is hidden by the toolkit.
        if (wasVisible) widget_->show();
    }

    void close() override {
        if (widget_) widget_->close();
    }

    void raise() override {
        if (!widget_) return;
        widget_->raise();
        widget_->activateWindow();
    }
    void setFocus() override {
        if (widget_) widget_->setFocus(Qt::OtherFocusReason);
    }
    bool hasFocus() const override { return widget_ && widget_->hasFocus(); }

    void invalidate(const Rect& rect) override {
        if (!widget_) return;
        if (rect.empty()) {
            widget_->update();
        } else {
            widget_->update(rect.x, rect.y, rect.width, rect.height);
        }
    }
    void update() override {
        if (widget_) widget_->repaint();
    }

    void startTimer(int id, int intervalMs) override {
        if (widget_) widget_->startTimerId(id, intervalMs);
    }
    void stopTimer(int id) override {
        if (widget_) widget_->stopTimerId(id);
    }
    bool timerActive(int id) const override { return widget_ && widget_->timerRunning(id); }

    void captureMouse(bool on) override {
        if (!widget_) return;
        if (on) {
            widget_->grabMouse();
        } else {
            widget_->releaseMouse();
        }
    }

    void setCursor(CursorKind cursor) override {
        if (widget_) widget_->setCursor(cursorOf(cursor));
    }

    Point toScreen(Point local) const override {
        if (!widget_) return local;
        const QPoint at = widget_->mapToGlobal(QPoint(local.x, local.y));
        return {at.x(), at.y()};
    }

    Point fromScreen(Point screen) const override {
        if (!widget_) return screen;
        const QPoint at = widget_->mapFromGlobal(QPoint(screen.x, screen.y));
        return {at.x(), at.y()};
    }

    void setAcceptDrops(bool on) override {
        if (widget_) widget_->setAcceptDrops(on);
    }

    int saveShot(const std::string& path, int width) override {
        if (!widget_) {
            logError(0, "no window to take a picture of");
            return 9;
        }
        return saveWidgetShot(*widget_, path, width);
    }

    bool injectKey(int key, int modifiers, bool down, std::string_view text) override {
        const ToolkitKey toolkit = toolkitKeyOf(key);
        if (toolkit.key == 0 || !widget_) return false;
        Qt::KeyboardModifiers held = toolkitModifiersOf(modifiers);
        if (toolkit.keypad) held |= Qt::KeypadModifier;
        QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, toolkit.key, held,
                        fromCodePage(text));
        // The handler may destroy this window during the event: nothing of it is used after.
        QCoreApplication::sendEvent(widget_.data(), &event);
        return true;
    }

    void injectMouse(MouseAction action, int button, int x, int y, int modifiers) override {
        if (!widget_) return;
        static constexpr QEvent::Type kTypes[] = {QEvent::MouseButtonPress,
                                                  QEvent::MouseButtonRelease,
                                                  QEvent::MouseButtonDblClick, QEvent::MouseMove};
        const QPointF local(x, y);
        const Qt::MouseButton pressed =
            action == MouseAction::move ? Qt::NoButton : toolkitButtonOf(button);
        // While a button goes down or moves it is held; after it goes up it is not.
        const Qt::MouseButtons held = action == MouseAction::up
                                          ? Qt::MouseButtons()
                                          : Qt::MouseButtons(toolkitButtonOf(button));
        QMouseEvent event(kTypes[static_cast<int>(action)], local, widget_->mapToGlobal(local),
                          pressed, held, toolkitModifiersOf(modifiers));
        QCoreApplication::sendEvent(widget_.data(), &event);
    }

    void injectWheel(int delta, int x, int y, int modifiers) override {
        if (!widget_) return;
        const QPointF local(x, y);
        QWheelEvent event(local, widget_->mapToGlobal(local), QPoint(), QPoint(0, delta),
                          Qt::NoButton, toolkitModifiersOf(modifiers), Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(widget_.data(), &event);
    }

  private:
    QPointer<HandlerWidget> widget_;
};

}  // namespace
}  // namespace tessel::qt

namespace tessel {

std::unique_ptr<PlatformWindow> PlatformWindow::create(WindowHandler& handler,
                                                       const WindowOptions& options) {
    if (!platformRunning()) {
        logError(0, "int. #2612083");
        return nullptr;
    }
    return std::make_unique<qt::QtWindow>(handler, options);
}

}  // namespace tessel
