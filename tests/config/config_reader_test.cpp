#include <gtest/gtest.h>

#include <string>

#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "config_test_support.h"
#include "base/codepage/code_page_tables.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::LogCapture;

class ConfigReader : public testing::ConfigTest {};

TEST_F(ConfigReader, DefaultTextGivesItsSettings) {
    setConfigPath(dir.path() + "/missing/tessel-config.txt");
    ASSERT_EQ(readConfig(true), 0);
    const ConfigFileState& state = configFile();
    EXPECT_TRUE(state.fromDefaults);
    EXPECT_EQ(state.configVersion, 170);
    QVConfig& store = config();
    EXPECT_STREQ(store.getText("filemask"), ".txt .cpp .hpp !.bak !.tmp");
    EXPECT_STREQ(store.getText("dirmask"), "!\\tmp !\\save");
    EXPECT_STREQ(store.getText("autoreloadmask"), "mydir1 mydir2 mydir3");
    EXPECT_STREQ(store.getText("reloaddelaysizemb"), "10");
    EXPECT_EQ(store.getInt("saveConfigOnExit"), 1);
    EXPECT_EQ(store.getInt("bookmarktabsize"), 1);
    EXPECT_EQ(store.getInt("globaldict"), 0);
    EXPECT_EQ(store.getInt("autosuggest"), 0);
    EXPECT_EQ(store.getInt("loadrelnames"), 1);
    const AppSettings& app = appSettings();
    EXPECT_EQ(app.maxLoadMb, 500);
    EXPECT_FALSE(app.maxLoadSetByUser);
    EXPECT_EQ(app.mouseBookDelay, 3000);
    EXPECT_EQ(app.wordShowTime, 1500);
    EXPECT_EQ(app.separatorLine, std::string(40, '-'));
    EXPECT_EQ(app.clipText[0], "$clipline");
    EXPECT_EQ(app.clipText[2], "class *$clipline NOT ;");
    EXPECT_EQ(app.clipText[4], "::$clipline");
    EXPECT_EQ(app.clipMinLines, 1);
    EXPECT_EQ(app.colors[kColorShlKeys6], 0x0060F0u);  // F06000 stored as BBGGRR
    EXPECT_TRUE(app.linuxMode);
    // Reading the defaults is no change to save.
    EXPECT_FALSE(store.anyTouched());
}

TEST_F(ConfigReader, LinuxModeRewritesTheLinuxLineInPlace) {
    std::string windows = defaultConfigTextFor(false);
    std::string linux = defaultConfigTextFor(true);
    EXPECT_EQ(windows.size(), linux.size());
    EXPECT_NE(windows.find("\nlinux default\n"), std::string::npos);
    EXPECT_NE(linux.find("\nlinux on     \n"), std::string::npos);
}

TEST_F(ConfigReader, KeywordsFromTheEnvironment) {
    EXPECT_EQ(applyConfigKeyword("maxload", "200"), 0);
    EXPECT_EQ(appSettings().maxLoadMb, 200);
    EXPECT_TRUE(isKeywordConfigured("maxload"));
    EXPECT_EQ(applyConfigKeyword("case", "no"), 0);
    LogCapture log;
    EXPECT_EQ(applyConfigKeyword("maxload", "5"), 9);
    EXPECT_EQ(appSettings().maxLoadMb, 20);
    EXPECT_TRUE(log.contains("wrong maxload value, specify at least 20"));
    EXPECT_EQ(applyConfigKeyword("nosuchkey", "1"), 9);
    EXPECT_TRUE(log.contains("unknown config keyword: \"nosuchkey\""));
    // Not from a line of the file: nothing to replace later.
    EXPECT_TRUE(configFile().lineMap.empty());
}

