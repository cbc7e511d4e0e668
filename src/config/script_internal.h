// Pieces shared by the script runner, its commands and its variables.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/blanks.h"
#include "config/script_runner.h"

namespace tessel::scriptdetail {

// What became of one statement.
struct Outcome {
    int status = 0;                  // 0 done, 1 stopped by the user, 9 failed
    bool unmatched = false;          // no command of that name: a syntax error
    std::string reason;              // shown as "[error] ... reason"
    std::vector<std::string> notes;  // whole log lines after the reason
};

Outcome failure(const char* format, ...) __attribute__((format(printf, 1, 2)));
Outcome unmatched();
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Runs one statement (prefix and command) for the view the script belongs to.
Outcome runStatement(ScriptHost& host, std::string_view statement, const ScriptRun& run);

bool stopRequested();

}  // namespace tessel::scriptdetail
