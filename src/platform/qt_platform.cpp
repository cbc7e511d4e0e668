// Start and stop of the toolkit, the event loop, code-page text, clipboard, monitors, pointer
// and keyboard state.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <memory>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/utf8.h"
#include "base/log/message_log.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "platform/qt_internal.h"

namespace tessel {
namespace {

// QApplication keeps references to argc and argv for its whole life.
int gArgc = 1;
char gProgramName[] = "tessel";
char* gArgv[] = {gProgramName, nullptr};

std::unique_ptr<QApplication> gApplication;
// The clipboard's change signal goes to the watcher; a change that did not come from this
// program's own setting ends its ownership.
std::function<void()> gClipboardWatcher;
bool gSettingClipboard = false;
bool gClipboardOwned = false;

struct RepeatingTasks {
    std::map<int, std::unique_ptr<QTimer>> running;
    // Stopped timers wait here: a task may stop itself from inside its own tick.
    std::vector<std::unique_ptr<QTimer>> retired;
    int lastId = 0;
};

RepeatingTasks& repeatingTasks() {
    static RepeatingTasks tasks;  // user interface thread only
    return tasks;
}

// Byte to character and back for the active code page; rebuilt when the code page changes.
// In the UTF-8 code page the map serves the bytes of no valid sequence, which show as their
// code-page-1252 characters.
struct CodePageMap {
    int codePage = 0;
    bool utf8 = false;
    std::array<char16_t, 256> characters{};
    std::array<int16_t, 65536> bytes{};

    void build(int page) {
        codePage = page;
        utf8 = page == kCodePageUtf8;
        bytes.fill(-1);
        for (int byte = 255; byte >= 0; --byte) {
            const char32_t ch = unicodeOf(page, static_cast<uint8_t>(byte));
            characters[byte] = ch < 0x10000 ? static_cast<char16_t>(ch) : u'?';
            bytes[characters[byte]] = static_cast<int16_t>(byte);
        }
    }
};

CodePageMap& codePageMap() {
    static CodePageMap map;
    if (map.codePage == 0) map.build(1252);
    return map;
}

bool displayReachable() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
           std::getenv("QT_QPA_PLATFORM");
}

std::array<bool, kKeyCount> gKeyState{};
int gLoopDepth = 0;
bool gPendingQuit = false;
int gPendingQuitCode = 0;

}  // namespace

