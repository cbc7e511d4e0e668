// Fonts, painting and off-screen bitmaps on QPainter.
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/log/message_log.h"
#include "platform/qt_internal.h"

namespace tessel::qt {
namespace {

// Families that programs ask for as their fixed-pitch screen font; when they are missing the
// request is served by an installed fixed-pitch family instead of a proportional one.
bool knownFixedName(const QString& name) {
    static const char* const kNames[] = {"courier new",    "courier",  "fixedsys", "consolas",
                                         "lucida console", "terminal", "monospace"};
    const QString lower = name.toLower();
    for (const char* each : kNames) {
        if (lower == QLatin1String(each)) return true;
    }
    return false;
}

QString resolveFamily(const std::string& requested, bool fixedPitch) {
    const QString name = QString::fromUtf8(requested.data(), qsizetype(requested.size()));
    const QStringList families = QFontDatabase::families();
    auto installed = [&](const QString& family) {
        return families.contains(family, Qt::CaseInsensitive);
    };
    if (!name.isEmpty() && installed(name) && (!fixedPitch || QFontDatabase::isFixedPitch(name))) {
        return name;
    }
    if (fixedPitch || knownFixedName(name)) {
        if (installed(QStringLiteral("DejaVu Sans Mono")))
            return QStringLiteral("DejaVu Sans Mono");
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }
    if (installed(QStringLiteral("DejaVu Sans"))) return QStringLiteral("DejaVu Sans");
    return QGuiApplication::font().family();
}

}  // namespace

QtFont::QtFont(const FontRequest& request) {
    const QString family = resolveFamily(request.name, request.fixedPitch);
    font_ = QFont(family);
    font_.setPixelSize(request.height > 0 ? request.height : 12);
    font_.setWeight(static_cast<QFont::Weight>(std::clamp(request.weight, 100, 900)));
    font_.setFixedPitch(request.fixedPitch);
    font_.setKerning(false);
    fixedPitch_ = QFontDatabase::isFixedPitch(family);
    QFontMetricsF measure(font_);
    double advance = measure.horizontalAdvance(QLatin1Char('x'));
    // A fixed-pitch font is spaced to a whole number of pixels per character (the requested
    // cell width, else its own advance rounded), so that the column positions computed by the
    // views fall on character cells: a fractional advance would let a long run of text fall
    // short of the next run drawn at its cell.
    if (fixedPitch_) {
        double cell = request.width > 0 ? request.width : std::max(1.0, std::round(advance));
        font_.setLetterSpacing(QFont::AbsoluteSpacing, cell - advance);
        advance = cell;
    }
    QFontMetricsF spaced(font_);
    metrics_.charWidth = fixedPitch_ ? static_cast<int>(std::lround(advance))
                                     : static_cast<int>(std::lround(spaced.averageCharWidth()));
    metrics_.ascent = static_cast<int>(std::ceil(spaced.ascent()));
    metrics_.descent = static_cast<int>(std::ceil(spaced.descent()));
    metrics_.height = metrics_.ascent + metrics_.descent;
}

std::string QtFont::family() const {
    return font_.family().toStdString();
}

int QtFont::textWidth(std::string_view text) const {
    if (fixedPitch_) return metrics_.charWidth * static_cast<int>(text.size());
    return static_cast<int>(
        std::lround(QFontMetricsF(font_).horizontalAdvance(fromCodePage(text))));
}

QtPainter::QtPainter(QPainter& painter) : painter_(painter) {}

void QtPainter::setFont(const Font& font) {
    font_ = static_cast<const QtFont*>(&font);
    painter_.setFont(font_->font());
}

int QtPainter::runWidth(std::string_view text) {
    if (font_) return font_->textWidth(text);
    return static_cast<int>(painter_.fontMetrics().horizontalAdvance(buffer_));
}

int QtPainter::drawText(int x, int y, std::string_view text, Color foreground) {
    buffer_.resize(0);  // keeps the capacity: no allocation per run
    fromCodePage(text, buffer_);
    const int ascent = font_ ? font_->metrics().ascent : painter_.fontMetrics().ascent();
    painter_.setPen(toQColor(foreground));
    painter_.drawText(QPointF(x, y + ascent), buffer_);
    return runWidth(text);
}

int QtPainter::drawText(int x, int y, std::string_view text, Color foreground, Color background) {
    buffer_.resize(0);  // keeps the capacity: no allocation per run
    fromCodePage(text, buffer_);
    const int width = runWidth(text);
    const int height = font_ ? font_->metrics().height : painter_.fontMetrics().height();
    const int ascent = font_ ? font_->metrics().ascent : painter_.fontMetrics().ascent();
    painter_.fillRect(QRect(x, y, width, height), toQColor(background));
    painter_.setPen(toQColor(foreground));
    painter_.drawText(QPointF(x, y + ascent), buffer_);
    return width;
}

void QtPainter::fillRect(const Rect& rect, Color color) {
    painter_.fillRect(QRect(rect.x, rect.y, rect.width, rect.height), toQColor(color));
}

void QtPainter::drawLine(int x1, int y1, int x2, int y2, Color color) {
    painter_.setPen(QPen(toQColor(color), 1));
    painter_.drawLine(x1, y1, x2, y2);
}

void QtPainter::drawPicture(const Picture& picture, int x, int y) {
    if (picture.rgba.empty()) return;
    painter_.drawImage(QPoint(x, y), imageOf(picture));
}

void QtPainter::drawPictureScaled(const Picture& picture, const Rect& target) {
    painter_.save();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    painter_.drawImage(QRect(target.x, target.y, target.width, target.height), imageOf(picture));
    painter_.restore();
}

class QtBitmap : public Bitmap {
  public:
    QtBitmap(int width, int height) : image_(width, height, QImage::Format_RGB32) {
        image_.fill(Qt::white);
    }
    bool valid() const { return !image_.isNull(); }
    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    const QImage& image() const { return image_; }

