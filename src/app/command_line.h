// The command line and the rest of the start-up state that is decided before any window
// exists: the executable's name, the environment variable TESSEL_CONFIG, the two option
// passes around the configuration load, and the safe load limit.
//
// Options are matched at the start of the remaining line: an option matches when the text
// starts with its name, after a flag the rest of that word is skipped, and a value runs
// from the first non-blank character to the next white space. The first pass takes the
// options that must be known before the configuration is read; the second takes the rest;
// whatever follows is the load argument.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/tessel_config_env.h"

namespace tessel {

inline constexpr size_t kOwnPathChars = 262;
inline constexpr size_t kClassSuffixChars = 100;
inline constexpr size_t kStartupFindChars = 1024;
inline constexpr size_t kStartupPathChars = 522;
inline constexpr size_t kFrameValueChars = 39;
inline constexpr uint8_t kBinaryTextThreshold = 192;
inline constexpr const char* kDefaultCentralBookDir = "$tesselhome/tesselbook";

// Results of parseCommandLine besides 0: start-up must end and the caller shows errorText
// in a box titled errorTitle.
inline constexpr int kCommandLineMisplacedOption = 2;
inline constexpr int kCommandLineConfigFailed = 3;

struct StartupOptions {
    std::string ownPath;  // empty when it cannot be found
    bool portableMode = false;
    // Fonts and behaviour of the Linux desktop; this is a native Linux build, so it starts on.
    bool linuxMode = true;
    bool instantEdit = false;
    bool traceMode = false;
    bool verboseMode = false;
    bool fastLoad = false;
    int safeLoadLimitMb = 0;  // 0 while "maxload" of the configuration decides
    std::string classSuffix;  // "-id"
    int decoderCodePage = 0;  // "-code" (utf8 is 65001); 0 for the active code page
    uint8_t binaryTextThreshold = kBinaryTextThreshold;
    std::string findText;  // "-find", "-sfind"
    std::string pathText;  // "-path", "-spath"
    bool findGiven = false;
    bool pathGiven = false;
    int tabSize = 0;  // "-tab"; 0 when not given
    bool helpRequested = false;

    // First pass.
    bool virtualDesktop = false;  // "-vdesk"
    bool singleScreen = false;    // "-safe"
    std::string configPath;       // "-conf"

    // Second pass.
    bool resizableFrame = false;  // "-resize"
    bool noGlyphCache = false;    // "-nocache"
    bool lean = false;            // "-lean"
    bool frameIsolated = false;   // "-iso"
    bool frameOverscan = false;   // "-over"
    std::string background;       // "-back"
    bool noSyntaxHighlight = false;
    bool noDictionary = false;
    // "-area", "-space" and "-max" each replace the frame placement of the configuration:
    // when frameGiven is set, area and space replace both configured values, one of them
    // being empty.
    bool frameGiven = false;
    std::string area;
    std::string space;
    int monitorNumber = 0;     // from a space value "m<digits>..."
    std::string batchFile;     // "-batch": commands to run after start-up
    std::string bookmarkFile;  // "-book"
    bool clean = false;        // "-clean"
    int assist = -1;           // "-assist" 1, "-noassist" 0, -1 as configured
    bool showMiles = false;    // "-miles"
    int netReceive = -1;       // "-net" 1, "-nonet" 0, -1 as configured
    bool openNetView = false;  // "-net"
    std::string netPort;       // digits after "-net:" or "-net="
    bool netShortPrefix = false;
    bool netSenderPrefix = false;
    bool netRawAutoLf = false;

    std::string loadArgument;
    // Set when no central bookmark folder was configured and the default was applied.
    bool centralBookDirDefaulted = false;

    std::string errorTitle;
    std::string errorText;
};

struct CommandLineHooks {
    // Reads the configuration file (options.configPath when "-conf" was given); not 0 ends
    // start-up.
    std::function<int(const StartupOptions& options)> loadConfiguration;
    // Applies a configuration keyword: TESSEL_CONFIG entries and the settings that options
    // switch ("-nodict", "-clean", "-net" ...).
    KeywordHandler applyKeyword;
    // Whether the configuration gave a value to a keyword ("maxload", "centralbookdir").
    std::function<bool(const char* key)> isConfigured;
    // Environment lookup; the process environment when empty.
    std::function<const char*(const char* name)> getEnv;
    // Available physical memory in bytes; /proc/meminfo when empty.
    std::function<uint64_t()> availableMemory;
};

// Runs the whole sequence: executable name, the early TESSEL_CONFIG look, first pass,
// configuration load, TESSEL_CONFIG, second pass, central bookmark folder default and safe
// load limit. Result 0, kCommandLineMisplacedOption or kCommandLineConfigFailed.
int parseCommandLine(int argc, char** argv, StartupOptions& out, const CommandLineHooks& hooks);

// The words argv[1] ... as one line; a word holding white space (or none at all) is put in
// double quotes so the option syntax sees it as one value.
std::string buildCommandLine(int argc, const char* const* argv);

// First pass over line; returns the text it did not consume.
std::string_view parseFirstPass(std::string_view line, StartupOptions& out);

// Second pass; the rest becomes out.loadArgument. Result 0 or kCommandLineMisplacedOption.
int parseSecondPass(std::string_view rest, StartupOptions& out, const KeywordHandler& applyKeyword);

// Whether "-batch" is anywhere on the command line: boxes must not wait for a person even
// when start-up fails before the options are read.
bool batchRequested(int argc, const char* const* argv);

// The arguments that ask for the help text instead of a load.
bool isHelpWord(std::string_view argument);

// "--help" and "--version" are answered before anything else starts: no window, no
// configuration. A word that is the value of the option before it ("-find --help") is not
// such a request.
enum class StandaloneRequest { kNone, kUsage, kVersion };
StandaloneRequest standaloneRequest(int argc, const char* const* argv);

// Portable mode, linux mode or instant edit from the executable's last path component.
void applyExecutableName(std::string_view path, StartupOptions& out);
// The path the executable was started by, made absolute against currentDir; "" when it
// has no folder part (found through PATH) or would not fit kOwnPathChars.
std::string invokedExecutablePath(std::string_view invoked, std::string_view currentDir);
// The default central bookmark folder. "$tesselhome" is the program's own folder, where a
// program kept in the user's folders (or portable) keeps its bookmarks; nobody may write
// below the system's program folder, so an installed program keeps them in the user's
// configuration folder.
std::string centralBookDirDefault(std::string_view ownPath, bool portableMode,
                                  std::string_view programFilesDir, std::string_view userConfigDir);
// The executable's own path; logs and returns "" when the system does not tell it.
std::string readOwnExecutablePath();

// Safe load limit in megabytes for a quantity of available memory.
int safeLoadLimitMb(uint64_t availableBytes);
// Available memory in bytes from the text of /proc/meminfo; 0 when it is not there.
uint64_t parseAvailableMemory(std::string_view meminfo);
uint64_t readAvailableMemory();

}  // namespace tessel
