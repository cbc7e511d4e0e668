// Translation of toolkit keys and cursors into the system's own codes.
#include "platform/qt_keys.h"

#include <QKeyEvent>
#include <QPixmap>
#include <array>

#include "platform/key_codes.h"
#include "platform/qt_internal.h"

namespace tessel::qt {

int keyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return keypad ? kKeyNumpad0 + (key - Qt::Key_0) : key;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kKeyF1 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace:
            return kKeyBackspace;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return kKeyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyReturn;
        case Qt::Key_Shift:
            return kKeyShift;
        case Qt::Key_Control:
            return kKeyControl;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return kKeyAlt;
        case Qt::Key_Pause:
            return kKeyPause;
        case Qt::Key_CapsLock:
            return kKeyCapsLock;
        case Qt::Key_Escape:
            return kKeyEscape;
        case Qt::Key_Space:
            return kKeySpace;
        case Qt::Key_PageUp:
            return kKeyPageUp;
        case Qt::Key_PageDown:
            return kKeyPageDown;
        case Qt::Key_End:
            return kKeyEnd;
        case Qt::Key_Home:
            return kKeyHome;
        case Qt::Key_Left:
            return kKeyLeft;
        case Qt::Key_Up:
            return kKeyUp;
        case Qt::Key_Right:
            return kKeyRight;
        case Qt::Key_Down:
            return kKeyDown;
        case Qt::Key_Insert:
            return kKeyInsert;
        case Qt::Key_Delete:
            return kKeyDelete;
        case Qt::Key_NumLock:
            return kKeyNumLock;
        case Qt::Key_ScrollLock:
            return kKeyScrollLock;
        case Qt::Key_Asterisk:
            return keypad ? kKeyMultiply : kKey0 + 8;
        case Qt::Key_Plus:
            return keypad ? kKeyAdd : kKeyOemPlus;
        case Qt::Key_Minus:
            return keypad ? kKeySubtract : kKeyOemMinus;
        case Qt::Key_Period:
            return keypad ? kKeyDecimal : kKeyOemPeriod;
        case Qt::Key_Slash:
            return keypad ? kKeyDivide : kKeyOem2;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon:
            return kKeyOem1;
        case Qt::Key_Equal:
            return kKeyOemPlus;
        case Qt::Key_Comma:
        case Qt::Key_Less:
            return kKeyOemComma;
        case Qt::Key_Underscore:
            return kKeyOemMinus;
        case Qt::Key_Greater:
            return kKeyOemPeriod;
        case Qt::Key_Question:
            return kKeyOem2;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:
            return kKeyOem3;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft:
            return kKeyOem4;
        case Qt::Key_Backslash:
        case Qt::Key_Bar:
            return kKeyOem5;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight:
            return kKeyOem6;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            return kKeyOem7;
        default:
            return kKeyNone;
    }
}

int modifiersOf(Qt::KeyboardModifiers held) {
    int modifiers = 0;
    if (held & Qt::ShiftModifier) modifiers |= kModShift;
    if (held & Qt::ControlModifier) modifiers |= kModControl;
    if (held & Qt::AltModifier) modifiers |= kModAlt;
    if (held & Qt::KeypadModifier) modifiers |= kModKeypad;
    return modifiers;
}

int mouseButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kMouseLeft;
        case Qt::RightButton:
            return kMouseRight;
        case Qt::MiddleButton:
            return kMouseMiddle;
        case Qt::BackButton:
            return kMouseBack;
        case Qt::ForwardButton:
            return kMouseForward;
        default:
            return 0;
    }
}

int mouseButtonsOf(Qt::MouseButtons held) {
    int buttons = 0;
    for (Qt::MouseButton each :
         {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton, Qt::BackButton, Qt::ForwardButton}) {
        if (held & each) buttons |= mouseButtonOf(each);
    }
    return buttons;
}

