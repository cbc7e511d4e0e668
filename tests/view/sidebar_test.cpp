#include "view/sidebar.h"

#include <gtest/gtest.h>

#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "setting_overrides.h"
#include "test_support.h"
#include "view/view.h"

namespace tessel {
namespace {

using testing::LogCapture;

class SidebarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings.set("showsidebar", 1);
        settings.set("sidebarpermanent", 0);
        view.clientWidth = 800;
        view.clientHeight = 600;
        view.lineHeight = 16;
    }
    void TearDown() override { sidebarHooks() = {}; }
    testing::SettingOverrides settings;
    View view;
};

TEST_F(SidebarTest, ShownWhileThePointerIsInsideOrWhenPermanent) {
    EXPECT_TRUE(sidebarLayout(view).empty());
    view.gestures.pointerInside = true;
    const auto slots = sidebarLayout(view);
    ASSERT_EQ(slots.size(), 5u);
    EXPECT_EQ(slots[0].x + slots[0].size + 4, 800);  // flush with the right edge
    EXPECT_LT(slots[0].y, slots[1].y);
    view.gestures.pointerInside = false;
    config().setInt("sidebarpermanent", 1);
    EXPECT_EQ(sidebarLayout(view).size(), 5u);
    config().setInt("showsidebar", 0);
    EXPECT_TRUE(sidebarLayout(view).empty());
}

TEST_F(SidebarTest, TooSmallViewsHaveNoSidebar) {
    config().setInt("sidebarpermanent", 1);
    view.clientHeight = 100;
    EXPECT_TRUE(sidebarLayout(view).empty());
    view.clientHeight = 600;
    view.clientWidth = 90;
    EXPECT_TRUE(sidebarLayout(view).empty());
}

TEST_F(SidebarTest, ButtonsHitAndAct) {
    config().setInt("sidebarpermanent", 1);
    const auto slots = sidebarLayout(view);
    ASSERT_EQ(slots.size(), 5u);
    EXPECT_EQ(sidebarButtonAt(view, slots[0].x, slots[0].y), SidebarButton::kLoad);
    EXPECT_EQ(sidebarButtonAt(view, slots[3].x + 23, slots[3].y + 23), SidebarButton::kCase);
    EXPECT_EQ(sidebarButtonAt(view, slots[3].x + 24, slots[3].y), SidebarButton::kNone);
    EXPECT_EQ(sidebarButtonAt(view, 10, 10), SidebarButton::kNone);

    int loads = 0;
    sidebarHooks().openLoadMenu = [&](View&) { ++loads; };
    EXPECT_EQ(sidebarClick(view, SidebarButton::kLoad, 0), 0);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(sidebarClick(view, SidebarButton::kFind, 0), 0);  // no hook: nothing happens
    int setups = 0;
    sidebarHooks().openSetup = [&](View&) { ++setups; };
    EXPECT_EQ(sidebarButtonAt(view, slots[4].x, slots[4].y), SidebarButton::kSetup);
    EXPECT_EQ(sidebarClick(view, SidebarButton::kSetup, 0), 0);
    EXPECT_EQ(setups, 1);

    LogCapture log;
    const bool caseOn = view.search.caseSensitive;
    const bool accents = view.search.accentSensitive;
    const bool punctuation = view.search.punctSensitive;
    sidebarClick(view, SidebarButton::kCase, 0);
    EXPECT_NE(view.search.caseSensitive, caseOn);
    sidebarClick(view, SidebarButton::kCase, kModControl);
    EXPECT_NE(view.search.accentSensitive, accents);
    sidebarClick(view, SidebarButton::kCase, kModShift);
    EXPECT_NE(view.search.punctSensitive, punctuation);
    EXPECT_TRUE(log.contains("ignoring accents and umlauts on search."));
    EXPECT_EQ(sidebarClick(view, SidebarButton::kNone, 0), 1);
}

}  // namespace
}  // namespace tessel
