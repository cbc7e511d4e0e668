#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "config_test_support.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::LogCapture;

// The five font lines as a save writes them: every read resets the fonts to their defaults
// before the file's own font lines apply, so the save after a read writes all five.
const std::string kFontLines =
    "mainfont Courier New,8,18,600,-1,0,0,0,0\r\n"
    "mainfont2 Courier New,0,19,700,0,0,0,0,0\r\n"
    "bookfont Arial,7,10,500,-1,0,0,0,0\r\n"
    "bookfont2 Courier New,0,13,500,0,0,0,0,0\r\n"
    "menufont Arial,8,18,800,0,0,0,0,0\r\n";

// A file as the writer leaves it: CR LF, the sections at the end.
const std::string kCanonical =
    "// my settings\r\n"
    "config-version 170\r\n"
    "\r\n"
    "maxload 300      // MB\r\n"
    "loadhidden no    // keep it small\r\n"
    "runeditor vi \"$absfile\"\r\n"
    "somethingnew 12\r\n"
    "on key ctrl+q\r\n"
    "   echo quit\r\n"
    "/*\r\n"
    "old stuff\r\n"
    "*/\r\n"
    "<Language name=\"x\" ext=\"xx\">\r\n"
    "</Language>\r\n" +
    kFontLines +
    "area 10:20:800:600\r\n"
    "\r\n"
    "<QVContext>\r\n"
    "qvctxpath .py\r\n"
    "qvctxfind /def */\r\n"
    "qvctxpath \r\n"
    "qvctxfind \r\n"
    "qvctxpath .h* .c\r\n"
    "qvctxfind /struct [1.30 chars of a-z]**{/\r\n"
    "</QVContext>\r\n"
    "\r\n"
    "<QVControls>\r\n"
    "control type=action;views=;script=s1;title=Go\\x3b now;parms=\r\n"
    "control type=;views=;script=;title=;parms=\r\n"
    "control type=hotkey;views=;script=s1;title=ctrl+f7;parms=\r\n"
    "</QVControls>\r\n"
    "\r\n"
    "<QVScripts>\r\n"
    "script id=s1;cnt=3\r\n"
    "   echo hello\r\n"
    "     joined\r\n"
    "\r\n"
    "</QVScripts>\r\n";

class ConfigWriter : public testing::ConfigTest {
  protected:
    // The rules 4 ... 23 of the canonical file: their defaults, written as they stand.
    static std::string canonicalWithDefaults() {
        std::string text = kCanonical;
        std::string rules;
        const char* defaults[][2] = {
            {".h* .cpp .cxx", "/class [1.30 chars of a-z]**{/"},
            {".js", "/[white]* = function*/[parts 2-4]/"},
            {".java",
             "/[white][1.30 chars of a-z][white][1.30 chars of a-z]([0.300 bytes of a-z0-9., "
             "\\r\\n\\t\\0])[0.100 bytes of a-z0-9 \\r\\n\\t\\0]{/"},
            {".php", "/class[white][1.500 bytes]{/"},
            {".php", "/function[white][1.500 bytes]{/"},
            {"", ""},
            {"", ""},
            {"\"// help\"", "/chapter *:*/"},
        };
        for (auto& rule : defaults) {
            rules += std::string("qvctxpath ") + rule[0] + "\r\nqvctxfind " + rule[1] + "\r\n";
        }
        // Rules 12 to 23 (Python, Rust, Go, shell) as the setting table gives them.
        for (int rule = 12; rule <= 23; ++rule) {
            const int pathId = kFirstContextId + 2 * contextSlotOfRule(rule);
            rules += std::string("qvctxpath ") + config().descriptor(pathId)->caption +
                     "\r\nqvctxfind " + config().descriptor(pathId + 1)->caption + "\r\n";
        }
        text.insert(text.find("</QVContext>"), rules);
        return text;
    }
};

TEST_F(ConfigWriter, UnchangedConfigurationIsWrittenByteForByte) {
    std::string canonical = canonicalWithDefaults();
    ASSERT_EQ(readFileText(canonical), 0);
    EXPECT_EQ(saveConfigIfChanged(), 0);  // the font lines, written as they stand
    EXPECT_EQ(fileText(), canonical);
    EXPECT_EQ(saveConfigIfChanged(), 1);  // nothing changed since, nothing written
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_EQ(fileText(), canonical);
    ASSERT_EQ(readConfig(false), 0);
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_EQ(fileText(), canonical);
}

TEST_F(ConfigWriter, ChangingOneSettingChangesOnlyItsLine) {
    std::string canonical = canonicalWithDefaults();
    ASSERT_EQ(readFileText(canonical), 0);
    config().setInt("loadhidden", 1);
    ASSERT_EQ(saveConfigIfChanged(), 0);
    std::string expected = canonical;
    std::string old = "loadhidden no    // keep it small\r\n";
    // The remark at the end of the line stays.
    expected.replace(expected.find(old), old.size(), "loadhidden yes    // keep it small\r\n");
    EXPECT_EQ(fileText(), expected);
    // Saved: nothing is pending any more, and the next save would change nothing.
    EXPECT_FALSE(config().anyTouched());
    EXPECT_EQ(saveConfigIfChanged(), 1);
}

