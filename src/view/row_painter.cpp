#include "view/row_painter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "editor/editor.h"
#include "platform/pictures.h"
#include "text/text_store.h"
#include "view/background_picture.h"
#include "view/display_keys.h"
#include "view/log_overlay.h"
#include "view/row_attributes.h"
#include "view/row_cache.h"
#include "view/screen_builder.h"
#include "view/screen_overlay.h"
#include "view/view.h"

namespace tessel {
namespace {

constexpr Color kWhite = rgb(0xFFFFFF);
constexpr Color kBlack = rgb(0x000000);
constexpr Color kCursorColour = rgb(0xF09000);
constexpr Color kLinkLine = rgb(0x0000FF);
constexpr Color kContextLine = rgb(0xBBBBBB);
constexpr Color kTrackColour = rgb(0xEEEEEE);
constexpr Color kThumbColour = rgb(0xB4B4B4);
constexpr Color kThumbActiveColour = rgb(0x808080);
constexpr Color kBubbleBackground = rgb(0xFFFFE8);
constexpr Color kBubbleFrame = rgb(0x909090);
constexpr Color kPictureFrame = rgb(0xA0A0A0);
// One text output never carries more than this many characters.
constexpr int kMaxRunChars = 798;
// The cache bitmap never holds more strips than the slot limit allows.
constexpr int kCacheStrips = kMaxCacheSlots + 1;

struct RunState {
    bool opaque = false;
    Color text = kBlack;
    Color background = kWhite;

    bool operator==(const RunState&) const = default;
};

// Where the characters of a UTF-8 row stand: the first byte and the byte count of the unit
// that begins at each cell; the other cells of a wide character have a count of 0.
struct CellBytes {
    std::array<int16_t, kScreenColumns + 1> start{};
    std::array<int16_t, kScreenColumns + 1> length{};

    int fill(std::string_view text, int maxCells) {
        int cells = 0;
        for (size_t at = 0; at < text.size() && cells < maxCells;) {
            const CellUnit unit = cellUnitAt(text, at, true);
            for (int k = 0; k < unit.cells && cells < maxCells; ++k, ++cells) {
                start[static_cast<size_t>(cells)] = static_cast<int16_t>(at);
                length[static_cast<size_t>(cells)] = static_cast<int16_t>(k == 0 ? unit.bytes : 0);
            }
            at += static_cast<size_t>(unit.bytes);
        }
        return cells;
    }
};

class RowDrawer {
  public:
    RowDrawer(Painter& painter, const RowPaint& paint, int x, int y, const char* text,
              const CellBytes* cellBytes)
        : painter_(painter), paint_(paint), x_(x), y_(y), text_(text), cellBytes_(cellBytes) {}

    void add(int index, const RunState& state, bool underline) {
        if (runLength_ > 0 &&
            (!(state == run_) || underline != underline_ || runLength_ >= kMaxRunChars)) {
            flush();
        }
        if (runLength_ == 0) {
            runStart_ = index;
            run_ = state;
            underline_ = underline;
        }
        ++runLength_;
    }

    void flush() {
        if (runLength_ == 0) return;
        const int cw = paint_.charWidth;
        const int left = x_ + runStart_ * cw;
        std::string_view chars(text_ + runStart_, static_cast<size_t>(runLength_));
        if (cellBytes_) {
            drawUtf8Run(left);
        } else if (run_.opaque) {
            if (paint_.lineSpacing < 0) {
                // Overlapping rows: the background starts below the part shared with the row
                // above, so it does not paint over that row's text.
                const int overlap = -paint_.lineSpacing;
                painter_.fillRect({left, y_ + overlap, runLength_ * cw, paint_.lineHeight},
                                  run_.background);
                painter_.drawText(left, y_, chars, run_.text);
            } else {
                painter_.drawText(left, y_, chars, run_.text, run_.background);
            }
        } else if (chars.find_first_not_of(' ') != std::string_view::npos) {
            painter_.drawText(left, y_, chars, run_.text);
        }
        if (underline_) {
            const int bottom = y_ + paint_.lineHeight - 1;
            painter_.drawLine(left, bottom, left + runLength_ * cw - 1, bottom, kLinkLine);
        }
        runLength_ = 0;
    }

