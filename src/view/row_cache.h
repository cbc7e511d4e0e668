// Drawn rows kept in an off-screen bitmap, one strip per slot, so that a repaint copies rows
// that did not change instead of drawing their text again. A slot remembers the line it shows
// and the exact text and attributes it was drawn from; anything else is a miss and is drawn.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/painter.h"
#include "view/row_painter.h"

namespace tessel {

inline constexpr int kMaxCacheSlots = 200;
inline constexpr int kCacheSlotsWhenFull = 190;
inline constexpr int kCacheStringBytes = 810;
// UTF-8 text rows take up to four bytes a cell.
inline constexpr int kCacheTextBytes = 4 * kCacheStringBytes;

// Slots for a bitmap of `bitmapHeight` pixels: one strip per line height, less two. A count
// that reaches the maximum is reported and cut back.
int cacheSlotCount(int bitmapHeight, int lineHeight);

class RowCache {
  public:
    enum class Mode {
        kDirect,  // the slot of a line is fixed (line modulo slot count)
        kSearch,  // any slot may hold any line; the least recently used one is replaced
    };

    // Creates (or keeps) the bitmap for rows of `width` pixels and the given line height.
    // 0 ready, 9 no bitmap (reported; the caller draws without the cache).
    int configure(int width, int bitmapHeight, int lineHeight);
    int slotCount() const { return static_cast<int>(slots_.size()); }
    void clear();

    // Draws a row through the cache onto `target` at (x, y). Copies are collected and made by
    // flush(); call it once after the last row of a paint.
    void paintRow(Painter& target, const RowPaint& paint, int line, int x, int y, int width,
                  const char* text, const char* attr, int rowType);
    void flush(Painter& target);

    // Where a row is kept: the slot, and whether it was drawn already (for tests and traces).
    struct Lookup {
        int slot = -1;
        bool hit = false;
    };
    Lookup lookup(int line, int width, const char* text, const char* attr);

    Mode mode = Mode::kDirect;
    // Statistics of the last paints, for the trace line and the tests.
    int hits = 0;
    int misses = 0;
    int copies = 0;

  private:
    struct Slot {
        int line = -1;
        uint64_t lastUse = 0;
        int drawnWidth = 0;
        bool valid = false;
        bool pending = false;
        std::array<char, kCacheTextBytes> text{};
        std::array<char, kCacheStringBytes> attr{};
    };
    struct Copy {
        int slot = 0;
        int x = 0;
        int y = 0;
        int width = 0;
        int rows = 1;
    };

    bool matches(const Slot& slot, int line, int width, const char* text, const char* attr) const;
    int slotFor(int line) const;
    void store(Slot& slot, int line, const char* text, const char* attr);

    std::unique_ptr<Bitmap> bitmap_;
    std::unique_ptr<Painter> bitmapPainter_;
    std::vector<Slot> slots_;
    std::vector<Copy> pendingCopies_;
    int width_ = 0;
    int lineHeight_ = 0;
    int failedHeight_ = 0;
    uint64_t clock_ = 0;
};

}  // namespace tessel
