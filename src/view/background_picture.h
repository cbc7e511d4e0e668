// The background picture the configuration chooses by the time of day ("on time HH:MM
// background FILE"), drawn paled behind the text of every view. CONTROL+SHIFT+B steps the
// shade: 1 shows the picture as it is, 20 leaves a trace of it.
#pragma once

#include <string>

#include "platform/pictures.h"

namespace tessel {

// The picture file the configuration chooses for now ("" for none); a relative name is
// taken from the configuration file's folder.
std::string chosenBackgroundFile();

// The picture for a view of width x height pixels, scaled to cover it and paled by `shade`;
// null when none is chosen or it cannot be read (reported once, with "[blue] background
// image disabled.").
const Picture* backgroundFor(int width, int height, int shade);
// Forgets the pictures read, so that the next paint reads the chosen file again.
void resetBackground();

// The source scaled to cover width x height (centred, the overhang cut off) with every
// channel moved towards white: 255 - (255 - c) / shade.
Picture coverAndPale(const Picture& source, int width, int height, int shade);

}  // namespace tessel
