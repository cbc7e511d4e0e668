// The load driver turns a folder, a file, a file set or dropped items into file records in
// the TextStore. The collection runs on a loader thread, the only writer of the store while
// it runs; the calling (user interface) thread meanwhile only pumps messages, repaints and
// answers the questions the loader thread asks. Everything that needs the window goes
// through LoadCallbacks, so the driver runs the same with or without one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "load/file_set.h"
#include "load/load_statistics.h"
#include "text/load_target.h"

namespace tessel {

class TextStore;

enum LoadFlags : int {
    kLoadAppend = 1,       // keep the loaded text and add behind it
    kLoadSingleFile = 2,   // the path is one file (dialog choice)
    kLoadPrepareOnly = 4,  // set up and finish without collecting
    kLoadFileSetText = 8,  // the path is file-set text ("-dir ... -file ...", "DIR MASK...")
};

// Window interactions. Unset callbacks are skipped; askYesNo unset answers yes.
struct LoadCallbacks {
    std::function<int()> runningUserCommands;
    std::function<bool()> resolveEditors;  // false: open editors kept their changes
    std::function<bool()> saveBookmarks;   // false: "cannot write bookmark file"
    std::function<std::string(bool append, bool singleFile)> choosePath;
    // Cancels running search passes: nothing may read the store while it changes.
    std::function<void()> beforeStoreChange;
    std::function<void()> prepareViews;
    std::function<void()> clearViews;
    std::function<void()> forgetBookmarkSet;
    std::function<void()> viewsTakePrefix;
    std::function<void()> viewToTop;
    std::function<void()> reloadBookmarks;
    std::function<void(int line)> moveViewTo;
    std::function<void()> refreshViews;
    std::function<void(const char* base)> setBookmarkBase;
    std::function<void(const char* text)> showStatus;
    std::function<void()> pumpMessages;
    std::function<void()> repaint;
    std::function<bool()> escapeHeld;
    std::function<bool(const char* title, const char* text)> askYesNo;
    // Called on the loader thread at most every 100 ms with the progress lines.
    std::function<void(const std::vector<std::string>& lines)> showProgress;
    std::function<void(int ms)> sleepMs;  // std::this_thread::sleep_for when unset
};

// The settings a load reads, taken from the setting store when the load starts.
struct LoadSettings {
    bool loadSub = true;
    bool loadHidden = false;
    bool loadBin = false;
    bool loadWchar = false;
    bool fastLoad = false;
    bool useFileMask = false;
    bool useDirMask = false;
    std::string fileMask;
    std::string dirMask;
    long maxLoadMb = 500;
    bool showSpeed = false;
    bool showMiles = false;
    bool colonExcludes = true;  // linux mode
    // Helper threads reading files ahead, whole or line by line; -1 two per core, 0 none.
    int readAheadThreads = -1;
};
LoadSettings loadSettingsFromConfig();

struct LoadReport {
    int result = 0;
    uint64_t files = 0;
    uint64_t lines = 0;
    uint64_t bytes = 0;
    uint64_t binarySkipped = 0;
    uint64_t failedFiles = 0;
    int blocksAdded = 0;
    bool stopped = false;
    bool limitAsked = false;
    // For a caller that must explain a failed load in a box (start-up): empty on success.
    std::string errorTitle;
    std::string errorText;
};

constexpr int kRedrawMs = 100;
constexpr int kRepaintMs = 250;
constexpr int kPumpMs = 500;
// While the loader thread works, the user interface thread has nothing else to do: it
// handles input this often, so that keys typed meanwhile show at once.
constexpr int kLoaderWaitPumpMs = 50;
constexpr int kBusyChecks = 30;
inline constexpr char kLoadLimitTitle[] = "LOAD LIMIT REACHED";
inline constexpr char kWrongParametersTitle[] = "Tessel: wrong parameters";
inline constexpr char kLoadErrorTitle[] = "error while loading";
inline constexpr char kNothingToViewTitle[] = "info";

class LoadDriver {
  public:
    // Result 0, 1 (stopped or nothing to do), 9 (failure reported) or the parser's code.
    int load(const char* path, int flags, const std::vector<std::string>* dropped = nullptr);
    // Resolves editors and bookmarks, asks for the path unless one is given, then loads.
    int loadInteractive(bool append, bool singleFile, const char* givenPath = nullptr);
    // ESCAPE or closing the application while a load runs: ends after the current file.
    void requestStop();
    bool running() const { return running_.load(); }

    LoadCallbacks callbacks;
    TextStore* store = nullptr;  // the process-wide store when unset
    bool useThread = true;
    // The settings of the next load; taken from the setting store when not given.
    const LoadSettings* settingsOverride = nullptr;
    LoadReport lastReport;
    LoadShow* show = nullptr;

  private:
    struct Run;
    int waitForUserCommands();
    int collectAll(Run& run);
    int collectItem(Run& run, const std::string& item);
    int collectFileSet(Run& run, const FileSet& set);
    int progress(Run& run);
    bool askLimit(Run& run);
    void waitForThread(Run& run);
    bool keepTextWhenNothingLoads(const Run& run, const TextStore& target);
    void sleepMs(int ms);

    std::atomic<bool> running_{false};
    // The safe load limit question, asked by the loader thread and answered on the
    // calling thread: 0 none, 1 pending, 2 yes, 3 no.
    std::atomic<int> limitQuestion_{0};
};

LoadDriver& loadDriver();

// Items dropped on the window, collected when the drop happens and loaded when the short
// drop timer expires (the drop itself must return quickly).
constexpr size_t kDropItemChars = 490;
constexpr int kDropDelayMs = 200;
struct DropList {
    std::vector<std::string> items;
    bool append = false;

    // A drop: file and folder names, or else the start of a dropped text, as one item each
    // (cut to kDropItemChars). Logs whether it opens or appends. True when an item came.
    bool take(const std::vector<std::string>& names, const char* droppedText, bool shiftOrCtrl);
    // The drop timer expired: loads the items, appending when "appenddragdrop" is on or the
    // drop asked for it, and clears the list.
    int run(LoadDriver& driver, bool appendDragDrop);
};

// The load of a file set at start-up and in tests: synchronous, with the process-wide
// driver. Fills report when given.
int loadFileSetText(const char* fileSetText, bool append, LoadReport* report);

// The start-up file-set text for a start folder when "startuploadfilter" and a mask are on:
// "-dir FOLDER DIRMASK -file FILEMASK" with the folder quoted and the folder mask converted.
// 0 with out set; 1 when no mask applies (out is the folder itself); 9 after a report.
int startupFileSetText(const std::string& folder, const LoadSettings& settings, std::string& out);

// The question of the safe load limit.
std::string loadLimitText(long limitMb);

}  // namespace tessel
