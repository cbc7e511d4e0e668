// The fonts of the views, made in this one place: the main font, always fixed-pitch so that
// text columns line up, and the small font of the message overlay and the bookmarks. They are
// made from the font settings on first use, unless start-up chose the main font first (the
// second main font on a large screen). Fonts cannot outlive the platform: start-up releases
// them before it stops the platform.
#pragma once

#include <memory>
#include <string>

#include "platform/painter.h"

namespace tessel {

class View;

struct ScreenFonts {
    std::unique_ptr<Font> main;
    std::unique_ptr<Font> small;
    int lineSpacing = 0;  // added to the main font's height for a row (negative: overlap)
};
ScreenFonts& screenFonts();
// Makes both fonts again from the font settings, each the one of its pair that
// `AppSettings::mainFont2Selected` / `bookFont2Selected` choose. 0 made, 9 no main font
// (logged).
int reloadScreenFonts();
// After new fonts: the view measures its rows again and drops rows drawn with the old font.
void refitViewFont(View& view);
void releaseScreenFonts();

// The main font by name: a proportional substitute gives way to the fallback family. The small
// font comes from the settings when there is none yet. 0 made, 9 failure (logged).
int createMainFont(const std::string& name, int height, int weight);
// The main font's cell, or the usual 8 x 16 while there is none.
int mainCharWidth();
int mainLineHeight();

// Reads the main font's metrics into the view (character width, line height, rows and
// columns). 0 measured, 9 failure (reported; the view keeps usable values).
int measureFont(View& view);

}  // namespace tessel
