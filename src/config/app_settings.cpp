#include "config/app_settings.h"

#include <string_view>

namespace tessel {
namespace {

struct ColorName {
    const char* name;
    int slot;
    uint32_t rgb;  // as written: RRGGBB
};

constexpr ColorName kColorNames[] = {
    {"shl-keys1", 1, 0x0000D0},   {"shl-keys2", 2, 0x0000D0},   {"shl-keys3", 3, 0x0000D0},
    {"shl-keys4", 4, 0x0000D0},   {"shl-keys5", 5, 0x0000D0},   {"shl-keys6", 6, 0xF06000},
    {"shl-remarks", 7, 0x008060}, {"shl-strings", 8, 0x707070}, {"group-match", 9, 0xCCFFCC},
    {"group-miss", 10, 0xFFCCCC},
};

// RRGGBB to the stored 0x00BBGGRR.
constexpr uint32_t storedColor(uint32_t rgb) {
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

}  // namespace

int colorSlotOf(const char* name, size_t length) {
    for (const ColorName& entry : kColorNames) {
        if (std::string_view(entry.name) == std::string_view(name, length)) {
            return entry.slot;
        }
    }
    return -1;
}

uint32_t defaultColor(int slot) {
    for (const ColorName& entry : kColorNames) {
        if (entry.slot == slot) return storedColor(entry.rgb);
    }
    return 0;
}

AppSettings& appSettings() {
    static AppSettings settings = [] {
        AppSettings initial;
        for (int slot = 1; slot < kColorSlots; ++slot) initial.colors[slot] = defaultColor(slot);
        return initial;
    }();
    return settings;
}

void resetAppSettings() {
    AppSettings& settings = appSettings();
    AppSettings fresh;
    fresh.linuxMode = settings.linuxMode;
    fresh.portableMode = settings.portableMode;
    fresh.executablePath = settings.executablePath;
    fresh.frameMode = settings.frameModeFromCommandLine ? settings.frameMode : FrameMode::kDefault;
    fresh.frameModeFromCommandLine = settings.frameModeFromCommandLine;
    for (int slot = 1; slot < kColorSlots; ++slot) fresh.colors[slot] = defaultColor(slot);
    settings = std::move(fresh);
}

}  // namespace tessel
