// Plain value types shared by the platform headers: rectangles, points and colours in
// device pixels, with no toolkit types leaking to the callers.
#pragma once

#include <cstdint>

namespace tessel {

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

struct Color {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;

    bool operator==(const Color&) const = default;
};

// Colours are written as 0xRRGGBB throughout the system.
constexpr Color rgb(uint32_t value) {
    return Color{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value)};
}

}  // namespace tessel
