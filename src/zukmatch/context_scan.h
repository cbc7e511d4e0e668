// The block context of a view: before a view is drawn, the lines above its text are scanned
// upwards for the nearest line that opens a block — a function head, a class — found by the
// context rules that apply to the file. The rule's display text for that line replaces the
// view's top line.
//
// The scan starts at the first line that stays visible below the context row, looks back at
// most "usectxlines" lines, tries a rule on a line only when the line's first byte may begin
// a match, and never leaves the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_store.h"
#include "zukmatch/context_rules.h"

namespace tessel {

// The top line shows at most this many bytes of context.
inline constexpr int kContextTextCapacity = 800;

struct ContextFound {
    int line = -1;     // global number of the matched line, -1 when none
    std::string text;  // what the top row shows; empty when none
    int64_t elapsedUs = 0;
};

// What the view knows when it prepares its drawing.
struct ContextViewState {
    int topLine = 0;
    // Rows above the text: in assistance mode 2 when the line height is below 22 pixels,
    // else 1; 0 without assistance.
    int reservedRows = 0;
    bool editorActive = false;
    bool normalView = true;  // neither the filtered view nor the file list
};

// The view's one call: the context to draw for this view, or none when the display is off
// ("usectx", the global switch), text is loading, an editor is active or the view shows
// the filtered view or the file list.
ContextFound prepareContext(TextStore& store, const ContextViewState& view);

// The scan from `firstLine` upwards (firstLine included).
ContextFound findContext(TextStore& store, int firstLine, ContextRules& rules = contextRules());

// "usectxlines": 100 to 10000 lines; anything else (or no number) gives 1000.
int contextLookBack();

// The program-wide switch of the context display (CONTROL+B), on at start.
bool contextSwitch();
void setContextSwitch(bool on);

// The display text as the top row shows it: NUL bytes dropped, TABs (and line ends) as
// blanks, runs of blanks after the first other character reduced to one, at most
// kContextTextCapacity - 1 bytes.
std::string cleanContextText(std::string_view rendered);

}  // namespace tessel
