#include "app/setup_glue.h"

#include <memory>
#include <set>
#include <vector>

#include "app/window_host.h"
#include "base/log/message_log.h"
#include "bookmarks/bookmark_export.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_list.h"
#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/config_location.h"
#include "config/qv_config.h"
#include "config/setup_model.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "platform/setup_dialog.h"
#include "text/text_store.h"
#include "view/background_picture.h"
#include "view/frame_layout.h"
#include "view/screen_fonts.h"
#include "view/sidebar.h"
#include "view/view.h"
#include "view/view_host.h"
#include "zukmatch/context_rules.h"

namespace tessel {
namespace {

constexpr char kDialogTitle[] = "Tessel Setup";
constexpr char kAlreadyOpen[] = "Setup dialog is already open.";
constexpr char kConfigFilter[] = "Configuration files (*.txt);;All files (*)";

// Rows the dialog acts on by id (the setting table's own numbering).
constexpr int kFirstPageButton = 101;
constexpr int kConfigEdit = 112;
constexpr int kConfigReload = 113;
constexpr int kConfigLoadFrom = 114;
constexpr int kConfigCreateAt = 115;
constexpr int kBookmarksLoadFrom = 119;
constexpr int kBookmarksSaveTo = 120;
constexpr int kBookmarksClear = 121;
constexpr int kBookmarksErrors = 122;
constexpr int kBookmarksCopy = 123;
constexpr int kBookmarksImport = 124;
// The file manager entries and the desktop icon come with the installed package on Linux.
constexpr int kFirstFileManagerRow = 127;
constexpr int kLastFileManagerRow = 135;
constexpr int kFirstAutoReloadRow = 150;
constexpr int kLastAutoReloadRow = 155;
constexpr int kFirstLoadOption = 157;
constexpr int kLastLoadOption = 164;
constexpr int kReloadWorkspace = 165;
constexpr int kFirstFontRow = 185;
constexpr int kLastFontRow = 232;
constexpr int kFirstFontChangeButton = 189;
constexpr int kFontSlotStride = 9;
constexpr int kFirstNetworkRow = 297;
constexpr int kLastNetworkRow = 304;
constexpr int kLastContextId = 392;

enum class Pending { kNone, kEditConfig, kCreateConfigAt };

struct SetupSession {
    SetupModel model{config()};
    std::vector<SetupRow> shown;
    int shownPage = 0;
    Pending pending = Pending::kNone;
    bool fontsChanged = false;
    std::set<std::string> notedMissing;
};

// The bookmark commands ask and choose files through the platform's boxes and dialogs.
class DialogBookmarkHost : public BookmarkHost {
  public:
    bool ask(const char* title, const char* text, bool defaultYes) override {
        (void)defaultYes;
        return messageBox(title, text, BoxButtons::yesNo) == BoxAnswer::yes;
    }
    void showBox(const char* title, const char* text) override {
        messageBox(title, text, BoxButtons::ok);
    }
    std::string pickFile(const char* title, const char* proposed, bool forSaving) override {
        std::string chosen;
        const int rc = forSaving ? saveFileDialog(title, proposed, kBookmarkFilter, chosen)
                                 : openFileDialog(title, proposed, kBookmarkFilter, chosen);
        return rc == 0 ? chosen : std::string();
    }

