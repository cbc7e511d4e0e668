#include <gtest/gtest.h>

#include <string>

#include "app/batch_driver.h"
#include "view/view.h"

namespace tessel {
namespace {

TEST(BatchDump, HeaderRowsAndEnd) {
    ScreenBuffer screen;
    screen.writeRow(0, "hello", "xx   ");
    screen.writeRow(1, "", "");
    DumpHeader header;
    header.view = 2;
    header.topLine = 4;
    header.currentLine = 5;
    header.filterMode = 1;
    header.hits = 17;
    header.rows = 2;
    header.columns = 80;
    EXPECT_EQ(formatScreenDump(screen, header),
              "=== view 2 top=4 current=5 filter=1 hits=17 rows=2 cols=80 xoff=0 context=-1\n"
              "T|hello\n"
              "A|xx   \n"
              "T|\n"
              "A|\n"
              "=== end\n");
}

TEST(BatchDump, TextAndAttributesAreCutToTheSameLength) {
    ScreenBuffer screen;
    // Attributes reaching past the text pad the text with blanks, and the other way round;
    // trailing blanks in both are cut.
    screen.writeRow(0, "ab", "....   ");
    screen.writeRow(1, "abcdef   ", "..");
    DumpHeader header;
    header.rows = 2;
    const std::string dump = formatScreenDump(screen, header);
    EXPECT_NE(dump.find("T|ab  \nA|....\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("T|abcdef\nA|..    \n"), std::string::npos) << dump;
}

TEST(BatchDump, ControlAttributesStayOneByte) {
    ScreenBuffer screen;
    const char attr[] = {'a', '\x01', '\x1f', 'b', '\0'};
    screen.writeRow(0, "wxyz", attr);
    DumpHeader header;
    header.rows = 1;
    const std::string dump = formatScreenDump(screen, header);
    const std::string expected = std::string("A|a") + '\x81' + '\x9f' + "b\n";
    EXPECT_NE(dump.find(expected), std::string::npos);
    // The text line keeps its bytes as stored.
    EXPECT_NE(dump.find("T|wxyz\n"), std::string::npos);
}

TEST(BatchDump, TheOverlayBlockStandsBeforeTheEnd) {
    ScreenBuffer screen;
    screen.writeRow(0, "row", "");
    DumpHeader header;
    header.rows = 1;
    ScreenOverlay overlay;
    EXPECT_EQ(formatScreenDump(screen, header, &overlay),
              "=== view 1 top=0 current=0 filter=0 hits=0 rows=1 cols=0 xoff=0 context=-1\n"
              "T|row\n"
              "A|   \n"
              "=== overlay\n"
              "scrollbar none\n"
              "sidebar none\n"
              "bubble none\n"
              "=== end\n");
    overlay.scrollBar = {true, true, {90, 4, 10, 80}, {90, 20, 10, 30}};
    overlay.sidebar.push_back({SidebarButton::kFind, 70, 4, 24});
    overlay.bubble.shown = true;
    overlay.bubble.box = {10, 20, 50, 40};
    overlay.bubble.lines = {"no hit", "again"};
    EXPECT_EQ(formatOverlayDump(overlay),
              "=== overlay\n"
              "scrollbar track=90,4,10,80 thumb=90,20,10,30 active\n"
              "sidebar find=70,4,24,24\n"
              "bubble 10,20,50,40\n"
              "B|no hit\n"
              "B|again\n");
}

TEST(BatchDump, RowCountIsBoundedByTheBuffer) {
    ScreenBuffer screen;
    DumpHeader header;
    header.rows = kScreenRows + 50;
    const std::string dump = formatScreenDump(screen, header);
    size_t lines = 0;
    for (char c : dump) lines += c == '\n';
    EXPECT_EQ(lines, static_cast<size_t>(2 * kScreenRows + 2));
    header.rows = -3;
    EXPECT_EQ(formatScreenDump(screen, header).find("T|"), std::string::npos);
}

}  // namespace
}  // namespace tessel
