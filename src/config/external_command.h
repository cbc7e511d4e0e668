// Starting other programs: the text editor for the configuration file and, later, the
// command lines of user scripts. A command line is split into words here (blanks separate
// them, double quotes group them) and the program is started directly, never through a
// shell, so that file names inside a command line cannot run anything else.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

// Words of a command line: blanks and tabs separate, a double-quoted part (quotes removed)
// may hold blanks, "" inside quotes gives one quote character.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

struct ExternalCommandHooks {
    // Called about every 250 ms while waiting; returning false stops the wait.
    std::function<bool()> keepWaiting;
    // Shows a status text ("waiting for ...").
    std::function<void(const char* text)> showStatus;
    // When set, replaces keepWaiting and the pause between checks: waits up to ms while the
    // window stays responsive; false stops the wait.
    std::function<bool(int ms)> waitStep;
};
ExternalCommandHooks& externalCommandHooks();

// Starts a command line ("-min " or "-minimized " in front is accepted and ignored). With
// wait, waits for the end and stores the exit code. 0 started (and ended, when waiting),
// 9 failed: unless quiet the box "cannot run this command:" explains why.
int runCommandLine(std::string_view commandLine, bool wait, bool quiet, int* exitCode = nullptr);
// The same with the words already split.
int runCommand(const std::vector<std::string>& words, bool wait, bool quiet,
               int* exitCode = nullptr);

}  // namespace tessel
