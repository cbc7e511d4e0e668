#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "bookmark_test_support.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_format.h"

namespace tessel {
namespace {

using testing::BookmarkTest;
using testing::LogCapture;
using testing::readFile;

class BookmarkFileTest : public BookmarkTest {
  protected:
    void SetUp() override {
        BookmarkTest::SetUp();
        testing::fillStore(store, {{"/w/a.txt", testing::numberedLines("alpha", 40)},
                                   {"/w/b.txt", testing::numberedLines("beta", 40)}});
    }
    std::string setFile(int n) const { return bookmarkFileName(base, n); }
    void addScriptControl(int control, const char* title) {
        config().setVar(kFirstVariableId + kControlFields * control, "4");
        config().setVar(kFirstVariableId + kControlFields * control + 4, title);
    }
};

// Every stored field set to a value of its own.
ViewPosition fullPosition() {
    ViewPosition pos;
    pos.find.caseSensitive = 1;
    copyField(pos.find.text, "alpha AND 1");
    pos.find.termCount = 2;
    copyField(pos.find.terms[0], "alpha");
    copyField(pos.find.terms[1], "1");
    copyField(pos.pathMask, "a.txt");
    pos.pathFileCount = 1;
    pos.pathFirstLine = 2;
    copyField(pos.selection, "selected words");
    copyField(pos.label, "label [with] bracket");
    pos.cursorLine = 9;
    packHighlights({"red alpha", "blue beta"}, pos);
    pos.tabSize = 8;
    pos.xOffset = 12;
    pos.filterValue = 3;
    pos.lockMode = 2;
    pos.lockRows = 6;
    pos.searchMsec = 77;
    return pos;
}

TEST_F(BookmarkFileTest, SaveThenLoadKeepsEveryField) {
    ViewPosition source = fullPosition();
    ASSERT_EQ(addBookmark(list, source, testing::globalLine(store, 2, 17), kAddMark), 0);
    copyField(source.find.text, "a remark");
    ASSERT_EQ(addBookmark(list, source, 4, kAddRemark), 0);
    list.at(0).pos.ignoreContext = 0;
    const ViewPosition saved = list.at(0).pos;
    ASSERT_EQ(saveSet(list, 3, true), 0);
    EXPECT_FALSE(list.changed);
    EXPECT_NE(list.existingSets & (1u << 3), 0u);

    const LoadSetResult result = loadSet(list, 3, view);
    ASSERT_EQ(result.status, kLoadSetRead);
    ASSERT_EQ(list.count(), 2);
    const ViewPosition& loaded = list.at(0).pos;
    EXPECT_EQ(loaded.find.caseSensitive, 1);
    EXPECT_STREQ(loaded.find.text, saved.find.text);
    EXPECT_EQ(loaded.find.termCount, 2u);
    EXPECT_STREQ(loaded.find.terms[1], "1");
    EXPECT_STREQ(loaded.pathMask, "a.txt");
    EXPECT_EQ(loaded.pathFileCount, 1);
    EXPECT_EQ(loaded.pathFirstLine, 2);
    EXPECT_STREQ(loaded.selection, "selected words");
    EXPECT_STREQ(loaded.label, "label [with] bracket");
    EXPECT_EQ(loaded.cursorLine, 9);
    EXPECT_EQ(unpackHighlights(loaded), (std::vector<std::string>{"red alpha", "blue beta"}));
    EXPECT_EQ(loaded.highlightCount, 2);
    EXPECT_EQ(loaded.tabSize, 8);
    EXPECT_EQ(loaded.xOffset, 12);
    EXPECT_EQ(loaded.filterValue, 3);
    EXPECT_EQ(loaded.lockMode, 2);
    EXPECT_EQ(loaded.lockRows, 6);
    EXPECT_EQ(loaded.searchMsec, 77);
    EXPECT_EQ(loaded.currentLine, saved.currentLine);
    EXPECT_STREQ(loaded.lineText, "beta 17 ");
    EXPECT_EQ(loaded.valid, 1);
    EXPECT_EQ(loaded.loadFailed, 0);
    EXPECT_EQ(list.at(0).fileName, "/w/b.txt");
    EXPECT_EQ(list.at(1).pos.remark, 1);
    EXPECT_STREQ(list.at(1).pos.label, "a remark");
}

TEST_F(BookmarkFileTest, ScriptEntriesComeBackAtTheirStoredPosition) {
    addScriptControl(2, "tool one");
    addScriptControl(5, "tool two");
    for (int k = 1; k <= 4; ++k) mark(1, k, ("m" + std::to_string(k)).c_str());
    // The script entries at positions 2 and 3, between m2 and m3.
    list.at(5) = list.at(3);
    list.at(4) = list.at(2);
    makeScriptEntry(list.at(2), 2, "tool one");
    makeScriptEntry(list.at(3), 5, "tool two");
    ASSERT_TRUE(isScriptEntry(list.at(2).pos));
    ASSERT_TRUE(isScriptEntry(list.at(3).pos));
    ASSERT_EQ(saveSet(list, 1, true), 0);

    const std::string bytes = readFile(setFile(1));
    const size_t sbi = bytes.find("sbi1");
    ASSERT_NE(sbi, std::string::npos);
    EXPECT_EQ(bytes.substr(sbi + 4, 4), std::string("\0\0\0\2", 4));
    EXPECT_EQ(bytes.substr(bytes.find("nbm1") + 4, 4), std::string("\0\0\0\4", 4));

    ASSERT_EQ(loadSet(list, 1, view).status, kLoadSetRead);
    ASSERT_EQ(list.count(), 6);
    EXPECT_STREQ(list.at(2).pos.label, "tool one");
    EXPECT_STREQ(list.at(2).pos.pathMask, "// control 2");
    EXPECT_STREQ(list.at(3).pos.label, "tool two");
    EXPECT_FALSE(isScriptEntry(list.at(4).pos));
}

TEST_F(BookmarkFileTest, AnEmptySetStillGetsItsScriptEntries) {
    addScriptControl(0, "tool");
    std::string bytes;
    writeFileHeader(bytes, StoredHeader{-1, 0, 0});
    writeFileEnd(bytes);
    testing::TempDir other;
    std::filesystem::copy_file(other.write("x", bytes), setFile(2));
    ASSERT_EQ(loadSet(list, 2, view).status, kLoadSetRead);
    ASSERT_EQ(list.count(), 1);
    EXPECT_TRUE(isScriptEntry(list.at(0).pos));
}

TEST_F(BookmarkFileTest, UnknownTagsAreSkippedByTypeAndDamageKeepsEarlierEntries) {
    mark(1, 3, "first");
    mark(1, 4, "second");
    mark(1, 5, "third");
    ASSERT_EQ(saveSet(list, 1, true), 0);
    std::string bytes = readFile(setFile(1));
    // Unknown tags of every payload type inside the first entry are passed over.
    const size_t firstEntry = bytes.find("loc1");
    static const char kUnknown[] = "zzz0zzz1\0\0\0\1zzz2\0\0\0\0\0\0\0\1zzz*\0\0\0\3abc";
    bytes.insert(firstEntry, std::string(kUnknown, sizeof kUnknown - 1));
    std::filesystem::remove(setFile(1));
    testing::TempDir other;
    std::filesystem::copy_file(other.write("x", bytes), setFile(1));
    ASSERT_EQ(loadSet(list, 1, view).status, kLoadSetRead);
    EXPECT_EQ(list.count(), 3);

    // A tag of an unknown type in the third entry ends reading after two entries.
    const size_t third = bytes.find("loc1", bytes.find("bme0", bytes.find("bme0") + 4));
    bytes[third + 3] = '7';
    std::filesystem::remove(setFile(1));
    std::filesystem::copy_file(other.write("y", bytes), setFile(1));
    LogCapture log;
    EXPECT_EQ(loadSet(list, 1, view).status, kLoadSetFormatError);
    EXPECT_EQ(list.count(), 2);
    EXPECT_STREQ(list.at(1).pos.label, "second");
    EXPECT_TRUE(log.contains("bookmark loading error: wrong format"));
}

TEST_F(BookmarkFileTest, TheReaderStopsAtEveryBoundary) {
    std::string bytes;
    writeFileHeader(bytes, StoredHeader{5, 1, 0});
    ViewPosition pos;
    pos.valid = 1;
    writeEntry(bytes, pos, "/w/a.txt", 3, "alpha 2 ");
    writeFileEnd(bytes);
    // Cut anywhere: never an entry beyond the cut, never a read past it.
    for (size_t cut = 0; cut < bytes.find("eod0"); ++cut) {
        BookmarkReader reader(std::string_view(bytes).substr(0, cut));
        StoredHeader header;
        StoredEntry entry;
        const bool read = reader.readMagic() == 0 && reader.readHeader(header) == 0 &&
                          reader.readEntry(entry) == 0;
        EXPECT_FALSE(read) << cut;
        EXPECT_LE(reader.offset(), cut);
    }
    // A length that points far beyond the data, and a group over the record limit.
    std::string huge = bytes.substr(0, bytes.find("loc1")) + "clp*" + std::string("\x7f\0\0\0", 4);
    BookmarkReader reader(huge);
    StoredHeader header;
    StoredEntry entry;
    ASSERT_EQ(reader.readMagic() + reader.readHeader(header), 0);
    EXPECT_EQ(reader.readEntry(entry), 9);
    std::string big = bytes.substr(0, bytes.find("loc1"));
    for (int i = 0; i < 30; ++i)
        big += "sel*" + std::string("\0\0\x0f\xa0", 4) + std::string(4000, 's');
    BookmarkReader limited(big);
    ASSERT_EQ(limited.readMagic() + limited.readHeader(header), 0);
    EXPECT_EQ(limited.readEntry(entry), 9);

    LogCapture log;
    std::string many;
    writeFileHeader(many, StoredHeader{5, 1001, 0});
    BookmarkReader counted(many);
    ASSERT_EQ(counted.readMagic(), 0);
    EXPECT_EQ(counted.readHeader(header), 9);
    EXPECT_TRUE(log.contains("illegal number of bookmarks: 1001 (3e9)"));
}

TEST_F(BookmarkFileTest, AFailedWriteLeavesTheOldFile) {
    mark(1, 3, "kept");
    ASSERT_EQ(saveSet(list, 1, true), 0);
    const std::string before = readFile(setFile(1));
    for (int k = 1; k <= 40; ++k) mark(1, k, std::string(300, 'z').c_str());

    // A file size limit makes the write fail part way, as a full disk would.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 200;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    LogCapture log;
    const int rc = saveIfChanged(list);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(rc, 9);
    EXPECT_TRUE(log.contains("cannot write bookmark file"));
    EXPECT_TRUE(list.changed);
    EXPECT_EQ(readFile(setFile(1)), before);
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(dir.path()))
        files += item.is_regular_file();
    EXPECT_EQ(files, 1);  // no temporary file left behind
}

TEST_F(BookmarkFileTest, AFolderThatCannotBeWrittenSendsTheFilesToTheCentralFolder) {
    const std::string missing = dir.path() + "/gone/zz-c-bookmarks";
    setBookmarkBase(missing);
    mark(1, 3, "x");
    LogCapture log;
    ASSERT_EQ(saveSet(list, 1, true), 0);
    std::string flat = missing.substr(1);
    std::replace(flat.begin(), flat.end(), '/', '-');
    const std::string fallback = dir.path() + "/central/" + flat;
    EXPECT_STREQ(bookmarkBase(), fallback.c_str());
    EXPECT_TRUE(std::filesystem::exists(bookmarkFileName(fallback, 1)));
    EXPECT_TRUE(log.contains("[note] saving bookmarks to: " + fallback));
}

TEST_F(BookmarkFileTest, BaseNamesFollowWhatWasLoaded) {
    const std::string work = dir.path() + "/work";
    std::filesystem::create_directories(work + "/src");
    EXPECT_EQ(chooseBookmarkBase(work + "/src"), work + "/zz-src-bookmarks");
    EXPECT_EQ(chooseBookmarkBase(work + "/src/"), work + "/zz-src-bookmarks");
    EXPECT_EQ(chooseBookmarkBase("/a.txt"), "/zz-a.txt-bookmarks");
    EXPECT_EQ(chooseBookmarkBase("C:\\work\\src"), "C:\\work/zz-src-bookmarks");
    EXPECT_EQ(chooseBookmarkBase("."), "zz-bookmarks");
    EXPECT_EQ(chooseBookmarkBase("notes"), "zz-notes-bookmarks");
    EXPECT_EQ(chooseBookmarkBase("c:notes"), "c:zz-notes-bookmarks");
    EXPECT_EQ(bookmarkFileName(chooseBookmarkBase(work + "/src"), 1),
              work + "/zz-src-bookmarks.1.qvbm");

    // A folder bringing its own bookmarks uses them.
    std::filesystem::create_directories(work + "/kit");
    std::FILE* contained = std::fopen((work + "/kit/zz-bookmarks.1.qvbm").c_str(), "w");
    std::fclose(contained);
    LogCapture log;
    EXPECT_EQ(chooseBookmarkBase(work + "/kit"), work + "/kit/zz-bookmarks");
    EXPECT_TRUE(log.contains(":using contained bookmarks:"));

    // URLs go to the central folder, and fail without one.
    EXPECT_EQ(chooseBookmarkBase("http://host/docs/"), dir.path() + "/central/zz-host-docs");
    setCentralBookFolder("", true);
    EXPECT_EQ(chooseBookmarkBase("ftp://host/x"), "");
    EXPECT_TRUE(log.contains("[error] cannot save url bookmarks."));

    EXPECT_EQ(baseOfBookmarkFile("/b/x.3.qvbm"), "/b/x");
    EXPECT_EQ(baseOfBookmarkFile("/b/x.qvbm"), "/b/x");
}

TEST_F(BookmarkFileTest, SaveToRefusesExtensionsAndCopiesTheSets) {
    mark(1, 3, "x");
    ASSERT_EQ(saveSet(list, 1, true), 0);
    ASSERT_EQ(saveSet(list, 2, true), 0);
    host.chosenFile = dir.path() + "/x.txt";
    EXPECT_EQ(saveTo(list), 9);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].find("no filename extensions are allowed"), std::string::npos);

    host.chosenFile = dir.path() + "/x.3.qvbm";
    ASSERT_EQ(saveTo(list), 0);
    EXPECT_EQ(std::string(bookmarkBase()), dir.path() + "/x");
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/x.1.qvbm"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/x.2.qvbm"));
    EXPECT_EQ(list.existingSets, (1u << 1) | (1u << 2));

    // Loading from a chosen file takes its base name and opens set 1.
    setBookmarkBase(base);
    list.clearEntries();
    host.chosenFile = dir.path() + "/x.2.qvbm";
    ASSERT_EQ(loadFrom(list, view), 0);
    EXPECT_EQ(std::string(bookmarkBase()), dir.path() + "/x");
    EXPECT_EQ(list.openSet, 1);
    EXPECT_EQ(list.count(), 1);

    // Existing files at the target are overwritten only when the user agrees.
    setBookmarkBase(base);
    host.answers = {false};
    EXPECT_EQ(saveTo(list), 1);
    EXPECT_STREQ(bookmarkBase(), base.c_str());
}

