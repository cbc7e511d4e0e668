#include "load/clip_loader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/log/message_log.h"
#include "load/load_driver.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

// The block's lines without the blanks a load puts at their ends (the closing line is "").
std::vector<std::string> linesOf(TextBlock& block) {
    std::vector<std::string> lines;
    for (int i = 0; i < block.lineCount; ++i) {
        std::string line = block.line(i);
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}

// A store holding one loaded file, and a clip loader on it whose clipboard is a plain value.
struct ClipFixture {
    ClipFixture() {
        driver.store = &store;
        driver.useThread = false;
        driver.settingsOverride = &loadSettings;
        file = dir.write("a.txt", "one\ntwo\n");
        EXPECT_EQ(driver.load(file.c_str(), kLoadSingleFile), 0);
        loader.store = &store;
        loader.settingsOverride = &settings;
        settings.separatorLine = "=====";
        loader.callbacks.readClipboard = [this] { return clipboard; };
        loader.callbacks.digest = [](std::string_view text) { return std::string(text); };
        loader.callbacks.loadPaths = [this](const std::vector<std::string>& paths, bool append) {
            loadedPaths = paths;
            appended = append;
            return 0;
        };
    }
    void setText(const std::string& text) {
        clipboard = ClipboardContent{};
        clipboard.hasText = true;
        clipboard.text = text;
    }

    testing::TempDir dir;
    std::string file;
    TextStore store;
    LoadSettings loadSettings;
    LoadDriver driver;
    ClipSettings settings;
    ClipLoader loader;
    ClipboardContent clipboard;
    std::vector<std::string> loadedPaths;
    bool appended = false;
};

TEST(ClipLoader, SecondLoadReplacesTheTextInTheSamePlace) {
    ClipFixture f;
    f.setText("alpha\r\nbeta\n");
    ASSERT_EQ(f.loader.load(kClipLoad, false), 0);
    TextBlock* clip = f.loader.clipBlock();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(linesOf(*clip),
              (std::vector<std::string>{":file:", kClipBlockName, "alpha", "beta", ""}));
    EXPECT_EQ(f.loader.filledLines, 2);
    EXPECT_EQ(f.loader.filledChars, 12);

    // A file appended behind the clip block must not move it.
    const std::string other = f.dir.write("b.txt", "x\n");
    ASSERT_EQ(f.driver.load(other.c_str(), kLoadSingleFile | kLoadAppend), 0);
    f.setText("gamma");
    ASSERT_EQ(f.loader.load(kClipLoad, false), 0);
    EXPECT_EQ(f.loader.clipBlock(), clip);
    EXPECT_EQ(f.store.blockAt(f.store.blockCount - 2), clip);
    EXPECT_EQ(linesOf(*clip), (std::vector<std::string>{":file:", kClipBlockName, "gamma", ""}));
    EXPECT_EQ(f.store.blockByName(other.c_str())->firstLine, clip->endLine);
}

TEST(ClipLoader, AppendReplacesTheClosingLineAndAddsTheSeparator) {
    ClipFixture f;
    f.settings.appendSeparator = true;
    f.setText("first");
    ASSERT_EQ(f.loader.load(kClipAppend, false), 0);  // no clip block yet: a fresh load
    f.setText("second\nthird\n");
    ASSERT_EQ(f.loader.load(kClipAppend, false), 0);
    EXPECT_EQ(linesOf(*f.loader.clipBlock()),
              (std::vector<std::string>{":file:", kClipBlockName, "first", "=====", "second",
                                        "third", ""}));
}

TEST(ClipLoader, ClearLeavesHeaderAndClosingLine) {
    ClipFixture f;
    EXPECT_EQ(f.loader.load(kClipClear, false), 1);  // nothing to clear yet
    f.setText("some\ntext\n");
    ASSERT_EQ(f.loader.load(kClipLoad, false), 0);
    ASSERT_EQ(f.loader.load(kClipClear, false), 0);
    EXPECT_EQ(linesOf(*f.loader.clipBlock()),
              (std::vector<std::string>{":file:", kClipBlockName, ""}));
    EXPECT_EQ(f.loader.clipCounter, 0);
}

TEST(ClipLoader, LongLinesAreSplit) {
    ClipFixture f;
    f.setText(std::string(kClipLineBytes + 10, 'x'));
    ASSERT_EQ(f.loader.load(kClipLoad, false), 0);
    const auto lines = linesOf(*f.loader.clipBlock());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].size(), kClipLineBytes);
    EXPECT_EQ(lines[3].size(), 10u);
}