  private:
    static constexpr char kBookmarkFilter[] = "Bookmark files (*.qvbm);;All files (*)";
};

std::unique_ptr<SetupSession>& session() {
    static std::unique_ptr<SetupSession> open;  // user interface thread only
    return open;
}

// The model's kinds and the dialog's controls are one list on both sides of the platform.
template <SetupKind kind, SetupControlKind control>
constexpr bool sameKind = static_cast<int>(kind) == static_cast<int>(control);
static_assert(sameKind<SetupKind::kHeading, SetupControlKind::kHeading> &&
              sameKind<SetupKind::kText, SetupControlKind::kText> &&
              sameKind<SetupKind::kCheck, SetupControlKind::kCheck> &&
              sameKind<SetupKind::kNumber, SetupControlKind::kNumber> &&
              sameKind<SetupKind::kButton, SetupControlKind::kButton> &&
              sameKind<SetupKind::kList, SetupControlKind::kList> &&
              sameKind<SetupKind::kInfo, SetupControlKind::kInfo>);

SetupControl controlOf(const SetupRow& row) {
    SetupControl control;
    control.id = row.id;
    control.kind = static_cast<SetupControlKind>(row.kind);
    control.caption = row.caption;
    control.value = row.value;
    control.enabled = row.enabled;
    if (row.kind == SetupKind::kText) control.maxLength = static_cast<int>(kSetupTextReadLimit);
    return control;
}

std::vector<SetupControl> controlsOf(const std::vector<SetupRow>& rows) {
    std::vector<SetupControl> controls;
    controls.reserve(rows.size());
    for (const SetupRow& row : rows) controls.push_back(controlOf(row));
    return controls;
}

bool sameRow(const SetupRow& a, const SetupRow& b) {
    return a.id == b.id && a.kind == b.kind && a.caption == b.caption && a.value == b.value &&
           a.enabled == b.enabled;
}

// Brings the dialog in line with the model: a new page is built, otherwise only the controls
// whose caption, value or state changed are updated (so that a field being typed in keeps
// its cursor).
void syncDialog(SetupSession& open) {
    std::vector<SetupRow> rows = open.model.rows();
    if (open.shownPage != open.model.page() || rows.size() != open.shown.size()) {
        fillSetupPage(open.model.page(), controlsOf(rows));
    } else {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (!sameRow(rows[i], open.shown[i])) updateSetupControl(controlOf(rows[i]));
        }
    }
    open.shownPage = open.model.page();
    open.shown = std::move(rows);
}

// A feature whose part of the program is not built yet: said once per dialog, and shown in
// the information field each time.
void notAvailable(SetupSession& open, const char* what) {
    std::string text = std::string(what) + " is not available yet.";
    if (open.notedMissing.insert(what).second) logMessage("[note] %s", text.c_str());
    open.model.showInfo(text, tickMs());
}

// The file-manager rows describe a desktop registration that the installed package does.
void prepareRows() {
    updateConfigPageRows();
    for (int id = kFirstFileManagerRow; id <= kLastFileManagerRow; ++id) config().disable(id);
}

bool isFontRow(int id) {
    return id >= kFirstFontRow && id <= kLastFontRow;
}

int contextSlotOfMatchRow(int id) {
    if (id < kFirstContextId || id > kLastContextId || (id - kFirstContextId) % 2 != 1) return -1;
    const int slot = (id - kFirstContextId) / 2;
    return isContextSlot(slot) ? slot : -1;
}

// The loader reads its options from the settings at each load; the text module keeps its
// own copy of the three it needs while reading.
void applyLoadOptions() {
    TextOptions& text = textOptions();
    text.utf8Decode = config().getInt("utf8decode") != 0;
    text.loadWchar = config().getInt("loadwchar") != 0;
    text.loadBin = config().getInt("loadbin") != 0;
}

// What a stored change brings with it beyond the stored value.
void afterChange(SetupSession& open, int id) {
    if (isFontRow(id)) {
        open.fontsChanged = true;
    } else if (id >= kFirstLoadOption && id <= kLastLoadOption) {
        applyLoadOptions();
    } else if (id >= kFirstAutoReloadRow && id <= kLastAutoReloadRow) {
        notAvailable(open, "auto reload");
    } else if (id >= kFirstNetworkRow && id <= kLastNetworkRow) {
        notAvailable(open, "network text");
    } else if (const int slot = contextSlotOfMatchRow(id); slot >= 0) {
        std::string status;
        contextRules().compile(slot, &status);
        open.model.showInfo(status, tickMs());
    }
}

void chooseFont(SetupSession& open, int slot) {
    static constexpr const char* kTitles[kFontSlots] = {
        "select the main font", "select the second main font", "select the bookmark font",
        "select the second bookmark font", "select the menu font"};
    const FontSetting current = config().getFont(slot);
    FontRequest request;
    request.name = current.name;
    request.height = current.height;
    request.weight = current.weight;
    // The text views line up columns: their fonts must have one width for every character.
    // The bookmark list and the menus are proportional by default.
    request.fixedPitch = slot <= 1;
    if (fontDialog(kTitles[slot], request) != 0) return;
    FontSetting chosen = current;
    chosen.name = request.name;
    chosen.width = 0;
    chosen.height = request.height;
    chosen.weight = request.weight;
    if (config().setFont(slot, chosen) == 0) open.fontsChanged = true;
}

// 112: "edit" once the dialog is closed, or "create" now; SHIFT or CONTROL create at the
// place a fresh search suggests.
void editOrCreateConfig(SetupSession& open, int modifiers) {
    bool exists = false;
    configPath(false, &exists);
    if (exists) {
        open.pending = Pending::kEditConfig;
        closeSetupDialog();
        return;
    }
    const std::string path = (modifiers & (kModShift | kModControl)) != 0
                                 ? configPath(true)
                                 : std::string(config().getText(kIdConfigPath));
    // A declined file leaves no path behind, so that the next use searches again.
    if (createConfig(path) == 1) setConfigPath("");
    updateConfigPageRows();
}

void pressButton(SetupSession& open, int id, int modifiers) {
    BookmarkList& bookmarks = bookmarkList();
    if (id >= kFirstFontChangeButton &&
        id < kFirstFontChangeButton + kFontSlots * kFontSlotStride &&
        (id - kFirstFontChangeButton) % kFontSlotStride == 0) {
        chooseFont(open, (id - kFirstFontChangeButton) / kFontSlotStride);
        return;
    }
    switch (id) {
        case kConfigEdit:
            editOrCreateConfig(open, modifiers);
            break;
        case kConfigReload:
            if (reloadConfig(false) == 0) logMessage("[blue] no changes in config file.");
            updateConfigPageRows();
            break;
        case kConfigLoadFrom: {
            std::string chosen;
            if (openFileDialog("select a tessel-config.txt file", configPath(), kConfigFilter,
                               chosen) == 0) {
                loadConfigFrom(chosen);
            }
            updateConfigPageRows();
            break;
        }
        case kConfigCreateAt:
            open.pending = Pending::kCreateConfigAt;
            closeSetupDialog();
            break;
        case kBookmarksLoadFrom:
            notAvailable(open, "loading bookmarks into the views");
            break;
        case kBookmarksImport:
            notAvailable(open, "importing bookmarks into the views");
            break;
        case kBookmarksSaveTo:
            saveTo(bookmarks);
            break;
        case kBookmarksClear:
            clearSet(bookmarks);
            break;
        case kBookmarksErrors:
            messageBox("last error details", errorDetailsText(), BoxButtons::ok);
            break;
        case kBookmarksCopy:
            setClipboardText(exportBookmarks(bookmarks));
            logMessage("%s", kExportDoneMessage);
            break;
        case kReloadWorkspace:
            notAvailable(open, "reloading the workspace");
            break;
        default:
            break;
    }
}

// Changed fonts show at once: the fonts are made again and every view measures its rows anew
// (rows drawn with the old font are dropped).
void applyFontSettings() {
    // The dialog and the file set the stored choice of each font pair; the display follows it.
    AppSettings& app = appSettings();
    app.mainFont2Selected = config().getInt("usemainfont2") != 0;
    app.bookFont2Selected = config().getInt("usebookfont2") != 0;
    reloadScreenFonts();
    for (auto& view : frameLayout().views) {
        if (view) refitViewFont(*view);
    }
}

void finishSession() {
    std::unique_ptr<SetupSession> closed = std::move(session());
    if (!closed) return;
    saveConfigIfChanged();
    if (closed->fontsChanged && configHooks().fontsChanged) configHooks().fontsChanged();
    if (closed->pending == Pending::kEditConfig) {
        editConfig();
    } else if (closed->pending == Pending::kCreateConfigAt) {
        std::string chosen;
        if (saveFileDialog("select config target filename", kConfigFileName, kConfigFilter,
                           chosen) == 0) {
            createConfigAt(chosen);
        }
    }
}

void handle(const SetupDialogInput& input) {
    SetupSession* open = session().get();
    if (!open) return;
    switch (input.event) {
        case SetupDialogEvent::kPage:
            open->model.showPage(input.page);
            break;
        case SetupDialogEvent::kText:
            if (open->model.changeText(input.id, input.text) == kSetupStored) {
                afterChange(*open, input.id);
            }
            break;
        case SetupDialogEvent::kCheck:
            if (open->model.changeCheck(input.id, input.checked) == kSetupStored) {
                afterChange(*open, input.id);
            }
            break;
        case SetupDialogEvent::kClick: {
            const int done = open->model.press(input.id);
            if (done == kSetupStored) {
                afterChange(*open, input.id);
            } else if (done == kSetupUnchanged) {
                pressButton(*open, input.id, input.modifiers);
            }
            break;
        }
        case SetupDialogEvent::kHover:
            open->model.hover(input.id, tickMs());
            break;
        case SetupDialogEvent::kClosed:
            finishSession();
            return;
    }
    // A button may have closed the dialog.
    if (SetupSession* still = session().get()) syncDialog(*still);
}

// Brings the page of a row up, as a user would press its page button first.
int showPageOf(int id, std::string& error) {
    const int page = setupPageOfRow(config(), id);
    if (page == 0) {
        error = "no setting " + std::to_string(id) + " on a setup page";
        return 9;
    }
    return page == session()->model.page() ? 0 : setupShowPage(page, error);
}

int driven(const SetupDialogInput& input, std::string& error) {
    switch (driveSetupDialog(input)) {
        case 0:
            return 0;
        case 1:
            error = "the setup dialog is not open";
            return 9;
        case 3:
            error = "setting " + std::to_string(input.id) + " is disabled";
            return 9;
        default:
            error = "setting " + std::to_string(input.id) + " has no such control";
            return 9;
    }
}

bool dialogReady(std::string& error) {
    if (session() && setupDialogOpen()) return true;
    error = "the setup dialog is not open";
    return false;
}

}  // namespace

