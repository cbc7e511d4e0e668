#include "config/qv_config.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/log/message_log.h"

namespace tessel {
namespace {

// Keys are short words; longer lookups cannot match and need no lower-case copy.
constexpr size_t kMaxKeyChars = 64;

bool lowerKey(std::string_view key, char* out) {
    if (key.empty() || key.size() >= kMaxKeyChars) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        out[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
    }
    out[key.size()] = '\0';
    return true;
}

const std::string kEmptyVariable;

}  // namespace

QVConfig::QVConfig() : table_(settingTable()) {
    initialize();
}

void QVConfig::initialize() {
    rows_.clear();
    rows_.resize(table_.size());
    keyIndex_.clear();
    touched_.fill(0);
    touchSuspended_ = 0;
    variables_.assign(kVariableCount, std::string());
    variablesChanged_ = false;
    for (size_t i = 0; i < table_.size(); ++i) {
        const SettingDescriptor& row = table_[i];
        RowState& state = rows_[i];
        state.flags = row.flags;
        state.caption = row.caption;
        state.help = row.help;
        state.value = row.defaultValue;
        if (row.type == SettingType::kNumberList && row.size > 0) {
            state.list = std::make_unique<int32_t[]>(static_cast<size_t>(row.size) + 10);
        } else if (row.size > 0) {
            size_t capacity = static_cast<size_t>(row.size);
            state.buffer = std::make_unique<char[]>(capacity + 10);
            size_t length = std::min(std::strlen(row.caption), capacity);
            std::memcpy(state.buffer.get(), row.caption, length);
        }
        if (row.key[0] != '\0') {
            char lower[kMaxKeyChars];
            if (lowerKey(row.key, lower)) keyIndex_.emplace(lower, row.id);
        }
    }
    resetDefaults();
}

int QVConfig::indexOf(int id, bool quiet) const {
    if (id >= kFirstSettingId && id - kFirstSettingId < static_cast<int>(table_.size())) {
        return id - kFirstSettingId;
    }
    if (!quiet) logError(0, "conf.wrong.id %d", id);
    return -1;
}

int QVConfig::idOf(std::string_view key) const {
    char lower[kMaxKeyChars];
    if (!lowerKey(key, lower)) return 0;
    auto found = keyIndex_.find(lower);
    return found == keyIndex_.end() ? 0 : found->second;
}

const SettingDescriptor* QVConfig::descriptor(int id) const {
    int index = indexOf(id, true);
    return index < 0 ? nullptr : &table_[index];
}

SettingType QVConfig::getType(int id) const {
    int index = indexOf(id, true);
    return index < 0 ? SettingType::kHeading : table_[index].type;
}

int QVConfig::textIndex(int id) const {
    int index = indexOf(id);
    if (index < 0) return -1;
    if (table_[index].type != SettingType::kText) {
        logError(0, "conf.no.string %d", id);
        return -1;
    }
    if (!rows_[index].buffer) {
        logError(0, "conf.no.strptr %d", id);
        return -1;
    }
    return index;
}

int QVConfig::numberIndex(int id, const char* internalTag) const {
    int index = indexOf(id);
    if (index < 0) return -1;
    SettingType type = table_[index].type;
    if (type != SettingType::kFlag && type != SettingType::kNumber) {
        logError(0, "int. #%s %d %d", internalTag, id, static_cast<int>(type));
        return -1;
    }
    return index;
}

int QVConfig::listIndex(int id, const char* internalTag) const {
    int index = indexOf(id);
    if (index < 0) return -1;
    if (table_[index].type != SettingType::kNumberList || !rows_[index].list) {
        logError(0, "int. #%s %d %d", internalTag, id, static_cast<int>(table_[index].type));
        return -1;
    }
    return index;
}

void QVConfig::touchRow(int index) {
    ++changes_;
    if (touchSuspended_ > 0) return;
    if ((table_[index].flags & kSettingPersisted) == 0) return;
    touched_[static_cast<size_t>(table_[index].id)] |= 1u;
}

const char* QVConfig::getText(int id) const {
    int index = textIndex(id);
    return index < 0 ? "" : rows_[index].buffer.get();
}

const char* QVConfig::getText(std::string_view key) const {
    int id = keyId(key);
    return id == 0 ? "" : getText(id);
}

int QVConfig::keyId(std::string_view key) const {
    int id = idOf(key);
    if (id == 0) {
        logError(0, "conf.no.key %.*s", static_cast<int>(std::min<size_t>(key.size(), 60)),
                 key.data());
    }
    return id;
}

// The caller writes the text itself: it counts as changed.
char* QVConfig::getTextBuffer(int id, int* capacity) {
    ++changes_;
    int index = textIndex(id);
    if (index < 0) {
        if (capacity != nullptr) *capacity = 0;
        return nullptr;
    }
    if (capacity != nullptr) *capacity = table_[index].size;
    return rows_[index].buffer.get();
}

int QVConfig::setText(int id, std::string_view text) {
    int index = textIndex(id);
    if (index < 0) return 9;
    size_t capacity = static_cast<size_t>(table_[index].size);
    // The user knows a setting by its key; rows without one are named by their id.
    const std::string name =
        table_[index].key[0] != '\0' ? std::string(table_[index].key) : "id=" + std::to_string(id);
    if (text.size() > capacity) {
        logError(0, "string too long for %s (max %zu)", name.c_str(), capacity);
        return 9;
    }
    // A persisted value lives on one line of the configuration file.
    if ((table_[index].flags & kSettingPersisted) != 0 &&
        text.find_first_of("\r\n") != std::string_view::npos) {
        logError(0, "line break in value refused for %s", name.c_str());
        return 9;
    }
    char* buffer = rows_[index].buffer.get();
    if (std::string_view(buffer) == text) return 0;
    text.copy(buffer, text.size());
    std::memset(buffer + text.size(), 0, capacity + 10 - text.size());
    touchRow(index);
    return 0;
}

int QVConfig::setText(std::string_view key, std::string_view text) {
    int id = keyId(key);
    return id == 0 ? 9 : setText(id, text);
}

int QVConfig::setNumberText(int id, long value) {
    return setText(id, std::to_string(value));
}

int32_t QVConfig::getInt(int id) const {
    int index = numberIndex(id, "21120902");
    return index < 0 ? 0 : rows_[index].value;
}

int32_t QVConfig::getInt(std::string_view key) const {
    int id = keyId(key);
    return id == 0 ? 0 : getInt(id);
}

int QVConfig::setInt(int id, int32_t value) {
    int index = numberIndex(id, "21120901");
    if (index < 0) return 9;
    if (rows_[index].value != value) {
        rows_[index].value = value;
        touchRow(index);
    }
    return 0;
}

int QVConfig::setInt(std::string_view key, int32_t value) {
    int id = keyId(key);
    return id == 0 ? 9 : setInt(id, value);
}

int32_t QVConfig::getNumber(int id, int32_t fallback) const {
    int index = indexOf(id);
    if (index < 0) return fallback;
    int32_t result =
        table_[index].type == SettingType::kText ? decimalValueOf(getText(id)) : getInt(id);
    return (result == 0 && fallback != 0) ? fallback : result;
}

int32_t QVConfig::getNumber(std::string_view key, int32_t fallback) const {
    int id = keyId(key);
    return id == 0 ? fallback : getNumber(id, fallback);
}

int32_t QVConfig::toggle(int id) {
    int32_t value = getInt(id) ? 0 : 1;
    setInt(id, value);
    return value;
}

int32_t QVConfig::getListItem(int id, int index) const {
    int row = listIndex(id, "2112703");
    if (row < 0 || index < 0 || index >= table_[row].size) return 0;
    return rows_[row].list[static_cast<size_t>(index)];
}

int QVConfig::setListItem(int id, int index, int32_t value) {
    int row = listIndex(id, "2112702");
    if (row < 0) return 9;
    if (index < 0 || index >= table_[row].size) return 0;
    if (rows_[row].list[static_cast<size_t>(index)] != value) {
        rows_[row].list[static_cast<size_t>(index)] = value;
        touchRow(row);
    }
    return 0;
}

int QVConfig::setListFromText(int id, std::string_view text) {
    int row = listIndex(id, "2112701");
    if (row < 0) return 9;
    int count = table_[row].size;
    int32_t* list = rows_[row].list.get();
    std::fill(list, list + count, 0);
    int element = 0;
    int status = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        std::string_view piece = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        start = comma == std::string_view::npos ? text.size() : comma + 1;
        // The writer ends a list with a comma; an empty last piece is no element.
        if (piece.find_first_not_of(" \t") == std::string_view::npos && start >= text.size()) {
            break;
        }
        if (element >= count) {
            logError(0, "config overflow %d %d", id, count);
            status = 9;
            break;
        }
        list[element++] = decimalValueOf(piece);
    }
    touchRow(row);
    return status;
}

