#include "view/area_space.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "config/app_settings.h"
#include "config/qv_config.h"
#include "view/frame_layout.h"
#include "base/log/message_log.h"

namespace tessel {
namespace {

// Seven digits are more than any desktop needs and keep every sum below the int range.
constexpr int kMaxNumberDigits = 7;
constexpr int kMinAreaWidth = 450;
constexpr int kMinAreaHeight = 200;
constexpr int kMinSpaceWidth = 100;
constexpr int kMinSpaceHeight = 50;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// One decimal number of the whole field; false for anything else.
bool readNumber(std::string_view field, bool allowSign, int* out) {
    bool negative = false;
    if (allowSign && !field.empty() && field.front() == '-') {
        negative = true;
        field.remove_prefix(1);
    }
    if (field.empty() || field.size() > static_cast<size_t>(kMaxNumberDigits)) return false;
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    *out = negative ? -value : value;
    return true;
}

// Splits at colons; false when there are more than maxFields fields.
template <size_t N>
bool splitFields(std::string_view text, std::array<std::string_view, N>& fields, size_t* count) {
    *count = 0;
    while (true) {
        if (*count == N) return false;
        size_t colon = text.find(':');
        fields[(*count)++] = text.substr(0, colon);
        if (colon == std::string_view::npos) return true;
        text.remove_prefix(colon + 1);
    }
}

int areaSyntaxError() {
    logError(0, "config: wrong syntax for area");
    logMessage("[error] supply x:y:w:h");
    return 9;
}

int spaceSyntaxError() {
    logError(0, "config: wrong syntax for space");
    logMessage("[error] supply vertical:horizontal");
    logMessage("[error] supply top:right:bottom:left");
    return 9;
}

int clampToInt(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

int parseAreaText(std::string_view text, AreaValues* out) {
    std::array<std::string_view, 5> fields;
    size_t count = 0;
    if (!splitFields(trimmed(text), fields, &count) || count < 4) return areaSyntaxError();
    AreaValues parsed;
    int* targets[] = {&parsed.x, &parsed.y, &parsed.width, &parsed.height, &parsed.gap};
    for (size_t i = 0; i < count; ++i) {
        // Only the position may be negative: monitors left of or above the first one.
        if (!readNumber(trimmed(fields[i]), i < 2, targets[i])) return areaSyntaxError();
    }
    *out = parsed;
    return 0;
}

int parseSpaceText(std::string_view text, SpaceMargins* out) {
    text = trimmed(text);
    SpaceMargins parsed;
    if (!text.empty() && (text.front() == 'm' || text.front() == 'M')) {
        size_t colon = text.find(':');
        if (colon == std::string_view::npos) return spaceSyntaxError();
        if (!readNumber(text.substr(1, colon - 1), false, &parsed.monitor)) {
            return spaceSyntaxError();
        }
        text.remove_prefix(colon + 1);
    }
    std::array<std::string_view, 4> fields;
    size_t count = 0;
    if (!splitFields(text, fields, &count)) return spaceSyntaxError();
    size_t at = fields[count - 1].find('@');
    if (at != std::string_view::npos) {
        // The monitor suffix belongs to the full four-margin form only.
        if (count != 4) return spaceSyntaxError();
        if (!readNumber(trimmed(fields[3].substr(at + 1)), false, &parsed.monitor)) {
            return spaceSyntaxError();
        }
        fields[3] = fields[3].substr(0, at);
    }
    int margins[4] = {};
    for (size_t i = 0; i < count; ++i) {
        if (!readNumber(trimmed(fields[i]), false, &margins[i])) return spaceSyntaxError();
    }
    switch (count) {
        case 1:
            parsed.top = parsed.right = parsed.bottom = parsed.left = margins[0];
            break;
        case 2:
            parsed.top = parsed.bottom = margins[0];
            parsed.left = parsed.right = margins[1];
            break;
        case 3:
            parsed.top = margins[0];
            parsed.left = parsed.right = margins[1];
            parsed.bottom = margins[2];
            break;
        default:
            parsed.top = margins[0];
            parsed.right = margins[1];
            parsed.bottom = margins[2];
            parsed.left = margins[3];
            break;
    }
    *out = parsed;
    return 0;
}

FrameRect shrinkByMargins(const FrameRect& work, const SpaceMargins& space) {
    FrameRect area;
    area.x = clampToInt(int64_t{work.x} + space.left);
    area.y = clampToInt(int64_t{work.y} + space.top);
    area.width = clampToInt(int64_t{work.width} - space.left - space.right);
    area.height = clampToInt(int64_t{work.height} - space.top - space.bottom);
    return area;
}

int marginsOf(const FrameRect& area, const FrameRect& work, SpaceMargins* out) {
    int64_t top = int64_t{area.y} - work.y;
    int64_t left = int64_t{area.x} - work.x;
    int64_t right = work.right() - area.right();
    int64_t bottom = work.bottom() - area.bottom();
    if (top < 0 || left < 0 || right < 0 || bottom < 0) return 5;
    out->top = clampToInt(top);
    out->right = clampToInt(right);
    out->bottom = clampToInt(bottom);
    out->left = clampToInt(left);
    return 0;
}

std::string formatSpace(const SpaceMargins& space) {
    char text[80];
    std::snprintf(text, sizeof text, "%d:%d:%d:%d@%d", space.top, space.right, space.bottom,
                  space.left, space.monitor);
    return text;
}

void FrameLayout::computeDefaultArea() {
    selectMonitor(0, 0, 0, 0, startMonitor);
    setArea(workRect.x + 20, workRect.y + 20, workWidth - 40, workHeight - 60, kDefaultAreaGap,
            false);
}

void FrameLayout::selectMonitor(int x, int y, int right, int bottom, int monitorNumber) {
    const MonitorTable& table = monitorList();
    const MonitorArea* monitor = nullptr;
    if (monitorNumber > 0) {
        monitor = table.at(monitorNumber - 1);
        if (!monitor) monitor = table.at(0);
    } else if (x > 0 || y > 0 || right > 0 || bottom > 0) {
        FrameRect wanted{x, y, clampToInt(int64_t{right} - x), clampToInt(int64_t{bottom} - y)};
        int found = table.containing(wanted);
        monitor = table.at(found < 0 ? 0 : found);
    }
    FrameRect work;
    if (monitor) {
        work = monitor->work;
    } else {
        // The desktop window limited to the system work area.
        work = table.desktop;
        const FrameRect& limit = table.systemWorkArea;
        if (!limit.empty()) {
            int64_t left = std::max<int64_t>(work.x, limit.x);
            int64_t top = std::max<int64_t>(work.y, limit.y);
            int64_t rightEdge = std::min(work.right(), limit.right());
            int64_t bottomEdge = std::min(work.bottom(), limit.bottom());
            work = FrameRect{clampToInt(left), clampToInt(top),
                             clampToInt(std::max<int64_t>(0, rightEdge - left)),
                             clampToInt(std::max<int64_t>(0, bottomEdge - top))};
        }
    }
    workRect = work;
    workWidth = std::max(0, work.width);
    workHeight = std::max(0, work.height);
}

void FrameLayout::setArea(int x, int y, int width, int height, int areaGap, bool keepHeight) {
    if (keepHeight) height = areaHeight;
    if (!traceMode()) {
        width = std::max(width, kMinAreaWidth);
        height = std::max(height, kMinAreaHeight);
        if (workWidth > 0) width = std::min(width, workWidth);
        if (workHeight > 0) height = std::min(height, workHeight);
        x = std::max(x, 0);
        y = std::max(y, 0);
        if (monitorList().count < 2) {
            if (workWidth > 0 && int64_t{x} + width > workWidth) x = workWidth - width;
            if (workHeight > 0 && int64_t{y} + height > workHeight) y = workHeight - height;
        }
    }
    // Even in trace mode a negative size would turn every view rectangle inside out.
    areaX = x;
    areaY = y;
    areaWidth = std::max(width, 0);
    areaHeight = std::max(height, 0);
    gap = std::max(areaGap, 0);
    areaWidthFull = areaWidth;
    areaWidthThird = areaWidth / 3;
    areaWidthHalf = areaWidth / 2;
}

int FrameLayout::parseArea(std::string_view text) {
    AreaValues parsed;
    if (parseAreaText(text, &parsed) != 0) return 9;
    selectMonitor(parsed.x, parsed.y, parsed.x + parsed.width, parsed.y + parsed.height, 0);
    setArea(parsed.x, parsed.y, parsed.width, parsed.height, parsed.gap, false);
    return 0;
}

int FrameLayout::parseSpace(std::string_view text) {
    SpaceMargins parsed;
    if (parseSpaceText(text, &parsed) != 0) return 9;
    FrameRect oldWork = workRect;
    int oldWidth = workWidth;
    int oldHeight = workHeight;
    selectMonitor(0, 0, 0, 0, parsed.monitor);
    FrameRect area = shrinkByMargins(workRect, parsed);
    if (area.width < kMinSpaceWidth || area.height < kMinSpaceHeight) {
        workRect = oldWork;
        workWidth = oldWidth;
        workHeight = oldHeight;
        return spaceSyntaxError();
    }
    setArea(area.x, area.y, area.width, area.height, kDefaultAreaGap, false);
    return 0;
}

int FrameLayout::computeSpace() {
    const MonitorTable& table = monitorList();
    FrameRect area{areaX, areaY, areaWidth, areaHeight};
    SpaceMargins margins;
    FrameRect work = workRect;
    margins.monitor = 0;
    if (table.count > 0) {
        int found = table.containing(area);
        if (found < 0) found = 0;
        work = table.monitors[static_cast<size_t>(found)].work;
        // Stored 1-based: the reader takes 0 as the whole desktop work area.
        margins.monitor = found + 1;
    }
    std::string text;
    if (marginsOf(area, work, &margins) == 0) text = formatSpace(margins);
    if (text.empty() || text.size() > kFrameTextChars) {
        logMessage("[note] cannot store a location outside desktop.");
        return 5;
    }
    logMessage("[blue] space %d:%d:%d:%d@%d", margins.top, margins.right, margins.bottom,
               margins.left, margins.monitor);
    spaceText = text;
    appSettings().space = text;
    config().touch(kIdSpace);
    return 0;
}

}  // namespace tessel
