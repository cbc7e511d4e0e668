// The help in a view. The help is an ordinary block of the store ("// help"); what makes it a
// help is shown here: its chapter heads and links in their colours, a click on "see chapter
// N" that jumps to the chapter, and the chapter pictures drawn over the empty rows the loader
// left below their marker lines. Like the rest of the overlay, the pictures are placed as
// data (HelpPictureShape) that the painter only draws.
#pragma once

#include <string_view>
#include <vector>

namespace tessel {

class View;
struct Picture;

// Loads the help into the store unless it is there (every pass over the store stops first)
// and shows its start in the view's full text. 0 shown, 9 failure (reported).
int openHelp(View& view);
// Puts the head of help chapter `chapter` at the top of the view. 0 moved, 1 no such chapter.
int showHelpChapter(View& view, int chapter);

// Colours a help line: its chapter head and its links. `attr` holds one attribute per byte of
// the line.
void markHelpLine(std::string_view line, char* attr);

// The chapter a help link at a text cell of the full text points to, 0 when none is there.
int helpLinkAt(const View& view, int row, int column);

struct HelpPictureShape {
    std::string_view name;  // of the embedded picture
    int x = 0;              // where the scaled picture stands in the view
    int y = 0;
    int width = 0;
    int height = 0;
    int clipTop = 0;  // the rows of text it may cover: [clipTop, clipBottom)
    int clipBottom = 0;
};
// The pictures over the view's rows (none in a filtered view or file list).
std::vector<HelpPictureShape> helpPictureShapes(const View& view);
// The decoded picture (decoded on first use), null when it cannot be had.
const Picture* helpPicture(std::string_view name);

}  // namespace tessel
