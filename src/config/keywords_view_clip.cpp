// Keywords of the frame and views, bookmarks, clipboard automation and colours.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/keyword_support.h"
#include "config/qv_config.h"

namespace tessel::configdetail {
namespace {

int setFrameText(const Keyword& k, std::string& field, int id, bool verboseOnly) {
    if (tooLong(k, kFrameTextChars)) return 9;
    if (k.value == "default") {
        field.clear();
    } else {
        field.assign(k.value);
    }
    recordLine(id, k.key);
    if (!verboseOnly || verboseMode()) {
        logMessage("%.*s = %.*s", shown(k.key), k.key.data(), shown(k.value), k.value.data());
    }
    return 0;
}

int onArea(const Keyword& k) {
    return setFrameText(k, appSettings().area, kIdArea, false);
}

int onSpace(const Keyword& k) {
    return setFrameText(k, appSettings().space, kIdSpace, true);
}

int onAutoSelectFont2(const Keyword& k) {
    appSettings().autoSelectFont2Width = k.number;
    if (k.number != 0) {
        logMessage("[blue] autoselectfont2 for width >= %ld", static_cast<long>(k.number));
    }
    return 0;
}

int onBorder(const Keyword& k) {
    size_t comma = k.value.find(',');
    appSettings().borderWidth = decimalValueOf(k.value.substr(0, comma));
    if (comma != std::string_view::npos) {
        appSettings().borderHeight = decimalValueOf(k.value.substr(comma + 1));
    }
    logMessage("borderwidth = %ld", static_cast<long>(appSettings().borderWidth));
    return 0;
}

int onBorderWidth(const Keyword& k) {
    appSettings().borderWidth = k.number;
    logMessage("borderwidth = %ld", static_cast<long>(k.number));
    return 0;
}

int onBorderHeight(const Keyword& k) {
    appSettings().borderHeight = k.number;
    logMessage("borderheight = %ld", static_cast<long>(k.number));
    return 0;
}

int onTabSize(const Keyword& k) {
    if (k.value == "default") {
        appSettings().tabSize = 0;
        return 0;
    }
    appSettings().tabSize = k.number;
    logMessage("fixed tab size = %ld", static_cast<long>(k.number));
    return 0;
}

int onFrameMode(const Keyword& k) {
    FrameMode mode;
    if (k.value == "default") {
        mode = FrameMode::kDefault;
    } else if (k.value == "master") {
        mode = FrameMode::kMaster;
    } else if (k.value == "isolated") {
        mode = FrameMode::kIsolated;
    } else if (k.value == "overscan") {
        mode = FrameMode::kOverscan;
    } else {
        logError(0, "invalid framemode, ignoring.\n");
        return 9;
    }
    recordLine(kIdFrameMode, k.key);
    if (!appSettings().frameModeFromCommandLine) appSettings().frameMode = mode;
    return 0;
}

int onStartLean(const Keyword& k) {
    appSettings().startLean = k.number != 0;
    if (k.number != 0) logMessage("start lean = %ld", static_cast<long>(k.number));
    return 0;
}

int onStartBmSet(const Keyword& k) {
    // The set number picks one of nine files; anything else would name no set.
    if (k.number < 1 || k.number > 9) {
        logError(0, "startbmset must be 1 ... 9");
        return 9;
    }
    appSettings().startBmSet = k.number;
    recordLine(kIdStartBmSet, k.key);
    if (k.number > 1) logMessage("start bookmark set = %ld", static_cast<long>(k.number));
    return 0;
}

int setLoggedFlag(const Keyword& k, bool& field, const char* format) {
    field = k.number != 0;
    logMessage(format, static_cast<long>(k.number));
    return 0;
}

int onJumpCtrlCursor(const Keyword& k) {
    return setLoggedFlag(k, appSettings().jumpResultsByCtrlCursor,
                         "jump results by ctrl+cursor = %ld");
}

int onJumpShiftWheel(const Keyword& k) {
    return setLoggedFlag(k, appSettings().jumpResultsByShiftMouseWheel,
                         "jump results by shift+mwheel = %ld");
}

int onJumpLButtonWheel(const Keyword& k) {
    return setLoggedFlag(k, appSettings().jumpResultsByLButtonMouseWheel,
                         "jump results by lbutton+mwheel = %ld");
}

int onExitFilterOnSingleHit(const Keyword& k) {
    return setLoggedFlag(k, appSettings().exitFilterOnSingleHit, "exit filter on single hit = %ld");
}

int onExtraHighlightSingleHit(const Keyword& k) {
    return setLoggedFlag(k, appSettings().extraHighlightSingleHit,
                         "extra highlight single hit = %ld");
}

int onCheckBookFiles(const Keyword& k) {
    return setLoggedFlag(k, appSettings().checkBookFiles, "check bookmark files on startup = %ld");
}

int onFilterOnCtrlF(const Keyword& k) {
    return setLoggedFlag(k, appSettings().filterOnCtrlF, "filter on CTRL+F = %ld");
}

int onFarBookSearch(const Keyword& k) {
    if (k.number < 0 || k.number > 2) {
        logMessage("[note] invalid farbooksearch, use 0, 1 or 2");
        return 9;
    }
    appSettings().farBookSearch = k.number;
    logMessage("far bookmark searching = %ld", static_cast<long>(k.number));
    return 0;
}

int onCentralBookDir(const Keyword& k) {
    std::string folder(k.value);
    const std::string& exe = appSettings().executablePath;
    size_t slash = exe.find_last_of("/\\");
    if (slash != std::string::npos) {
        std::string home = exe.substr(0, slash);
        for (size_t at = folder.find("$tesselhome"); at != std::string::npos;
             at = folder.find("$tesselhome", at + home.size())) {
            folder.replace(at, std::strlen("$tesselhome"), home);
        }
    }
    appSettings().centralBookDir = folder;
    logMessage("centralbookdir = \"%.200s\"", folder.c_str());
    return 0;
}

int onCentralBookUse(const Keyword& k) {
    if (k.value == "forurls") {
        appSettings().centralBookUse = CentralBookUse::kForUrls;
    } else if (k.value == "always") {
        appSettings().centralBookUse = CentralBookUse::kAlways;
    } else {
        logError(0, "wrong value for centralbookuse");
        logMessage("[error] supply \"forurls\" or \"always\"");
        return 9;
    }
    logMessage("centralbookuse = %.*s", shown(k.value), k.value.data());
    return 0;
}

int onClipText(const Keyword& k) {
    if (tooLong(k, kClipTextChars)) return 9;
    // view1clipfind, view1clippath, view2clipfind ... in special id order.
    int view = k.key[4] - '1';
    int slot = view * 2 + (k.key.ends_with("path") ? 1 : 0);
    appSettings().clipText[static_cast<size_t>(slot)].assign(k.value);
    appSettings().clipTextToWrite[static_cast<size_t>(slot)].assign(k.value);
    recordLine(kIdView1ClipFind + slot, k.key);
    return 0;
}

int onClipAllowDups(const Keyword& k) {
    appSettings().clipAllowDups = k.number != 0;
    return 0;
}

int onClipReloadTop(const Keyword& k) {
    appSettings().clipReloadTop = k.value == "default" ? -1 : (k.number != 0 ? 1 : 0);
    return 0;
}

int onClipReloadBottom(const Keyword& k) {
    appSettings().clipReloadBottom = k.value == "default" ? -1 : (k.number != 0 ? 1 : 0);
    return 0;
}

int onClipMinLines(const Keyword& k) {
    appSettings().clipMinLines = k.number;
    return 0;
}

int onClipAddSep(const Keyword& k) {
    appSettings().clipAddSep = k.number != 0;
    recordLine(kIdClipAddSep, k.key);
    return 0;
}

int onSeparatorLine(const Keyword& k) {
    if (tooLong(k, kClipTextChars)) return 9;
    appSettings().separatorLine.assign(k.value);
    recordLine(kIdSeparatorLine, k.key);
    if (!k.value.starts_with("-----")) {
        logMessage("separatorline = \"%.30s\"", appSettings().separatorLine.c_str());
    }
    return 0;
}

int onClipAutoDelay(const Keyword& k) {
    AppSettings& app = appSettings();
    if (k.value == "default") {
        app.clipAutoDelayInitial = 0;
        app.clipAutoDelayFallback = 200;
        app.clipAutoDelayMax = 500;
    } else {
        int32_t values[3] = {app.clipAutoDelayInitial, app.clipAutoDelayFallback,
                             app.clipAutoDelayMax};
        size_t start = 0;
        for (int i = 0; i < 3 && start <= k.value.size(); ++i) {
            size_t comma = k.value.find(',', start);
            values[i] = decimalValueOf(k.value.substr(start, comma - start));
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
        app.clipAutoDelayInitial = values[0];
        app.clipAutoDelayFallback = values[1];
        app.clipAutoDelayMax = values[2];
        logMessage("clipautodelay = %ld,%ld,%ld", static_cast<long>(values[0]),
                   static_cast<long>(values[1]), static_cast<long>(values[2]));
    }
    app.clipAutoDelayCurrent = app.clipAutoDelayInitial;
    return 0;
}

int onClipWriteDelay(const Keyword& k) {
    appSettings().clipWriteDelay = k.number != 0;
    if (k.number != 0) logMessage("clipwritedelay = %s", "on");
    return 0;
}

int onScanClipUrl(const Keyword& k) {
    appSettings().scanClipUrl = k.number != 0;
    if (k.number != 0) logMessage("scanclipurl = %s", "on");
    return 0;
}

int setSensitivity(const Keyword& k, int32_t& field, const char* name) {
    if (k.number < 1 || k.number > 50) {
        logMessage("[note] invalid %s, use 1 to 50", name);
        return 9;
    }
    field = k.number;
    logMessage("%.5s sensitivity = %d", name, static_cast<int>(k.number));
    return 0;
}

int onVSurf(const Keyword& k) {
    return setSensitivity(k, appSettings().vSurfSensitivity, "vsurfsensitivity");
}

int onHSurf(const Keyword& k) {
    return setSensitivity(k, appSettings().hSurfSensitivity, "hsurfsensitivity");
}

int onDoubleClickExpand(const Keyword& k) {
    appSettings().doubleClickExpand = k.number != 0;
    return 0;
}

int onOpenExtInfo(const Keyword& k) {
    appSettings().openExtInfo = k.number;
    return 0;
}

int onExpandWeight(const Keyword& k) {
    if (k.number < 10 || k.number > 50) {
        logMessage("[note] invalid expandweight, use 10 to 50");
        return 9;
    }
    appSettings().expandWeightPerMille = k.number * 10;
    logMessage("double click expand = %d%%", static_cast<int>(k.number));
    return 0;
}

int onColor(const Keyword& k) {
    std::string_view rest = k.value;
    size_t nameEnd = rest.find_first_of(" \t");
    std::string_view name = rest.substr(0, nameEnd);
    if (name.empty()) {
        logError(0, "color: missing color name");
        return 9;
    }
    if (name.size() >= 90) {
        logError(0, "illegal color name: %.30s", std::string(name.substr(0, 30)).c_str());
        return 9;
    }
    std::string nameText(name);
    std::string_view value;
    if (nameEnd != std::string_view::npos) {
        rest = rest.substr(nameEnd);
        size_t valueStart = rest.find_first_not_of(" \t");
        if (valueStart != std::string_view::npos) {
            rest = rest.substr(valueStart);
            value = rest.substr(0, rest.find_first_of(" \t"));
        }
    }
    if (value.empty()) {
        logError(0, "missing color value: %.30s", nameText.c_str());
        return 9;
    }
    if (value.starts_with("0x")) value.remove_prefix(2);
    bool hex = std::all_of(value.begin(), value.end(),
                           [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    if (value.size() != 6 || !hex) {
        logError(0, "wrong color value: %.30s", std::string(value.substr(0, 30)).c_str());
        logMessage("[error] supply an RGB expression like 55AAFF");
        return 9;
    }
    int slot = colorSlotOf(name.data(), name.size());
    if (slot < 0) {
        logError(0, "unknown color name: %.30s", nameText.c_str());
        return 9;
    }
    uint32_t rgb = static_cast<uint32_t>(configValueOf("0x" + std::string(value)));
    appSettings().colors[static_cast<size_t>(slot)] =
        ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return 0;
}

int onSidebarTrans(const Keyword& k) {
    if (k.number < 0 || k.number > 85) {
        logMessage("[note] invalid sidebar transparency, use 0 to 85");
        return 9;
    }
    appSettings().sidebarAlpha = k.number * 255 / 100;
    logMessage("sidebar transparency %d%%", static_cast<int>(k.number));
    return 0;
}

int onUseCmdForOpen(const Keyword& k) {
    appSettings().useCmdForOpen = k.number != 0;
    logMessage("usecmdforopen = %d", static_cast<int>(k.number));
    return 0;
}

constexpr KeywordHandler kViewClipKeywords[] = {
    {"area", false, onArea},
    {"space", false, onSpace},
    {"autoselectfont2", false, onAutoSelectFont2},
    {"border", false, onBorder},
    {"borderwidth", false, onBorderWidth},
    {"borderheight", false, onBorderHeight},
    {"tabsize", false, onTabSize},
    {"framemode", false, onFrameMode},
    {"startlean", false, onStartLean},
    {"startbmset", false, onStartBmSet},
    {"jumpresultsbyctrlcursor", false, onJumpCtrlCursor},
    {"jumpresultsbyshiftmwheel", false, onJumpShiftWheel},
    {"jumpresultsbylbuttonmwheel", false, onJumpLButtonWheel},
    {"exitfilteronsinglehit", false, onExitFilterOnSingleHit},
    {"extrahighlightsinglehit", false, onExtraHighlightSingleHit},
    {"farbooksearch", false, onFarBookSearch},
    {"checkbookfiles", false, onCheckBookFiles},
    {"filteronctlf", false, onFilterOnCtrlF},
    {"centralbookdir", false, onCentralBookDir},
    {"centralbookuse", false, onCentralBookUse},
    {"view1clipfind", false, onClipText},
    {"view1clippath", false, onClipText},
    {"view2clipfind", false, onClipText},
    {"view2clippath", false, onClipText},
    {"view3clipfind", false, onClipText},
    {"view3clippath", false, onClipText},
    {"clipallowdups", true, onClipAllowDups},
    {"clipreloadtop", true, onClipReloadTop},
    {"clipreloadbottom", true, onClipReloadBottom},
    {"clipminlines", true, onClipMinLines},
    {"clipaddsep", true, onClipAddSep},
    {"separatorline", false, onSeparatorLine},
    {"clipautodelay", true, onClipAutoDelay},
    {"clipwritedelay", true, onClipWriteDelay},
    {"scanclipurl", true, onScanClipUrl},
    {"vsurfsensitivity", false, onVSurf},
    {"hsurfsensitivity", false, onHSurf},
    {"doubleclickexpand", false, onDoubleClickExpand},
    {"openextinfo", false, onOpenExtInfo},
    {"expandweight", false, onExpandWeight},
    {"color", false, onColor},
    {"sidebartrans", false, onSidebarTrans},
    {"usecmdforopen", false, onUseCmdForOpen},
};

}  // namespace

std::span<const KeywordHandler> viewClipKeywords() {
    return kViewClipKeywords;
}

}  // namespace tessel::configdetail
