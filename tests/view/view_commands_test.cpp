#include "view/view_commands.h"

#include <gtest/gtest.h>

#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "test_support.h"
#include "view/view.h"
#include "view/view_keys.h"

namespace tessel {
namespace {

using testing::LogCapture;

TEST(ViewCommandsTest, TabSizesCycleAndRestartFromForeignValues) {
    EXPECT_EQ(nextTabSize(3, false), 4);
    EXPECT_EQ(nextTabSize(4, false), 8);
    EXPECT_EQ(nextTabSize(8, false), 2);
    EXPECT_EQ(nextTabSize(2, false), 3);
    EXPECT_EQ(nextTabSize(5, false), 3);
    EXPECT_EQ(nextTabSize(60, true), 20);
    EXPECT_EQ(nextTabSize(20, true), 30);
    EXPECT_EQ(nextTabSize(3, true), 20);

    View view;
    view.tabSize = 8;
    EXPECT_EQ(viewKeyDown(view, kKeyTab, kModControl), 0);
    EXPECT_EQ(view.tabSize, 2);
    EXPECT_EQ(viewKeyDown(view, kKeyTab, kModControl | kModShift), 0);
    EXPECT_EQ(view.tabSize, 20);
}

TEST(ViewCommandsTest, AltTurnsControlKeysIntoPlainOnes) {
    // ALT GR arrives as CONTROL+ALT: it must not cycle tab sizes or views.
    EXPECT_EQ(effectiveModifiers(kModControl | kModAlt), kModAlt);
    View view;
    view.tabSize = 3;
    viewKeyDown(view, kKeyTab, kModControl | kModAlt);
    EXPECT_EQ(view.tabSize, 3);
}

TEST(ViewCommandsTest, SearchFlagTogglesReportTheirState) {
    View view;
    LogCapture log;
    const bool sequence = view.search.sequenceSensitive;
    EXPECT_EQ(viewKeyDown(view, kKeyF4, kModShift), 0);
    EXPECT_NE(view.search.sequenceSensitive, sequence);
    const bool operators = view.search.operatorsOn;
    EXPECT_EQ(viewKeyDown(view, kKeyF4, kModControl), 0);
    EXPECT_NE(view.search.operatorsOn, operators);
    EXPECT_TRUE(log.contains("[blue] AND OR NOT * treated as search text."));
    const bool caseOn = view.search.caseSensitive;
    EXPECT_EQ(viewKeyDown(view, kKeyF7, 0), 0);
    EXPECT_NE(view.search.caseSensitive, caseOn);
}

TEST(ViewCommandsTest, DelayCycleAndPowerSettings) {
    EXPECT_EQ(nextSearchDelay(800), 400);
    EXPECT_EQ(nextSearchDelay(1600), 800);
    EXPECT_EQ(nextSearchDelay(123), 800);

    // The power settings change the process-wide settings: put them back for later tests.
    const char* keys[] = {"autoreload", "autofilter",   "assist",     "casesearch",
                          "searchseq",  "accentsearch", "punctsearch"};
    int saved[7];
    for (int i = 0; i < 7; ++i) saved[i] = config().getInt(keys[i]);
    View view;
    view.search.caseSensitive = true;
    view.search.sequenceSensitive = true;
    LogCapture log;
    EXPECT_EQ(viewChar(view, 0x10, kModShift), 0);  // CONTROL+SHIFT+P
    EXPECT_FALSE(view.search.caseSensitive);
    EXPECT_FALSE(view.search.sequenceSensitive);
    EXPECT_FALSE(view.search.accentSensitive);
    EXPECT_TRUE(view.search.autoFilter);
    EXPECT_TRUE(log.contains("[blue] power settings."));
    EXPECT_TRUE(log.contains("reduced delay after typing."));
    EXPECT_EQ(config().getInt("assist"), 0);
    for (int i = 0; i < 7; ++i) config().setInt(keys[i], saved[i]);
}

}  // namespace
}  // namespace tessel
