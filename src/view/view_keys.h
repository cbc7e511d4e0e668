// The key table of a view without an editor. The window hands every key and character here
// after the mask rows had their turn; each group of operations (scrolling, the filtered view,
// navigation and highlights) answers for its own keys, so the table stays in one place per
// group. Modifier rule: with ALT down CONTROL counts as up, so ALT GR combinations type text.
#pragma once

#include <cstdint>

namespace tessel {

class View;

// The modifiers a key acts on: kModControl is dropped while kModAlt is held.
int effectiveModifiers(int modifiers);

// 0 handled (the window rebuilds and repaints), 1 not a key of the view.
int viewKeyDown(View& view, int key, int modifiers);
int viewKeyUp(View& view, int key, int modifiers);
// A character that is not mask text: CONTROL with a letter arrives as its control character.
int viewChar(View& view, uint8_t ch, int modifiers);

}  // namespace tessel
