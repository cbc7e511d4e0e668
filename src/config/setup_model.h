// The setup dialog as plain data. Its layout is the setting table: every row with a page is one
// control of that page, in table order, and the control's id is the setting id. The model
// turns the rows of the page shown into controls with their captions and values, applies what
// the user changes to the setting store by the dialog's rules, keeps the page's information
// field (a row's help text while the pointer rests on it) and prints the page for scripted
// runs. What a button or a changed setting does beyond being stored is the application's
// (app/setup_glue.h); the toolkit's dialog only shows what this model says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class QVConfig;

enum class SetupKind : int {
    kHeading,  // a group caption or a static text
    kText,
    kCheck,
    kNumber,
    kButton,
    kList,  // the metrics of a font, shown but not edited
    kInfo,  // the page's information field
};
// "heading", "text", "check", "number", "button", "list", "info".
const char* setupKindName(SetupKind kind);

struct SetupRow {
    int id = 0;
    SetupKind kind = SetupKind::kHeading;
    std::string caption;  // empty for texts: a text row's caption is its initial value
    std::string value;    // text, "0"/"1", a decimal number, "w,h,...", or the information
    bool enabled = true;
    bool hasHelp = false;
};

inline constexpr int kSetupPages = 8;
// A text control gives at most this many characters.
inline constexpr size_t kSetupTextReadLimit = 9910;
// Text rows keep at most their capacity less this many characters; smaller rows take nothing.
inline constexpr int kSetupTextReserve = 11;
inline constexpr int kSetupTextMinCapacity = 21;
// A help text stays this long after it was shown before the next pointer move clears it.
inline constexpr int64_t kSetupInfoHoldMs = 5000;

// The page of a page button caption ("config" ... "ctx 1", "2", "3"; "ctx 2" and "ctx 3" too),
// 1 ... 8, or 0. Case is ignored.
int setupPageOf(std::string_view name);
// The caption of page 1 ... 8, "" otherwise.
const char* setupPageName(int page);
// The page a table row belongs to, 0 for the page buttons and ids outside the table.
int setupPageOfRow(const QVConfig& store, int id);
// The page the dialog opens on: the one used last (1 at first).
int& setupLastPage();

// Results of the change functions.
inline constexpr int kSetupStored = 0;
inline constexpr int kSetupUnchanged = 1;
inline constexpr int kSetupDisabled = 2;   // the control is greyed
inline constexpr int kSetupNotOnPage = 3;  // the row is not on the page shown
inline constexpr int kSetupRefused = 9;    // reported

class SetupModel {
  public:
    explicit SetupModel(QVConfig& store);

    int page() const { return page_; }
    // Shows page 1 ... 8 and clears its information field. 0, or 9 for another number.
    int showPage(int page);
    // The rows of the page shown, in table order.
    std::vector<SetupRow> rows() const;
    SetupRow row(int id) const;
    bool onPage(int id) const;

    // A control of the page shown reports its new value. Texts keep at most capacity - 11
    // characters (a note says when the text was cut); flags and numbers go through setInt.
    int changeText(int id, std::string_view text);
    int changeCheck(int id, bool on);
    int changeNumber(int id, std::string_view text);
    // Any kind from text, as a script gives it ("yes", "0", "abc").
    int change(int id, std::string_view text);

    // The buttons that only change settings: the page buttons, "-" and "+" of a line spacing
    // and "reset to defaults" of the fonts. kSetupStored when `id` is one of them (and was
    // done), kSetupUnchanged for any other button, which is the application's to act on.
    int press(int id);

    // The pointer is over control `id` (0: over none or one without help) at `nowMs`.
    // Returns true when the information changed.
    bool hover(int id, int64_t nowMs);
    // Puts a text into the information field (a rule's compile result, a count), held like a
    // help text.
    void showInfo(std::string_view text, int64_t nowMs);
    const std::string& info() const { return info_; }

    // The page shown, one line a row: "S|id|kind|caption|value|enabled" (line breaks inside
    // captions and values as "\n").
    std::string dump() const;

  private:
    SetupKind kindOf(int id) const;
    std::string valueOf(int id, SetupKind kind) const;
    int refuseUnlessChangeable(int id) const;

    QVConfig& store_;
    int page_ = 1;
    std::string info_;
    int infoFrom_ = 0;  // the control whose help is shown, 0 for other texts
    int64_t infoShownMs_ = 0;
};

}  // namespace tessel
