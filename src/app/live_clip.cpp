#include "app/live_clip.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>

#include "app/live_reload.h"
#include "app/load_ui.h"
#include "app/window_host.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "load/clip_loader.h"
#include "load/load_driver.h"
#include "platform/platform.h"
#include "text/text_store.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/text_change.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

constexpr int kClipTopMargin = 5;
constexpr int kClipBottomMargin = 3;
constexpr int kClipSearchViews = 3;
constexpr char kClipLineVariable[] = "$clipline";

struct LiveClipState {
    bool watching = false;
    // The clip block as it was before a load, for the views to follow it.
    BlockChange before;
    bool hadBlock = false;
    int offeredUrls = 0;
    // Reads the clipboard after the current delay; what it then runs.
    std::unique_ptr<PlatformTimer> delayTimer;
    std::function<void()> delayedRead;
    // Values chosen in the clip control that wait for "Apply Changes".
    bool staged = false;
    ClipAutomation stagedAutomation;
    bool stagedAllowDups = false;
    std::array<std::string, kClipSearchViews * 2> stagedTexts;
};

// The view searches of a fresh configuration, find and path for each of the three views.
constexpr const char* kDefaultClipTexts[kClipSearchViews * 2] = {
    "$clipline", "", "class *$clipline NOT ;", "", "::$clipline", "",
};
constexpr const char* kClipSearchTitles[kClipSearchViews] = {
    "Search In First View",
    "Search In Second View",
    "Search In Third View",
};

LiveClipState& state() {
    static LiveClipState live;  // user interface thread only
    return live;
}

// A file list also offers its names as text: the list is what the other program put there.
ClipboardContent readPlatformClipboard() {
    ClipboardContent content;
    content.files = clipboardFiles();
    if (!content.files.empty()) return content;
    content.text = clipboardText();
    content.hasText = !content.text.empty();
    return content;
}

void rememberClipBlock() {
    LiveClipState& live = state();
    TextStore& store = textStore();
    live.hadBlock = false;
    for (int i = 0; i < store.blockCount; ++i) {
        const TextBlock* block = store.blockAt(i);
        if (!block || !block->clipText) continue;
        live.before = BlockChange{i, block->firstLine, block->endLine - block->firstLine, 0};
        live.hadBlock = true;
        break;
    }
    forEachLiveView(prepareTextChange);
}

void showClipBlock(int firstLine, int lastLine, bool toTop, bool toBottom) {
    LiveClipState& live = state();
    std::vector<BlockChange> changes;
    if (live.hadBlock) {
        live.before.newLineCount = lastLine - firstLine + 1;
        changes.push_back(live.before);
    }
    forEachLiveView([&changes](View& view) { followTextChange(view, changes); });
    View* view = frameFocusedView();
    if (!view || view->filterMode != FilterMode::kFullText) return;
    if (toTop) {
        scrollTo(*view, std::max(firstLine - kClipTopMargin, 0));
    } else if (toBottom) {
        scrollTo(*view, std::max(lastLine - scrollTextRows(*view) + kClipBottomMargin, 0));
    }
}

// "$clipline" in a view's clipboard search becomes the clipboard's first line.
std::string withClipLine(const std::string& pattern, const std::string& clipText) {
    const std::string line = clipText.substr(0, clipText.find_first_of("\r\n"));
    std::string out = pattern;
    for (size_t at = out.find(kClipLineVariable); at != std::string::npos;
         at = out.find(kClipLineVariable, at + line.size())) {
        out.replace(at, sizeof kClipLineVariable - 1, line);
    }
    return out;
}

void searchViewsWithClip(const std::string& text) {
    if (config().getInt("enableClipAutomation") == 0) return;
    const AppSettings& app = appSettings();
    const auto& views = frameLayout().views;
    for (int i = 0; i < kClipSearchViews && i < static_cast<int>(views.size()); ++i) {
        View* view = views[static_cast<size_t>(i)].get();
        const std::string& find = app.clipText[static_cast<size_t>(2 * i)];
        const std::string& path = app.clipText[static_cast<size_t>(2 * i + 1)];
        if (!view || (find.empty() && path.empty())) continue;
        view->search.setFindMask(withClipLine(find, text).c_str());
        view->search.setPathMask(withClipLine(path, text).c_str());
        scheduleSearch(*view);
    }
}

