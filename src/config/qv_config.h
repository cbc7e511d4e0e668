// The setting store. One static table describes every setting the setup dialog shows: its
// id, dialog page, configuration keyword, type, capacity, caption, default and help text. The
// same table is the dialog layout (the control id of a row is its setting id) and the map
// from configuration keywords to settings. QVConfig holds the run-time values of the rows,
// the touched marks that tell the configuration writer which lines to rewrite, and the
// variable store of user controls and scripts.
//
// Accessors never fail loudly: a wrong id or type is reported through the message log and a
// neutral value comes back (the empty text, 0, status 9 for setters).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessel {

enum class SettingType : int32_t {
    kHeading = 0,  // static group caption or static text
    kText = 1,
    kFlag = 2,  // check box
    kNumber = 3,
    kButton = 5,
    kNumberList = 6,
};

// Row flags.
inline constexpr uint32_t kSettingDisabled = 1;
inline constexpr uint32_t kSettingPersisted = 2;  // written to the file; changes touch it
inline constexpr uint32_t kSettingInfoField = 4;  // the page's help text field

// One row of the static setting table. The run-time value lives in QVConfig.
struct SettingDescriptor {
    int32_t id;
    int32_t page;     // 0 page buttons, 1 config, 2 work, 3 scroll/font, 4 find/edit, ...
    const char* key;  // configuration keyword; "" for dialog decoration
    SettingType type;
    int32_t size;         // text: capacity in characters; number list: element count
    const char* caption;  // dialog caption; a text row's initial value
    const char* defaultText;
    int32_t defaultValue;  // flags and numbers
    uint32_t flags;
    const char* help;
};

inline constexpr int kFirstSettingId = 101;
inline constexpr int kLastSettingId = 394;
inline constexpr int kSettingRowCount = kLastSettingId - kFirstSettingId + 1;  // 294
inline constexpr int kPageCount = 8;

// The static table, 294 rows in id order.
std::span<const SettingDescriptor> settingTable();

// Ids 1 ... 13: settings kept outside the table (application state) whose lines the
// configuration writer replaces like table settings.
enum SpecialSettingId : int {
    kIdArea = 1,
    kIdSpace = 2,
    kIdFrameMode = 3,
    kIdStartBmSet = 4,
    kIdView1ClipFind = 5,
    kIdView1ClipPath = 6,
    kIdView2ClipFind = 7,
    kIdView2ClipPath = 8,
    kIdView3ClipFind = 9,
    kIdView3ClipPath = 10,
    kIdClipAddSep = 11,
    kIdSeparatorLine = 12,
    kIdWordShowDelay = 13,
};
inline constexpr int kLastSpecialId = 13;
inline constexpr int kTouchIdLimit = 1000;  // touch marks exist for ids 1 ... 999

// Table rows other modules address by id.
inline constexpr int kIdConfigPathLabel = 110;
inline constexpr int kIdConfigPath = 111;
inline constexpr int kIdConfigEditButton = 112;
inline constexpr int kIdBookmarkBase = 118;
inline constexpr int kIdLinux = 137;
inline constexpr int kIdUtf8Decode = 164;
inline constexpr int kIdMainFont1InUse = 185;
inline constexpr int kIdUseMainFont2 = 194;
inline constexpr int kIdBookFont1InUse = 203;
inline constexpr int kIdUseBookFont2 = 212;
inline constexpr int kIdFontDigestFirst = 185;
inline constexpr int kIdFontDigestLast = 229;

// Block context rules: slot position k (0 ... 37) uses path id 317 + 2k and match id 318 + 2k;
// positions 10-13 and 24-27 are gaps, so 30 rules remain.
inline constexpr int kContextSlotPositions = 38;
inline constexpr int kContextRules = 30;
inline constexpr int kFirstContextId = 317;
bool isContextSlot(int position);
// Rule 1 ... 30 to its slot position.
int contextSlotOfRule(int rule);