TEST_F(ConfigReader, ApplicationKeywordsCheckTheirValues) {
    LogCapture log;
    EXPECT_EQ(applyConfigKeyword("noumlauts", "yes"), 0);
    EXPECT_EQ(wordCharThreshold(), 0xFF);
    EXPECT_TRUE(log.contains("umlauts excluded on selection"));
    EXPECT_EQ(applyConfigKeyword("noumlauts", "no"), 0);
    EXPECT_EQ(wordCharThreshold(), 0xC0);
    EXPECT_EQ(applyConfigKeyword("cursorblinkspeed", "999"), 9);
    EXPECT_EQ(appSettings().cursorBlinkSpeed, 1000);
    EXPECT_EQ(applyConfigKeyword("framemode", "wobbly"), 9);
    EXPECT_EQ(applyConfigKeyword("framemode", "isolated"), 0);
    EXPECT_EQ(appSettings().frameMode, FrameMode::kIsolated);
    EXPECT_EQ(applyConfigKeyword("startbmset", "12"), 9);
    EXPECT_EQ(appSettings().startBmSet, 1);
    EXPECT_EQ(applyConfigKeyword("area", std::string(40, '1')), 9);
    EXPECT_EQ(applyConfigKeyword("area", "1:2:800:600"), 0);
    EXPECT_EQ(appSettings().area, "1:2:800:600");
    EXPECT_EQ(applyConfigKeyword("color", "group-miss 0x102030"), 0);
    EXPECT_EQ(appSettings().colors[kColorGroupMiss], 0x302010u);
    EXPECT_EQ(applyConfigKeyword("color", "shl-keys1 12345"), 9);
    EXPECT_TRUE(log.contains("wrong color value: 12345"));
    EXPECT_EQ(applyConfigKeyword("color", "shl-nothing 123456"), 9);
    EXPECT_EQ(applyConfigKeyword("mousebookdelay", "-5"), 0);
    EXPECT_EQ(appSettings().mouseBookDelay, -1);
    EXPECT_EQ(applyConfigKeyword("sidebartrans", "50"), 0);
    EXPECT_EQ(appSettings().sidebarAlpha, 127);
    EXPECT_EQ(applyConfigKeyword("clipautodelay", "10,20,30"), 0);
    EXPECT_EQ(appSettings().clipAutoDelayCurrent, 10);
    EXPECT_EQ(applyConfigKeyword("clipaddseparator", "yes"), 0);  // prefix keyword
    EXPECT_TRUE(appSettings().clipAddSep);
    EXPECT_EQ(applyConfigKeyword("reload-scan-max-time", "2147483647"), 0);
    EXPECT_EQ(appSettings().reloadScanMaxTimeMs, INT32_MAX);
}

TEST_F(ConfigReader, ValuesLoseTrailingRemarks) {
    ASSERT_EQ(readFileText("config-version 170\r\n"
                           "filemask .txt // comment\r\n"
                           "centralbookdir http://host/books // where\r\n"
                           "maxload 200     // MB\r\n"),
              0);
    EXPECT_STREQ(config().getText("filemask"), ".txt");
    EXPECT_EQ(appSettings().centralBookDir, "http://host/books");
    EXPECT_EQ(appSettings().maxLoadMb, 200);
}

TEST_F(ConfigReader, ConfigVersionMustComeFirst) {
    LogCapture log;
    EXPECT_EQ(readFileText("// remark\r\nmaxload 300\r\nconfig-version 170\r\ncasesearch yes\r\n"),
              1);
    EXPECT_TRUE(log.contains("config-version must be first entry."));
    EXPECT_EQ(appSettings().maxLoadMb, 500);
    EXPECT_EQ(config().getInt("casesearch"), 0);
}

TEST_F(ConfigReader, EqualsSignsAreRefusedExceptForTheSeparator) {
    LogCapture log;
    EXPECT_EQ(readFileText("config-version 170\nautofilter = no\nseparatorline ========\n"), 0);
    EXPECT_TRUE(log.contains("config file entry \"autofilter\" : do not use '=' to set a value."));
    EXPECT_EQ(config().getInt("autofilter"), 1);
    EXPECT_EQ(appSettings().separatorLine, "========");
}

TEST_F(ConfigReader, IndentedLineStopsReadingButKeepsWhatCameBefore) {
    LogCapture log;
    EXPECT_EQ(readFileText("config-version 170\ncasesearch yes\n  loadsub no\nloadhidden yes\n"),
              0);
    EXPECT_TRUE(log.contains("blank at line start in config line 3:"));
    EXPECT_EQ(config().getInt("casesearch"), 1);
    EXPECT_EQ(config().getInt("loadsub"), 1);
    EXPECT_EQ(config().getInt("loadhidden"), 0);
}

