#include "view/background_picture.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <vector>

#include "base/log/message_log.h"
#include "config/config_location.h"
#include "config/hotkeys.h"

namespace tessel {

namespace {

// A picture file larger than this is not read: even a large photograph stays far below it.
constexpr std::streamsize kMaxPictureFileBytes = std::streamsize{64} << 20;

struct BackgroundCache {
    std::string file;  // the file the source was read from (or failed to be)
    bool failed = false;
    Picture source;
    int width = 0;
    int height = 0;
    int shade = 0;
    Picture shown;  // the source scaled and paled for the last size and shade
};

BackgroundCache& cache() {
    static BackgroundCache state;  // user interface thread only
    return state;
}

// The choice changes with the minute at most: every paint asks for it, and it is looked up
// among the configuration's "on" lines only when the minute has moved on.
struct Choice {
    int minute = -1;
    std::string file;
};

Choice& choice() {
    static Choice chosen;  // user interface thread only
    return chosen;
}

int minuteOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 60 + local.tm_min;
}

bool startsWith(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> head) {
    return bytes.size() >= head.size() && std::equal(head.begin(), head.end(), bytes.begin());
}

// 0 read and decoded, 9 not (reported).
int readPicture(const std::string& file, Picture& out) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        logMessage("[blue] cannot read background picture: %.300s", file.c_str());
        return 9;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxPictureFileBytes) {
        logMessage("[blue] background picture unreadable or too large: %.300s", file.c_str());
        return 9;
    }
    in.seekg(0, std::ios::beg);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        logMessage("[blue] cannot read background picture: %.300s", file.c_str());
        return 9;
    }
    if (startsWith(bytes, {0x89, 'P', 'N', 'G'})) return decodePng(bytes, out);
    if (startsWith(bytes, {0xFF, 0xD8})) return decodeJpeg(bytes, out);
    logMessage("[blue] background picture is neither PNG nor JPEG: %.300s", file.c_str());
    return 9;
}

}  // namespace

std::string chosenBackgroundFile() {
    Choice& chosen = choice();
    const int minute = minuteOfDay();
    if (minute == chosen.minute) return chosen.file;
    chosen.minute = minute;
    chosen.file = backgroundForTime(minute);
    if (!chosen.file.empty() && chosen.file.front() != '/') {
        const std::string config = configPath();
        const size_t slash = config.find_last_of('/');
        if (slash != std::string::npos) chosen.file.insert(0, config.substr(0, slash + 1));
    }
    return chosen.file;
}

Picture coverAndPale(const Picture& source, int width, int height, int shade) {
    Picture out;
    if (source.width <= 0 || source.height <= 0 || width <= 0 || height <= 0) return out;
    shade = std::max(shade, 1);
    out.width = width;
    out.height = height;
    out.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    // Cover: the larger of the two scales, so that no edge of the view stays bare; the
    // picture's middle stays in the middle. Each target pixel takes its nearest source pixel.
    const double scale = std::max(static_cast<double>(width) / source.width,
                                  static_cast<double>(height) / source.height);
    const double left = (source.width * scale - width) / 2;
    const double top = (source.height * scale - height) / 2;
    uint8_t paled[256];
    for (int c = 0; c < 256; ++c) paled[c] = static_cast<uint8_t>(255 - (255 - c) / shade);
    for (int y = 0; y < height; ++y) {
        const int sy = std::clamp(static_cast<int>((y + top) / scale), 0, source.height - 1);
        for (int x = 0; x < width; ++x) {
            const int sx = std::clamp(static_cast<int>((x + left) / scale), 0, source.width - 1);
            const uint8_t* from =
                &source.rgba[(static_cast<size_t>(sy) * static_cast<size_t>(source.width) +
                              static_cast<size_t>(sx)) *
                             4];
            uint8_t* to = &out.rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) +
                                     static_cast<size_t>(x)) *
                                    4];
            // A transparent part of the picture shows the white ground.
            const int alpha = from[3];
            for (int channel = 0; channel < 3; ++channel) {
                const int over = (from[channel] * alpha + 255 * (255 - alpha)) / 255;
                to[channel] = paled[over];
            }
            to[3] = 255;
        }
    }
    return out;
}

const Picture* backgroundFor(int width, int height, int shade) {
    BackgroundCache& state = cache();
    const std::string file = chosenBackgroundFile();
    if (file.empty()) return nullptr;
    if (file != state.file) {
        state = BackgroundCache{};
        state.file = file;
        if (readPicture(file, state.source) != 0) {
            state.failed = true;
            logMessage("[blue] background image disabled.");
        }
    }
    if (state.failed || width <= 0 || height <= 0) return nullptr;
    if (state.width != width || state.height != height || state.shade != shade) {
        state.shown = coverAndPale(state.source, width, height, shade);
        state.width = width;
        state.height = height;
        state.shade = shade;
    }
    return state.shown.rgba.empty() ? nullptr : &state.shown;
}

void resetBackground() {
    cache() = BackgroundCache{};
    choice() = Choice{};
}

}  // namespace tessel
