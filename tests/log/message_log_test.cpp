#include "base/log/message_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "test_support.h"

namespace tessel {
namespace {

class MessageLogTest : public ::testing::Test {
protected:
    void SetUp() override { log.clear(); }
    MessageLog log;
};

TEST_F(MessageLogTest, EmptyAndControlCharactersBecomeBlanks) {
    log.add("", 1000);
    EXPECT_EQ(log.text(0), " ");
    log.add("one\ntwo\tthree\rfour", 1000);
    EXPECT_EQ(log.text(0), "one two three four");
    EXPECT_EQ(log.count(), 2);
}

TEST_F(MessageLogTest, MarkersSetBonusesAndAreRemoved) {
    log.add("![note] left click on Setup / config to create.", 1000);
    EXPECT_EQ(log.text(0), "[note] left click on Setup / config to create.");
    EXPECT_EQ(log.stamp(0), 11000);

    log.add("![error] failed", 1000);
    EXPECT_EQ(log.text(0), "[error] failed");
    EXPECT_EQ(log.stamp(0), 6000) << "the error bonus replaces the emphasis bonus";

    log.add("[silent] quiet", 50000);
    EXPECT_EQ(log.text(0), "quiet");
    EXPECT_EQ(log.stamp(0), 20000);
}

TEST_F(MessageLogTest, TransientMessageIsReplacedByTheNextOnly) {
    log.add("first", 1);
    log.add("~progress 1", 2);
    log.add("~progress 2", 3);
    log.add("done", 4);
    log.add("after", 5);
    ASSERT_EQ(log.count(), 3);
    EXPECT_EQ(log.text(0), "after");
    EXPECT_EQ(log.text(1), "done");
    EXPECT_EQ(log.text(2), "first");
}

TEST_F(MessageLogTest, LongMessageKeepsItsStartAndMarksTheCut) {
    // A path of 6 KB: the kind and the reason stay readable, the cut end shows as "...".
    const std::string path = "/" + std::string(6000, 'p') + "/end.txt";
    log.add("[note] path too long, skipped: " + path, 1);
    const std::string shown = log.text(0);
    EXPECT_EQ(shown.size(), 189u);
    EXPECT_TRUE(shown.starts_with("[note] path too long, skipped: /ppp"));
    EXPECT_TRUE(shown.ends_with("p..."));
    // A message that fits is kept whole.
    const std::string fits(189, 'b');
    log.add(fits, 2);
    EXPECT_EQ(log.text(0), fits);
    EXPECT_EQ(logColorOf(shown).r, logColorOf("[note] x").r);
}

TEST_F(MessageLogTest, RingDropsTheOldestAndSnapshotListsOldestFirst) {
    for (int i = 1; i <= 101; ++i) log.add("m" + std::to_string(i), i);
    EXPECT_EQ(log.count(), 100);
    EXPECT_EQ(log.text(0), "m101");
    EXPECT_EQ(log.text(99), "m2");
    std::string expected;
    for (int i = 2; i <= 101; ++i) expected += "m" + std::to_string(i) + "\r\n";
    EXPECT_EQ(log.takeSnapshot(), expected);
    EXPECT_TRUE(log.hasSnapshot());
    log.freeSnapshot();
    EXPECT_FALSE(log.hasSnapshot());
}

TEST(LogColors, ByPrefix) {
    EXPECT_EQ(logColorOf("[error] x").r, 255);
    EXPECT_EQ(logColorOf("[note] x").g, 128);
    EXPECT_EQ(logColorOf("[blue] x").b, 255);
    EXPECT_EQ(logColorOf("[info] x").r, 144);
    EXPECT_EQ(logColorOf("plain").r, 144);
}

TEST(LogFunctions, ErrorPrefixesAndToolkitKinds) {
    testing::LogCapture capture;
    logError(0, "disk %d", 3);
    logError(2, "bare");
    setToolkitErrorDetail("detail text");
    logError(1, "with detail");
    setToolkitErrorDetail("");
    toolkitMessage(2, "careful");
    toolkitMessage(3, "cache cleared 5");
    toolkitMessage(7, "ignored");
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], "[error] error: disk 3");
    EXPECT_EQ(messages[1], "[error] bare");
    EXPECT_EQ(messages[2], "[error] error: with detail\n\ndetail text");
    EXPECT_EQ(messages[3], "[note] warn: careful");
    EXPECT_EQ(messageLog().text(0), "[note] warn: careful");
}

