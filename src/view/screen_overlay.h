// What is drawn over a view's rows besides the message overlay: the scroll bar, the sidebar
// buttons, the no-hit bubble, the help's chapter pictures and the bookmark list. Like the
// message overlay (log_overlay.h), each is placed as plain data from the view's size and
// state, so that the painter only draws it, the batch dump prints it, and a test reads it
// without a display.
#pragma once

#include <vector>

#include "view/assist_hints.h"
#include "view/bookmark_panel.h"
#include "view/control_buttons.h"
#include "view/help_view.h"
#include "view/scroll_bars.h"
#include "view/sidebar.h"

namespace tessel {

class View;

struct ScreenOverlay {
    ScrollBarShape scrollBar;
    std::vector<SidebarSlot> sidebar;  // empty while the sidebar is hidden
    BubbleShape bubble;
    BookmarkPanelShape bookmarks;
    std::vector<HelpPictureShape> helpPictures;  // chapter pictures of the help
    std::vector<ControlButtonShape> controlButtons;
};

// `measure` is the font the bubble is drawn with (the main screen font); the bookmark list
// takes the small font.
ScreenOverlay layoutScreenOverlay(const View& view, const TextMeasure& measure);
// The main screen font as a measure; every width is 0 while there is no such font.
TextMeasure mainFontMeasure();

}  // namespace tessel
