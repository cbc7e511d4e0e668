// The view's own commands of the key table: tab sizes, tiling and maximizing, cycling views,
// the search flag toggles, the delay after typing and the power settings, saving the
// configuration. Keys of the other groups (scrolling, filtered view, navigation) are theirs.
#pragma once

#include <cstdint>

namespace tessel {

class View;

// The next tab size of CONTROL+TAB (3, 4, 8, 2) or CONTROL+SHIFT+TAB (20 ... 60); a value
// outside the cycle starts it again.
int nextTabSize(int tabSize, bool wide);
// The next delay after typing of CONTROL+P, in milliseconds.
int nextSearchDelay(int delayMs);

// 0 handled, 1 not a key of this group.
int commandKeyDown(View& view, int key, int modifiers);
int commandChar(View& view, uint8_t ch, int modifiers);

// F7 and the sidebar's case button: case-sensitive search on or off, and search again.
void toggleCaseSearch(View& view);

// CONTROL+SHIFT+P: the settings for searching large texts quickly, in every view.
void applyPowerSettings(View& view);

}  // namespace tessel
