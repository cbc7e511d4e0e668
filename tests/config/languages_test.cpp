#include "config/languages.h"

#include <gtest/gtest.h>

#include "base/log/message_log.h"
#include "config/user_controls.h"
#include "config_test_support.h"

namespace tessel::testing {
namespace {

class Languages : public ConfigTest {
  protected:
    void SetUp() override {
        ConfigTest::SetUp();
        clearLanguages();
    }
    void TearDown() override {
        clearLanguages();
        ConfigTest::TearDown();
    }
};

TEST_F(Languages, EveryMalformedDefinitionHasItsCode) {
    struct Case {
        const char* block;
        int code;
    };
    const Case cases[] = {
        {"<Lang name=\"a\">", 1},
        {"<Language >", 2},
        {"<Language name=a>", 2},
        {"<Language title=\"a\">", 10},
        {"<Language name=\"a\" ext=\"x>", 11},
        {"<Language name=\"a\" commentLine>", 13},
        {"<Language name=\"a\" commentLines=\"#\">", 14},
        {"<Language name=\"a\" commentStart>", 20},
        {"<Language name=\"a\" commentStarts=\"x\">", 21},
        {"<Language name=\"a\" commentEnd>", 22},
        {"<Language name=\"a\" commentEnds=\"x\">", 23},
        {"<Language name=\"a\" extends>", 24},
        {"<Language name=\"a\" extendsx=\"xml\">", 25},
        {"<Language name=\"a\" extends=\"html\">", 26},
        {"<Language name=\"a\" opt>", 27},
        {"<Language name=\"a\" option=\"nocase\">", 28},
        {"<Language name=\"a\" opt=\"case\">", 29},
        {"<Language name=\"a\" color=\"red\">", 30},
        {"<Language name=\"a\" ext=\"x\"> words </Language>", 31},
        {"<Language name=\"a\" ext=\"x\"><Keywords ></Keywords></Language>", 32},
        {"<Language name=\"a\" ext=\"x\"><Keywords id=\"keys1\"></Keywords></Language>", 33},
        {"<Language name=\"a\" ext=\"x\"><Keywords name=\"keys1\" x></Keywords></Language>", 34},
        {"<Language name=\"a\" ext=\"x\"><Keywords name=\"keys1\">if </Language>", 35},
    };
    LogCapture log;
    for (const Case& c : cases) {
        EXPECT_EQ(parseLanguage(c.block), c.code) << c.block;
    }
    EXPECT_EQ(languageCount(), 0);
    EXPECT_TRUE(log.contains("unsupported: extends=\"html\""));
    EXPECT_TRUE(log.contains("[note] only extends=\"xml\" is supported."));
    EXPECT_TRUE(log.contains("unsupported: opt=\"case\""));
    EXPECT_TRUE(log.contains("[note] only opt=\"nocase\" is supported."));
}

TEST_F(Languages, DefinitionsWithoutExtensionsAreSkipped) {
    LogCapture log;
    EXPECT_EQ(parseLanguage("<Language name=\"Lua\"></Language>"), 0);
    EXPECT_TRUE(log.contains("[note] missing ext= parameter, skipping language \"Lua\"."));
    EXPECT_EQ(parseLanguage("<Language name=\"Tcl\" ext=\"  \"></Language>"), 0);
    EXPECT_TRUE(log.contains("[note] empty ext= parameter, skipping language \"Tcl\"."));
    EXPECT_EQ(languageCount(), 0);
}

TEST_F(Languages, KeywordsKeepEveryGroupTheyAreIn) {
    ASSERT_EQ(parseLanguage("<Language name=\"q\" ext=\"Q\" opt=\"nocase\" commentLine=\"--\">\n"
                            "  <Keywords name=\"instre1\">Select from &lt;= a&amp;b</Keywords>\n"
                            "  <Keywords name=\"type2\">SELECT\tint\n</Keywords>\n"
                            "  <Keywords name=\"comments\"/>\n"
                            "  <Keywords name=\"my type\">x</Keywords>\n"
                            "</Language>"),
              0);
    const Language* language = languageAt(0);
    ASSERT_NE(language, nullptr);
    EXPECT_EQ(language->extensions, " q ");
    EXPECT_EQ(language->commentLine, "--");
    ASSERT_EQ(language->words.size(), 6u);
    // Sorted without regard to case; the two spellings of select are one word.
    EXPECT_EQ(language->words[0].text, "<=");
    EXPECT_EQ(language->words[1].text, "a&b");
    EXPECT_EQ(language->words[2].text, "from");
    EXPECT_EQ(language->words[3].text, "int");
    EXPECT_EQ(language->words[4].text, "Select");
    EXPECT_EQ(language->words[4].groups, 0b1001);
    EXPECT_EQ(language->words[5].groups, 0b100000);
}

TEST_F(Languages, UnknownGroupEndsTheKeywordsButKeepsTheLanguage) {
    LogCapture log;
    ASSERT_EQ(parseLanguage("<Language name=\"x\" ext=\"x\"><Keywords name=\"keys2\">a</Keywords>"
                            "<Keywords name=\"colours\">b</Keywords>"
                            "<Keywords name=\"keys3\">c</Keywords></Language>"),
              0);
    EXPECT_TRUE(log.contains("unknown key group id: colours"));
    EXPECT_TRUE(log.contains("[error] within: <Keywords name=\"colours\">b"));
    ASSERT_EQ(languageCount(), 1);
    EXPECT_EQ(languageAt(0)->words.size(), 1u);
}

TEST_F(Languages, ExtensionsChooseTheLanguageAndTheCacheFollowsReads) {
    ASSERT_EQ(parseLanguage("<Language name=\"mine\" ext=\"h hpp\"></Language>"), 0);
    ASSERT_EQ(parseLanguage("<Language name=\"sql\" ext=\".sql\"></Language>"), 0);
    LanguageCache header;
    LanguageCache source;
    LanguageCache query;
    EXPECT_EQ(languageFor("h", header), languageAt(0));
    EXPECT_EQ(languageFor("hpp", header), languageAt(0));
    EXPECT_EQ(languageFor("cpp", source), nullptr);
    EXPECT_EQ(languageFor("sql", query), languageAt(1));
    EXPECT_EQ(languageFor("", source), nullptr);

    // A block whose cached language no longer fits looks again.
    setVerboseMode(true);
    LogCapture log;
    EXPECT_EQ(languageFor("sql", header), languageAt(1));
    EXPECT_TRUE(log.contains("tlre 0 mine"));
    EXPECT_TRUE(log.contains("ext sql lang sql"));
    setVerboseMode(false);

    clearLanguages();
    EXPECT_EQ(languageFor("hpp", header), nullptr);
    ASSERT_EQ(parseLanguage("<Language name=\"again\" ext=\"cpp\"></Language>"), 0);
    EXPECT_EQ(languageFor("cpp", source), languageAt(0));
}

TEST_F(Languages, TheConfigurationReaderLoadsThemThroughItsHooks) {
    installUserFeatureHooks(configHooks());
    LogCapture log;
    ASSERT_EQ(readConfigText("config-version 170\n"
                             "<Language name=\"lua\" ext=\"lua\" commentLine=\"--\">\n"
                             "<Keywords name=\"keys1\">local</Keywords>\n</Language>\n"
                             "<Language name=\"bad\" ext=\"b\" opt=\"fast\">\n</Language>\n"
                             "loadhidden yes\n"),
              0);
    EXPECT_EQ(languageCount(), 1);
    EXPECT_TRUE(log.contains("1 languages loaded."));
    EXPECT_TRUE(log.contains("[error] syntax error 29 near \"<Language name=\"bad\""));
    EXPECT_EQ(config().getInt("loadhidden"), 1);
    ASSERT_EQ(readConfigText("config-version 170\n"), 0);
    EXPECT_EQ(languageCount(), 0);
}

TEST_F(Languages, HighlightColourNames) {
    EXPECT_EQ(highlightColourCode("Red"), 16);
    EXPECT_EQ(highlightColourCode("magenta"), 27);
    EXPECT_EQ(highlightColourCode("orange"), 60);
    EXPECT_EQ(highlightColourCode("Orange"), 0);
    EXPECT_EQ(highlightColourCode("any"), 0);
}

}  // namespace
}  // namespace tessel::testing
