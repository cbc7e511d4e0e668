#include "view/row_cache.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tessel {
namespace {

constexpr int kLine = 10;

TEST(RowCacheSlots, CountFollowsTheBitmapAndIsCappedWhenFull) {
    testing::LogCapture log;
    EXPECT_EQ(cacheSlotCount(100 * kLine, kLine), 98);
    EXPECT_EQ(cacheSlotCount(201 * kLine, kLine), 199);
    EXPECT_FALSE(log.contains("drawcache.full"));
    EXPECT_EQ(cacheSlotCount(250 * kLine, kLine), kCacheSlotsWhenFull);
    EXPECT_TRUE(log.contains("[note] drawcache.full: 248/200"));
    EXPECT_EQ(cacheSlotCount(kLine, kLine), 0);
    EXPECT_EQ(cacheSlotCount(100, 0), 0);
    EXPECT_EQ(cacheSlotCount(-5, kLine), 0);
}

class RowCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(cache.configure(200, 12 * kLine, kLine), 0);
        ASSERT_EQ(cache.slotCount(), 10);
    }
    // Looks a row up and, on a miss, records it as drawn (what paintRow does).
    RowCache::Lookup use(int line, const char* text, const char* attr = "", int width = 100) {
        auto target = Bitmap::create(200, kLine);
        auto painter = target->beginPaint();
        RowCache::Lookup found = cache.lookup(line, width, text, attr);
        // A miss is drawn and stored the way a paint does it.
        if (!found.hit) cache.paintRow(*painter, paint, line, 0, 0, width, text, attr, 0);
        cache.flush(*painter);
        return found;
    }

    ColourTables tables = makeColourTables({}, false);
    RowPaint paint{&tables};
    RowCache cache;
};

TEST_F(RowCacheTest, DirectModeKeepsALineInItsSlotUntilItsRowChanges) {
    RowCache::Lookup first = use(23, "abc");
    EXPECT_EQ(first.slot, 3);
    EXPECT_FALSE(first.hit);
    EXPECT_TRUE(use(23, "abc").hit);
    EXPECT_FALSE(use(23, "abd").hit);            // other text
    EXPECT_FALSE(use(23, "abd", "x").hit);       // other attributes
    EXPECT_FALSE(use(23, "abd", "x", 150).hit);  // wider than drawn
    EXPECT_TRUE(use(23, "abd", "x", 120).hit);   // narrower is fine
    // Another line with the same slot replaces it; the first one is then drawn again.
    EXPECT_FALSE(use(13, "abd", "x").hit);
    EXPECT_FALSE(use(23, "abd", "x").hit);
    EXPECT_EQ(use(-7, "neg").slot, 3);
    cache.clear();
    EXPECT_FALSE(use(-7, "neg").hit);
}

TEST_F(RowCacheTest, SearchModeFindsLinesAnywhereAndReplacesTheLeastRecentlyUsed) {
    cache.mode = RowCache::Mode::kSearch;
    for (int line = 100; line < 110; ++line) EXPECT_FALSE(use(line, "row").hit);
    for (int line = 101; line < 110; ++line) EXPECT_TRUE(use(line, "row").hit);
    const RowCache::Lookup fresh = use(500, "new");
    EXPECT_FALSE(fresh.hit);
    EXPECT_EQ(fresh.slot, 0);  // line 100 was used longest ago
    EXPECT_FALSE(use(100, "row").hit);
    EXPECT_TRUE(use(500, "new").hit);
}

TEST_F(RowCacheTest, MoreRowsThanSlotsStillShowEveryRow) {
    // Three slots for six rows: every strip is reused within the same paint, so a strip must
    // be copied out before it is drawn over.
    ASSERT_EQ(cache.configure(100, 5 * kLine, kLine), 0);
    ASSERT_EQ(cache.slotCount(), 3);
    auto target = Bitmap::create(100, 6 * kLine);
    {
        auto painter = target->beginPaint();
        for (int row = 0; row < 6; ++row) {
            const char attr[] = {static_cast<char>(16 + row), 0};
            cache.paintRow(*painter, paint, row, 0, row * kLine, 100, " ", attr, 0);
        }
        cache.flush(*painter);
    }
    const Color expected[] = {rgb(0xFF0000), rgb(0x00CC00), rgb(0x0000FF),
                              rgb(0xBBBB00), rgb(0x00CCCC), rgb(0xEE00EE)};
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(target->pixel(2, row * kLine + kLine / 2), expected[row]);
        EXPECT_EQ(target->pixel(90, row * kLine + kLine / 2), rgb(0xFFFFFF));
    }
}

TEST(RowCacheFailure, AMissingBitmapIsReportedOnceAndRowsAreDrawnDirectly) {
    testing::LogCapture log;
    RowCache cache;
    EXPECT_EQ(cache.configure(0, 50, kLine), 9);
    EXPECT_TRUE(log.contains("cannot create display cache (0,50)"));
    log.clear();
    EXPECT_EQ(cache.configure(0, 50, kLine), 9);
    EXPECT_FALSE(log.contains("cannot create display cache"));
    EXPECT_EQ(cache.lookup(1, 10, "a", "").slot, -1);

    ColourTables tables = makeColourTables({}, false);
    RowPaint paint{&tables};
    auto target = Bitmap::create(40, kLine);
    {
        auto painter = target->beginPaint();
        painter->fillRect({0, 0, 40, kLine}, rgb(0x808080));
        cache.paintRow(*painter, paint, 1, 0, 0, 40, " ", "\x10", 0);
        cache.flush(*painter);
    }
    EXPECT_EQ(target->pixel(2, 2), rgb(0xFF0000));
    EXPECT_EQ(target->pixel(30, 2), rgb(0xFFFFFF));
}

}  // namespace
}  // namespace tessel