void readAfterDelay(int delayMs, std::function<void()> read) {
    LiveClipState& live = state();
    if (delayMs <= 0) {
        read();
        return;
    }
    live.delayedRead = std::move(read);
    if (!live.delayTimer) {
        live.delayTimer = PlatformTimer::create([] {
            std::function<void()> pending = std::move(state().delayedRead);
            state().delayedRead = nullptr;
            if (pending) pending();
        });
    }
    live.delayTimer->start(delayMs, true);
}

// A change by another program is read after the current delay; its owner is known now.
void clipboardChangedNow() {
    const bool own = clipboardOwned();
    readAfterDelay(clipLoader().currentDelayMs(), [own] { clipLoader().clipboardChanged(own); });
}

// The clipboard is watched only while something reacts to its changes.
void updateWatcher() {
    LiveClipState& live = state();
    const bool wanted =
        clipLoader().automation.any() || config().getInt("enableClipAutomation") != 0;
    if (wanted == live.watching) return;
    live.watching = wanted;
    if (wanted) {
        setClipboardWatcher(clipboardChangedNow);
        logMessage("listening for clipboard changes.");
    } else {
        setClipboardWatcher(nullptr);
    }
}

}  // namespace

void installLiveClip() {
    ClipCallbacks& callbacks = clipLoader().callbacks;
    callbacks.readClipboard = readPlatformClipboard;
    callbacks.digest = md5Hex;
    callbacks.loadRunning = [] { return loadDriver().running() || reloadScanRunning(); };
    callbacks.resolveEditors = [] {
        return !liveHooks().resolveEditors || liveHooks().resolveEditors();
    };
    callbacks.prepareViews = rememberClipBlock;
    callbacks.refreshViews = showClipBlock;
    callbacks.showStatus = [](const char* text) { showStatusInfo(text); };
    callbacks.loadPaths = [](const std::vector<std::string>& paths, bool append) {
        LoadDriver& driver = loadDriver();
        prepareWindowLoad(driver);
        return driver.load(paths.front().c_str(), append ? kLoadAppend : 0, &paths);
    };
    callbacks.searchViews = searchViewsWithClip;
    callbacks.offerFileNames = [](int lines) { state().offeredUrls = lines; };
    callbacks.retryAfter = readAfterDelay;
    clipLoader().automation.fileNameMonitoring = appSettings().scanClipUrl;
    updateWatcher();
}

void uninstallLiveClip() {
    setClipboardWatcher(nullptr);
    state() = LiveClipState{};
    clipLoader().callbacks = ClipCallbacks{};
}

int loadClipFromMenu(bool append) {
    return clipLoader().load(append ? kClipAppend : kClipLoad, false);
}

int loadClipListFromMenu(bool append) {
    return clipLoader().loadList(append);
}

std::vector<std::string> offeredClipEntries() {
    const int lines = state().offeredUrls;
    if (lines <= 0) return {};
    char open[64];
    char append[64];
    std::snprintf(open, sizeof open, "open %ld clip URLs", static_cast<long>(lines));
    std::snprintf(append, sizeof append, "append %ld clip URLs", static_cast<long>(lines));
    return {open, append};
}

int runOfferedClipEntry(int index) {
    state().offeredUrls = 0;
    return clipLoader().loadList(index == 1);
}

