#include "view/control_buttons.h"

#include <algorithm>
#include <cstdlib>

#include "config/user_controls.h"
#include "platform/key_codes.h"
#include "platform/painter.h"
#include "text/text_store.h"
#include "view/live_settings.h"
#include "view/scroll_bars.h"
#include "view/sidebar.h"
#include "view/view.h"

namespace tessel {

namespace {

constexpr int kControlSlots = 50;
constexpr int kMargin = 4;
constexpr int kGap = 4;
// A caption longer than this is cut, so that one wordy button leaves room for the others.
constexpr size_t kMaxCaption = 30;

constexpr Color kFace = rgb(0xF0F0F0);
constexpr Color kActionFrame = rgb(0x808080);
constexpr Color kScopeFrame = rgb(0x0000AA);
constexpr Color kCaption = rgb(0x000000);

int buttonType(const UserControl& control) {
    if (control.type.size() != 1) return 0;
    const int type = control.type[0] - '0';
    return type == kControlAction || type == kControlScope ? type : 0;
}

// The right edge the buttons stay left of: the sidebar's column, whether it shows at the
// moment or not, and the scroll bar.
int rightLimit(const View& view) {
    int right = view.clientWidth - kMargin;
    if (sidebarColumnBottom(view) > 0)
        right = std::min(right, view.clientWidth - 2 * kMargin - kSidebarButtonSize);
    const ScrollBarShape bar = scrollBarShape(view);
    if (bar.shown) right = std::min(right, bar.track.x - kGap);
    return right;
}

// The band is the row assistance mode keeps free above the text. While a load runs the view
// shows its progress and takes no clicks.
bool bandShown(const View& view) {
    return liveSettings().assist && view.lineHeight >= 4 && view.charWidth >= 1 &&
           !view.textStore().loadRunning.load();
}

}  // namespace

ControlButtonHooks& controlButtonHooks() {
    static ControlButtonHooks hooks;
    return hooks;
}

std::vector<ControlButtonShape> controlButtonLayout(const View& view) {
    std::vector<ControlButtonShape> buttons;
    if (!bandShown(view)) return buttons;
    const int right = rightLimit(view);
    int x = kMargin;
    for (int slot = 0; slot < kControlSlots; ++slot) {
        const UserControl control = userControl(slot);
        const int type = buttonType(control);
        if (type == 0) continue;
        std::string caption = control.title.empty() ? control.script : control.title;
        if (caption.size() > kMaxCaption) caption.resize(kMaxCaption);
        const int width = (static_cast<int>(caption.size()) + 2) * view.charWidth;
        // Buttons keep their order: the first that does not fit ends the row.
        if (x + width > right) break;
        buttons.push_back({slot, type, std::move(caption), {x, 1, width, view.lineHeight - 2}});
        x += width + kGap;
    }
    return buttons;
}

int controlButtonAt(const View& view, int x, int y) {
    for (const ControlButtonShape& button : controlButtonLayout(view)) {
        if (button.box.contains(x, y)) return button.control;
    }
    return -1;
}

bool onControlBand(const View& view, int x, int y) {
    return bandShown(view) && x >= 0 && x < rightLimit(view) && y >= 0 && y < view.lineHeight;
}

int controlButtonPress(View& view, int button, int x, int y, int modifiers) {
    ControlButtonHooks& hooks = controlButtonHooks();
    const int control = controlButtonAt(view, x, y);
    if (button == kMouseRight && hooks.openMenu && onControlBand(view, x, y)) {
        hooks.openMenu(view, control);
        view.screen.valid = false;
        return 0;
    }
    if (control < 0) return 1;
    if (button == kMouseLeft && hooks.runControl) {
        hooks.runControl(view, control, modifiers);
        view.screen.valid = false;
    }
    return 0;
}

void drawControlButtons(Painter& painter, const std::vector<ControlButtonShape>& buttons,
                        const Font& font) {
    if (buttons.empty()) return;
    painter.setFont(font);
    for (const ControlButtonShape& button : buttons) {
        const Rect& box = button.box;
        const Color frame = button.type == kControlScope ? kScopeFrame : kActionFrame;
        painter.fillRect(box, kFace);
        painter.drawLine(box.x, box.y, box.right() - 1, box.y, frame);
        painter.drawLine(box.x, box.bottom() - 1, box.right() - 1, box.bottom() - 1, frame);
        painter.drawLine(box.x, box.y, box.x, box.bottom() - 1, frame);
        painter.drawLine(box.right() - 1, box.y, box.right() - 1, box.bottom() - 1, frame);
        const int textX = box.x + (box.width - font.textWidth(button.caption)) / 2;
        painter.drawText(std::max(textX, box.x), box.y, button.caption, kCaption);
    }
}

}  // namespace tessel
