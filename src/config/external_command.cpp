#include "config/external_command.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/log/message_log.h"

extern char** environ;

namespace tessel {
namespace {

constexpr int kWaitStepMs = 250;
constexpr int kShowWaitAfterMs = 2000;

std::string joinWords(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        bool quote = word.empty() || word.find_first_of(" \t") != std::string::npos;
        line += quote ? "\"" + word + "\"" : word;
    }
    return line;
}

void explainFailure(const std::string& commandLine, int error) {
    logError(0, "cannot run: %.200s (%s)", commandLine.c_str(), std::strerror(error));
    std::string text = commandLine + "\n\n";
    if (commandLine.find('"') != std::string::npos) {
        text +=
            "Make sure that application name and parameters are not within the same \"\" "
            "quotes.\n";
    }
    const char* path = std::getenv("PATH");
    text +=
        "\nA program given without its folder must be in a folder of PATH\nor in the "
        "start folder.\n\nPATH=";
    text += path != nullptr ? path : "";
    showMessageBox("cannot run this command:", text.c_str());
}

// Nobody waits for the program, but its exit must still be collected.
void reapLater(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < commandLine.size()) {
        while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
        if (i >= commandLine.size()) break;
        std::string word;
        bool quoted = false;
        while (i < commandLine.size()) {
            char c = commandLine[i];
            if (c == '"') {
                if (quoted && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
                    word += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (!quoted && (c == ' ' || c == '\t')) break;
            word += c;
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

ExternalCommandHooks& externalCommandHooks() {
    static ExternalCommandHooks hooks;
    return hooks;
}

int runCommand(const std::vector<std::string>& words, bool wait, bool quiet, int* exitCode) {
    std::string commandLine = joinWords(words);
    if (words.empty() || words[0].empty()) {
        if (!quiet) explainFailure(commandLine, ENOENT);
        return 9;
    }
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    int error = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        if (!quiet) explainFailure(commandLine, error);
        return 9;
    }
    if (!wait) {
        reapLater(pid);
        return 0;
    }
    const ExternalCommandHooks& hooks = externalCommandHooks();
    int waitedMs = 0;
    bool shown = false;
    for (;;) {
        int status = 0;
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (exitCode != nullptr) {
                *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            return 0;
        }
        if (done < 0 && errno != EINTR) return 9;
        if (waitedMs >= kShowWaitAfterMs && !shown && hooks.showStatus) {
            char text[64];
            std::snprintf(text, sizeof text, "waiting for %.20s%s", commandLine.c_str(),
                          commandLine.size() > 20 ? "..." : "");
            hooks.showStatus(text);
            shown = true;
        }
        bool keepWaiting = true;
        if (hooks.waitStep) {
            keepWaiting = hooks.waitStep(kWaitStepMs);
        } else {
            keepWaiting = !hooks.keepWaiting || hooks.keepWaiting();
            if (keepWaiting) std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMs));
        }
        if (!keepWaiting) {
            logError(2, "wait for user command stopped");
            reapLater(pid);
            return 9;
        }
        waitedMs += kWaitStepMs;
    }
}

int runCommandLine(std::string_view commandLine, bool wait, bool quiet, int* exitCode) {
    for (std::string_view prefix : {"-minimized ", "-min "}) {
        if (commandLine.starts_with(prefix)) {
            commandLine.remove_prefix(prefix.size());
            break;
        }
    }
    return runCommand(splitCommandLine(commandLine), wait, quiet, exitCode);
}

}  // namespace tessel
