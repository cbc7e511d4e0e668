#include "view/view_input.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "editor/editor.h"
#include "fake_view_host.h"
#include "platform/key_codes.h"
#include "text/text_store.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace tessel {
namespace {

class ViewInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        view.search.textStorePtr = &store;
    }

    void type(const std::string& text) {
        for (char c : text) maskChar(view, input, static_cast<uint8_t>(c));
    }
    int key(int code, int modifiers = 0) { return maskKeyDown(view, input, code, modifiers); }
    std::string find() const { return view.search.findMask; }
    std::string path() const { return view.search.pathMask; }

    TextStore store;
    testing::FakeViewHost host;
    View view;
    testing::HostedView hosted{view, host};
    ViewInput input;
};

TEST_F(ViewInputTest, TypingEditsTheMaskAtItsCursor) {
    type("brwn");
    EXPECT_EQ(find(), "brwn");
    key(kKeyLeft);
    key(kKeyLeft);
    type("o");
    EXPECT_EQ(find(), "brown");
    EXPECT_EQ(maskCursor(view, input, MaskFocus::kFind), 3);
    key(kKeyHome);
    type("[");
    key(kKeyEnd);
    type("]");
    EXPECT_EQ(find(), "[brown]");
    // BACKSPACE takes the character before the cursor, and at the start there is none.
    key(kKeyHome);
    key(kKeyRight);
    EXPECT_EQ(maskChar(view, input, '\b'), 0);
    EXPECT_EQ(find(), "brown]");
    EXPECT_EQ(maskChar(view, input, '\b'), 1);
    EXPECT_EQ(find(), "brown]");
    // The cursor stops at both ends.
    for (int i = 0; i < 10; ++i) key(kKeyRight);
    EXPECT_EQ(maskCursor(view, input, MaskFocus::kFind), 6);
    for (int i = 0; i < 10; ++i) key(kKeyLeft);
    EXPECT_EQ(maskCursor(view, input, MaskFocus::kFind), 0);
    // SHIFT+HOME still moves the cursor; CONTROL+HOME and SHIFT+LEFT belong to the text.
    key(kKeyEnd);
    EXPECT_EQ(key(kKeyHome, kModShift), 0);
    EXPECT_EQ(maskCursor(view, input, MaskFocus::kFind), 0);
    EXPECT_EQ(key(kKeyHome, kModControl), 1);
    EXPECT_EQ(key(kKeyLeft, kModShift), 1);
}

TEST_F(ViewInputTest, ControlCharactersAreNotText) {
    for (uint8_t c : {uint8_t{'\t'}, uint8_t{'\r'}, uint8_t{0x1B}, uint8_t{0x01}, uint8_t{0x7F}}) {
        EXPECT_EQ(maskChar(view, input, c), 1);
    }
    EXPECT_EQ(find(), "");
    EXPECT_EQ(host.timersArmed, 0);
    // Bytes of the code page above 0x7F are letters.
    EXPECT_EQ(maskChar(view, input, 0xE9), 0);
    EXPECT_EQ(find(), "\xE9");
}

TEST_F(ViewInputTest, TabSwitchesMasksAndEachKeepsItsCursor) {
    type("fox");
    key(kKeyLeft);
    EXPECT_EQ(key(kKeyTab), 0);
    EXPECT_EQ(input.maskFocus, MaskFocus::kPath);
    type("sample");
    key(kKeyTab);
    type("e");
    EXPECT_EQ(find(), "foex");
    EXPECT_EQ(path(), "sample");
    // CONTROL+TAB is the tab size command, not a mask switch.
    EXPECT_EQ(key(kKeyTab, kModControl), 1);
    EXPECT_EQ(input.maskFocus, MaskFocus::kFind);
}

TEST_F(ViewInputTest, PathMaskTurnsThePathSelectionOnOnlyForTextWithFileRecords) {
    key(kKeyTab);
    type("a");
    EXPECT_FALSE(view.search.pathSelectionActive);
    store.hasPrefix = true;
    type("b");
    EXPECT_TRUE(view.search.pathSelectionActive);
}

