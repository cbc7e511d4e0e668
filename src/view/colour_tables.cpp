#include "view/colour_tables.h"

#include "config/app_settings.h"
#include "view/row_attributes.h"

namespace tessel {
namespace {

struct AttrColour {
    char attr;
    uint32_t colour;
};

constexpr AttrColour kTextColours[] = {
    {'\t', 0xCCCCCC}, {'0', 0xAA0000}, {'1', 0x00AA00}, {'L', 0x00AA00}, {'2', 0x0000AA},
    {'3', 0xAAAA00},  {'4', 0x00AAAA}, {'5', 0xAA00AA}, {'6', 0xFF0000}, {'7', 0x00FF00},
    {'8', 0x0000FF},  {'s', 0x0000FF}, {'9', 0xFFFF00}, {'A', 0xFF00FF}, {'a', 0x00FFFF},
    {'l', 0x0000AA},  {'F', 0x0000B0}, {'f', 0x0000B0}, {'g', 0xAAAAAA}, {'H', 0x888888},
    {'_', 0x999999},  {'h', 0x0000BB}, {'m', 0xF06000}, {'p', 0xAAAADD}, {'e', 0xAA0000},
    {'E', 0xAA0000},  {'~', 0xC00090},
};

constexpr AttrColour kBackgrounds[] = {
    {16, 0xFF0000},  {17, 0x00CC00},  {18, 0x0000FF},  {19, 0xBBBB00},  {20, 0x00CCCC},
    {21, 0xEE00EE},  {22, 0xFF9999},  {'=', 0xFF9999}, {23, 0x77FF77},  {';', 0x77FF77},
    {24, 0xBBBBFF},  {'T', 0xBBBBFF}, {25, 0xFAFA00},  {26, 0x00FFFF},  {':', 0x00FFFF},
    {27, 0xFF90FF},  {'>', 0xFF90FF}, {31, 0xFFFF50},  {'s', 0xFFFF50}, {'<', 0xFFE050},
    {'@', 0xB0FFFF}, {'F', 0xFFF5B3}, {'m', 0xFFFFD0}, {'n', 0xFFFFC0}, {'t', 0xDDDDFF},
    {'u', 0xFFFFAA}, {'w', 0xCCCCCC},
};

// Syntax classes take the configured colours 1 to 8 in this order.
constexpr char kSyntaxAttrs[] = {'i', 'I', 'k', 'K', 'b', 'c', 'r', 'G'};

// Stored colours are 0x00BBGGRR; the tables speak 0xRRGGBB.
uint32_t fromStored(uint32_t bgr) {
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

}  // namespace

bool ColourTables::backgroundOf(char attr, Color* colour) const {
    auto index = static_cast<uint8_t>(attr);
    if (!hasBackground[index]) return false;
    if (colour) *colour = background[index];
    return true;
}

ColourTables makeColourTables(const std::array<uint32_t, 11>& syntaxColours, bool singleHit) {
    ColourTables tables;
    tables.text.fill(rgb(0x000000));
    tables.background.fill(rgb(0xFFFFFF));
    tables.hasBackground.fill(false);
    auto setText = [&](char attr, uint32_t colour) {
        tables.text[static_cast<uint8_t>(attr)] = rgb(colour);
    };
    auto setBackground = [&](char attr, uint32_t colour) {
        tables.background[static_cast<uint8_t>(attr)] = rgb(colour);
        tables.hasBackground[static_cast<uint8_t>(attr)] = true;
    };
    for (const auto& entry : kTextColours) setText(entry.attr, entry.colour);
    for (char strong = 16; strong <= 21; ++strong) setText(strong, 0xFFFFFF);
    for (int i = 0; i < 8; ++i) setText(kSyntaxAttrs[i], syntaxColours[static_cast<size_t>(i + 1)]);
    for (const auto& entry : kBackgrounds) setBackground(entry.attr, entry.colour);
    setBackground(28, syntaxColours[9]);
    setBackground(29, syntaxColours[10]);
    setText(kAttrHit, singleHit ? 0x900000 : 0xAA0000);
    setBackground(kAttrHit, singleHit ? 0xFFE090 : 0xFFFFA0);
    return tables;
}

ColourTables colourTablesFor(int64_t hitCount) {
    const AppSettings& app = appSettings();
    std::array<uint32_t, 11> syntax{};
    for (int slot = 1; slot < kColorSlots && slot < 11; ++slot) {
        syntax[static_cast<size_t>(slot)] = fromStored(app.colors[static_cast<size_t>(slot)]);
    }
    return makeColourTables(syntax, app.extraHighlightSingleHit && hitCount == 1);
}

}  // namespace tessel
