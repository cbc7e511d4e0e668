#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "config_test_support.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::ConfigTest;
using testing::LogCapture;

TEST(SettingTable, RowsCoverEveryIdOnceWithSoundShapes) {
    auto table = settingTable();
    ASSERT_EQ(table.size(), 294u);
    std::set<std::string> keys;
    for (size_t i = 0; i < table.size(); ++i) {
        const SettingDescriptor& row = table[i];
        EXPECT_EQ(row.id, static_cast<int>(101 + i));
        EXPECT_GE(row.page, 0);
        EXPECT_LE(row.page, 8);
        EXPECT_NE(static_cast<int>(row.type), 4);
        std::string key = row.key;
        if (!key.empty()) {
            std::string lower;
            for (char c : key) lower += static_cast<char>(std::tolower(c));
            EXPECT_TRUE(keys.insert(lower).second) << "duplicate key " << key;
            EXPECT_TRUE(row.flags & kSettingPersisted) << key;
        }
        if (row.type == SettingType::kText) {
            EXPECT_TRUE(row.size == 100 || row.size == 512 || row.size == 2048) << row.id;
            EXPECT_STREQ(row.defaultText, "");
        }
        if (row.type == SettingType::kNumberList) {
            EXPECT_EQ(row.size, 8);
        }
    }
    // Rows 101 ... 108 select the pages.
    EXPECT_STREQ(table[0].caption, "config");
    EXPECT_STREQ(table[7].caption, "3");
}

TEST(SettingTable, SpotChecksOfKeyedRows) {
    QVConfig& store = config();
    struct Expect {
        const char* key;
        int id;
        SettingType type;
        int page;
    } rows[] = {
        {"addbmbottom", 125, SettingType::kFlag, 1},
        {"filemask", 145, SettingType::kText, 2},
        {"autoreloadmask", 153, SettingType::kText, 2},
        {"dragspeed", 174, SettingType::kNumber, 3},
        {"menufont", 223, SettingType::kText, 3},
        {"popupexteditor", 255, SettingType::kFlag, 4},
        {"enableClipAutomation", 282, SettingType::kFlag, 5},
        {"netRawAutoLF", 304, SettingType::kFlag, 5},
        {"usectxlines", 313, SettingType::kText, 6},
        {"ctx1vmatch", 318, SettingType::kText, 6},
        {"ctxv11path", 345, SettingType::kText, 7},
        {"ctxv30match", 392, SettingType::kText, 8},
    };
    for (const Expect& row : rows) {
        EXPECT_EQ(store.idOf(row.key), row.id) << row.key;
        const SettingDescriptor* descriptor = store.descriptor(row.id);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_EQ(descriptor->type, row.type) << row.key;
        EXPECT_EQ(descriptor->page, row.page) << row.key;
    }
    EXPECT_EQ(store.descriptor(153)->size, 2048);
    EXPECT_EQ(store.idOf("ctxv1match"), 0);  // rule 1 is spelled differently
}

TEST(ContextSlots, PositionsSkipTheGaps) {
    EXPECT_TRUE(isContextSlot(9));
    EXPECT_FALSE(isContextSlot(10));
    EXPECT_FALSE(isContextSlot(13));
    EXPECT_TRUE(isContextSlot(14));
    EXPECT_FALSE(isContextSlot(27));
    EXPECT_TRUE(isContextSlot(37));
    EXPECT_FALSE(isContextSlot(38));
    EXPECT_EQ(contextSlotOfRule(1), 0);
    EXPECT_EQ(contextSlotOfRule(11), 14);
    EXPECT_EQ(contextSlotOfRule(30), 37);
    EXPECT_EQ(contextSlotOfRule(31), -1);
}

