#include "app/command_line.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/slash_patterns.h"
#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/config_location.h"

namespace tessel {

namespace {

constexpr const char* kMisplacedOptionText =
    "-linux or -conf must be specified\nas the very first options";
constexpr int kMinTabSize = 2;
constexpr int kMaxTabSize = 200;
constexpr int kMaxCodePage = 65535;
constexpr int kMaxParsedNumber = 1000000;
constexpr int kMaxMonitorNumber = 99;
constexpr uint64_t kSafeLoadBytesPerMb = 2000000;
constexpr int kSafeLoadMinMb = 128;
constexpr int kSafeLoadMaxMb = 1000;

bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void skipWhite(std::string_view& rest) {
    while (!rest.empty() && isWhite(rest.front())) rest.remove_prefix(1);
}

void skipWord(std::string_view& rest) {
    while (!rest.empty() && !isWhite(rest.front())) rest.remove_prefix(1);
}

bool matchOption(std::string_view& rest, std::string_view name) {
    if (!rest.starts_with(name)) return false;
    rest.remove_prefix(name.size());
    return true;
}

// A flag also matches with letters appended ("-tracemore"); they are skipped with it. A
// name that ends in a blank ("-e ") has ended its word already: what follows is the next one.
bool matchFlag(std::string_view& rest, std::string_view name) {
    if (!matchOption(rest, name)) return false;
    if (!name.ends_with(' ')) skipWord(rest);
    return true;
}

// A value runs from the first non-blank character to the next white space. A value in
// double quotes runs to the closing quote (or the end of the line), so that a word with
// blanks, which the line builder puts in quotes, arrives whole.
std::string_view takeValue(std::string_view& rest) {
    skipWhite(rest);
    std::string_view value;
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        size_t close = rest.find('"');
        value = rest.substr(0, close);
        rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
        return value;
    }
    size_t end = 0;
    while (end < rest.size() && !isWhite(rest[end])) ++end;
    value = rest.substr(0, end);
    rest.remove_prefix(end);
    return value;
}

void assignBounded(std::string& to, std::string_view from, size_t capacity) {
    to.assign(from.substr(0, capacity));
}

// Digits only, at most maxValue; anything else is refused rather than read as a prefix.
bool parseDecimal(std::string_view text, int maxValue, int& value) {
    if (text.empty()) return false;
    int result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
        if (result > maxValue) return false;
    }
    value = result;
    return true;
}

size_t leadingDigits(std::string_view text) {
    size_t count = 0;
    while (count < text.size() && text[count] >= '0' && text[count] <= '9') ++count;
    return count;
}

void setSetting(const KeywordHandler& applyKeyword, const char* key, const char* value) {
    if (applyKeyword) applyKeyword(key, value);
}

void setSearchText(std::string_view value, bool slashPatterns, size_t capacity, std::string& text,
                   bool& given) {
    std::string decoded;
    if (slashPatterns) {
        decodeSlashPatterns(value, decoded);
    } else {
        decoded.assign(value);
    }
    assignBounded(text, decoded, capacity);
    given = true;
}

// "-net:PORTflags" or "-net=PORTflags": the port digits, then the flags up to the blank.
// "sip" and "ip" overlap, so an "ip" right after an "s" belongs to "sip".
void parseNetSuffix(std::string_view suffix, StartupOptions& out,
                    const KeywordHandler& applyKeyword) {
    size_t digits = leadingDigits(suffix);
    if (digits > 0) {
        out.netPort.assign(suffix.substr(0, digits));
        setSetting(applyKeyword, "netTextReceivePort", out.netPort.c_str());
    }
    std::string_view flags = suffix.substr(digits);
    for (size_t at = flags.find("ip"); at != std::string_view::npos;
         at = flags.find("ip", at + 2)) {
        if (at > 0 && flags[at - 1] == 's') {
            out.netShortPrefix = true;
        } else {
            out.netSenderPrefix = true;
        }
    }
    if (flags.find("addlf") != std::string_view::npos) {
        out.netRawAutoLf = true;
        setSetting(applyKeyword, "netRawAutoLF", "yes");
    }
}

