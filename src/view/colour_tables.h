// The two colour tables of the attribute characters: the text colour of every attribute and
// the background of the attributes that have one. Built once per paint so that the row
// painter looks colours up by index instead of walking the rules per character.
#pragma once

#include <array>
#include <cstdint>

#include "platform/geometry.h"

namespace tessel {

struct ColourTables {
    std::array<Color, 256> text{};
    std::array<Color, 256> background{};
    std::array<bool, 256> hasBackground{};

    Color textOf(char attr) const { return text[static_cast<uint8_t>(attr)]; }
    bool backgroundOf(char attr, Color* colour) const;
};

// Syntax colours 1 to 10 are 0xRRGGBB; singleHit picks the darker result colour used when the
// view has exactly one hit and that setting is on.
ColourTables makeColourTables(const std::array<uint32_t, 11>& syntaxColours, bool singleHit);
// The tables for the current settings and a view's hit count.
ColourTables colourTablesFor(int64_t hitCount);

}  // namespace tessel
