// Plays a batch file inside the message loop: input goes through the windows' own event
// path, and waiting pumps the loop so that timers, passes and loads go on meanwhile.
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "app/batch_driver.h"
#include "app/find_dialog_glue.h"
#include "app/live_reload.h"
#include "app/live_stdin.h"
#include "app/setup_glue.h"
#include "app/view_windows.h"
#include "app/window_host.h"
#include "base/log/message_log.h"
#include "bookmarks/bookmark_list.h"
#include "editor/editor.h"
#include "load/load_driver.h"
#include "platform/find_dialog.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "platform/setup_dialog.h"
#include "platform/window.h"
#include "text/text_store.h"

namespace tessel {
namespace {

constexpr int kPumpSliceMs = 5;
// Waiting for a search polls the loop this often: a pass result or a timer is picked up at
// most this late, which the stopwatch figures would otherwise count as the program's time.
constexpr int kWaitSliceMs = 1;
constexpr int kSettleMs = 50;

struct CharKey {
    char plain;
    char shifted;
    int key;
};

// The keys of a US keyboard for the punctuation a script types.
constexpr CharKey kPunctuationKeys[] = {
    {';', ':', kKeyOem1},     {'=', '+', kKeyOemPlus},   {',', '<', kKeyOemComma},
    {'-', '_', kKeyOemMinus}, {'.', '>', kKeyOemPeriod}, {'/', '?', kKeyOem2},
    {'`', '~', kKeyOem3},     {'[', '{', kKeyOem4},      {'\\', '|', kKeyOem5},
    {']', '}', kKeyOem6},     {'\'', '"', kKeyOem7},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

void runLoopFor(int ms) {
    const int64_t end = tickMs() + ms;
    do {
        pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSliceMs));
    } while (tickMs() < end);
}

bool somethingPending() {
    // Standard input counts until it ends: "wait" lets a piped text arrive whole.
    return viewWorkPending() || loadDriver().running() || reloadWorkPending() || stdinTextOpen();
}

// The key and modifiers that type a character, kKeyNone when no key does.
int keyOfChar(char c, int& modifiers) {
    modifiers = 0;
    if (c >= 'a' && c <= 'z') return kKeyA + (c - 'a');
    if (c >= 'A' && c <= 'Z') {
        modifiers = kModShift;
        return kKeyA + (c - 'A');
    }
    if (c >= '0' && c <= '9') return kKey0 + (c - '0');
    if (c == ' ') return kKeySpace;
    for (int digit = 0; digit < 10; ++digit) {
        if (kShiftedDigits[digit] == c) {
            modifiers = kModShift;
            return kKey0 + digit;
        }
    }
    for (const CharKey& each : kPunctuationKeys) {
        if (each.plain == c) return each.key;
        if (each.shifted == c) {
            modifiers = kModShift;
            return each.key;
        }
    }
    return kKeyNone;
}

// What a pressed key types, as the keyboard would report it.
std::string textOfKey(int key, int modifiers) {
    if (key >= kKeyA && key < kKeyA + 26) {
        if (modifiers & kModControl) return std::string(1, static_cast<char>(key - kKeyA + 1));
        if (modifiers & kModAlt) return {};
        return std::string(1, static_cast<char>((modifiers & kModShift) ? key : key + 32));
    }
    if (modifiers & (kModControl | kModAlt)) return {};
    if (key >= kKey0 && key < kKey0 + 10) return std::string(1, static_cast<char>(key));
    switch (key) {
        case kKeySpace:
            return " ";
        case kKeyReturn:
            return "\r";
        case kKeyTab:
            return "\t";
        case kKeyBackspace:
            return "\b";
        case kKeyEscape:
            return "\x1b";
        default:
            return {};
    }
}

// Queues an answer for the next box, menu or file dialog.
void queueAnswer(const BatchCommand& command) {
    if (command.verb == BatchVerb::kAnswer) {
        queueBoxAnswer(static_cast<BoxAnswer>(command.value));
    } else if (command.verb == BatchVerb::kAnswerMenu) {
        queueMenuAnswer(command.value - 1);
    } else if (command.verb == BatchVerb::kAnswerPath) {
        queueDialogAnswer(command.value == 1 ? command.text : expandVariables(command.text));
    }
}

// Plays the commands from the event loop, one command a tick of a repeating task. The ticks
// go on inside the nested loop of a load, so that a script can type, press ESCAPE or sleep
// while a load runs; "sleep" and "wait" never block, they only hold the next command back.
class BatchRunner {
  public:
    explicit BatchRunner(std::vector<BatchCommand> commands) : commands_(std::move(commands)) {}

    // `done` gets 0 when every command worked, 1 after the first failure.
    void start(std::function<void(int code)> done) {
        done_ = std::move(done);
        taskId_ = startRepeatingTask(kWaitSliceMs, [this] { tick(); });
        if (taskId_ == 0) finish(1);
    }