void setFramePlacement(StartupOptions& out, std::string_view area, std::string_view space) {
    out.frameGiven = true;
    assignBounded(out.area, area, kFrameValueChars);
    assignBounded(out.space, space, kFrameValueChars);
}

// Options that take a value; result false when rest does not start with one of them.
bool parseValueOption(std::string_view& rest, StartupOptions& out) {
    if (matchOption(rest, "-batch ")) {
        out.batchFile.assign(takeValue(rest));
    } else if (matchOption(rest, "-back")) {
        out.background.assign(takeValue(rest));
    } else if (matchOption(rest, "-id ")) {
        assignBounded(out.classSuffix, takeValue(rest), kClassSuffixChars);
    } else if (matchOption(rest, "-code ")) {
        std::string value(takeValue(rest));
        int codePage = 0;
        if (value == "utf8" || value == "utf-8" || value == "UTF-8") {
            out.decoderCodePage = kCodePageUtf8;
        } else if (parseDecimal(value, kMaxCodePage, codePage) && codePage > 0) {
            out.decoderCodePage = codePage;
        } else {
            logError(0, "wrong code page for -code: %s", value.c_str());
        }
    } else if (matchOption(rest, "-area ")) {
        setFramePlacement(out, takeValue(rest), "");
        out.monitorNumber = 0;
    } else if (matchOption(rest, "-space ")) {
        std::string_view value = takeValue(rest);
        setFramePlacement(out, "", value);
        out.monitorNumber = 0;
        if (value.starts_with("m")) {
            std::string_view digits = value.substr(1, leadingDigits(value.substr(1)));
            int monitor = 0;
            if (parseDecimal(digits, kMaxMonitorNumber, monitor)) out.monitorNumber = monitor;
        }
    } else if (matchOption(rest, "-find ")) {
        setSearchText(takeValue(rest), false, kStartupFindChars, out.findText, out.findGiven);
    } else if (matchOption(rest, "-sfind ")) {
        setSearchText(takeValue(rest), true, kStartupFindChars, out.findText, out.findGiven);
    } else if (matchOption(rest, "-path ")) {
        setSearchText(takeValue(rest), false, kStartupPathChars, out.pathText, out.pathGiven);
    } else if (matchOption(rest, "-spath ")) {
        setSearchText(takeValue(rest), true, kStartupPathChars, out.pathText, out.pathGiven);
    } else if (matchOption(rest, "-tab ")) {
        std::string value(takeValue(rest));
        int size = 0;
        if (parseDecimal(value, kMaxParsedNumber, size) && size >= kMinTabSize &&
            size <= kMaxTabSize) {
            out.tabSize = size;
        } else {
            logError(0, "wrong tab size value: %d (%s)", size, value.c_str());
        }
    } else if (matchOption(rest, "-book")) {
        out.bookmarkFile.assign(takeValue(rest));
        logMessage("using -book \"%s\"", out.bookmarkFile.c_str());
    } else {
        return false;
    }
    return true;
}

// Flags that only mark the options; result false when rest does not start with one.
bool parseFlagOption(std::string_view& rest, StartupOptions& out) {
    if (matchFlag(rest, "-resize")) {
        out.resizableFrame = true;
    } else if (matchFlag(rest, "-nocache")) {
        out.noGlyphCache = true;
    } else if (matchFlag(rest, "-lean")) {
        out.lean = true;
    } else if (matchFlag(rest, "-edit") || matchFlag(rest, "-e ")) {
        out.instantEdit = true;
    } else if (matchFlag(rest, "-iso")) {
        out.frameIsolated = true;
    } else if (matchFlag(rest, "-over")) {
        out.frameOverscan = true;
    } else if (matchFlag(rest, "-cfg1") || matchFlag(rest, "-bulk")) {
        // Still accepted so that older shortcuts keep working.
    } else if (matchFlag(rest, "-noshl")) {
        out.noSyntaxHighlight = true;
    } else if (matchFlag(rest, "-fastload")) {
        out.fastLoad = true;
    } else if (matchFlag(rest, "-verbose")) {
        out.verboseMode = true;
    } else if (matchFlag(rest, "-max")) {
        setFramePlacement(out, "", "0");
        out.monitorNumber = 0;
    } else if (matchFlag(rest, "-h ") || matchFlag(rest, "-help ")) {
        out.helpRequested = true;
    } else {
        return false;
    }
    return true;
}

