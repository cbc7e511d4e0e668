// The one door to the desktop: start and stop, the event loop, clipboard, message boxes,
// dialogs, monitors, cursors and the keyboard state. Nothing here exposes toolkit types, so
// the views and the start-up code stay plain C++ and can be tested without a display.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"
#include "platform/painter.h"
#include "platform/window.h"

namespace tessel {

struct PlatformOptions {
    std::string applicationName = "Tessel";
    // Run without a display (also chosen when no display is reachable).
    bool offscreen = false;
    // Message boxes and file dialogs never wait for the user (batch runs).
    bool nonInteractive = false;
};

// 0 started (or already running), 9 failure (logged). Must be called on the thread that
// runs the event loop.
int platformInit(const PlatformOptions& options);
void platformShutdown();
bool platformRunning();

// The code page that text bytes handed to the platform are in (1252 until set).
void setCodePage(int codePage);
int codePage();

// The event loop. runEventLoop returns the code given to quitEventLoop; a quit requested
// while no loop runs ends the next loop at once (like a quit message left in the queue).
int runEventLoop();
void quitEventLoop(int code);
bool onUiThread();
// Handles the events waiting now without blocking (used by long passes and the load loop).
void pumpPendingEvents();
// Runs a function on the user interface thread from any thread (after the current event).
void postToUiThread(std::function<void()> task);
// Calls `tick` on the user interface thread every `intervalMs` from the event loop, also
// inside the nested loops of long work (a load pumps its events), until stopped. Returns
// an id for stopRepeatingTask, 0 when no event loop can run it.
int startRepeatingTask(int intervalMs, std::function<void()> tick);
void stopRepeatingTask(int id);

// Clipboard: text in code-page bytes; file lists as native paths. What the program sets is
// its own until another program changes the clipboard; scripted runs set it as another
// program would.
void setClipboardText(std::string_view text, bool asOtherProgram = false);
std::string clipboardText();
void setClipboardFiles(const std::vector<std::string>& paths, bool asOtherProgram = false);
std::vector<std::string> clipboardFiles();
// Called whenever the clipboard content changes (nullptr stops watching).
void setClipboardWatcher(std::function<void()> watcher);
// True while the clipboard holds what this program put there.
bool clipboardOwned();
// The MD5 digest of the bytes, as 32 lower-case hexadecimal digits.
std::string md5Hex(std::string_view bytes);

// Called when the application becomes the active one on the desktop (true) or stops being
// it (false), with the keyboard modifiers held at that moment (nullptr stops watching).
void setActivationWatcher(std::function<void(bool active, int modifiers)> watcher);

// A timer that belongs to no window: `task` runs on the user interface thread whenever it
// fires. Returns nullptr when the platform is not started.
class PlatformTimer {
  public:
    static std::unique_ptr<PlatformTimer> create(std::function<void()> task);
    virtual ~PlatformTimer() = default;
    // Starting a running timer starts it again with the new interval.
    virtual void start(int intervalMs, bool singleShot) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
};

// Message boxes.
enum class BoxButtons : int { ok, okCancel, yesNo, yesNoCancel };
enum class BoxAnswer : int { ok = 1, cancel = 2, yes = 6, no = 7 };
// Shows a modal box; title and text are code-page bytes, "\n" breaks lines.
BoxAnswer messageBox(std::string_view title, std::string_view text, BoxButtons buttons,
                     bool stayOnTop = false);
// Non-interactive mode: boxes are logged and answered from this queue, else by their
// default button (the first one: OK or Yes).
void setNonInteractive(bool on);
bool nonInteractive();
void queueBoxAnswer(BoxAnswer answer);
void clearBoxAnswers();

// File dialogs: 0 chosen, 1 cancelled. Paths are native bytes; filters look like
// "Text files (*.txt);;All files (*)".
int openFileDialog(std::string_view title, const std::string& startPath, std::string_view filter,
                   std::string& chosen);
int saveFileDialog(std::string_view title, const std::string& startPath, std::string_view filter,
                   std::string& chosen);
int folderDialog(std::string_view title, const std::string& startPath, std::string& chosen);
// Non-interactive mode: file and folder dialogs are answered with these paths in turn (an
// empty path cancels), and are cancelled when the queue is empty.
void queueDialogAnswer(std::string path);
void clearDialogAnswers();
// Asks for one line of text, `text` giving the start: 0 confirmed (text holds the answer), 1
// cancelled. Non-interactive mode answers from the dialog queue above (an empty path cancels).
int textDialog(std::string_view title, std::string_view label, std::string& text);
// A dialog of labelled fields with OK, Cancel and an optional extra button (such as
// "Delete"). A field with choices is a list to pick from (its text the chosen entry); one of
// more than one line is a multi-line text whose lines are separated by "\n".
struct FormField {
    std::string label;
    std::string text;
    int lines = 1;
    std::vector<std::string> choices;
    std::string hint;  // shown under the field
};
// 0 confirmed (the fields hold the answers), 1 cancelled, 2 the extra button.
int formDialog(std::string_view title, std::vector<FormField>& fields,
               std::string_view extraButton = {});
// Non-interactive mode answers a form from the dialog queue: an empty answer or none cancels,
// the extra button's caption presses it, otherwise "LABEL=VALUE" items separated by "|" set
// the fields of those labels (letter case ignored; "\n", "\|" and "\\" stand for a line
// break, "|" and "\") and leave the others. Returns what formDialog returns; an item naming
// no field is reported and skipped.
int applyFormAnswer(std::string_view title, std::string_view answer, std::vector<FormField>& fields,
                    std::string_view extraButton);
// Lets the user change a font: 0 changed, 1 cancelled. Name, height and weight are updated.
int fontDialog(std::string_view title, FontRequest& font);

// A menu at the pointer: the index of the chosen item, or -1 when it was closed without a
// choice. Non-interactive mode logs the items and answers from its queue, else -1.
int popupMenu(const std::vector<std::string>& items);
void queueMenuAnswer(int index);
void clearMenuAnswers();

// Monitors in the system's order; the first is the primary one.
struct Monitor {
    Rect full;
    Rect work;  // without task bars and docks
};
std::vector<Monitor> monitors();
Rect virtualDesktop();

// Pointer and keyboard.
Point pointerPosition();
void warpPointer(Point screen);
// The state of a key (KeyCode) as last seen by the platform; modifiers are asked live.
bool keyDown(int key);
int modifierState();

}  // namespace tessel
