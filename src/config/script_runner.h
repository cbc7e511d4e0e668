// User scripts: short lists of statements ("set findmask = /foo/", "echo $curfile",
// "mark add red /TODO/") that user controls, hotkeys and "on key" lines run.
//
// A script is split into statements first: a line is a statement, and following lines
// indented deeper continue it. Faults of indentation are reported before anything runs. The
// statements then run one after another, each on the view its prefix names ("left.",
// "first." ...), through the verbs of ScriptHost; the first statement that fails stops the
// script with a report that quotes it.
//
// Only one script runs at a time. "sleep" and waiting for a started program keep the window
// responsive and can be stopped; "run-recent-..." inside a script started that way is refused,
// so scripts cannot call each other in circles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/script_host.h"

namespace tessel {

inline constexpr int kMaxScriptParameters = 10;
inline constexpr size_t kMaxExpandedChars = 4096;
// A "sleep" longer than this says so in the status line first.
inline constexpr long kAnnouncedSleepMs = 5000;

struct ScriptRun {
    std::vector<std::string> parameters;  // $1 ... $10
    HeldModifiers held;
    bool nested = false;  // started by "run-recent-..." from another script
};

// Runs a script. 0 done, 1 stopped by the user, 9 refused or failed (reported).
int runScript(ScriptHost& host, std::string_view text, const ScriptRun& run);

// The statements of a script text: lines, with the deeper indented lines after each joined
// to it by one blank; remark lines ("//") are left out. 0, or 9 for an indentation fault
// (reported).
int splitStatements(std::string_view text, std::vector<std::string>& statements);

// The text with every "$" variable replaced. 0, or 9 with the reason in error.
int expandVariables(ScriptHost& host, int view, std::string_view text, const ScriptRun& run,
                    std::string& out, std::string& error);

// A control's parameter text split at blanks into at most 10 parameters; a parameter that
// starts with a double quote runs to the next one. 0, or 9 for an unclosed quote (reported).
int splitScriptParameters(std::string_view text, std::vector<std::string>& parameters);

// Starts a program from a command line of a script. The line is split into words first and
// every word is expanded on its own, so that a file name with blanks or ";" in it stays one
// argument; no shell sees it unless the command names one. 0 started (and ended, with wait),
// 1 the wait was stopped, 9 failed (reported, or the reason in error for a variable that has
// no value).
int runCommandTemplate(ScriptHost& host, int view, std::string_view commandLine,
                       const ScriptRun& run, bool wait, std::string& error);

bool scriptRunning();
// Stops the running script at its next statement or wait step.
void requestScriptStop();

}  // namespace tessel
