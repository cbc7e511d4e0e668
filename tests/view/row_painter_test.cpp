#include "view/row_painter.h"

#include <gtest/gtest.h>

#include <string>

#include "config/app_settings.h"
#include "config/qv_config.h"
#include "platform/platform.h"
#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "text/text_store.h"
#include "base/log/message_log.h"
#include "view/row_cache.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace tessel {
namespace {

// Fonts and bitmaps need the platform; the fonts must be gone before it stops.
class PaintEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        PlatformOptions options;
        options.offscreen = true;
        options.nonInteractive = true;
        ASSERT_EQ(platformInit(options), 0);
    }
    void TearDown() override {
        releaseScreenFonts();
        platformShutdown();
    }
};
const ::testing::Environment* const kPaintEnvironment =
    ::testing::AddGlobalTestEnvironment(new PaintEnvironment);

constexpr Color kWhite = rgb(0xFFFFFF);
constexpr Color kGrey = rgb(0x808080);

TEST(ColourTables, TextAndBackgroundByAttribute) {
    std::array<uint32_t, 11> syntax{};
    for (uint32_t i = 1; i <= 10; ++i) syntax[i] = 0x010101 * i;
    const ColourTables tables = makeColourTables(syntax, false);
    Color bg;
    EXPECT_EQ(tables.textOf(' '), rgb(0x000000));
    EXPECT_FALSE(tables.backgroundOf(' ', &bg));
    EXPECT_EQ(tables.textOf('\t'), rgb(0xCCCCCC));
    EXPECT_EQ(tables.textOf('s'), rgb(0x0000FF));
    EXPECT_TRUE(tables.backgroundOf('s', &bg));
    EXPECT_EQ(bg, rgb(0xFFFF50));
    EXPECT_EQ(tables.textOf('\x12'), rgb(0xFFFFFF));  // text on a strong background
    EXPECT_TRUE(tables.backgroundOf('\x12', &bg));
    EXPECT_EQ(bg, rgb(0x0000FF));
    // Syntax classes take the configured colours in their order.
    EXPECT_EQ(tables.textOf('i'), rgb(0x010101));
    EXPECT_EQ(tables.textOf('G'), rgb(0x080808));
    EXPECT_TRUE(tables.backgroundOf('\x1d', &bg));
    EXPECT_EQ(bg, rgb(0x0A0A0A));
    EXPECT_EQ(tables.textOf('x'), rgb(0xAA0000));
    EXPECT_TRUE(tables.backgroundOf('x', &bg));
    EXPECT_EQ(bg, rgb(0xFFFFA0));

    const ColourTables single = makeColourTables(syntax, true);
    EXPECT_EQ(single.textOf('x'), rgb(0x900000));
    EXPECT_TRUE(single.backgroundOf('x', &bg));
    EXPECT_EQ(bg, rgb(0xFFE090));

    // Stored colours are blue-green-red; the single-hit colour needs the setting.
    appSettings().colors[1] = 0x0000FF;
    appSettings().extraHighlightSingleHit = true;
    EXPECT_EQ(colourTablesFor(1).textOf('i'), rgb(0xFF0000));
    EXPECT_EQ(colourTablesFor(2).textOf('x'), rgb(0xAA0000));
    appSettings().extraHighlightSingleHit = false;
    EXPECT_EQ(colourTablesFor(1).textOf('x'), rgb(0xAA0000));
    resetAppSettings();
}

class RowPainterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FontRequest request;
        request.name = "Courier New";
        request.width = 8;
        request.height = 16;
        request.fixedPitch = true;
        font = Font::create(request);
        paint.colours = &tables;
        paint.font = font.get();
        paint.charWidth = font->metrics().charWidth;
        paint.lineHeight = font->metrics().height;
        bitmap = Bitmap::create(400, 3 * paint.lineHeight);
        ASSERT_NE(bitmap, nullptr);
    }

    // Draws one row on a grey bitmap, so unpainted cells stay grey.
    int draw(const char* text, const char* attr, int rowType = kRowText, int y = 0) {
        auto painter = bitmap->beginPaint();
        painter->fillRect({0, 0, bitmap->width(), bitmap->height()}, kGrey);
        painter->setFont(*font);
        return drawRow(*painter, paint, 0, y, 400, text, attr, rowType);
    }
    Color cell(int column, int dy = 1, int dx = 1) const {
        return bitmap->pixel(column * paint.charWidth + dx, dy);
    }
    bool cellHas(int column, Color colour) const {
        for (int y = 0; y < paint.lineHeight; ++y) {
            for (int x = 0; x < paint.charWidth; ++x) {
                if (bitmap->pixel(column * paint.charWidth + x, y) == colour) return true;
            }
        }
        return false;
    }

    ColourTables tables = makeColourTables({}, false);
    std::unique_ptr<Font> font;
    RowPaint paint;
    std::unique_ptr<Bitmap> bitmap;
};