TEST_F(ConfigWriter, MissingSettingsAreAppendedAfterAnEmptyLine) {
    ASSERT_EQ(readFileText("config-version 170\r\nloadsub yes\r\n" + kFontLines), 0);
    config().setInt("loadbin", 1);
    config().setText("filemask", ".rs");
    appSettings().startBmSet = 3;
    config().touch(kIdStartBmSet);
    ASSERT_EQ(saveConfigIfChanged(), 0);
    std::string written = fileText();
    EXPECT_EQ(written.substr(0, written.find("<QVContext>")),
              "config-version 170\r\nloadsub yes\r\n" + kFontLines +
                  "\r\nstartbmset 3\r\n\r\nfilemask .rs\r\n\r\nloadbin yes\r\n\r\n");
    // Read back: the same values, and saving again keeps the bytes.
    ASSERT_EQ(readConfig(false), 0);
    EXPECT_EQ(config().getInt("loadbin"), 1);
    EXPECT_STREQ(config().getText("filemask"), ".rs");
    EXPECT_EQ(appSettings().startBmSet, 3);
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_EQ(fileText(), written);
}

TEST_F(ConfigWriter, SectionsMoveToTheEndAndOtherLinesStay) {
    ASSERT_EQ(readFileText("config-version 170\n<QVContext>\nqvctxpath .a\nqvctxfind /a/\n"
                           "// inside\n</QVContext>\nloadsub no\n" +
                           kFontLines),
              0);
    ASSERT_EQ(writeConfig(), 0);
    std::string written = fileText();
    EXPECT_EQ(written.substr(0, written.find("\r\n<QVContext>")),
              "config-version 170\r\n// inside\r\nloadsub no\r\n" + kFontLines);
    EXPECT_NE(written.find("<QVContext>\r\nqvctxpath .a\r\nqvctxfind /a/\r\n"), std::string::npos);
    EXPECT_TRUE(written.ends_with("</QVControls>\r\n\r\n<QVScripts>\r\n</QVScripts>\r\n"));
}

TEST_F(ConfigWriter, ASettingOnTwoLinesIsRewrittenOnBoth) {
    ASSERT_EQ(
        readFileText("config-version 170\r\nloadbin no\r\n// x\r\nLoadBin off\r\n" + kFontLines),
        0);
    config().setInt("loadbin", 1);
    ASSERT_EQ(writeConfig(), 0);
    std::string written = fileText();
    EXPECT_EQ(written.substr(0, written.find("\r\n<QVContext>")),
              "config-version 170\r\nloadbin yes\r\n// x\r\nloadbin yes\r\n" + kFontLines);
}

TEST_F(ConfigWriter, LineEndsBecomeCrLfAndStrayCrsGo) {
    LogCapture log;
    ASSERT_EQ(
        readFileText("config-version 170\n" + kFontLines + "filemask .a\rlost tail text\n// end"),
        0);
    ASSERT_EQ(writeConfig(), 0);
    std::string written = fileText();
    EXPECT_EQ(written.substr(0, written.find("\r\n<QVContext>")),
              "config-version 170\r\n" + kFontLines + "filemask .a\r\n// end\r\n");
    EXPECT_TRUE(log.contains("config line truncated during save:"));
}

TEST_F(ConfigWriter, AreaAndSpaceLines) {
    ASSERT_EQ(readFileText("config-version 170\r\narea 1:1:500:500\r\nspace default\r\n"), 0);
    appSettings().area = "5:5:900:700";
    config().touch(kIdArea);
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_NE(fileText().find("\r\narea 5:5:900:700\r\nspace default\r\n"), std::string::npos);

    appSettings().space = "10:20";
    config().touch(kIdSpace);
    config().touch(kIdArea);
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_NE(fileText().find("\r\n// area 5:5:900:700\r\nspace 10:20\r\n"), std::string::npos);

    // A space value without ':' cannot be written; the old line stays.
    appSettings().space = "7";
    config().touch(kIdSpace);
    LogCapture log;
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_TRUE(log.contains("conf.save: wrong space content"));
    EXPECT_NE(fileText().find("\r\nspace 10:20\r\n"), std::string::npos);
    EXPECT_TRUE(config().isTouched(kIdSpace));
}

