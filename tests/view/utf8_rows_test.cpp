#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "config/qv_config.h"
#include "text/text_store.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/word_highlights.h"

namespace tessel {
namespace {

const std::string kNi = "\xE4\xBD\xA0";  // U+4F60, two cells
const std::string kHao = "\xE5\xA5\xBD";
const std::string kUmlautU = "\xC3\xBC";
const std::string kAcute = "\xCC\x81";  // a combining mark

struct Expanded {
    std::string text;
    std::string attr;
};

Expanded expand(std::string_view line, const char* attrs, int scroll, int capacity, int tab = 4) {
    static char text[kScreenTextBytes];
    char attr[kScreenColumns + 1];
    const int cells = expandUtf8ForDisplay(line, attrs, ' ', tab, scroll, text, attr, capacity);
    Expanded out{text, attr};
    // The attributes count the cells, and the text takes exactly that many.
    EXPECT_EQ(out.attr.size(), static_cast<size_t>(cells));
    EXPECT_EQ(cellCount(out.text, true), cells);
    return out;
}

TEST(ExpandUtf8ForDisplay, CellsFollowCharactersAndEdgesNeverCutThem) {
    const std::string line = "a\t" + kNi + kHao + "e" + kAcute + "z";
    EXPECT_EQ(expand(line, nullptr, 0, 80).text, "a   " + kNi + kHao + "e" + kAcute + "z");
    // Attributes of a character's first byte cover all its cells.
    const std::string attrs = "12" + std::string(3, '3') + std::string(3, '4') + "555" + "6";
    EXPECT_EQ(expand(line, attrs.c_str(), 0, 80).attr, "1222334456");
    // The left edge cuts the first wide character: its visible half is a blank.
    EXPECT_EQ(expand(line, nullptr, 5, 80).text, " " + kHao + "e" + kAcute + "z");
    // The end of the row cuts the second one the same way.
    EXPECT_EQ(expand(line, nullptr, 0, 7).text, "a   " + kNi + " ");
    EXPECT_EQ(expand(line, nullptr, 4, 2).text, kNi);
}

TEST(ExpandUtf8ForDisplay, InvalidBytesAndLoneMarksShowWithoutLoss) {
    // 0xC3 0x28 is no sequence: the 0xC3 shows as its 1252 character in the invalid colour,
    // unless something else (a hit) colours it.
    Expanded row = expand("x\xC3(", nullptr, 0, 80);
    EXPECT_EQ(row.text, "x\xC3\x83(");
    EXPECT_EQ(row.attr, " ~ ");
    EXPECT_EQ(expand("x\xC3(", "xxx", 0, 80).attr, "xxx");
    // A mark at the start of a line stands on a no-break space.
    row = expand(kAcute + "a", nullptr, 0, 80);
    EXPECT_EQ(row.text, "\xC2\xA0" + kAcute + "a");
}

TEST(ExpandUtf8ForDisplay, AFullRowOfHeavyCharactersStaysInsideTheRowText) {
    std::string line;
    for (int i = 0; i < 900; ++i) line += "e" + kAcute + kAcute + kAcute + kAcute;
    Expanded row = expand(line, nullptr, 0, kScreenColumns);
    EXPECT_EQ(row.attr.size(), static_cast<size_t>(kScreenColumns));
    EXPECT_LT(row.text.size(), static_cast<size_t>(kScreenTextBytes));
    std::string emoji;
    for (int i = 0; i < 900; ++i) emoji += "\xF0\x9F\x98\x80";
    EXPECT_EQ(expand(emoji, nullptr, 1, kScreenColumns).text.size(), 1 + 399 * 4 + 1u);
}

class Utf8ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(kCodePageUtf8);
        textOptions() = TextOptions{};
        config().setInt("assist", 0);
        view.search.textStorePtr = &store;
        view.rows = 8;
        view.columns = 40;
        view.clientWidth = 400;
        view.tabSize = 4;
    }
    void TearDown() override {
        codePageTables().init(1252);
        config().setInt("assist", 1);
    }
    void feed(std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) ASSERT_EQ(store.addLine(line.c_str(), true), 0);
        ASSERT_EQ(store.finish(), 0);
    }
    std::string text(int row) const { return view.screen.rowText(row); }
    std::string attr(int row) const { return view.screen.rowAttr(row); }

    TextStore store;
    View view;
};

TEST_F(Utf8ScreenTest, HitsAndTheFindRowCountCells) {
    feed({kNi + kHao + " Gr" + kUmlautU + "\xC3\x9F" + "e \xC3\x9C" + "BER\n"});
    view.search.setFindMask("\xC3\xBC" "ber");
    view.search.compileSearch(false);
    view.search.hitCount = 1;
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(attr(0), std::string(11, ' ') + "xxxx ");  // the stored newline shows as a blank
    // The cursor stands after the four characters of the mask, not after its five bytes.
    const std::string find = text(view.rows - 1);
    ASSERT_EQ(find.substr(0, 7), "find: >");
    EXPECT_EQ(attr(view.rows - 1)[11], 'e');
    EXPECT_EQ(cellCount(find, true), 40);

    // A click on either cell of a wide character takes its word; on a cell of a Latin word,
    // the word with its letters beyond ASCII.
    EXPECT_EQ(wordAtCell(view, 0, 1), kNi + kHao);
    EXPECT_EQ(wordAtCell(view, 0, 3), kNi + kHao);
    EXPECT_EQ(wordAtCell(view, 0, 8), "Gr" + kUmlautU + "\xC3\x9F" + "e");
    EXPECT_EQ(view.screen.byteOfCell(0, 3), 3u);
    EXPECT_EQ(view.screen.byteOfCell(0, 4), 6u);
}

TEST_F(Utf8ScreenTest, HorizontalScrollAndLongLinesKeepCharactersWhole) {
    std::string line;
    for (int i = 0; i < 3000; ++i) line += kNi;
    feed({line + "\n"});
    view.display.scrollColumn = 1;
    buildScreen(view);
    EXPECT_EQ(text(0).substr(0, 1), " ");
    EXPECT_EQ(cellCount(text(0), true), 40);
    EXPECT_EQ(attr(0).size(), 40u);
    // Far to the right the row still shows whole characters, read from the stored line.
    view.display.scrollColumn = 4000;
    buildScreen(view);
    EXPECT_EQ(text(0), [] {
        std::string row;
        for (int i = 0; i < 20; ++i) row += kNi;
        return row;
    }());
}

}  // namespace
}  // namespace tessel