void QVConfig::enable(int id) {
    int index = indexOf(id);
    if (index >= 0) rows_[index].flags &= ~kSettingDisabled;
}

void QVConfig::disable(int id) {
    int index = indexOf(id);
    if (index >= 0) rows_[index].flags |= kSettingDisabled;
}

bool QVConfig::isDisabled(int id) const {
    int index = indexOf(id);
    return index >= 0 && (rows_[index].flags & kSettingDisabled) != 0;
}

void QVConfig::setCaption(int id, const char* text) {
    int index = indexOf(id);
    if (index >= 0) rows_[index].caption = text != nullptr ? text : "";
}

void QVConfig::setHelp(int id, const char* text) {
    int index = indexOf(id);
    if (index >= 0) rows_[index].help = text != nullptr ? text : "";
}

const char* QVConfig::caption(int id) const {
    int index = indexOf(id);
    return index < 0 ? "" : rows_[index].caption;
}

const char* QVConfig::help(int id) const {
    int index = indexOf(id);
    return index < 0 ? "" : rows_[index].help;
}

void QVConfig::touch(int id) {
    if (id < 1 || id >= kTouchIdLimit) {
        logError(0, "wrong id=%d for conf.touch", id);
        return;
    }
    touched_[static_cast<size_t>(id)] |= 1u;
}