  private:
    enum class Step { kNext, kHold, kFailed };

    void tick() {
        // A command that pumps events may let the next tick in; it waits for this one.
        if (inTick_ || finished_) return;
        inTick_ = true;
        if (messageLoopEnding() || next_ >= commands_.size()) {
            // Nobody can give input to a program that is closing.
            finish(0);
        } else {
            const BatchCommand& command = commands_[next_];
            line_ = command.lineNumber;
            if (command.verb == BatchVerb::kQuit) {
                finish(0);
            } else {
                const Step step = play(command);
                if (step == Step::kFailed) {
                    finish(1);
                } else if (step == Step::kNext) {
                    ++next_;
                    pumpPendingEvents();
                }
            }
        }
        inTick_ = false;
    }

    void finish(int code) {
        if (finished_) return;
        finished_ = true;
        stopRepeatingTask(taskId_);
        if (done_) done_(code);
    }

    // Commands that take time hold the script until their time is up: `holdUntil_` is the
    // end of a sleep, of a resize's settling, or of a wait's limit.
    Step play(const BatchCommand& command) {
        const int64_t now = tickMs();
        switch (command.verb) {
            case BatchVerb::kSleep:
                return holdFor(now, command.value) ? Step::kHold : Step::kNext;
            case BatchVerb::kWait:
                if (holdUntil_ == 0) holdUntil_ = now + command.value;
                if (!somethingPending()) {
                    holdUntil_ = 0;
                    return Step::kNext;
                }
                if (now < holdUntil_) return Step::kHold;
                holdUntil_ = 0;
                failed("still busy at the end of the wait");
                return Step::kFailed;
            case BatchVerb::kResize:
                if (holdUntil_ == 0) resizeFrame(command.width, command.height);
                return holdFor(now, kSettleMs) ? Step::kHold : Step::kNext;
            default:
                return execute(command) == 0 ? Step::kNext : Step::kFailed;
        }
    }

    // True while the hold of `ms` that started at the first call has not ended.
    bool holdFor(int64_t now, int ms) {
        if (holdUntil_ == 0) holdUntil_ = now + ms;
        if (now < holdUntil_) return true;
        holdUntil_ = 0;
        return false;
    }

  private:
    int64_t stopwatchMs_ = tickMs();
    int failed(const char* what) {
        logError(0, "batch line %d: %s", line_, what);
        std::fprintf(stderr, "batch line %d: %s\n", line_, what);
        return 9;
    }

    View* focused() { return frameFocusedView(); }

    int execute(const BatchCommand& command) {
        switch (command.verb) {
            case BatchVerb::kKey:
                return pressKey(command);
            case BatchVerb::kType:
                return typeText(command.text);
            case BatchVerb::kClick:
            case BatchVerb::kDoubleClick:
            case BatchVerb::kDrag:
            case BatchVerb::kMove:
                return mouse(command);
            case BatchVerb::kWait:
            case BatchVerb::kSleep:
            case BatchVerb::kResize:
                return 0;  // played by play()
            case BatchVerb::kFocus:
                if (focusFrameView(command.value - 1) != 0) return failed("no such view");
                runLoopFor(0);
                return 0;
            case BatchVerb::kAnswer:
            case BatchVerb::kAnswerMenu:
            case BatchVerb::kAnswerPath:
                queueAnswer(command);
                return 0;
            case BatchVerb::kDrop:
                return drop(command);
            case BatchVerb::kFindDialog:
                return findDialog(command);
            case BatchVerb::kDump:
                return dump(command.value == 1);
            case BatchVerb::kDumpLog:
                dumpLog();
                return 0;
            case BatchVerb::kWheel: {
                View* view = focused();
                PlatformWindow* window = view ? platformWindowOf(*view) : nullptr;
                if (!window) return failed("no view for the wheel");
                window->injectWheel(command.value * 120, view->clientWidth / 2,
                                    view->clientHeight / 2, 0);
                pumpPendingEvents();
                return 0;
            }
            case BatchVerb::kStopwatch: {
                // Everything painted first: the time runs to what the user would see.
                pumpPendingEvents();
                const int64_t now = tickMs();
                std::printf("stopwatch %s %lld msec\n", command.text.c_str(),
                            static_cast<long long>(now - stopwatchMs_));
                std::fflush(stdout);
                stopwatchMs_ = now;
                return 0;
            }
            case BatchVerb::kShot:
                return shot(command.text, command.width);
            case BatchVerb::kSetup:
                return setup(command);
            case BatchVerb::kRun:
                return runShellCommand(command.text);
            case BatchVerb::kActivate:
                applicationActivation(false, 0);
                applicationActivation(true, command.modifiers);
                pumpPendingEvents();
                return 0;
            case BatchVerb::kClipboard: {
                std::string reason;
                if (runClipboardCommand(command, reason) != 0) return failed(reason.c_str());
                pumpPendingEvents();
                return 0;
            }
            case BatchVerb::kBookmarks:
                return printText(formatBookmarkDump(bookmarkList(), textStore()));
            case BatchVerb::kQuit:
                return 0;
        }
        return 0;
    }

