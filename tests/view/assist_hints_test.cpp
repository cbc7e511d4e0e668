#include "view/assist_hints.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "platform/key_codes.h"
#include "setting_overrides.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/surf.h"
#include "view/view.h"

namespace tessel {
namespace {

using testing::LogCapture;

constexpr int64_t kMinute = 60 * 1000;

class AssistHintsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        settings.set("assist", 1);
        settings.set("softscrollenable", 0);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(store.addLine("text\n", true), 0);
        ASSERT_EQ(store.finish(), 0);
        view.search.textStorePtr = &store;
    }
    // n presses of one key, 100 ms apart from `start`; the number of hints they gave.
    int presses(const char* what, int n, int64_t start) {
        int hints = 0;
        for (int i = 0; i < n; ++i) hints += noteAssistInput(view, what, start + i * 100) == 0;
        return hints;
    }
    void setMask(const char* mask) {
        std::strncpy(view.search.findMask, mask, sizeof view.search.findMask - 1);
    }

    testing::SettingOverrides settings;
    TextStore store;
    View view;
};

TEST_F(AssistHintsTest, ScrollingUpByKeysGetsOneHintInAWhile) {
    LogCapture log;
    EXPECT_EQ(presses("cursor up", kUpKeyHintScore - 1, 1000), 0);
    EXPECT_EQ(presses("cursor up", 1, 3000), 1);
    EXPECT_TRUE(log.contains("To scroll faster:"));
    // Within a few minutes not again, however long the user goes on.
    EXPECT_EQ(presses("cursor up", 200, 4000), 0);
    // Later a run of presses earns it again; a page counts as several lines.
    EXPECT_EQ(presses("page up", 4, 10000 + kHintRepeatMs), 1);
    // Presses far apart are no run; CONTROL+UP (the previous result) is no scrolling.
    for (int i = 0; i < 50; ++i) noteAssistInput(view, "cursor up", i * (kUpKeyRunGapMs + 1));
    noteAssistKey(view, kKeyUp, kModControl);
    EXPECT_EQ(view.assist.upScore, 1);
}

TEST_F(AssistHintsTest, SilentOnceTheFasterWayWasUsedOrWithoutAssist) {
    config().setInt("assist", 0);
    EXPECT_EQ(presses("cursor up", 50, 0), 0);
    config().setInt("assist", 1);
    // Only a wheel turn upwards tells the hints.
    View down;
    down.search.textStorePtr = &store;
    wheel(down, -kWheelNotch, 0);
    EXPECT_FALSE(down.assist.fasterWayUsed);
    view.search.topLine = 50;
    wheel(view, kWheelNotch, 0);
    EXPECT_TRUE(view.assist.fasterWayUsed);
    EXPECT_EQ(presses("page up", 100, kHintRepeatMs), 0);
}

TEST_F(AssistHintsTest, FindButtonListsTheGesturesOnArrivalOnly) {
    LogCapture log;
    EXPECT_EQ(noteFindButtonHover(view, true, 1000), 0);
    EXPECT_TRUE(log.contains("To create a bookmark:"));
    // Resting on the button, or coming back soon, lists nothing more.
    EXPECT_EQ(noteFindButtonHover(view, true, 2000), 1);
    noteFindButtonHover(view, false, 3000);
    EXPECT_EQ(noteFindButtonHover(view, true, 4000), 1);
    noteFindButtonHover(view, false, 5000);
    EXPECT_EQ(noteFindButtonHover(view, true, 1000 + kMinute), 0);
    noteFindButtonHover(view, false, 5000 + kMinute);
    config().setInt("assist", 0);
    EXPECT_EQ(noteFindButtonHover(view, true, 10 * kMinute), 1);
}

TEST_F(AssistHintsTest, NoHitBubbleFollowsTheFilterResult) {
    setMask("nothing");
    view.filterMode = FilterMode::kFiltered;
    EXPECT_EQ(updateNoHitBubble(view), 0);
    EXPECT_EQ(updateNoHitBubble(view), 1);  // already open
    EXPECT_EQ(noHitBubbleLines(view).at(0), "no hit for \"nothing\".");
    // Each condition alone closes it, and it opens again after the next update.
    auto closesWhen = [&](auto change, auto restore) {
        change();
        EXPECT_EQ(updateNoHitBubble(view), 0);
        EXPECT_FALSE(noHitBubbleShown(view));
        restore();
        EXPECT_EQ(updateNoHitBubble(view), 0);
    };
    closesWhen([&] { view.search.hitCount = 1; }, [&] { view.search.hitCount = 0; });
    closesWhen([&] { view.search.searchPhase = SearchPhase::kScheduled; },
               [&] { view.search.searchPhase = SearchPhase::kDone; });
    closesWhen([&] { view.filterMode = FilterMode::kFileList; },
               [&] { view.filterMode = FilterMode::kFiltered; });
    closesWhen([&] { setMask(""); }, [&] { setMask("nothing"); });
    closesWhen([&] { config().setInt("assist", 0); }, [&] { config().setInt("assist", 1); });
    // Leaving the filtered view hides it even before the next update.
    view.filterMode = FilterMode::kFullText;
    EXPECT_TRUE(noHitBubbleLines(view).empty());
    view.filterMode = FilterMode::kFiltered;
    // The bubble stands framed in the middle of the text rows, as wide as its longest line.
    view.clientWidth = 800;
    view.clientHeight = 600;
    view.lineHeight = 20;
    view.rows = 30;
    TextMeasure measure;
    measure.width = [](std::string_view text) { return static_cast<int>(text.size()) * 7; };
    measure.lineHeight = 15;
    const BubbleShape bubble = noHitBubbleShape(view, measure);
    ASSERT_TRUE(bubble.shown);
    EXPECT_EQ(bubble.lines, noHitBubbleLines(view));
    const int width = 34 * 7 + 2 * bubble.padding;  // "Press INSERT to type another word,"
    const int height = 3 * 15 + 2 * bubble.padding;
    EXPECT_EQ(bubble.box.width, width);
    EXPECT_EQ(bubble.box.height, height);
    EXPECT_EQ(bubble.box.x, (800 - width) / 2);
    EXPECT_EQ(bubble.box.y, (28 * 20 - height) / 2);
    view.filterMode = FilterMode::kFullText;
    EXPECT_FALSE(noHitBubbleShape(view, measure).shown);
    view.filterMode = FilterMode::kFiltered;
    // A long mask is cut in the bubble.
    setMask(std::string(kMaskTextChars, 'q').c_str());
    EXPECT_EQ(updateNoHitBubble(view), 0);
    EXPECT_EQ(noHitBubbleLines(view).at(0),
              "no hit for \"" + std::string(kBubbleMaskChars, 'q') + "...\".");
}

}  // namespace
}  // namespace tessel
