#include "search/search_delay.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "search/search_state.h"

namespace tessel {

namespace {

constexpr int kDefaultDelay = 800;
constexpr int kMinDelay = 10;
constexpr int64_t kKeyWindowMs = 1000;

int percentFor(int delay, int keys) {
    if (keys == 0) return 1;
    if (delay < 1000) {
        static const int kShort[] = {1, 100, 60, 40, 30, 25};
        return kShort[std::min(keys, 5)];
    }
    static const int kLong[] = {1, 100, 90, 80, 70};
    return kLong[std::min(keys, 4)];
}

int lengthPercent(int delay, int length) {
    if (delay >= 1000) return length <= 2 ? 100 : length == 3 ? 90 : 80;
    if (length == 3) return 90;
    if (length == 4) return 70;
    if (length >= 5) return 50;
    return 100;
}

}  // namespace

int computeSearchDelay(const DelayInputs& in) {
    if (in.mouseOnBookmarks && in.enableMouseBookDelay && in.mouseBookDelay > 0) {
        return in.mouseBookDelay;
    }
    int d = in.configuredDelay;
    if (d <= kMinDelay || d == kDefaultDelay) d = kDefaultDelay;
    const int percent = in.newWordStarted ? 100 : percentFor(d, in.keysLastSecond);
    int64_t delay = percent == 1 ? kMinDelay : static_cast<int64_t>(percent) * d / 100;
    if (percent >= 50) delay = delay * lengthPercent(d, in.maskLength) / 100;
    return static_cast<int>(std::clamp<int64_t>(delay, kMinDelay, INT32_MAX));
}

void KeystrokeLog::add(int64_t timeMs, bool newWord) {
    entries[count % kSize] = {timeMs, newWord};
    // Keep the count bounded but above kSize so the ring position stays right.
    count = count >= 2 * kSize ? count - kSize + 1 : count + 1;
}

int SearchState::searchDelay(int64_t nowMs, bool pathMaskTyped, bool mouseOnBookmarks) const {
    DelayInputs in;
    in.configuredDelay = settings.searchDelay;
    in.enableMouseBookDelay = settings.enableMouseBookDelay;
    in.mouseBookDelay = settings.mouseBookDelay;
    in.mouseOnBookmarks = mouseOnBookmarks;
    const int used = std::min(keystrokeLog.count, KeystrokeLog::kSize);
    for (int i = 0; i < used; ++i) {
        const KeystrokeLog::Entry& key = keystrokeLog.entries[i];
        if (nowMs - key.timeMs >= kKeyWindowMs || nowMs < key.timeMs) continue;
        if (key.newWord) {
            in.newWordStarted = true;
        } else {
            ++in.keysLastSecond;
        }
    }
    in.maskLength = static_cast<int>(std::strlen(pathMaskTyped ? pathMask : findMask));
    return computeSearchDelay(in);
}

void SearchState::recordKeystroke(int64_t nowMs, bool newWord) {
    keystrokeLog.add(nowMs, newWord);
}

}  // namespace tessel
