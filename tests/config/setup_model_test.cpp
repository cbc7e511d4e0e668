#include "config/setup_model.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/qv_config.h"
#include "config_test_support.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::ConfigTest;
using testing::LogCapture;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

const char* expectedKind(const SettingDescriptor& row) {
    switch (row.type) {
        case SettingType::kHeading:
            return (row.flags & kSettingInfoField) ? "info" : "heading";
        case SettingType::kText:
            return "text";
        case SettingType::kFlag:
            return "check";
        case SettingType::kNumber:
            return "number";
        case SettingType::kButton:
            return "button";
        case SettingType::kNumberList:
            return "list";
    }
    return "?";
}

// Every row of the table with a page appears on that page's dump, in table order, as the
// control its type asks for, with its caption and current value.
TEST(SetupModelTable, EveryPageDumpShowsItsTableRowsInOrder) {
    QVConfig store;
    SetupModel model(store);
    size_t rowsSeen = 0;
    for (int page = 1; page <= kSetupPages; ++page) {
        ASSERT_EQ(model.showPage(page), 0);
        std::vector<const SettingDescriptor*> expected;
        for (const SettingDescriptor& row : settingTable()) {
            if (row.page == page) expected.push_back(&row);
        }
        const std::vector<std::string> lines = split(model.dump(), '\n');
        ASSERT_EQ(lines.size(), expected.size()) << "page " << page;
        for (size_t i = 0; i < lines.size(); ++i) {
            const SettingDescriptor& row = *expected[i];
            const std::vector<std::string> fields = split(lines[i], '|');
            ASSERT_EQ(fields.size(), 6u) << lines[i];
            EXPECT_EQ(fields[0], "S");
            EXPECT_EQ(fields[1], std::to_string(row.id));
            EXPECT_EQ(fields[2], expectedKind(row)) << row.id;
            const bool textRow = row.type == SettingType::kText;
            const bool infoRow = (row.flags & kSettingInfoField) != 0;
            EXPECT_EQ(fields[3], textRow || infoRow ? "" : row.caption) << row.id;
            if (textRow) {
                EXPECT_EQ(fields[4], store.getText(row.id)) << row.id;
            }
            if (row.type == SettingType::kFlag) {
                EXPECT_EQ(fields[4], store.getInt(row.id) ? "1" : "0") << row.id;
            }
            EXPECT_EQ(fields[5], "1") << row.id;
        }
        rowsSeen += expected.size();
    }
    EXPECT_EQ(rowsSeen + kSetupPages, settingTable().size()) << "only the page buttons are left";
}

TEST(SetupModelTable, PagesByTheirButtonCaptions) {
    EXPECT_EQ(setupPageOf("config"), 1);
    EXPECT_EQ(setupPageOf("scroll/font"), 3);
    EXPECT_EQ(setupPageOf("Find/Edit"), 4);
    EXPECT_EQ(setupPageOf("ctx 1"), 6);
    EXPECT_EQ(setupPageOf("2"), 7) << "the button's caption, not a page number";
    EXPECT_EQ(setupPageOf("ctx 3"), 8);
    EXPECT_EQ(setupPageOf("ctx"), 0);
    EXPECT_EQ(setupPageOf(""), 0);
    EXPECT_STREQ(setupPageName(5), "general");
    EXPECT_STREQ(setupPageName(9), "");
}

TEST(SetupModelTable, OpensOnThePageUsedLast) {
    QVConfig store;
    {
        SetupModel first(store);
        first.showPage(5);
    }
    SetupModel second(store);
    EXPECT_EQ(second.page(), 5);
    EXPECT_EQ(second.showPage(0), 9);
    EXPECT_EQ(second.showPage(9), 9);
    EXPECT_EQ(second.page(), 5);
}

class SetupModelChanges : public ::testing::Test {
  protected:
    void SetUp() override { model.showPage(2); }
    QVConfig store;
    SetupModel model{store};
};

