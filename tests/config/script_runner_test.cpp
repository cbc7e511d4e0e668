#include "config/script_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config_test_support.h"
#include "script_test_host.h"

namespace tessel::testing {
namespace {

class Scripts : public ConfigTest {
  protected:
    // Runs a script and returns its status; the host's calls and the log stay for checks.
    int run(std::string_view text, std::vector<std::string> parameters = {}) {
        ScriptRun start;
        start.parameters = std::move(parameters);
        return runScript(host, text, start);
    }
    std::vector<std::string> statementsOf(std::string_view text, int expected = 0) {
        std::vector<std::string> statements;
        EXPECT_EQ(splitStatements(text, statements), expected) << text;
        return statements;
    }

    RecordingHost host;
    LogCapture log;
};

using Strings = std::vector<std::string>;

TEST_F(Scripts, DeeperIndentedLinesContinueAStatement) {
    EXPECT_EQ(statementsOf("set findmask = |a\n   b|\necho x\r\n"),
              (Strings{"set findmask = |a b|", "echo x"}));
    EXPECT_EQ(statementsOf("  echo a\n\n  // remark\n// remark at the margin\n     b\n     c\n"
                           "  echo d\necho not reached\n  echo neither"),
              (Strings{"echo a b c", "echo d"}));
    EXPECT_EQ(statementsOf(""), Strings{});
}

TEST_F(Scripts, IndentationFaultsStopTheScriptBeforeItRuns) {
    statementsOf("echo a\n   b\n      c", 9);
    EXPECT_TRUE(log.contains("[error] error: wrong indentation in script:"));
    EXPECT_TRUE(log.contains("[blue] \"      c\""));
    EXPECT_TRUE(log.contains("[error] joined line MUST have same indent as previous line."));
    EXPECT_TRUE(log.contains("[error] count spaces, and avoid TAB characters."));
    log.clear();
    statementsOf("echo a\n    b\n    c\n  d", 9);
    EXPECT_TRUE(log.contains("[error] MUST have same indent as previous statement:"));
    EXPECT_TRUE(log.contains("[blue] \"echo a\""));
    log.clear();
    statementsOf("echo a\n   b\n   c\n      d", 9);
    EXPECT_TRUE(log.contains("[error] joined line MUST have same indent as:"));
    log.clear();
    statementsOf("  echo a\n\techo b", 9);
    EXPECT_TRUE(log.contains("[error] error: mixing of TAB and BLANK indentation in config:"));
    EXPECT_TRUE(
        log.contains("[error] previous line uses BLANKs for indent, so this one must too."));
    EXPECT_TRUE(log.contains("[error] if in any doubt, replace all TAB characters by BLANKs."));
    log.clear();
    statementsOf("echo a\n   b\n      " + std::string(60, 'y'), 9);
    EXPECT_TRUE(log.contains("[blue] \"      " + std::string(44, 'y') + "...\""));
    EXPECT_EQ(run("echo a\n   b\n      c"), 9);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Scripts, SetCommands) {
    host.facts[ViewFact::kCurrentFile] = "src/main.c";
    EXPECT_EQ(run("set findmask = /foo/\n"
                  "set pathmask = |$curfile|\n"
                  "set filter = /on/\n"
                  "set filter = /off/\n"
                  "set location = /main/ -bottom\n"
                  "set shift = /40/\n"
                  "set tabsize = /8/\n"
                  "set right.findmask=\"a/b\"\n"
                  "left.set findmask = //"),
              0);
    EXPECT_EQ(host.calls, (Strings{"0 findmask foo", "0 pathmask src/main.c", "0 filter on",
                                   "0 filter off", "0 location-bottom main", "0 shift 40",
                                   "0 tabsize 8", "1 findmask a/b", "1 findmask "}));
}

TEST_F(Scripts, SetCommandFaults) {
    struct Case {
        const char* statement;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"set findmask = /foo/ x",
         {"[error] error: script stopped at:",
          "#error at: set findmask = /foo/ x - see message log",
          "[blue] \"set findmask = /foo/ x\"",
          "[error] ... unexpected text after \"/\" delimiter: x",
          "[note] if / is not a delimiter, add \"\" quotes like:", "[note] \"/foo/ x\""}},
        {"set findmask /foo/", {"[error] ... missing '=' on 'set value = \"text\"' command"}},
        {"set findmask =  ", {"[error] ... missing text after 'set' command"}},
        {"set findmask = foo bar",
         {"[error] ... missing f delimiter after: foo bar",
          "[note] if f is not a delimiter, add \"\" quotes like:", "[note] \"foo bar\""}},
        {"set shift = /5000/", {"[error] ... wrong shift value: 5000 (5000)"}},
        {"set tabsize = /1/", {"[error] ... wrong tab size value: 1 (1)"}},
        {"set tabsize = /x/", {"[error] ... wrong tab size value: 0 (x)"}},
        {"set jumpmask = /x/", {"[error] ... set jumpmask: not available"}},
        {"set colour = /red/",
         {"[error] error: syntax error in script:",
          "[note] unsupported command, or wrong spelling."}},
        {"set fifth.findmask = /x/",
         {"[error] ... no target window available to execute command."}},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_EQ(run(c.statement), 9) << c.statement;
        for (const std::string& message : c.messages) {
            EXPECT_TRUE(log.contains(message)) << c.statement << " -> " << message;
        }
    }
    EXPECT_TRUE(host.calls.empty());
    host.locationFound = false;
    EXPECT_EQ(run("set location = /nothing/\necho not reached"), 9);
    EXPECT_TRUE(log.contains("[error] ... no matching file: \"nothing\""));
    EXPECT_EQ(host.calls.size(), 1u);
}

TEST_F(Scripts, ViewSelectorsAndSimpleCommands) {
    host.viewCount = 3;
    host.ownView = 1;
    EXPECT_EQ(run("own.echo a\nnearby.echo b\nright.echo c\nleft.echo d\nthird.activate\n"
                  "msgbox hello $$1\nmark reset\nfirst.mark add red /TODO/\n"
                  "mark toggle any |a b|\n// done"),
              0);
    EXPECT_EQ(host.calls, (Strings{"1 echo a", "2 echo b", "2 echo c", "0 echo d", "2 activate ",
                                   "box info: hello $1", "1 mark-reset ", "0 mark-add red TODO",
                                   "1 mark-toggle any a b"}));
    host.calls.clear();
    EXPECT_EQ(run("fourth.echo x"), 9);
    EXPECT_TRUE(log.contains("[error] no target window available to execute command."));
    EXPECT_EQ(run("/* remark */"), 9);
    EXPECT_TRUE(log.contains("[error] ... /* */ remark block not allowed here."));
    EXPECT_EQ(run("activate now"), 9);
    EXPECT_TRUE(log.contains("[note] unsupported command, or wrong spelling."));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Scripts, MarkAndNetlogFaults) {
    struct Case {
        std::string statement;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"mark add purple /x/", {"[error] ... no such color: \"purple\""}},
        {"mark add red", {"[error] ... wrong mark syntax: red"}},
        {"mark add " + std::string(26, 'r') + " /x/", {"[error] ... wrong mark syntax: rrrr"}},
        {"mark add red /x/ y",
         {"[error] ... unexpected text after \"/\" delimiter: y", "[note] \"/x/ y\""}},
        {"netlog", {"[error] ... missing parameter on netlog command."}},
        {"netlog louder",
         {"[error] ... netlog: wrong command \"louder\"", "[blue] use show, clear, follow etc."}},
        {"netlog show", {"[error] ... netlog: not available"}},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_EQ(run(c.statement), 9) << c.statement;
        for (const std::string& message : c.messages) {
            EXPECT_TRUE(log.contains(message)) << c.statement << " -> " << message;
        }
    }
    host.netlogStatus = kNetlogDisabled;
    EXPECT_EQ(run("netlog follow"), 9);
    EXPECT_TRUE(log.contains("[error] ... network text is disabled."));
    EXPECT_TRUE(log.contains("enable it under setup/general."));
    host.netlogStatus = 0;
    EXPECT_EQ(run("netlog nofollow"), 0);
}

