// The monitor table as plain data. The platform layer fills it from the screens at start-up;
// the frame reads it to choose the work area an area or space refers to. Tests fill it by hand.
#pragma once

#include <array>
#include <cstdint>

namespace tessel {

// A pixel rectangle. Edges are computed in 64 bits so that rectangles from a hostile
// configuration cannot overflow when they are compared.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int64_t right() const { return int64_t{x} + width; }
    int64_t bottom() const { return int64_t{y} + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(const Rect& other) const;
    bool intersects(const Rect& other) const;
};

inline constexpr int kMaxMonitors = 20;

struct Monitor {
    Rect full;
    Rect work;
};

struct MonitorTable {
    std::array<Monitor, kMaxMonitors> monitors{};
    int count = 0;
    int virtualWidth = 0;
    int virtualHeight = 0;
    int largestWidth = 0;
    int largestHeight = 0;
    // Stand-ins when enumeration yields nothing: the desktop window and the system work area.
    Rect desktop;
    Rect systemWorkArea;

    void clear();
    // 0 stored, 1 when the table is full (further monitors are not used).
    int add(const Rect& full, const Rect& work);
    // After enumeration: the fallbacks for an empty table and a zero virtual size, the largest
    // monitor size, and in trace mode the table in the log.
    void finish();
    // Null for a number outside the table.
    const Monitor* at(int index) const;
    // Index of the first monitor whose full rectangle contains rect, -1 when none does.
    int containing(const Rect& rect) const;
};

// The process-wide table.
MonitorTable& monitorTable();

}  // namespace tessel
