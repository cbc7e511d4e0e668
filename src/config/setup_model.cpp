#include "config/setup_model.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/log/message_log.h"
#include "config/qv_config.h"

namespace tessel {
namespace {

constexpr int kFirstPageButton = 101;

// The rows of a font slot follow each other: name, metrics, "change", line spacing, "-",
// "+" (the menu font has the first three only), and the slots are 9 ids apart.
constexpr int kFirstFontNameId = 187;
constexpr int kFontSpacingOffset = 3;
constexpr int kFontSlotStride = 9;
constexpr int kResetFontsButton = 232;
// The "-" and "+" buttons keep a line spacing within what still reads as text.
constexpr int kMinLineSpacing = -8;
constexpr int kMaxLineSpacing = 24;

// The slot of a font's name or spacing row, -1 for other rows.
int fontSlotOfRow(int id, int offset) {
    const int from = id - kFirstFontNameId;
    if (from < 0 || from % kFontSlotStride != offset) return -1;
    const int slot = from / kFontSlotStride;
    if (slot >= kFontSlots) return -1;
    // The menu font (the last slot) has no line spacing and no buttons for it.
    return slot == kFontSlots - 1 && offset >= kFontSpacingOffset ? -1 : slot;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
}

}  // namespace

const char* setupKindName(SetupKind kind) {
    switch (kind) {
        case SetupKind::kHeading:
            return "heading";
        case SetupKind::kText:
            return "text";
        case SetupKind::kCheck:
            return "check";
        case SetupKind::kNumber:
            return "number";
        case SetupKind::kButton:
            return "button";
        case SetupKind::kList:
            return "list";
        case SetupKind::kInfo:
            return "info";
    }
    return "?";
}

const char* setupPageName(int page) {
    if (page < 1 || page > kSetupPages) return "";
    return settingTable()[static_cast<size_t>(kFirstPageButton + page - 1 - kFirstSettingId)]
        .caption;
}

int setupPageOf(std::string_view name) {
    for (int page = 1; page <= kSetupPages; ++page) {
        if (equalIgnoringCase(name, setupPageName(page))) return page;
    }
    // The last two context pages are called by their digit alone on their buttons.
    if (equalIgnoringCase(name, "ctx 2")) return 7;
    if (equalIgnoringCase(name, "ctx 3")) return 8;
    return 0;
}

int setupPageOfRow(const QVConfig& store, int id) {
    const SettingDescriptor* row = store.descriptor(id);
    return row != nullptr ? row->page : 0;
}

int& setupLastPage() {
    static int page = 1;  // user interface thread only
    return page;
}

SetupModel::SetupModel(QVConfig& store) : store_(store) {
    page_ = std::clamp(setupLastPage(), 1, kSetupPages);
}

int SetupModel::showPage(int page) {
    if (page < 1 || page > kSetupPages) return 9;
    page_ = page;
    setupLastPage() = page;
    info_.clear();
    infoFrom_ = 0;
    return 0;
}

bool SetupModel::onPage(int id) const {
    return id >= kFirstSettingId && setupPageOfRow(store_, id) == page_;
}

SetupKind SetupModel::kindOf(int id) const {
    const SettingDescriptor* row = store_.descriptor(id);
    if (row == nullptr) return SetupKind::kHeading;
    switch (row->type) {
        case SettingType::kHeading:
            return (row->flags & kSettingInfoField) ? SetupKind::kInfo : SetupKind::kHeading;
        case SettingType::kText:
            return SetupKind::kText;
        case SettingType::kFlag:
            return SetupKind::kCheck;
        case SettingType::kNumber:
            return SetupKind::kNumber;
        case SettingType::kButton:
            return SetupKind::kButton;
        case SettingType::kNumberList:
            return SetupKind::kList;
    }
    return SetupKind::kHeading;
}

std::string SetupModel::valueOf(int id, SetupKind kind) const {
    switch (kind) {
        case SetupKind::kText:
            return store_.getText(id);
        case SetupKind::kCheck:
            return store_.getInt(id) ? "1" : "0";
        case SetupKind::kNumber:
            return std::to_string(store_.getInt(id));
        case SetupKind::kList: {
            std::string list;
            const int count = store_.descriptor(id)->size;
            for (int i = 0; i < count; ++i) {
                if (i > 0) list += ',';
                list += std::to_string(store_.getListItem(id, i));
            }
            return list;
        }
        case SetupKind::kInfo:
            return info_;
        case SetupKind::kHeading:
        case SetupKind::kButton:
            break;
    }
    return {};
}

SetupRow SetupModel::row(int id) const {
    SetupRow row;
    row.id = id;
    if (store_.descriptor(id) == nullptr) return row;
    row.kind = kindOf(id);
    if (row.kind != SetupKind::kText && row.kind != SetupKind::kInfo) {
        row.caption = store_.caption(id);
    }
    row.value = valueOf(id, row.kind);
    row.enabled = !store_.isDisabled(id);
    row.hasHelp = store_.help(id)[0] != '\0';
    return row;
}

std::vector<SetupRow> SetupModel::rows() const {
    std::vector<SetupRow> list;
    for (const SettingDescriptor& each : settingTable()) {
        if (each.page == page_) list.push_back(row(each.id));
    }
    return list;
}

int SetupModel::refuseUnlessChangeable(int id) const {
    if (!onPage(id)) return kSetupNotOnPage;
    if (store_.isDisabled(id)) return kSetupDisabled;
    return kSetupStored;
}

int SetupModel::changeText(int id, std::string_view text) {
    if (int refused = refuseUnlessChangeable(id); refused != kSetupStored) return refused;
    const SettingDescriptor* row = store_.descriptor(id);
    if (row->type == SettingType::kNumber) return changeNumber(id, text);
    if (row->type != SettingType::kText || row->size < kSetupTextMinCapacity) {
        return kSetupUnchanged;
    }
    text = text.substr(0, kSetupTextReadLimit);
    const size_t keep = static_cast<size_t>(row->size - kSetupTextReserve);
    if (text.size() > keep) {
        // The dialog keeps room in every text; the user learns that the end was dropped.
        logMessage("[note] setting %d keeps the first %zu of %zu characters.", id, keep,
                   text.size());
        text = text.substr(0, keep);
    }
    if (std::string_view(store_.getText(id)) == text) return kSetupUnchanged;
    const int slot = fontSlotOfRow(id, 0);
    if (slot >= 0 && text.size() > static_cast<size_t>(kFontNameMaxChars)) {
        logError(0, "font name too long: %s %.40s", row->key, std::string(text).c_str());
        return kSetupRefused;
    }
    return store_.setText(id, text) == 0 ? kSetupStored : kSetupRefused;
}

int SetupModel::changeCheck(int id, bool on) {
    if (int refused = refuseUnlessChangeable(id); refused != kSetupStored) return refused;
    const SettingDescriptor* row = store_.descriptor(id);
    if (row->type != SettingType::kFlag) return kSetupUnchanged;
    if (const char* refusal = store_.exclusionOf(row->key, on ? 1 : 0)) {
        logMessage("%s", refusal);
        return kSetupRefused;
    }
    const int before = store_.getInt(id);
    // Of each pair of font choices exactly one is set: the first font (185, 203, shown but
    // not written) or the second (194, 212, written as "usemainfont2", "usebookfont2").
    if (id == kIdMainFont1InUse || id == kIdUseMainFont2 || id == kIdBookFont1InUse ||
        id == kIdUseBookFont2) {
        const bool mainPair = id == kIdMainFont1InUse || id == kIdUseMainFont2;
        const int first = mainPair ? kIdMainFont1InUse : kIdBookFont1InUse;
        const int second = mainPair ? kIdUseMainFont2 : kIdUseBookFont2;
        const bool secondChosen = (id == second) == on;
        store_.setInt(first, secondChosen ? 0 : 1);
        store_.setInt(second, secondChosen ? 1 : 0);
    } else {
        store_.setInt(id, on ? 1 : 0);
    }
    return store_.getInt(id) == before ? kSetupUnchanged : kSetupStored;
}

int SetupModel::changeNumber(int id, std::string_view text) {
    if (int refused = refuseUnlessChangeable(id); refused != kSetupStored) return refused;
    const SettingDescriptor* row = store_.descriptor(id);
    if (row->type != SettingType::kNumber) return kSetupUnchanged;
    const int32_t value = decimalValueOf(text);
    if (store_.getInt(id) == value) return kSetupUnchanged;
    // A line spacing is part of its font: the font line is written again with it.
    if (const int slot = fontSlotOfRow(id, kFontSpacingOffset); slot >= 0) {
        FontSetting font = store_.getFont(slot);
        font.lineSpacing = value;
        return store_.setFont(slot, font) == 0 ? kSetupStored : kSetupRefused;
    }
    return store_.setInt(id, value) == 0 ? kSetupStored : kSetupRefused;
}

int SetupModel::change(int id, std::string_view text) {
    switch (kindOf(id)) {
        case SetupKind::kText:
            return changeText(id, text);
        case SetupKind::kCheck:
            return changeCheck(id, configValueOf(text) != 0);
        case SetupKind::kNumber:
            return changeNumber(id, text);
        default:
            return onPage(id) ? kSetupUnchanged : kSetupNotOnPage;
    }
}

int SetupModel::press(int id) {
    if (id >= kFirstPageButton && id < kFirstPageButton + kSetupPages) {
        showPage(id - kFirstPageButton + 1);
        return kSetupStored;
    }
    if (int refused = refuseUnlessChangeable(id); refused != kSetupStored) return refused;
    if (id == kResetFontsButton) {
        store_.resetFontDefaults();
        return kSetupStored;
    }
    for (int step : {-1, 1}) {
        const int slot = fontSlotOfRow(id, kFontSpacingOffset + (step < 0 ? 1 : 2));
        if (slot < 0) continue;
        FontSetting font = store_.getFont(slot);
        font.lineSpacing = std::clamp(font.lineSpacing + step, kMinLineSpacing, kMaxLineSpacing);
        store_.setFont(slot, font);
        return kSetupStored;
    }
    return kSetupUnchanged;
}

bool SetupModel::hover(int id, int64_t nowMs) {
    if (id != 0 && id != infoFrom_ && onPage(id) && store_.help(id)[0] != '\0') {
        info_ = store_.help(id);
        infoFrom_ = id;
        infoShownMs_ = nowMs;
        return true;
    }
    if (id == infoFrom_ && id != 0) return false;
    // Another place: the text stays to be read, and goes with the first move after a while.
    if (!info_.empty() && nowMs - infoShownMs_ > kSetupInfoHoldMs) {
        info_.clear();
        infoFrom_ = 0;
        return true;
    }
    return false;
}

void SetupModel::showInfo(std::string_view text, int64_t nowMs) {
    info_.assign(text);
    infoFrom_ = 0;
    infoShownMs_ = nowMs;
}

std::string SetupModel::dump() const {
    std::string out;
    for (const SetupRow& each : rows()) {
        out += "S|";
        out += std::to_string(each.id);
        out += '|';
        out += setupKindName(each.kind);
        out += '|';
        appendEscaped(out, each.caption);
        out += '|';
        appendEscaped(out, each.value);
        out += each.enabled ? "|1\n" : "|0\n";
    }
    return out;
}

}  // namespace tessel