  private:
    // UTF-8 rows: the ground first, then stretches of ASCII as one text and every other
    // character alone at its own cell, so that the font's widths for other scripts (and the
    // fallback fonts that draw them) never move the cells after them.
    void drawUtf8Run(int left) {
        const int cw = paint_.charWidth;
        const CellBytes& cells = *cellBytes_;
        if (run_.opaque) {
            const int overlap = std::max(-paint_.lineSpacing, 0);
            painter_.fillRect({left, y_ + overlap, runLength_ * cw, paint_.lineHeight},
                              run_.background);
        }
        const int end = runStart_ + runLength_;
        int cell = runStart_;
        while (cell < end) {
            const auto at = static_cast<size_t>(cell);
            const int bytes = cells.length[at];
            if (bytes == 0) {
                ++cell;
                continue;
            }
            const char* from = text_ + cells.start[at];
            int stretch = 1;
            if (bytes == 1) {
                while (cell + stretch < end &&
                       cells.length[at + static_cast<size_t>(stretch)] == 1 &&
                       static_cast<uint8_t>(from[stretch]) < 0x80) {
                    ++stretch;
                }
            }
            const std::string_view chars(
                from, bytes == 1 ? static_cast<size_t>(stretch) : static_cast<size_t>(bytes));
            if (run_.opaque || chars.find_first_not_of(' ') != std::string_view::npos) {
                painter_.drawText(x_ + cell * cw, y_, chars, run_.text);
            }
            cell += stretch;
        }
    }

