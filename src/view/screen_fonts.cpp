#include "view/screen_fonts.h"

#include <algorithm>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {
namespace {

constexpr const char* kFallbackFontFamily = "DejaVu Sans Mono";
constexpr int kDefaultFontHeight = 18;
constexpr int kDefaultSmallHeight = 12;
constexpr int kDefaultMainHeight = 16;
constexpr int kDefaultFontWeight = 400;

ScreenFonts& fontStore() {
    static ScreenFonts fonts;
    return fonts;
}

FontRequest smallRequestOf(const FontSetting& setting) {
    FontRequest request;
    request.name = setting.name;
    request.width = setting.width;
    request.height = setting.height > 0 ? setting.height : kDefaultSmallHeight;
    request.weight = setting.weight > 0 ? setting.weight : kDefaultFontWeight;
    return request;
}

// The main font's cell is its own advance: a width setting narrower than that would squeeze
// the glyphs into each other, so only name, height and weight are asked for.
FontRequest mainRequestOf(std::string name, int height, int weight) {
    FontRequest request;
    request.name = std::move(name);
    request.height = height > 0 ? height : kDefaultMainHeight;
    request.weight = weight > 0 ? weight : kDefaultFontWeight;
    return request;
}

// Text columns only line up with a fixed-pitch font; a proportional substitute the system
// offers for the name is replaced by the fallback family.
std::unique_ptr<Font> makeFixedPitchFont(FontRequest request) {
    request.fixedPitch = true;
    std::unique_ptr<Font> font = Font::create(request);
    if (font && font->fixedPitch()) return font;
    if (font) {
        logMessage("[note] font %s is not fixed-pitch, using %s", font->family().c_str(),
                   kFallbackFontFamily);
    }
    request.name = kFallbackFontFamily;
    return Font::create(request);
}

// Which font of each pair shows is the display state: start-up may pick the second main font
// for a large screen without changing the stored choice.
FontSetting mainSetting() {
    return config().getFont(appSettings().mainFont2Selected ? 1 : 0);
}

void makeSmallFont(ScreenFonts& fonts) {
    fonts.small =
        Font::create(smallRequestOf(config().getFont(appSettings().bookFont2Selected ? 3 : 2)));
    fonts.lineSpacing = mainSetting().lineSpacing;
}

int installMainFont(const FontRequest& request) {
    std::unique_ptr<Font> font = makeFixedPitchFont(request);
    if (!font || font->metrics().charWidth <= 0 || font->metrics().height <= 0) {
        logError(0, "cannot create the main font %s", request.name.c_str());
        return 9;
    }
    fontStore().main = std::move(font);
    return 0;
}

}  // namespace

ScreenFonts& screenFonts() {
    if (!fontStore().main) reloadScreenFonts();
    return fontStore();
}

int reloadScreenFonts() {
    const FontSetting main = mainSetting();
    const int rc = installMainFont(mainRequestOf(main.name, main.height, main.weight));
    makeSmallFont(fontStore());
    return rc;
}

void refitViewFont(View& view) {
    measureFont(view);
    view.rowCache.reset();
    view.screen.valid = false;
    if (view.host) view.host->refresh();
}

void releaseScreenFonts() {
    ScreenFonts& fonts = fontStore();
    fonts.main.reset();
    fonts.small.reset();
}

int createMainFont(const std::string& name, int height, int weight) {
    if (installMainFont(mainRequestOf(name, height, weight)) != 0) return 9;
    ScreenFonts& fonts = fontStore();
    if (!fonts.small) makeSmallFont(fonts);
    return 0;
}

int mainCharWidth() {
    const Font* font = fontStore().main.get();
    return font ? font->metrics().charWidth : 8;
}

int mainLineHeight() {
    const Font* font = fontStore().main.get();
    return font ? font->metrics().height : 16;
}

int measureFont(View& view) {
    ScreenFonts& fonts = screenFonts();
    if (!fonts.main) {
        logMessage("cannot get font size");
        return 9;
    }
    const FontMetrics metrics = fonts.main->metrics();
    int height = metrics.height;
    if (height <= 0) {
        logMessage("no font height found, using 18");
        height = kDefaultFontHeight;
    }
    const int spaced = height + fonts.lineSpacing;
    view.lineHeight = spaced > 0 ? spaced : height;
    view.charWidth = metrics.charWidth > 0 ? metrics.charWidth : 8;
    if (view.clientHeight > 10 && view.clientWidth > 10) {
        view.rows = std::clamp(view.clientHeight / view.lineHeight, 2, kScreenRows);
        view.columns = std::clamp(view.clientWidth / view.charWidth, 1, kScreenColumns);
    }
    return 0;
}

}  // namespace tessel
