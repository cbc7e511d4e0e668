#include "app/live_stdin.h"

#include <unistd.h>

#include <memory>

#include "app/live_follow.h"
#include "base/log/message_log.h"
#include "load/file_follow.h"
#include "load/stdin_reader.h"
#include "platform/platform.h"
#include "text/text_store.h"

namespace tessel {
namespace {

constexpr int kStdinTickMs = 50;
// At most this much goes in per tick, so a fast pipe never holds the window for long.
constexpr size_t kMaxBytesPerTick = size_t{8} << 20;

struct LiveStdinState {
    std::unique_ptr<StdinReader> reader;
    std::unique_ptr<PlatformTimer> timer;
    bool open = false;
};

LiveStdinState& state() {
    static LiveStdinState live;  // user interface thread only
    return live;
}

void stdinTick() {
    LiveStdinState& live = state();
    if (!live.reader) return;
    std::string lines;
    live.open = live.reader->take(lines, kMaxBytesPerTick);
    TextStore& store = textStore();
    int index = -1;
    TextBlock* block = store.blockByName(kStdinBlockName);
    for (int b = 0; block && b < store.blockCount; ++b) {
        if (store.blockAt(b) == block) index = b;
    }
    if (index < 0) {
        logMessage("[note] standard input no longer shown: its text was unloaded");
        live.open = false;
    } else if (!lines.empty()) {
        changeBlockInViews(store, index, [&store, &lines](TextBlock& changed) {
            int added = 0;
            const bool grew = appendLines(changed, lines, added) == 0 && added > 0;
            store.renumber();
            return grew;
        });
    }
    if (!live.open) {
        live.timer.reset();
        live.reader.reset();
        logMessage("[blue] standard input ended.");
        return;
    }
    if (live.timer && !live.timer->active()) live.timer->start(kStdinTickMs, false);
}

}  // namespace

bool startupReadsStdin(const std::string& loadArgument) {
    if (loadArgument == "-") return true;
    return loadArgument.empty() && stdinIsTextSource(STDIN_FILENO);
}

int startStdinText() {
    LiveStdinState& live = state();
    if (live.reader) return 1;
    if (!addStdinBlock(textStore())) return 9;
    live.reader = std::make_unique<StdinReader>();
    if (live.reader->start(STDIN_FILENO) != 0) {
        live.reader.reset();
        return 9;
    }
    live.open = true;
    live.timer = PlatformTimer::create(stdinTick);
    if (live.timer) live.timer->start(kStdinTickMs, false);
    return 0;
}

bool stdinTextOpen() {
    return state().open;
}

void uninstallLiveStdin() {
    state() = LiveStdinState{};
}

}  // namespace tessel