ToolkitKey toolkitKeyOf(int keyCode) {
    // Built from keyCodeOf itself so that the two directions cannot disagree: every printable
    // and special toolkit key is translated once, the first key giving a code keeps it.
    static const std::array<ToolkitKey, kKeyCount> table = [] {
        std::array<ToolkitKey, kKeyCount> built{};
        auto enter = [&](int qtKey, bool keypad) {
            const QKeyEvent probe(QEvent::KeyPress, qtKey,
                                  keypad ? Qt::KeypadModifier : Qt::NoModifier);
            const int code = keyCodeOf(probe);
            if (code > 0 && code < kKeyCount && built[size_t(code)].key == 0) {
                built[size_t(code)] = ToolkitKey{qtKey, keypad};
            }
        };
        // Digits and letters first: shifted symbols share their codes.
        for (int qtKey = Qt::Key_0; qtKey <= Qt::Key_9; ++qtKey) enter(qtKey, false);
        for (int qtKey = Qt::Key_A; qtKey <= Qt::Key_Z; ++qtKey) enter(qtKey, false);
        for (int qtKey = Qt::Key_Space; qtKey <= Qt::Key_AsciiTilde; ++qtKey) enter(qtKey, false);
        for (int qtKey = Qt::Key_Escape; qtKey <= Qt::Key_F24; ++qtKey) enter(qtKey, false);
        for (int qtKey = Qt::Key_Shift; qtKey <= Qt::Key_ScrollLock; ++qtKey) enter(qtKey, false);
        enter(Qt::Key_AltGr, false);
        for (int qtKey = Qt::Key_Asterisk; qtKey <= Qt::Key_9; ++qtKey) enter(qtKey, true);
        return built;
    }();
    if (keyCode <= 0 || keyCode >= kKeyCount) return {};
    return table[size_t(keyCode)];
}

Qt::KeyboardModifiers toolkitModifiersOf(int modifiers) {
    Qt::KeyboardModifiers held;
    if (modifiers & kModShift) held |= Qt::ShiftModifier;
    if (modifiers & kModControl) held |= Qt::ControlModifier;
    if (modifiers & kModAlt) held |= Qt::AltModifier;
    if (modifiers & kModKeypad) held |= Qt::KeypadModifier;
    return held;
}

Qt::MouseButton toolkitButtonOf(int button) {
    switch (button) {
        case kMouseLeft:
            return Qt::LeftButton;
        case kMouseRight:
            return Qt::RightButton;
        case kMouseMiddle:
            return Qt::MiddleButton;
        case kMouseBack:
            return Qt::BackButton;
        case kMouseForward:
            return Qt::ForwardButton;
        default:
            return Qt::NoButton;
    }
}

namespace {

// A cursor drawn from a built-in picture with its hot spot in the middle; the toolkit's
// nearest shape stands in while the pictures are not loaded.
QCursor pictureCursor(PictureId id, Qt::CursorShape fallback) {
    const QImage image = imageOf(picture(id));
    if (image.isNull()) return QCursor(fallback);
    return QCursor(QPixmap::fromImage(image), image.width() / 2, image.height() / 2);
}

}  // namespace

QCursor cursorOf(CursorKind kind) {
    switch (kind) {
        case CursorKind::arrow:
            return QCursor(Qt::ArrowCursor);
        case CursorKind::hand:
            return QCursor(Qt::PointingHandCursor);
        case CursorKind::sizeWE:
            return QCursor(Qt::SizeHorCursor);
        case CursorKind::sizeNS:
            return QCursor(Qt::SizeVerCursor);
        case CursorKind::move:
            return QCursor(Qt::SizeAllCursor);
        case CursorKind::textBeam:
            return QCursor(Qt::IBeamCursor);
        case CursorKind::wait:
            return QCursor(Qt::WaitCursor);
        case CursorKind::surfVertical:
            return pictureCursor(kPictureSurfVertical, Qt::SizeVerCursor);
        case CursorKind::surfHorizontal:
            return pictureCursor(kPictureSurfHorizontal, Qt::SizeHorCursor);
        case CursorKind::lock:
            return pictureCursor(kPictureLock, Qt::ForbiddenCursor);
    }
    return QCursor(Qt::ArrowCursor);
}

}  // namespace tessel::qt
