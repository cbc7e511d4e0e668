// Where tessel-config.txt lives, and the user operations on that file: edit, create, load
// another one, create at a chosen place and reload after outside changes.
//
// The search, in order:
//   1. "-conf" given: that path, whether or not the file exists.
//   2. Portable mode (an executable named TesselPortable): the "Data" folder beside the
//      executable, created on first use.
//   3. Unless in linux mode: the current folder, then each PATH folder, then the folder of
//      the executable; a hit below the program files folder (/usr) is not used.
//   4. The user's configuration folder, $XDG_CONFIG_HOME/tessel (~/.config/tessel).
//   5. Nothing found: the suggested path is the executable-parallel one when it was built
//      in step 3, else the one of step 4, else the bare file name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr const char* kConfigFileName = "tessel-config.txt";
inline constexpr size_t kConfigPathChars = 551;

// What the search needs to know about the process. fromProcess() fills the environment
// parts; start-up sets the rest from the command line and the executable name.
struct ConfigLocationInput {
    std::string executablePath;  // empty when it cannot be found
    bool portableMode = false;
    bool linuxMode = true;
    std::string confOption;  // "-conf" value, empty when not given

    std::string currentDir;
    std::string pathVariable;  // PATH
    std::string documentsDir;  // $XDG_CONFIG_HOME/tessel, or ~/.config/tessel
    std::string programFilesDir = "/usr";

    // The environment of this process (current folder, PATH, configuration folder).
    static ConfigLocationInput fromProcess();
};

// Sets the inputs of the search; the current path is forgotten unless "-conf" gives one.
void setConfigLocationInput(const ConfigLocationInput& input);
const ConfigLocationInput& configLocationInput();

// The path to use. A set path is returned as is unless recompute is requested; otherwise the
// search runs and its result becomes the path. exists (optional) tells whether it is a file.
std::string configPath(bool recompute = false, bool* exists = nullptr);
// Sets the path; an empty path lets the next configPath search again. A path longer than
// 551 characters is refused (result 9) rather than cut to a different file name.
int setConfigPath(std::string_view path);

// Modification time of a file in nanoseconds, 0 when it does not exist.
int64_t fileModificationTime(const std::string& path);

// Opens the configuration file in the user's editor ($VISUAL, else $EDITOR, else xdg-open)
// without waiting, and re-activates the config autoreload. 0 started, 9 failed (reported).
int editConfig();
// Writes the default configuration text to path after asking (the yes/no hook of
// ConfigHooks); on success it becomes the configuration path and is opened for editing.
// 0 written, 1 declined, 9 failed (a message box was shown).
int createConfig(const std::string& path);
// Reads the file again when its modification time changed (or always with force).
// 0 nothing to reload, 1 reloaded, 9 the read failed. exists (optional) is cleared when
// there is no file.
int reloadConfig(bool force, bool* exists = nullptr);
// The file the user chose in "load from ..." becomes the configuration and is read; an empty
// path means the dialog was cancelled (result 1).
int loadConfigFrom(std::string_view chosenPath);
// "create to ...": createConfig at the chosen target; empty means cancelled (result 1).
int createConfigAt(std::string_view chosenPath);
// The unconditional save (CONTROL+SHIFT+S, the setup dialog's save).
int saveConfigNow();
// The "config" page of the setup dialog: the path field shows the configuration path; its
// label and first button read "current path:" and "edit" when the file exists, else
// "suggested path:" and "create".
void updateConfigPageRows();
// On window reactivation: reload when the autoreload is active; a missing file makes it
// inactive until the next edit or create.
int checkConfigAutoReload();

}  // namespace tessel
