#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_list.h"
#include "bookmarks/bookmark_relocation.h"
#include "config/qv_config.h"
#include "three_files_test_base.h"
#include "view/bookmark_commands.h"
#include "view/bookmark_host.h"
#include "view/bookmark_panel.h"
#include "view/navigation.h"
#include "view/view_positions.h"

namespace tessel {
namespace {

// Every character 8 pixels wide, lines 12 pixels high.
TextMeasure fixedMeasure() {
    TextMeasure measure;
    measure.width = [](std::string_view text) { return static_cast<int>(text.size()) * 8; };
    measure.lineHeight = 12;
    return measure;
}

struct StoredFile {
    const char* name;
    std::vector<const char*> lines;
};

// A store made again from scratch, as a reload leaves it: the stream header, then ":file:",
// the name and the lines of each file.
void fillStore(TextStore& store, const std::vector<StoredFile>& files) {
    store.clear();
    store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true);
    for (const StoredFile& file : files) {
        store.addLine(":file:\n", true);
        store.addLine((std::string(file.name) + "\n").c_str(), true);
        for (const char* line : file.lines) store.addLine((std::string(line) + "\n").c_str(), true);
    }
    store.finish();
}

class BookmarkViewTest : public testing::ThreeFilesTest {
  protected:
    void SetUp() override {
        ThreeFilesTest::SetUp();
        config().setText("historymaxsteps", "15");
        BookmarkList& list = bookmarkList();
        list.clearEntries();
        list.storePtr = &store;
        list.host = &silentHost;
        list.openSet = 1;
        list.selected = -1;
        view.clientWidth = 640;
        view.clientHeight = 320;
        view.lineHeight = 20;
    }
    void TearDown() override {
        BookmarkList& list = bookmarkList();
        list.clearEntries();
        list.storePtr = nullptr;
        list.host = nullptr;
        list.openSet = kNoBookmarkSet;
        ThreeFilesTest::TearDown();
    }

    // `count` bookmarks on line 3, the last one selected.
    void addMarks(int count) {
        for (int i = 0; i < count; ++i) {
            ViewPosition position = capturePosition(view);
            ASSERT_EQ(addBookmark(bookmarkList(), position, 3, kAddMark), 0);
        }
    }

    void typeMask(const char* mask) {
        view.search.setFindMask(mask);
        view.search.compileSearch(false);
    }

    BookmarkHost silentHost;
};

TEST_F(BookmarkViewTest, ListRowsStandBesideTextRowsAndTheirZonesAct) {
    loadThreeFiles();
    EXPECT_FALSE(bookmarkPanelShape(view, bookmarkList(), fixedMeasure()).shown);
    addMarks(3);

    const BookmarkPanelShape panel = bookmarkPanelShape(view, bookmarkList(), fixedMeasure());
    ASSERT_TRUE(panel.shown);
    ASSERT_EQ(panel.rows.size(), 3u);
    EXPECT_TRUE(panel.zones);
    EXPECT_EQ(panel.rowHeight, view.lineHeight);
    EXPECT_EQ(panel.box.y % view.lineHeight, 0);
    EXPECT_TRUE(panel.rows[2].selected);
    EXPECT_EQ(panel.rows[0].text, "int main ");  // the line's text stands for a missing label

    const int y = panel.rows[1].box.y + 1;
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge - 40, y).zone, BookmarkZone::kSelect);
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge + 4, y).zone, BookmarkZone::kSelect);
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge + 5, y).zone, BookmarkZone::kToggleContext);
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge + 22, y).zone, BookmarkZone::kToggleContext);
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge + 23, y).zone, BookmarkZone::kRemove);
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge + 23, y).index, 1);
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge + 51, y).zone, BookmarkZone::kNone);
    EXPECT_EQ(bookmarkPanelHit(panel, panel.edge, panel.box.bottom()).zone, BookmarkZone::kNone);

    // In a view narrower than twice the list's minimum width every click selects.
    view.clientWidth = 2 * kBookmarkListMinWidth - 1;
    const BookmarkPanelShape narrow = bookmarkPanelShape(view, bookmarkList(), fixedMeasure());
    ASSERT_TRUE(narrow.shown);
    EXPECT_FALSE(narrow.zones);
    EXPECT_EQ(bookmarkPanelHit(narrow, narrow.edge + 30, narrow.rows[0].box.y).zone,
              BookmarkZone::kSelect);

    view.bookmarksHidden = true;
    EXPECT_FALSE(bookmarkPanelShape(view, bookmarkList(), fixedMeasure()).shown);
}

