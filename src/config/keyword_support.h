// What the keyword handlers of the application settings share.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tessel::configdetail {

struct Keyword {
    std::string_view key;
    std::string_view value;
    int32_t number;  // the value converted as flags and numbers are
};

struct KeywordHandler {
    const char* name;
    bool prefix;                   // matches every keyword that begins with name
    int (*apply)(const Keyword&);  // 0 taken, 9 refused (reported)
};

std::span<const KeywordHandler> loadSearchKeywords();
std::span<const KeywordHandler> viewClipKeywords();

// Remembers that the configuration line being applied holds setting id, so the writer can
// replace it. Keywords from elsewhere (the environment, options) have no line.
void recordLine(int id, std::string_view key);
// Refuses (with a message) a value longer than limit.
bool tooLong(const Keyword& k, size_t limit);
// Log lines show at most 100 characters of a value.
int shown(std::string_view text);
const char* onOff(int32_t value);

}  // namespace tessel::configdetail
