// Key codes handed to the views. They follow the classic desktop virtual-key numbering so
// that user key bindings and stored hotkeys keep their meaning: letters and digits are their
// upper-case ASCII codes, everything else has a fixed code below.
#pragma once

namespace tessel {

enum KeyCode : int {
    kKeyNone = 0,
    kKeyBackspace = 0x08,
    kKeyTab = 0x09,
    kKeyReturn = 0x0D,
    kKeyShift = 0x10,
    kKeyControl = 0x11,
    kKeyAlt = 0x12,
    kKeyPause = 0x13,
    kKeyCapsLock = 0x14,
    kKeyEscape = 0x1B,
    kKeySpace = 0x20,
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
    kKeyInsert = 0x2D,
    kKeyDelete = 0x2E,
    kKey0 = 0x30,        // '0' .. '9' are 0x30 .. 0x39
    kKeyA = 0x41,        // 'A' .. 'Z' are 0x41 .. 0x5A
    kKeyNumpad0 = 0x60,  // keypad digits 0x60 .. 0x69
    kKeyMultiply = 0x6A,
    kKeyAdd = 0x6B,
    kKeySubtract = 0x6D,
    kKeyDecimal = 0x6E,
    kKeyDivide = 0x6F,
    kKeyF1 = 0x70,  // F1 .. F24 are 0x70 .. 0x87
    kKeyF2 = 0x71,
    kKeyF3 = 0x72,
    kKeyF4 = 0x73,
    kKeyF5 = 0x74,
    kKeyF6 = 0x75,
    kKeyF7 = 0x76,
    kKeyF8 = 0x77,
    kKeyF9 = 0x78,
    kKeyF10 = 0x79,
    kKeyF11 = 0x7A,
    kKeyF12 = 0x7B,
    kKeyNumLock = 0x90,
    kKeyScrollLock = 0x91,
    kKeyOem1 = 0xBA,  // ';' on US layouts
    kKeyOemPlus = 0xBB,
    kKeyOemComma = 0xBC,
    kKeyOemMinus = 0xBD,
    kKeyOemPeriod = 0xBE,
    kKeyOem2 = 0xBF,  // '/'
    kKeyOem3 = 0xC0,  // '`'
    kKeyOem4 = 0xDB,  // '['
    kKeyOem5 = 0xDC,  // '\'
    kKeyOem6 = 0xDD,  // ']'
    kKeyOem7 = 0xDE,  // '\''
    kKeyCount = 256,
};

// Modifier flags of key and mouse events.
enum Modifier : int {
    kModShift = 1,
    kModControl = 2,
    kModAlt = 4,
    kModKeypad = 8,  // the key came from the numeric keypad
};

enum MouseButton : int {
    kMouseLeft = 1,
    kMouseRight = 2,
    kMouseMiddle = 4,
    kMouseBack = 8,  // the first extra button
    kMouseForward = 16,
};

}  // namespace tessel
