#include <cstdint>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "zuknet/net_text_receiver.h"

namespace tessel {

namespace {

// Beyond this the ring would hold more than 10 MB of text.
constexpr int64_t kMaxRingCharacters = 10485760;

const char* ringSizeProblem(int64_t lines, int64_t chars) {
    if (lines < 10) return "invalid nettext max lines";
    if (chars < 30) return "invalid nettext max columns";
    if (lines * chars < 100) return "invalid nettext max amount";
    if (lines * chars > kMaxRingCharacters) return "nettext too large, keep below 10 MB";
    return nullptr;
}

}  // namespace

NetTextSettings readNetTextSettings(QVConfig& config,
                                    const std::function<void(const char*)>& note) {
    auto report = [&note](const char* problem) {
        logMessage("%s", problem);
        if (note) note(problem);
    };
    NetTextSettings settings;
    settings.enabled = config.getInt("netTextReceive") != 0;
    settings.rawAutoLineFeed = config.getInt("netRawAutoLF") != 0;
    settings.localOnly = appSettings().netTextReceiveLocal;

    settings.port = config.getNumber("netTextReceivePort", 0);
    if (settings.port < 1 || settings.port > 65535) {
        settings.port = kDefaultNetTextPort;
        config.setNumberText(config.idOf("netTextReceivePort"), kDefaultNetTextPort);
        report("invalid network text port, setting default");
    }

    settings.lines = config.getNumber("netTextLines", 0);
    settings.charsPerLine = config.getNumber("netTextCharsPerLine", 0);
    if (const char* problem = ringSizeProblem(settings.lines, settings.charsPerLine)) {
        settings.lines = kDefaultNetTextLines;
        settings.charsPerLine = kDefaultNetTextChars;
        config.setNumberText(config.idOf("netTextLines"), kDefaultNetTextLines);
        config.setNumberText(config.idOf("netTextCharsPerLine"), kDefaultNetTextChars);
        report(problem);
        logMessage("[note] Setting netlog default values.");
    }
    return settings;
}

}  // namespace tessel
