#include "app/net_glue.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/command_line.h"
#include "app/live_reload.h"
#include "app/window_host.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "load/reload_scan.h"
#include "platform/key_codes.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/text_change.h"
#include "view/view.h"
#include "view/view_host.h"
#include "view/view_scroll.h"
#include "view/view_window.h"
#include "zuknet/net_text_receiver.h"

namespace tessel {
namespace {

constexpr uint8_t kControlK = 0x0B;
constexpr int kAlternativePortMs = 2000;
constexpr int kNetErrorMs = 5000;
// A netlog shorter than the view less this many rows is shown from its start; a longer one
// keeps this margin below its newest line.
constexpr int kShortNetlogSlack = 8;
constexpr int kNewestLineMargin = 6;

struct NetGlueState {
    bool follow = true;  // the views follow the newest lines ("netlog nofollow" stops it)
    int ticks = 0;
    // The newest line of the netlog at the last news: a view that showed it follows.
    int lastNewestLine = -1;
    // News not yet searched in views with masks, or not yet in a filtered list.
    bool searchDue = false;
    bool filterDue = false;
};

NetGlueState& state() {
    static NetGlueState glue;  // user interface thread only
    return glue;
}

void showStatusFor(const char* text, int ms) {
    showStatusInfo(text);
    statusInfo().infoExpiry = tickMs() + ms;
}

int netlogIndex(TextStore& store, const TextBlock* ring) {
    for (int i = 0; ring && i < store.blockCount; ++i) {
        if (store.blockAt(i) == ring) return i;
    }
    return -1;
}

// The global line of the netlog's newest line: its name line while it is empty.
int newestLine(const TextBlock& ring) {
    const int fill = ring.ringFill.load(std::memory_order_acquire);
    return ring.firstLine + 1 + fill;
}

bool showsLine(const View& view, int line) {
    const int top = view.search.topLine;
    return line >= top && line < top + scrollTextRows(view);
}

// The full text view is put where the netlog's newest lines are in sight.
void placeAtNewest(View& view, const TextBlock& ring) {
    const int rows = scrollTextRows(view);
    const int fill = ring.ringFill.load(std::memory_order_acquire);
    int top = ring.firstLine;
    if (fill >= rows - kShortNetlogSlack) top = newestLine(ring) - rows + 1 + kNewestLineMargin;
    scrollTo(view, std::max(top, ring.firstLine));
    view.screen.valid = false;
    if (view.host) view.host->refresh();
}

bool anyEditor() {
    bool editing = false;
    forEachLiveView([&editing](View& view) { editing = editing || view.editor != nullptr; });
    return editing;
}

bool hasMasks(const View& view) {
    return view.search.findMask[0] != '\0' || view.search.pathMask[0] != '\0';
}

// A filtered view builds its list again over the changed ring; one that showed the end of
// its list stays there.
void refreshFilteredView(View& view) {
    const bool atEnd = view.search.topLine >= lastTopLine(view);
    prepareTextChange(view);
    updateFilter(view, true, false, [atEnd](View& done) {
        if (atEnd) scrollToEnd(done);
        done.screen.valid = false;
        if (done.host) done.host->refresh();
    });
}

// The news reaches a full text view: its rows show the ring as it is now, and a view that
// showed the newest line (or the end of the text behind the netlog) keeps showing it.
void showNews(View& view, const TextBlock& ring, int netlog, int blocks) {
    NetGlueState& glue = state();
    const bool atTextEnd = netlog == blocks - 1 && view.search.topLine >= lastTopLine(view);
    if (glue.follow && (showsLine(view, glue.lastNewestLine) || atTextEnd)) {
        placeAtNewest(view, ring);
    }
    view.screen.valid = false;
    if (view.host) view.host->refresh();
    // Hits of the masks move with the lines: searched again on the next fifth tick.
    if (hasMasks(view)) glue.searchDue = true;
}

// On every fifth tick the searches and filtered lists catch up with the news. A view whose
// pass still runs is left to finish it (a flood of lines would otherwise cancel every pass
// before its end) and catches up later.
void catchUp() {
    NetGlueState& glue = state();
    bool stillDue = false;
    forEachLiveView([&](View& view) {
        const bool filtered = view.filterMode != FilterMode::kFullText;
        if (!(filtered ? glue.filterDue : glue.searchDue && hasMasks(view))) return;
        if (passesRunning(view)) {
            stillDue = true;
        } else if (filtered) {
            refreshFilteredView(view);
        } else {
            scheduleSearch(view, false, 1);
        }
    });
    glue.searchDue = glue.filterDue = stillDue;
}

void restartFromScan() {
    NetTextReceiver& receiver = netTextReceiver();
    receiver.start();
    // The first view looks for the receiver's news.
    if (View* first = frameViewAt(0); first && first->window != 0) {
        startViewWindowTimer(*first, kFirstViewTimerId, kFirstViewTimerMs);
    }
}

}  // namespace

void startNetText(const StartupOptions& options) {
    NetTextReceiver& receiver = netTextReceiver();
    receiver.localOnlyOption = options.netLocal;
    if (options.netShortPrefix) {
        receiver.setPrefixMode(kPrefixLastAddressPart);
    } else if (options.netSenderPrefix) {
        receiver.setPrefixMode(kPrefixAddressAndPort);
    }
    receiver.showInView = showStatusFor;
    reloadScanner().callbacks.restartNetReceiver = restartFromScan;
    if (config().getInt("netTextReceive") == 0) return;
    receiver.start();
}

void finishNetTextStartup(const StartupOptions& options) {
    NetTextReceiver& receiver = netTextReceiver();
    if (!receiver.enabled()) return;
    char text[kStatusTextChars + 64];
    if (!receiver.ready()) {
        std::snprintf(text, sizeof text, "Network Text Error. %s", receiver.statusText());
        showStatusFor(text, kNetErrorMs);
        return;
    }
    if (options.openNetView) {
        if (View* view = frameFocusedView()) showNetlog(*view);
    }
    if (receiver.alternativePort()) {
        std::snprintf(text, sizeof text, "Network Text uses alternative port %d.", receiver.port());
        showStatusFor(text, kAlternativePortMs);
    }
}

void stopNetText() {
    netTextReceiver().stop();
}

int loadNetlog() {
    NetTextReceiver& receiver = netTextReceiver();
    TextStore& store = textStore();
    if (!receiver.enabled()) {
        showStatusInfo("Network text is disabled. Use Setup / General to enable.");
        return 9;
    }
    if (netlogIndex(store, receiver.ringBlock()) >= 0) return 0;
    const int oldLines = store.lineCount();
    forEachLiveView(prepareTextChange);
    if (receiver.loadIntoStore() != 0) {
        forEachLiveView([](View& view) { followTextChange(view, {}); });
        return 9;
    }
    const int index = netlogIndex(store, receiver.ringBlock());
    const std::vector<BlockChange> changes{{index, oldLines, 0, store.lineCount() - oldLines}};
    forEachLiveView([&changes](View& view) { followTextChange(view, changes); });
    return 0;
}

int showNetlog(View& view) {
    if (loadNetlog() != 0) return 9;
    const TextBlock* ring = netTextReceiver().ringBlock();
    if (!ring) return 9;
    state().follow = true;
    state().lastNewestLine = newestLine(*ring);
    if (view.filterMode == FilterMode::kFullText) placeAtNewest(view, *ring);
    return 0;
}

void netViewTick(View& view) {
    NetGlueState& glue = state();
    ++glue.ticks;
    if (anyEditor()) return;
    NetTextReceiver& receiver = netTextReceiver();
    TextStore& store = textStore();
    TextBlock* ring = nullptr;
    if (receiver.takeNews(&ring) && ring) {
        const int netlog = netlogIndex(store, ring);
        if (netlog < 0) {
            // The first lines: the netlog joins the text and the ticking view shows it.
            showNetlog(view);
        } else {
            const int blocks = store.blockCount;
            forEachLiveView([&](View& each) {
                if (each.filterMode == FilterMode::kFullText) {
                    showNews(each, *ring, netlog, blocks);
                } else {
                    glue.filterDue = true;
                }
            });
            glue.lastNewestLine = newestLine(*ring);
        }
    }
    if (glue.ticks % kNetFilteredViewTickEvery == 0) catchUp();
}

int netChar(View& view, uint8_t ch, int modifiers) {
    if (ch != kControlK || view.editor || (modifiers & kModAlt)) return 1;
    if (modifiers & kModShift) {
        // Switched on, the receiver starts through the reload scan like any restart.
        QVConfig& settings = config();
        if (settings.getInt("netTextReceive") == 0) settings.setInt("netTextReceive", 1);
        if (!netTextReceiver().ready()) startReloadScan(ReloadRequest{kReloadRestartNet});
        if (view.window != 0) startViewWindowTimer(view, kFirstViewTimerId, kFirstViewTimerMs);
    }
    showNetlog(view);
    // The status line tells what happened even when the netlog could not be shown.
    view.screen.valid = false;
    if (view.host) view.host->refresh();
    return 0;
}

int runNetlogCommand(View& view, NetlogCommand command) {
    NetTextReceiver& receiver = netTextReceiver();
    if (!receiver.enabled()) return kNetlogDisabled;
    switch (command) {
        case NetlogCommand::kShow:
            return showNetlog(view);
        case NetlogCommand::kClear:
            receiver.clear();
            return 0;
        case NetlogCommand::kFollow:
            return showNetlog(view);
        case NetlogCommand::kNoFollow:
            state().follow = false;
            return 0;
        case NetlogCommand::kPause:
            receiver.setPaused(!receiver.paused());
            showStatusInfo(receiver.paused() ? "netlog paused." : "netlog continues.");
            return 0;
    }
    return 0;
}

}  // namespace tessel