// The variable store: ids 1000 ... 1517. User control j owns 1000 + 5j ... 1004 + 5j (type,
// parms, views, script, title); script m owns 1265 + 3m ... 1267 + 3m (id, text, count).
inline constexpr int kFirstVariableId = 1000;
inline constexpr int kVariableCount = 518;
inline constexpr int kMaxControls = 50;
inline constexpr int kControlFields = 5;
inline constexpr int kFirstScriptId = 1265;
inline constexpr int kMaxScripts = 50;
inline constexpr int kScriptFields = 3;

// Font slots ("fnum"): main font, main font 2, bookmark font, bookmark font 2, menu font.
inline constexpr int kFontSlots = 5;
inline constexpr int kFontMetrics = 8;
inline constexpr int kFontNameMaxChars = 190;

// A font as the platform builds it: the eight stored metrics (the height is positive; the
// platform gives the logical font its negative) plus the line spacing.
struct FontSetting {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    int32_t weight = 0;
    int32_t lineSpacing = 0;
    int32_t pitchAndFamily = 0;
    int32_t quality = 0;
    int32_t outPrecision = 0;
    int32_t charSet = 0;
};

class QVConfig {
  public:
    // Allocates the value buffers and copies each text row's caption in as its value.
    QVConfig();
    QVConfig(const QVConfig&) = delete;
    QVConfig& operator=(const QVConfig&) = delete;
    // Back to the state right after construction: captions as values, defaults, nothing
    // touched, empty variables. Text pointers handed out before become invalid (start-up
    // and tests only).
    void initialize();

    // Row index of a table id, -1 (with "conf.wrong.id %d" unless quiet) otherwise.
    int indexOf(int id, bool quiet = false) const;
    // Id of a configuration keyword (case-insensitive), 0 when no row has it.
    int idOf(std::string_view key) const;
    const SettingDescriptor* descriptor(int id) const;
    SettingType getType(int id) const;

    const char* getText(int id) const;
    const char* getText(std::string_view key) const;
    // The writable value buffer (capacity characters plus terminator), null on failure.
    char* getTextBuffer(int id, int* capacity);
    // 0 stored, 9 refused (too long, a line break in a persisted value, wrong type). A value
    // that differs from the current one touches a persisted row; setInt and the list setters
    // do the same.
    int setText(int id, std::string_view text);
    int setText(std::string_view key, std::string_view text);
    int setNumberText(int id, long value);

    int32_t getInt(int id) const;
    int32_t getInt(std::string_view key) const;
    int setInt(int id, int32_t value);
    int setInt(std::string_view key, int32_t value);
    // A text row's text as a decimal number (or getInt for other rows); 0 becomes fallback
    // when fallback is not 0.
    int32_t getNumber(int id, int32_t fallback) const;
    int32_t getNumber(std::string_view key, int32_t fallback) const;
    int32_t toggle(int id);

    int32_t getListItem(int id, int index) const;
    int setListItem(int id, int index, int32_t value);
    int setListFromText(int id, std::string_view text);

    void enable(int id);
    void disable(int id);
    bool isDisabled(int id) const;
    void setCaption(int id, const char* text);
    void setHelp(int id, const char* text);
    const char* caption(int id) const;
    const char* help(int id) const;

    const char* getFontName(int fnum) const;
    int setFontName(int fnum, std::string_view name);
    FontSetting getFont(int fnum) const;
    FontSetting getFont(std::string_view key) const;  // "mainfont" ... "menufont"
    // Stores name (when not empty), metrics and line spacing; touches the name row, so the
    // font line is rewritten by the next save.
    int setFont(int fnum, const FontSetting& font);
    int fontSlotOf(std::string_view key) const;  // -1 for other keys

    // The five fonts back to their built-in defaults (linux mode has its own main font);
    // changed fonts are touched.
    void resetFontDefaults();

    // A 64-bit digest over the values of the ids in range: texts, numbers and number lists
    // count; flags, headings and buttons do not.
    uint64_t digest(int firstId, int lastId) const;