TEST(ClipLoader, AutomaticLoadsFollowMinimumLinesAndSkipDuplicates) {
    ClipFixture f;
    f.loader.automation.autoAppend = true;
    f.settings.minLines = 3;
    f.setText("one line");
    f.loader.clipboardChanged(false);
    EXPECT_EQ(f.loader.clipBlock(), nullptr);

    f.settings.minLines = 1;
    f.setText("copied\n");
    f.loader.clipboardChanged(false);
    f.loader.clipboardChanged(false);  // the same text again
    f.loader.clipboardChanged(true);   // this program's own copy
    EXPECT_EQ(linesOf(*f.loader.clipBlock()),
              (std::vector<std::string>{":file:", kClipBlockName, "copied", ""}));

    f.settings.allowDuplicates = true;
    f.loader.clipboardChanged(false);
    EXPECT_EQ(f.loader.clipBlock()->lineCount, 5);
}

// A busy clipboard is read again after rising delays, until the last delay is used up; a
// manual load is told to try again instead.
TEST(ClipLoader, BusyClipboardIsRetriedWithRisingDelays) {
    ClipFixture f;
    f.settings.autoDelaysMs = {0, 200, 244};
    f.loader.automation.autoReload = true;
    std::vector<int> delays;
    std::vector<std::function<void()>> retries;
    f.loader.callbacks.retryAfter = [&](int delayMs, std::function<void()> retry) {
        delays.push_back(delayMs);
        retries.push_back(std::move(retry));
    };
    testing::LogCapture log;
    f.clipboard.failure = kClipBusy;
    EXPECT_EQ(f.loader.currentDelayMs(), 0);
    f.loader.clipboardChanged(false);
    EXPECT_TRUE(log.contains("[note] clipboard access conflict, using delay (200)"));
    EXPECT_TRUE(log.contains("... an external application seems to have errors."));
    ASSERT_EQ(retries.size(), 1u);
    retries[0]();
    ASSERT_EQ(retries.size(), 2u);
    EXPECT_EQ(delays, (std::vector<int>{200, 244}));
    // The clipboard is free when the last retry reads it.
    f.setText("at last\n");
    retries[1]();
    EXPECT_EQ(retries.size(), 2u);
    ASSERT_NE(f.loader.clipBlock(), nullptr);
    EXPECT_EQ(linesOf(*f.loader.clipBlock())[2], "at last");
    EXPECT_EQ(f.loader.currentDelayMs(), 244);

    // With the delay at its last value a conflict is reported and not retried.
    f.clipboard.failure = kClipBusy;
    f.loader.clipboardChanged(false);
    EXPECT_EQ(retries.size(), 2u);
    EXPECT_TRUE(log.contains("[error] cannot read clipboard content (2,1)"));
    EXPECT_TRUE(log.contains("[note] you may try to increase the clipautodelay values"));
}

TEST(ClipLoader, BusyClipboardAtAnAutomaticCountAsksToTryAgain) {
    ClipFixture f;
    f.settings.minLines = 2;
    f.clipboard.failure = kClipBusy;
    testing::LogCapture log;
    EXPECT_EQ(f.loader.load(kClipLoad, true), 2);
    EXPECT_TRUE(log.contains("... failed to read clipboard content, please try again."));
    EXPECT_EQ(f.loader.currentDelayMs(), 200);
    EXPECT_EQ(f.loader.clipBlock(), nullptr);
}

TEST(ClipLoader, DroppedFileNames) {
    ClipFixture f;
    testing::LogCapture log;
    f.clipboard = ClipboardContent{};
    f.clipboard.files = {"/tmp/one.txt"};
    ASSERT_EQ(f.loader.load(kClipLoad, false), 0);
    EXPECT_EQ(linesOf(*f.loader.clipBlock()),
              (std::vector<std::string>{":file:", kClipBlockName, "/tmp/one.txt", ""}));

    f.clipboard.files = {"/tmp/one.txt", "/tmp/two.txt"};
    EXPECT_EQ(f.loader.load(kClipLoad, false), 2);  // the clip text stays
    EXPECT_EQ(linesOf(*f.loader.clipBlock())[2], "/tmp/one.txt");
    std::string text;
    EXPECT_EQ(f.loader.readClipboard(true, text), kClipManyFiles);
    EXPECT_TRUE(log.contains("[blue] cannot process 2 filenames"));
    f.clipboard = ClipboardContent{};
    EXPECT_EQ(f.loader.readClipboard(true, text), kClipNoText);
}

TEST(ClipLoader, ListLoadsEveryNamedPath) {
    ClipFixture f;
    f.setText("/a/one.txt\r\n\r\n/b/two.txt");
    ASSERT_EQ(f.loader.loadList(true), 0);
    EXPECT_EQ(f.loadedPaths, (std::vector<std::string>{"/a/one.txt", "/b/two.txt"}));
    EXPECT_TRUE(f.appended);
    f.setText("");
    EXPECT_EQ(f.loader.loadList(false), 1);
}

TEST(ClipLoader, LineCountMatchesWhatFillAdds) {
    EXPECT_EQ(clipLineCount(""), 0);
    EXPECT_EQ(clipLineCount("a"), 1);
    EXPECT_EQ(clipLineCount("a\n"), 1);
    EXPECT_EQ(clipLineCount("a\r\nb\r\n\r\n"), 3);
}

}  // namespace
}  // namespace tessel
