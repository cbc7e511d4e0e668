#include "view/sidebar.h"

#include "base/log/message_log.h"
#include "platform/key_codes.h"
#include "view/live_settings.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_commands.h"

namespace tessel {
namespace {

constexpr int kMargin = 4;
constexpr int kGap = 4;

struct ButtonInfo {
    SidebarButton button;
    PictureId picture;
    const char* tip;
};

constexpr ButtonInfo kButtons[] = {
    {SidebarButton::kLoad, kPictureLoad, "Load text [CTRL+O]"},
    {SidebarButton::kFind, kPictureFind, "Find [CTRL+F]"},
    {SidebarButton::kFilter, kPictureFilter, "Results only [F4]"},
    {SidebarButton::kCase, kPictureCase,
     "Case sensitive search [F7]; CTRL+click: accents, SHIFT+click: punctuation"},
    {SidebarButton::kSetup, kPictureSetup, "Setup: settings and the config file"},
};

}  // namespace

SidebarHooks& sidebarHooks() {
    static SidebarHooks hooks;
    return hooks;
}

bool sidebarShown(const View& view) {
    if (!liveSettings().showSidebar) return false;
    return liveSettings().sidebarPermanent || view.gestures.pointerInside;
}

namespace {

// The height of the button column, 0 when the view is too small to hold it.
int columnHeight(const View& view) {
    const int count = static_cast<int>(std::size(kButtons));
    // Above the two status rows, and never over the left half of a narrow view.
    const int needed = kMargin + count * (kSidebarButtonSize + kGap);
    if (view.clientHeight < needed + 2 * view.lineHeight || view.clientWidth < 4 * needed / 3)
        return 0;
    return needed;
}

}  // namespace

int sidebarColumnBottom(const View& view) {
    if (!liveSettings().showSidebar) return 0;
    return columnHeight(view);
}

std::vector<SidebarSlot> sidebarLayout(const View& view) {
    std::vector<SidebarSlot> slots;
    if (!sidebarShown(view) || columnHeight(view) == 0) return slots;
    const int x = view.clientWidth - kMargin - kSidebarButtonSize;
    int y = kMargin;
    for (const ButtonInfo& info : kButtons) {
        slots.push_back({info.button, x, y, kSidebarButtonSize, info.picture, info.tip});
        y += kSidebarButtonSize + kGap;
    }
    return slots;
}

SidebarButton sidebarButtonAt(const View& view, int x, int y) {
    for (const SidebarSlot& slot : sidebarLayout(view)) {
        if (x >= slot.x && x < slot.x + slot.size && y >= slot.y && y < slot.y + slot.size)
            return slot.button;
    }
    return SidebarButton::kNone;
}

int sidebarClick(View& view, SidebarButton button, int modifiers) {
    SidebarHooks& hooks = sidebarHooks();
    switch (button) {
        case SidebarButton::kLoad:
            if (hooks.openLoadMenu) hooks.openLoadMenu(view);
            return 0;
        case SidebarButton::kFind:
            if (hooks.openFindDialog) hooks.openFindDialog(view);
            return 0;
        case SidebarButton::kFilter:
            if (hooks.filterCommand) hooks.filterCommand(view);
            return 0;
        case SidebarButton::kCase:
            if (modifiers & kModControl) {
                view.search.toggleAccent();
                scheduleSearch(view);
            } else if (modifiers & kModShift) {
                view.search.togglePunctuation();
                scheduleSearch(view);
            } else {
                toggleCaseSearch(view);
            }
            view.screen.valid = false;
            return 0;
        case SidebarButton::kSetup:
            if (hooks.openSetup) hooks.openSetup(view);
            return 0;
        case SidebarButton::kNone:
            break;
    }
    return 1;
}

}  // namespace tessel
