#include "app/startup.h"

#include <langinfo.h>
#include <strings.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/batch_driver.h"
#include "app/bookmark_glue.h"
#include "app/command_line.h"
#include "app/control_dialogs.h"
#include "app/edit_glue.h"
#include "app/live_clip.h"
#include "app/live_follow.h"
#include "app/live_reload.h"
#include "app/live_stdin.h"
#include "app/load_choice.h"
#include "app/load_ui.h"
#include "app/net_glue.h"
#include "app/script_glue.h"
#include "app/setup_glue.h"
#include "app/usage.h"
#include "app/view_windows.h"
#include "app/window_host.h"
#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "config/user_controls.h"
#include "platform/pictures.h"
#include "platform/platform.h"
#include "text/file_kind.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"
#include "view/help_view.h"
#include "view/search_driver.h"
#include "view/syntax_rows.h"
#include "view/view.h"
#include "zukmatch/context_rules.h"

namespace tessel {

namespace {

// Linux says through the locale's character set what the active code page is elsewhere: a
// UTF-8 locale keeps text as UTF-8, any other reads it as western European unless "-code"
// names another code page.
constexpr int kFallbackCodePage = 1252;
// Exit codes of a start-up that never reached the message loop.
constexpr int kExitStartupFailed = 2;
constexpr int kExitWindowsFailed = 3;
constexpr int kExitLoadFailed = 1;

// The locale is put back as it was, so that asking changes nothing else.
int localeCodePage() {
    const char* current = std::setlocale(LC_ALL, nullptr);
    const std::string saved = current ? current : "C";
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    const bool utf8 = codeset && strcasecmp(codeset, "UTF-8") == 0;
    std::setlocale(LC_ALL, saved.c_str());
    return utf8 ? kCodePageUtf8 : kFallbackCodePage;
}

void useCodePage(int page) {
    CodePageTables& tables = codePageTables();
    if (tables.init(page) == kCodePageSupported) {
        logMessage("using codepage %d (%s)", page, tables.name);
    } else {
        logMessage("accent insensitive search may not work");
        logMessage("because codepage %d is not supported.", page);
    }
    initUtf8Decoder(page);
    // Text on screen, in boxes and on the clipboard is read in the same code page.
    setCodePage(tables.codePage);
}

CommandLineHooks makeHooks() {
    CommandLineHooks hooks;
    hooks.loadConfiguration = [](const StartupOptions& options) {
        ConfigLocationInput input = ConfigLocationInput::fromProcess();
        input.executablePath = options.ownPath;
        input.portableMode = options.portableMode;
        input.linuxMode = options.linuxMode;
        input.confOption = options.configPath;
        int rc = loadConfiguration(input);
        return rc == 9 ? 9 : 0;
    };
    hooks.applyKeyword = [](const char* key, const char* value) {
        return applyConfigKeyword(key, value);
    };
    hooks.isConfigured = [](const char* key) { return isKeywordConfigured(key); };
    return hooks;
}

void applyTextOptions(const StartupOptions& options) {
    TextOptions& text = textOptions();
    text.utf8Decode = config().getInt("utf8decode") != 0;
    text.loadWchar = config().getInt("loadwchar") != 0;
    text.loadBin = config().getInt("loadbin") != 0;
    text.fastLoad = options.fastLoad || appSettings().fastLoad;
    // Kinds are worked out also with "-noshl": CONTROL+F7 may switch the colours on later.
    text.fileKind = fileKindOf;
    setSyntaxColours(!options.noSyntaxHighlight);
    // The views' line test must know that "-fastload" lines carry no closing blank.
    appSettings().fastLoad = text.fastLoad;
}

bool envFlag(const char* name, const char* value) {
    const char* set = std::getenv(name);
    return set != nullptr && std::strcmp(set, value) == 0;
}

// The window shows the log; a copy on standard output is asked for explicitly.
void printLogIfAsked() {
    if (!envFlag("TESSEL_PRINT_LOG", "1")) return;
    const std::string& all = messageLog().takeSnapshot();
    std::fwrite(all.data(), 1, all.size(), stdout);
    messageLog().freeSnapshot();
}

// The second main font is for large screens: chosen by the settings, or when the primary
// screen is at least as wide as "autoselectfont2" asks.
int createFonts() {
    AppSettings& app = appSettings();
    bool second = config().getInt("usemainfont2") != 0;
    const std::vector<MonitorArea> screens = screenAreas();
    if (!second && app.autoSelectFont2Width > 0 && !screens.empty() &&
        screens.front().full.width >= app.autoSelectFont2Width) {
        logMessage("high resolution, using mainfont2");
        second = true;
    }
    app.mainFont2Selected = second;
    return reloadScreenFonts();
}

FrameStart frameStartOf(const StartupOptions& options) {
    FrameStart start;
    start.area = options.area;
    start.space = options.space;
    start.frameGiven = options.frameGiven;
    start.monitorNumber = options.monitorNumber;
    start.lean = options.lean;
    start.isolated = options.frameIsolated;
    start.overscan = options.frameOverscan;
    start.singleScreen = options.singleScreen;
    start.instanceId = options.classSuffix;
    return start;
}

// The find and path texts of the command line become the focused view's masks.
void applyStartupSearch(const StartupOptions& options) {
    if (!options.findGiven && !options.pathGiven) return;
    View* view = frameFocusedView();
    if (!view) return;
    if (options.pathGiven) {
        if (traceMode()) logMessage("[blue] using -path argument");
        view->search.setPathMask(options.pathText);
        // As a typed path mask: it selects files wherever the text has file records.
        if (view->textStore().hasPrefix) view->search.pathSelectionActive = true;
    }
    if (options.findGiven) {
        logMessage("[blue] using -find argument");
        view->search.setFindMask(options.findText);
    }
    scheduleSearch(*view);
}

void refreshAllViews() {
    for (int i = 0; i < frameViewCount(); ++i) {
        if (View* view = frameViewAt(i)) redrawViewWindow(*view);
    }
}

// Everything start-up made, in reverse order.
void shutDown() {
    setLogListener(nullptr);
    uninstallLiveStdin();
    uninstallLiveFollow();
    uninstallLiveClip();
    uninstallLiveReload();
    stopNetText();
    closeAllViews();
    textStore().clear();
    releasePictures();
    stopPlatform();
}

}  // namespace

int runTessel(int argc, char** argv) {
    switch (standaloneRequest(argc, argv)) {
        case StandaloneRequest::kUsage:
            printUsage();
            return 0;
        case StandaloneRequest::kVersion:
            printVersion();
            return 0;
        case StandaloneRequest::kNone:
            break;
    }
    const int defaultCodePage = localeCodePage();
    useCodePage(defaultCodePage);
    setWordCharThreshold(0xC0);

    // Without a person in front of it no box may wait: batch runs and runs without a screen.
    const bool batch = batchRequested(argc, argv);
    const bool offscreen = envFlag("QT_QPA_PLATFORM", "offscreen");
    if (startPlatform(false, batch || offscreen) != 0) {
        std::fprintf(stderr, "startup error: cannot start the window system\n");
        return kExitWindowsFailed;
    }

    // The configuration is read while the command line is parsed; its context rules are
    // compiled as it is read.
    installContextRulesHook();
    // Languages, "on" lines and controls are read with the configuration.
    installUserFeatureHooks(configHooks());
    StartupOptions options;
    int rc = parseCommandLine(argc, argv, options, makeHooks());
    if (rc != 0) {
        showMessageBox(options.errorTitle.c_str(), options.errorText.c_str());
        printLogIfAsked();
        stopPlatform();
        return kExitStartupFailed;
    }
    setTraceMode(options.traceMode);
    setVerboseMode(options.verboseMode);
    if (options.decoderCodePage > 0 && options.decoderCodePage != defaultCodePage) {
        useCodePage(options.decoderCodePage);
    }
    applyTextOptions(options);
    if (options.safeLoadLimitMb > 0) appSettings().maxLoadMb = options.safeLoadLimitMb;
    if (createFonts() != 0) {
        showMessageBox("fatal error", "cannot create the main font");
        stopPlatform();
        return kExitWindowsFailed;
    }

    const bool readsStdin = startupReadsStdin(options.loadArgument);
    LoadChoice choice = readsStdin ? LoadChoice{} : chooseLoad(options.loadArgument);

    int pictures = loadPictures();
    if (pictures != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "cannot load\nimage resources (%d)", pictures);
        showMessageBox("fatal error", text);
        printLogIfAsked();
        shutDown();
        return kExitWindowsFailed;
    }

