// The reload scan keeps the loaded text true to the disk: it walks the store's blocks in table
// order, compares each file with what was loaded, and reads changed files again into their
// own blocks, so a block keeps its place and only the line numbers behind it move. The same
// loop carries re-wrapping and the restart of the network receiver, which other commands ask
// for through the flags.
//
// Asking the file system about tens of thousands of files is slow; the scan can therefore
// take their states from a FileStatusList gathered beforehand on a worker thread
// (file_stat_worker.h), and then costs its own thread next to nothing unless files changed.
// Everything that touches the window goes through ReloadCallbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class TextStore;
struct TextBlock;

enum ReloadFlags : int {
    kReloadUserStarted = 1,    // no scan time limit
    kReloadAutomatic = 2,      // the limit mask and the size delay apply
    kReloadForce = 4,          // the size delay does not apply
    kReloadEvenUnchanged = 8,  // reload the given block even when unchanged
    kReloadRestartNet = 16,    // restart the network receiver instead of scanning
};

struct ReloadRequest {
    int flags = 0;
    std::string fileName;        // only blocks of this name (trailing blanks ignored)
    TextBlock* block = nullptr;  // only this block
    int wrapWidth = 0;           // above 0: wrap instead of reload
    bool streamWrap = false;
};

// What the file system said of one file.
struct FileStatus {
    bool checked = false;  // false: not asked (the worker stopped before it)
    bool exists = false;   // false: cannot be examined (deleted)
    int64_t mtime = 0;
    int64_t size = 0;
};

// File states gathered for the blocks of the store in table order, with the names they were
// gathered for: an entry only counts for a block that still has that name.
struct FileStatusList {
    std::vector<FileStatus> states;
    std::vector<std::string> names;
    int64_t startMs = 0;            // when gathering began: the scan's time runs from here
    bool timeLimitReached = false;  // the states stop early because the time ran out
    bool stopped = false;           // the states stop early because a stop was requested
};

// Change codes of a comparison, as TextBlock::checkChanged gives them.
enum ChangeCode : int {
    kChangeNoName = 1,
    kChangeNoTime = 2,
    kChangeFileHasNoTime = 3,
    kChangeTime = 4,
    kChangeSize = 5,
    kChangeNone = 6,
};

// Compares a block with a file state; true for a change (codes 4 and 5). Like the block's
// own check, the watched size takes the stored size first and the size on disk after, and a
// file that cannot be examined counts as unchanged and leaves the code as it was.
bool compareWithFile(TextBlock& block, const FileStatus& status, int& changeCode);
// Asks the file system about one file now.
FileStatus statusOfFile(const char* name);

// The words of "autoreloadmask": blank-separated, double quotes keep blanks.
std::vector<std::string> splitReloadMask(std::string_view mask);
// True when the name starts with one of the words, in any letter case; "\" and "/" are
// the same separator.
bool matchesReloadMask(std::string_view name, const std::vector<std::string>& words);

// The settings a scan reads, taken from the setting store when it starts.
struct ReloadSettings {
    bool limitToMask = false;
    std::vector<std::string> maskWords;
    bool delayOnSize = false;
    int64_t delaySizeMb = 0;
    int64_t maxScanMs = 15000;
    int tabWidth = 3;
    bool loadBin = false;
};
ReloadSettings reloadSettingsFromConfig();

// One block whose line count may have changed: its index, and its first line and line count
// before the reload. The views use these to keep their places.
struct BlockChange {
    int blockIndex = 0;
    int oldFirstLine = 0;
    int oldLineCount = 0;
    int newLineCount = 0;
};

struct ReloadCallbacks {
    std::function<bool()> loadRunning;
    // False: open editors keep their changes, and the scan does not run.
    std::function<bool()> resolveEditors;
    // Waits for running user commands: 0 none left.
    std::function<int()> waitForUserCommands;
    // The editor state of a block with editor data: 0 none (or detached now because it
    // was unchanged), 2 unsaved changes. Unset: every block with editor data is in edit.
    std::function<int(TextBlock& block)> editState;
    // Before the store changes: running search passes stop.
    std::function<void()> beforeStoreChange;
    std::function<void()> prepareViews;
    // After the store was renumbered: the views follow the changed blocks.
    std::function<void(const std::vector<BlockChange>& changes)> refreshViews;
    // Around reloading: bookmarks remember and find their lines again.
    std::function<void()> beforeReload;
    std::function<void()> afterReload;
    // A short text in the status line for this long.
    std::function<void(const char* text, int ms)> showStatus;
    std::function<void()> pumpMessages;
    std::function<void()> repaint;
    std::function<bool()> stopRequested;
    std::function<void()> restartNetReceiver;
    std::function<int64_t()> nowMs;  // tickMs when unset
};

inline constexpr int kPumpEveryBlocks = 16;
inline constexpr int kScanRepaintMs = 500;

class ReloadScanner {
  public:
    // Runs the request; returns the number of blocks reloaded (or wrapped). With states,
    // the files are not asked again where the states have an entry for the block's name.
    int scan(const ReloadRequest& request, const FileStatusList* states = nullptr);
    // Reads one block again from its file in its place. 0 reloaded, 2 left as it was (the
    // file became something that is not read as text; reported), 9 failure (the block is an
    // empty record with its name). The caller renumbers the store.
    int reloadBlock(TextBlock& block);

    // True when the block holds editor changes that are not saved: the one check that keeps
    // text in edit from being read again, by the scan and by following a file. A block whose
    // editor has no changes is detached from it here.
    bool keepsEdits(TextBlock& block);

    // Counts the loaded files whose names match the limit mask (the setup's check button).
    int countMaskMatches(const std::vector<std::string>& words);

    ReloadCallbacks callbacks;
    TextStore* store = nullptr;  // the process-wide store when unset
    // The settings of the next scan; taken from the setting store when not given.
    const ReloadSettings* settingsOverride = nullptr;

    // The result of the last scan, kept for the views ("rlarge").
    int sizeSkippedFiles = 0;
    int64_t sizeSkippedMb = 0;
    bool lastStopped = false;
    int lastExamined = 0;
    std::vector<BlockChange> lastChanges;
    bool running() const { return running_; }

  private:
    struct Run;
    bool examineBlock(Run& run, int index);
    void wrapOrReload(Run& run, int index);
    void finish(Run& run);
    TextStore& theStore();
    int64_t now();

    bool running_ = false;
};

ReloadScanner& reloadScanner();

}  // namespace tessel
