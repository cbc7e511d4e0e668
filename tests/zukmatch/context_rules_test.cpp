#include "zukmatch/context_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "test_support.h"
#include "zukmatch/context_scan.h"

namespace tessel {
namespace {

using testing::LogCapture;

class ContextRulesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        config().initialize();
    }
    void TearDown() override {
        config().initialize();
        configHooks() = ConfigHooks{};
    }

    // Puts a rule into slot 0 (rule 1) and compiles it.
    int compileRule(const char* rule, std::string* dialog = nullptr) {
        EXPECT_EQ(config().setText("ctx1vmatch", rule), 0);
        return rules.compile(0, dialog);
    }

    ContextRules rules;
};

TEST_F(ContextRulesTest, EveryDefaultRuleCompiles) {
    LogCapture log;
    // Rules 1-8 and 11 of C, C++, Java, JavaScript, PHP and the help text; 12-23 for
    // Python, Rust, Go and shell scripts.
    EXPECT_EQ(rules.compileAll(), 21);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_TRUE(rules.isValid(contextSlotOfRule(1)));
    EXPECT_TRUE(rules.isValid(contextSlotOfRule(11)));
    EXPECT_TRUE(rules.isValid(contextSlotOfRule(23)));
    EXPECT_FALSE(rules.isValid(contextSlotOfRule(9)));
    EXPECT_FALSE(rules.isValid(contextSlotOfRule(24)));
    EXPECT_FALSE(rules.isValid(10));  // a gap between the rule pages
}

TEST_F(ContextRulesTest, RuleTextResults) {
    struct Case {
        const char* rule;
        int result;
        const char* detail;
    };
    const Case cases[] = {
        {"/abc", kContextMissingDelimiter, "[error] missing '/' delimiter: /abc"},
        {"/abc/x", kContextMissingEndDelimiter, "[error] missing '/' end delimiter: /abc/x"},
        {"/abc/x/y", kContextTrailingChars, "[error] trailing chars: \"y\""},
        {"/a]b/", kContextWrongSyntax, "[error] wrong syntax (9): \"/a]b/\""},
        {"/[.10 bytes][.10 bytes]/", kContextWrongSyntax, "wrong syntax (10)"},
        {"/ab/[part 3]/", kContextWrongSyntax, "wrong syntax (5)"},
        {"/[1000000000 bytes]/", kContextBufferError, "[error] context buffer error 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        LogCapture log;
        EXPECT_EQ(compileRule(c.rule), c.result);
        EXPECT_FALSE(rules.isValid(0));
        EXPECT_TRUE(log.contains(c.detail));
        EXPECT_TRUE(log.contains("[note] context rule 1 is switched off."));
    }
    LogCapture log;
    EXPECT_EQ(compileRule("/a]b/"), kContextWrongSyntax);
    EXPECT_TRUE(log.contains("zukmatch: found ] without [: ]b"));
    EXPECT_TRUE(log.contains(
        "[note] The search or display text does not contain a valid ZUK Expressions syntax."));

    EXPECT_EQ(compileRule("/abc/"), 0);
    EXPECT_EQ(rules.matcher(0).outputTokens().size(), 1u);  // "[all]"
    EXPECT_EQ(compileRule("_a/b_[part 1]!_"), 0);           // any delimiter
    EXPECT_EQ(rules.matcher(0).tokens()[0].literal, "a/b");
    EXPECT_EQ(compileRule(""), 0);  // switched off
    EXPECT_FALSE(rules.isValid(0));
}

TEST_F(ContextRulesTest, DialogStatusText) {
    std::string status;
    EXPECT_EQ(compileRule("/struct [1.30 chars of a-z]**{/", &status), 0);
    EXPECT_EQ(status, "OK 4 parts");
    LogCapture log;
    EXPECT_EQ(compileRule("/abc", &status), kContextMissingDelimiter);
    EXPECT_EQ(status,
              "missing '/' delimiter:\n/abc\n\nThe search text must end with the same delimiter "
              "character as it was started. You may surround it with / or _ or any other "
              "character that is not part of the searched text.");
    EXPECT_EQ(compileRule("/abc/x/y", &status), kContextTrailingChars);
    EXPECT_EQ(status,
              "trailing chars:\n\"y\"\n\nNo extra characters are allowed after the display text.");
    EXPECT_FALSE(log.contains("trailing chars"));  // the dialog shows it instead of the log
}

TEST_F(ContextRulesTest, PathFilterWords) {
    struct Case {
        const char* filter;
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        {".c*", "x.cpp", true},
        {".c*", "a.c.txt", true},
        {".c*", "x.h", false},
        {".c", "dir/x.c", true},
        {".c", "x.cpp", false},
        {".c", "a.c.txt", false},
        {".h* .c", "include/x.hpp", true},
        {".cpp .cxx", "src/Main.CPP", true},
        {".cpp .cxx", "notes.txt", false},
        {"\"// help\"", "// help", true},
        {"\"// help\"", "help", false},
        {"mywork", "/home/u/mywork/x.txt", true},
        {"src\\core", "/repo/src/core/a.c", true},
        {"", "anything", true},
        {"   ", "anything", true},
        {"*", "a*b", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(contextPathAccepts(c.filter, c.name), c.accepted) << c.filter << " " << c.name;
    }
    rules.compileAll();
    std::array<int, kContextSlotPositions> slots{};
    EXPECT_EQ(rules.activeSlots("notes.txt", slots), 0);
    ASSERT_EQ(rules.activeSlots("src/view.cpp", slots), 3);  // rules 1, 2 (.c*) and 4
    EXPECT_EQ(slots[0], 0);
    EXPECT_EQ(slots[1], 1);
    EXPECT_EQ(slots[2], 3);
    ASSERT_EQ(rules.activeSlots("// help", slots), 1);
    EXPECT_EQ(slots[0], contextSlotOfRule(11));
}

TEST_F(ContextRulesTest, LookBackRange) {
    const struct {
        const char* value;
        int lines;
    } cases[] = {{"1000", 1000},  {"50", 1000},  {"100", 100},  {"10000", 10000},
                 {"10001", 1000}, {"abc", 1000}, {"2500", 2500}};
    for (const auto& c : cases) {
        config().setText("usectxlines", c.value);
        EXPECT_EQ(contextLookBack(), c.lines) << c.value;
    }
}

// The configuration file's context section replaces the defaults in order, and its rules are
// compiled (and their errors reported) as the file is read.
TEST_F(ContextRulesTest, ConfigurationSectionIsCompiledOnRead) {
    installContextRulesHook();
    LogCapture log;
    ASSERT_EQ(readConfigText("config-version 170\n<QVContext>\nqvctxpath .py\n"
                             "qvctxfind /def a]b/\nqvctxpath .x\nqvctxfind /[lend]/\n"
                             "</QVContext>\n"),
              0);
    EXPECT_STREQ(config().getText("ctxv1path"), ".py");
    EXPECT_TRUE(log.contains("zukmatch: found ] without [: ]b"));
    EXPECT_TRUE(log.contains("[error] wrong syntax (9): \"/def a]b/\""));
    EXPECT_TRUE(
        log.contains("zukmatch: [lend] must be preceeded by another command like [1 byte]."));
    EXPECT_FALSE(contextRules().isValid(0));
    EXPECT_FALSE(contextRules().isValid(1));
    EXPECT_TRUE(contextRules().isValid(contextSlotOfRule(12)));  // defaults beyond stay
}

}  // namespace
}  // namespace tessel