TEST_F(BookmarkFileTest, SwitchingSetsSavesWaitsAndReports) {
    mark(1, 3, "one");
    LogCapture log;
    ASSERT_EQ(openSet(list, 2, view), 0);
    EXPECT_EQ(host.questions.size(), 1u);  // the path is confirmed once per run
    EXPECT_TRUE(std::filesystem::exists(setFile(1)));
    EXPECT_TRUE(log.contains("bookmark changes saved, bookmark set 2 open."));
    EXPECT_EQ(appSettings().startBmSet, 2);
    EXPECT_TRUE(config().isTouched(kIdStartBmSet));

    mark(1, 4, "two");
    host.busyChecks = 5;
    ASSERT_EQ(openSet(list, 1, view), 0);
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.waits, 4);
    EXPECT_STREQ(list.at(0).pos.label, "one");

    host.busyChecks = 100;
    EXPECT_EQ(openSet(list, 3, view), 9);
    EXPECT_TRUE(log.contains("busy timeout reached (7)"));
    EXPECT_TRUE(log.contains("... load bookmarks cancelled."));

    host.answers = {false};
    EXPECT_EQ(clearSet(list), 1);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(clearSet(list), 0);
    EXPECT_EQ(list.count(), 0);
    EXPECT_NE(host.questions.back().find("Remove all bookmarks\nfrom bookmark set no. 1?"),
              std::string::npos);
}