TEST(LogFunctions, LoggingFromManyThreadsKeepsEveryMessageWhole) {
    messageLog().clear();
    auto writer = [](char letter) {
        for (int i = 0; i < 2000; ++i) logMessage("%s", std::string(150, letter).c_str());
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    for (int slot = 0; slot < kLogSlots; ++slot) {
        std::string text = messageLog().text(slot);
        ASSERT_EQ(text.size(), 150u);
        EXPECT_EQ(text, std::string(150, text[0]));
    }
}

TEST(StatusInfoTest, HashTextIsLoggedWithoutMarkersAndKeptHalfASecond) {
    testing::LogCapture capture;
    StatusInfo info;
    int redraws = 0;
    info.redraw = [&] { ++redraws; };
    info.show("#highlights reset.", false, false);
    EXPECT_STREQ(info.infoText, "highlights reset.");
    ASSERT_EQ(capture.messages().size(), 1u);
    EXPECT_EQ(capture.messages()[0], "highlights reset.");
    EXPECT_GE(info.infoExpiry, tickMs() + 400);
    info.expire(info.infoExpiry - 1);
    EXPECT_STREQ(info.infoText, "highlights reset.");
    info.expire(info.infoExpiry);
    EXPECT_STREQ(info.infoText, "");

    info.show("![note] careful", true, true);
    EXPECT_STREQ(info.infoText, "careful");
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(capture.messages().size(), 1u) << "doNotLog";

    info.showBlue("log copied to clipboard.", false, false);
    EXPECT_STREQ(info.infoText, "log copied to clipboard.");
    EXPECT_EQ(capture.messages().back(), "[blue] log copied to clipboard.");
}

TEST(ErrorDetails, ListTextAndLimit) {
    clearErrorDetails();
    EXPECT_EQ(errorDetailsText(), "there are no messages.");
    testing::LogCapture capture;
    addErrorDetail("line %d\nbroken", 1);
    addErrorDetailQuiet("quiet");
    EXPECT_EQ(capture.messages().size(), 1u);
    EXPECT_EQ(errorDetailsText(), "line 1 broken\n\nquiet\n\n");
    for (int i = 0; i < 200; ++i) addErrorDetailQuiet("%s", std::string(1000, 'x').c_str());
    EXPECT_LE(errorDetailsText().size(), 99979u);
    clearErrorDetails();
}

TEST(OutOfMemory, BoxForTheFirstThreeLoggedAlways) {
    resetOutOfMemoryReports();
    int boxes = 0;
    std::string lastBox;
    setMessageBoxHook([&](const char* title, const char* text) {
        ++boxes;
        EXPECT_STREQ(title, "error:");
        lastBox = text;
    });
    testing::LogCapture capture;
    reportOutOfMemory(12, 4096);
    EXPECT_EQ(lastBox,
              "out of memory. (12, 4096)\n\nthe application may be unstable,\n"
              "a restart is recommended.");
    reportOutOfMemory(13);
    EXPECT_EQ(lastBox.substr(0, 19), "out of memory. (13)");
    reportOutOfMemory(14, 1);
    reportOutOfMemory(15, 1);
    EXPECT_EQ(boxes, 3);
    EXPECT_EQ(capture.messages().size(), 4u);
    EXPECT_TRUE(outOfMemoryReported());
    setMessageBoxHook(nullptr);
    resetOutOfMemoryReports();
}

}  // namespace
}  // namespace tessel
