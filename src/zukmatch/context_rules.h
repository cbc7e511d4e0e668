// The block context rules: up to 30 pairs of a file-name filter and an expression written as
// "/search for/display as/" (any first character serves as the delimiter), held in the
// setting store at the slot positions 0-9, 14-23 and 28-37 (path id 317 + 2s, match id
// 318 + 2s). ContextRules keeps one compiled ZukMatch per slot and the output buffer they
// share; the scan (context_scan.h) asks it which rules apply to a file.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "config/qv_config.h"
#include "zukmatch/zuk_match.h"

namespace tessel {

// compile() results besides 0.
inline constexpr int kContextMissingDelimiter = 10;
inline constexpr int kContextMissingEndDelimiter = 11;
inline constexpr int kContextTrailingChars = 12;
inline constexpr int kContextWrongSyntax = 13;
inline constexpr int kContextBufferError = 14;

// A rule text taken apart. status is 0 or one of the results 10 to 12 with its detail.
struct ContextRuleText {
    int status = 0;
    std::string_view search;
    std::string_view display;
    std::string detail;
};
ContextRuleText splitContextRule(std::string_view rule);

// The path filter of a rule: blank-separated words, double quotes around a word that holds
// blanks. "word*" matches names containing "word", ".ext" names ending in ".ext", any other
// word names containing it; case is ignored and "\" stands for "/". An empty filter takes
// every file.
bool contextPathAccepts(std::string_view filter, std::string_view fileName);

class ContextRules {
  public:
    // Compiles the rule of one slot position from the setting store. 0 when it compiled or
    // is switched off (empty), else 10 to 14; the slot then does nothing. With a dialog the
    // result text ("OK 3 parts", or the detail and an explanation) goes there, else failures
    // go to the log.
    int compile(int slot, std::string* dialogStatus = nullptr);
    // Compiles every rule with a match text; returns how many compiled without error.
    int compileAll();

    bool isValid(int slot) const;
    ZukMatch& matcher(int slot) { return matchers_[slot]; }
    // The valid slots whose path filter takes the file, in slot order; returns their count.
    int activeSlots(std::string_view fileName, std::array<int, kContextSlotPositions>& slots) const;

  private:
    int provideOutput(int64_t size);

    std::array<ZukMatch, kContextSlotPositions> matchers_;
    std::array<bool, kContextSlotPositions> valid_{};
    std::vector<char> output_;  // shared by every slot's render()
};

// The process-wide rules, compiled from the process-wide setting store.
ContextRules& contextRules();
// Lets every configuration read compile the rules (the hook of the configuration reader).
void installContextRulesHook();

}  // namespace tessel