TEST_F(SetupModelChanges, TextsKeepAtMostTheirCapacityLessEleven) {
    LogCapture log;
    const std::string full(512, 'a');
    EXPECT_EQ(model.changeText(145, full), kSetupStored);
    EXPECT_EQ(std::string(store.getText(145)), std::string(501, 'a'));
    EXPECT_TRUE(store.isTouched(145));
    EXPECT_TRUE(log.contains("setting 145 keeps the first 501 of 512 characters."));

    store.clearTouched();
    EXPECT_EQ(model.changeText(145, std::string(501, 'a')), kSetupUnchanged);
    EXPECT_FALSE(store.isTouched(145)) << "an unchanged text is not written again";
    EXPECT_EQ(model.changeText(145, ".rs .go"), kSetupStored);
    EXPECT_STREQ(store.getText(145), ".rs .go");
    EXPECT_TRUE(store.isTouched(145));
}

TEST_F(SetupModelChanges, RowsOffThePageOrGreyedTakeNothing) {
    EXPECT_EQ(model.changeCheck(238, true), kSetupNotOnPage);
    EXPECT_EQ(store.getInt(238), 0);
    store.disable(143);
    EXPECT_EQ(model.changeCheck(143, true), kSetupDisabled);
    EXPECT_EQ(store.getInt(143), 0);
    const std::vector<SetupRow> rows = model.rows();
    for (const SetupRow& row : rows) EXPECT_EQ(row.enabled, row.id != 143) << row.id;
    EXPECT_NE(model.dump().find("S|143|check|use file mask|0|0\n"), std::string::npos);
}

TEST_F(SetupModelChanges, FlagsAndTheirExclusions) {
    EXPECT_EQ(model.change(157, "no"), kSetupStored);
    EXPECT_EQ(store.getInt(157), 0);
    EXPECT_TRUE(store.isTouched(157));
    EXPECT_EQ(model.change(157, "no"), kSetupUnchanged);

    model.showPage(4);
    LogCapture log;
    EXPECT_EQ(model.changeCheck(248, true), kSetupStored);
    EXPECT_EQ(model.changeCheck(244, true), kSetupRefused);
    EXPECT_EQ(store.getInt(244), 0);
    EXPECT_TRUE(log.contains("config: oneclickedit excludes oneclicksearch"));
    EXPECT_EQ(model.changeCheck(248, false), kSetupStored);
    EXPECT_EQ(model.changeCheck(244, true), kSetupStored);
}

TEST_F(SetupModelChanges, OneFontOfEachPairIsChosen) {
    model.showPage(3);
    EXPECT_EQ(model.changeCheck(kIdUseMainFont2, true), kSetupStored);
    EXPECT_EQ(store.getInt(kIdMainFont1InUse), 0);
    EXPECT_TRUE(store.isTouched(kIdUseMainFont2));
    EXPECT_EQ(model.changeCheck(kIdMainFont1InUse, true), kSetupStored);
    EXPECT_EQ(store.getInt(kIdUseMainFont2), 0);
    EXPECT_EQ(model.changeCheck(kIdBookFont1InUse, false), kSetupStored);
    EXPECT_EQ(store.getInt(kIdUseBookFont2), 1);
    EXPECT_EQ(model.changeCheck(kIdUseBookFont2, true), kSetupUnchanged);
}

TEST_F(SetupModelChanges, LineSpacingIsPartOfItsFontLine) {
    model.showPage(3);
    store.clearTouched();
    EXPECT_EQ(model.changeNumber(199, "3"), kSetupStored);
    EXPECT_EQ(store.getFont(1).lineSpacing, 3);
    EXPECT_EQ(store.getListItem(197, 3), 3);
    EXPECT_TRUE(store.isTouched(196)) << "the mainfont2 line is written with the new spacing";

    EXPECT_EQ(model.press(200), kSetupStored);  // "-"
    EXPECT_EQ(store.getFont(1).lineSpacing, 2);
    for (int i = 0; i < 40; ++i) model.press(201);  // "+"
    EXPECT_EQ(store.getFont(1).lineSpacing, 24) << "the buttons stop at a readable spacing";

    EXPECT_EQ(model.changeNumber(174, "150"), kSetupStored);
    EXPECT_EQ(store.getInt("dragspeed"), 150);
    EXPECT_EQ(model.changeText(174, "80"), kSetupStored) << "a number typed as text";
    EXPECT_EQ(store.getInt("dragspeed"), 80);
}

