#include "view/view_pointer.h"

#include "base/log/message_log.h"
#include "platform/key_codes.h"
#include "view/assist_hints.h"
#include "view/bookmark_commands.h"
#include "view/control_buttons.h"
#include "view/help_view.h"
#include "view/log_button.h"
#include "view/log_overlay.h"
#include "view/mouse_gestures.h"
#include "view/screen_fonts.h"
#include "view/scroll_bars.h"
#include "view/sidebar.h"
#include "view/view.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

int messageHeight() {
    const Font* small = screenFonts().small.get();
    return small ? small->metrics().height : 0;
}

bool onLogButton(const View& view, int x, int y) {
    const int height = messageHeight();
    return height > 0 && logButtonAt(view, x, y, height);
}

// Every button press on the scroll bar is the bar's: none starts a surf or a gesture on the
// text beneath. Only the left button moves the view.
bool pressOnScrollBar(View& view, int button, int x, int y) {
    if (scrollBarPartAt(verticalScrollBar(view), x, y) == ScrollBarPart::kNone) return false;
    if (button == kMouseLeft) scrollBarPress(view, x, y);
    return true;
}

}  // namespace

int pointerPress(View& view, int button, int x, int y, int modifiers) {
    if (onLogButton(view, x, y) && (button == kMouseLeft || button == kMouseRight)) {
        logButtonClick(button == kMouseRight, modifiers);
        return 0;
    }
    // A right click on the button row opens the controls menu, unless the sidebar, the
    // scroll bar or the bookmark list lies there and takes it first.
    if (button != kMouseRight && controlButtonPress(view, button, x, y, modifiers) == 0) return 0;
    const SidebarButton side = sidebarButtonAt(view, x, y);
    if (side != SidebarButton::kNone) {
        if (button == kMouseLeft) sidebarClick(view, side, modifiers);
        return 0;
    }
    if (pressOnScrollBar(view, button, x, y)) return 0;
    if (bookmarkPointerPress(view, button, x, y, modifiers) == 0) return 0;
    if (button == kMouseRight && controlButtonPress(view, button, x, y, modifiers) == 0) return 0;
    int row = 0;
    int column = 0;
    if (cellAt(view, x, y, &row, &column) != 0) return 1;
    if (button == kMouseLeft && modifiers == 0) {
        if (const int chapter = helpLinkAt(view, row, column))
            return showHelpChapter(view, chapter);
    }
    return gesturePress(view, button, row, column, modifiers) == 0 ? 0 : 1;
}

int pointerDoubleClick(View& view, int button, int x, int y, int modifiers) {
    if (onLogButton(view, x, y) || sidebarButtonAt(view, x, y) != SidebarButton::kNone) return 1;
    // The first press ran the control; a double click does not run it twice.
    if (controlButtonAt(view, x, y) >= 0) return 0;
    // A double click on the track pages once more, as a second press would.
    if (pressOnScrollBar(view, button, x, y)) return 0;
    if (bookmarkPointerDoubleClick(view, button, x, y, modifiers) == 0) return 0;
    int row = 0;
    int column = 0;
    if (cellAt(view, x, y, &row, &column) != 0) return 1;
    return gestureDoubleClick(view, button, row, column, modifiers) == 0 ? 0 : 1;
}

bool pointerMoved(View& view, int x, int y) {
    const int drag = scrollBarDrag(view, x, y);
    if (drag != 1) return drag == 0;
    bool repaint = scrollBarHover(view, x, y);
    noteAssistPointer(view, x, y);
    noteBookmarkPointer(view, x, y);
    GestureState& state = view.gestures;
    if (!state.pointerInside) {
        state.pointerInside = true;
        repaint = !sidebarLayout(view).empty() || repaint;
    }
    const bool overButton = onLogButton(view, x, y);
    if (overButton != state.overLogButton) {
        state.overLogButton = overButton;
        repaint = logButtonHover(overButton) || repaint;
    }
    return repaint;
}

bool pointerLeft(View& view) {
    GestureState& state = view.gestures;
    bool repaint = state.pointerInside && !sidebarLayout(view).empty();
    repaint = scrollBarHover(view, -1, -1) || repaint;
    noteAssistPointer(view, -1, -1);
    state.pointerInside = false;
    state.pointerOnBookmarks = false;
    if (state.overLogButton) {
        state.overLogButton = false;
        repaint = logButtonHover(false) || repaint;
    }
    return repaint;
}

bool overlayFading(const View& view) {
    const int height = messageHeight();
    if (height <= 0 || !overlayShown(overlayFrameOf(view, height))) return false;
    return overlayNeedsRefresh(messageLog(), tickMs());
}

}  // namespace tessel