    // Readers of two settings held as text or scaled.
    int scrollFactor() const;        // 1 ... 5
    double dragSpeedFactor() const;  // 0.2 ... 2.0

    // The generic keyword handler of the configuration reader: the id of the table row that
    // took key, 0 when no row has it. hadError is set when the row refused the value (a
    // message was logged).
    int applyKeyword(std::string_view key, std::string_view valueText, int32_t value,
                     bool* hadError = nullptr);
    // The message that refuses a flag value because another flag excludes it ("oneclicksearch"
    // and "oneclickedit"), null when the value may be set.
    const char* exclusionOf(std::string_view key, int32_t value) const;
    // Appends the configuration line of a table setting to out ("\r\n" first when the line
    // is appended rather than replacing one). 1 when the id is a table row and the line was
    // written or skipped by rule, 0 for other ids or on failure.
    int writeSettingLine(int id, bool replacing, std::string& out) const;

    // Values before a configuration text is applied: flags and numbers to their defaults,
    // context rules to their captions, fonts to their defaults. Plain texts keep their value.
    // Nothing is touched. Result 0.
    int resetDefaults();

    // Touch marks of ids 1 ... 999: bit 0 changed since the file was read, bit 1 still to be
    // written by the save in progress.
    void touch(int id);
    bool isTouched(int id) const;
    uint32_t touchWord(int id) const;
    void setTouchWord(int id, uint32_t word);
    void clearTouched();
    bool anyTouched() const;
    // Reading a configuration file resets the fonts to their defaults before the file's font
    // lines apply: the font lines count as changed, so the next save writes them as they are.
    void touchFontNames();

    // While applying a configuration text (or the environment), values change without
    // touching: they are what the file says, not changes to write back.
    void suspendTouch() { ++touchSuspended_; }
    void resumeTouch() {
        if (touchSuspended_ > 0) --touchSuspended_;
    }

    // Counts every change of a value (set, read from a file, reset), so that a copy of some
    // settings knows when to read them again.
    uint64_t changeCount() const { return changes_; }

    // Variable store. Reading outside the store yields "", writing outside reports.
    const std::string& getVar(int id) const;
    int setVar(int id, std::string_view text);
    void clearVariables();
    bool variablesChanged() const { return variablesChanged_; }
    void setVariablesChanged(bool changed) { variablesChanged_ = changed; }

  private:
    struct RowState {
        std::unique_ptr<char[]> buffer;   // text: capacity + 10 bytes, zero filled
        std::unique_ptr<int32_t[]> list;  // number list: size + 10 elements
        int32_t value = 0;
        uint32_t flags = 0;
        const char* caption = "";
        const char* help = "";
    };

    int textIndex(int id) const;
    int keyId(std::string_view key) const;  // idOf, reporting unknown keys
    int numberIndex(int id, const char* internalTag) const;
    int listIndex(int id, const char* internalTag) const;
    void touchRow(int index);
    int applyFontKeyword(int slot, std::string_view key, std::string_view valueText);
    void setFontDefaults(int slot, bool linuxMode);

    std::span<const SettingDescriptor> table_;
    std::vector<RowState> rows_;
    std::unordered_map<std::string, int> keyIndex_;  // lower-case key -> id
    std::array<uint32_t, kTouchIdLimit> touched_{};
    int touchSuspended_ = 0;
    uint64_t changes_ = 0;
    std::vector<std::string> variables_;
    bool variablesChanged_ = false;
};

// The process-wide store, created on first use.
QVConfig& config();

// Value conversion shared by every flag and number: "yes", "true", "on" give 1; "no",
// "false", "off" give 0; "0x..." is hexadecimal; anything else decimal (0 for non-numbers).
// Out-of-range numbers saturate instead of overflowing.
int32_t configValueOf(std::string_view text);
// Decimal conversion as the C library's atoi would read it, saturating at the int32 range.
int32_t decimalValueOf(std::string_view text);

}  // namespace tessel
