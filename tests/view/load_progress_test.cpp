#include "view/load_progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/qv_config.h"
#include "base/codepage/code_page_tables.h"
#include "text/text_store.h"
#include "base/log/message_log.h"
#include "view/screen_builder.h"
#include "view/view.h"

namespace tessel {
namespace {

const std::string kIndent(10, ' ');

std::string rowText(const View& view, int row) {
    return view.screen.rowText(row);
}

TEST(ProgressLineFit, PathsAreShortenedFromTheLeftAtASeparator) {
    const std::string path = kIndent + "/data/projects/alpha/source/module/file.cpp";
    // Wide views keep the whole path.
    EXPECT_EQ(fitProgressLine(path, true, 200), path);
    // 70 columns leave 40 characters for the path.
    const std::string fitted = fitProgressLine(path, true, 70);
    EXPECT_EQ(fitted.substr(0, 10), kIndent);
    const std::string shown = fitted.substr(10);
    EXPECT_LE(shown.size(), 40u);
    EXPECT_EQ(shown.substr(0, 4), ".../");
    EXPECT_EQ(shown.substr(shown.size() - 8), "file.cpp");
    // Never more than 100 characters, however wide the view.
    const std::string longPath = kIndent + "/" + std::string(300, 'd') + "/x/" + "name.txt";
    const std::string capped = fitProgressLine(longPath, true, 800);
    EXPECT_LE(capped.size(), 110u);
    EXPECT_EQ(capped.substr(capped.size() - 8), "name.txt");
    // A narrow view still gets a short tail, and no row passes the view's width.
    EXPECT_LE(fitProgressLine(path, true, 12).size(), 12u);
}

class LoadRowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        config().setInt("assist", 0);
        statusInfo().infoText[0] = '\0';
        view.search.textStorePtr = &store;
        view.rows = 22;
        view.columns = 60;
        progress.showText = false;
        progress.showFull = false;
    }
    void TearDown() override {
        config().setInt("assist", 1);
        store.loadRunning = false;
    }

    TextStore store;
    View view;
    LoadProgress progress;
};

TEST_F(LoadRowsTest, ProgressStartsAQuarterDownAndPathsFitTheView) {
    progress.publish({kIndent + "loading 1 files, 0 mb."});
    EXPECT_EQ(buildLoadRows(view, progress, 20, 60), 1) << "no load runs: nothing drawn";
    progress.begin();
    const std::string path = kIndent + "/home/user/projects/tessel/source/deep/inside/file.txt";
    progress.publish(
        {kIndent + "loading 2 files, 10 lines, 0 mb.", kIndent + "file   filter: .txt", path});
    ASSERT_EQ(buildLoadRows(view, progress, 20, 60), 0);
    EXPECT_EQ(rowText(view, 4), "");
    EXPECT_EQ(rowText(view, 5), kIndent + "loading 2 files, 10 lines, 0 mb.");
    EXPECT_EQ(rowText(view, 6), kIndent + "file   filter: .txt");
    const std::string shown = rowText(view, 7);
    EXPECT_EQ(shown.substr(10, 3), "...");
    EXPECT_LE(shown.size(), 40u);
    EXPECT_EQ(shown.substr(shown.size() - 8), "file.txt");
    progress.end();
    EXPECT_EQ(buildLoadRows(view, progress, 20, 60), 1);
}

TEST_F(LoadRowsTest, LoadShowFillsTheTopQuarterOrTheWholeView) {
    store.loadRunning = true;  // a load of this store, started elsewhere
    progress.showText = true;
    std::string text;
    for (int i = 0; i < 400; ++i) text += static_cast<char>('a' + i % 26);
    progress.show.reset();
    progress.show.add(text.data(), text.size());
    progress.publish({kIndent + "loading 1 files, 0 mb."});
    ASSERT_EQ(buildLoadRows(view, progress, 20, 60), 0);
    // Five rows above the progress line hold the newest 300 characters.
    const std::string shown(progress.show.text().substr(progress.show.text().size() - 300));
    EXPECT_EQ(rowText(view, 0), shown.substr(0, 60));
    EXPECT_EQ(rowText(view, 4), shown.substr(240, 60));
    EXPECT_EQ(rowText(view, 6), "");
    EXPECT_EQ(view.screen.rowAttr(0)[0], 'g');

    progress.showFull = true;
    view.screen.reset();
    ASSERT_EQ(buildLoadRows(view, progress, 20, 60), 0);
    // The newest text now sits below the progress line, the older above it.
    const std::string all(progress.show.text());
    EXPECT_EQ(rowText(view, 5), kIndent + "loading 1 files, 0 mb.");
    EXPECT_EQ(rowText(view, 6).substr(0, 10), all.substr(0, 10));
    EXPECT_EQ(rowText(view, 0), "");
}

TEST_F(LoadRowsTest, ScreenShowsProgressInsteadOfTheTextWhileLoading) {
    ASSERT_EQ(store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true), 0);
    ASSERT_EQ(store.addLine(":file:\n", true), 0);
    ASSERT_EQ(store.addLine("a.txt\n", true), 0);
    ASSERT_EQ(store.addLine("visible text\n", true), 0);
    ASSERT_EQ(store.finish(), 0);
    buildScreen(view);
    bool textShown = false;
    for (int row = 0; row < 20; ++row) textShown |= rowText(view, row).find("visible") == 0;
    EXPECT_TRUE(textShown);

    store.loadRunning = true;
    loadProgress().begin();
    loadProgress().publish({kIndent + "loading 3 files, 0 mb."});
    buildScreen(view);
    for (int row = 0; row < 20; ++row)
        EXPECT_EQ(rowText(view, row).find("visible"), std::string::npos) << row;
    EXPECT_EQ(rowText(view, 20 / 4), kIndent + "loading 3 files, 0 mb.");
    EXPECT_EQ(rowText(view, 21).substr(0, 5), "find:");
    EXPECT_TRUE(view.screen.valid);
    loadProgress().end();
}

}  // namespace
}  // namespace tessel
