// What user scripts ask of the views. The script interpreter reads the statements, checks
// them and reports their faults; every effect on a view goes through these verbs, which the
// view implements (and the tests with a recording stand-in).
//
// Each verb returns 0 when done, kNotAvailable while its feature is not built yet (the
// script then stops with "... not available"), or 9 when it failed and said why itself.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

inline constexpr int kNotAvailable = 2;
// netlog: network text is switched off in the settings.
inline constexpr int kNetlogDisabled = 3;
// set location: no file matches.
inline constexpr int kNoMatchingFile = 4;

// The view a statement acts on, from its prefix ("left.echo hi").
enum class ViewSelector { kOwn, kRight, kLeft, kFirst, kSecond, kThird, kFourth, kFifth };

// The view a selector names among `count` views, seen from view `own`: "right." and "left."
// wrap around the row of views, "first." … "fifth." count from the left. -1 when there is none.
inline int viewForSelector(ViewSelector selector, int own, int count) {
    if (own < 0 || count <= 0) return -1;
    switch (selector) {
        case ViewSelector::kOwn:
            return own;
        case ViewSelector::kRight:
            return own + 1 < count ? own + 1 : 0;
        case ViewSelector::kLeft:
            return own > 0 ? own - 1 : count - 1;
        default:
            break;
    }
    const int wanted = static_cast<int>(selector) - static_cast<int>(ViewSelector::kFirst);
    return wanted < count ? wanted : -1;
}

enum class NetlogCommand { kShow, kClear, kFollow, kNoFollow, kPause };

// Values of script variables that only a view knows.
enum class ViewFact {
    kFindMask,
    kPathMask,
    kCurrentFile,  // the name of the file of the current line, as loaded
    kLineNumber,   // within the file, from 1
    kColumn,       // from 1
    kRawColumn,
    kDesktopX,
    kDesktopY,
    kWidth,
    kHeight,
    kReplaceSource,
    kReplaceTarget,
    kMouseWord,
    kMouseLine,
};

struct HeldModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

class ScriptHost {
  public:
    virtual ~ScriptHost() = default;

    // The number of the view a selector names, relative to the view the script runs for;
    // -1 when there is none ("nearby." and "right." fall back to the first view, "left." to
    // the last).
    virtual int targetView(ViewSelector selector) = 0;

    // A value for a "$" variable. On failure error says why ("no word under cursor
    // selected").
    virtual int viewFact(int view, ViewFact fact, std::string& value, std::string& error) {
        (void)view, (void)fact, (void)value, (void)error;
        return kNotAvailable;
    }
    // The folder relative file names are taken from ("$absfile").
    virtual std::string currentFolder();
    // The modifier keys held when a script starts ("$shift", "$ctrl", "$alt").
    virtual HeldModifiers heldModifiers() { return {}; }

    // "set NAME = ..."
    virtual int setFindMask(int view, std::string_view text) = 0;
    virtual int setPathMask(int view, std::string_view text) = 0;
    virtual int setFilter(int view, bool on) = 0;
    // Jumps to the first file whose name matches; kNoMatchingFile when none does.
    virtual int setLocation(int view, std::string_view mask, bool bottom) {
        (void)view, (void)mask, (void)bottom;
        return kNotAvailable;
    }
    virtual int setJumpMask(int view, std::string_view text) {
        (void)view, (void)text;
        return kNotAvailable;
    }
    virtual int setShift(int view, int columns) = 0;
    virtual int setTabSize(int view, int size) = 0;

    virtual void messageBox(const char* title, const char* text);
    virtual int echo(int view, std::string_view text) = 0;
    virtual int activate(int view) = 0;
    virtual int netlog(int view, NetlogCommand command) {
        (void)view, (void)command;
        return kNotAvailable;
    }
    // "mark": the view's word highlights. colour is "any" or a highlight colour name.
    virtual int markReset(int view) = 0;
    virtual int markWord(int view, std::string_view colour, std::string_view word, bool toggle) = 0;

    // Waits up to ms milliseconds while the window stays responsive; false when the user
    // stopped the script (or the program is ending).
    virtual bool waitStep(int ms) = 0;
};

}  // namespace tessel
