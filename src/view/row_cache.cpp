#include "view/row_cache.h"

#include <algorithm>
#include <cstring>

#include "base/log/message_log.h"

namespace tessel {
namespace {

constexpr Color kWhite = rgb(0xFFFFFF);

template <size_t kBytes>
bool sameString(const std::array<char, kBytes>& stored, const char* text) {
    const size_t length = strnlen(text, kBytes - 1);
    return std::memcmp(stored.data(), text, length) == 0 && stored[length] == '\0';
}

template <size_t kBytes>
void copyString(std::array<char, kBytes>& stored, const char* text) {
    const size_t length = strnlen(text, kBytes - 1);
    std::memcpy(stored.data(), text, length);
    stored[length] = '\0';
}

}  // namespace

int cacheSlotCount(int bitmapHeight, int lineHeight) {
    if (bitmapHeight <= 0 || lineHeight <= 0) return 0;
    int count = bitmapHeight / lineHeight - 2;
    if (count >= kMaxCacheSlots) {
        logMessage("[note] drawcache.full: %d/%d", count, kMaxCacheSlots);
        count = kCacheSlotsWhenFull;
    }
    return std::max(count, 0);
}

int RowCache::configure(int width, int bitmapHeight, int lineHeight) {
    const bool sameShape = width == width_ && lineHeight == lineHeight_;
    if (sameShape && bitmap_ && bitmap_->height() == bitmapHeight) return 0;
    // A size that failed before is not retried (and not reported again) on every paint.
    if (sameShape && !bitmap_ && failedHeight_ == bitmapHeight) return 9;
    bitmapPainter_.reset();
    pendingCopies_.clear();
    width_ = width;
    lineHeight_ = lineHeight;
    failedHeight_ = 0;
    bitmap_ = Bitmap::create(width, bitmapHeight);
    const int count = bitmap_ ? cacheSlotCount(bitmapHeight, lineHeight) : 0;
    if (!bitmap_ || count <= 0) {
        logMessage("cannot create display cache (%d,%d)", width, bitmapHeight);
        bitmap_.reset();
        slots_.clear();
        failedHeight_ = bitmapHeight;
        return 9;
    }
    // The new bitmap holds no rows, whatever the slot count.
    slots_.assign(static_cast<size_t>(count), Slot{});
    return 0;
}

void RowCache::clear() {
    bitmapPainter_.reset();
    pendingCopies_.clear();
    for (Slot& slot : slots_) slot = Slot{};
}

bool RowCache::matches(const Slot& slot, int line, int width, const char* text,
                       const char* attr) const {
    return slot.valid && slot.line == line && slot.drawnWidth >= width &&
           sameString(slot.text, text) && sameString(slot.attr, attr);
}

int RowCache::slotFor(int line) const {
    const int count = slotCount();
    return ((line % count) + count) % count;
}

RowCache::Lookup RowCache::lookup(int line, int width, const char* text, const char* attr) {
    Lookup result;
    if (slots_.empty()) return result;
    ++clock_;
    if (mode == Mode::kDirect) {
        result.slot = slotFor(line);
        result.hit = matches(slots_[static_cast<size_t>(result.slot)], line, width, text, attr);
    } else {
        int free = -1;
        int oldest = -1;
        for (int i = 0; i < slotCount(); ++i) {
            const Slot& slot = slots_[static_cast<size_t>(i)];
            if (slot.valid && slot.line == line) {
                result.slot = i;
                result.hit = matches(slot, line, width, text, attr);
                break;
            }
            if (!slot.valid) {
                if (free < 0) free = i;
            } else if (!slot.pending &&
                       (oldest < 0 || slot.lastUse < slots_[static_cast<size_t>(oldest)].lastUse)) {
                oldest = i;
            }
        }
        if (result.slot < 0) result.slot = free >= 0 ? free : oldest >= 0 ? oldest : 0;
    }
    Slot& slot = slots_[static_cast<size_t>(result.slot)];
    slot.lastUse = clock_;
    if (!result.hit) {
        slot.line = line;
        slot.valid = false;
    }
    return result;
}

void RowCache::store(Slot& slot, int line, const char* text, const char* attr) {
    slot.line = line;
    copyString(slot.text, text);
    copyString(slot.attr, attr);
    slot.valid = true;
}

void RowCache::paintRow(Painter& target, const RowPaint& paint, int line, int x, int y, int width,
                        const char* text, const char* attr, int rowType) {
    if (!bitmap_ || slots_.empty() || width > width_ || width <= 0) {
        target.fillRect({x, y, width, paint.lineHeight}, kWhite);
        drawRow(target, paint, x, y, width, text, attr, rowType);
        return;
    }
    const Lookup found = lookup(line, width, text, attr);
    Slot& slot = slots_[static_cast<size_t>(found.slot)];
    const int stripY = found.slot * lineHeight_;
    if (found.hit) {
        ++hits;
    } else {
        ++misses;
        // The strip may still be waiting to be copied for an earlier row of this paint.
        if (slot.pending) flush(target);
        if (!bitmapPainter_) {
            bitmapPainter_ = bitmap_->beginPaint();
            if (paint.font) bitmapPainter_->setFont(*paint.font);
        }
        const Rect strip{0, stripY, width_, lineHeight_};
        bitmapPainter_->fillRect(strip, kWhite);
        bitmapPainter_->setClip(strip);
        drawRow(*bitmapPainter_, paint, 0, stripY, width, text, attr, rowType);
        bitmapPainter_->resetClip();
        store(slot, line, text, attr);
        slot.drawnWidth = width;
    }
    slot.pending = true;
    if (!pendingCopies_.empty() && mode == Mode::kDirect) {
        Copy& last = pendingCopies_.back();
        if (last.x == x && last.width == width && last.slot + last.rows == found.slot &&
            last.y + last.rows * lineHeight_ == y) {
            ++last.rows;
            return;
        }
    }
    pendingCopies_.push_back({found.slot, x, y, width, 1});
}

void RowCache::flush(Painter& target) {
    // The bitmap's painting is complete only once its painter is gone.
    bitmapPainter_.reset();
    if (!bitmap_) return;
    for (const Copy& copy : pendingCopies_) {
        target.blit(*bitmap_, {0, copy.slot * lineHeight_, copy.width, copy.rows * lineHeight_},
                    copy.x, copy.y);
        ++copies;
    }
    pendingCopies_.clear();
    for (Slot& slot : slots_) slot.pending = false;
}

}  // namespace tessel