// Flags that switch settings of the configuration.
bool parseSettingOption(std::string_view& rest, StartupOptions& out,
                        const KeywordHandler& applyKeyword) {
    if (matchFlag(rest, "-nodict")) {
        out.noDictionary = true;
        setSetting(applyKeyword, "globaldict", "no");
        logMessage("dictionary disabled by -nodict.");
    } else if (matchFlag(rest, "-clean")) {
        out.clean = true;
        out.assist = 0;
        setSetting(applyKeyword, "assist", "no");
        setSetting(applyKeyword, "scrollall", "no");
    } else if (matchFlag(rest, "-noassist")) {
        out.assist = 0;
        setSetting(applyKeyword, "assist", "no");
    } else if (matchFlag(rest, "-assist")) {
        out.assist = 1;
        setSetting(applyKeyword, "assist", "yes");
    } else if (matchFlag(rest, "-miles")) {
        out.showMiles = true;
        setSetting(applyKeyword, "showmiles", "yes");
    } else if (matchFlag(rest, "-nonet")) {
        out.netReceive = 0;
        setSetting(applyKeyword, "netTextReceive", "no");
    } else if (matchOption(rest, "-net")) {
        out.netReceive = 1;
        out.openNetView = true;
        setSetting(applyKeyword, "netTextReceive", "yes");
        if (!rest.empty() && (rest.front() == ':' || rest.front() == '=')) {
            size_t end = 1;
            while (end < rest.size() && !isWhite(rest[end])) ++end;
            parseNetSuffix(rest.substr(1, end - 1), out, applyKeyword);
        }
        skipWord(rest);
    } else {
        return false;
    }
    return true;
}

uint64_t meminfoKilobytes(std::string_view meminfo, std::string_view label) {
    size_t at = meminfo.find(label);
    while (at != std::string_view::npos && at > 0 && meminfo[at - 1] != '\n') {
        at = meminfo.find(label, at + 1);
    }
    if (at == std::string_view::npos) return 0;
    std::string_view rest = meminfo.substr(at + label.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    uint64_t kilobytes = 0;
    constexpr uint64_t kLimit = UINT64_MAX / 1024 / 10;
    for (char c : rest) {
        if (c < '0' || c > '9') break;
        if (kilobytes >= kLimit) return UINT64_MAX / 1024;
        kilobytes = kilobytes * 10 + static_cast<uint64_t>(c - '0');
    }
    return kilobytes;
}

}  // namespace

std::string buildCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string_view word = argv[i] != nullptr ? argv[i] : "";
        if (!line.empty()) line.push_back(' ');
        bool quote = word.empty();
        for (char c : word) quote = quote || isWhite(c);
        if (quote) line.push_back('"');
        line.append(word);
        if (quote) line.push_back('"');
    }
    return line;
}

std::string_view parseFirstPass(std::string_view line, StartupOptions& out) {
    std::string_view rest = line;
    for (;;) {
        skipWhite(rest);
        if (matchFlag(rest, "-linux")) {
            out.linuxMode = true;
        } else if (matchFlag(rest, "-nolinux")) {
            out.linuxMode = false;
        } else if (matchFlag(rest, "-trace")) {
            out.traceMode = true;
        } else if (matchFlag(rest, "-vdesk")) {
            out.virtualDesktop = true;
        } else if (matchFlag(rest, "-safe")) {
            out.singleScreen = true;
        } else if (matchOption(rest, "-conf")) {
            out.configPath.assign(takeValue(rest));
        } else {
            return rest;
        }
    }
}

