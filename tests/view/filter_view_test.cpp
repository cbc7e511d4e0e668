#include "view/filter_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "fake_view_host.h"
#include "platform/key_codes.h"
#include "test_support.h"
#include "text/text_store.h"
#include "three_files_test_base.h"
#include "view/view.h"

namespace tessel {
namespace {

using testing::LogCapture;
using Rows = std::vector<std::string>;

class FilterViewTest : public testing::ThreeFilesTest {
  protected:
    void filterFor(const char* mask) {
        view.search.setFindMask(mask);
        ASSERT_EQ(toggleFilter(view, 1), 0);
    }
    Rows rows() const {
        Rows out;
        // Header lines keep room for their attributes: blanks at the end count as one.
        for (const char* row : view.display.filterRows) {
            std::string text = row ? row : "(null)";
            const size_t end = text.find_last_not_of(' ');
            if (end != std::string::npos && end + 2 < text.size()) text.resize(end + 2);
            out.push_back(text);
        }
        EXPECT_EQ(static_cast<int>(out.size()), view.filteredLineCount);
        return out;
    }
    uint16_t marks(int line) const { return view.filter.rowMarks[static_cast<size_t>(line)]; }
};

TEST_F(FilterViewTest, HitsInThreeFilesGetHeaderGroups) {
    loadThreeFiles();
    LogCapture log;
    filterFor("alpha");
    EXPECT_EQ(view.filterMode, FilterMode::kFiltered);
    EXPECT_TRUE(log.contains("filtered view."));
    EXPECT_EQ(rows(), (Rows{kFilterTitle, "", ":file: ", "src/one.cpp ", "return alpha ", " ",
                            ":file: ", "src/two.h ", "alpha beta ", " ",
                            ":file: ", "doc/readme.txt ", "alpha again "}));
    EXPECT_EQ(view.search.hitCount, 3);
    EXPECT_EQ(view.filter.firstHitLine, 4);
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kDone);
    // Names are shown headers, hits are shown and marked; the prefix lines only stand above.
    EXPECT_EQ(marks(2) & 0xFF00, kMarkShown | kMarkHeader);
    EXPECT_EQ(marks(4) & 0xFF00, kMarkShown | kMarkHit);
    EXPECT_EQ(marks(1) & 0xFF00, 0);
    EXPECT_EQ(marks(3) & 0xFF00, 0);
    // Rows carry their line's kind; header and separator rows are kind 0.
    uint32_t mask = 0;
    store.lineTextAndMask(4, &mask);
    EXPECT_EQ(marks(4) & 0xFF, mask & 0xFF);
    EXPECT_EQ(filterRowLine(view, 0), -1);
    EXPECT_EQ(filterRowLine(view, 3), 2);
    EXPECT_EQ(filterRowLine(view, 5), -1);
    EXPECT_EQ(filterRowLine(view, 13), -1);

    // A narrower mask drops the old marks.
    view.search.setFindMask("beta");
    ASSERT_EQ(updateFilter(view, false, false), 0);
    EXPECT_EQ(rows(), (Rows{kFilterTitle, "", ":file: ", "src/two.h ", "alpha beta "}));
    EXPECT_EQ(marks(4) & 0xFF00, 0);
    EXPECT_EQ(marks(2) & 0xFF00, 0);