namespace qt {

void fromCodePage(std::string_view bytes, QString& out) {
    const CodePageMap& map = codePageMap();
    if (map.utf8) {
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        out.reserve(out.size() + qsizetype(bytes.size()));
        for (size_t i = 0; i < bytes.size();) {
            char32_t code = 0;
            const int length = decodeUtf8(data + i, bytes.size() - i, code);
            if (length == 0) {
                out.append(QChar(map.characters[data[i]]));
                ++i;
                continue;
            }
            out.append(QString::fromUcs4(&code, 1));
            i += static_cast<size_t>(length);
        }
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + qsizetype(bytes.size()));
    QChar* target = out.data() + start;
    for (size_t i = 0; i < bytes.size(); ++i) {
        target[i] = QChar(map.characters[static_cast<uint8_t>(bytes[i])]);
    }
}

QString fromCodePage(std::string_view bytes) {
    QString text;
    fromCodePage(bytes, text);
    return text;
}

int byteOf(char32_t ch) {
    if (ch >= 0x10000) return -1;
    return codePageMap().bytes[ch];
}

std::string toCodePage(const QString& text) {
    if (codePageMap().utf8) return text.toUtf8().toStdString();
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    const CodePageMap& map = codePageMap();
    for (QChar ch : text) {
        // Surrogate pairs are characters no 8-bit code page has.
        const int byte = ch.isSurrogate() ? -1 : map.bytes[ch.unicode()];
        if (ch.isLowSurrogate()) continue;
        bytes.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return bytes;
}

QString pathToQt(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

std::string pathFromQt(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void noteKeyState(int key, bool down) {
    if (key > 0 && key < kKeyCount) gKeyState[size_t(key)] = down;
}

void clearKeyState() {
    gKeyState.fill(false);
}

}  // namespace qt

int platformInit(const PlatformOptions& options) {
    if (gApplication) return 0;
    if (QCoreApplication::instance()) {
        logError(0, "int. #2612082");
        return 9;
    }
    if (options.offscreen) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!displayReachable()) {
        // Without a display the toolkit would end the process; run offscreen and say so.
        logMessage("[note] no display found, running without windows on screen");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    gApplication = std::make_unique<QApplication>(gArgc, gArgv);
    gPendingQuit = false;
    QApplication::setApplicationName(QString::fromStdString(options.applicationName));
    // The desktop matches the window to the installed tessel.desktop by this name, for the
    // icon in the task bar and the window list.
    QGuiApplication::setDesktopFileName(QStringLiteral("tessel"));
    // The frame decides when the program ends (after its last view), not the toolkit.
    QApplication::setQuitOnLastWindowClosed(false);
    setNonInteractive(options.nonInteractive);
    qt::clearKeyState();
    setMessageBoxHook(
        [](const char* title, const char* text) { messageBox(title, text, BoxButtons::ok); });
    gClipboardOwned = false;
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, gApplication.get(),
                     [] {
                         if (!gSettingClipboard) gClipboardOwned = false;
                         if (gClipboardWatcher) gClipboardWatcher();
                     });
    return 0;
}

void platformShutdown() {
    if (!gApplication) return;
    setMessageBoxHook(nullptr);
    setClipboardWatcher(nullptr);
    setActivationWatcher(nullptr);
    // Windows let go of inside their own events are still waiting to be deleted.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    repeatingTasks().running.clear();
    repeatingTasks().retired.clear();
    gApplication.reset();
}

bool platformRunning() {
    return gApplication != nullptr;
}

void setCodePage(int page) {
    if (codePageMap().codePage != page) codePageMap().build(page);
}

int codePage() {
    return codePageMap().codePage;
}

int runEventLoop() {
    if (!gApplication) return 9;
    if (gPendingQuit) {
        gPendingQuit = false;
        return gPendingQuitCode;
    }
    gLoopDepth++;
    const int code = QApplication::exec();
    gLoopDepth--;
    return code;
}

void quitEventLoop(int code) {
    if (!gApplication) return;
    if (gLoopDepth == 0) {
        gPendingQuit = true;
        gPendingQuitCode = code;
        return;
    }
    QCoreApplication::exit(code);
}

bool onUiThread() {
    return gApplication && QThread::currentThread() == gApplication->thread();
}

void pumpPendingEvents() {
    if (gApplication) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void postToUiThread(std::function<void()> task) {
    if (!gApplication || !task) return;
    QMetaObject::invokeMethod(gApplication.get(), std::move(task), Qt::QueuedConnection);
}

int startRepeatingTask(int intervalMs, std::function<void()> tick) {
    if (!gApplication || !tick) return 0;
    RepeatingTasks& tasks = repeatingTasks();
    tasks.retired.clear();
    const int id = ++tasks.lastId;
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(std::max(intervalMs, 0));
    QObject::connect(timer.get(), &QTimer::timeout, std::move(tick));
    timer->start();
    tasks.running[id] = std::move(timer);
    return id;
}

void stopRepeatingTask(int id) {
    RepeatingTasks& tasks = repeatingTasks();
    auto found = tasks.running.find(id);
    if (found == tasks.running.end()) return;
    found->second->stop();
    tasks.retired.push_back(std::move(found->second));
    tasks.running.erase(found);
}

void setClipboardText(std::string_view text, bool asOtherProgram) {
    if (!gApplication) return;
    gSettingClipboard = true;
    gClipboardOwned = !asOtherProgram;
    QGuiApplication::clipboard()->setText(qt::fromCodePage(text));
    gSettingClipboard = false;
}

bool clipboardOwned() {
    return gApplication && gClipboardOwned;
}

std::string clipboardText() {
    if (!gApplication) return {};
    return qt::toCodePage(QGuiApplication::clipboard()->text());
}

void setClipboardFiles(const std::vector<std::string>& paths, bool asOtherProgram) {
    if (!gApplication) return;
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.append(QUrl::fromLocalFile(qt::pathToQt(path)));
    data->setUrls(urls);
    gSettingClipboard = true;
    gClipboardOwned = !asOtherProgram;
    QGuiApplication::clipboard()->setMimeData(data);
    gSettingClipboard = false;
}

std::vector<std::string> clipboardFiles() {
    std::vector<std::string> paths;
    if (!gApplication) return paths;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) paths.push_back(qt::pathFromQt(url.toLocalFile()));
    }
    return paths;
}

void setClipboardWatcher(std::function<void()> watcher) {
    gClipboardWatcher = std::move(watcher);
}

std::vector<Monitor> monitors() {
    std::vector<Monitor> list;
    if (!gApplication) return list;
    auto toRect = [](const QRect& rect) {
        return Rect{rect.x(), rect.y(), rect.width(), rect.height()};
    };
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        list.push_back({toRect(primary->geometry()), toRect(primary->availableGeometry())});
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary) continue;
        list.push_back({toRect(screen->geometry()), toRect(screen->availableGeometry())});
    }
    return list;
}

Rect virtualDesktop() {
    if (!gApplication || !QGuiApplication::primaryScreen()) return {};
    const QRect all = QGuiApplication::primaryScreen()->virtualGeometry();
    return {all.x(), all.y(), all.width(), all.height()};
}

Point pointerPosition() {
    const QPoint at = QCursor::pos();
    return {at.x(), at.y()};
}

void warpPointer(Point screen) {
    QCursor::setPos(screen.x, screen.y);
}

bool keyDown(int key) {
    const int modifiers = modifierState();
    switch (key) {
        case kKeyShift:
            return (modifiers & kModShift) != 0;
        case kKeyControl:
            return (modifiers & kModControl) != 0;
        case kKeyAlt:
            return (modifiers & kModAlt) != 0;
        default:
            return key > 0 && key < kKeyCount && gKeyState[size_t(key)];
    }
}

int modifierState() {
    if (!gApplication) return 0;
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    int modifiers = 0;
    if (held & Qt::ShiftModifier) modifiers |= kModShift;
    if (held & Qt::ControlModifier) modifiers |= kModControl;
    if (held & Qt::AltModifier) modifiers |= kModAlt;
    return modifiers;
}

}  // namespace tessel
