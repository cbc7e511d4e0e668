// The environment variable TESSEL_CONFIG: comma-separated key:value settings that override
// the configuration file, for example "maxload:200,case:no". It is looked at twice: before
// the command line only for the linux words, and after the configuration file in full.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

inline constexpr const char* kTesselConfigVariable = "TESSEL_CONFIG";

// Applies one configuration keyword as if it stood in the configuration file.
using KeywordHandler = std::function<int(const char* key, const char* value)>;

struct TesselConfigEntry {
    std::string key;
    std::string value;  // empty when the entry has no colon
};

// Splits a value into its entries: outer double quotes removed, entries at commas, key and
// value at the first colon. A font entry keeps the four commas of its font value.
std::vector<TesselConfigEntry> splitTesselConfig(std::string_view value);

// The early look before the command line: 1 when the value switches linux mode on, 0 when
// off, -1 when it says nothing about it. The last linux word wins.
int tesselConfigLinuxMode(std::string_view value);

// Applies the value after the configuration file was read: linux words set linuxMode, every
// other entry is logged and handed to applyKeyword. Result 1 when value is null (the
// variable is not set), else 0.
int applyTesselConfig(const char* value, bool& linuxMode, const KeywordHandler& applyKeyword);

}  // namespace tessel
