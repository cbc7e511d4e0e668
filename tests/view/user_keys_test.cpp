#include "view/user_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/key_codes.h"
#include "view/view.h"

namespace tessel {
namespace {

TEST(UserKeys, NamesFollowTheBindingsModifierOrderAndKeyTable) {
    EXPECT_EQ(userKeyNameOf(kKeyF7, kModShift | kModControl, true), "ctrl+shift+f7");
    EXPECT_EQ(userKeyNameOf(kKeyA + 10, kModAlt | kModControl | kModShift, true),
              "alt+ctrl+shift+k");
    EXPECT_EQ(userKeyNameOf(kKey0 + 3, kModControl, true), "ctrl+3");
    EXPECT_EQ(userKeyNameOf(kKeyF12, 0, true), "f12");
    EXPECT_EQ(userKeyNameOf(kKeyNumpad0 + 4, kModKeypad, true), "num4down");
    EXPECT_EQ(userKeyNameOf(kKeyNumpad0 + 4, kModKeypad | kModShift, false), "shift+num4up");
    // Keys outside the table, and letters and digits that type text, have no name.
    EXPECT_EQ(userKeyNameOf(kKeyF1, kModControl, true), "");
    EXPECT_EQ(userKeyNameOf(kKeyF4, 0, true), "");
    EXPECT_EQ(userKeyNameOf(kKeyTab, kModControl, true), "");
    EXPECT_EQ(userKeyNameOf(kKeyA, 0, true), "");
    EXPECT_EQ(userKeyNameOf(kKey0 + 7, 0, true), "");
    EXPECT_EQ(userKeyNameOf(kKeyA, kModShift, true), "");
}

TEST(UserKeys, MouseButtonsHaveNamesForPressAndRelease) {
    EXPECT_EQ(userButtonNameOf(kMouseMiddle, 0, true), "mbuttondown");
    EXPECT_EQ(userButtonNameOf(kMouseForward, kModControl, false), "ctrl+xbutton2up");
    EXPECT_EQ(userButtonNameOf(kMouseBack, 0, true), "xbutton1down");
    EXPECT_EQ(userButtonNameOf(kMouseLeft, 0, true), "");
    EXPECT_EQ(userButtonNameOf(kMouseRight, kModShift, true), "");
}

class UserKeyDispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        setUserKeyHandler([this](View&, std::string_view name, int modifiers) {
            offered.emplace_back(name);
            lastModifiers = modifiers;
            return name == bound ? 0 : 1;
        });
        forgetUserKeyChar();
    }
    void TearDown() override {
        setUserKeyHandler({});
        forgetUserKeyChar();
    }

    std::vector<std::string> offered;
    int lastModifiers = 0;
    std::string bound = "ctrl+q";
};

TEST_F(UserKeyDispatch, ATakenKeyKeepsItsCharacterFromTheMaskUntilTheNextKey) {
    View view;
    View other;
    EXPECT_EQ(userKeyDown(view, kKeyA + 16, kModControl), 0);
    EXPECT_EQ(lastModifiers, kModControl);
    // The CONTROL+Q character of the same press is the binding's, once, and only this view's.
    EXPECT_FALSE(takeUserKeyChar(other));
    EXPECT_TRUE(takeUserKeyChar(view));
    EXPECT_FALSE(takeUserKeyChar(view));

    // A key that produces no character must not swallow the next typed one.
    bound = "f9";
    EXPECT_EQ(userKeyDown(view, kKeyF9, 0), 0);
    forgetUserKeyChar();
    EXPECT_FALSE(takeUserKeyChar(view));

    // Unbound keys and keys without a name go on to the view's own keys.
    EXPECT_EQ(userKeyDown(view, kKeyF10, kModControl), 1);
    EXPECT_FALSE(takeUserKeyChar(view));
    offered.clear();
    EXPECT_EQ(userKeyDown(view, kKeyA, 0), 1);
    EXPECT_TRUE(offered.empty());
}

TEST_F(UserKeyDispatch, ABoundButtonLeavesTheNextCharacterToTheMask) {
    View view;
    bound = "mbuttondown";
    EXPECT_EQ(userButtonDown(view, kMouseMiddle, 0), 0);
    EXPECT_FALSE(takeUserKeyChar(view));
    EXPECT_EQ(userButtonUp(view, kMouseMiddle, 0), 1);
    EXPECT_EQ(userButtonDown(view, kMouseLeft, 0), 1);
}

TEST_F(UserKeyDispatch, OnlyKeypadDigitsAreOfferedOnRelease) {
    View view;
    bound = "num2up";
    EXPECT_EQ(userKeyUp(view, kKeyF9, 0), 1);
    EXPECT_TRUE(offered.empty());
    EXPECT_EQ(userKeyUp(view, kKeyNumpad0 + 2, kModKeypad), 0);
    EXPECT_EQ(offered, std::vector<std::string>{"num2up"});
    // A release has no character after it.
    EXPECT_FALSE(takeUserKeyChar(view));
}

}  // namespace
}  // namespace tessel