    Painter& painter_;
    const RowPaint& paint_;
    int x_;
    int y_;
    const char* text_;
    const CellBytes* cellBytes_;
    RunState run_;
    bool underline_ = false;
    int runStart_ = 0;
    int runLength_ = 0;
};

void drawCursor(Painter& painter, const RowPaint& paint, int x, int y, char attr,
                Color background) {
    const int cw = paint.charWidth;
    const int lh = paint.lineHeight;
    if (paint.editorActive) {
        if (attr == kAttrCursorSelected) painter.fillRect({x, y, cw, lh}, background);
        if (!paint.cursorShown) return;
        painter.fillRect({x, y, paint.insertMode ? 2 : cw, lh}, kCursorColour);
        return;
    }
    const int lower = lh / 2;
    painter.fillRect({x, y + lh - lower, cw, lower}, background);
    if (paint.verticalCursor) {
        painter.fillRect({x, y, 2, lh}, kCursorColour);
    } else {
        painter.fillRect({x, y + lh - 2, cw, 2}, kCursorColour);
    }
}

}  // namespace

int drawRow(Painter& painter, const RowPaint& paint, int x, int y, int maxWidth, const char* text,
            const char* attr, int rowType) {
    if (!text || !paint.colours || paint.charWidth <= 0) return 0;
    const bool utf8 = codePageTables().utf8;
    const size_t length = strnlen(text, utf8 ? kScreenTextBytes : kScreenColumns + 1);
    if (length > static_cast<size_t>(utf8 ? kScreenTextBytes - 1 : kScreenColumns)) {
        logError(0, "int. #2191101");
        return 0;
    }
    const ColourTables& colours = *paint.colours;
    int cells = static_cast<int>(length);
    if (maxWidth >= 0) cells = std::min(cells, maxWidth / paint.charWidth);
    static CellBytes cellBytes;  // user interface thread only
    if (utf8) cells = cellBytes.fill({text, length}, std::min(cells, kScreenColumns));
    const bool statusRow = rowType == kRowFind || rowType == kRowPath;
    const bool backgrounds = rowType == kRowText || rowType == kRowBlockContext || statusRow;
    const size_t attrLength = attr ? strnlen(attr, static_cast<size_t>(cells)) : 0;

    RowDrawer drawer(painter, paint, x, y, text, utf8 ? &cellBytes : nullptr);
    RunState state;
    int blanks = 0;
    bool hasCursor = false;
    for (int i = 0; i < cells; ++i) {
        const char a = static_cast<size_t>(i) < attrLength ? attr[i] : ' ';
        // A cell inside a wide character is never blank.
        const auto cell = static_cast<size_t>(i);
        const char c = !utf8                         ? text[i]
                       : cellBytes.length[cell] == 0 ? 'w'
                                                     : text[cellBytes.start[cell]];
        hasCursor = hasCursor || a == kAttrCursor || a == kAttrCursorSelected;
        RunState next;
        next.text = colours.textOf(a);
        Color background;
        bool coloured = backgrounds && colours.backgroundOf(a, &background);
        if (coloured && statusRow && (i < paint.maskStart || i >= paint.maskEnd)) coloured = false;
        blanks = c == ' ' ? blanks + 1 : 0;
        if (coloured) {
            next.opaque = true;
            next.background = background;
        } else if (c != ' ') {
            next.opaque = !paint.overPicture;
        } else if (state.opaque && state.background == kWhite && blanks < 2 && i > 0) {
            // A single blank between words stays in the run; longer blank stretches are
            // left unpainted.
            next = state;
        }
        drawer.add(i, next, a == kAttrLink || a == kAttrLinkGreen);
        state = next;
    }
    drawer.flush();

    if (hasCursor) {
        for (int i = 0; i < cells && static_cast<size_t>(i) < attrLength; ++i) {
            if (attr[i] != kAttrCursor && attr[i] != kAttrCursorSelected) continue;
            // A selected cursor cell keeps the selection's colour under the bar.
            Color background = kWhite;
            colours.backgroundOf(attr[i] == kAttrCursorSelected ? kAttrSelection : attr[i],
                                 &background);
            drawCursor(painter, paint, x + i * paint.charWidth, y, attr[i], background);
        }
    }
    if (attrLength > 0 && attr[attrLength - 1] == kAttrContextLine && !paint.currentRow) {
        const int bottom = y + paint.lineHeight - 1;
        painter.drawLine(x, bottom, x + cells * paint.charWidth - 1, bottom, kContextLine);
    }
    return cells * paint.charWidth;
}

namespace {

// The overlay inside `area` only: a repaint of part of the window must not draw over the rest.
void drawLogOverlayIn(View& view, Painter& painter, const Font& font, int64_t nowMs,
                      const Rect& area) {
    const OverlayFrame frame = overlayFrameOf(view, font.metrics().height);
    if (!overlayShown(frame)) return;
    const MessageLog& log = messageLog();
    if (picturesLoaded()) {
        const PictureId look = log.displayMode == 0   ? kPictureLogIdle
                               : log.displayMode == 1 ? kPictureLogActive
                                                      : kPictureLogPinned;
        painter.drawPicture(picture(look), logButtonLeft(frame), overlayBaseLine(frame));
    }
    const std::vector<OverlayLine> lines = layoutOverlay(frame, log, nowMs);
    if (lines.empty()) return;
    const int available = overlayAvailableWidth(frame);
    painter.setFont(font);
    for (const OverlayLine& line : lines) {
        const int x = overlayTextX(frame, font.textWidth(line.text));
        if (x >= available) continue;
        const int left = std::max(x, area.x);
        const int top = std::max(line.y, area.y);
        const int right = std::min(available, area.x + area.width);
        const int bottom = std::min(line.y + 2 * frame.messageHeight, area.bottom());
        if (left >= right || top >= bottom) continue;
        painter.setClip({left, top, right - left, bottom - top});
        painter.drawText(x, line.y, line.text, {line.colour.r, line.colour.g, line.colour.b});
    }
    painter.setClip(area);
}

void drawBubble(Painter& painter, const BubbleShape& bubble, const Font& font) {
    if (!bubble.shown) return;
    const Rect& box = bubble.box;
    painter.fillRect(box, kBubbleBackground);
    const int right = box.right() - 1;
    const int bottom = box.bottom() - 1;
    painter.drawLine(box.x, box.y, right, box.y, kBubbleFrame);
    painter.drawLine(right, box.y, right, bottom, kBubbleFrame);
    painter.drawLine(right, bottom, box.x, bottom, kBubbleFrame);
    painter.drawLine(box.x, bottom, box.x, box.y, kBubbleFrame);
    painter.setFont(font);
    int lineY = box.y + bubble.padding;
    for (const std::string& line : bubble.lines) {
        painter.drawText(box.x + bubble.padding, lineY, line, kBlack);
        lineY += bubble.lineHeight;
    }
}

void drawScrollBar(Painter& painter, const ScrollBarShape& bar) {
    if (!bar.shown) return;
    painter.fillRect(bar.track, kTrackColour);
    painter.fillRect(bar.thumb, bar.active ? kThumbActiveColour : kThumbColour);
}

// Each picture covers the empty rows below its marker line and never the status rows.
void drawHelpPictures(Painter& painter, const std::vector<HelpPictureShape>& shapes,
                      const Rect& area) {
    for (const HelpPictureShape& shape : shapes) {
        const Picture* picture = helpPicture(shape.name);
        const int top = std::max(area.y, shape.clipTop);
        const int bottom = std::min(area.bottom(), shape.clipBottom);
        if (!picture || bottom <= top) continue;
        painter.setClip({area.x, top, area.width, bottom - top});
        painter.drawPictureScaled(*picture, {shape.x, shape.y, shape.width, shape.height});
        const int right = shape.x + shape.width;
        const int bottomEdge = shape.y + shape.height;
        painter.drawLine(shape.x - 1, shape.y - 1, right, shape.y - 1, kPictureFrame);
        painter.drawLine(shape.x - 1, bottomEdge, right, bottomEdge, kPictureFrame);
        painter.drawLine(shape.x - 1, shape.y - 1, shape.x - 1, bottomEdge, kPictureFrame);
        painter.drawLine(right, shape.y - 1, right, bottomEdge, kPictureFrame);
    }
    painter.setClip(area);
}

void drawSidebar(Painter& painter, const std::vector<SidebarSlot>& slots) {
    if (!picturesLoaded()) return;
    for (const SidebarSlot& slot : slots) {
        painter.drawPicture(picture(slot.picture), slot.x, slot.y);
    }
}

// While the loader fills the store, a centred notice with a spinner that turns with every
// repaint of the load loop.
void drawLoadDisplay(View& view, Painter& painter, const Font& font, int64_t nowMs) {
    static constexpr char kSpinner[] = "\\|/-";
    const char spinner[2] = {kSpinner[(nowMs / 250) % 4], '\0'};
    const char* lines[] = {"loading ...", spinner, "Click button or press Escape to stop"};
    const int height = font.metrics().height;
    int y = std::max(view.clientHeight / 2 - 2 * height, 0);
    painter.setFont(font);
    for (const char* line : lines) {
        const int x = std::max((view.clientWidth - font.textWidth(line)) / 2, 0);
        painter.drawText(x, y, line, kBlack, kWhite);
        y += height;
    }
}

}  // namespace

void paintView(View& view, Painter& painter, const Rect& dirty) {
    ScreenFonts& fonts = screenFonts();
    if (!fonts.main) {
        logMessage("device context failure, no drawing");
        return;
    }
    const ColourTables colours = colourTablesFor(view.search.hitCount);
    RowPaint paint;
    paint.colours = &colours;
    paint.font = fonts.main.get();
    paint.charWidth = std::max(view.charWidth, 1);
    paint.lineHeight = std::max(view.lineHeight, 1);
    paint.lineSpacing = fonts.lineSpacing;
    paint.editorActive = view.editor != nullptr;
    if (view.editor) {
        paint.cursorShown = editCursorShown(view, tickMs());
        paint.insertMode = !view.editor->overwrite;
    }
    paint.verticalCursor = view.display.verticalCursor;

    const int width = std::max(view.clientWidth, 1);
    const int height = std::max(view.clientHeight, 1);
    const Rect area = dirty.empty() ? Rect{0, 0, width, height} : dirty;
    painter.setClip(area);
    painter.setFont(*fonts.main);

    if (!view.rowCache) view.rowCache = std::make_shared<RowCache>();
    RowCache& cache = *view.rowCache;
    const int strips = std::min(view.rows + 4, kCacheStrips);
    // Cached rows carry their white ground: over a background picture every row is drawn.
    const Picture* backdrop = backgroundFor(width, height, backgroundShade());
    paint.overPicture = backdrop != nullptr;
    const bool cached =
        !backdrop && cache.configure(width, strips * paint.lineHeight, paint.lineHeight) == 0;
    auto fillGround = [&](const Rect& box) {
        if (!backdrop) painter.fillRect(box, kWhite);
    };
    if (backdrop) painter.drawPicture(*backdrop, 0, 0);

    const int rows = std::clamp(view.rows, 0, kScreenRows);
    const int lh = paint.lineHeight;
    // Rows that come from the cache are copied whole over their strip; only the other rows
    // and the space below the last row need the white ground (filling the whole window first
    // took a fifth of a full repaint). A run of drawn rows is filled in one go before any of
    // them is drawn, so that with overlapping rows no row erases its neighbour.
    // The row with the editor's cursor changes with the blink phase, which the cache does
    // not see in the row's text and attributes: it is drawn anew.
    const auto fromCache = [&](int row) {
        return cached && view.screen.rowLine[static_cast<size_t>(row)] >= 0 &&
               !(paint.editorActive && std::strpbrk(view.screen.rowAttr(row), "eE"));
    };
    if (rows * lh < area.bottom()) {
        const int top = std::max(area.y, rows * lh);
        fillGround({area.x, top, area.width, area.bottom() - top});
    }
    int filledTo = 0;
    for (int row = 0; row < rows; ++row) {
        const int y = row * lh;
        if (y + lh <= area.y || y >= area.bottom()) continue;
        if (row >= filledTo && !fromCache(row)) {
            filledTo = row + 1;
            while (filledTo < rows && filledTo * lh < area.bottom() && !fromCache(filledTo)) {
                ++filledTo;
            }
            fillGround({area.x, y, area.width, filledTo * lh - y});
        }
        const auto r = static_cast<size_t>(row);
        const int rowType = view.screen.flags[r];
        const int line = view.screen.rowLine[r];
        paint.currentRow = line >= 0 && line == view.search.currentLine;
        paint.maskStart = view.screen.maskStart[r];
        paint.maskEnd = view.screen.maskEnd[r];
        const char* text = view.screen.rowText(row);
        const char* attr = view.screen.rowAttr(row);
        if (fromCache(row)) {
            cache.paintRow(painter, paint, line, 0, y, width, text, attr, rowType);
        } else {
            drawRow(painter, paint, 0, y, width, text, attr, rowType);
        }
    }
    if (cached) cache.flush(painter);
    const ScreenOverlay overlay = layoutScreenOverlay(view, mainFontMeasure());
    drawHelpPictures(painter, overlay.helpPictures, area);
    drawBubble(painter, overlay.bubble, *fonts.main);
    drawScrollBar(painter, overlay.scrollBar);
    if (fonts.small) drawBookmarkPanel(painter, overlay.bookmarks, *fonts.small);

    const int64_t now = tickMs();
    if (fonts.small) drawLogOverlayIn(view, painter, *fonts.small, now, area);
    drawControlButtons(painter, overlay.controlButtons, *fonts.main);
    drawSidebar(painter, overlay.sidebar);
    if (view.textStore().loadRunning.load()) drawLoadDisplay(view, painter, *fonts.main, now);
    painter.resetClip();
}

}  // namespace tessel
