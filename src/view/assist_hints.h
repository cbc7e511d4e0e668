// Assistance for new users (setting "assist"): short hints in the message log at the moments
// they help, and a bubble in the middle of a filtered view that found nothing. Hints about
// a faster way come after the user has repeatedly done something the slow way, at most once
// in a few minutes, and never again once the faster way was used. Times are handed in, so the
// rules can be checked without a clock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace tessel {

class View;

// The longest part of a find mask the no-hit bubble repeats.
inline constexpr int kBubbleMaskChars = 40;

// Presses in a row after which scrolling up by keys gets its hint: a line counts one, a page
// kPageUpWeight.
inline constexpr int kUpKeyHintScore = 12;
inline constexpr int kPageUpWeight = 3;
// A pause longer than this starts a new run of presses.
inline constexpr int64_t kUpKeyRunGapMs = 3000;
// The same hint is not given again within this time.
inline constexpr int64_t kHintRepeatMs = 5 * 60 * 1000;
// The gesture list does not come back every time the pointer passes the find button.
inline constexpr int64_t kGestureHintRepeatMs = 60 * 1000;

// The per-view state of the hints and the bubble.
struct AssistState {
    int upScore = 0;
    int64_t lastUpKeyMs = 0;
    // When the scrolling hint was last given; < 0 never.
    int64_t scrollHintMs = -1;
    // The user surfed or turned the wheel upwards: the scrolling hint has nothing to teach.
    bool fasterWayUsed = false;
    bool overFindButton = false;
    int64_t gestureHintMs = -1;
    bool noHitBubble = false;
    // The find mask that found nothing, cut to kBubbleMaskChars.
    char noHitMask[kBubbleMaskChars + 1] = {};
    bool noHitMaskCut = false;
};

// What the user just did: "page up", "cursor up", "mouse surf up", "mouse wheel up"; other
// names are ignored. 0 when a hint was logged, 1 otherwise.
int noteAssistInput(View& view, const char* what, int64_t nowMs);
int noteAssistInput(View& view, const char* what);
// A key press of the view's key table, told by its name as above.
void noteAssistKey(View& view, int key, int modifiers);

// The pointer is over the sidebar's find button or not: on arrival, in assistance mode, the
// gestures that search, copy and bookmark directly are listed in the log. 0 when listed.
int noteFindButtonHover(View& view, bool over, int64_t nowMs);
// The same from a pointer position of the view.
void noteAssistPointer(View& view, int x, int y);

// True when the view should show the no-hit bubble: assistance mode, a find mask, no hit,
// the filtered view, and no search still to come.
bool noHitBubbleWanted(const View& view);
// Opens or closes the bubble after the filter was updated. 0 when it opened or closed.
int updateNoHitBubble(View& view);
bool noHitBubbleShown(const View& view);
// The bubble's lines of text; none while it is closed.
std::vector<std::string> noHitBubbleLines(const View& view);

// How wide a line is in the font the bubble is drawn with, and that font's line height.
struct TextMeasure {
    std::function<int(std::string_view text)> width;
    int lineHeight = 1;
};
// The bubble as it is drawn: a framed box in the middle of the text rows and its lines.
struct BubbleShape {
    bool shown = false;
    Rect box;
    int padding = 0;
    int lineHeight = 0;
    std::vector<std::string> lines;
};
BubbleShape noHitBubbleShape(const View& view, const TextMeasure& measure);

}  // namespace tessel