TEST_F(BookmarkFileTest, StartUpLoadsTheConfiguredSet) {
    mark(1, 3, "kept");
    mark(2, 3, "lost");
    ASSERT_EQ(saveSet(list, 4, true), 0);
    testing::fillStore(store, {{"/w/a.txt", testing::numberedLines("alpha", 40)}});
    appSettings().startBmSet = 4;
    LogCapture log;
    ASSERT_EQ(loadStartupSet(list, view), 0);
    EXPECT_EQ(list.openSet, 4);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(1).pos.loadFailed, 1);
    EXPECT_TRUE(log.contains(":bookmark path:"));
    EXPECT_TRUE(log.contains("bm set 4 open, some bookmarks lost. setup for details."));
    EXPECT_TRUE(log.contains("[info] bookmark set 4 open."));
    EXPECT_TRUE(log.contains("found 1 bookmark sets"));

    // The lost bookmark keeps its file and line when the set is saved again.
    ASSERT_EQ(saveSet(list, 4, true), 0);
    testing::fillStore(store, {{"/w/a.txt", testing::numberedLines("alpha", 40)},
                               {"/w/b.txt", testing::numberedLines("beta", 40)}});
    ASSERT_EQ(loadSet(list, 4, view).status, kLoadSetRead);
    EXPECT_EQ(list.at(1).pos.currentLine, testing::globalLine(store, 2, 3));

    setBookmarkBase("");
    EXPECT_EQ(loadStartupSet(list, view), 1);
    EXPECT_TRUE(log.contains("no path for bookmark file."));
}

}  // namespace
}  // namespace tessel
