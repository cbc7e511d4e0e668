#include "bookmarks/bookmark_list.h"

#include <gtest/gtest.h>

#include <string>

#include "bookmark_test_support.h"

namespace tessel {
namespace {

using testing::BookmarkTest;
using testing::LogCapture;

class BookmarkListTest : public BookmarkTest {
  protected:
    void SetUp() override {
        BookmarkTest::SetUp();
        testing::fillStore(store, {{"/w/a.txt", testing::numberedLines("alpha", 30)},
                                   {"/w/b.txt", testing::numberedLines("beta", 30)}});
    }
    std::string labelAt(int index) const { return list.at(index).pos.label; }
    void addControl(int control, const char* title) {
        config().setVar(kFirstVariableId + kControlFields * control, "4");
        config().setVar(kFirstVariableId + kControlFields * control + 3, "run");
        config().setVar(kFirstVariableId + kControlFields * control + 4, title);
    }
};

TEST_F(BookmarkListTest, NewEntriesGoBelowTheSelectionOrToTheBottom) {
    for (int k = 1; k <= 5; ++k) mark(1, k, ("m" + std::to_string(k)).c_str());
    list.selected = 3;
    ASSERT_EQ(mark(1, 10, "new"), 0);
    EXPECT_EQ(labelAt(4), "new");
    EXPECT_EQ(labelAt(5), "m5");
    EXPECT_EQ(list.selected, 4);
    EXPECT_EQ(list.at(4).pos.lineText, std::string("alpha 10 "));

    config().setInt("addbmbottom", 1);
    list.selected = 1;
    ASSERT_EQ(mark(1, 11, "bottom"), 0);
    EXPECT_EQ(labelAt(6), "bottom");
    EXPECT_EQ(list.count(), 7);

    // Script entries below the selection stay together: the new entry goes after them.
    config().setInt("addbmbottom", 0);
    makeScriptEntry(list.at(7), 0, "script a");
    makeScriptEntry(list.at(8), 1, "script b");
    list.selected = 6;
    mark(1, 12, "after scripts");
    EXPECT_EQ(labelAt(7), "script a");
    EXPECT_EQ(labelAt(9), "after scripts");
}

TEST_F(BookmarkListTest, TheNinetySixthBookmarkIsRefused) {
    for (int i = 0; i < kBookmarkAddLimit; ++i) ASSERT_EQ(mark(1, 1 + i % 30), 0) << i;
    LogCapture log;
    EXPECT_FALSE(canAddBookmark(list));
    EXPECT_EQ(mark(1, 2), 1);
    EXPECT_EQ(list.count(), kBookmarkAddLimit);
    EXPECT_TRUE(log.contains("no space left in bookmark entries"));

    list.openSet = kNoBookmarkSet;  // a closed set takes nothing
    list.clearEntries();
    EXPECT_EQ(mark(1, 2), 1);
    EXPECT_EQ(list.count(), 0);
}

TEST_F(BookmarkListTest, RemarksTakeTheFindMaskAndReplaceASelectedRemark) {
    copyField(view.find.text, "chapter one");
    ASSERT_EQ(addBookmark(list, view, 5, kAddRemark), 0);
    EXPECT_EQ(list.at(0).pos.remark, 1);
    EXPECT_EQ(labelAt(0), "chapter one");
    EXPECT_STREQ(view.find.text, "");

    copyField(view.find.text, "chapter 1");
    list.selected = 0;
    ASSERT_EQ(addBookmark(list, view, 5, kChangeRemark), 0);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(labelAt(0), "chapter 1");
}

TEST_F(BookmarkListTest, RemovingMovesTheSelectionAndFreesAScriptControl) {
    for (int k = 1; k <= 3; ++k) mark(1, k, ("m" + std::to_string(k)).c_str());
    list.selected = 2;
    ASSERT_EQ(removeBookmark(list, 2), 0);
    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(list.count(), 2);

    addControl(4, "tool");
    makeScriptEntry(list.at(2), 4, "tool");
    ASSERT_EQ(removeBookmark(list, 2), 0);
    EXPECT_EQ(config().getVar(kFirstVariableId + kControlFields * 4 + 4), "");
    EXPECT_EQ(config().getVar(kFirstVariableId + kControlFields * 4), "");

    LogCapture log;
    EXPECT_EQ(removeBookmark(list, 100), 9);
    EXPECT_TRUE(log.contains("int. error #1"));
}

TEST_F(BookmarkListTest, MovingKeepsScriptEntriesTogetherAndInControlOrder) {
    mark(1, 1, "a");
    addControl(0, "first");
    addControl(1, "second");
    makeScriptEntry(list.at(1), 0, "first");
    makeScriptEntry(list.at(2), 1, "second");
    mark(1, 2, "b");  // selected was 0: goes after the scripts, to 3
    ASSERT_EQ(labelAt(3), "b");

    // An ordinary entry passes the whole group.
    list.selected = 3;
    ASSERT_EQ(moveBookmark(list, -1), 0);
    EXPECT_EQ(labelAt(1), "b");
    EXPECT_EQ(labelAt(2), "first");
    EXPECT_EQ(list.selected, 1);

    // A script entry at the group's edge moves the group.
    list.selected = 2;
    ASSERT_EQ(moveBookmark(list, -1), 0);
    EXPECT_EQ(labelAt(1), "first");
    EXPECT_EQ(labelAt(2), "second");
    EXPECT_EQ(labelAt(3), "b");

    // Two script entries swap, and so do their controls.
    list.selected = 1;
    ASSERT_EQ(moveBookmark(list, 1), 0);
    EXPECT_EQ(labelAt(1), "second");
    EXPECT_EQ(scriptControlOf(list.at(1).pos), 0);
    EXPECT_EQ(config().getVar(kFirstVariableId + 4), "second");
    EXPECT_EQ(config().getVar(kFirstVariableId + kControlFields + 4), "first");

    list.selected = 0;
    EXPECT_EQ(moveBookmark(list, -1), 1);
}

TEST_F(BookmarkListTest, IndentingMovesTheEntryAndItsDeeperFollowers) {
    for (const char* label : {"top", " child", "  grandchild", "next"}) mark(1, 1, label);
    list.selected = 1;
    ASSERT_EQ(indentBookmarks(list, 1), 0);
    EXPECT_EQ(labelAt(1), "  child");
    EXPECT_EQ(labelAt(2), "   grandchild");
    EXPECT_EQ(labelAt(3), "next");
    ASSERT_EQ(indentBookmarks(list, -1), 0);
    EXPECT_EQ(labelAt(1), " child");
    list.selected = 0;
    EXPECT_EQ(indentBookmarks(list, -1), 1);  // nothing left of the margin

    std::string full(kPositionTextChars, 'x');
    copyField(list.at(3).pos.label, full);
    list.selected = 3;
    indentBookmarks(list, 1);
    EXPECT_EQ(labelAt(3), full);
}

TEST_F(BookmarkListTest, ContextTogglesOnlyWithSearchContext) {
    mark(1, 1);
    LogCapture log;
    EXPECT_EQ(toggleContext(list, 0), 1);
    EXPECT_TRUE(log.contains("[note] this bookmark has no search context."));
    copyField(list.at(0).pos.pathMask, "a.txt");
    EXPECT_EQ(toggleContext(list, 0), 0);
    EXPECT_EQ(list.at(0).pos.ignoreContext, 1);
    EXPECT_TRUE(log.contains("[note] ignoring search context."));
    toggleContext(list, 0);
    EXPECT_TRUE(log.contains("[note] using search context."));
}

TEST_F(BookmarkListTest, SelectingRestoresContextUnlessIgnored) {
    copyField(view.find.text, "alpha");
    copyField(view.pathMask, "a.txt");
    view.tabSize = 8;
    mark(1, 7, "with context");
    ViewPosition target;
    copyField(target.find.text, "other");
    copyField(target.pathMask, "b.txt");
    target.extras.accentSensitive = 0;
    target.tabSize = 2;

    ASSERT_EQ(selectBookmark(list, 0, target), 0);
    EXPECT_STREQ(target.find.text, "alpha");
    EXPECT_STREQ(target.pathMask, "a.txt");
    EXPECT_EQ(target.currentLine, testing::globalLine(store, 1, 7));
    EXPECT_EQ(target.tabSize, 8);
    EXPECT_EQ(target.extras.accentSensitive, 0);  // the view's own flag stays

    list.at(0).pos.ignoreContext = 1;
    copyField(target.find.text, "other");
    copyField(target.pathMask, "b.txt");
    target.currentLine = 0;
    ASSERT_EQ(selectBookmark(list, 0, target), 0);
    EXPECT_STREQ(target.find.text, "other");
    EXPECT_STREQ(target.pathMask, "b.txt");
    EXPECT_EQ(target.currentLine, testing::globalLine(store, 1, 7));
    EXPECT_EQ(target.cursorLine, target.currentLine);

    // Without "bookmarktabsize" the view keeps its tab size; SHIFT selects the file.
    config().setInt("bookmarktabsize", 0);
    target.tabSize = 5;
    SelectRequest shift;
    shift.shift = true;
    selectBookmark(list, 0, target, shift);
    EXPECT_EQ(target.tabSize, 5);
    EXPECT_STREQ(target.pathMask, "/w/a.txt");
    EXPECT_EQ(target.pathFileCount, 1);
    EXPECT_EQ(target.pathFirstLine, store.blockAt(1)->headerLine());
}

TEST_F(BookmarkListTest, SelectingRemarksShowsEditsOrRunsScripts) {
    copyField(view.find.text, "heading");
    addBookmark(list, view, 3, kAddRemark);
    makeScriptEntry(list.at(1), 6, "tool");
    ViewPosition target;
    SelectRequest request;
    request.nowMs = 1000;
    EXPECT_EQ(selectBookmark(list, 0, target, request), kSelectShowRemark);
    request.nowMs = 1300;
    EXPECT_EQ(selectBookmark(list, 0, target, request), kSelectEditRemark);
    request.nowMs = 5000;
    EXPECT_EQ(selectBookmark(list, 0, target, request), kSelectShowRemark);
    int control = -1;
    request.control = &control;
    EXPECT_EQ(selectBookmark(list, 1, target, request), kSelectRunScript);
    EXPECT_EQ(control, 6);
    EXPECT_EQ(list.selected, 1);
}

TEST(ViewPositionTest, FieldsAreCutAndHighlightsPackedWithinTheirCapacity) {
    ViewPosition pos;
    copyField(pos.label, std::string(600, 'y'));
    EXPECT_EQ(std::string(pos.label).size(), static_cast<size_t>(kPositionTextChars));
    copyField(pos.label, std::string("a\0b", 3));
    EXPECT_STREQ(pos.label, "a");

    std::vector<std::string> words = {"any red", "blue sky", std::string(1990, 'w'), "last"};
    EXPECT_EQ(packHighlights(words, pos), 3);  // the long one does not fit after the others
    EXPECT_EQ(unpackHighlights(pos), (std::vector<std::string>{"any red", "blue sky", "last"}));
    EXPECT_EQ(pos.highlightSize, 8 + 9 + 5);
}

}  // namespace
}  // namespace tessel
