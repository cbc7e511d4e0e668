// Settings that are not rows of the setting table: window placement, frame mode, clipboard
// automation, timings and the many tuning values the configuration keywords of the file set
// directly. Plain fields; the keyword parser writes them, the modules that use them read
// them. Fields marked with a special id take part in the touched mechanism: whoever changes
// one at run time calls config().touch(id) so that the next save rewrites its line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tessel {

inline constexpr size_t kFrameTextChars = 39;       // "area", "space"
inline constexpr size_t kClipTextChars = 189;       // clip find/path texts, separator line
inline constexpr size_t kFileMonOptionsChars = 89;  // "filemonoptions"

enum class FrameMode { kDefault, kMaster, kIsolated, kOverscan };
enum class CentralBookUse { kForUrls, kAlways };

// Colour slots of the "color" keyword; values are stored as 0x00BBGGRR.
enum ColorSlot : int {
    kColorShlKeys1 = 1,  // ... kColorShlKeys1 + 5 for shl-keys6
    kColorShlKeys6 = 6,
    kColorShlRemarks = 7,
    kColorShlStrings = 8,
    kColorGroupMatch = 9,
    kColorGroupMiss = 10,
};
inline constexpr int kColorSlots = 11;  // slot 0 unused

struct AppSettings {
    // Process-wide modes decided at start-up (executable name, options) and by "linux".
    bool linuxMode = true;
    bool portableMode = false;
    std::string executablePath;

    // Loading.
    int32_t maxLoadMb = 500;  // "maxload": load ask limit
    bool maxLoadSetByUser = false;
    int32_t maxCacheMb = 0;  // "maxcache"; 0 while the loader's own default applies
    bool fastLoad = false;
    int32_t fileMonDelay = 0;
    int32_t fileMonWait = 0;
    std::string fileMonOptions;
    int32_t reloadScanMaxTimeMs = 15000;

    // Configuration file.
    bool autoLoadConfigEnabled = true;
    bool autoLoadConfigActive = true;

    // Search and highlights.
    int32_t oneClickSearchDelay = 300;
    int32_t searchDelay = 800;
    int32_t extendedSearchDelay = 800;
    int32_t mouseBookDelay = 5000;  // -1: searches blocked while the mouse is on bookmarks
    int32_t wordShowTime = 1500;
    int32_t wordShowDelay = 0;  // special id 13
    bool noUmlauts = false;
    int32_t autoResetFindMs = 0;
    bool shiftHighlight = false;
    bool jumpResultsByCtrlCursor = false;
    bool jumpResultsByShiftMouseWheel = false;
    bool jumpResultsByLButtonMouseWheel = false;
    bool exitFilterOnSingleHit = true;
    bool extraHighlightSingleHit = true;
    bool filterOnCtrlF = false;

    // Keys and scripts.
    bool userKeys = true;

    // Frame and views.
    std::string area;                           // special id 1, "x:y:w:h"; empty for the default
    std::string space;                          // special id 2; empty for the default
    FrameMode frameMode = FrameMode::kDefault;  // special id 3
    bool frameModeFromCommandLine = false;      // the command line chose; the file is ignored
    bool startLean = false;
    int32_t autoSelectFont2Width = 0;  // 0: off
    bool mainFont2Selected = false;    // display state of the font choice
    bool bookFont2Selected = false;
    int32_t borderWidth = 0;
    int32_t borderHeight = 0;
    int32_t tabSize = 0;  // "tabsize": fixed tab size, 0 for the default
    int32_t cursorBlinkSpeed = 1000;
    bool autoSurf = false;
    int32_t vSurfSensitivity = 3;
    int32_t hSurfSensitivity = 6;
    bool doubleClickExpand = true;
    int32_t expandWeightPerMille = 200;
    int32_t sidebarAlpha = 0;
    int32_t openExtInfo = 0;
    bool useCmdForOpen = false;

    // Bookmarks.
    int32_t startBmSet = 1;     // special id 4
    int32_t farBookSearch = 2;  // 0 never, 1 ask, 2 without asking
    bool checkBookFiles = true;
    std::string centralBookDir;
    CentralBookUse centralBookUse = CentralBookUse::kForUrls;

    // Clipboard automation: the current texts and the values written back (special ids 5-10,
    // find/path of views 1 ... 3).
    std::array<std::string, 6> clipText;
    std::array<std::string, 6> clipTextToWrite;
    bool clipAllowDups = false;
    int32_t clipReloadTop = -1;  // -1 default
    int32_t clipReloadBottom = -1;
    int32_t clipMinLines = 0;
    bool clipAddSep = false;    // special id 11
    std::string separatorLine;  // special id 12
    int32_t clipAutoDelayInitial = 0;
    int32_t clipAutoDelayFallback = 200;
    int32_t clipAutoDelayMax = 500;
    int32_t clipAutoDelayCurrent = 0;
    bool clipWriteDelay = false;
    bool scanClipUrl = false;

    // Network text: listen on the loopback address only ("netTextReceiveLocal").
    bool netTextReceiveLocal = false;

    // Download disk cache.
    int32_t cacheToDisk = 0;  // 0 off, 1 on, 2 ask on save
    std::string cachePath;

    std::array<uint32_t, kColorSlots> colors{};
};

AppSettings& appSettings();
// Built-in values of all fields except the modes decided at start-up (linux, portable,
// executable path, frame mode from the command line), which survive.
void resetAppSettings();

// Colour names of the "color" keyword: slot for a name, -1 when unknown.
int colorSlotOf(const char* name, size_t length);
uint32_t defaultColor(int slot);  // 0x00BBGGRR

}  // namespace tessel
