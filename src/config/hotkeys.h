// Keys the user binds to scripts: the hotkeys of user controls ("ctrl+shift+f7") and the
// older "on key" lines of the configuration file ("on key ctrl+shift+f7 echo hello").
//
// Both name a key of one table (digits, f5 ... f12, letters, mouse buttons, the numeric
// keypad) after its modifiers in the order alt, ctrl, shift. The key handler builds that name
// for a pressed key (userKeyName) and offers it to the bindings before its own keys.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

inline constexpr int kKeyTableSize = 84;

bool isUserKey(std::string_view key);

// The name bindings use for a key with modifiers: "alt+ctrl+shift+" (those held) + key.
std::string userKeyName(bool alt, bool ctrl, bool shift, std::string_view key);

// Checks a hotkey as typed in the control dialog. 0 valid, 9 invalid with the reason in
// message ("ctrl+ must be typed before shift", "wrong syntax, please use: ctrl+f7" ...).
int checkHotkey(std::string_view text, std::string& message);

// An "on key" line taken apart: the key name as written and the script after it.
struct OnKeyCommand {
    std::string key;  // "ctrl+shift+x"
    std::string script;
    bool keypad = false;
};

// Checks the text of an "on" line (after "on "), reporting what is wrong. Accepts "on key"
// and "on time HH:MM background FILE". usesKeypad is set for numeric keypad keys.
bool parseOnCommand(std::string_view command, bool& usesKeypad);
// The same without reports; false for lines other than a valid "on key".
bool readOnKeyCommand(std::string_view command, OnKeyCommand& out);

// The script of the "on key" line of the current configuration for a key name; false when
// there is none.
bool findOnKeyScript(std::string_view keyName, std::string& script);
// The log lines for a pressed key that no binding takes (numeric keypad, extra buttons).
void reportUnboundKey(std::string_view keyName);
// Lists the "on key" lines of the configuration in the log.
void listOnKeyCommands();

// The picture of the latest "on time HH:MM background FILE" line not after the time of day;
// empty when none applies.
std::string backgroundForTime(int minuteOfDay);

}  // namespace tessel