TEST_F(BookmarkViewTest, TheListScrollsToItsSelectedEntry) {
    loadThreeFiles();
    addMarks(40);
    const BookmarkPanelShape panel = bookmarkPanelShape(view, bookmarkList(), fixedMeasure());
    ASSERT_TRUE(panel.shown);
    ASSERT_FALSE(panel.rows.empty());
    EXPECT_LT(panel.rows.size(), 40u);
    EXPECT_EQ(panel.rows.back().index, 39);
    EXPECT_TRUE(panel.rows.back().selected);
    EXPECT_LE(panel.box.bottom(), (view.rows - 2) * view.lineHeight);
}

TEST_F(BookmarkViewTest, SelectingRestoresTheSearchUnlessItsContextIsIgnored) {
    loadThreeFiles();
    typeMask("alpha");
    view.search.topLine = 2;
    view.search.currentLine = 7;
    ASSERT_EQ(createBookmarkAt(view, 7, 2), 0);
    const ViewPosition& entry = bookmarkList().at(0).pos;
    EXPECT_STREQ(entry.find.text, "alpha");
    EXPECT_STREQ(entry.lineText, "alpha beta ");

    // Elsewhere with another search: selecting brings the mask and the place back.
    typeMask("value");
    view.search.topLine = 9;
    view.search.currentLine = 10;
    ASSERT_EQ(selectBookmarkEntry(view, 0, false), 0);
    EXPECT_STREQ(view.search.findMask, "alpha");
    EXPECT_EQ(view.search.currentLine, 7);
    EXPECT_EQ(view.search.topLine, 2);

    // A step back returns to where the view stood before the jump: one history for both.
    ASSERT_EQ(historyBack(view), 0);
    EXPECT_STREQ(view.search.findMask, "value");
    EXPECT_EQ(view.search.currentLine, 10);

    // With its context ignored the bookmark moves the view but keeps the view's masks.
    ASSERT_EQ(toggleContext(bookmarkList(), 0), 0);
    ASSERT_EQ(selectBookmarkEntry(view, 0, false), 0);
    EXPECT_STREQ(view.search.findMask, "value");
    EXPECT_EQ(view.search.currentLine, 7);
    EXPECT_STREQ(bookmarkList().at(0).pos.find.text, "alpha");
}

TEST_F(BookmarkViewTest, SwitchingSetsWithoutFilesLeavesAnEmptyList) {
    loadThreeFiles();
    setBookmarkBase("/nonexistent-tessel-folder/zz-test");
    addMarks(1);
    bookmarkList().changed = false;
    switchBookmarkSet(view, 2);
    EXPECT_EQ(bookmarkList().openSet, 2);
    EXPECT_EQ(bookmarkList().count(), 0);
}

TEST_F(BookmarkViewTest, TheReloadStepsFollowALineThatMovedInItsFile) {
    fillStore(store, {{"src/one.cpp", {"a", "b", "target", "c"}}, {"src/two.h", {"x", "y"}}});
    const int target = store.blockAt(1)->nameLine() + 3;
    ASSERT_EQ(createBookmarkAt(view, target, 0), 0);
    Bookmark& entry = bookmarkList().at(0);

    bookmarksBeforeReload();
    fillStore(store, {{"src/one.cpp", {"new", "new", "a", "b", "target", "c"}},
                      {"src/two.h", {"x", "y"}}});
    EXPECT_EQ(bookmarksAfterReload(view), 0);
    EXPECT_EQ(entry.pos.currentLine, store.blockAt(1)->nameLine() + 5);
    EXPECT_EQ(entry.pos.loadFailed, 0);
}

}  // namespace
}  // namespace tessel
