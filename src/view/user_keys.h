// The user's own key bindings in a view: hotkeys of user controls and "on key" lines of the
// configuration. A pressed key is offered to them under its binding name ("ctrl+shift+f7",
// "num4down") before the view's own keys; the application runs the scripts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tessel {

class View;

// Runs the binding of a key name for a view: 0 a script ran, 1 the key is not bound.
// `modifiers` are the key's modifier flags, for the script's "$shift", "$ctrl" and "$alt".
using UserKeyHandler = std::function<int(View& view, std::string_view keyName, int modifiers)>;
void setUserKeyHandler(UserKeyHandler handler);

// The binding name of a key with its modifiers; empty for keys no binding can name (and for
// letters and digits without CONTROL or ALT, which type text). `down` picks "num4down" or
// "num4up" for the keypad digits.
std::string userKeyNameOf(int key, int modifiers, bool down);

// A key press or release offered to the bindings: 0 taken, 1 not bound.
int userKeyDown(View& view, int key, int modifiers);
int userKeyUp(View& view, int key, int modifiers);

// The middle and extra mouse buttons ("mbuttondown", "xbutton1up" ...), offered before the
// view's own use of them: 0 taken, 1 not bound.
std::string userButtonNameOf(int button, int modifiers, bool down);
int userButtonDown(View& view, int button, int modifiers);
int userButtonUp(View& view, int button, int modifiers);

// The character that follows a taken key press (CONTROL+letter) belongs to it: the window
// forgets the mark at every key press and asks it for every character.
void forgetUserKeyChar();
bool takeUserKeyChar(const View& view);

}  // namespace tessel
