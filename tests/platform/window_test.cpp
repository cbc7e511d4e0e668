#include "platform/window.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/key_codes.h"
#include "platform/painter.h"
#include "platform/pictures.h"
#include "platform/platform.h"
#include "test_support.h"
#include "base/log/message_log.h"

namespace tessel {
namespace {

// Records what the platform reports and paints a fixed picture: a red band on white.
struct RecordingHandler : WindowHandler {
    std::vector<int> timers;
    int paints = 0;
    int resizes = 0;
    bool allowClose = true;

    void onPaint(Painter& painter, const Rect& /*dirty*/) override {
        ++paints;
        painter.fillRect({0, 0, 200, 100}, rgb(0xFFFFFF));
        painter.fillRect({10, 20, 30, 5}, rgb(0xFF0000));
    }
    void onTimer(int id) override { timers.push_back(id); }
    void onResize(int /*width*/, int /*height*/) override { ++resizes; }
    bool onClose() override { return allowClose; }
};

// Pumps events until the condition holds or the time runs out.
template <typename Condition>
bool pumpUntil(Condition done, int timeoutMs = 2000) {
    const int64_t end = tickMs() + timeoutMs;
    while (!done() && tickMs() < end) {
        pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

std::unique_ptr<PlatformWindow> openWindow(RecordingHandler& handler) {
    WindowOptions options;
    options.geometry = {10, 10, 200, 100};
    options.title = "test";
    auto window = PlatformWindow::create(handler, options);
    window->show();
    pumpPendingEvents();
    return window;
}

TEST(Windows, TimersFireWithTheirOwnIdsAndStop) {
    RecordingHandler handler;
    auto window = openWindow(handler);
    window->startTimer(7, 5);
    window->startTimer(9, 5);
    EXPECT_TRUE(window->timerActive(7));
    ASSERT_TRUE(pumpUntil([&] {
        return std::count(handler.timers.begin(), handler.timers.end(), 7) >= 2 &&
               std::count(handler.timers.begin(), handler.timers.end(), 9) >= 2;
    }));
    // Restarting an id replaces its timer instead of adding a second one.
    window->startTimer(7, 10000);
    window->stopTimer(9);
    EXPECT_FALSE(window->timerActive(9));
    EXPECT_TRUE(window->timerActive(7));
    handler.timers.clear();
    pumpUntil([] { return false; }, 60);
    EXPECT_TRUE(handler.timers.empty());
}

TEST(Windows, ShotRecordsWhatTheHandlerPainted) {
    RecordingHandler handler;
    auto window = openWindow(handler);
    testing::TempDir dir;
    const std::string path = dir.path() + "/shot.png";
    ASSERT_EQ(window->saveShot(path), 0);
    EXPECT_GT(handler.paints, 0);
    const std::string bytes = testing::readFile(path);
    Picture shot;
    ASSERT_EQ(decodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, shot), 0);
    ASSERT_EQ(shot.width, 200);
    ASSERT_EQ(shot.height, 100);
    auto red = [&](int x, int y) { return shot.rgba[(size_t(y) * 200 + size_t(x)) * 4]; };
    auto green = [&](int x, int y) { return shot.rgba[(size_t(y) * 200 + size_t(x)) * 4 + 1]; };
    EXPECT_EQ(red(15, 22), 255);
    EXPECT_EQ(green(15, 22), 0);
    EXPECT_EQ(green(5, 5), 255);
    testing::LogCapture log;
    EXPECT_EQ(window->saveShot(dir.path() + "/no/such/folder/shot.png"), 9);
    EXPECT_TRUE(log.contains("cannot write window picture"));
}

TEST(Windows, GeometryCloseRefusalAndChildrenGoneWithTheirParent) {
    RecordingHandler parentHandler;
    RecordingHandler childHandler;
    auto parent = openWindow(parentHandler);
    WindowOptions childOptions;
    childOptions.kind = WindowKind::child;
    childOptions.parent = parent.get();
    childOptions.geometry = {5, 6, 50, 40};
    auto child = PlatformWindow::create(childHandler, childOptions);
    child->show();
    const Rect at = child->geometry();
    EXPECT_EQ(at.x, 5);
    EXPECT_EQ(at.width, 50);
    child->setGeometry({0, 0, 80, 30});
    EXPECT_EQ(child->geometry().width, 80);
    EXPECT_GT(childHandler.resizes, 0);

    parentHandler.allowClose = false;
    EXPECT_TRUE(parent->visible());
    // Destroying the parent first takes the child with it; the child's handle must then
    // stay harmless.
    parent.reset();
    child->invalidate();
    child->startTimer(1, 10);
    EXPECT_FALSE(child->visible());
    EXPECT_EQ(child->geometry().width, 0);
}

// Closes its own window from inside the window's events, as a view does that closes itself.
struct SelfClosingHandler : RecordingHandler {
    std::unique_ptr<PlatformWindow>* owner = nullptr;
    void onTimer(int id) override {
        RecordingHandler::onTimer(id);
        owner->reset();
    }
    bool onClose() override {
        owner->reset();
        return true;
    }
};

TEST(Windows, OwnerMayDestroyTheWindowInsideItsOwnEvents) {
    SelfClosingHandler handler;
    std::unique_ptr<PlatformWindow> window = openWindow(handler);
    handler.owner = &window;
    window->startTimer(1, 1);
    window->startTimer(2, 1);
    ASSERT_TRUE(pumpUntil([&] { return window == nullptr; }));
    pumpUntil([] { return false; }, 30);
    EXPECT_EQ(handler.timers.size(), 1u) << "timers of a destroyed window kept firing";

    // A refused close keeps the window; an accepted one may take it down from inside.
    RecordingHandler keeper;
    keeper.allowClose = false;
    auto kept = openWindow(keeper);
    SelfClosingHandler closer;
    std::unique_ptr<PlatformWindow> closed = openWindow(closer);
    closer.owner = &closed;
    postToUiThread([&] {
        kept->close();
        closed->close();
    });
    pumpUntil([&] { return closed == nullptr; });
    EXPECT_EQ(closed, nullptr);
    EXPECT_TRUE(kept->visible());
}

TEST(EventLoop, PostedTasksRunOnTheLoopAndQuitEndsIt) {
    int ran = 0;
    std::thread worker([&] { postToUiThread([&] { ++ran; }); });
    worker.join();
    postToUiThread([] { quitEventLoop(5); });
    EXPECT_EQ(runEventLoop(), 5);
    EXPECT_EQ(ran, 1);
}

TEST(EventLoop, QuitBeforeTheLoopRunsEndsTheNextLoopAtOnce) {
    // A start-up failure may ask to quit before the loop starts; that must not hang.
    quitEventLoop(3);
    EXPECT_EQ(runEventLoop(), 3);
    postToUiThread([] { quitEventLoop(4); });
    EXPECT_EQ(runEventLoop(), 4);
}

TEST(MessageBoxes, BoxesFromWorkerThreadsNeverBlockTheWorker) {
    testing::LogCapture log;
    setNonInteractive(false);
    BoxAnswer answer = BoxAnswer::cancel;
    std::thread worker([&] { answer = messageBox("question", "go on?", BoxButtons::yesNo); });
    worker.join();
    EXPECT_EQ(answer, BoxAnswer::yes);
    EXPECT_TRUE(log.contains("outside the user interface thread"));
    // The box was handed to the user interface thread; shown there without a user it is
    // only logged.
    setNonInteractive(true);
    pumpPendingEvents();
    EXPECT_TRUE(log.contains("box \"question\": go on? -> yes"));
}

TEST(Monitors, AtLeastOneScreenWithItsWorkAreaInside) {
    const std::vector<Monitor> list = monitors();
    ASSERT_GE(list.size(), 1u);
    for (const Monitor& each : list) {
        EXPECT_FALSE(each.full.empty());
        EXPECT_FALSE(each.work.empty());
        EXPECT_GE(each.work.x, each.full.x);
        EXPECT_LE(each.work.right(), each.full.right());
        EXPECT_LE(each.work.bottom(), each.full.bottom());
    }
    const Rect desktop = virtualDesktop();
    EXPECT_GE(desktop.width, list[0].full.width);
}

TEST(MessageBoxes, NonInteractiveBoxesAreLoggedAndAnsweredFromTheQueue) {
    ASSERT_TRUE(nonInteractive());
    testing::LogCapture log;
    clearBoxAnswers();
    EXPECT_EQ(messageBox("fatal error", "cannot load\nimage resources (1)", BoxButtons::ok),
              BoxAnswer::ok);
    EXPECT_TRUE(log.contains("fatal error"));
    EXPECT_TRUE(log.contains("box \"fatal error\": cannot load image resources (1) -> ok"));
    // Without queued answers the first button is taken.
    EXPECT_EQ(messageBox("q", "save?", BoxButtons::yesNo), BoxAnswer::yes);
    queueBoxAnswer(BoxAnswer::no);
    queueBoxAnswer(BoxAnswer::cancel);
    queueBoxAnswer(BoxAnswer::no);
    EXPECT_EQ(messageBox("q", "save?", BoxButtons::yesNo), BoxAnswer::no);
    // An answer the box does not offer is used up and the default is given instead.
    EXPECT_EQ(messageBox("q", "save?", BoxButtons::yesNo), BoxAnswer::yes);
    EXPECT_EQ(messageBox("q", "go on?", BoxButtons::yesNoCancel), BoxAnswer::no);
    EXPECT_EQ(messageBox("q", "go on?", BoxButtons::okCancel), BoxAnswer::ok);
    // The log's box hook goes through the platform once it runs.
    log.clear();
    showMessageBox("info", "from the log");
    EXPECT_TRUE(log.contains("from the log"));
}

TEST(Dialogs, NonInteractiveDialogsAreCancelled) {
    std::string chosen = "unchanged";
    EXPECT_EQ(openFileDialog("open", "/tmp", "All files (*)", chosen), 1);
    EXPECT_EQ(saveFileDialog("save", "/tmp", "All files (*)", chosen), 1);
    EXPECT_EQ(folderDialog("folder", "/tmp", chosen), 1);
    FontRequest font{"Courier New", 8, 18, 600, true};
    EXPECT_EQ(fontDialog("font", font), 1);
    EXPECT_EQ(font.height, 18);
    EXPECT_EQ(chosen, "unchanged");
}

TEST(Clipboard, TextKeepsCodePageBytesAndFileListsRoundTrip) {
    setCodePage(1252);
    int changes = 0;
    setClipboardWatcher([&] { ++changes; });
    // Euro, e-acute and a TAB/CR LF pass through; bytes stay bytes.
    setClipboardText("price \x80 caf\xE9\tend\r\n");
    EXPECT_EQ(clipboardText(), "price \x80 caf\xE9\tend\r\n");
    setClipboardFiles({"/tmp/a file.txt", "/tmp/b"});
    EXPECT_EQ(clipboardFiles(), (std::vector<std::string>{"/tmp/a file.txt", "/tmp/b"}));
    pumpPendingEvents();
    EXPECT_GE(changes, 1);
    setClipboardWatcher(nullptr);

    // In the Cyrillic code page the same byte is another character, and characters the
    // code page lacks come back as '?'.
    setCodePage(1251);
    setClipboardText("\xC0");
    setCodePage(1252);
    EXPECT_EQ(clipboardText(), "?");
}

// Records the input events in order as short texts.
struct InputHandler : WindowHandler {
    std::vector<std::string> seen;
    std::unique_ptr<PlatformWindow>* closeOnEscape = nullptr;

    void onKeyDown(int key, int modifiers, bool /*autoRepeat*/) override {
        seen.push_back("down " + std::to_string(key) + " " + std::to_string(modifiers));
        if (key == kKeyEscape && closeOnEscape) closeOnEscape->reset();
    }
    void onKeyUp(int key, int modifiers) override {
        seen.push_back("up " + std::to_string(key) + " " + std::to_string(modifiers));
    }
    void onChar(uint8_t ch) override { seen.push_back("char " + std::to_string(ch)); }
    void onMouseDown(int button, int x, int y, int /*modifiers*/) override {
        seen.push_back("press " + std::to_string(button) + " " + std::to_string(x) + "," +
                       std::to_string(y));
    }
    void onDoubleClick(int button, int /*x*/, int /*y*/, int /*modifiers*/) override {
        seen.push_back("double " + std::to_string(button));
    }
    void onMouseMove(int x, int y, int buttons, int /*modifiers*/) override {
        seen.push_back("move " + std::to_string(x) + "," + std::to_string(y) + " " +
                       std::to_string(buttons));
    }
    void onWheel(int delta, int /*x*/, int /*y*/, int modifiers) override {
        seen.push_back("wheel " + std::to_string(delta) + " " + std::to_string(modifiers));
    }
};

TEST(Input, KeysArriveAsKeyCodesWithModifiersAndCodePageCharacters) {
    InputHandler handler;
    WindowOptions options;
    auto window = PlatformWindow::create(handler, options);
    window->show();
    setCodePage(1252);
    EXPECT_TRUE(window->injectKey(kKeyF1 + 2, kModShift, true));
    EXPECT_TRUE(window->injectKey(kKeyA, 0, true, "a"));
    EXPECT_TRUE(keyDown(kKeyA));
    EXPECT_TRUE(window->injectKey(kKeyA, 0, false));
    EXPECT_FALSE(keyDown(kKeyA));
    // Keypad digits keep their own codes; the euro sign types its code-page byte.
    EXPECT_TRUE(window->injectKey(kKeyNumpad0 + 5, 0, true, "5"));
    EXPECT_TRUE(window->injectKey(kKeyA + 4, kModControl | kModAlt, true, "\x80"));
    EXPECT_TRUE(window->injectKey(kKey0 + 8, 0, true));
    EXPECT_TRUE(window->injectKey(kKeyTab, 0, true, "\t"));
    EXPECT_FALSE(window->injectKey(0xFF, 0, true));
    const std::vector<std::string> expected = {"down 114 1", "down 65 0", "char 97",   "up 65 0",
                                               "down 101 8", "char 53",   "down 69 6", "char 128",
                                               "down 56 0",  "down 9 0",  "char 9"};
    EXPECT_EQ(handler.seen, expected);
}

TEST(Input, MouseAndWheelEvents) {
    InputHandler handler;
    WindowOptions options;
    auto window = PlatformWindow::create(handler, options);
    window->show();
    window->injectMouse(PlatformWindow::MouseAction::down, kMouseRight, 12, 34, 0);
    window->injectMouse(PlatformWindow::MouseAction::move, kMouseRight, 15, 36, 0);
    window->injectMouse(PlatformWindow::MouseAction::doubleClick, kMouseLeft, 1, 1, 0);
    window->injectWheel(-120, 5, 5, kModControl);
    const std::vector<std::string> expected = {"press 2 12,34", "move 15,36 2", "double 1",
                                               "wheel -120 2"};
    EXPECT_EQ(handler.seen, expected);
}

TEST(Input, AKeyMayCloseItsOwnWindow) {
    InputHandler handler;
    std::unique_ptr<PlatformWindow> window = PlatformWindow::create(handler, WindowOptions{});
    handler.closeOnEscape = &window;
    window->show();
    PlatformWindow* raw = window.get();
    // ESCAPE also types a character after the key: the window is gone by then.
    EXPECT_TRUE(raw->injectKey(kKeyEscape, 0, true, "\x1b"));
    EXPECT_EQ(window, nullptr);
    pumpPendingEvents();
    EXPECT_EQ(handler.seen, std::vector<std::string>{"down 27 0"});
}

}  // namespace
}  // namespace tessel