TEST_F(ViewInputTest, MasksStopAtTheirCapacity) {
    type(std::string(kMaskTextChars, 'a'));
    EXPECT_EQ(find().size(), static_cast<size_t>(kMaskTextChars));
    key(kKeyHome);
    EXPECT_EQ(maskChar(view, input, 'b'), 1);
    EXPECT_EQ(find(), std::string(kMaskTextChars, 'a'));
    key(kKeyTab);
    type(std::string(kMaskTextChars + 5, 'p'));
    EXPECT_EQ(path().size(), static_cast<size_t>(kMaskTextChars));
}

TEST_F(ViewInputTest, ChangesScheduleASearchAndDropTheScreen) {
    view.screen.valid = true;
    type("ab");
    EXPECT_EQ(host.timersArmed, 2);
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kScheduled);
    EXPECT_FALSE(view.screen.valid);
    // Moving the cursor or switching masks changes no mask: no search.
    key(kKeyLeft);
    key(kKeyTab);
    key(kKeyTab);
    EXPECT_EQ(host.timersArmed, 2);
    // Keystrokes within a second shorten the wait (three keys: 40 % of 800 ms).
    type("c");
    EXPECT_EQ(host.armed, 320);
    // INSERT clears the mask being typed to start a new word, which waits the full delay;
    // a '-' typed after it is a keystroke like any other.
    EXPECT_EQ(key(kKeyInsert), 0);
    EXPECT_EQ(find(), "");
    EXPECT_TRUE(view.search.keystrokeLog.entries[3].newWord);
    EXPECT_EQ(host.armed, 800);
    type("-");
    EXPECT_EQ(find(), "-");
    EXPECT_FALSE(view.search.keystrokeLog.entries[4].newWord);
}

TEST_F(ViewInputTest, AMaskMarkedForResetGivesWayToTheNextWord) {
    type("old");
    view.search.findMaskMarkedForReset = true;
    key(kKeyHome);
    type("new");
    EXPECT_EQ(find(), "new");
    EXPECT_FALSE(view.search.findMaskMarkedForReset);
}

TEST_F(ViewInputTest, CursorFollowsMasksReplacedElsewhere) {
    type("abc");
    key(kKeyLeft);
    view.search.setFindMask("x");
    EXPECT_EQ(maskCursor(view, input, MaskFocus::kFind), 0);
    type("y");
    EXPECT_EQ(find(), "yx");
    // A mask set while the cursor is at its end keeps it there.
    key(kKeyEnd);
    view.search.setFindMask("longer");
    type("!");
    EXPECT_EQ(find(), "longer!");
}

TEST_F(ViewInputTest, AnEditorTakesTheKeys) {
    view.editor = std::make_unique<Editor>(view.edit);  // an editor without a text
    EXPECT_EQ(maskChar(view, input, 'a'), 1);
    EXPECT_EQ(key(kKeyTab), 1);
    EXPECT_EQ(key(kKeyInsert), 1);
    view.editor = nullptr;
    EXPECT_EQ(find(), "");
}

TEST_F(ViewInputTest, TheFocusedRowMarksTheInputCursor) {
    ViewInput& kept = view.input;
    view.rows = 6;
    view.columns = 60;
    for (char c : std::string("quck")) maskChar(view, kept, static_cast<uint8_t>(c));
    maskKeyDown(view, kept, kKeyLeft, 0);
    maskKeyDown(view, kept, kKeyLeft, 0);
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(std::string(view.screen.rowAttr(5)).find('e'), 7u + 2u);
    EXPECT_EQ(std::string(view.screen.rowAttr(4)).find('e'), std::string::npos);
    maskKeyDown(view, kept, kKeyTab, 0);
    maskChar(view, kept, 'x');
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(std::string(view.screen.rowText(4)).rfind("path: >x<", 0), 0u);
    EXPECT_EQ(std::string(view.screen.rowAttr(4)).find('e'), 7u + 1u);
    EXPECT_EQ(std::string(view.screen.rowAttr(5)).find('e'), std::string::npos);
}

}  // namespace
}  // namespace tessel
