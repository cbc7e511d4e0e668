#include "app/control_dialogs.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_host.h"
#include "base/blanks.h"
#include "base/log/message_log.h"
#include "config/config_file.h"
#include "config/hotkeys.h"
#include "config/qv_config.h"
#include "config/user_controls.h"
#include "platform/platform.h"
#include "view/control_buttons.h"
#include "view/view.h"

namespace tessel {

namespace {

constexpr std::array<const char*, 4> kEditTitles{"Edit Action Button", "Edit Scope Button",
                                                 "Edit Hotkey", "Edit Bookmark Script"};
constexpr std::array<const char*, 4> kNewTitles{"New Action Button", "New Scope Button",
                                                "New Hotkey", "New Bookmark Script"};
constexpr const char* kDeleteButton = "Delete";
// The form's script field shows this many lines.
constexpr int kScriptLines = 10;

// Fields of the control form, in their order.
enum ControlField { kType, kTitle, kParameters, kViews, kScriptCall, kScriptText };

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Script texts keep CR LF between lines; the form's text field uses line feeds.
std::string toFormLines(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}

std::string fromFormLines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

const char* typeName(int type) {
    return controlTypeDisplayName(std::to_string(type));
}

int typeIndexOf(std::string_view name) {
    for (int type = kControlAction; type <= kControlBookmarkScript; ++type) {
        if (name == typeName(type)) return type;
    }
    return 0;
}

std::string titleHint(int type) {
    switch (type) {
        case kControlHotkey:
            return "the key: modifiers alt+, ctrl+, shift+ in this order, then 1...0, a...z, "
                   "f5...f12, mbuttondown, xbutton1down, num0down and the like.";
        case kControlBookmarkScript:
            return "the label shown in the bookmark list.";
        default:
            return "the caption of the button; without one the script call is shown.";
    }
}

std::vector<FormField> controlForm(const UserControl& control, int type) {
    std::vector<FormField> fields(6);
    std::vector<std::string> typeNames;
    for (int each = kControlAction; each <= kControlBookmarkScript; ++each)
        typeNames.emplace_back(typeName(each));
    fields[kType] = {"Type", typeName(type), 1, std::move(typeNames), {}};
    fields[kTitle] = {"Title", control.title, 1, {}, titleHint(type)};
    fields[kParameters] = {"Parameters",
                           control.parms,
                           1,
                           {},
                           "passed to the script as $1 ... $10; a button or bookmark script "
                           "without them passes its title."};
    fields[kViews] = {"Views", control.views, 1, {}, {}};
    fields[kScriptCall] = {"Script Call",
                           control.script,
                           1,
                           {},
                           "the id of the script to run; a new id makes a new script."};
    const int script = findScript(control.script);
    fields[kScriptText] = {"Script",
                           script >= 0 ? toFormLines(userScript(script).text) : "",
                           kScriptLines,
                           {},
                           "one command a line, like: set findmask = /$mouseword/"};
    return fields;
}

// A script id nobody uses yet, for a new control's script call.
std::string unusedScriptId() {
    for (int n = 1;; ++n) {
        std::string id = "script-" + std::to_string(n);
        if (findScript(id) < 0) return id;
    }
}

int controlWithTitle(int type, std::string_view title, int except) {
    for (int slot = 0; slot < kMaxControls; ++slot) {
        if (slot == except) continue;
        const UserControl other = userControl(slot);
        if (controlTypeNumber(other.type) == type && other.title == title) return slot;
    }
    return -1;
}

// What the forms change is the configuration file's too: it is written at once, as closing
// the setup dialog writes its changes.
void keepChanges() {
    markDuplicateControls();
    redrawAllViews();
    if (configFile().haveText) {
        saveConfigIfChanged();
    } else {
        logMessage("[note] no config file: the change lasts until the program ends.");
    }
}

// The control goes; its script stays, other controls may call it.
void removeControl(int slot) {
    const UserControl gone = userControl(slot);
    setUserControl(slot, {});
    logMessage("[blue] %s \"%s\" removed.", controlTypeDisplayName(gone.type),
               gone.title.empty() ? gone.script.c_str() : gone.title.c_str());
    keepChanges();
}

void refuse(const char* title, const std::string& reason) {
    logMessage("[error] %s", reason.c_str());
    messageBox(title, reason, BoxButtons::ok);
}

// Checks the form and stores the control in `slot` (-1: a free one). An empty string when
// stored, else why not. The script's lines are written only when they were edited
// (`shownText` is what the form showed): a control pointed at another existing script must
// not copy the old script's lines over it.
std::string storeControl(int slot, const std::vector<FormField>& fields,
                         const std::string& shownText) {
    const int type = typeIndexOf(fields[kType].text);
    if (type == 0) return "choose the kind of control.";
    UserControl control;
    control.type = std::to_string(type);
    control.title = std::string(trimBlanks(fields[kTitle].text));
    control.parms = fields[kParameters].text;
    control.views = fields[kViews].text;
    control.script = std::string(trimBlanks(fields[kScriptCall].text));
    // Each field is one line of the configuration file: a line break would cut it in two.
    for (int field : {kTitle, kParameters, kViews, kScriptCall}) {
        if (hasLineBreak(fields[static_cast<size_t>(field)].text))
            return "the " + fields[static_cast<size_t>(field)].label + " must be one line.";
    }
    if (type == kControlHotkey) {
        std::string message;
        if (control.title.empty()) return "a hotkey needs its key as title, like ctrl+f7.";
        if (checkHotkey(control.title, message) != 0) return message;
    }
    if (type == kControlBookmarkScript && control.title.empty())
        return "a bookmark script needs the label of its entry as title.";
    if (control.script.empty()) return "missing script call: name the script to run.";
    if (control.script.find_first_of(" \t;") != std::string::npos)
        return "a script call is one word without blanks or \";\".";
    if (controlWithTitle(type, control.title, slot) >= 0) {
        return std::string("another ") + typeName(type) + " has the title \"" + control.title +
               "\".";
    }
    if (slot < 0) slot = freeControlSlot();
    if (slot < 0) return "too many controls, cannot add further.";

    const std::string text = fromFormLines(fields[kScriptText].text);
    int script = findScript(control.script);
    if (script < 0) {
        script = freeScriptSlot();
        if (script < 0) return "too many scripts, cannot add further.";
        setUserScript(script, {control.script, text, "0"});
    } else if (fields[kScriptText].text != shownText && userScript(script).text != text) {
        UserScript changed = userScript(script);
        changed.text = text;
        setUserScript(script, changed);
    }
    setUserControl(slot, control);
    logMessage("[blue] %s \"%s\" stored.", typeName(type),
               control.title.empty() ? control.script.c_str() : control.title.c_str());
    return {};
}

// Runs the control form until it is stored, removed or cancelled.
int controlFormLoop(int slot, std::vector<FormField> fields, const char* title) {
    const std::string shownText = fields[kScriptText].text;
    for (;;) {
        const int answer = formDialog(title, fields, slot >= 0 ? kDeleteButton : "");
        if (answer == 1) return 1;
        if (answer == 2) {
            removeControl(slot);
            return 0;
        }
        const std::string reason = storeControl(slot, fields, shownText);
        if (reason.empty()) {
            keepChanges();
            return 0;
        }
        refuse(title, reason);
    }
}

int controlsCalling(std::string_view id) {
    int count = 0;
    for (int slot = 0; slot < kMaxControls; ++slot) {
        if (!userControl(slot).type.empty() && userControl(slot).script == id) ++count;
    }
    return count;
}

// Checks the script form and stores it in `slot` (-1: a free one); renaming a script renames
// the calls of the controls that ran it.
std::string storeScript(int slot, const std::vector<FormField>& fields) {
    const std::string id(trimBlanks(fields[0].text));
    if (id.empty()) return "a script needs an id, the name its controls call it by.";
    if (id.find_first_of(" \t;\r\n") != std::string::npos)
        return "a script id is one word without blanks or \";\".";
    const int same = findScript(id);
    if (same >= 0 && same != slot) return "another script has the id \"" + id + "\".";
    if (slot < 0) slot = freeScriptSlot();
    if (slot < 0) return "too many scripts, cannot add further.";
    UserScript script = userScript(slot);
    const std::string oldId = script.id;
    script.id = id;
    script.text = fromFormLines(fields[1].text);
    if (script.count.empty()) script.count = "0";
    setUserScript(slot, script);
    if (!oldId.empty() && oldId != id) {
        int renamed = 0;
        for (int c = 0; c < kMaxControls; ++c) {
            UserControl control = userControl(c);
            if (control.type.empty() || control.script != oldId) continue;
            control.script = id;
            setUserControl(c, control);
            ++renamed;
        }
        if (renamed > 0) logMessage("[blue] %d control(s) now call \"%s\".", renamed, id.c_str());
    }
    logMessage("[blue] script \"%s\" stored.", id.c_str());
    return {};
}

// "action button: Go", with the duplicate mark the configuration reader sets.
std::string controlLabel(int slot) {
    const UserControl control = userControl(slot);
    std::string label = controlTypeDisplayName(control.type);
    label += ": ";
    label += control.title.empty() ? control.script : control.title;
    if (isDuplicateControl(slot)) label += " (duplicate)";
    return label;
}

// A menu of the used slots; the chosen slot, or -1.
int pickSlot(int slots, const std::function<bool(int)>& used,
             const std::function<std::string(int)>& label) {
    std::vector<int> shown;
    std::vector<std::string> items;
    for (int slot = 0; slot < slots; ++slot) {
        if (!used(slot)) continue;
        shown.push_back(slot);
        items.push_back(label(slot));
    }
    const int chosen = popupMenu(items);
    return chosen >= 0 && chosen < static_cast<int>(shown.size())
               ? shown[static_cast<size_t>(chosen)]
               : -1;
}

}  // namespace

int editControlDialog(int slot) {
    if (slot < 0 || slot >= kMaxControls) return 1;
    const UserControl control = userControl(slot);
    const int type = controlTypeNumber(control.type);
    if (type < kControlAction || type > kControlBookmarkScript) {
        logMessage("[error] undefined control %d", slot);
        return 1;
    }
    return controlFormLoop(slot, controlForm(control, type),
                           kEditTitles[static_cast<size_t>(type - 1)]);
}

int newControlDialog(int type) {
    if (type < kControlAction || type > kControlBookmarkScript) return 1;
    if (freeControlSlot() < 0) {
        refuse(kNewTitles[static_cast<size_t>(type - 1)], "too many controls, cannot add further.");
        return 1;
    }
    UserControl control;
    control.script = unusedScriptId();
    return controlFormLoop(-1, controlForm(control, type),
                           kNewTitles[static_cast<size_t>(type - 1)]);
}

int editScriptDialog(int slot) {
    const bool existing = slot >= 0 && slot < kMaxScripts && !userScript(slot).id.empty();
    if (!existing) slot = -1;
    const UserScript script = existing ? userScript(slot) : UserScript{unusedScriptId(), "", "0"};
    const char* title = existing ? "Edit Script" : "New Script";
    std::vector<FormField> fields{
        {"Script Id", script.id, 1, {}, "the name controls call the script by."},
        {"Script",
         toFormLines(script.text),
         kScriptLines,
         {},
         "one command a line; deeper indented lines continue the line above."}};
    for (;;) {
        const int answer = formDialog(title, fields, existing ? kDeleteButton : "");
        if (answer == 1) return 1;
        if (answer == 2) {
            const int callers = controlsCalling(script.id);
            if (callers > 0) {
                refuse(title, "script \"" + script.id + "\" is called by " +
                                  std::to_string(callers) + " control(s): change them first.");
                continue;
            }
            setUserScript(slot, {});
            logMessage("[blue] script \"%s\" removed.", script.id.c_str());
            keepChanges();
            return 0;
        }
        const std::string reason = storeScript(slot, fields);
        if (reason.empty()) {
            keepChanges();
            return 0;
        }
        refuse(title, reason);
    }
}

void openControlMenu(View& view, int control) {
    (void)view;
    std::vector<std::string> items;
    std::vector<std::function<void()>> actions;
    auto offer = [&](std::string item, std::function<void()> action) {
        items.push_back(std::move(item));
        actions.push_back(std::move(action));
    };
    const UserControl pressed = control >= 0 ? userControl(control) : UserControl{};
    if (control >= 0) {
        const std::string caption = pressed.title.empty() ? pressed.script : pressed.title;
        offer("edit button \"" + caption + "\" ...", [control] { editControlDialog(control); });
        if (const int script = findScript(pressed.script); script >= 0) {
            offer("edit script \"" + pressed.script + "\" ...",
                  [script] { editScriptDialog(script); });
        }
        offer("remove button \"" + caption + "\"", [control] { removeControl(control); });
    }
    for (int type = kControlAction; type <= kControlBookmarkScript; ++type) {
        offer(std::string("new ") + typeName(type) + " ...", [type] { newControlDialog(type); });
    }
    auto controlUsed = [](int slot) { return !userControl(slot).type.empty(); };
    auto scriptUsed = [](int slot) { return !userScript(slot).id.empty(); };
    bool anyControl = false;
    bool anyScript = false;
    for (int slot = 0; slot < kMaxControls; ++slot) anyControl = anyControl || controlUsed(slot);
    for (int slot = 0; slot < kMaxScripts; ++slot) anyScript = anyScript || scriptUsed(slot);
    if (anyControl) {
        offer("edit user control ...", [&] {
            if (const int slot = pickSlot(kMaxControls, controlUsed, controlLabel); slot >= 0)
                editControlDialog(slot);
        });
    }
    if (anyScript) {
        offer("edit script ...", [&] {
            auto label = [](int slot) { return "script: " + userScript(slot).id; };
            if (const int slot = pickSlot(kMaxScripts, scriptUsed, label); slot >= 0)
                editScriptDialog(slot);
        });
    }
    offer("new script ...", [] { editScriptDialog(-1); });

    const int chosen = popupMenu(items);
    if (chosen >= 0 && chosen < static_cast<int>(actions.size()))
        actions[static_cast<size_t>(chosen)]();
}

void installControlDialogs() {
    controlButtonHooks().openMenu = [](View& view, int control) { openControlMenu(view, control); };
}

}  // namespace tessel