TEST(ValueConversion, WordsHexDecimalAndOverflow) {
    EXPECT_EQ(configValueOf("yes"), 1);
    EXPECT_EQ(configValueOf("on"), 1);
    EXPECT_EQ(configValueOf("true"), 1);
    EXPECT_EQ(configValueOf("off"), 0);
    EXPECT_EQ(configValueOf("0x1F"), 31);
    EXPECT_EQ(configValueOf("0xFFFFFFFF"), -1);
    EXPECT_EQ(configValueOf("-12abc"), -12);
    EXPECT_EQ(configValueOf("default"), 0);
    EXPECT_EQ(configValueOf("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(configValueOf("-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(configValueOf("0x123456789ABCDEF"), -1);
}

class SettingStore : public ConfigTest {};

TEST_F(SettingStore, TextAtCapacityIsStoredOneMoreIsRefused) {
    QVConfig& store = config();
    int id = store.idOf("filemask");
    std::string exact(512, 'a');
    EXPECT_EQ(store.setText(id, exact), 0);
    EXPECT_EQ(store.getText(id), exact);
    LogCapture log;
    EXPECT_EQ(store.setText(id, exact + "b"), 9);
    EXPECT_TRUE(log.contains("string too long for filemask (max 512)"));
    EXPECT_EQ(store.getText(id), exact);
    // A line break could not be written back to the file.
    EXPECT_EQ(store.setText(id, "a\nb"), 9);
    EXPECT_TRUE(log.contains("line break in value refused for filemask"));
}

TEST_F(SettingStore, WrongIdsAndTypesGiveNeutralValues) {
    QVConfig& store = config();
    LogCapture log;
    EXPECT_STREQ(store.getText(999), "");
    EXPECT_TRUE(log.contains("conf.wrong.id 999"));
    EXPECT_STREQ(store.getText(store.idOf("loadsub")), "");
    EXPECT_TRUE(log.contains("conf.no.string 157"));
    EXPECT_EQ(store.getInt(store.idOf("filemask")), 0);
    EXPECT_TRUE(log.contains("int. #21120902"));
    EXPECT_EQ(store.setInt(store.idOf("filemask"), 1), 9);
    EXPECT_EQ(store.getFontName(5), std::string());
    EXPECT_TRUE(log.contains("wrong fnum 5"));
    EXPECT_EQ(store.getListItem(188, 8), 0);
    EXPECT_EQ(store.getVar(1518), "");
    EXPECT_TRUE(log.contains("wrong var index 1518"));
    EXPECT_EQ(store.setVar(999, "x"), 9);
    EXPECT_TRUE(log.contains("illegal set index: 999"));
}

TEST_F(SettingStore, NumbersFromTextFallBackAndReadersClamp) {
    QVConfig& store = config();
    store.setText("scrollfactor", "");
    EXPECT_EQ(store.getNumber("scrollfactor", 3), 3);
    EXPECT_EQ(store.scrollFactor(), 3);
    store.setText("scrollfactor", "9");
    EXPECT_EQ(store.scrollFactor(), 5);
    store.setInt("dragspeed", 1000);
    EXPECT_DOUBLE_EQ(store.dragSpeedFactor(), 2.0);
    EXPECT_EQ(store.getNumber("netTextReceivePort", 0), 21323);
}

TEST_F(SettingStore, NumberListOverflowFillsAllAndReports) {
    QVConfig& store = config();
    LogCapture log;
    EXPECT_EQ(store.setListFromText(188, "1,2,3,4,5,6,7,8,9"), 9);
    EXPECT_TRUE(log.contains("config overflow 188 8"));
    EXPECT_EQ(store.getListItem(188, 7), 8);
    EXPECT_EQ(store.setListFromText(188, "5,6,"), 0);
    EXPECT_EQ(store.getListItem(188, 1), 6);
    EXPECT_EQ(store.getListItem(188, 2), 0);
}

TEST_F(SettingStore, FontKeywords) {
    QVConfig& store = config();
    FontSetting before = store.getFont(0);
    EXPECT_EQ(before.name, "Courier New");  // linux mode main font
    EXPECT_EQ(before.height, 18);
    EXPECT_EQ(applyConfigKeyword("mainfont", "default"), 0);
    EXPECT_EQ(store.getFont(0).name, "Courier New");

    EXPECT_EQ(applyConfigKeyword("mainfont", "Consolas,8,16,400,1"), 0);
    FontSetting font = store.getFont("mainfont");
    EXPECT_EQ(font.name, "Consolas");
    EXPECT_EQ(font.width, 8);
    EXPECT_EQ(font.height, 16);
    EXPECT_EQ(font.weight, 400);
    EXPECT_EQ(font.lineSpacing, 1);
    EXPECT_EQ(store.getInt(190), 1);

    LogCapture log;
    EXPECT_EQ(applyConfigKeyword("mainfont", "Consolas"), 9);
    EXPECT_TRUE(log.contains("wrong font syntax: mainfont Consolas"));
    EXPECT_EQ(applyConfigKeyword("bookfont", std::string(191, 'n') + ",1,2,3,4"), 9);
    EXPECT_TRUE(log.contains("font name too long"));
    EXPECT_EQ(store.getFont(0).name, "Consolas");
}

TEST_F(SettingStore, TableKeywordsIgnoreCaseAndTakeValues) {
    QVConfig& store = config();
    EXPECT_EQ(applyConfigKeyword("SaveConfigONExit", "no"), 0);
    EXPECT_EQ(store.getInt("saveConfigOnExit"), 0);
    EXPECT_EQ(applyConfigKeyword("dragspeed", "0x20"), 0);
    EXPECT_EQ(store.getInt("dragspeed"), 32);
    EXPECT_EQ(applyConfigKeyword("filemask", ".h .c"), 0);
    EXPECT_STREQ(store.getText("filemask"), ".h .c");
    // Keywords of the application settings are case-sensitive.
    EXPECT_EQ(applyConfigKeyword("MaxLoad", "300"), 9);
}

TEST_F(SettingStore, OneClickEditAndSearchExcludeEachOther) {
    QVConfig& store = config();
    LogCapture log;
    EXPECT_EQ(applyConfigKeyword("oneclickedit", "yes"), 0);
    EXPECT_NE(applyConfigKeyword("oneclicksearch", "yes"), 0);
    EXPECT_TRUE(log.contains("config: oneclickedit excludes oneclicksearch"));
    EXPECT_EQ(store.getInt("oneclicksearch"), 0);
    EXPECT_EQ(applyConfigKeyword("oneclicksearch", "no"), 0);
}

TEST_F(SettingStore, FontChoicePairsStayExclusive) {
    QVConfig& store = config();
    applyConfigKeyword("usemainfont2", "yes");
    EXPECT_EQ(store.getInt(kIdMainFont1InUse), 0);
    EXPECT_TRUE(appSettings().mainFont2Selected);
    applyConfigKeyword("usemainfont2", "no");
    EXPECT_EQ(store.getInt(kIdMainFont1InUse), 1);
    EXPECT_EQ(store.getInt(kIdUseMainFont2), 0);
}

TEST_F(SettingStore, OnlyRealChangesOfPersistedRowsTouch) {
    QVConfig& store = config();
    EXPECT_FALSE(store.anyTouched());
    store.setInt("loadsub", 1);  // its default: no change
    EXPECT_FALSE(store.anyTouched());
    store.setInt("loadsub", 0);
    EXPECT_TRUE(store.isTouched(157));
    store.setInt(190, 5);  // spacing row: dialog state, not written itself
    EXPECT_FALSE(store.isTouched(190));
    FontSetting font = store.getFont(1);
    font.height = 30;
    store.setFont(1, font);
    EXPECT_TRUE(store.isTouched(196));  // the font line is rewritten with the name row
    // Keywords say what the file holds; they are no change to write back.
    store.clearTouched();
    applyConfigKeyword("casesearch", "yes");
    EXPECT_FALSE(store.anyTouched());
    store.setVar(1000, "1");
    EXPECT_TRUE(store.variablesChanged());
}

TEST_F(SettingStore, ResetKeepsPlainTextsAndRestoresEverythingElse) {
    QVConfig& store = config();
    store.setText("filemask", ".x");
    store.setInt("loadsub", 0);
    store.setText(store.idOf("ctxv1path"), ".zzz");
    store.resetDefaults();
    EXPECT_STREQ(store.getText("filemask"), ".x");
    EXPECT_EQ(store.getInt("loadsub"), 1);
    EXPECT_STREQ(store.getText("ctxv1path"), ".cpp .cxx");
    EXPECT_STREQ(store.getText("ctxv11path"), "\"// help\"");
    EXPECT_EQ(store.getInt(kIdLinux), 1);
}

TEST_F(SettingStore, DigestFollowsFontValuesOnly) {
    QVConfig& store = config();
    uint64_t before = store.digest(kIdFontDigestFirst, kIdFontDigestLast);
    store.setInt("usemainfont2", 1);  // a flag: not part of the digest
    EXPECT_EQ(store.digest(kIdFontDigestFirst, kIdFontDigestLast), before);
    store.setFontName(2, "Sans");
    EXPECT_NE(store.digest(kIdFontDigestFirst, kIdFontDigestLast), before);
}

TEST_F(SettingStore, SettingLinesInTheirFormats) {
    QVConfig& store = config();
    std::string out;
    EXPECT_EQ(store.writeSettingLine(store.idOf("loadsub"), true, out), 1);
    EXPECT_EQ(store.writeSettingLine(store.idOf("filemask"), false, out), 1);
    EXPECT_EQ(store.writeSettingLine(store.idOf("dragspeed"), true, out), 1);
    EXPECT_EQ(store.writeSettingLine(store.idOf("menufont"), true, out), 1);
    EXPECT_EQ(out,
              "loadsub yes\r\n\r\nfilemask .cpp .hpp .txt\r\ndragspeed 100\r\n"
              "menufont Arial,8,18,800,0,0,0,0,0\r\n");
    out.clear();
    EXPECT_EQ(store.writeSettingLine(store.idOf("ctxv2path"), true, out), 1);
    EXPECT_EQ(out, "");  // written in the context section
    EXPECT_EQ(store.writeSettingLine(5, true, out), 0);
    LogCapture log;
    EXPECT_EQ(store.writeSettingLine(110, true, out), 0);
    EXPECT_TRUE(log.contains("missing cstore key for 110"));
}

}  // namespace
}  // namespace tessel
