// The monitor table as plain data. The platform layer fills it from the screens at start-up;
// the frame reads it to choose the work area an area or space refers to. Tests fill it by hand.
#pragma once

#include <array>
#include <cstdint>

namespace tessel {

// A pixel rectangle. Edges are computed in 64 bits so that rectangles from a hostile
// configuration cannot overflow when they are compared.
struct FrameRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int64_t right() const { return int64_t{x} + width; }
    int64_t bottom() const { return int64_t{y} + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(const FrameRect& other) const;
    bool intersects(const FrameRect& other) const;
};

inline constexpr int kMaxMonitors = 20;

struct MonitorArea {
    FrameRect full;
    FrameRect work;
};

struct MonitorTable {
    std::array<MonitorArea, kMaxMonitors> monitors{};
    int count = 0;
    int virtualWidth = 0;
    int virtualHeight = 0;
    int largestWidth = 0;
    int largestHeight = 0;
    // Stand-ins when enumeration yields nothing: the desktop window and the system work area.
    FrameRect desktop;
    FrameRect systemWorkArea;

    void clear();
    // 0 stored, 1 when the table is full (further monitors are not used).
    int add(const FrameRect& full, const FrameRect& work);
    // After enumeration: the fallbacks for an empty table and a zero virtual size, the largest
    // monitor size, and in trace mode the table in the log.
    void finish();
    // Null for a number outside the table.
    const MonitorArea* at(int index) const;
    // Index of the first monitor whose full rectangle contains rect, -1 when none does.
    int containing(const FrameRect& rect) const;
};

// The process-wide table.
MonitorTable& monitorTable();

}  // namespace tessel