int parseSecondPass(std::string_view rest, StartupOptions& out,
                    const KeywordHandler& applyKeyword) {
    for (;;) {
        skipWhite(rest);
        // The configuration is already read at this point; these two would come too late.
        if (rest.starts_with("-linux") || rest.starts_with("-conf")) {
            out.errorTitle = "error";
            out.errorText = kMisplacedOptionText;
            logError(0, "%s", kMisplacedOptionText);
            return kCommandLineMisplacedOption;
        }
        if (parseFlagOption(rest, out)) continue;
        if (parseSettingOption(rest, out, applyKeyword)) continue;
        if (parseValueOption(rest, out)) continue;
        break;
    }
    out.loadArgument.assign(rest);
    if (isHelpWord(out.loadArgument)) {
        out.helpRequested = true;
        out.loadArgument.clear();
    }
    return 0;
}

bool batchRequested(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && std::string_view(argv[i]) == "-batch") return true;
    }
    return false;
}

StandaloneRequest standaloneRequest(int argc, const char* const* argv) {
    // The options whose value may stand in the next word (parseFirstPass, parseValueOption).
    static constexpr std::string_view kValueOptions[] = {
        "-conf", "-batch", "-back", "-id",    "-code", "-area", "-space",
        "-find", "-sfind", "-path", "-spath", "-tab",  "-book"};
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        std::string_view word = argv[i];
        if (word == "--help") return StandaloneRequest::kUsage;
        if (word == "--version") return StandaloneRequest::kVersion;
        for (std::string_view option : kValueOptions) {
            if (word == option) {
                ++i;
                break;
            }
        }
    }
    return StandaloneRequest::kNone;
}

bool isHelpWord(std::string_view argument) {
    return argument == "-help" || argument == "-h" || argument == "-?" || argument == "/?" ||
           argument == "/h" || argument == "/help";
}

void applyExecutableName(std::string_view path, StartupOptions& out) {
    size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.ends_with(".exe")) name.remove_suffix(4);
    if (name == "TesselPortable") {
        out.portableMode = true;
        logMessage("using PortableApps mode.");
    } else if (name == "tessel" || name == "tessel-linux" || name == "qvlx") {
        out.linuxMode = true;
        logMessage("linux mode by binary name");
    } else if (name == "e" || name == "ed") {
        out.instantEdit = true;
        logMessage("instant edit by binary name");
    }
}

std::string invokedExecutablePath(std::string_view invoked, std::string_view currentDir) {
    if (invoked.find('/') == std::string_view::npos) return {};
    std::string path;
    if (!invoked.starts_with('/')) {
        if (currentDir.empty()) return {};
        path.assign(currentDir);
        if (path.back() != '/') path.push_back('/');
    }
    path.append(invoked);
    return path.size() <= kOwnPathChars ? path : std::string();
}

std::string centralBookDirDefault(std::string_view ownPath, bool portableMode,
                                  std::string_view programFilesDir,
                                  std::string_view userConfigDir) {
    if (portableMode || programFilesDir.empty() || userConfigDir.empty()) {
        return kDefaultCentralBookDir;
    }
    std::string prefix(programFilesDir);
    if (prefix.back() != '/') prefix.push_back('/');
    if (!ownPath.starts_with(prefix)) return kDefaultCentralBookDir;
    std::string folder(userConfigDir);
    if (folder.back() != '/') folder.push_back('/');
    return folder + "tesselbook";
}

std::string readOwnExecutablePath() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length < 0) {
        logError(0, "cannot find own executable path (%ld)", static_cast<long>(errno));
        return {};
    }
    // A cut path would name another file; an over-long one is refused instead.
    if (static_cast<size_t>(length) > kOwnPathChars) {
        logError(0, "cannot find own executable path (%ld)", static_cast<long>(ENAMETOOLONG));
        return {};
    }
    return std::string(buffer, static_cast<size_t>(length));
}