    std::unique_ptr<Painter> beginPaint() override {
        // The painter pair owns its QPainter so that painting ends with its destruction.
        struct Owning : QtPainter {
            explicit Owning(QImage& image) : QtPainter(painter), painter(&image) {}
            QPainter painter;
        };
        return std::make_unique<Owning>(image_);
    }

    Color pixel(int x, int y) const override {
        if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return {};
        const QRgb value = image_.pixel(x, y);
        return Color{static_cast<uint8_t>(qRed(value)), static_cast<uint8_t>(qGreen(value)),
                     static_cast<uint8_t>(qBlue(value))};
    }

    int savePng(const std::string& path) const override {
        if (!image_.save(pathToQt(path), "PNG")) {
            logError(0, "cannot write picture %s", path.c_str());
            return 9;
        }
        return 0;
    }

  private:
    QImage image_;
};

void QtPainter::blit(const Bitmap& source, const Rect& from, int toX, int toY) {
    const auto& bitmap = static_cast<const QtBitmap&>(source);
    painter_.drawImage(QPoint(toX, toY), bitmap.image(),
                       QRect(from.x, from.y, from.width, from.height));
}

void QtPainter::setClip(const Rect& rect) {
    painter_.setClipRect(QRect(rect.x, rect.y, rect.width, rect.height));
}

void QtPainter::resetClip() {
    painter_.setClipping(false);
}

QImage imageOf(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgba.size() != size_t(picture.width) * size_t(picture.height) * 4) {
        return {};
    }
    QImage shallow(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                   QImage::Format_RGBA8888);
    return shallow.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

namespace {

bool endsWith(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    for (size_t i = 0; i < end.size(); ++i) {
        const char c = text[text.size() - end.size() + i];
        if (std::tolower(static_cast<unsigned char>(c)) != end[i]) return false;
    }
    return true;
}

constexpr int kShotJpegQuality = 82;

}  // namespace

int saveWidgetShot(QWidget& widget, const std::string& path, int width) {
    QImage image = widget.grab().toImage();
    if (!image.isNull() && width > 0 && width < image.width()) {
        image = image.scaledToWidth(width, Qt::SmoothTransformation);
    }
    bool written = false;
    if (!image.isNull() && (endsWith(path, ".jpg") || endsWith(path, ".jpeg"))) {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        Picture picture;
        picture.width = rgba.width();
        picture.height = rgba.height();
        picture.rgba.resize(static_cast<size_t>(picture.width) * picture.height * 4);
        for (int y = 0; y < picture.height; ++y) {
            std::memcpy(picture.rgba.data() + static_cast<size_t>(y) * picture.width * 4,
                        rgba.constScanLine(y), static_cast<size_t>(picture.width) * 4);
        }
        std::vector<uint8_t> bytes;
        if (encodeJpeg(picture, kShotJpegQuality, bytes) == 0) {
            if (FILE* file = std::fopen(path.c_str(), "wb")) {
                written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
                written = std::fclose(file) == 0 && written;
            }
        }
    } else if (!image.isNull()) {
        written = image.save(pathToQt(path), "PNG");
    }
    if (!written) {
        logError(0, "cannot write window picture %s", path.c_str());
        return 9;
    }
    return 0;
}

}  // namespace tessel::qt

namespace tessel {

std::unique_ptr<Font> Font::create(const FontRequest& request) {
    return std::make_unique<qt::QtFont>(request);
}

std::unique_ptr<Bitmap> Bitmap::create(int width, int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        logError(0, "cannot create bitmap (%d,%d)", width, height);
        return nullptr;
    }
    auto bitmap = std::make_unique<qt::QtBitmap>(width, height);
    if (!bitmap->valid()) {
        logError(0, "cannot create bitmap (%d,%d)", width, height);
        return nullptr;
    }
    return bitmap;
}

}  // namespace tessel