TEST_F(RowPainterTest, BlankRunsStayUnpaintedAndTextGetsItsColours) {
    EXPECT_EQ(draw("ab c    de", "          "), 10 * paint.charWidth);
    EXPECT_EQ(cell(0, 0, 0), kWhite);  // text is drawn opaque on white
    EXPECT_EQ(cell(2, 0, 0), kWhite);  // one blank between words stays in the run
    EXPECT_EQ(cell(5, 0, 0), kGrey);   // a longer stretch is left alone
    EXPECT_EQ(cell(6, 0, 0), kGrey);

    draw("   hit   ", "   xxx   ");
    EXPECT_EQ(cell(0, 0, 0), kGrey);
    EXPECT_EQ(cell(3, 0, 0), rgb(0xFFFFA0));
    EXPECT_TRUE(cellHas(4, rgb(0xAA0000)));
    EXPECT_EQ(cell(7, 0, 0), kGrey);

    // A coloured blank is painted; a missing attribute counts as blank.
    draw("a    ", "  \x10");
    EXPECT_EQ(cell(2, 0, 0), rgb(0xFF0000));
    EXPECT_EQ(cell(4, 0, 0), kGrey);
}

TEST_F(RowPainterTest, StatusAndContextRowsKeepTheirBackgroundToTheMask) {
    // Selection attributes inside and outside the mask of a find row.
    draw("find: >ab<  x", "sssssssssssss", kRowFind);
    paint.maskStart = 7;
    paint.maskEnd = 9;
    draw("find: >ab<  x", "sssssssssssss", kRowFind);
    EXPECT_EQ(cell(7, 0, 0), rgb(0xFFFF50));
    EXPECT_EQ(cell(0, 0, 0), kWhite);
    EXPECT_EQ(cell(11, 0, 0), kGrey);
    EXPECT_TRUE(cellHas(12, rgb(0x0000FF)));  // text colours still apply there
    draw("context", "sssssss", kRowContext);
    EXPECT_EQ(cell(1, 0, 0), kWhite);
}

TEST_F(RowPainterTest, NegativeSpacingCursorAndUnderlines) {
    paint.lineSpacing = -2;
    draw("  ", "==");
    EXPECT_EQ(cell(0, 1, 1), kGrey);
    EXPECT_EQ(cell(0, 2, 1), rgb(0xFF9999));
    paint.lineSpacing = 0;

    draw("abc", " e ");
    const int bottom = paint.lineHeight - 1;
    EXPECT_EQ(bitmap->pixel(paint.charWidth + 2, bottom), rgb(0xF09000));
    EXPECT_NE(bitmap->pixel(paint.charWidth + 2, 1), rgb(0xF09000));
    paint.verticalCursor = true;
    draw("abc", " e ");
    EXPECT_EQ(bitmap->pixel(paint.charWidth, 1), rgb(0xF09000));
    paint.verticalCursor = false;

    draw("link", "llll");
    EXPECT_EQ(bitmap->pixel(2, bottom), rgb(0x0000FF));
    draw("context", "HHHHHHH", kRowBlockContext);
    EXPECT_EQ(bitmap->pixel(2, bottom), rgb(0xBBBBBB));
    paint.currentRow = true;
    draw("context", "HHHHHHH", kRowBlockContext);
    EXPECT_NE(bitmap->pixel(2, bottom), rgb(0xBBBBBB));
}

TEST_F(RowPainterTest, OverlongRowsAreRefused) {
    testing::LogCapture log;
    const std::string tooLong(801, 'a');
    EXPECT_EQ(draw(tooLong.c_str(), ""), 0);
    EXPECT_TRUE(log.contains("int. #2191101"));
    EXPECT_EQ(cell(0, 0, 0), kGrey);
    // Rows are cut to the width they are given.
    auto painter = bitmap->beginPaint();
    EXPECT_EQ(drawRow(*painter, paint, 0, 0, 3 * paint.charWidth, "abcdef", "", kRowText),
              3 * paint.charWidth);
}

// A whole view over a small store, its screen built with "hit" as the find mask, and
// painted through its row cache.
class PaintViewTest : public RowPainterTest {
  protected:
    void SetUp() override {
        RowPainterTest::SetUp();
        codePageTables().init(1252);
        config().setInt("assist", 0);
    }
    void TearDown() override { config().setInt("assist", 1); }

    void buildView(std::initializer_list<const char*> lines, int width, int height,
                   int64_t hitCount) {
        for (const char* line : lines) ASSERT_EQ(store.addLine(line, true), 0);
        ASSERT_EQ(store.finish(), 0);
        view.search.textStorePtr = &store;
        view.clientWidth = width;
        view.clientHeight = height;
        ASSERT_EQ(measureFont(view), 0);
        view.search.setFindMask("hit");
        view.search.compileSearch(false);
        view.search.hitCount = hitCount;
        ASSERT_EQ(buildScreen(view), 0);
    }