TEST_F(ConfigReader, BlockComments) {
    EXPECT_EQ(readFileText("config-version 170\n/* one line */\n/*\nloadsub no\n*/\n"
                           "loadhidden yes\n"),
              0);
    EXPECT_EQ(config().getInt("loadsub"), 1);
    EXPECT_EQ(config().getInt("loadhidden"), 1);

    LogCapture log;
    EXPECT_EQ(readFileText("config-version 170\n/*\nloadsub no\n"), 1);
    EXPECT_TRUE(log.contains("missing block comment close in config after:"));
    EXPECT_EQ(readFileText("config-version 170\n/*\nx\n*/ loadsub no\n"), 1);
    EXPECT_TRUE(log.contains("text not allowed after */ in config:"));
    EXPECT_EQ(readFileText("config-version 170\n/* x */ y\n"), 1);
    EXPECT_TRUE(log.contains("text not allowed after */ within config line:"));
}

TEST_F(ConfigReader, ErrorsInsideLinesNameTheLine) {
    LogCapture log;
    EXPECT_EQ(readFileText("config-version 170\n\nwhatever 12\n"), 0);
    EXPECT_TRUE(log.contains("unknown config keyword: \"whatever\""));
    EXPECT_TRUE(log.contains("near config file line 3"));
}

TEST_F(ConfigReader, ReloadResetsFlagsButKeepsPlainTexts) {
    ASSERT_EQ(readFileText("config-version 170\nfilemask .md\nloadhidden yes\n"), 0);
    ASSERT_EQ(readFileText("config-version 170\n"), 0);
    EXPECT_STREQ(config().getText("filemask"), ".md");
    EXPECT_EQ(config().getInt("loadhidden"), 0);
}

TEST_F(ConfigReader, ContextSectionFillsRulesInOrder) {
    ASSERT_EQ(readFileText("config-version 170\n<QVContext>\nqvctxpath .py\n"
                           "qvctxfind /def */\nqvctxpath\nqvctxfind\n// kept remark\n"
                           "bogus line\n</QVContext>\n"),
              0);
    EXPECT_STREQ(config().getText("ctxv1path"), ".py");
    EXPECT_STREQ(config().getText("ctx1vmatch"), "/def */");
    EXPECT_STREQ(config().getText("ctxv2path"), "");
    EXPECT_STREQ(config().getText("ctxv3path"), ".h* .c");  // untouched default
}

TEST_F(ConfigReader, TooManyContextRulesEndTheSection) {
    std::string text = "config-version 170\n<QVContext>\n";
    for (int i = 0; i < 31; ++i) text += "qvctxpath .x" + std::to_string(i) + "\nqvctxfind /x/\n";
    text += "</QVContext>\nloadhidden yes\n";
    LogCapture log;
    ASSERT_EQ(readFileText(text), 0);
    EXPECT_TRUE(log.contains("too many <QVContext> entries"));
    EXPECT_STREQ(config().getText("ctxv11path"), ".x10");
    EXPECT_STREQ(config().getText("ctxv30path"), ".x29");
    EXPECT_EQ(config().getInt("loadhidden"), 1);
}

TEST_F(ConfigReader, ControlsAndScripts) {
    LogCapture log;
    ASSERT_EQ(
        readFileText("config-version 170\r\n<QVControls>\r\n"
                     "control type=hotkey;views=;script=s1;title=ctrl+num1;parms=a\\x3bb\\\\c\r\n"
                     "control type=1;title=x\r\n"
                     "control type=action;views=v;script=s2;title=Go;parms=\r\n"
                     "</QVControls>\r\n<QVScripts>\r\nscript id=s1;cnt=7\r\n"
                     "   echo one\r\n     continued\r\n\r\nscript id=s2\r\n   echo two\r\n"
                     "</QVScripts>\r\n"),
        0);
    QVConfig& store = config();
    EXPECT_EQ(store.getVar(1000), "3");
    EXPECT_EQ(store.getVar(1001), "a;b\\c");
    EXPECT_EQ(store.getVar(1004), "ctrl+num1");
    EXPECT_TRUE(log.contains("wrong format 2 after control:"));
    EXPECT_EQ(store.getVar(1005), "1");  // the malformed line took no slot
    EXPECT_EQ(store.getVar(1266), "echo one\r\n  continued\r\n");
    EXPECT_EQ(store.getVar(1268), "s2");
    EXPECT_EQ(store.getVar(1267), "7");
    EXPECT_EQ(store.getVar(1270), "0");
    EXPECT_EQ(configFile().maxScriptCount, 7);
    EXPECT_TRUE(log.contains("numeric keypad is used for user functions."));
    EXPECT_FALSE(store.variablesChanged());
}

