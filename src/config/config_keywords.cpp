// The keyword parser: the setting table first, then the keywords of the application
// settings. Each keyword checks its value, stores it and says what it did in the log.
#include <algorithm>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/keyword_support.h"
#include "config/qv_config.h"

namespace tessel {
namespace configdetail {

int shown(std::string_view text) {
    return static_cast<int>(std::min<size_t>(text.size(), 100));
}

const char* onOff(int32_t value) {
    return value != 0 ? "on" : "off";
}

void recordLine(int id, std::string_view key) {
    ConfigFileState& state = configFile();
    if (state.currentLine <= 0 || id < 1 || id >= kTouchIdLimit) return;
    mapLineToSetting(state.lineMap, state.currentLine, id);
    if (state.pkey.size() < static_cast<size_t>(kTouchIdLimit)) state.pkey.resize(kTouchIdLimit);
    std::string& remembered = state.pkey[static_cast<size_t>(id)];
    if (remembered.empty()) remembered.assign(key);
}

bool tooLong(const Keyword& k, size_t limit) {
    if (k.value.size() <= limit) return false;
    logError(0, "value of %.*s too long, at most %zu characters", shown(k.key), k.key.data(),
             limit);
    return true;
}

}  // namespace configdetail

namespace {

// Applying a keyword sets what the configuration says; it is not a change to write back.
struct TouchPause {
    TouchPause() { config().suspendTouch(); }
    ~TouchPause() { config().resumeTouch(); }
    TouchPause(const TouchPause&) = delete;
    TouchPause& operator=(const TouchPause&) = delete;
};

const configdetail::KeywordHandler* findHandler(std::string_view key) {
    for (auto table : {configdetail::loadSearchKeywords(), configdetail::viewClipKeywords()}) {
        for (const configdetail::KeywordHandler& handler : table) {
            if (handler.prefix ? key.starts_with(handler.name) : key == handler.name) {
                return &handler;
            }
        }
    }
    return nullptr;
}

}  // namespace

int applyConfigKeyword(std::string_view key, std::string_view value) {
    TouchPause pause;
    configdetail::Keyword keyword{key, value, configValueOf(value)};
    bool hadError = false;
    if (int id = config().applyKeyword(key, value, keyword.number, &hadError); id != 0) {
        configdetail::recordLine(id, key);
        if (configHooks().settingApplied) configHooks().settingApplied(id);
        return hadError ? 9 : 0;
    }
    if (const configdetail::KeywordHandler* handler = findHandler(key)) {
        return handler->apply(keyword);
    }
    logError(0, "unknown config keyword: \"%.*s\"", configdetail::shown(key), key.data());
    return 9;
}

int applyConfigKeyword(const char* key, const char* value) {
    return applyConfigKeyword(std::string_view(key != nullptr ? key : ""),
                              std::string_view(value != nullptr ? value : ""));
}

bool isKeywordConfigured(const char* key) {
    std::string_view name = key != nullptr ? key : "";
    if (name == "maxload") return appSettings().maxLoadSetByUser;
    if (name == "centralbookdir") return !appSettings().centralBookDir.empty();
    return false;
}

}  // namespace tessel