    // The command runs through the shell in the working folder, its output in order with
    // ours; the batch fails when it fails.
    int runShellCommand(const std::string& commandLine) {
        std::fflush(stdout);
        std::fflush(stderr);
        const int status = std::system(commandLine.c_str());
        if (status == -1) return failed("the shell cannot be started");
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            const std::string what = "command failed: " + commandLine;
            return failed(what.c_str());
        }
        return 0;
    }

    int findDialog(const BatchCommand& command) {
        if (command.value == kFindOpen) {
            View* view = focused();
            if (!view) return failed("no view for the find dialog");
            openViewFindDialog(*view);
            runLoopFor(0);
            return 0;
        }
        static constexpr FindDialogAction kActions[] = {
            FindDialogAction::kClosed, FindDialogAction::kFindText, FindDialogAction::kSecondText,
            FindDialogAction::kNext,   FindDialogAction::kPrevious, FindDialogAction::kResultsOnly,
            FindDialogAction::kCase,   FindDialogAction::kClosed,   FindDialogAction::kReplace};
        if (driveFindDialog(kActions[command.value], command.text) != 0) {
            return failed("the find dialog is not open");
        }
        runLoopFor(0);
        return 0;
    }

    int setup(const BatchCommand& command) {
        std::string error;
        int rc = 0;
        switch (command.value) {
            case kSetupOpen:
                // A second open is refused as the user's would be; a page named with it still
                // comes up, so that a script can go on.
                if (openSetupDialog(command.page) != 0 && command.page != 0) {
                    rc = setupShowPage(command.page, error);
                }
                break;
            case kSetupSet:
                rc = setupSetValue(command.setting, command.text, error);
                break;
            case kSetupClick:
                rc = setupClick(command.setting, command.modifiers, error);
                break;
            case kSetupClose:
                rc = setupClose(error);
                break;
            case kSetupDump: {
                const std::string text = setupDump();
                if (text.empty()) return failed("the setup dialog is not open");
                std::fwrite(text.data(), 1, text.size(), stdout);
                std::fflush(stdout);
                return 0;
            }
            default:
                break;
        }
        if (rc != 0) return failed(error.c_str());
        runLoopFor(0);
        return 0;
    }

    PlatformWindow* focusedWindow() {
        View* view = focused();
        return view ? platformWindowOf(*view) : nullptr;
    }

    int pressKey(const BatchCommand& command) {
        const std::string text = textOfKey(command.key, command.modifiers);
        for (int i = 0; i < command.count; ++i) {
            // The focus may move to another view with any key.
            PlatformWindow* window = focusedWindow();
            if (!window) return failed("no view to send keys to");
            if (!window->injectKey(command.key, command.modifiers, true, text)) {
                return failed("the key cannot be sent");
            }
            if (PlatformWindow* after = focusedWindow()) {
                after->injectKey(command.key, command.modifiers, false);
            }
            pumpPendingEvents();
        }
        return 0;
    }

    int typeText(const std::string& text) {
        for (char c : text) {
            View* view = focused();
            PlatformWindow* window = view ? platformWindowOf(*view) : nullptr;
            if (!window) return failed("no view to type into");
            int modifiers = 0;
            const int key = keyOfChar(c, modifiers);
            const std::string typed(1, c);
            if (key == kKeyNone || !window->injectKey(key, modifiers, true, typed)) {
                deliverViewChar(*view, static_cast<uint8_t>(c));
            } else if (PlatformWindow* after = focusedWindow()) {
                after->injectKey(key, modifiers, false);
            }
            pumpPendingEvents();
        }
        return 0;
    }

    int mouse(const BatchCommand& command) {
        View* view = focused();
        PlatformWindow* window = view ? platformWindowOf(*view) : nullptr;
        if (!window) return failed("no view for the mouse");
        auto cellX = [view](int column) { return column * view->charWidth + view->charWidth / 2; };
        auto cellY = [view](int row) { return row * view->lineHeight + view->lineHeight / 2; };
        using Action = PlatformWindow::MouseAction;
        const int x = cellX(command.column);
        const int y = cellY(command.row);
        const int mods = command.modifiers;
        window->injectMouse(Action::move, 0, x, y, mods);
        if (command.verb == BatchVerb::kMove) {
            pumpPendingEvents();
            return 0;
        }
        window->injectMouse(Action::down, command.button, x, y, mods);
        if (command.verb == BatchVerb::kDrag) {
            const int x2 = cellX(command.column2);
            const int y2 = cellY(command.row2);
            if (PlatformWindow* held = focusedWindow()) {
                held->injectMouse(Action::move, command.button, x2, y2, mods);
                held->injectMouse(Action::up, command.button, x2, y2, mods);
            }
            return 0;
        }
        if (PlatformWindow* up = focusedWindow()) {
            up->injectMouse(Action::up, command.button, x, y, mods);
        }
        if (command.verb == BatchVerb::kDoubleClick) {
            if (PlatformWindow* again = focusedWindow()) {
                again->injectMouse(Action::doubleClick, command.button, x, y, mods);
                again->injectMouse(Action::up, command.button, x, y, mods);
            }
        }
        return 0;
    }

