#include "view/bookmark_host.h"

#include <chrono>
#include <thread>

#include "base/log/message_log.h"
#include "bookmarks/bookmark_relocation.h"
#include "load/load_driver.h"
#include "platform/platform.h"
#include "view/frame_layout.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"
#include "view/view_positions.h"

namespace tessel {
namespace {

constexpr char kBookmarkFilter[] = "Bookmark files (*.qvbm);;All files (*)";
constexpr int kWaitStepMs = 100;
constexpr int kPumpSliceMs = 10;

}  // namespace

bool ViewBookmarkHost::ask(const char* title, const char* text, bool /*defaultYes*/) {
    return messageBox(title, text, BoxButtons::yesNo) == BoxAnswer::yes;
}

void ViewBookmarkHost::showBox(const char* title, const char* text) {
    messageBox(title, text, BoxButtons::ok);
}

std::string ViewBookmarkHost::pickFile(const char* title, const char* proposed, bool forSaving) {
    std::string chosen;
    const int rc = forSaving ? saveFileDialog(title, proposed, kBookmarkFilter, chosen)
                             : openFileDialog(title, proposed, kBookmarkFilter, chosen);
    return rc == 0 ? chosen : std::string();
}

unsigned ViewBookmarkHost::pendingWork() {
    unsigned pending = loadDriver().running() ? 1 : 0;
    for (const auto& view : frameLayout().views) {
        if (view && passesRunning(*view)) ++pending;
    }
    if (otherWork) pending += otherWork();
    return pending;
}

// The window keeps answering while the switch waits.
void ViewBookmarkHost::waitStep() {
    const int64_t end = tickMs() + kWaitStepMs;
    do {
        if (platformRunning()) pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSliceMs));
    } while (tickMs() < end);
}

ViewBookmarkHost& viewBookmarkHost() {
    static ViewBookmarkHost host;
    return host;
}

ViewPosition prepareBookmarkWork(View& view) {
    BookmarkList& list = bookmarkList();
    if (!list.host) list.host = &viewBookmarkHost();
    list.placementRows = placementRowsOf(view);
    return capturePosition(view);
}

void bookmarksBeforeReload() {
    trackBeforeReload(bookmarkList());
}

int bookmarksAfterReload(View& view) {
    prepareBookmarkWork(view);
    const int lost = trackAfterReload(bookmarkList());
    for (const auto& each : frameLayout().views) {
        if (!each) continue;
        each->screen.valid = false;
        if (each->host) each->host->refresh();
    }
    return lost;
}

}  // namespace tessel
