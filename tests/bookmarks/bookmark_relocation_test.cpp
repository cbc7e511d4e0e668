#include "bookmarks/bookmark_relocation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "bookmark_test_support.h"

namespace tessel {
namespace {

using testing::BookmarkTest;
using testing::LogCapture;
using testing::TestFile;

class RelocationTest : public BookmarkTest {
  protected:
    // A bookmark as a file stores it: file name, line relative to the header, texts.
    Bookmark stored(const std::string& file, int relativeLine, const char* lineText,
                    const char* label = "") {
        Bookmark entry;
        entry.fileName = file;
        entry.pos.relativeLine = relativeLine;
        entry.pos.valid = 1;
        copyField(entry.pos.lineText, lineText);
        copyField(entry.pos.label, label);
        return entry;
    }
    // The relative line of a file's own line k (the name line follows the prefix line).
    static int relative(int k) { return k + 1; }
};

TEST_F(RelocationTest, ALineMovedDownIsFoundAgainSilently) {
    std::vector<std::string> lines = testing::numberedLines("line", 40);
    testing::fillStore(store, {{"/w/a.txt", lines}});
    Bookmark entry = stored("/w/a.txt", relative(10), "line 10 ");
    lines.insert(lines.begin() + 3, 5, "inserted");
    testing::fillStore(store, {{"/w/a.txt", lines}});

    LogCapture log;
    PlaceOutcome outcome = placeBookmark(list, entry);
    EXPECT_EQ(outcome.result, PlaceResult::kPlaced);
    EXPECT_EQ(entry.pos.currentLine, testing::globalLine(store, 1, 15));
    EXPECT_EQ(entry.pos.topLine, entry.pos.currentLine - list.placementRows);
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(RelocationTest, EqualDistanceChoosesDownAndNearerWins) {
    std::vector<std::string> lines(30, "filler");
    lines[6] = "target";   // line 7
    lines[12] = "target";  // line 13
    testing::fillStore(store, {{"/w/a.txt", lines}});
    Bookmark tie = stored("/w/a.txt", relative(10), "target ");
    placeBookmark(list, tie);
    EXPECT_EQ(tie.pos.currentLine, testing::globalLine(store, 1, 13));

    Bookmark nearer = stored("/w/a.txt", relative(9), "target ");
    placeBookmark(list, nearer);
    EXPECT_EQ(nearer.pos.currentLine, testing::globalLine(store, 1, 7));
}

TEST_F(RelocationTest, WhiteSpaceDifferencesAreIgnored) {
    testing::fillStore(store, {{"/w/a.txt", {"x", "y", "  int\tmain ( void )", "z"}}});
    Bookmark entry = stored("/w/a.txt", relative(1), "int main(void)");
    EXPECT_EQ(placeBookmark(list, entry).result, PlaceResult::kPlaced);
    EXPECT_EQ(entry.pos.currentLine, testing::globalLine(store, 1, 3));
    EXPECT_EQ(compactText(" \t a b\tc \r"), "abc");
}

TEST_F(RelocationTest, LongLinesAreFoundByTheirStoredBeginning) {
    const std::string longLine = "long " + std::string(800, 'q');
    testing::fillStore(store, {{"/w/a.txt", {"a", "b", longLine, "c"}}});
    Bookmark entry = stored("/w/a.txt", relative(1), longLine.c_str());
    ASSERT_EQ(std::string(entry.pos.lineText).size(), static_cast<size_t>(kPositionTextChars));
    EXPECT_EQ(placeBookmark(list, entry).result, PlaceResult::kPlaced);
    EXPECT_EQ(entry.pos.currentLine, testing::globalLine(store, 1, 3));
}

// In UTF-8 text the stored line and the lines it is compared with are cut between
// characters: a Cyrillic line whose 499th byte starts a character keeps 498 bytes, and is
// still found by line.
TEST_F(RelocationTest, LongUtf8LinesAreCutBetweenCharactersAndStillFound) {
    codePageTables().init(kCodePageUtf8);
    std::string longLine = "xy";
    while (longLine.size() < 900) longLine += "\xD0\x96";  // U+0416
    testing::fillStore(store, {{"/w/a.txt", {"a", "b", longLine, "c"}}});
    Bookmark entry = stored("/w/a.txt", relative(1), longLine.c_str());
    const std::string kept = entry.pos.lineText;
    EXPECT_EQ(kept.size(), static_cast<size_t>(kPositionTextChars) - 1);
    EXPECT_EQ(kept, longLine.substr(0, kept.size()));
    Bookmark labelled = stored("/w/a.txt", relative(1), "", longLine.c_str());
    EXPECT_EQ(std::string(labelled.pos.label), kept);
    const PlaceResult result = placeBookmark(list, entry).result;
    codePageTables().init(1252);
    EXPECT_EQ(result, PlaceResult::kPlaced);
    EXPECT_EQ(entry.pos.currentLine, testing::globalLine(store, 1, 3));
}

TEST_F(RelocationTest, FilesMatchByNameOrByTheirEnd) {
    testing::fillStore(
        store, {{"src/one.cpp", {"a"}}, {"/home/u/src/two.cpp", {"b"}}, {"three.cpp", {"c"}}});
    EXPECT_EQ(findFileBlock(store, "src/one.cpp  "), 1);
    EXPECT_EQ(findFileBlock(store, "/abs/path/src/one.cpp"), 1);
    EXPECT_EQ(findFileBlock(store, "src\\two.cpp"), 2);
    EXPECT_EQ(findFileBlock(store, "wo.cpp"), -1);
    EXPECT_EQ(findFileBlock(store, "c:three.cpp"), 3);
    EXPECT_EQ(findFileBlock(store, "c:two.cpp"), -1);
    const FileNameIndex names(store);
    for (const char* name : {"src/one.cpp  ", "/abs/path/src/one.cpp", "src\\two.cpp", "wo.cpp",
                             "c:three.cpp", "c:two.cpp", "", "one.cpp"}) {
        EXPECT_EQ(names.find(name), findFileBlock(store, name)) << name;
    }

    Bookmark missing = stored("/gone.txt", 2, "a");
    LogCapture log;
    PlaceOutcome outcome = placeBookmark(list, missing);
    EXPECT_EQ(outcome.result, PlaceResult::kFileMissing);
    EXPECT_EQ(outcome.failure, "bookmark adjustment failed: subfile not found:\n/gone.txt");
    EXPECT_TRUE(log.contains("[note] bookmark lost, file not present:"));
    EXPECT_EQ(missing.pos.currentLine, 0);
}

TEST_F(RelocationTest, LinesBeyondTheFileAreClamped) {
    testing::fillStore(store, {{"/w/a.txt", testing::numberedLines("l", 5)}});
    Bookmark entry = stored("/w/a.txt", 500, "");
    EXPECT_EQ(placeBookmark(list, entry).result, PlaceResult::kPlaced);
    const TextBlock* file = store.blockAt(1);
    EXPECT_EQ(entry.pos.currentLine, file->headerLine() + file->lineCount - 2);

    Bookmark global = stored("", 10000, "");
    EXPECT_EQ(placeBookmark(list, global).result, PlaceResult::kTextNotFound);
}

TEST_F(RelocationTest, FarSearchFollowsItsModeAndAsksOnce) {
    // A text above the question's limit: the bookmarked text now lives in another file.
    std::vector<TestFile> files = {{"/w/a.txt", std::vector<std::string>(60000, "plain")},
                                   {"/w/b.txt", std::vector<std::string>(60000, "plain")}};
    files[1].lines[500] = "moved here";
    testing::fillStore(store, files);
    ASSERT_GT(store.lineCount(), kFarSearchAskLines);

    appSettings().farBookSearch = 1;
    host.answers = {false};
    Bookmark first = stored("/w/a.txt", relative(10), "moved here", "moved here");
    LogCapture log;
    EXPECT_EQ(placeBookmark(list, first).result, PlaceResult::kTextNotFound);
    Bookmark second = stored("/w/a.txt", relative(20), "moved here", "moved here");
    EXPECT_EQ(placeBookmark(list, second).result, PlaceResult::kTextNotFound);
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_NE(host.questions[0].find("Tessel: Allow global bookmark search?"), std::string::npos);
    EXPECT_TRUE(log.contains("farbooksearch off"));

    list.farSearchAnswer = -1;
    host.answers = {true};
    Bookmark third = stored("/w/a.txt", relative(10), "moved here", "moved here");
    EXPECT_EQ(placeBookmark(list, third).result, PlaceResult::kPlaced);
    EXPECT_EQ(third.pos.currentLine, testing::globalLine(store, 2, 501));
    EXPECT_TRUE(log.contains("[note] bookmark relocated by global search:"));
    EXPECT_EQ(list.farSearchAnswer, 2);

    appSettings().farBookSearch = 0;
    list.farSearchAnswer = -1;
    Bookmark local = stored("/w/a.txt", relative(10), "moved here", "moved here");
    EXPECT_EQ(placeBookmark(list, local).result, PlaceResult::kTextNotFound);
    EXPECT_EQ(host.questions.size(), 2u);
}

TEST_F(RelocationTest, BookmarksFollowTheirLinesAcrossAReload) {
    std::vector<std::string> lines = testing::numberedLines("row", 30);
    testing::fillStore(store, {{"/w/a.txt", {"x"}}, {"/w/b.txt", lines}});
    mark(2, 12, "twelve");
    ASSERT_EQ(list.at(0).blockIndex, 2);
    trackBeforeReload(list);
    EXPECT_EQ(list.at(0).pos.relativeLine, 13);

    // The file grows above the bookmark and an earlier file grows too.
    lines.insert(lines.begin(), 4, "new");
    testing::fillStore(store, {{"/w/a.txt", {"x", "y", "z"}}, {"/w/b.txt", lines}});
    EXPECT_EQ(trackAfterReload(list), 0);
    EXPECT_EQ(list.at(0).pos.currentLine, testing::globalLine(store, 2, 16));

    // Text gone from everywhere: marked lost, left where the reload put it.
    trackBeforeReload(list);
    testing::fillStore(store, {{"/w/a.txt", {"x", "y", "z"}},
                               {"/w/b.txt", std::vector<std::string>(30, "other")}});
    LogCapture log;
    EXPECT_EQ(trackAfterReload(list), 1);
    EXPECT_EQ(list.at(0).pos.loadFailed, 1);
    EXPECT_EQ(list.at(0).pos.currentLine, testing::globalLine(store, 2, 16));
    EXPECT_TRUE(log.contains("[note] bookmark text not found anywhere:"));

    // The lost bookmark is saved with its file and line, and a later reload leaves it there.
    EXPECT_EQ(list.at(0).fileName, "/w/b.txt");
    trackBeforeReload(list);
    EXPECT_EQ(list.at(0).pos.relativeLine, 17);
    EXPECT_EQ(trackAfterReload(list), 0);
    EXPECT_EQ(list.at(0).pos.currentLine, store.blockAt(2)->firstLine);
}

}  // namespace
}  // namespace tessel
