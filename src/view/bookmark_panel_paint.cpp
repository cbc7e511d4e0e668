// Drawing the bookmark list as bookmark_panel.cpp laid it out.
#include "platform/painter.h"
#include "view/bookmark_panel.h"

namespace tessel {
namespace {

constexpr Color kWhite = rgb(0xFFFFFF);
constexpr Color kFrame = rgb(0xCCCCCC);
constexpr Color kSelected = rgb(0xFFFFA0);
constexpr Color kText = rgb(0x000000);
constexpr Color kRemark = rgb(0x0000AA);
constexpr Color kHeadingLine = rgb(0xBBBBFF);
constexpr Color kScript = rgb(0x00AA00);
constexpr Color kFailed = rgb(0x999999);
constexpr Color kWarning = rgb(0xAA0000);
constexpr Color kQuiet = rgb(0xAAAAAA);
// Where the marks of the two click zones stand, right of the zone edge.
constexpr int kContextMarkX = 8;
constexpr int kRemoveMarkX = 32;

Color textColour(const BookmarkRowShape& row) {
    if (row.failed) return kFailed;
    if (row.remark) return kRemark;
    if (row.script) return kScript;
    return kText;
}

}  // namespace

void drawBookmarkPanel(Painter& painter, const BookmarkPanelShape& panel, const Font& font) {
    if (!panel.shown) return;
    const Rect& box = panel.box;
    if (panel.opaque) {
        painter.fillRect(box, kWhite);
        painter.drawLine(box.x, box.y, box.x, box.bottom() - 1, kFrame);
    }
    painter.setFont(font);
    const int textTop = (panel.rowHeight - font.metrics().height) / 2;
    for (const BookmarkRowShape& row : panel.rows) {
        const int y = row.box.y + textTop;
        if (row.selected) painter.fillRect(row.box, kSelected);
        painter.drawText(row.textX, y, row.text, textColour(row));
        if (row.remark) {
            const int bottom = row.box.bottom() - 1;
            painter.drawLine(row.textX, bottom, panel.edge, bottom, kHeadingLine);
        }
        if (!panel.zones) continue;
        if (row.failed) {
            painter.drawText(panel.edge + kContextMarkX, y, "?", kWarning);
        } else if (row.hasContext) {
            painter.drawText(panel.edge + kContextMarkX, y, row.ignoreContext ? "-" : "c",
                             row.ignoreContext ? kQuiet : kText);
        }
        painter.drawText(panel.edge + kRemoveMarkX, y, "x", kWarning);
    }
}

}  // namespace tessel
