#include "bookmarks/bookmark_export.h"

#include <gtest/gtest.h>

#include <string>

#include "bookmark_test_support.h"

namespace tessel {
namespace {

using testing::BookmarkTest;
using testing::LogCapture;

class ExportTest : public BookmarkTest {
  protected:
    void SetUp() override {
        BookmarkTest::SetUp();
        std::vector<std::string> lines = testing::numberedLines("alpha", 200);
        lines[6] = "see: seven [old] notes";
        testing::fillStore(
            store, {{"/w/a.txt", lines}, {"/w/b b.txt ", testing::numberedLines("beta", 50)}});
    }
};

TEST_F(ExportTest, ExportThenImportKeepsTheLines) {
    mark(1, 7, "seven [old] notes");
    copyField(view.find.text, "Heading");
    addBookmark(list, view, 2, kAddRemark);
    mark(2, 40, "");
    const std::string text = exportBookmarks(list);
    EXPECT_EQ(text,
              ":tessel-bookmarks,1.0\r\n"
              "seven [old] notes [ line 7 in /w/a.txt ]\r\n"
              "Heading [ remark ]\r\n"
              " [ line 40 in /w/b b.txt ]\r\n");

    const int line7 = list.at(0).pos.currentLine;
    const int line40 = list.at(2).pos.currentLine;
    LogCapture log;
    ASSERT_EQ(importBookmarks(list, text, view, true), 0);
    ASSERT_EQ(list.count(), 3);
    EXPECT_STREQ(list.at(0).pos.label, "seven [old] notes");
    EXPECT_EQ(list.at(0).pos.currentLine, line7);
    EXPECT_EQ(list.at(0).pos.tabSize, view.tabSize);
    EXPECT_EQ(list.at(1).pos.remark, 1);
    EXPECT_EQ(list.at(2).pos.currentLine, line40);
    EXPECT_TRUE(list.changed);
    EXPECT_TRUE(log.contains("bookmarks imported."));
    EXPECT_EQ(exportBookmarks(list), text);
}

TEST_F(ExportTest, ImportRepairsShiftedLinesAndKeepsAtMostAHundred) {
    std::string text = ":tessel-bookmarks,1.0\n";
    text += "alpha 50 [ line 47 in /w/a.txt ]\n";  // off by three: found by its title
    for (int i = 0; i < 149; ++i) text += "x" + std::to_string(i) + " [ line 5 in a.txt ]\r\n";
    text += "last line without end [ remark ]";
    ASSERT_EQ(importBookmarks(list, text, view, false), 0);
    EXPECT_EQ(list.count(), kBookmarkSlots);
    EXPECT_EQ(list.at(0).pos.currentLine, testing::globalLine(store, 1, 50));
    EXPECT_STREQ(list.at(99).pos.label, "x98");

    ASSERT_EQ(importBookmarks(list, ":tessel-bookmarks,1.0\r\n", view, false), 0);
    EXPECT_EQ(list.count(), 0);
}

TEST_F(ExportTest, TheMostSeriousFailureIsReported) {
    struct Case {
        const char* lines;
        const char* status;
    };
    const Case cases[] = {
        {"short\n", "line(s) too short during import"},
        {"no bracket here\nshort\n", "wrong line format during import"},
        {"a [ line 3 in /none.txt ]\nshort\n", "filename(s) mismatch during import"},
        {"a [ line 3 in /w/a.txt ]\nfine [ remark ]\n", "bookmarks imported."},
        {"zzz [ line 3 in /w/a.txt ]\nbad [ line x in a ]\n", "content mismatch during import"},
        {"a [ line 3 of /w/a.txt ]\n", "wrong line format during import"},
    };
    appSettings().farBookSearch = 0;
    for (const Case& c : cases) {
        LogCapture log;
        ASSERT_EQ(
            importBookmarks(list, std::string(":tessel-bookmarks,1.0\n") + c.lines, view, false),
            0);
        EXPECT_TRUE(log.contains(c.status)) << c.lines;
    }
    // The failed placement stays in the list, marked.
    EXPECT_EQ(list.count(), 0);
    importBookmarks(list, ":tessel-bookmarks,1.0\na [ line 3 in /none.txt ]\n", view, false);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).pos.loadFailed, 1);
    EXPECT_EQ(exportBookmarks(list), ":tessel-bookmarks,1.0\r\na [ line 3 in /none.txt ]\r\n");
}

TEST_F(ExportTest, OtherTextIsNotImportedAndADamagedHeaderLosesNothing) {
    mark(1, 3, "kept");
    EXPECT_EQ(importBookmarks(list, "plain text", view, false), kImportNotBookmarkText);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(importBookmarks(list, "plain text", view, true), kImportNotBookmarkText);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].substr(0, 24), "cannot import bookmarks|");

    LogCapture log;
    EXPECT_EQ(importBookmarks(list, ":tessel-bookmarks,1.0", view, false), 9);
    EXPECT_TRUE(log.contains("bookmark import error: wrong format, missing line end"));
    EXPECT_EQ(list.count(), 1);
}

TEST_F(ExportTest, ExportStopsBeforeTheTextLimit) {
    for (int k = 1; k <= 60; ++k) mark(1, k, std::string(200, 'a' + k % 26).c_str());
    const std::string text = exportBookmarks(list);
    EXPECT_LT(text.size(), kExportTextLimit);
    EXPECT_GT(text.size() + 230, kExportTextLimit);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
}  // namespace tessel
