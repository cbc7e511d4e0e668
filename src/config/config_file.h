// The configuration file tessel-config.txt: reading it into the setting store and the
// application settings, and writing changes back.
//
// The writer never regenerates the file. It copies the text as it was read, line by line,
// replaces only the lines of settings that changed, appends changed settings that had no
// line, and rewrites the sections <QVContext>, <QVControls> and <QVScripts> at the end (when
// reading stopped at an error, these go in before the unread rest, which is kept as is).
// Comments, unknown keywords and the order of lines survive every save, and saving a file
// that was read without changes gives the same bytes. Lines end in CR LF when written. The
// new text goes to a temporary file that replaces the old one only when it was written
// completely, so a failed save leaves the previous file untouched.
//
// Start-up calls loadConfiguration once; the keyword parser applyConfigKeyword is also the
// handler of the TESSEL_CONFIG entries and of options that switch settings.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_location.h"

namespace tessel {

// Results of writeConfig besides 0.
inline constexpr int kWriteNoData = 9;
inline constexpr int kWriteNoLocation = 10;
inline constexpr int kWriteCannotOpen = 11;
inline constexpr int kWriteFailed = 12;

// Configuration files larger than this are refused as not being a configuration.
inline constexpr size_t kMaxConfigBytes = 16 * 1024 * 1024;

// Section kinds the reader recognised, by line range, so that the writer drops them and
// writes them anew at the end.
enum class ConfigSection { kContext, kControls, kScripts };
struct SectionRange {
    ConfigSection kind;
    long firstLine;  // the tag line
    long lastLine;   // the line holding the closing tag
};

struct LineSetting {
    long line;
    int id;
};

// Records that a line holds a setting; lines come in ascending order.
void mapLineToSetting(std::vector<LineSetting>& map, long line, int id);

struct ConfigFileState {
    int64_t modificationTime = 0;  // of the file as last read or written; 0 when absent
    bool haveText = false;         // a configuration text (file or defaults) was read
    bool fromDefaults = false;     // the text is the built-in default
    // The file exists but could not be read: the defaults run, and saving is refused so that
    // the user's file is not replaced by them.
    bool writeBlocked = false;
    long readCount = 0;      // texts applied so far
    std::string text;        // the text as read
    std::string writerCopy;  // the source the writer copies
    long configVersion = 0;
    // Which line holds which setting: (line number from 1, setting id), ascending by line.
    std::vector<LineSetting> lineMap;
    std::vector<SectionRange> sections;
    // Where reading stopped at an error (npos when the whole text was read). The writer
    // copies the unread rest as it is.
    size_t unreadFrom = std::string::npos;
    std::vector<std::string> pkey;  // per id 1 ... 999 the keyword as written in the file
    std::vector<std::string> onCommands;
    int maxScriptCount = 0;
    bool numericKeypadNoted = false;
    // While a keyword line of the text is applied: its line number, else 0.
    long currentLine = 0;
};

ConfigFileState& configFile();

// Connections to features that live in other files or modules. Every member may stay empty:
// language blocks are then skipped, "on" commands kept as written, and dialogs answer no.
struct ConfigHooks {
    // A "<Language ...> ... </Language>" block; 0 or an error code.
    std::function<int(std::string_view block)> parseLanguage;
    std::function<void()> clearLanguages;
    std::function<int()> languageCount;
    // An "on" command (text after "on "); false refuses it. usesKeypad when a numeric keypad
    // key is used.
    std::function<bool(std::string_view command, bool& usesKeypad)> parseOnCommand;
    // After a read: compile the block context rules; the number compiled without error.
    std::function<int()> compileContexts;
    // After a read: mark controls that duplicate another's type and title.
    std::function<void()> markDuplicateControls;
    // A table setting was applied by keyword (load options, font choice ...).
    std::function<void(int id)> settingApplied;
    // Yes/No question; false when absent.
    std::function<bool(const char* title, const char* text)> askYesNo;
    // Reload: number of works still running (the reload waits for 0); a digest of the
    // bookmark-script controls; reactions to changed fonts and scripts.
    std::function<int()> pendingWorks;
    std::function<void()> sleepStep;  // one 100 ms wait; pumps messages in the window
    std::function<uint64_t()> bookmarkScriptDigest;
    std::function<void()> fontsChanged;
    std::function<void()> bookmarkScriptsChanged;
    std::function<void()> afterReload;  // background picture check, refresh user controls
};

ConfigHooks& configHooks();

// Start-up: takes the location inputs ("-conf" first), reads the file, or the built-in
// defaults when there is none. 0 read (errors inside the file are reported and skipped),
// 1 read stopped at a structural error, 9 out of memory.
int loadConfiguration(const ConfigLocationInput& input);
// Writes the configuration when a setting or variable changed (saveConfigOnExit, CTRL+S).
// 0 written, 1 nothing to do, else the writeConfig codes.
int saveConfiguration();

// The keyword parser: the setting table first (keywords in any case), then the keywords of
// the application settings (case-sensitive). 0 taken, 9 unknown or refused (reported).
int applyConfigKeyword(const char* key, const char* value);
int applyConfigKeyword(std::string_view key, std::string_view value);
// Whether the configuration gave a value: "maxload" set by the user, "centralbookdir" set.
bool isKeywordConfigured(const char* key);

// Reads the file at configPath(); with useDefaults a missing file gives the built-in text.
// 0 read, 1 not read or stopped at a structural error, 9 out of memory.
int readConfig(bool useDefaults);
// Reads a configuration text as if it were the file (tests, fuzzing, the defaults).
int readConfigText(std::string_view text);
int saveConfigIfChanged();
int writeConfig();
// writeConfig, and on failure the box "Cannot write configuration file" with the reasons.
int saveConfigOrExplain();

// The built-in configuration: the text used when no file exists, and that createConfig
// writes. In linux mode its "linux default" line says "linux on     ".
std::string_view defaultConfigText();
std::string defaultConfigTextFor(bool linuxMode);

// Fresh store, application settings and file state (start-up and tests). The location
// inputs and the hooks stay.
void resetConfiguration();

}  // namespace tessel