    ASSERT_EQ(toggleFilter(view, 1), 0);
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_TRUE(view.display.filterRows.empty());
    EXPECT_TRUE(log.contains("normal view."));
}

TEST_F(FilterViewTest, HitOnTheNameLineShowsItOnceAndNamesCanBeHidden) {
    loadThreeFiles();
    LogCapture log;
    filterFor("one.cpp OR main");
    EXPECT_EQ(rows(), (Rows{kFilterTitle, "", ":file: ", "src/one.cpp ", "int main "}));
    EXPECT_EQ(view.search.hitCount, 2);
    EXPECT_EQ(marks(2) & 0xFF00, kMarkShown | kMarkHeader | kMarkHit);

    ASSERT_EQ(toggleFileNames(view), 0);
    EXPECT_TRUE(log.contains("filename display disabled."));
    EXPECT_EQ(rows(), (Rows{kFilterTitle, "", "src/one.cpp ", "int main "}));
    EXPECT_EQ(marks(2) & 0xFF00, kMarkShown | kMarkHit);
    EXPECT_EQ(view.search.hitCount, 2);
    ASSERT_EQ(toggleFileNames(view), 0);
    EXPECT_TRUE(log.contains("filename display enabled."));

    leaveFilter(view, true);
    EXPECT_EQ(toggleFileNames(view), 1);
    EXPECT_TRUE(log.contains("no filtered view is active."));
}

TEST_F(FilterViewTest, FileListShowsOneRowPerSelectedFile) {
    loadThreeFiles();
    LogCapture log;
    view.search.setPathMask("src");
    ASSERT_EQ(filterCommand(view), 0);
    EXPECT_EQ(view.filterMode, FilterMode::kFileList);
    EXPECT_TRUE(log.contains("list of files."));
    EXPECT_EQ(rows(), (Rows{kFileListTitle, "", "src/one.cpp ", "src/two.h "}));
    EXPECT_EQ(filterRowLine(view, 3), 6);
    EXPECT_EQ(marks(6) & 0xFF00, kMarkShown | kMarkHeader);

    // Clicking a file opens it in the full text with its first lines on screen.
    view.search.lockRows = 1;
    ASSERT_EQ(enterTextAt(view, 3), 0);
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(view.search.currentLine, 6);
    EXPECT_EQ(view.search.topLine, 5);
    EXPECT_EQ(enterTextAt(view, 3), 1);  // no filter any more
}

TEST_F(FilterViewTest, SnapfileNamesOnThePrefixLineShowWithoutThePrefix) {
    feed({":snapfile zuk,1.0.7,prefix=:f:\n", ":f:x.txt\n", "body\n", ":f:y.txt\n", "more body\n"});
    ASSERT_EQ(store.finish(), 0);
    ASSERT_TRUE(store.prefixOnNameLine);
    ASSERT_EQ(toggleFilter(view, 2), 0);
    EXPECT_EQ(rows(), (Rows{kFileListTitle, "", "x.txt ", "y.txt "}));
    leaveFilter(view, true);
    // In the filtered view the name line is the whole header: no prefix line above it.
    filterFor("body");
    EXPECT_EQ(rows(),
              (Rows{kFilterTitle, "", ":f:x.txt ", "body ", " ", ":f:y.txt ", "more body "}));
}

TEST_F(FilterViewTest, FewResultsAreCentred) {
    loadThreeFiles();
    view.lineHeight = 10;
    view.clientHeight = 400;  // 40 rows
    filterFor("beta");
    // (40 - 2 rows - 3 for one header - 4) / 2 - 2, plus 1 outside assistance mode.
    EXPECT_EQ(view.filter.padRows, 14);
    Rows got = rows();
    ASSERT_EQ(got.size(), 2u + 14u + 3u);
    EXPECT_EQ(got[16], ":file: ");
    EXPECT_EQ(got[18], "alpha beta ");
    leaveFilter(view, true);

    view.clientHeight = 1000000;
    filterFor("beta");
    EXPECT_EQ(view.filter.padRows, kMaxPadRows);
    leaveFilter(view, true);

    config().setInt("assist", 1);
    view.clientHeight = 400;
    filterFor("beta");
    EXPECT_EQ(view.filter.padRows, 13);
    EXPECT_EQ(rows()[2 + 1 + 13], ":file: ");  // one more empty row under the title
}

TEST_F(FilterViewTest, ReenteringWithTheSameMaskReturnsToTheRow) {
    feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n", ":file:\n", "many.txt\n"});
    for (int i = 0; i < 100; ++i) feed({"a line with words\n"});
    ASSERT_EQ(store.finish(), 0);
    view.search.topLine = 7;
    filterFor("with");
    EXPECT_EQ(view.search.hitCount, 100);
    EXPECT_EQ(view.search.topLine, 0);
    view.search.topLine = 50;
    leaveFilter(view, true);
    EXPECT_EQ(view.search.topLine, 7);  // back where the normal view was
    filterFor("with");
    EXPECT_EQ(view.search.topLine, 50);
    view.search.topLine = 1000;  // past the end: clamped to the last page
    leaveFilter(view, true);
    filterFor("with");
    EXPECT_EQ(view.search.topLine, view.filteredLineCount - view.rows + 2);
    leaveFilter(view, true);
    filterFor("line");
    EXPECT_EQ(view.search.topLine, 0);
}

TEST_F(FilterViewTest, ClickOnAHitGoesToItsLine) {
    loadThreeFiles();
    filterFor("alpha");
    view.search.resultFocusOffset = 3;
    // Screen rows to filter rows: the title scrolls away into a caption row.
    EXPECT_EQ(filterRowAtScreenRow(view, 8), 8);
    view.search.topLine = 4;
    EXPECT_EQ(filterRowAtScreenRow(view, 0), -1);
    EXPECT_EQ(filterRowAtScreenRow(view, 1), 4);
    EXPECT_EQ(filterRowAtScreenRow(view, view.rows - 2), -1);  // the mask rows
    view.search.topLine = 0;
    EXPECT_EQ(enterTextAt(view, 5), 1);  // the separator shows no line
    EXPECT_EQ(view.filterMode, FilterMode::kFiltered);
    ASSERT_EQ(enterTextAt(view, 8), 0);  // "alpha beta"
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(view.search.currentLine, 7);
    EXPECT_EQ(view.search.topLine, 4);
}

TEST_F(FilterViewTest, EnteringRefusesWhatCannotBeFiltered) {
    LogCapture log;
    feed({"plain text\n"});
    ASSERT_EQ(store.finish(), 0);
    store.hasPrefix = false;
    EXPECT_EQ(toggleFilter(view, 2), 1);
    EXPECT_TRUE(log.contains("nothing to filter or list."));
    view.search.setFindMask("plain");
    EXPECT_EQ(toggleFilter(view, 7), 9);
    EXPECT_TRUE(log.contains("cannot toggle filter (7,0)"));
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(updateFilter(view, false, false), 9);
    EXPECT_TRUE(log.contains("wrong filter mode (1,0)"));
    ASSERT_EQ(createFilter(view, 1), 0);
    EXPECT_EQ(createFilter(view, 1), 9);
    EXPECT_TRUE(log.contains("wrong filter mode (2)"));
    // The store outgrew the arrays: the filter must be entered again.
    view.filter.capacity = 0;
    EXPECT_EQ(updateFilter(view, false, false), 9);
    EXPECT_TRUE(log.contains("fvupdate.1 "));
}

TEST_F(FilterViewTest, ThreadedRowsEqualSingleThreadRows) {
    feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
    std::string name;
    for (int file = 0; file < 40; ++file) {
        name = ":file:\n";
        feed({name.c_str()});
        name = "dir/file" + std::to_string(file) + ".txt\n";
        feed({name.c_str()});
        for (int i = 0; i < 300; ++i) {
            std::string line = (i * 7 + file) % 13 == 0 ? "needle here " : "hay ";
            line += std::to_string(i) + (i % 5 == 0 ? " NOT\n" : "\n");
            feed({line.c_str()});
        }
    }
    ASSERT_EQ(store.finish(), 0);
    for (const char* mask : {"needle", "NOT needle", "needle OR 7", "hay*5"}) {
        view.search.setFindMask(mask);
        view.filter.threads = FilterThreads::kThisThread;
        view.filter.chunkLines = 0;
        ASSERT_EQ(toggleFilter(view, 1), 0) << mask;
        const Rows single = rows();
        const int64_t hits = view.search.hitCount;
        leaveFilter(view, true);
        view.filter.threads = FilterThreads::kWorkers;
        view.filter.chunkLines = 97;  // many small chunks, merged in load order
        ASSERT_EQ(toggleFilter(view, 1), 0) << mask;
        EXPECT_EQ(rows(), single) << mask;
        EXPECT_EQ(view.search.hitCount, hits) << mask;
        EXPECT_GT(hits, 0) << mask;
        leaveFilter(view, true);
    }
}

// Everything a filter update leaves behind: rows, their lines, and the marks array (row kinds
// in the low bytes, line marks in the high bytes).
struct Layout {
    std::vector<const char*> rows;
    std::vector<int> lines;
    std::vector<uint16_t> marks;
    int padRows = 0;
    bool operator==(const Layout&) const = default;
};

void PrintTo(const Layout& layout, std::ostream* out) {
    *out << "pad " << layout.padRows << ":";
    for (size_t r = 0; r < layout.rows.size(); ++r) {
        *out << " [" << (layout.rows[r] ? layout.rows[r] : "(null)") << "@"
             << (r < layout.lines.size() ? layout.lines[r] : -2) << "]";
    }
}

class FilterLayoutTest : public FilterViewTest {
  protected:
    // Files whose names hold "needle" now and then, with a few "needle" lines each.
    void loadNeedleFiles(const char* snapfileHeader, const char* prefix, bool prefixOnNameLine) {
        feed({snapfileHeader});
        std::string line;
        for (int file = 0; file < 12; ++file) {
            if (!prefixOnNameLine) {
                line = std::string(prefix) + "\n";
                feed({line.c_str()});
            }
            line = std::string(prefixOnNameLine ? prefix : "") + "dir/file" + std::to_string(file) +
                   (file % 4 == 0 ? " needle" : "") + ".txt\n";
            feed({line.c_str()});
            for (int i = 0; i < 3 + file * 5; ++i) {
                line = (i * 3 + file) % 7 == 0 ? "needle " : "hay ";
                line += std::to_string(i) + "\n";
                feed({line.c_str()});
            }
        }
        ASSERT_EQ(store.finish(), 0);
    }

