// The keys of the key table that change how every view shows its text: syntax colours
// (CONTROL+F7), fonts (CONTROL+J, CONTROL+SHIFT+J), TAB highlighting (CONTROL+T), the
// clipboard word group (CONTROL+SHIFT+G), re-wrapping (CONTROL+W), the background shade
// (CONTROL+SHIFT+B), and minimizing (F12).
#pragma once

#include <cstdint>
#include <string>

namespace tessel {

class View;

// 0 handled, 1 not a key of this group.
int displayKeyDown(View& view, int key, int modifiers);
int displayChar(View& view, uint8_t ch, int modifiers);

// CONTROL+F7: syntax colours on or off in every view ("syntax highlighting on" / "off").
void toggleSyntaxColours(View& view);
// CONTROL+J / CONTROL+SHIFT+J: the main font or the small font switches to its other choice.
void switchMainFont(View& view);
void switchSmallFont(View& view);

// The next background shade of CONTROL+SHIFT+B: 1, 2, 4, 6, 8, 10, 15, 20 in turn; any other
// value starts at 10.
int nextBackgroundShade(int shade);
int backgroundShade();

// CONTROL+W: every loaded text wrapped at the view's width, or unwrapped when it is already
// wrapped at that width. `stream` joins the lines of a paragraph first. 0 wrapped, 1 refused
// (in an editor, nothing to wrap).
int rewrapText(View& view, bool stream);
// The status text of a wrap: "wrap at 79", "streamwrap at 79", "no wrap".
std::string wrapStatusText(int width, bool stream, bool unwrapped);

}  // namespace tessel