    if (openFirstView(frameStartOf(options)) != 0) {
        printLogIfAsked();
        shutDown();
        return kExitWindowsFailed;
    }

    installPointerHooks();
    installEditHost();
    installSetupHooks();
    installScriptHooks();
    installControlDialogs();
    startNetText(options);
    if (!options.batchFile.empty() && prepareBatch(options.batchFile) != 0) {
        printLogIfAsked();
        shutDown();
        return 1;
    }
    // The window stays alive and shows the progress while the start-up text loads.
    prepareWindowLoad(loadDriver());
    prepareBookmarks(options);
    // Standard input is the start-up text: its block goes in first, so no intro text is made.
    if (readsStdin) startStdinText();
    rc = runStartupLoad(choice, textStore());
    if (rc != 0) {
        printLogIfAsked();
        shutDown();
        return kExitLoadFailed;
    }
    refreshAllViews();
    startBookmarks(options, choice);
    // The help is a text of the store: it goes in after the start-up text.
    if (options.helpRequested || choice.help) {
        if (View* view = frameFocusedView()) openHelp(*view);
    }
    applyStartupSearch(options);
    finishNetTextStartup(options);
    installLiveReload();
    installLiveClip();
    // The in-memory header makes every store a snapfile store: only a snapfile read at
    // start-up is compared with its files.
    if (choice.kind == LoadKind::kSnapfile && textStore().snapfile &&
        config().getInt("snapautoreload") != 0) {
        logMessage("[blue] snapfile auto reload.");
        startReloadScan(ReloadRequest{kReloadAutomatic});
    }
    liveStartupDone();

    if (!options.batchFile.empty()) startBatch();
    const int exitCode = runEventLoop();
    saveBookmarksAtExit();
    printLogIfAsked();
    shutDown();
    return exitCode;
}

}  // namespace tessel
