#include "view/log_button.h"

#include <gtest/gtest.h>

#include "platform/key_codes.h"
#include "test_support.h"
#include "base/log/message_log.h"

namespace tessel {
namespace {

using testing::LogCapture;

class LogButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        messageLog().displayMode = 0;
        messageLog().wide = false;
        messageLog().freeSnapshot();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(LogButtonTest, HoverShowsTheLogOnlyFromTheFadingMode) {
    MessageLog& log = messageLog();
    EXPECT_TRUE(logButtonHover(true));
    EXPECT_EQ(log.displayMode, 1);
    EXPECT_TRUE(log.wide);
    EXPECT_TRUE(logButtonHover(false));
    EXPECT_EQ(log.displayMode, 0);
    EXPECT_FALSE(log.wide);

    // A pinned log stays pinned when the pointer comes and goes.
    logButtonClick(false, 0);
    EXPECT_EQ(log.displayMode, 2);
    EXPECT_FALSE(logButtonHover(true));
    EXPECT_FALSE(logButtonHover(false));
    EXPECT_EQ(log.displayMode, 2);
}

TEST_F(LogButtonTest, ClicksPinWidenAndClose) {
    MessageLog& log = messageLog();
    logButtonHover(true);
    logButtonClick(false, 0);
    EXPECT_EQ(log.displayMode, 2);
    EXPECT_TRUE(log.wide);
    logButtonClick(false, kModShift);
    EXPECT_EQ(log.displayMode, 2);
    EXPECT_FALSE(log.wide);
    logButtonClick(false, 0);
    EXPECT_EQ(log.displayMode, 0);
    EXPECT_FALSE(log.wide);
    // SHIFT outside the pinned mode is a plain click.
    logButtonClick(false, kModShift);
    EXPECT_EQ(log.displayMode, 2);
}

TEST_F(LogButtonTest, ControlClickSwitchesTraceMode) {
    const bool before = traceMode();
    LogCapture log;
    logButtonClick(false, kModControl);
    EXPECT_NE(traceMode(), before);
    EXPECT_TRUE(log.contains(traceMode() ? "Trace mode on" : "Trace mode off"));
    logButtonClick(false, kModControl);
    EXPECT_EQ(traceMode(), before);
    EXPECT_EQ(messageLog().displayMode, 0);
}

TEST_F(LogButtonTest, CopyPrefersTheWaitingSnapshotAndFreesIt) {
    logMessage("first line for the snapshot");
    messageLog().takeSnapshot();
    logMessage("after the snapshot");
    LogCopy copy = takeLogForClipboard();
    EXPECT_STREQ(copy.status, "recent log snapshot copied to clip.");
    EXPECT_NE(copy.text.find("first line for the snapshot\r\n"), std::string::npos);
    EXPECT_EQ(copy.text.find("after the snapshot"), std::string::npos);
    EXPECT_FALSE(messageLog().hasSnapshot());

    copy = takeLogForClipboard();
    EXPECT_STREQ(copy.status, "log copied to clipboard.");
    EXPECT_NE(copy.text.find("after the snapshot\r\n"), std::string::npos);
    EXPECT_FALSE(messageLog().hasSnapshot());
}

}  // namespace
}  // namespace tessel