TEST_F(Scripts, SleepWaitsInStepsAndCanBeStopped) {
    EXPECT_EQ(run("sleep 250\nsleep -quiet 6000"), 0);
    EXPECT_EQ(host.waitedMs, 6250);
    EXPECT_FALSE(log.contains("sleeping"));
    EXPECT_EQ(run("sleep -5"), 9);
    EXPECT_TRUE(log.contains("[error] ... sleep: illegal msec value: -5"));
    host.stopAtWaitStep = host.waitSteps + 3;
    EXPECT_EQ(run("sleep 60000\necho not reached"), 1);
    EXPECT_TRUE(log.contains("#sleeping 60000 msec"));
    EXPECT_TRUE(log.contains("[blue] script stopped."));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(scriptRunning());
}

TEST_F(Scripts, OnlyOneScriptRunsAtATime) {
    int inner = -1;
    host.onEcho = [&] {
        EXPECT_TRUE(scriptRunning());
        host.onEcho = nullptr;
        inner = run("echo second");
    };
    EXPECT_EQ(run("echo first\necho third"), 0);
    EXPECT_EQ(inner, 9);
    EXPECT_TRUE(log.contains("#another command is still running."));
    EXPECT_TRUE(log.contains("[error] stop the other command first."));
    EXPECT_EQ(host.calls, (Strings{"0 echo first", "0 echo third"}));
    EXPECT_FALSE(scriptRunning());
}

