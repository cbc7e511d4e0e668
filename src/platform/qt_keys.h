// Key, modifier and mouse button translation of the Qt implementation.
#pragma once

#include <Qt>

class QKeyEvent;

namespace tessel::qt {

// A KeyCode, or kKeyNone for keys the system does not use.
int keyCodeOf(const QKeyEvent& event);
int modifiersOf(Qt::KeyboardModifiers held);
int mouseButtonOf(Qt::MouseButton button);
int mouseButtonsOf(Qt::MouseButtons held);

// The other way round, for injected input.
struct ToolkitKey {
    int key = 0;  // a Qt::Key, 0 when the code has no key
    bool keypad = false;
};
ToolkitKey toolkitKeyOf(int keyCode);
Qt::KeyboardModifiers toolkitModifiersOf(int modifiers);
Qt::MouseButton toolkitButtonOf(int button);

}  // namespace tessel::qt