namespace {

void stageCurrentValues() {
    LiveClipState& live = state();
    if (live.staged) return;
    live.staged = true;
    live.stagedAutomation = clipLoader().automation;
    live.stagedAllowDups = appSettings().clipAllowDups;
    std::copy(appSettings().clipText.begin(), appSettings().clipText.end(),
              live.stagedTexts.begin());
}

// "Search In First View" ...: the find and the path text of that view's clipboard search.
int editClipSearch(int viewIndex) {
    stageCurrentValues();
    LiveClipState& live = state();
    std::string find = live.stagedTexts[static_cast<size_t>(2 * viewIndex)];
    std::string path = live.stagedTexts[static_cast<size_t>(2 * viewIndex + 1)];
    const char* title = kClipSearchTitles[viewIndex];
    if (textDialog(title, "Find", find) != 0 || textDialog(title, "Path", path) != 0) return 1;
    live.stagedTexts[static_cast<size_t>(2 * viewIndex)] = find.substr(0, kClipTextChars);
    live.stagedTexts[static_cast<size_t>(2 * viewIndex + 1)] = path.substr(0, kClipTextChars);
    return 0;
}

int resetClipDefaults() {
    stageCurrentValues();
    LiveClipState& live = state();
    live.stagedAutomation = ClipAutomation{};
    live.stagedAllowDups = false;
    std::copy(std::begin(kDefaultClipTexts), std::end(kDefaultClipTexts), live.stagedTexts.begin());
    showStatusInfo("Click on apply now to use the default settings.");
    return 0;
}

// Stores what the control holds; the view searches go to the configuration with its next
// save, the check boxes last for the run.
int applyClipChanges() {
    LiveClipState& live = state();
    if (live.staged) {
        clipLoader().automation = live.stagedAutomation;
        AppSettings& app = appSettings();
        app.clipAllowDups = live.stagedAllowDups;
        for (size_t slot = 0; slot < live.stagedTexts.size(); ++slot) {
            if (app.clipText[slot] == live.stagedTexts[slot]) continue;
            app.clipText[slot] = live.stagedTexts[slot];
            app.clipTextToWrite[slot] = live.stagedTexts[slot];
            config().touch(kIdView1ClipFind + static_cast<int>(slot));
        }
        live.staged = false;
    }
    updateWatcher();
    return 0;
}

}  // namespace

int openClipControl() {
    ClipLoader& loader = clipLoader();
    LiveClipState& live = state();
    // The check boxes change at once, unless defaults or search texts wait for "Apply
    // Changes": then they change with them.
    ClipAutomation& automation = live.staged ? live.stagedAutomation : loader.automation;
    bool& allowDups = live.staged ? live.stagedAllowDups : appSettings().clipAllowDups;
    auto box = [](bool on) { return std::string(on ? "[x] " : "[ ] "); };
    const std::vector<std::string> entries = {
        "Download Clipboard Content Now",
        "Append Clipboard Content Now",
        "Reset Clipboard Text",
        box(automation.autoReload) + "Auto Reload Clipboard Text",
        box(automation.autoAppend) + "Auto Append Clipboard Text",
        box(allowDups) + "Allowing duplicate adds",
        box(automation.fileNameMonitoring) +
            "If the clipboard contains absolute filenames offer to load them",
        kClipSearchTitles[0],
        kClipSearchTitles[1],
        kClipSearchTitles[2],
        "Apply Changes",
        "Reset To Defaults",
        "Cancel",
    };
    logMessage("[blue] %s", kClipControlTitle);
    const int chosen = popupMenu(entries);
    int rc = 0;
    switch (chosen) {
        case 0:
            rc = loader.load(kClipLoad, false);
            break;
        case 1:
            rc = loader.load(kClipAppend, false);
            break;
        case 2:
            rc = loader.load(kClipClear, false);
            break;
        case 3:
            // Loading and appending on a change exclude each other.
            automation.autoReload = !automation.autoReload;
            if (automation.autoReload) automation.autoAppend = false;
            break;
        case 4:
            automation.autoAppend = !automation.autoAppend;
            if (automation.autoAppend) automation.autoReload = false;
            break;
        case 5:
            allowDups = !allowDups;
            break;
        case 6:
            automation.fileNameMonitoring = !automation.fileNameMonitoring;
            break;
        case 7:
        case 8:
        case 9:
            return editClipSearch(chosen - 7);
        case 10:
            rc = applyClipChanges();
            break;
        case 11:
            return resetClipDefaults();
        case 12:
            state().staged = false;
            return 1;
        default:
            return 1;
    }
    updateWatcher();
    forEachLiveView([](View& view) { view.screen.valid = false; });
    return rc;
}

}  // namespace tessel
