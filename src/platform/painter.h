// Drawing for the views: fonts with their metrics, text runs with foreground and background,
// rectangles, lines, pictures and off-screen bitmaps (the row cache draws rows into one and
// copies them to the window). Text is bytes in the active code page (see setCodePage).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace tessel {

struct Picture;

struct FontRequest {
    std::string name;  // a family name; missing families are mapped to installed ones
    int width = 0;     // average character width in pixels, 0 = the font's own
    int height = 12;   // character height in pixels
    int weight = 400;  // 100 .. 900, 400 normal, 700 bold
    bool fixedPitch = false;
};

struct FontMetrics {
    int charWidth = 0;  // average character width (the cell width of a fixed-pitch font)
    int height = 0;     // ascent + descent
    int ascent = 0;
    int descent = 0;
};

class Font {
  public:
    // Never fails: an unknown family falls back to an installed one.
    static std::unique_ptr<Font> create(const FontRequest& request);
    virtual ~Font() = default;

    virtual FontMetrics metrics() const = 0;
    // The family actually used after mapping the requested name.
    virtual std::string family() const = 0;
    virtual bool fixedPitch() const = 0;
    virtual int textWidth(std::string_view text) const = 0;
};

class Painter {
  public:
    virtual ~Painter() = default;

    virtual void setFont(const Font& font) = 0;
    // Draws a run of text with its top-left corner at (x, y). With a background the cells are
    // filled first (opaque mode); without, only the glyphs are drawn. Returns the run's width.
    virtual int drawText(int x, int y, std::string_view text, Color foreground) = 0;
    virtual int drawText(int x, int y, std::string_view text, Color foreground,
                         Color background) = 0;
    virtual void fillRect(const Rect& rect, Color color) = 0;
    virtual void drawLine(int x1, int y1, int x2, int y2, Color color) = 0;
    virtual void drawPicture(const Picture& picture, int x, int y) = 0;
    // Draws the picture scaled into `target`; painters that cannot scale draw it at its size
    // in the corner.
    virtual void drawPictureScaled(const Picture& picture, const Rect& target) {
        drawPicture(picture, target.x, target.y);
    }
    // Copies a part of an off-screen bitmap.
    virtual void blit(const class Bitmap& source, const Rect& from, int toX, int toY) = 0;
    // Drawing outside the rectangle has no effect until the clip is reset.
    virtual void setClip(const Rect& rect) = 0;
    virtual void resetClip() = 0;
};

// An off-screen RGB bitmap (white after creation).
class Bitmap {
  public:
    // Returns nullptr when the size is not positive or the memory is missing.
    static std::unique_ptr<Bitmap> create(int width, int height);
    virtual ~Bitmap() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    // Only one painter at a time; the painting is complete when the painter is destroyed.
    virtual std::unique_ptr<Painter> beginPaint() = 0;
    virtual Color pixel(int x, int y) const = 0;
    // 0 written, 9 failure (logged).
    virtual int savePng(const std::string& path) const = 0;
};

}  // namespace tessel