int safeLoadLimitMb(uint64_t availableBytes) {
    uint64_t megabytes = availableBytes / kSafeLoadBytesPerMb;
    if (megabytes < kSafeLoadMinMb) return kSafeLoadMinMb;
    if (megabytes > kSafeLoadMaxMb) return kSafeLoadMaxMb;
    return static_cast<int>(megabytes);
}

uint64_t parseAvailableMemory(std::string_view meminfo) {
    uint64_t kilobytes = meminfoKilobytes(meminfo, "MemAvailable:");
    // Kernels before 3.14 do not report MemAvailable; free memory is the nearest figure.
    if (kilobytes == 0) kilobytes = meminfoKilobytes(meminfo, "MemFree:");
    return kilobytes * 1024;
}

uint64_t readAvailableMemory() {
    std::ifstream in("/proc/meminfo");
    if (!in) return 0;
    std::ostringstream text;
    text << in.rdbuf();
    return parseAvailableMemory(text.str());
}

int parseCommandLine(int argc, char** argv, StartupOptions& out, const CommandLineHooks& hooks) {
    out.ownPath = readOwnExecutablePath();
    // The invoked name decides, not the resolved file: on Linux a program gets another name
    // through a link to it ("e" for instant edit).
    const char* invoked = argc > 0 && argv != nullptr ? argv[0] : nullptr;
    applyExecutableName(invoked != nullptr && *invoked != '\0' ? invoked : out.ownPath, out);
    // A link named TesselPortable keeps its data beside the link, where the user put it,
    // not beside the installed program it points to: the name that chose the mode also
    // chooses the place.
    const ConfigLocationInput where = ConfigLocationInput::fromProcess();
    if (out.portableMode && invoked != nullptr) {
        std::string linked = invokedExecutablePath(invoked, where.currentDir);
        if (!linked.empty()) out.ownPath = linked;
    }

    const char* environment =
        hooks.getEnv ? hooks.getEnv(kTesselConfigVariable) : std::getenv(kTesselConfigVariable);
    std::optional<std::string> tesselConfig;
    if (environment != nullptr) tesselConfig.emplace(environment);
    if (tesselConfig) {
        int mode = tesselConfigLinuxMode(*tesselConfig);
        if (mode >= 0) out.linuxMode = mode == 1;
    }

    std::string line = buildCommandLine(argc, argv);
    std::string_view rest = parseFirstPass(line, out);
    if (out.traceMode) setTraceMode(true);

    if (hooks.loadConfiguration) {
        int status = hooks.loadConfiguration(out);
        if (status != 0) {
            char text[100];
            std::snprintf(text, sizeof text, "Config init failed\n\nstatus code : %d", status);
            out.errorTitle = "startup error";
            out.errorText = text;
            logError(0, "Config init failed (%d)", status);
            return kCommandLineConfigFailed;
        }
    }
    applyTesselConfig(tesselConfig ? tesselConfig->c_str() : nullptr, out.linuxMode,
                      hooks.applyKeyword);

    int status = parseSecondPass(rest, out, hooks.applyKeyword);
    if (status != 0) return status;
    if (out.verboseMode) setVerboseMode(true);

    auto configured = [&hooks](const char* key) {
        return hooks.isConfigured && hooks.isConfigured(key);
    };
    if (!configured("centralbookdir")) {
        std::string folder = centralBookDirDefault(out.ownPath, out.portableMode,
                                                   where.programFilesDir, where.documentsDir);
        setSetting(hooks.applyKeyword, "centralbookdir", folder.c_str());
        out.centralBookDirDefaulted = true;
    }
    if (!configured("maxload")) {
        uint64_t available =
            hooks.availableMemory ? hooks.availableMemory() : readAvailableMemory();
        out.safeLoadLimitMb = safeLoadLimitMb(available);
    }
    return 0;
}

}  // namespace tessel