bool QVConfig::isTouched(int id) const {
    if (id < 1 || id >= kTouchIdLimit) {
        logError(0, "wrong id=%d for conf.istouched", id);
        return false;
    }
    return (touched_[static_cast<size_t>(id)] & 1u) != 0;
}

uint32_t QVConfig::touchWord(int id) const {
    return (id < 1 || id >= kTouchIdLimit) ? 0 : touched_[static_cast<size_t>(id)];
}

void QVConfig::setTouchWord(int id, uint32_t word) {
    if (id >= 1 && id < kTouchIdLimit) touched_[static_cast<size_t>(id)] = word;
}

void QVConfig::clearTouched() {
    touched_.fill(0);
}

bool QVConfig::anyTouched() const {
    return std::any_of(touched_.begin(), touched_.end(), [](uint32_t word) { return word != 0; });
}

const std::string& QVConfig::getVar(int id) const {
    int index = id - kFirstVariableId;
    if (index < 0 || index >= static_cast<int>(variables_.size())) {
        logError(0, "wrong var index %d tline=%d size=%d\n", id, 0,
                 static_cast<int>(variables_.size()));
        return kEmptyVariable;
    }
    return variables_[static_cast<size_t>(index)];
}

int QVConfig::setVar(int id, std::string_view text) {
    int index = id - kFirstVariableId;
    if (index < 0 || index >= static_cast<int>(variables_.size())) {
        logError(0, "illegal set index: %d\n", id);
        return 9;
    }
    variables_[static_cast<size_t>(index)].assign(text);
    if (touchSuspended_ == 0) variablesChanged_ = true;
    return 0;
}

void QVConfig::clearVariables() {
    for (std::string& variable : variables_) variable.clear();
}

int32_t decimalValueOf(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{1} << 32) value = int64_t{1} << 32;  // saturate, keep going
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int32_t configValueOf(std::string_view text) {
    if (text == "yes" || text == "true" || text == "on") return 1;
    if (text == "no" || text == "false" || text == "off") return 0;
    if (text.size() >= 2 && text[0] == '0' && text[1] == 'x') {
        uint64_t value = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            int digit = std::isdigit(static_cast<unsigned char>(text[i]))
                            ? text[i] - '0'
                            : (std::isxdigit(static_cast<unsigned char>(text[i]))
                                   ? std::tolower(static_cast<unsigned char>(text[i])) - 'a' + 10
                                   : -1);
            if (digit < 0) break;
            value = std::min<uint64_t>(value * 16 + static_cast<uint64_t>(digit), 0xFFFFFFFFu);
        }
        // A colour or mask written as 0xFFFFFFFF means -1 in a 32-bit value.
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    return decimalValueOf(text);
}

QVConfig& config() {
    static QVConfig instance;
    return instance;
}

}  // namespace tessel
