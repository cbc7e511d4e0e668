// The setting store's side of the configuration file: defaults before a read, the generic
// keyword handler, fonts, the line format of a table setting, and the settings digest.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"

namespace tessel {
namespace {

struct FontSlot {
    const char* key;
    int nameId;
    int metricsId;
    int spacingId;  // 0: the menu font has no spacing row
};

constexpr FontSlot kFontSlotTable[kFontSlots] = {
    {"mainfont", 187, 188, 190},  {"mainfont2", 196, 197, 199}, {"bookfont", 205, 206, 208},
    {"bookfont2", 214, 215, 217}, {"menufont", 223, 224, 0},
};

struct FontDefault {
    const char* name;
    int32_t width, height, weight, lineSpacing;
};

constexpr FontDefault kFontDefaults[kFontSlots] = {
    {"Fixedsys", 8, 12, 400, 0},    {"Courier New", 0, 19, 700, 0}, {"Arial", 7, 10, 500, -1},
    {"Courier New", 0, 13, 500, 0}, {"Arial", 8, 18, 800, 0},
};
constexpr FontDefault kLinuxMainFont = {"Courier New", 8, 18, 600, -1};

bool isContextId(int id) {
    int offset = id - kFirstContextId;
    return offset >= 0 && isContextSlot(offset / 2);
}

// Keeps log lines short whatever the configuration holds.
int shown(std::string_view text) {
    return static_cast<int>(std::min<size_t>(text.size(), 100));
}

void appendFormatted(std::string& out, const char* format, int32_t value) {
    char number[32];
    std::snprintf(number, sizeof number, format, value);
    out += number;
}

// A value goes onto one line: anything from a line break on cannot be written.
std::string_view oneLine(std::string_view value, int id) {
    size_t cut = value.find_first_of("\r\n");
    if (cut == std::string_view::npos) return value;
    logMessage("[note] config value of id %d cut at a line break", id);
    return value.substr(0, cut);
}

}  // namespace

int QVConfig::fontSlotOf(std::string_view key) const {
    for (int slot = 0; slot < kFontSlots; ++slot) {
        if (key.size() == std::strlen(kFontSlotTable[slot].key) &&
            std::equal(key.begin(), key.end(), kFontSlotTable[slot].key,
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
            return slot;
        }
    }
    return -1;
}

const char* QVConfig::getFontName(int fnum) const {
    if (fnum < 0 || fnum >= kFontSlots) {
        logError(0, "wrong fnum %d", fnum);
        return "";
    }
    return getText(kFontSlotTable[fnum].nameId);
}

int QVConfig::setFontName(int fnum, std::string_view name) {
    if (fnum < 0 || fnum >= kFontSlots) {
        logError(0, "wrong fnum %d", fnum);
        return 9;
    }
    return setText(kFontSlotTable[fnum].nameId, name);
}

FontSetting QVConfig::getFont(int fnum) const {
    FontSetting font;
    if (fnum < 0 || fnum >= kFontSlots) {
        logError(0, "wrong fnum %d", fnum);
        return font;
    }
    const FontSlot& slot = kFontSlotTable[fnum];
    font.name = getText(slot.nameId);
    font.width = getListItem(slot.metricsId, 0);
    font.height = getListItem(slot.metricsId, 1);
    font.weight = getListItem(slot.metricsId, 2);
    font.lineSpacing =
        slot.spacingId != 0 ? getInt(slot.spacingId) : getListItem(slot.metricsId, 3);
    font.pitchAndFamily = getListItem(slot.metricsId, 4);
    font.quality = getListItem(slot.metricsId, 5);
    font.outPrecision = getListItem(slot.metricsId, 6);
    font.charSet = getListItem(slot.metricsId, 7);
    return font;
}

FontSetting QVConfig::getFont(std::string_view key) const {
    int slot = fontSlotOf(key);
    if (slot < 0) {
        logError(0, "wrong fnum %d", slot);
        return FontSetting{};
    }
    return getFont(slot);
}

int QVConfig::setFont(int fnum, const FontSetting& font) {
    if (fnum < 0 || fnum >= kFontSlots) {
        logError(0, "wrong fnum %d", fnum);
        return 9;
    }
    const FontSlot& slot = kFontSlotTable[fnum];
    if (font.name.size() > static_cast<size_t>(kFontNameMaxChars)) {
        logError(0, "font name too long: %s %.*s", slot.key, shown(font.name), font.name.data());
        return 9;
    }
    FontSetting before = getFont(fnum);
    // The metrics rows are not persisted themselves: the font line is written with the name.
    int status = font.name.empty() ? 0 : setText(slot.nameId, font.name);
    const int32_t metrics[kFontMetrics] = {font.width,        font.height,         font.weight,
                                           font.lineSpacing,  font.pitchAndFamily, font.quality,
                                           font.outPrecision, font.charSet};
    for (int i = 0; i < kFontMetrics; ++i) setListItem(slot.metricsId, i, metrics[i]);
    if (slot.spacingId != 0) setInt(slot.spacingId, font.lineSpacing);
    FontSetting after = getFont(fnum);
    bool changed =
        before.name != after.name || before.width != after.width || before.height != after.height ||
        before.weight != after.weight || before.lineSpacing != after.lineSpacing ||
        before.pitchAndFamily != after.pitchAndFamily || before.quality != after.quality ||
        before.outPrecision != after.outPrecision || before.charSet != after.charSet;
    if (changed && touchSuspended_ == 0) touched_[static_cast<size_t>(slot.nameId)] |= 1u;
    return status;
}

void QVConfig::touchFontNames() {
    for (const FontSlot& slot : kFontSlotTable) touch(slot.nameId);
}

void QVConfig::setFontDefaults(int slot, bool linuxMode) {
    const FontDefault& chosen = (slot == 0 && linuxMode) ? kLinuxMainFont : kFontDefaults[slot];
    FontSetting font;
    font.name = chosen.name;
    font.width = chosen.width;
    font.height = chosen.height;
    font.weight = chosen.weight;
    font.lineSpacing = chosen.lineSpacing;
    setFont(slot, font);
}

void QVConfig::resetFontDefaults() {
    for (int slot = 0; slot < kFontSlots; ++slot) setFontDefaults(slot, appSettings().linuxMode);
}

int QVConfig::resetDefaults() {
    ++changes_;
    suspendTouch();
    for (size_t i = 0; i < table_.size(); ++i) {
        const SettingDescriptor& row = table_[i];
        RowState& state = rows_[i];
        if (row.type == SettingType::kText && state.buffer) {
            size_t capacity = static_cast<size_t>(row.size);
            const char* value = isContextId(row.id) ? row.caption : row.defaultText;
            if (isContextId(row.id) || value[0] != '\0') {
                size_t length = std::min(std::strlen(value), capacity > 0 ? capacity - 1 : 0);
                std::memset(state.buffer.get(), 0, capacity + 10);
                std::memcpy(state.buffer.get(), value, length);
            }
        } else if (row.type == SettingType::kFlag || row.type == SettingType::kNumber) {
            state.value = row.defaultValue;
        }
    }
    resetFontDefaults();
    const AppSettings& app = appSettings();
    rows_[static_cast<size_t>(indexOf(kIdMainFont1InUse))].value = app.mainFont2Selected ? 0 : 1;
    rows_[static_cast<size_t>(indexOf(kIdUseMainFont2))].value = app.mainFont2Selected ? 1 : 0;
    rows_[static_cast<size_t>(indexOf(kIdBookFont1InUse))].value = app.bookFont2Selected ? 0 : 1;
    rows_[static_cast<size_t>(indexOf(kIdUseBookFont2))].value = app.bookFont2Selected ? 1 : 0;
    // The check box shows the mode the program runs in, however it was chosen.
    rows_[static_cast<size_t>(indexOf(kIdLinux))].value = app.linuxMode ? 1 : 0;
    // On a native desktop nearly every file is UTF-8: decoding is on unless configured off.
    rows_[static_cast<size_t>(indexOf(kIdUtf8Decode))].value = app.linuxMode ? 1 : 0;
    resumeTouch();
    return 0;
}

int QVConfig::applyFontKeyword(int slot, std::string_view key, std::string_view valueText) {
    if (valueText == "default") return 0;
    size_t comma = valueText.find(',');
    if (comma == std::string_view::npos) {
        logError(0, "wrong font syntax: %.*s %.*s", shown(key), key.data(), shown(valueText),
                 valueText.data());
        return 9;
    }
    std::string_view name = valueText.substr(0, comma);
    if (name.size() > static_cast<size_t>(kFontNameMaxChars)) {
        logError(0, "font name too long: %.*s %.*s", shown(key), key.data(), shown(valueText),
                 valueText.data());
        return 9;
    }
    const FontSlot& fontSlot = kFontSlotTable[slot];
    int status = setText(fontSlot.nameId, name);
    if (setListFromText(fontSlot.metricsId, valueText.substr(comma + 1)) != 0) status = 9;
    if (fontSlot.spacingId != 0) setInt(fontSlot.spacingId, getListItem(fontSlot.metricsId, 3));
    return status;
}

const char* QVConfig::exclusionOf(std::string_view key, int32_t value) const {
    if (value == 0) return nullptr;
    if (key == "oneclicksearch" && getInt("oneclickedit") != 0) {
        return "config: oneclickedit excludes oneclicksearch";
    }
    if (key == "oneclickedit" && getInt("oneclicksearch") != 0) {
        return "config: oneclicksearch excludes oneclickedit";
    }
    return nullptr;
}

int QVConfig::applyKeyword(std::string_view key, std::string_view valueText, int32_t value,
                           bool* hadError) {
    int id = idOf(key);
    if (id == 0) return 0;
    const SettingDescriptor& row = table_[static_cast<size_t>(indexOf(id))];
    int status = 0;
    std::string_view rowKey = row.key;
    if (const char* refusal = exclusionOf(rowKey, value)) {
        logMessage("%s", refusal);
        status = 9;
    } else if (int slot = fontSlotOf(rowKey); slot >= 0) {
        status = applyFontKeyword(slot, key, valueText);
    } else if (rowKey == "linux") {
        // "default" leaves the mode as the executable name and the command line chose it.
        if (valueText != "default") {
            setInt(id, value != 0 ? 1 : 0);
            appSettings().linuxMode = value != 0;
            if (value != 0) logMessage("linux mode = %s", "on");
        }
    } else {
        switch (row.type) {
            case SettingType::kText:
                status = setText(id, valueText);
                break;
            case SettingType::kFlag:
            case SettingType::kNumber:
                status = setInt(id, value);
                break;
            case SettingType::kNumberList:
                status = setListFromText(id, valueText);
                break;
            default:
                break;
        }
    }
    // The two font choices of a pair stay exclusive.
    if (status == 0 && (id == kIdUseMainFont2 || id == kIdUseBookFont2)) {
        bool second = value != 0;
        rows_[static_cast<size_t>(indexOf(id - 9))].value = second ? 0 : 1;
        ++changes_;
        if (second) {
            (id == kIdUseMainFont2 ? appSettings().mainFont2Selected
                                   : appSettings().bookFont2Selected) = true;
        }
    }
    if (hadError != nullptr) *hadError = status != 0;
    return id;
}

int QVConfig::writeSettingLine(int id, bool replacing, std::string& out) const {
    int index = indexOf(id, true);
    if (index < 0) return 0;
    const SettingDescriptor& row = table_[static_cast<size_t>(index)];
    std::string_view key = row.key;
    if (key.empty()) {
        logError(0, "missing cstore key for %d", id);
        return 0;
    }
    // Block context rules and the control and action rows have their own sections.
    if (key.starts_with("ctx") || key.starts_with("ctlv") || key.starts_with("actv")) return 1;
    if (row.type == SettingType::kHeading || row.type == SettingType::kButton) return 1;
    if (!replacing) out += "\r\n";
    out += key;
    out += ' ';
    if (int slot = fontSlotOf(key); slot >= 0) {
        out += oneLine(getFontName(slot), id);
        out += ',';
        for (int i = 0; i < kFontMetrics; ++i) {
            appendFormatted(out, i + 1 < kFontMetrics ? "%d," : "%d",
                            getListItem(kFontSlotTable[slot].metricsId, i));
        }
    } else if (row.type == SettingType::kText) {
        out += oneLine(getText(id), id);
    } else if (row.type == SettingType::kFlag) {
        out += getInt(id) ? "yes" : "no";
    } else if (row.type == SettingType::kNumber) {
        appendFormatted(out, "%d", getInt(id));
    } else if (row.type == SettingType::kNumberList) {
        for (int i = 0; i < row.size; ++i) appendFormatted(out, "%d,", getListItem(id, i));
    }
    out += "\r\n";
    return 1;
}

uint64_t QVConfig::digest(int firstId, int lastId) const {
    // FNV-1a: the digest only tells whether values changed between two moments.
    uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            hash ^= bytes[i];
            hash *= 1099511628211ull;
        }
    };
    for (int id = firstId; id <= lastId; ++id) {
        int index = indexOf(id, true);
        if (index < 0) {
            logError(0, "int. #21121101");
            return 0;
        }
        const SettingDescriptor& row = table_[static_cast<size_t>(index)];
        const RowState& state = rows_[static_cast<size_t>(index)];
        if (row.type == SettingType::kText && state.buffer) {
            mix(state.buffer.get(), std::strlen(state.buffer.get()));
        } else if (row.type == SettingType::kNumber) {
            mix(&state.value, sizeof state.value);
        } else if (row.type == SettingType::kNumberList && state.list) {
            mix(state.list.get(), sizeof(int32_t) * static_cast<size_t>(row.size));
        }
    }
    return hash;
}

int QVConfig::scrollFactor() const {
    return std::clamp(getNumber(173, 3), 1, 5);
}

double QVConfig::dragSpeedFactor() const {
    return std::clamp(getNumber(174, 100) / 100.0, 0.2, 2.0);
}

}  // namespace tessel
