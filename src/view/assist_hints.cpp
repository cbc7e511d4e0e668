#include "view/assist_hints.h"

#include <algorithm>
#include <cstring>

#include "base/log/message_log.h"
#include "platform/key_codes.h"
#include "view/live_settings.h"
#include "view/sidebar.h"
#include "view/view.h"

namespace tessel {
namespace {

constexpr int kStatusRows = 2;
constexpr int kBubblePadding = 10;

constexpr const char* kScrollHint[] = {
    "!To scroll faster:",
    "!hold the left mouse button on blank space",
    "!and move the mouse up or down,",
    "!or turn the mouse wheel.",
};

constexpr const char* kGestureHint[] = {
    "!To search for a word:",
    "!click on it. or type it.",
    "!To search a phrase:",
    "!press and hold the SHIFT key,",
    "!then click on words in the same line.",
    "!To copy to clipboard:",
    "!press and hold the CONTROL key,",
    "!then click on words or lines.",
    "!To create a bookmark:",
    "!press and hold the ALT key,",
    "!then click on a line.",
};

bool assistMode() {
    return liveSettings().assist;
}

template <size_t N>
void logLines(const char* const (&lines)[N]) {
    for (const char* line : lines) logMessage("%s", line);
}

bool named(const char* what, const char* name) {
    return std::strcmp(what, name) == 0;
}

}  // namespace

int noteAssistInput(View& view, const char* what, int64_t nowMs) {
    if (!what) return 1;
    AssistState& state = view.assist;
    if (named(what, "mouse surf up") || named(what, "mouse wheel up")) {
        state.fasterWayUsed = true;
        state.upScore = 0;
        return 1;
    }
    int weight = 0;
    if (named(what, "cursor up")) weight = 1;
    if (named(what, "page up")) weight = kPageUpWeight;
    if (weight == 0) return 1;
    if (nowMs - state.lastUpKeyMs > kUpKeyRunGapMs) state.upScore = 0;
    state.lastUpKeyMs = nowMs;
    state.upScore = std::min(state.upScore + weight, kUpKeyHintScore);
    if (!assistMode() || state.fasterWayUsed || state.upScore < kUpKeyHintScore) return 1;
    if (state.scrollHintMs >= 0 && nowMs - state.scrollHintMs < kHintRepeatMs) return 1;
    logLines(kScrollHint);
    state.scrollHintMs = nowMs;
    state.upScore = 0;
    return 0;
}

int noteAssistInput(View& view, const char* what) {
    return noteAssistInput(view, what, tickMs());
}

void noteAssistKey(View& view, int key, int modifiers) {
    if (modifiers & (kModShift | kModControl | kModAlt)) return;
    if (key == kKeyPageUp) noteAssistInput(view, "page up");
    if (key == kKeyUp) noteAssistInput(view, "cursor up");
}

int noteFindButtonHover(View& view, bool over, int64_t nowMs) {
    AssistState& state = view.assist;
    if (over == state.overFindButton) return 1;
    state.overFindButton = over;
    if (!over || !assistMode()) return 1;
    if (state.gestureHintMs >= 0 && nowMs - state.gestureHintMs < kGestureHintRepeatMs) return 1;
    logLines(kGestureHint);
    state.gestureHintMs = nowMs;
    return 0;
}

void noteAssistPointer(View& view, int x, int y) {
    // Finding the button costs a layout: only in assistance mode near the top right corner,
    // or to notice leaving it.
    if (!assistMode() && !view.assist.overFindButton) return;
    const bool near =
        x >= view.clientWidth - 2 * kSidebarButtonSize && y < sidebarColumnBottom(view);
    const bool over = near && sidebarButtonAt(view, x, y) == SidebarButton::kFind;
    noteFindButtonHover(view, over, tickMs());
}

bool noHitBubbleWanted(const View& view) {
    const SearchState& search = view.search;
    return assistMode() && search.findMask[0] != '\0' && search.hitCount == 0 &&
           view.filterMode == FilterMode::kFiltered && search.searchPhase == SearchPhase::kDone;
}

int updateNoHitBubble(View& view) {
    AssistState& state = view.assist;
    if (!noHitBubbleWanted(view)) {
        if (!state.noHitBubble) return 1;
        state.noHitBubble = false;
        return 0;
    }
    const char* mask = view.search.findMask;
    const size_t length = std::strlen(mask);
    const size_t kept = std::min(length, static_cast<size_t>(kBubbleMaskChars));
    const bool same = state.noHitBubble && std::strncmp(state.noHitMask, mask, kept) == 0 &&
                      state.noHitMask[kept] == '\0' && state.noHitMaskCut == (length > kept);
    if (same) return 1;
    std::memcpy(state.noHitMask, mask, kept);
    state.noHitMask[kept] = '\0';
    state.noHitMaskCut = length > kept;
    state.noHitBubble = true;
    return 0;
}

bool noHitBubbleShown(const View& view) {
    return view.assist.noHitBubble && view.filterMode == FilterMode::kFiltered;
}

std::vector<std::string> noHitBubbleLines(const View& view) {
    if (!noHitBubbleShown(view)) return {};
    const AssistState& state = view.assist;
    std::string first = "no hit for \"";
    first += state.noHitMask;
    if (state.noHitMaskCut) first += "...";
    first += "\".";
    return {first, "Press INSERT to type another word,", "or F4 to see the whole text."};
}

BubbleShape noHitBubbleShape(const View& view, const TextMeasure& measure) {
    BubbleShape bubble;
    bubble.lines = noHitBubbleLines(view);
    if (bubble.lines.empty()) return bubble;
    bubble.shown = true;
    bubble.padding = kBubblePadding;
    bubble.lineHeight = std::max(measure.lineHeight, 1);
    int textWidth = 0;
    for (const std::string& line : bubble.lines) {
        if (measure.width) textWidth = std::max(textWidth, measure.width(line));
    }
    const int width = textWidth + 2 * kBubblePadding;
    const int height =
        static_cast<int>(bubble.lines.size()) * bubble.lineHeight + 2 * kBubblePadding;
    // Centred on the text rows, not on the status rows below them.
    const int rows = std::clamp(view.rows, kStatusRows, kScreenRows);
    const int textHeight = std::min((rows - kStatusRows) * view.lineHeight, view.clientHeight);
    bubble.box = {std::max((view.clientWidth - width) / 2, 0),
                  std::max((textHeight - height) / 2, 0), width, height};
    return bubble;
}

}  // namespace tessel
