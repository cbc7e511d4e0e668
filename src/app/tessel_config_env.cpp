#include "app/tessel_config_env.h"

#include "base/blanks.h"
#include "base/log/message_log.h"

namespace tessel {

namespace {

// A font value is name,width,height,weight,spacing: its entry swallows four commas.
constexpr int kFontSpecCommas = 4;

bool isFontKey(std::string_view key) {
    return key.starts_with("mainfont") || key.starts_with("bookfont") ||
           key.starts_with("menufont");
}

std::string_view stripOuterQuotes(std::string_view text) {
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        if (!text.empty() && text.back() == '"') text.remove_suffix(1);
    }
    return text;
}

bool isFalseWord(std::string_view value) {
    return value == "no" || value == "false" || value == "off" || value == "0";
}

// -1 for an entry that is not a linux word, else the mode it selects.
int linuxWordOf(const TesselConfigEntry& entry) {
    if (entry.key == "nolinux") return 0;
    if (entry.key == "linux") return isFalseWord(entry.value) ? 0 : 1;
    return -1;
}

}  // namespace

std::vector<TesselConfigEntry> splitTesselConfig(std::string_view value) {
    std::vector<TesselConfigEntry> entries;
    std::string_view rest = stripOuterQuotes(value);
    while (!rest.empty()) {
        size_t end = rest.find(',');
        std::string_view entry = rest.substr(0, end);
        size_t colon = entry.find(':');
        std::string_view key = trimBlanks(entry.substr(0, colon));
        if (colon != std::string_view::npos && isFontKey(key)) {
            for (int commas = 0; commas < kFontSpecCommas && end != std::string_view::npos;
                 ++commas) {
                end = rest.find(',', end + 1);
            }
            entry = rest.substr(0, end);
        }
        if (!key.empty()) {
            TesselConfigEntry& made = entries.emplace_back();
            made.key.assign(key);
            if (colon != std::string_view::npos) made.value.assign(entry.substr(colon + 1));
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return entries;
}

int tesselConfigLinuxMode(std::string_view value) {
    int mode = -1;
    for (const TesselConfigEntry& entry : splitTesselConfig(value)) {
        int word = linuxWordOf(entry);
        if (word >= 0) mode = word;
    }
    return mode;
}

int applyTesselConfig(const char* value, bool& linuxMode, const KeywordHandler& applyKeyword) {
    if (value == nullptr) return 1;
    logMessage(" ");
    logMessage("using TESSEL_CONFIG");
    for (const TesselConfigEntry& entry : splitTesselConfig(value)) {
        int word = linuxWordOf(entry);
        if (word >= 0) {
            linuxMode = word == 1;
            continue;
        }
        logMessage("key=%s val=%s", entry.key.c_str(), entry.value.c_str());
        if (applyKeyword) applyKeyword(entry.key.c_str(), entry.value.c_str());
    }
    return 0;
}

}  // namespace tessel