int openSetupDialog(int page) {
    if (session()) {
        showStatusInfo(kAlreadyOpen);
        return 1;
    }
    prepareRows();
    session() = std::make_unique<SetupSession>();
    SetupSession& open = *session();
    if (page >= 1 && page <= kSetupPages) open.model.showPage(page);
    SetupDialogSpec spec;
    spec.title = kDialogTitle;
    for (int each = 1; each <= kSetupPages; ++each) spec.pages.emplace_back(setupPageName(each));
    spec.page = open.model.page();
    open.shown = open.model.rows();
    open.shownPage = open.model.page();
    spec.controls = controlsOf(open.shown);
    showSetupDialog(spec, handle);
    if (!setupDialogOpen()) {
        session().reset();
        return 9;
    }
    return 0;
}

bool setupDialogIsOpen() {
    return session() != nullptr;
}

int setupShowPage(int page, std::string& error) {
    if (!dialogReady(error)) return 9;
    SetupDialogInput input;
    input.event = SetupDialogEvent::kPage;
    input.page = page;
    return driven(input, error);
}

int setupSetValue(int id, std::string_view value, std::string& error) {
    if (!dialogReady(error) || showPageOf(id, error) != 0) return 9;
    SetupDialogInput input;
    input.id = id;
    switch (session()->model.row(id).kind) {
        case SetupKind::kText:
        case SetupKind::kNumber:
            input.event = SetupDialogEvent::kText;
            input.text.assign(value);
            break;
        case SetupKind::kCheck:
            input.event = SetupDialogEvent::kCheck;
            input.checked = configValueOf(value) != 0;
            break;
        default:
            error = "setting " + std::to_string(id) + " takes no value";
            return 9;
    }
    return driven(input, error);
}