TEST_F(ConfigWriter, ControlsAndScriptsAreWrittenEscapedAndReadBack) {
    ASSERT_EQ(readFileText("config-version 170\r\n"), 0);
    QVConfig& store = config();
    store.setVar(1005, "2");  // control 1; control 0 stays free
    store.setVar(1006, "p;1\\2");
    store.setVar(1009, "scope");
    store.setVar(1265, "first");
    store.setVar(1266, "echo a\r\n  set findmask = /x/");
    ASSERT_TRUE(store.variablesChanged());
    ASSERT_EQ(saveConfigIfChanged(), 0);
    std::string written = fileText();
    EXPECT_NE(written.find("<QVControls>\r\ncontrol type=;views=;script=;title=;parms=\r\n"
                           "control type=scope;views=;script=;title=scope;parms=p\\x3b1\\\\2\r\n"
                           "</QVControls>"),
              std::string::npos);
    EXPECT_NE(written.find("<QVScripts>\r\nscript id=first;cnt=0\r\n   echo a\r\n"
                           "     set findmask = /x/\r\n\r\n</QVScripts>"),
              std::string::npos);
    ASSERT_EQ(readConfig(false), 0);
    EXPECT_EQ(store.getVar(1006), "p;1\\2");
    EXPECT_EQ(store.getVar(1266), "echo a\r\n  set findmask = /x/\r\n");
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_EQ(fileText(), written);
}

TEST_F(ConfigWriter, AClearedDefaultRuleStaysCleared) {
    ASSERT_EQ(readFileText("config-version 170\r\n"), 0);
    config().setText(config().idOf("ctxv11path"), "");
    config().setText(config().idOf("ctxv11match"), "");
    ASSERT_EQ(writeConfig(), 0);
    ASSERT_EQ(readConfig(false), 0);
    EXPECT_STREQ(config().getText("ctxv11path"), "");
    EXPECT_STREQ(config().getText("ctxv4path"), ".h* .cpp .cxx");
}

TEST_F(ConfigWriter, FailedWriteLeavesTheOldFileUntouched) {
    std::string original = "config-version 170\r\nloadbin no\r\n";
    ASSERT_EQ(readFileText(original), 0);
    config().setInt("loadbin", 1);
    // A file size limit makes the write fail the way a full disk does.
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    LogCapture log;
    int status = writeConfig();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(status, kWriteFailed);
    EXPECT_TRUE(log.contains("failed to write config file, probably disk full"));
    EXPECT_EQ(fileText(), original);
    EXPECT_TRUE(config().isTouched(config().idOf("loadbin")));
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ConfigWriter, AFileThatStoppedReadingDoesNotGrowWithEverySave) {
    std::string broken = "config-version 170\r\nloadsub yes\r\n" + kFontLines +
                         "  indented\r\nloadbin no\r\n"
                         "<QVScripts>\r\nscript id=kept\r\n   x\r\n</QVScripts>\r\n";
    ASSERT_EQ(readFileText(broken), 0);
    config().setInt("loadhidden", 1);
    ASSERT_EQ(saveConfigIfChanged(), 0);
    std::string once = fileText();
    // The new part goes in before the unread rest, which stays as it was.
    EXPECT_TRUE(once.starts_with("config-version 170\r\nloadsub yes\r\n" + kFontLines +
                                 "\r\nloadhidden yes\r\n\r\n<QVContext>\r\n"));
    EXPECT_TRUE(
        once.ends_with("</QVControls>\r\n  indented\r\nloadbin no\r\n<QVScripts>\r\n"
                       "script id=kept\r\n   x\r\n</QVScripts>\r\n"));
    EXPECT_EQ(once.find("<QVScripts>"), once.rfind("<QVScripts>"));
    ASSERT_EQ(readConfig(false), 0);
    EXPECT_EQ(config().getInt("loadhidden"), 1);
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_EQ(fileText(), once);
}

TEST_F(ConfigWriter, AnEmptyFileGetsAFirstLine) {
    ASSERT_EQ(readFileText(""), 0);
    config().setInt("loadbin", 1);
    ASSERT_EQ(saveConfigIfChanged(), 0);
    EXPECT_TRUE(
        fileText().starts_with("// Tessel configuration file\r\n\r\nconfig-version 160\r\n"));
    config().setInt("loadbin", 0);
    ASSERT_EQ(readConfig(false), 0);
    EXPECT_EQ(config().getInt("loadbin"), 1);
}

TEST_F(ConfigWriter, NothingReadNothingWritten) {
    LogCapture log;
    EXPECT_EQ(writeConfig(), kWriteNoData);
    EXPECT_TRUE(log.contains("cannot save config, missing data"));
}

TEST_F(ConfigWriter, ALinkedConfigurationStaysALink) {
    std::string target = dir.write("real/tessel-config.txt", "config-version 170\r\n");
    std::string link = dir.path() + "/link-config.txt";
    std::filesystem::create_symlink(target, link);
    setConfigPath(link);
    ASSERT_EQ(readConfig(false), 0);
    config().setInt("loadbin", 1);
    ASSERT_EQ(writeConfig(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(testing::readFile(target).find("loadbin yes"), std::string::npos);
}

}  // namespace
}  // namespace tessel
