#include "view/monitors.h"

#include <algorithm>

#include "base/log/message_log.h"

namespace tessel {

bool FrameRect::contains(const FrameRect& other) const {
    return other.x >= x && other.y >= y && other.right() <= right() && other.bottom() <= bottom();
}

bool FrameRect::intersects(const FrameRect& other) const {
    if (empty() || other.empty()) return false;
    return other.x < right() && x < other.right() && other.y < bottom() && y < other.bottom();
}

void MonitorTable::clear() {
    *this = MonitorTable{};
}

int MonitorTable::add(const FrameRect& full, const FrameRect& work) {
    if (count >= kMaxMonitors) return 1;
    monitors[static_cast<size_t>(count)] = MonitorArea{full, work};
    ++count;
    return 0;
}

void MonitorTable::finish() {
    if (count == 0) {
        FrameRect work = systemWorkArea.empty() ? desktop : systemWorkArea;
        add(desktop, work);
    }
    if (virtualWidth <= 0 || virtualHeight <= 0) {
        virtualWidth = monitors[0].full.width;
        virtualHeight = monitors[0].full.height;
    }
    largestWidth = 0;
    largestHeight = 0;
    for (int i = 0; i < count; ++i) {
        const FrameRect& full = monitors[static_cast<size_t>(i)].full;
        largestWidth = std::max(largestWidth, full.width);
        largestHeight = std::max(largestHeight, full.height);
    }
    if (!traceMode()) return;
    for (int i = 0; i < count; ++i) {
        const FrameRect& full = monitors[static_cast<size_t>(i)].full;
        logMessage("[blue] monitor %d: %d %d %dx%d", i + 1, full.x, full.y, full.width,
                   full.height);
    }
    logMessage("[blue] virtual desktop size: %dx%d", virtualWidth, virtualHeight);
}

const MonitorArea* MonitorTable::at(int index) const {
    if (index < 0 || index >= count) return nullptr;
    return &monitors[static_cast<size_t>(index)];
}

int MonitorTable::containing(const FrameRect& rect) const {
    for (int i = 0; i < count; ++i) {
        if (monitors[static_cast<size_t>(i)].full.contains(rect)) return i;
    }
    return -1;
}

MonitorTable& monitorTable() {
    static MonitorTable table;
    return table;
}

}  // namespace tessel