    TextStore store;
    View view;
};

TEST_F(PaintViewTest, DrawsTheBuiltRowsThroughTheCache) {
    ASSERT_NO_FATAL_FAILURE(buildView({"first line\n", "second hit\n", "third\n"}, 300, 200, 1));
    EXPECT_GT(view.rows, 4);
    EXPECT_EQ(view.columns, 300 / view.charWidth);

    auto target = Bitmap::create(view.clientWidth, view.clientHeight);
    ASSERT_NE(target, nullptr);
    auto paintOnce = [&] {
        auto painter = target->beginPaint();
        painter->fillRect({0, 0, target->width(), target->height()}, kGrey);
        paintView(view, *painter, {});
    };
    paintOnce();
    ASSERT_NE(view.rowCache, nullptr);
    const int lh = view.lineHeight;
    const int cw = view.charWidth;
    // "hit" in row 1, in the darker colour of a single hit.
    EXPECT_EQ(target->pixel(7 * cw + 1, lh + 1), rgb(0xFFE090));
    EXPECT_EQ(target->pixel(1, 1), kWhite);
    EXPECT_EQ(target->pixel(target->width() - 1, target->height() - 1), kWhite);
    EXPECT_EQ(view.rowCache->misses, 3);
    // The second paint copies all three text rows from the cache in one piece.
    view.rowCache->copies = 0;
    paintOnce();
    EXPECT_EQ(view.rowCache->hits, 3);
    EXPECT_EQ(view.rowCache->copies, 1);
    EXPECT_EQ(target->pixel(7 * cw + 1, lh + 1), rgb(0xFFE090));

    // A fresh error shows in red in the overlay's base line at the right.
    logMessage("[error] overlay check");
    paintOnce();
    const int base = (view.rows - 3) * lh - 15;
    int red = 0;
    for (int y = base; y < base + lh && y < target->height(); ++y) {
        for (int x = target->width() / 2; x < target->width() - 40; ++x) {
            const Color c = target->pixel(x, y);
            red += c.r > 200 && c.g < 90 && c.b < 90;
        }
    }
    EXPECT_GT(red, 5);

    // The load notice lands on rows that are otherwise empty (no overlay messages either).
    messageLog().clear();
    paintOnce();
    auto darkInMiddle = [&] {
        int dark = 0;
        for (int y = 4 * lh; y < 7 * lh; ++y) {
            for (int x = 0; x < target->width(); ++x) dark += target->pixel(x, y).r < 90;
        }
        return dark;
    };
    EXPECT_EQ(darkInMiddle(), 0);
    store.loadRunning = true;
    paintOnce();
    store.loadRunning = false;
    EXPECT_GT(darkInMiddle(), 20);
}

// The white ground is laid only where no cached row is copied over it: whatever the window
// held before must be gone everywhere in the repainted area (rows from the cache, empty and
// status rows, the space below the last row) and stay untouched outside it.
TEST_F(PaintViewTest, CoversEveryPixelOfTheDirtyArea) {
    ASSERT_NO_FATAL_FAILURE(buildView({"one hit\n", "\n", "two    hit\n"}, 240, 150, 2));
    ASSERT_GT(view.clientHeight % view.lineHeight, 0) << "no space below the last row";

    constexpr Color kStale = rgb(0x123456);
    auto target = Bitmap::create(view.clientWidth, view.clientHeight);
    ASSERT_NE(target, nullptr);
    auto stalePixels = [&](const Rect& box) {
        int count = 0;
        for (int y = box.y; y < box.bottom(); ++y) {
            for (int x = box.x; x < box.x + box.width; ++x) count += target->pixel(x, y) == kStale;
        }
        return count;
    };
    auto paintOver = [&](const Rect& dirty) {
        auto painter = target->beginPaint();
        painter->fillRect({0, 0, target->width(), target->height()}, kStale);
        paintView(view, *painter, dirty);
    };
    const Rect whole{0, 0, view.clientWidth, view.clientHeight};
    // The first paint draws every row, the second copies the text rows from the cache.
    for (int pass = 0; pass < 2; ++pass) {
        paintOver({});
        EXPECT_EQ(stalePixels(whole), 0) << "pass " << pass;
    }
    EXPECT_GT(view.rowCache->hits, 0);

    // A dirty strip across a cached row, an empty row and part of the next: painted whole
    // inside, nothing outside.
    const int lh = view.lineHeight;
    const Rect strip{10, lh / 2, 100, 2 * lh};
    paintOver(strip);
    EXPECT_EQ(stalePixels(strip), 0);
    EXPECT_EQ(stalePixels({0, 0, view.clientWidth, lh / 2}), view.clientWidth * (lh / 2));
    EXPECT_EQ(stalePixels({strip.x + strip.width, 0, 20, view.clientHeight}),
              20 * view.clientHeight);
}

}  // namespace
}  // namespace tessel