TEST_F(ConfigReader, StructuralSectionErrorsStopReading) {
    LogCapture log;
    EXPECT_EQ(readFileText("config-version 170\n<QVControls>\ncontrol type=1\nloadhidden yes\n"),
              1);
    EXPECT_TRUE(log.contains("missing </QVControls> in config after:"));
    EXPECT_EQ(readFileText("config-version 170\n<QVScripts>\nnot a script\n</QVScripts>\n"), 1);
    EXPECT_TRUE(log.contains("wrong syntax in <QVScripts> in config:"));
    EXPECT_EQ(readFileText("config-version 170\n<Language name=\"x\">\n"), 1);
    EXPECT_TRUE(log.contains("missing </Language> in config after:"));
}

TEST_F(ConfigReader, LanguageBlocksAndOnCommandsGoToTheirHooks) {
    std::string language;
    std::string command;
    configHooks().parseLanguage = [&](std::string_view block) {
        language = block;
        return 0;
    };
    configHooks().parseOnCommand = [&](std::string_view text, bool& keypad) {
        command = text;
        keypad = false;
        return true;
    };
    ASSERT_EQ(readFileText("config-version 170\non key ctrl+x\n   echo hi\n// more\n"
                           "<Language name=\"a\" ext=\"b\">\n</Language>\nloadhidden yes\n"),
              0);
    EXPECT_EQ(command, "key ctrl+x\n   echo hi\n// more");
    EXPECT_EQ(language, "<Language name=\"a\" ext=\"b\">\n</Language>");
    EXPECT_EQ(configFile().onCommands.size(), 1u);
    EXPECT_EQ(config().getInt("loadhidden"), 1);
}

TEST_F(ConfigReader, GarbageBinaryAndHugeFilesAreReportedNotApplied) {
    LogCapture log;
    std::string binary = "config-version 170\nloadhidden yes\n";
    binary += std::string("\0\x01\x02", 3);
    EXPECT_EQ(readFileText(binary), 1);
    EXPECT_TRUE(log.contains("config file contains binary data (zero byte in line 3):"));
    EXPECT_EQ(config().getInt("loadhidden"), 0);

    std::string huge(kMaxConfigBytes + 1, 'x');
    EXPECT_EQ(readFileText(huge), 1);
    EXPECT_TRUE(log.contains("config file too large"));

    // At start-up the defaults run instead, but the file is not overwritten by them.
    EXPECT_EQ(readConfig(true), 0);
    EXPECT_TRUE(configFile().writeBlocked);
    config().setInt("loadhidden", 1);
    EXPECT_NE(saveConfigIfChanged(), 0);
    EXPECT_EQ(fileText().size(), huge.size());

    // Lines without an end, stray control bytes and an unterminated last line.
    EXPECT_EQ(readFileText("config-version 170\n\x7f\x80\xff garbage\rloadhidden yes"), 0);
    EXPECT_EQ(readFileText("config-version 170\nloadhidden yes"), 0);
    EXPECT_EQ(config().getInt("loadhidden"), 1);
}

TEST_F(ConfigReader, ReloadOfAnUnreadableFileKeepsTheCurrentState) {
    ASSERT_EQ(readFileText("config-version 170\r\n<QVScripts>\r\nscript id=a\r\n   x\r\n"
                           "</QVScripts>\r\n"),
              0);
    dir.write("tessel-config.txt", std::string("\0", 1));
    EXPECT_EQ(readConfig(false), 1);
    EXPECT_EQ(config().getVar(1265), "a");
    EXPECT_TRUE(configFile().writeBlocked);
}

}  // namespace
}  // namespace tessel