TEST_F(SetupModelChanges, FontNamesAndTheirDefaults) {
    model.showPage(3);
    LogCapture log;
    EXPECT_EQ(model.changeText(187, std::string(200, 'F')), kSetupRefused);
    EXPECT_TRUE(log.contains("font name too long"));
    EXPECT_EQ(model.changeText(187, "DejaVu Sans Mono"), kSetupStored);
    EXPECT_EQ(store.getFont(0).name, "DejaVu Sans Mono");
    EXPECT_EQ(model.press(232), kSetupStored);
    EXPECT_EQ(store.getFont(0).name, "Courier New");
    EXPECT_EQ(model.press(112), kSetupNotOnPage);
    model.showPage(1);
    EXPECT_EQ(model.press(112), kSetupUnchanged) << "the application acts on the config buttons";
    EXPECT_EQ(model.press(105), kSetupStored);
    EXPECT_EQ(model.page(), 5);
}

TEST_F(SetupModelChanges, HelpTextsStayWhileReadAndGoWithALaterMove) {
    EXPECT_TRUE(model.hover(143, 1000));
    EXPECT_EQ(model.info(), store.help(143));
    EXPECT_FALSE(model.hover(143, 9000)) << "resting on the control keeps its text";
    EXPECT_FALSE(model.hover(0, 3000)) << "a move within five seconds keeps the text";
    EXPECT_FALSE(model.hover(156, 5900)) << "a row without help keeps it too";
    EXPECT_TRUE(model.hover(0, 6001));
    EXPECT_EQ(model.info(), "");

    EXPECT_TRUE(model.hover(145, 7000));
    EXPECT_TRUE(model.hover(146, 7100)) << "another control shows its own text at once";
    EXPECT_EQ(model.info(), store.help(146));
    EXPECT_FALSE(model.hover(238, 7200)) << "a row of another page shows nothing";

    model.showInfo("OK 3 parts\nsecond line", 20000);
    EXPECT_NE(model.dump().find("S|167|info||OK 3 parts\\nsecond line|1\n"), std::string::npos);
    EXPECT_FALSE(model.hover(0, 24000));
    model.showPage(2);
    EXPECT_EQ(model.info(), "") << "a page starts with an empty information field";
}

// What the dialog changes, the configuration file gets: the changed line and nothing else.
class SetupModelFile : public ConfigTest {
  protected:
    // A file as the program writes it (font lines and sections included), read again as at
    // the next start.
    std::string writtenFile(const std::string& text) {
        EXPECT_EQ(readFileText(text), 0);
        EXPECT_EQ(writeConfig(), 0);
        const std::string written = fileText();
        EXPECT_EQ(readConfig(false), 0);
        return written;
    }
};

TEST_F(SetupModelFile, ChangingOneValueWritesExactlyItsLine) {
    const std::string before = writtenFile("config-version 170\r\ncasesearch no\r\n");
    SetupModel model(config());
    model.showPage(4);
    ASSERT_EQ(model.changeCheck(238, true), kSetupStored);
    ASSERT_EQ(saveConfigIfChanged(), 0);
    std::string expected = before;
    const size_t line = expected.find("casesearch no\r\n");
    ASSERT_NE(line, std::string::npos);
    expected.replace(line, 13, "casesearch yes");
    EXPECT_EQ(fileText(), expected);

    model.showPage(2);
    ASSERT_EQ(model.changeText(145, ".md .txt"), kSetupStored);
    ASSERT_EQ(saveConfigIfChanged(), 0);
    const std::string after = fileText();
    ASSERT_EQ(after.size(), expected.size() + std::string("\r\nfilemask .md .txt\r\n").size());
    EXPECT_NE(after.find("filemask .md .txt\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tessel