    int drop(const BatchCommand& command) {
        View* view = focused();
        if (!view || !platformWindowOf(*view)) return failed("no view to drop on");
        deliverViewDrop(*view, {expandVariables(command.text)}, command.modifiers);
        return 0;
    }

    int dump(bool withOverlay) {
        View* view = focused();
        if (!view) return failed("no view to dump");
        buildViewScreen(*view);
        DumpHeader header;
        header.view = view->index + 1;
        header.topLine = view->search.topLine;
        header.currentLine = view->search.currentLine;
        header.filterMode = static_cast<int>(view->filterMode);
        header.hits = view->search.hitCount;
        header.rows = view->rows;
        header.columns = view->columns;
        header.scrollColumn = view->display.scrollColumn;
        header.contextLine = view->context.line;
        if (const Editor* editor = view->editor.get()) {
            header.editing = true;
            // As the status row counts: the file's first line and first column are 1.
            header.cursorLine = editor->cursorLine - kFirstTextLine + 1;
            header.cursorColumn = editor->cursorColumn + 1;
            header.modified = editor->data && editor->data->modified;
        }
        const ScreenOverlay overlay = layoutScreenOverlay(*view, mainFontMeasure());
        const std::string text =
            formatScreenDump(view->screen, header, withOverlay ? &overlay : nullptr);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return 0;
    }

    int printText(const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return 0;
    }

    void dumpLog() {
        MessageLog& log = messageLog();
        for (int slot = log.count() - 1; slot >= 0; --slot) {
            const std::string text = log.text(slot);
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fputc('\n', stdout);
        }
        std::fflush(stdout);
    }

    // The setup dialog is modal: while it is open it is what the user looks at.
    int shot(const std::string& path, int width) {
        pumpPendingEvents();
        if (setupDialogIsOpen()) {
            if (saveSetupDialogShot(path, width) != 0) return failed("cannot write the picture");
            return 0;
        }
        PlatformWindow* window = focusedWindow();
        if (!window) return failed("no view to take a picture of");
        if (window->saveShot(path, width) != 0) return failed("cannot write the picture");
        return 0;
    }

    std::vector<BatchCommand> commands_;
    size_t next_ = 0;
    int line_ = 0;
    int64_t holdUntil_ = 0;
    int taskId_ = 0;
    bool inTick_ = false;
    bool finished_ = false;
    std::function<void(int code)> done_;
};

std::unique_ptr<BatchRunner>& activeRunner() {
    static std::unique_ptr<BatchRunner> runner;  // user interface thread only
    return runner;
}

}  // namespace

namespace {

std::vector<BatchCommand>& preparedCommands() {
    static std::vector<BatchCommand> commands;  // user interface thread only
    return commands;
}

bool isAnswer(const BatchCommand& command) {
    return command.verb == BatchVerb::kAnswer || command.verb == BatchVerb::kAnswerMenu ||
           command.verb == BatchVerb::kAnswerPath;
}

}  // namespace

int prepareBatch(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        logError(0, "cannot read batch file %s", path.c_str());
        std::fprintf(stderr, "cannot read batch file %s\n", path.c_str());
        return 9;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<BatchCommand>& commands = preparedCommands();
    std::string error;
    if (parseBatchScript(text.str(), commands, error) != 0) {
        logError(0, "%s", error.c_str());
        std::fprintf(stderr, "%s\n", error.c_str());
        commands.clear();
        quitEventLoop(1);
        return 0;
    }
    // The answers before the first other command are for what start-up asks.
    size_t leading = 0;
    while (leading < commands.size() && isAnswer(commands[leading])) {
        queueAnswer(commands[leading]);
        ++leading;
    }
    commands.erase(commands.begin(), commands.begin() + static_cast<std::ptrdiff_t>(leading));
    return 0;
}

void startBatch() {
    activeRunner() = std::make_unique<BatchRunner>(std::move(preparedCommands()));
    preparedCommands().clear();
    activeRunner()->start([](int code) { quitEventLoop(code); });
}

}  // namespace tessel
