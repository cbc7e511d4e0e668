#include "app/startup.h"

#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/load_choice.h"
#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "search/codepage/code_page_tables.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"
#include "view/log/message_log.h"

namespace tessel {

namespace {

// Linux has no system-wide 8-bit code page; the text is read as western European unless
// "-code" names another.
constexpr int kDefaultCodePage = 1252;

void setCodePage(int codePage) {
    codePageTables().init(codePage);
    initUtf8Decoder(codePage);
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
}

void printHelp() {
    std::printf(
        "usage: tessel [-linux|-nolinux] [-trace] [-conf FILE] [options] [WHAT]\n"
        "WHAT: a snapfile, a text file, a folder, or a file set such as\n"
        "      tessel dirname .hpp .cpp\n"
        "      tessel -dir mydir1 mydir2 -file .txt .html\n"
        "options: -code N  -fastload  -verbose  -find TEXT  -path TEXT  -sfind  -spath\n");
}

// Until the window exists the log is the program's output: everything said during
// start-up and loading, oldest first.
void printLog() {
    const std::string& all = messageLog().takeSnapshot();
    std::fwrite(all.data(), 1, all.size(), stdout);
    messageLog().freeSnapshot();
}

}  // namespace

int runTessel(int argc, char** argv) {
    setCodePage(kDefaultCodePage);
    setWordCharThreshold(0xC0);

    StartupOptions options;
    int rc = parseCommandLine(argc, argv, options, makeHooks());
    if (rc != 0) {
        showMessageBox(options.errorTitle.c_str(), options.errorText.c_str());
        printLog();
        return 2;
    }
    setTraceMode(options.traceMode);
    setVerboseMode(options.verboseMode);
    if (options.decoderCodePage > 0 && options.decoderCodePage != kDefaultCodePage) {
        setCodePage(options.decoderCodePage);
    }
    applyTextOptions(options);

    LoadChoice choice = chooseLoad(options.loadArgument);
    if (options.helpRequested || choice.help) printHelp();

    rc = runStartupLoad(choice, textStore());
    printLog();
    textStore().clear();
    return rc == 0 ? 0 : 1;
}

}  // namespace tessel
