#include "view/display_keys.h"

#include <array>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/hotkeys.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "view/background_picture.h"
#include "view/frame_layout.h"
#include "view/screen_fonts.h"
#include "view/syntax_rows.h"
#include "view/text_marks.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {
namespace {

constexpr std::array<int, 8> kShades = {1, 2, 4, 6, 8, 10, 15, 20};
constexpr int kDefaultShade = 10;

constexpr uint8_t controlChar(char letter) {
    return static_cast<uint8_t>(letter - 'A' + 1);
}

// CONTROL+ENTER was seen: the character it brings is not CONTROL+J.
bool& controlEnterPending() {
    static bool pending = false;  // user interface thread only
    return pending;
}

int& shadeValue() {
    static int shade = kDefaultShade;
    return shade;
}

template <typename Each>
void forEachView(View& view, Each each) {
    if (!view.frame) {
        each(view);
        return;
    }
    for (auto& other : view.frame->views) {
        if (other) each(*other);
    }
}

void redrawAll(View& view) {
    forEachView(view, [](View& each) {
        each.screen.valid = false;
        if (each.host) each.host->refresh();
    });
}

// A new font: every view measures its rows again, and rows drawn with the old font go.
void refitViews(View& view) {
    reloadScreenFonts();
    forEachView(view, refitViewFont);
}

// The shade dims the background picture, so it has a meaning only while one is chosen.
void cycleBackgroundShade(View& view) {
    if (chosenBackgroundFile().empty()) {
        showStatusInfo("#no background picture to shade.");
        return;
    }
    shadeValue() = nextBackgroundShade(shadeValue());
    logMessage("backpale = %ld", static_cast<long>(shadeValue()));
    redrawAll(view);
}

void switchGroupMatch(View& view) {
    const bool on = !groupMatchOn();
    setGroupMatch(on, on ? clipboardText() : std::string());
    showStatusInfo(on ? "Clipboard word group match on." : "Clipboard word group match off.");
    redrawAll(view);
}

void switchTabMarks(View& view) {
    setTabMarks(!tabMarksOn());
    logMessage(tabMarksOn() ? "[blue] TABs are shown in blue, spaces in yellow."
                            : "[blue] TABs highlighting off.");
    redrawAll(view);
}

// F12: the frame goes to the task bar with its views; views of their own go one by one.
void minimizeViews(View& view) {
    if (view.frame && view.frame->host) view.frame->host->minimizeViews();
}

}  // namespace

void toggleSyntaxColours(View& view) {
    setSyntaxColours(!syntaxColoursOn());
    showStatusInfo(syntaxColoursOn() ? "syntax highlighting on" : "syntax highlighting off");
    redrawAll(view);
}

namespace {

// Switches between a font and its second choice, kept in the configuration as `key`.
void switchFont(View& view, bool& secondSelected, const char* key, const char* firstText,
                const char* secondText) {
    secondSelected = !secondSelected;
    config().setInt(key, secondSelected ? 1 : 0);
    refitViews(view);
    showStatusInfo(secondSelected ? secondText : firstText);
}

}  // namespace

void switchMainFont(View& view) {
    switchFont(view, appSettings().mainFont2Selected, "usemainfont2", "mainfont selected.",
               "mainfont2 selected.");
}

void switchSmallFont(View& view) {
    switchFont(view, appSettings().bookFont2Selected, "usebookfont2", "bookfont selected.",
               "bookfont2 selected.");
}

int nextBackgroundShade(int shade) {
    for (size_t i = 0; i < kShades.size(); ++i) {
        if (kShades[i] == shade) return kShades[(i + 1) % kShades.size()];
    }
    return kDefaultShade;
}

int backgroundShade() {
    return shadeValue();
}

int displayKeyDown(View& view, int key, int modifiers) {
    const bool shift = (modifiers & kModShift) != 0;
    const bool control = (modifiers & kModControl) != 0;
    if (key != kKeyReturn && key != kKeyControl && key != kKeyShift) controlEnterPending() = false;
    switch (key) {
        case kKeyF7:
            if (!control || shift) return 1;
            toggleSyntaxColours(view);
            return 0;
        case kKeyF12:
            if (control || shift) return 1;
            minimizeViews(view);
            return 0;
        case kKeyReturn:
            // CONTROL+ENTER arrives like CONTROL+J; it is no font switch.
            if (!control) return 1;
            if (traceMode()) logMessage("skip ctrl+enter");
            controlEnterPending() = true;
            return 0;
        default:
            return 1;
    }
}

int displayChar(View& view, uint8_t ch, int modifiers) {
    if ((modifiers & kModControl) == 0) return 1;
    const bool shift = (modifiers & kModShift) != 0;
    if (ch == controlChar('J')) {
        if (controlEnterPending()) {
            controlEnterPending() = false;
            return 0;
        }
        if (shift) {
            switchSmallFont(view);
        } else {
            switchMainFont(view);
        }
        return 0;
    }
    if (ch == '\r' && controlEnterPending()) {
        controlEnterPending() = false;
        return 0;
    }
    if (ch == controlChar('T')) {
        switchTabMarks(view);
        return 0;
    }
    if (ch == controlChar('W')) {
        rewrapText(view, shift);
        return 0;
    }
    if (ch == controlChar('B') && shift) {
        cycleBackgroundShade(view);
        return 0;
    }
    if (ch == controlChar('G') && shift) {
        switchGroupMatch(view);
        return 0;
    }
    return 1;
}

}  // namespace tessel
