#include "view/control_buttons.h"

#include <gtest/gtest.h>

#include <vector>

#include "config/qv_config.h"
#include "config/user_controls.h"
#include "platform/key_codes.h"
#include "setting_overrides.h"
#include "view/view.h"

namespace tessel {
namespace {

class ControlButtonsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings.set("assist", 1);
        settings.set("showsidebar", 0);
        for (int slot = 0; slot < 50; ++slot) setUserControl(slot, {});
        view.clientWidth = 800;
        view.clientHeight = 600;
        view.charWidth = 10;
        view.lineHeight = 20;
    }
    void TearDown() override {
        for (int slot = 0; slot < 50; ++slot) setUserControl(slot, {});
        controlButtonHooks() = {};
    }
    static void define(int slot, const char* type, const char* title, const char* script) {
        setUserControl(slot, UserControl{type, "", "", script, title});
    }
    testing::SettingOverrides settings;
    View view;
};

TEST_F(ControlButtonsTest, ActionAndScopeButtonsLineUpInSlotOrder) {
    define(1, "3", "ctrl+f8", "keys");  // a hotkey has no button
    define(4, "2", "", "scope-script");
    define(2, "1", "Go", "go");
    define(7, "4", "book entry", "book");
    define(9, "1", "a caption that goes on far beyond the thirty characters", "long");
    const std::vector<ControlButtonShape> buttons = controlButtonLayout(view);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].control, 2);
    EXPECT_EQ(buttons[0].type, kControlAction);
    EXPECT_EQ(buttons[0].caption, "Go");
    EXPECT_EQ(buttons[0].box.width, 40);  // the caption and a cell on each side
    EXPECT_EQ(buttons[1].control, 4);
    EXPECT_EQ(buttons[1].type, kControlScope);
    EXPECT_EQ(buttons[1].caption, "scope-script");  // no title: the script names it
    EXPECT_GT(buttons[1].box.x, buttons[0].box.right());
    EXPECT_EQ(buttons[2].caption.size(), 30u);
    for (const ControlButtonShape& button : buttons) {
        EXPECT_LE(button.box.bottom(), view.lineHeight);  // inside the kept top row
    }
}

TEST_F(ControlButtonsTest, NoButtonsOutsideAssistanceModeOrBeyondTheRightEdge) {
    define(0, "1", "first", "s");
    define(1, "1", "second", "s");
    define(2, "1", "third", "s");
    config().setInt("assist", 0);
    EXPECT_TRUE(controlButtonLayout(view).empty());
    config().setInt("assist", 1);
    // Room for the first two only: the third is left out, and so is everything after it.
    view.clientWidth = 4 + 70 + 4 + 80 + 4 + 40;
    define(3, "1", "x", "s");
    const std::vector<ControlButtonShape> buttons = controlButtonLayout(view);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[1].caption, "second");
    // The sidebar's column keeps its place even while the sidebar is hidden.
    view.clientWidth = 240;
    EXPECT_EQ(controlButtonLayout(view).size(), 3u);
    config().setInt("showsidebar", 1);
    EXPECT_EQ(controlButtonLayout(view).size(), 2u);
}

TEST_F(ControlButtonsTest, ALeftClickRunsTheControlWithItsModifiers) {
    define(5, "2", "scope", "s");
    std::vector<int> runs;
    controlButtonHooks().runControl = [&runs](View&, int control, int modifiers) {
        runs.push_back(control * 100 + modifiers);
        return 0;
    };
    const ControlButtonShape button = controlButtonLayout(view).at(0);
    const int x = button.box.x + 3;
    const int y = button.box.y + 3;
    EXPECT_EQ(controlButtonAt(view, x, y), 5);
    EXPECT_EQ(controlButtonPress(view, kMouseLeft, x, y, kModShift), 0);
    // Another button on it is taken without running anything; a press beside it is not taken.
    EXPECT_EQ(controlButtonPress(view, kMouseRight, x, y, 0), 0);
    EXPECT_EQ(controlButtonPress(view, kMouseLeft, button.box.right() + 1, y, 0), 1);
    EXPECT_EQ(controlButtonPress(view, kMouseLeft, x, view.lineHeight + 5, 0), 1);
    EXPECT_EQ(runs, std::vector<int>{500 + kModShift});
}

}  // namespace
}  // namespace tessel
