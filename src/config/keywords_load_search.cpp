// Keywords of loading, searching, timing and the download cache.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/keyword_support.h"
#include "config/qv_config.h"

namespace tessel::configdetail {
namespace {

int onMaxLoad(const Keyword& k) {
    if (k.value == "default") return 0;
    AppSettings& app = appSettings();
    if (k.number < 20) {
        app.maxLoadMb = 20;
        logError(0, "wrong maxload value, specify at least 20");
        return 9;
    }
    app.maxLoadMb = k.number;
    app.maxLoadSetByUser = true;
    logMessage("safe load limit = %ld mbytes", static_cast<long>(k.number));
    return 0;
}

int onMaxCache(const Keyword& k) {
    if (k.value == "default") return 0;
    if (k.number < 200) {
        appSettings().maxCacheMb = 200;
        logError(0, "wrong maxcache value, specify at least 200");
        return 9;
    }
    appSettings().maxCacheMb = k.number;
    logMessage("cache limit = %ld mbytes", static_cast<long>(k.number));
    return 0;
}

int onAutoLoadConfig(const Keyword& k) {
    appSettings().autoLoadConfigEnabled = k.number != 0;
    appSettings().autoLoadConfigActive = k.number != 0;
    if (k.number == 0) logMessage("autoloadconfig = %s", "off");
    return 0;
}

int onFileMonDelay(const Keyword& k) {
    appSettings().fileMonDelay = k.number;
    logMessage("file monitor delay = %ld", static_cast<long>(k.number));
    return 0;
}

int onFileMonWait(const Keyword& k) {
    appSettings().fileMonWait = k.number;
    logMessage("file monitor max wait = %ld", static_cast<long>(k.number));
    return 0;
}

int onFileMonOptions(const Keyword& k) {
    if (tooLong(k, kFileMonOptionsChars)) return 9;
    appSettings().fileMonOptions.assign(k.value);
    logMessage("file monitor options = %.*s", shown(k.value), k.value.data());
    return 0;
}

int onOneClickSearchDelay(const Keyword& k) {
    appSettings().oneClickSearchDelay = k.number;
    if (k.number != 300) logMessage("o/c search delay = %ld", static_cast<long>(k.number));
    return 0;
}

int onUserKeys(const Keyword& k) {
    appSettings().userKeys = k.number != 0;
    if (k.number == 0) logMessage("user keys = %s", "off");
    return 0;
}

int onSearchDelay(const Keyword& k) {
    if (k.number > 10 && k.number != 800) {
        appSettings().searchDelay = k.number;
        appSettings().extendedSearchDelay = k.number;
        logMessage("search delay = %ld msec", static_cast<long>(k.number));
    }
    return 0;
}

int onMouseBookDelay(const Keyword& k) {
    int32_t delay = k.number;
    if (delay < 0) {
        appSettings().mouseBookDelay = -1;
        logMessage("mouse over book blocks search");
        return 0;
    }
    if (delay < 50 || delay > 30000) delay = 5000;
    appSettings().mouseBookDelay = delay;
    if (delay != 3000 && delay != 5000) {
        logMessage("mouse over book search delay = %ld msec", static_cast<long>(delay));
    }
    return 0;
}

int onWordShowTime(const Keyword& k) {
    if (k.number <= 0) {
        appSettings().wordShowTime = 0;
        logMessage("mouseword highlight off");
        return 0;
    }
    int32_t time = std::clamp(k.number, 100, 10000);
    appSettings().wordShowTime = time;
    if (time != 1500) logMessage("mouseword show time = %ld msec", static_cast<long>(time));
    return 0;
}

int onWordShowDelay(const Keyword& k) {
    int32_t delay = k.number <= 0 ? 0 : std::clamp(k.number, 100, 10000);
    appSettings().wordShowDelay = delay;
    if (delay > 0 && delay != 100) {
        logMessage("temporary word highlight delay = %ld msec", static_cast<long>(delay));
    }
    recordLine(kIdWordShowDelay, k.key);
    return 0;
}

int onFastLoad(const Keyword& k) {
    appSettings().fastLoad = k.number != 0;
    logMessage("[blue] fastload = %s", onOff(k.number));
    return 0;
}

int onCursorBlinkSpeed(const Keyword& k) {
    if (k.number < 1000 || k.number > 5000) {
        logError(0, "cursorblinkspeed must be 1000 ... 5000");
        return 9;
    }
    appSettings().cursorBlinkSpeed = k.number;
    return 0;
}

int onNoUmlauts(const Keyword& k) {
    appSettings().noUmlauts = k.number != 0;
    if (k.number != 0) {
        setWordCharThreshold(0xFF);
        logMessage("umlauts excluded on selection");
    } else {
        setWordCharThreshold(0xC0);
    }
    return 0;
}

int onReloadScanMaxTime(const Keyword& k) {
    int64_t ms = static_cast<int64_t>(k.number) * 1000;
    appSettings().reloadScanMaxTimeMs = static_cast<int32_t>(std::clamp<int64_t>(ms, 0, INT32_MAX));
    if (k.number != 15) logMessage("reload scan max time = %ld sec", static_cast<long>(k.number));
    return 0;
}

int onAutoSurf(const Keyword& k) {
    appSettings().autoSurf = k.number != 0;
    logMessage("autosurf = %s", onOff(k.number));
    return 0;
}

int onAutoResetFind(const Keyword& k) {
    appSettings().autoResetFindMs = std::max(k.number, 0);
    if (k.number != 0) logMessage("autoresetfind = %ld msec", static_cast<long>(k.number));
    return 0;
}

int onCacheToDisk(const Keyword& k) {
    if (k.value == "ask") {
        appSettings().cacheToDisk = 2;
        logMessage("cache to disk = read and ask on save.");
        return 0;
    }
    appSettings().cacheToDisk = k.number != 0 ? 1 : 0;
    logMessage("cache to disk = %s", onOff(k.number));
    return 0;
}

int onCachePath(const Keyword& k) {
    appSettings().cachePath.assign(k.value);
    logMessage("disk cache path = \"%.30s\"", appSettings().cachePath.c_str());
    return 0;
}

int onCase(const Keyword& k) {
    recordLine(238, k.key);
    return 0;
}

int onAccent(const Keyword& k) {
    recordLine(241, k.key);
    return 0;
}

int onPunct(const Keyword& k) {
    recordLine(243, k.key);
    return 0;
}

int onShiftHighlight(const Keyword& k) {
    appSettings().shiftHighlight = k.number != 0;
    return 0;
}

int onNetTextReceiveLocal(const Keyword& k) {
    appSettings().netTextReceiveLocal = k.number != 0;
    return 0;
}

int onIgnored(const Keyword&) {
    return 0;
}

constexpr KeywordHandler kLoadSearchKeywords[] = {
    {"maxload", false, onMaxLoad},
    {"maxcache", false, onMaxCache},
    {"autoloadconfig", false, onAutoLoadConfig},
    {"filemondelay", false, onFileMonDelay},
    {"filemonwait", false, onFileMonWait},
    {"filemonoptions", false, onFileMonOptions},
    {"oneclicksearchdelay", false, onOneClickSearchDelay},
    {"userkeys", false, onUserKeys},
    {"searchdelay", false, onSearchDelay},
    {"mousebookdelay", false, onMouseBookDelay},
    {"wordshowtime", false, onWordShowTime},
    {"wordshowdelay", false, onWordShowDelay},
    {"fastload", false, onFastLoad},
    {"cursorblinkspeed", false, onCursorBlinkSpeed},
    {"noumlauts", false, onNoUmlauts},
    {"reload-scan-max-time", false, onReloadScanMaxTime},
    {"autosurf", false, onAutoSurf},
    {"autoresetfind", false, onAutoResetFind},
    {"cachetodisk", false, onCacheToDisk},
    {"cachepath", false, onCachePath},
    {"case", false, onCase},
    {"accent", false, onAccent},
    {"punct", false, onPunct},
    {"shifthighlight", false, onShiftHighlight},
    {"netTextReceiveLocal", false, onNetTextReceiveLocal},
    {"jumpresultsbyshiftcursor", false, onIgnored},
    {"touchdragspeed", false, onIgnored},
    {"touchdragaccel", false, onIgnored},
    {"xcontext", false, onIgnored},
    {"displaycache", false, onIgnored},
    {"invertsurf", false, onIgnored},
    {"surfsensitivity", false, onIgnored},
    {"loadutf", false, onIgnored},
    {"loadinsert", false, onIgnored},
    {"softdragenable", false, onIgnored},
    {"scrollstartspeed", false, onIgnored},
    {"movelockpos", false, onIgnored},
    {"scrollmaxspeed", false, onIgnored},
    {"cruisemousedrag", false, onIgnored},
    {"invertscrolldir", false, onIgnored},
    {"followcursor", false, onIgnored},
    {"scrolldeccurve", false, onIgnored},
    {"runeditor", false, onIgnored},
    {"scratchfolder", false, onIgnored},
    {"enablescratch", false, onIgnored},
};

}  // namespace

std::span<const KeywordHandler> loadSearchKeywords() {
    return kLoadSearchKeywords;
}

}  // namespace tessel::configdetail