TEST_F(Scripts, Variables) {
    host.facts = {{ViewFact::kFindMask, "foo"},
                  {ViewFact::kCurrentFile, "src\\lib/x.tar.gz"},
                  {ViewFact::kLineNumber, "12"},
                  {ViewFact::kColumn, "3"}};
    host.held.ctrl = true;
    EXPECT_EQ(run("echo $findmask $curfile:$linenum:$colnum\n"
                  "echo $relfile|$fnbase|$fnext|$curpath|$absfile|$abspath\n"
                  "echo $1,$2,$10,$3 $$ $shift$ctrl$alt $unknown $",
                  {"a", "b c"}),
              0);
    EXPECT_EQ(host.calls,
              (Strings{"0 echo foo src/lib/x.tar.gz:12:3",
                       "0 echo x.tar.gz|x.tar|gz|src/lib/|/work/src/lib/x.tar.gz|/work/src/lib/",
                       "0 echo a,b c,, $ 010 $unknown $"}));
    host.calls.clear();
    host.facts[ViewFact::kCurrentFile] = "/abs/README";
    EXPECT_EQ(run("echo $fnbase|$fnext|$absfile"), 0);
    host.facts[ViewFact::kCurrentFile] = "README";
    EXPECT_EQ(run("echo $curpath"), 0);
    EXPECT_EQ(host.calls, (Strings{"0 echo README||/abs/README", "0 echo ."}));

    EXPECT_EQ(run("echo $11"), 9);
    EXPECT_TRUE(log.contains("[error] ... invalid script parameter $11"));
    EXPECT_EQ(run("echo $mouseword"), 9);
    EXPECT_TRUE(log.contains("[error] ... no word under cursor selected"));
    EXPECT_EQ(run("echo $repsrc"), 9);
    EXPECT_TRUE(log.contains("[error] ... $repsrc: not available"));
    host.facts[ViewFact::kFindMask] = std::string(2100, 'x');
    EXPECT_EQ(run("echo $findmask$findmask"), 9);
    EXPECT_TRUE(log.contains("[error] ... buffer overflow in user command:"));
}

TEST_F(Scripts, ParametersSplitAtBlanksAndQuotes) {
    std::vector<std::string> parameters;
    EXPECT_EQ(splitScriptParameters("a \"b c\" d", parameters), 0);
    EXPECT_EQ(parameters, (Strings{"a", "b c", "d"}));
    EXPECT_EQ(splitScriptParameters("  1 2 3 4 5 6 7 8 9 10 11 12 ", parameters), 0);
    EXPECT_EQ(parameters.size(), 10u);
    EXPECT_EQ(parameters.back(), "10");
    EXPECT_EQ(splitScriptParameters("a \"b", parameters), 9);
    EXPECT_TRUE(log.contains("unclosed quote in parameter"));
}

TEST_F(Scripts, CommandLinesKeepExpandedNamesAsOneArgument) {
    std::string name = dir.path() + "/x; touch pwned";
    host.facts[ViewFact::kCurrentFile] = name;
    host.folder = dir.path();
    EXPECT_EQ(run("run -wait touch \"$curfile\"\nrun -wait touch $curfile.2"), 0);
    struct stat info {};
    EXPECT_EQ(::stat(name.c_str(), &info), 0);
    EXPECT_EQ(::stat((name + ".2").c_str(), &info), 0);
    EXPECT_NE(::stat((dir.path() + "/pwned").c_str(), &info), 0);
    EXPECT_NE(::stat("pwned", &info), 0);

    // The wait for a program is stopped like a sleep.
    host.stopAtWaitStep = host.waitSteps + 2;
    EXPECT_EQ(run("run -wait sleep 5\necho not reached"), 1);
    EXPECT_TRUE(log.contains("[error] wait for user command stopped"));
    EXPECT_TRUE(host.calls.empty());
    std::string error;
    EXPECT_EQ(runCommandTemplate(host, 0, "true $mouseword", ScriptRun{}, false, error), 9);
    EXPECT_EQ(error, "no word under cursor selected");
}

}  // namespace
}  // namespace tessel::testing
