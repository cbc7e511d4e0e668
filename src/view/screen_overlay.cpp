#include "view/screen_overlay.h"

#include "bookmarks/bookmark_list.h"
#include "view/screen_fonts.h"

namespace tessel {

ScreenOverlay layoutScreenOverlay(const View& view, const TextMeasure& measure) {
    ScreenOverlay overlay;
    overlay.scrollBar = scrollBarShape(view);
    overlay.sidebar = sidebarLayout(view);
    overlay.bubble = noHitBubbleShape(view, measure);
    overlay.bookmarks = bookmarkPanelShape(view, bookmarkList(), bookFontMeasure());
    overlay.helpPictures = helpPictureShapes(view);
    overlay.controlButtons = controlButtonLayout(view);
    return overlay;
}

TextMeasure mainFontMeasure() {
    TextMeasure measure;
    const Font* font = screenFonts().main.get();
    if (!font) return measure;
    measure.width = [font](std::string_view text) { return font->textWidth(text); };
    measure.lineHeight = font->metrics().height;
    return measure;
}

}  // namespace tessel
