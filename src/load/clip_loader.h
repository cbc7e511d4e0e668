// The clipboard as a text source: its text goes into the store's clip block ("// clip"), which
// keeps its place from the first clip load on and is never compared with a file on disk. The
// text is loaded (replacing the clip text), appended, or cleared, by the user or automatically
// whenever another program changes the clipboard. A clipboard holding file names can instead
// be loaded as a list of files. Everything that touches the window or the clipboard goes
// through ClipCallbacks, so this runs without a display.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class TextStore;
struct TextBlock;

inline constexpr char kClipBlockName[] = "// clip";
inline constexpr size_t kClipLineBytes = 4086;
inline constexpr size_t kClipFileNameChars = 512;
inline constexpr size_t kSeparatorLineChars = 190;

enum ClipLoadType : int { kClipLoad = 0, kClipAppend = 1, kClipClear = 2 };

// Results of reading the clipboard.
enum ClipReadCode : int {
    kClipReadOk = 0,
    kClipNoText = 1,
    kClipBusy = 2,
    kClipNoData = 3,
    kClipCannotLock = 4,
    kClipOutOfMemory = 5,
    kClipManyFiles = 11,
};

// What the platform found on the clipboard.
struct ClipboardContent {
    bool hasText = false;
    std::string text;                // code-page bytes
    std::vector<std::string> files;  // a dropped file list, when there is no text
    int failure = 0;                 // a ClipReadCode when the clipboard could not be read
};

// The settings a clip load reads, taken from the setting store when it starts.
struct ClipSettings {
    int minLines = 1;
    bool allowDuplicates = false;
    bool appendSeparator = false;
    std::string separatorLine;
    bool loadTop = true;
    bool loadBottom = false;
    // "clipautodelay": the delay before reading a changed clipboard starts at the first
    // value and rises to the second and then the third on each access conflict.
    std::array<int, 3> autoDelaysMs{0, 200, 500};
};

// What happens when another program changes the clipboard (the clip control's check boxes;
// they last for the run).
struct ClipAutomation {
    bool autoReload = false;  // load the clip text, replacing it
    bool autoAppend = false;  // append it; the two exclude each other
    bool fileNameMonitoring = false;
    bool any() const { return autoReload || autoAppend || fileNameMonitoring; }
};
ClipSettings clipSettingsFromConfig();

struct ClipCallbacks {
    std::function<ClipboardContent()> readClipboard;
    // The MD5 digest of a text (duplicate detection).
    std::function<std::string(std::string_view)> digest;
    std::function<bool()> loadRunning;
    // Marks a load in progress on the window side (true) and ends it (false).
    std::function<void(bool)> setLoading;
    // False: open editors keep their changes, and nothing is loaded.
    std::function<bool()> resolveEditors;
    std::function<void()> prepareViews;
    // After the store was renumbered: the views show the clip block's lines.
    std::function<void(int firstLine, int lastLine, bool toTop, bool toBottom)> refreshViews;
    std::function<void(const char* text)> showStatus;
    // Runs the load driver with a list of paths. Its result.
    std::function<int(const std::vector<std::string>& paths, bool append)> loadPaths;
    // After an automatic change: the views' clipboard searches with this text.
    std::function<void(const std::string& text)> searchViews;
    // Offers the clipboard's file names in the load menu ("open %ld clip URLs").
    std::function<void(int lines)> offerFileNames;
    // Runs `retry` once after the delay (a busy clipboard is read again). Unset: no retry.
    std::function<void(int delayMs, std::function<void()> retry)> retryAfter;
};

// Calls onLine for each line of a text as it goes into a block: split at line feeds, carriage
// returns removed, at most kClipLineBytes each (a longer line goes on in the next). A last line
// without a line feed counts. Returns the number of lines.
template <typename LineFn>
int forEachTextLine(std::string_view text, LineFn&& onLine) {
    int lines = 0;
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        line.clear();
        for (size_t at = start; at < end; ++at) {
            if (text[at] == '\r') continue;
            if (line.size() == kClipLineBytes) {
                onLine(line);
                ++lines;
                line.clear();
            }
            line += text[at];
        }
        onLine(line);
        ++lines;
        start = end + 1;
    }
    return lines;
}

// Opens a closed record for adding behind its text: its closing " " line goes, so that the
// lines added next and a new closing line follow the text directly. 0 opened, 9 failure.
int reopenBeforeClosingLine(TextBlock& block);

// Counts the lines of a clipboard text as fill adds them (a last line without a line feed
// counts; an empty text has none).
int clipLineCount(std::string_view text);

class ClipLoader {
  public:
    // type: kClipLoad, kClipAppend or kClipClear. Result 0, 1 (nothing to clear, or a load
    // runs), 2 (refused or ignored) or 9 (failure reported).
    int load(int type, bool automatic);
    // Fills the clip block. flags: kFillAppend, kFillClear; with a scratch name the lines
    // also go to that file. 0 filled, 9 failure (reported).
    enum FillFlags : int { kFillAppend = 1, kFillClear = 2, kFillScratch = 4 };
    int fill(TextBlock& block, int flags, const char* scratchName = nullptr);
    // Loads the clipboard's text as a list of paths through the load driver.
    int loadList(bool append);
    // The clipboard's text, or a single dropped file name; the code when there is none.
    int readClipboard(bool fresh, std::string& text);
    // Another program changed the clipboard (ownChange: this program did). Runs the
    // configured automation.
    void clipboardChanged(bool ownChange);
    // The delay before a changed clipboard is read; it rises with access conflicts.
    int currentDelayMs() const;

    // The clip block of the store, or null.
    TextBlock* clipBlock();

    ClipCallbacks callbacks;
    TextStore* store = nullptr;  // the process-wide store when unset
    // The settings of the next load; taken from the setting store when not given.
    const ClipSettings* settingsOverride = nullptr;
    ClipAutomation automation;

    // Lines and characters the last fill added.
    int filledLines = 0;
    int64_t filledChars = 0;
    int clipCounter = 0;
    std::string lastDigest;

  private:
    TextStore& theStore();
    ClipSettings settings() const;
    // Raises the delay to the next configured value after an access conflict and logs it;
    // false when it is at the last one already.
    bool raiseDelay(const ClipSettings& current, const char* advice);

    int delayStep_ = 0;

    bool loading_ = false;
    bool haveCache_ = false;
    std::string cache_;
};

ClipLoader& clipLoader();

}  // namespace tessel
