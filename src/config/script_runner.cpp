#include "config/script_runner.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "base/log/message_log.h"
#include "config/script_internal.h"

namespace tessel {
namespace scriptdetail {
namespace {

std::atomic<bool> running{false};
std::atomic<bool> stopFlag{false};

std::string vformatted(const char* format, va_list args) {
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    return buffer;
}

}  // namespace

std::string formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformatted(format, args);
    va_end(args);
    return text;
}

Outcome failure(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Outcome outcome;
    outcome.status = 9;
    outcome.reason = vformatted(format, args);
    va_end(args);
    return outcome;
}

Outcome unmatched() {
    Outcome outcome;
    outcome.status = 9;
    outcome.unmatched = true;
    return outcome;
}

bool stopRequested() {
    return stopFlag.load();
}

}  // namespace scriptdetail

namespace {

using namespace scriptdetail;

void quoteLine(std::string_view line) {
    std::string text(line.substr(0, 50));
    logMessage("[blue] \"%s%s\"", text.c_str(), line.size() > 50 ? "..." : "");
}

struct IndentedLine {
    std::string_view whole;
    std::string_view content;
    size_t indent = 0;
    bool tabs = false;
};

IndentedLine indentedLine(std::string_view line) {
    IndentedLine result;
    result.whole = line;
    while (result.indent < line.size() &&
           (line[result.indent] == ' ' || line[result.indent] == '\t')) {
        result.tabs = result.tabs || line[result.indent] == '\t';
        ++result.indent;
    }
    result.content = trimBlanks(line.substr(result.indent));
    return result;
}

void reportIndentEnd() {
    logMessage("[error] count spaces, and avoid TAB characters.");
}

void reportStatementFault(const Outcome& outcome, std::string_view statement) {
    std::string text(statement.substr(0, 1000));
    logError(0, "%s", outcome.unmatched ? "syntax error in script:" : "script stopped at:");
    logMessage("#error at: %.60s - see message log", text.c_str());
    logMessage("[blue] \"%.150s\"", text.c_str());
    if (!outcome.reason.empty()) logMessage("[error] ... %s", outcome.reason.c_str());
    for (const std::string& note : outcome.notes) logMessage("%s", note.c_str());
    if (outcome.unmatched) logMessage("[note] unsupported command, or wrong spelling.");
}

// Marks a script as running for its lifetime; nested runs leave the mark to the outer one.
class RunningMark {
  public:
    explicit RunningMark(bool nested) : owner_(!nested) {
        if (owner_) {
            running = true;
            stopFlag = false;
        }
    }
    ~RunningMark() {
        if (owner_) running = false;
    }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

  private:
    bool owner_;
};

}  // namespace

int splitStatements(std::string_view text, std::vector<std::string>& statements) {
    statements.clear();
    bool haveStatement = false;
    size_t statementIndent = 0;
    IndentedLine statementLine;
    IndentedLine firstJoined;
    size_t joinedCount = 0;
    bool haveIndented = false;
    bool indentedWithTabs = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (raw.ends_with('\r')) raw.remove_suffix(1);
        IndentedLine line = indentedLine(raw);
        if (line.content.empty() || line.content.starts_with("//")) continue;
        if (line.indent > 0) {
            if (haveIndented && line.tabs != indentedWithTabs) {
                logError(0, "mixing of TAB and BLANK indentation in config:");
                quoteLine(line.whole);
                logMessage("[error] previous line uses %s for indent, so this one must too.",
                           indentedWithTabs ? "TABs" : "BLANKs");
                logMessage("[error] if in any doubt, replace all TAB characters by BLANKs.");
                return 9;
            }
            haveIndented = true;
            indentedWithTabs = line.tabs;
        }
        if (!haveStatement || line.indent == statementIndent) {
            statements.emplace_back(line.content);
            haveStatement = true;
            statementIndent = line.indent;
            statementLine = line;
            joinedCount = 0;
            continue;
        }
        // A line indented less than the statements ends the script.
        if (line.indent < statementIndent) break;
        if (joinedCount == 0) {
            firstJoined = line;
        } else if (line.indent != firstJoined.indent) {
            logError(0, "wrong indentation in script:");
            quoteLine(line.whole);
            if (line.indent < firstJoined.indent) {
                logMessage("[error] MUST have same indent as previous statement:");
                quoteLine(statementLine.whole);
            } else if (joinedCount == 1) {
                logMessage("[error] joined line MUST have same indent as previous line.");
            } else {
                logMessage("[error] joined line MUST have same indent as:");
                quoteLine(firstJoined.whole);
            }
            reportIndentEnd();
            return 9;
        }
        ++joinedCount;
        statements.back() += ' ';
        statements.back() += line.content;
    }
    return 0;
}

int runScript(ScriptHost& host, std::string_view text, const ScriptRun& run) {
    if (!run.nested && running) {
        logMessage("#another command is still running.");
        logMessage("[error] stop the other command first.");
        return 9;
    }
    std::vector<std::string> statements;
    if (splitStatements(text, statements) != 0) return 9;
    RunningMark mark(run.nested);
    ScriptRun current = run;
    if (!run.nested) current.held = host.heldModifiers();
    for (const std::string& statement : statements) {
        if (stopRequested()) {
            logMessage("[blue] script stopped.");
            return 1;
        }
        if (size_t at = statement.find('\r'); at != std::string::npos) {
            logError(0, "CR in command near \"%.50s\"", statement.c_str());
            return 9;
        }
        if (verboseMode()) host.messageBox("exec script block", statement.c_str());
        Outcome outcome = runStatement(host, statement, current);
        if (outcome.status == 1) {
            logMessage("[blue] script stopped.");
            return 1;
        }
        if (outcome.status != 0) {
            reportStatementFault(outcome, statement);
            return 9;
        }
    }
    return 0;
}

int splitScriptParameters(std::string_view text, std::vector<std::string>& parameters) {
    parameters.clear();
    text = skipBlanks(text);
    while (!text.empty() && parameters.size() < kMaxScriptParameters) {
        if (text.front() == '"') {
            size_t close = text.find('"', 1);
            if (close == std::string_view::npos) {
                logError(0, "unclosed quote in parameter");
                return 9;
            }
            parameters.emplace_back(text.substr(1, close - 1));
            text.remove_prefix(close + 1);
        } else {
            size_t end = text.find_first_of(" \t");
            if (end == std::string_view::npos) end = text.size();
            parameters.emplace_back(text.substr(0, end));
            text.remove_prefix(end);
        }
        text = skipBlanks(text);
    }
    return 0;
}

bool scriptRunning() {
    return running;
}

void requestScriptStop() {
    if (running) stopFlag = true;
}

}  // namespace tessel