int setupClick(int id, int modifiers, std::string& error) {
    if (!dialogReady(error)) return 9;
    if (id >= kFirstPageButton && id < kFirstPageButton + kSetupPages) {
        return setupShowPage(id - kFirstPageButton + 1, error);
    }
    if (showPageOf(id, error) != 0) return 9;
    SetupDialogInput input;
    input.event = SetupDialogEvent::kClick;
    input.id = id;
    input.modifiers = modifiers;
    return driven(input, error);
}

int setupClose(std::string& error) {
    if (!dialogReady(error)) return 9;
    SetupDialogInput input;
    input.event = SetupDialogEvent::kClosed;
    return driven(input, error);
}

std::string setupDump() {
    SetupSession* open = session().get();
    if (!open) return {};
    const int page = open->model.page();
    return "=== setup page=" + std::to_string(page) + " " + setupPageName(page) + "\n" +
           open->model.dump() + "=== end\n";
}

void installSetupHooks() {
    ConfigHooks& hooks = configHooks();
    if (!hooks.fontsChanged) hooks.fontsChanged = applyFontSettings;
    // A reloaded configuration may choose another background picture, or the chosen file
    // may have changed: it is read again at the next paint, and the buttons drawn anew.
    hooks.afterReload = [] {
        resetBackground();
        redrawAllViews();
    };
    if (!hooks.askYesNo) {
        hooks.askYesNo = [](const char* title, const char* text) {
            return messageBox(title, text, BoxButtons::yesNo) == BoxAnswer::yes;
        };
    }
    static DialogBookmarkHost bookmarkHost;
    if (bookmarkList().host == nullptr) bookmarkList().host = &bookmarkHost;
    sidebarHooks().openSetup = [](View&) { openSetupDialog(); };
}

}  // namespace tessel
