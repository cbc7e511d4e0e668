#include "view/word_highlights.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/frame_layout.h"
#include "view/navigation.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace tessel {
namespace {

using testing::LogCapture;

// The attribute codes markHighlights writes into a row of blanks.
std::string marks(const HighlightList& list, bool caseSensitive, const std::string& text,
                  int from = 0, int to = 1 << 20) {
    std::string attr(text.size(), ' ');
    markHighlights(list, caseSensitive, text.data(), static_cast<int>(text.size()), attr.data(),
                   from, to);
    return attr;
}

class HighlightTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        config().setInt("assist", 0);
        config().setInt("localhighlight", 0);
        sharedHighlights().clear();
        statusInfo().infoText[0] = '\0';
    }
    void TearDown() override {
        config().setInt("assist", 1);
        config().setInt("localhighlight", 0);
        sharedHighlights().clear();
    }
    std::string status() const { return statusInfo().infoText; }
};

TEST_F(HighlightTest, ToggleRulesAndCase) {
    HighlightList list;
    EXPECT_EQ(list.toggle("foo", "any", true, true, false), 0);
    EXPECT_EQ(status(), "word added to highlights.");
    ASSERT_EQ(list.entries().size(), 1u);
    EXPECT_EQ(list.entries()[0], "any foo");
    EXPECT_EQ(list.toggle("foo", "any", true, true, false), 2);
    EXPECT_EQ(status(), "word removed from highlights.");
    EXPECT_TRUE(list.empty());

    // Ignoring case, "Foo" is the listed "foo": kept or removed by allowRemove.
    list.toggle("foo", "any", true, false, false);
    EXPECT_EQ(list.toggle("Foo", "any", false, true, false), 1);
    EXPECT_EQ(status(), "word already highlighted.");
    EXPECT_EQ(list.toggle("Foo", "any", true, false, false), 2);
    EXPECT_TRUE(list.empty());
    // Case-sensitive, it is another word.
    list.toggle("foo", "any", true, false, true);
    EXPECT_EQ(list.toggle("Foo", "any", true, false, true), 0);
    EXPECT_EQ(list.entries().size(), 2u);
    EXPECT_EQ(list.countAuto(), 2);
}

TEST_F(HighlightTest, ColoursAutomaticCodesAndBookmarks) {
    HighlightList list;
    const char* words[] = {"a1", "b2", "c3", "d4", "e5", "f6"};
    for (const char* word : words) list.toggle(word, "any", true, false, false);
    list.append("Red r7");
    list.append("orange o8");
    EXPECT_EQ(marks(list, false, "a1 b2 c3 d4 e5 f6 r7 o8"),
              "::\x20;;\x20<<\x20==\x20>>\x20::\x20\x10\x10\x20<<");

    // Bookmark colours stay; occurrences after one another and overlapping words all count.
    HighlightList one;
    one.append("green ab");
    std::string attr = "  T   ";
    const std::string text = "ababab";
    markHighlights(one, true, text.data(), 6, attr.data(), 0, 6);
    EXPECT_EQ(attr, "\x17\x17T\x17\x17\x17");
    // Case: "AB" is found only when case does not matter.
    EXPECT_EQ(marks(one, true, "AB ab"), "   \x17\x17");
    EXPECT_EQ(marks(one, false, "AB ab"), "\x17\x17 \x17\x17");
    // Only within the visible part.
    EXPECT_EQ(marks(one, true, "ab ab ab", 1, 4), " \x17 \x17    ");
    // An entry without a blank is a word of its own; an empty word marks nothing.
    HighlightList bare;
    bare.append("zz");
    bare.append("any ");
    EXPECT_EQ(marks(bare, true, "a zz"), "  ::");
}

TEST_F(HighlightTest, OccurrenceLimitPerRow) {
    HighlightList list;
    list.append("Red x");
    const std::string text(1500, 'x');
    LogCapture log;
    setVerboseMode(true);
    const std::string attr = marks(list, true, text);
    setVerboseMode(false);
    EXPECT_EQ(attr.find(' '), 1000u);
    EXPECT_TRUE(log.contains("bail (3)"));
}

// In UTF-8 a word matches in any letter case of any script, whole characters only; case
// still counts when asked, and the 8-bit code pages keep their byte-wise folding.
TEST_F(HighlightTest, CaseFoldingBeyondAscii) {
    codePageTables().init(kCodePageUtf8);
    HighlightList list;
    list.append("Red über");
    list.append("Green мир");
    const std::string text = "ÜBER Über über МИР x";
    const std::string folded = marks(list, false, text);
    EXPECT_EQ(folded.substr(0, 5), std::string(5, '\x10'));   // ÜBER
    EXPECT_EQ(folded.substr(6, 5), std::string(5, '\x10'));   // Über
    EXPECT_EQ(folded.substr(12, 5), std::string(5, '\x10'));  // über
    EXPECT_EQ(folded.substr(18, 6), std::string(6, '\x11'));  // МИР
    EXPECT_EQ(folded.substr(24), "  ");
    const std::string exact = marks(list, true, text);
    EXPECT_EQ(exact.find('\x10'), 12u);
    EXPECT_EQ(exact.find('\x11'), std::string::npos);

    EXPECT_EQ(list.toggle("ÜBER", "any", true, false, false), 2);  // the listed "über"
    codePageTables().init(1252);
    HighlightList latin;
    latin.append(
        "Red \xFC"
        "ber");
    EXPECT_EQ(marks(latin, false,
                    "\xDC"
                    "BER")
                  .substr(0, 4),
              std::string(4, '\x10'));
}