    Layout layout() const {
        const LineMarks& marks = view.filter.rowMarks;
        return Layout{view.display.filterRows, view.filter.rowLines,
                      std::vector<uint16_t>(marks.begin(), marks.end()), view.filter.padRows};
    }

    // The rows come out the same whether the workers lay them out in chunks of any size or
    // CONTROL+D lays out the known hits again on this thread, with and without names.
    void expectSameLayoutEveryWay(std::initializer_list<const char*> masks) {
        // Few rows are centred in the view; many are not.
        view.lineHeight = 10;
        view.clientHeight = 400;
        for (const char* mask : masks) {
            for (int chunkLines : {1, 2, 5, 16, 0}) {
                view.search.setFindMask(mask);
                view.filter.chunkLines = chunkLines;
                ASSERT_EQ(toggleFilter(view, 1), 0) << mask;
                const Layout named = layout();
                ASSERT_EQ(toggleFileNames(view), 0);
                const Layout unnamed = layout();
                ASSERT_EQ(toggleFileNames(view), 0);
                EXPECT_EQ(layout(), named) << mask << " chunk " << chunkLines;
                leaveFilter(view, true);
                view.filter.showFileNames = false;
                ASSERT_EQ(toggleFilter(view, 1), 0) << mask;
                EXPECT_EQ(layout(), unnamed) << mask << " chunk " << chunkLines;
                ASSERT_EQ(toggleFileNames(view), 0);
                EXPECT_EQ(layout(), named) << mask << " chunk " << chunkLines;
                leaveFilter(view, true);
                view.filter.showFileNames = true;
            }
        }
    }
};

TEST_F(FilterLayoutTest, PrefixOnItsOwnLine) {
    loadNeedleFiles(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", ":file:", false);
    ASSERT_FALSE(store.prefixOnNameLine);
    expectSameLayoutEveryWay({"needle", "file", "NOT hay", "file11", "needle OR dir", "zzz"});
}

TEST_F(FilterLayoutTest, PrefixOnTheNameLine) {
    loadNeedleFiles(":snapfile zuk,1.0.7,prefix=:f:\n", ":f:", true);
    ASSERT_TRUE(store.prefixOnNameLine);
    expectSameLayoutEveryWay({"needle", "file", "NOT hay", "file11", "needle OR dir"});
}

// A one-line text without a name line, loaded between the files (as a clipboard text is):
// its hits belong to no file and stand without names, and the first name group of all has no
// separator row above it even when such hits come before it.
TEST_F(FilterLayoutTest, HitsInTextWithoutNameLine) {
    feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
    auto addLoose = [&](const char* text) {
        ASSERT_EQ(store.closeLast(), 0);
        TextBlock* loose = store.appendBlock();
        ASSERT_NE(loose, nullptr);
        ASSERT_EQ(loose->openForAdd(), 0);
        ASSERT_EQ(loose->addText(text, true), 0);
    };
    addLoose("needle loose one\n");
    feed({":file:\n", "a.txt\n", "needle a\n", "hay\n"});
    addLoose("needle loose two\n");
    feed({":file:\n", "b.txt\n", "hay\n", "needle b\n"});
    ASSERT_EQ(store.finish(), 0);
    view.search.setFindMask("needle");
    ASSERT_EQ(toggleFilter(view, 1), 0);
    EXPECT_EQ(rows(), (Rows{kFilterTitle, "", "needle loose one ", ":file: ", "a.txt ", "needle a ",
                            "needle loose two ", " ", ":file: ", "b.txt ", "needle b "}));
    leaveFilter(view, true);
    expectSameLayoutEveryWay({"needle", "loose OR b", "NOT hay", "two OR txt"});
}

// Known hits laid out again must still fit the store: out of load order or past its end
// nothing is laid out.
TEST_F(FilterLayoutTest, KnownHitsThatNoLongerFitTheStoreAreRefused) {
    loadThreeFiles();
    filterFor("alpha");
    for (const std::vector<int>& hits : {std::vector<int>{7, 4}, std::vector<int>{4, 40}}) {
        LogCapture log;
        view.filter.hits = std::make_shared<const std::vector<int>>(hits);
        EXPECT_EQ(toggleFileNames(view), 1);
        EXPECT_TRUE(log.contains("ufview: wrong glnum"));
        EXPECT_EQ(view.search.searchPhase, SearchPhase::kDone);
    }
}

TEST_F(FilterLayoutTest, TextWithoutFileNames) {
    for (int i = 0; i < 60; ++i) {
        const std::string line = (i % 3 == 0 ? "needle " : "hay ") + std::to_string(i) + "\n";
        feed({line.c_str()});
    }
    ASSERT_EQ(store.finish(), 0);
    expectSameLayoutEveryWay({"needle", "NOT needle", "hay OR 7"});
}

TEST_F(FilterViewTest, RowsFromTheWorkersArriveOnTheUiQueueAndAKeystrokeCancels) {
    loadThreeFiles();
    testing::FakeViewHost host;
    testing::HostedView hosted{view, host};
    view.search.setFindMask("alpha");
    ASSERT_EQ(toggleFilter(view, 1), 0);
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kRunning);
    ASSERT_EQ(host.drain(), 1);
    EXPECT_FALSE(filterPassRunning(view));
    EXPECT_EQ(view.search.hitCount, 3);
    EXPECT_EQ(view.filteredLineCount, 13);

    // A new keystroke: the running pass is stopped and its rows are never taken.
    view.search.setFindMask("beta");
    EXPECT_EQ(updateFilter(view, false, false), 2);
    cancelPasses(view);
    EXPECT_FALSE(filterPassRunning(view));
    host.drain();
    EXPECT_EQ(view.filteredLineCount, 13);
    EXPECT_EQ(view.search.searchPhase, SearchPhase::kDone);

    // From the search, a single hit leaves the filter and shows the hit in the full text.
    view.search.settings.exitFilterOnSingleHit = true;
    view.search.resultFocusOffset = 1;
    searchTimerFired(view);
    ASSERT_EQ(host.drain(), 1);
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(view.search.currentLine, 7);
    EXPECT_EQ(view.search.topLine, 6);
    EXPECT_NE(std::string(statusInfo().infoText).find("straight match."), std::string::npos);
}

TEST(FilterCopy, RowsWithCrLfUpToTenMegabytes) {
    std::vector<const char*> rows = {"title", "", "first", " ", "second"};
    std::string text;
    int64_t bytes = 0;
    ASSERT_EQ(buildCopyText(rows, 2, 5, text, &bytes), 0);
    EXPECT_EQ(text, "first\r\n \r\nsecond\r\n");
    EXPECT_EQ(bytes, 18);
    EXPECT_EQ(buildCopyText(rows, 3, 3, text, &bytes), 1);
    EXPECT_EQ(buildCopyText(rows, 4, 99, text, &bytes), 0);
    EXPECT_EQ(text, "second\r\n");

    // Exactly the limit is copied; one byte more is refused and nothing is built.
    const std::string big(static_cast<size_t>(kMaxCopyBytes - 2 - 3), 'b');
    std::vector<const char*> large = {big.c_str(), "a"};
    ASSERT_EQ(buildCopyText(large, 0, 2, text, &bytes), 0);
    EXPECT_EQ(bytes, kMaxCopyBytes);
    EXPECT_EQ(static_cast<int64_t>(text.size()), kMaxCopyBytes);
    large[1] = "ab";
    EXPECT_EQ(buildCopyText(large, 0, 2, text, &bytes), 3);
    EXPECT_TRUE(text.empty());
}

TEST_F(FilterViewTest, CopyReportsLinesAndBytes) {
    loadThreeFiles();
    LogCapture log;
    filterFor("beta");
    ASSERT_EQ(copyFilteredText(view), 0);
    // The prefix line, "src/two.h " and "alpha beta " with CR LF each.
    const std::string bytes = std::to_string(std::strlen(store.lineText(5)) + 2 + 12 + 13);
    EXPECT_TRUE(log.contains("clip: all filtered text, 3 lines, " + bytes + " bytes."));
    ASSERT_EQ(copyVisibleText(view), 0);
    EXPECT_TRUE(log.contains("clip: visible filtered text, 3 lines, " + bytes + " bytes."));
    leaveFilter(view, true);
    view.search.currentLine = 7;
    ASSERT_EQ(copyFilteredText(view), 0);
    EXPECT_TRUE(log.contains("clip: text copy, 2 lines, 25 bytes."));
}

TEST_F(FilterViewTest, KeysOfTheFilter) {
    loadThreeFiles();
    LogCapture log;
    view.search.setFindMask("alpha");
    EXPECT_EQ(filterKeyDown(view, kKeyF1 + 3, 0), 0);
    EXPECT_EQ(view.filterMode, FilterMode::kFiltered);
    EXPECT_EQ(filterKeyDown(view, kKeyF1 + 5, 0), 0);  // F6: the file list instead
    EXPECT_EQ(view.filterMode, FilterMode::kFileList);
    EXPECT_EQ(filterChar(view, 0x01, 0), 0);  // CONTROL+A: back to the filtered view
    EXPECT_EQ(view.filterMode, FilterMode::kFiltered);
    EXPECT_EQ(filterChar(view, 0x01, 0), 0);
    EXPECT_EQ(view.filterMode, FilterMode::kFullText);
    EXPECT_EQ(filterChar(view, 0x04, 0), 0);
    EXPECT_TRUE(log.contains("no filtered view is active."));
    appSettings().filterOnCtrlF = true;
    EXPECT_EQ(filterChar(view, 0x06, 0), 0);  // CONTROL+F, when given to the filter
    EXPECT_EQ(view.filterMode, FilterMode::kFiltered);
    appSettings().filterOnCtrlF = false;
    EXPECT_EQ(filterChar(view, 0x06, 0), 1);
    EXPECT_EQ(filterKeyDown(view, kKeyF1 + 6, 0), 1);
}

}  // namespace
}  // namespace tessel
