// Typing into the two mask rows of a view that has no editor: which mask takes the characters,
// where its input cursor stands, and the keys that move that cursor or switch and clear the
// masks. Every change of a mask schedules a search and marks the screen for rebuilding; the
// window only forwards its events here and repaints.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

class View;

enum class MaskFocus : int { kFind = 0, kPath = 1 };

// The input state of one view. The cursors count the characters after them rather than
// before, so a cursor at the end stays at the end when other code replaces a mask (a command
// line find text, a picked file name).
struct ViewInput {
    MaskFocus maskFocus = MaskFocus::kFind;
    int findTail = 0;
    int pathTail = 0;
};

// The cursor of the mask as an offset into its text, clamped into the text.
int maskCursor(const View& view, const ViewInput& input, MaskFocus mask);

// A key press: TAB, HOME, END, LEFT, RIGHT and INSERT act on the mask rows. 0 handled,
// 1 not a key for the masks (another handler may take it).
int maskKeyDown(View& view, ViewInput& input, int key, int modifiers);

// A typed character goes into the mask at its cursor; BACKSPACE removes the character before
// the cursor. Other control characters are not text (1). 0 handled, 1 ignored (also when the
// mask is full or nothing is there to remove).
int maskChar(View& view, ViewInput& input, uint8_t ch);

// Replaces a mask as a whole (the find dialog, a word clicked on), cursor at its end, and
// schedules the search as typing would. 0 changed, 1 the text was the same already.
int setMaskText(View& view, ViewInput& input, MaskFocus mask, std::string_view text);

}  // namespace tessel
