// Shared pieces of the Qt implementation. Only the platform's own sources include this.
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "platform/painter.h"
#include "platform/pictures.h"
#include "platform/window.h"

namespace tessel::qt {

// Code-page bytes to and from Qt text; characters the code page lacks become '?'.
QString fromCodePage(std::string_view bytes);
// Appends to a reused string, for painting without an allocation per run.
void fromCodePage(std::string_view bytes, QString& out);
std::string toCodePage(const QString& text);
// The byte of a character in the active code page, or -1.
int byteOf(char32_t ch);

// Paths stay native bytes on our side.
QString pathToQt(const std::string& path);
std::string pathFromQt(const QString& path);

inline QColor toQColor(Color color) {
    return QColor(color.r, color.g, color.b);
}

// A deep copy of the picture as an ARGB image.
QImage imageOf(const Picture& picture);
// Writes what a widget shows as a PNG, or a JPEG for names ending in ".jpg" or ".jpeg",
// scaled down to `width` when that is given and smaller. 0 written, 9 failure (logged).
int saveWidgetShot(QWidget& widget, const std::string& path, int width);

QCursor cursorOf(CursorKind kind);

// The next queued answer for a dialog in non-interactive mode; false when none is queued.
bool takeDialogAnswer(std::string& answer);

// Key state as seen by the windows' key events.
void noteKeyState(int key, bool down);
void clearKeyState();

class QtFont : public Font {
  public:
    explicit QtFont(const FontRequest& request);
    FontMetrics metrics() const override { return metrics_; }
    std::string family() const override;
    bool fixedPitch() const override { return fixedPitch_; }
    int textWidth(std::string_view text) const override;
    const QFont& font() const { return font_; }

  private:
    QFont font_;
    FontMetrics metrics_;
    bool fixedPitch_ = false;
};

class QtPainter : public Painter {
  public:
    explicit QtPainter(QPainter& painter);
    void setFont(const Font& font) override;
    int drawText(int x, int y, std::string_view text, Color foreground) override;
    int drawText(int x, int y, std::string_view text, Color foreground, Color background) override;
    void fillRect(const Rect& rect, Color color) override;
    void drawLine(int x1, int y1, int x2, int y2, Color color) override;
    void drawPicture(const Picture& picture, int x, int y) override;
    void drawPictureScaled(const Picture& picture, const Rect& target) override;
    void blit(const Bitmap& source, const Rect& from, int toX, int toY) override;
    void setClip(const Rect& rect) override;
    void resetClip() override;

  private:
    int runWidth(std::string_view text);

    QPainter& painter_;
    const QtFont* font_ = nullptr;
    QString buffer_;
};

}  // namespace tessel::qt
