#include "platform/painter.h"

#include <gtest/gtest.h>

#include "platform/pictures.h"
#include "platform/platform.h"
#include "test_support.h"

namespace tessel {
namespace {

constexpr Color kWhite = rgb(0xFFFFFF);
constexpr Color kBlack = rgb(0x000000);

FontRequest mainFont(const char* name) {
    FontRequest request;
    request.name = name;
    request.width = 8;
    request.height = 16;
    request.weight = 400;
    request.fixedPitch = true;
    return request;
}

bool isDark(Color color) {
    return color.r < 100 && color.g < 100 && color.b < 100;
}

int darkPixels(const Bitmap& bitmap, const Rect& area) {
    int count = 0;
    for (int y = area.y; y < area.bottom(); ++y) {
        for (int x = area.x; x < area.right(); ++x) count += isDark(bitmap.pixel(x, y));
    }
    return count;
}

TEST(Fonts, ScreenFontNamesMapToAnInstalledFixedPitchFamilyWithTheRequestedCell) {
    for (const char* name : {"Courier New", "Fixedsys", "Consolas", "no such family"}) {
        SCOPED_TRACE(name);
        const auto font = Font::create(mainFont(name));
        EXPECT_TRUE(font->fixedPitch()) << font->family();
        const FontMetrics metrics = font->metrics();
        EXPECT_EQ(metrics.charWidth, 8);
        EXPECT_GE(metrics.height, 14);
        EXPECT_LE(metrics.height, 24);
        EXPECT_EQ(metrics.height, metrics.ascent + metrics.descent);
        EXPECT_EQ(font->textWidth("abcdefghij"), 80);
    }
    FontRequest small;
    small.name = "Arial";
    small.height = 10;
    const auto proportional = Font::create(small);
    EXPECT_FALSE(proportional->family().empty());
    EXPECT_GT(proportional->textWidth("WWWW"), proportional->textWidth("iiii"));
}

// Rows are painted run by run, each run at its cell; a long run must end exactly where the
// next one starts, whatever the font's own advance is (here: no cell width requested, odd
// pixel sizes with fractional advances).
TEST(Fonts, LongRunsEndOnTheCellWhereTheNextRunStarts) {
    for (int height : {13, 15, 17, 19}) {
        SCOPED_TRACE(height);
        FontRequest request = mainFont("Courier New");
        request.width = 0;
        request.height = height;
        const auto font = Font::create(request);
        const int cell = font->metrics().charWidth;
        const std::string text(60, 'm');
        EXPECT_EQ(font->textWidth(text), 60 * cell);

        auto whole = Bitmap::create(70 * cell, 30);
        auto split = Bitmap::create(70 * cell, 30);
        {
            auto painter = whole->beginPaint();
            painter->fillRect(Rect{0, 0, 70 * cell, 30}, kWhite);
            painter->setFont(*font);
            painter->drawText(0, 2, text + "X", kBlack);
        }
        {
            auto painter = split->beginPaint();
            painter->fillRect(Rect{0, 0, 70 * cell, 30}, kWhite);
            painter->setFont(*font);
            painter->drawText(0, 2, text, kBlack);
            painter->drawText(60 * cell, 2, "X", kBlack);
        }
        const Rect lastCell{60 * cell, 0, cell, 30};
        EXPECT_EQ(darkPixels(*whole, lastCell), darkPixels(*split, lastCell));
    }
}

TEST(Painting, TextRunsDrawGlyphsAndOnlyRequestedBackgrounds) {
    const auto font = Font::create(mainFont("Courier New"));
    const FontMetrics metrics = font->metrics();
    auto bitmap = Bitmap::create(400, 40);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pixel(5, 5), kWhite);
    {
        auto painter = bitmap->beginPaint();
        painter->setFont(*font);
        // Black text without background, then a blank run with a yellow background.
        EXPECT_EQ(painter->drawText(0, 0, "HHHH", kBlack), 4 * metrics.charWidth);
        EXPECT_EQ(painter->drawText(4 * metrics.charWidth, 0, "  ", kBlack, rgb(0xFFFFA0)),
                  2 * metrics.charWidth);
        painter->drawText(0, 20, "HHHH", rgb(0xAA0000), rgb(0x0000FF));
    }
    const int cell = metrics.charWidth;
    EXPECT_GT(darkPixels(*bitmap, {0, 0, 4 * cell, metrics.height}), 10);
    // Blank text with a background fills its cells and nothing beyond them.
    EXPECT_EQ(bitmap->pixel(4 * cell + 1, 1), rgb(0xFFFFA0));
    EXPECT_EQ(bitmap->pixel(6 * cell - 1, metrics.height - 1), rgb(0xFFFFA0));
    EXPECT_EQ(bitmap->pixel(6 * cell + 1, 1), kWhite);
    EXPECT_EQ(bitmap->pixel(4 * cell + 1, metrics.height + 1), kWhite);
    // No background was asked for the first run: the space between the glyphs stays white.
    EXPECT_EQ(bitmap->pixel(0, 0), kWhite);
    // Coloured text on a coloured background: both colours appear in the run.
    bool red = false;
    for (int x = 0; x < 4 * cell; ++x) {
        for (int y = 20; y < 20 + metrics.height; ++y) {
            const Color at = bitmap->pixel(x, y);
            red = red || (at.r > 120 && at.b < 80);
        }
    }
    EXPECT_TRUE(red);
    EXPECT_EQ(bitmap->pixel(0, 20), rgb(0x0000FF));
}

TEST(Painting, HighBytesAreDrawnInTheActiveCodePage) {
    const auto font = Font::create(mainFont("Courier New"));
    auto bitmap = Bitmap::create(100, 20);
    {
        auto painter = bitmap->beginPaint();
        painter->setFont(*font);
        // The euro sign of code page 1252; a byte cut off as a control character would
        // leave the cell empty.
        painter->drawText(0, 0, "\x80", kBlack);
    }
    EXPECT_GT(darkPixels(*bitmap, {0, 0, 8, 20}), 5);
}

TEST(Painting, RectanglesLinesPicturesAndBlits) {
    auto source = Bitmap::create(50, 50);
    {
        auto painter = source->beginPaint();
        painter->fillRect({10, 10, 10, 10}, rgb(0x00CC00));
        painter->drawLine(0, 30, 49, 30, rgb(0x0000FF));
        painter->setClip({0, 40, 5, 5});
        painter->fillRect({0, 40, 50, 10}, rgb(0xFF0000));
        painter->resetClip();
    }
    EXPECT_EQ(source->pixel(10, 10), rgb(0x00CC00));
    EXPECT_EQ(source->pixel(19, 19), rgb(0x00CC00));
    EXPECT_EQ(source->pixel(20, 20), kWhite);
    EXPECT_EQ(source->pixel(25, 30), rgb(0x0000FF));
    EXPECT_EQ(source->pixel(4, 44), rgb(0xFF0000));
    EXPECT_EQ(source->pixel(6, 44), kWhite) << "drawing leaked out of the clip";

    auto target = Bitmap::create(50, 50);
    ASSERT_EQ(loadPictures(), 0);
    {
        auto painter = target->beginPaint();
        painter->blit(*source, {10, 10, 10, 10}, 0, 0);
        painter->drawPicture(picture(kPictureLoad), 25, 25);
    }
    EXPECT_EQ(target->pixel(0, 0), rgb(0x00CC00));
    EXPECT_EQ(target->pixel(9, 9), rgb(0x00CC00));
    EXPECT_EQ(target->pixel(10, 10), kWhite);
    // The button's border is opaque grey-blue.
    EXPECT_EQ(target->pixel(25, 25), rgb(0x788296));
}

TEST(Bitmaps, InvalidSizesAreRefusedAndSavedFilesAreReadable) {
    testing::LogCapture log;
    EXPECT_EQ(Bitmap::create(0, 10), nullptr);
    EXPECT_EQ(Bitmap::create(10, -1), nullptr);
    EXPECT_TRUE(log.contains("cannot create bitmap"));

    testing::TempDir dir;
    auto bitmap = Bitmap::create(7, 5);
    {
        auto painter = bitmap->beginPaint();
        painter->fillRect({0, 0, 7, 5}, rgb(0x123456));
    }
    const std::string path = dir.path() + "/row.png";
    ASSERT_EQ(bitmap->savePng(path), 0);
    const std::string bytes = testing::readFile(path);
    Picture back;
    ASSERT_EQ(decodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, back), 0);
    EXPECT_EQ(back.width, 7);
    EXPECT_EQ(back.rgba[0], 0x12);
    EXPECT_EQ(back.rgba[2], 0x56);
    EXPECT_EQ(bitmap->savePng(dir.path() + "/missing/folder/row.png"), 9);
}

}  // namespace
}  // namespace tessel