class HighlightViewTest : public HighlightTest {
  protected:
    void SetUp() override {
        HighlightTest::SetUp();
        ASSERT_EQ(store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true), 0);
        for (const char* line : {":file:\n", "a.txt\n", "foo bar foo\n", "   \n"}) {
            ASSERT_EQ(store.addLine(line, true), 0);
        }
        ASSERT_EQ(store.finish(), 0);
        for (int i = 0; i < 2; ++i) {
            frame.views.push_back(std::make_unique<View>(&frame));
            View& view = *frame.views.back();
            view.setIndex(i);
            view.search.textStorePtr = &store;
            view.rows = 10;
            view.columns = 40;
            buildScreen(view);
        }
    }
    View& first() { return *frame.views[0]; }
    View& second() { return *frame.views[1]; }
    // Screen row 3 shows "foo bar foo", row 4 blank space.
    std::string attr(View& view, int row) {
        buildScreen(view);
        return view.screen.rowAttr(row);
    }

    TextStore store;
    FrameLayout frame;
};

TEST_F(HighlightViewTest, WordUnderTheCellAndScreenRows) {
    ASSERT_STREQ(first().screen.rowText(3), "foo bar foo ");
    EXPECT_EQ(wordAtCell(first(), 3, 5), "bar");
    EXPECT_EQ(wordAtCell(first(), 9, 0), "");  // the find row is no text

    highlightWordAt(first(), 3, 1, false);
    EXPECT_EQ(attr(first(), 3), ":::     ::: ");
    // Shared list: the other view shows it too.
    EXPECT_EQ(attr(second(), 3), ":::     ::: ");
    highlightWordAt(second(), 3, 2, false);
    EXPECT_EQ(attr(first(), 3), std::string(12, ' '));

    // Search hits are marked first; the highlight colours over them.
    first().search.setFindMask("bar");
    first().search.compileSearch(false);
    highlightWordAt(first(), 3, 0, false);
    EXPECT_EQ(attr(first(), 3), ":::\x20xxx\x20:::\x20");

    // Blank space clears the list.
    LogCapture log;
    highlightWordAt(first(), 4, 1, false);
    EXPECT_TRUE(sharedHighlights().empty());
    EXPECT_TRUE(log.contains("highlights reset."));
}

TEST_F(HighlightViewTest, LocalListsStayInTheirView) {
    config().setInt("localhighlight", 1);
    highlightWordAt(first(), 3, 0, false);
    EXPECT_EQ(attr(first(), 3), ":::     ::: ");
    EXPECT_EQ(attr(second(), 3), std::string(12, ' '));
    EXPECT_TRUE(sharedHighlights().empty());
    // With SHIFT every view's list changes.
    highlightWordAt(first(), 3, 5, true);
    EXPECT_EQ(attr(first(), 3), ":::\x20;;;\x20:::\x20");
    EXPECT_EQ(attr(second(), 3), "    :::     ");
    highlightWordAt(second(), 4, 0, false);
    EXPECT_TRUE(second().highlights.list.empty());
    EXPECT_FALSE(first().highlights.list.empty());
}

TEST_F(HighlightViewTest, DoubleControlPress) {
    View& view = first();
    view.nav.lastMouseRow = 3;
    view.nav.lastMouseColumn = 9;
    EXPECT_EQ(navigationKeyDown(view, kKeyControl, kModControl), 1);
    // Key repeat while CONTROL is held is not a second press.
    EXPECT_EQ(navigationKeyDown(view, kKeyControl, kModControl), 1);
    EXPECT_TRUE(sharedHighlights().empty());
    navigationKeyUp(view, kKeyControl, 0);
    EXPECT_EQ(navigationKeyDown(view, kKeyControl, kModControl), 0);
    ASSERT_EQ(sharedHighlights().entries().size(), 1u);
    EXPECT_EQ(sharedHighlights().entries()[0], "any foo");
    navigationKeyUp(view, kKeyControl, 0);

    // A key between the presses makes them a shortcut.
    navigationKeyDown(view, kKeyControl, kModControl);
    navigationKeyUp(view, kKeyControl, 0);
    navigationChar(view, 'C' - 0x40, kModControl);
    EXPECT_EQ(navigationKeyDown(view, kKeyControl, kModControl), 1);
    navigationKeyUp(view, kKeyControl, 0);
}

}  // namespace
}  // namespace tessel
