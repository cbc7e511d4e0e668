#include "app/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "test_support.h"

namespace tessel {
namespace {

// Runs the whole parser on argv words with hooks that record what reaches the
// configuration, in order.
struct StartupRun {
    StartupOptions options;
    std::vector<std::string> events;
    const char* environment = nullptr;
    std::vector<std::string> configured;
    int configStatus = 0;

    const char* programName = "/opt/bin/viewer";

    int parse(std::vector<const char*> words) {
        words.insert(words.begin(), programName);
        CommandLineHooks hooks;
        hooks.loadConfiguration = [this](const StartupOptions& seen) {
            events.push_back("load " + seen.configPath);
            return configStatus;
        };
        hooks.applyKeyword = [this](const char* key, const char* value) {
            events.push_back(std::string(key) + "=" + value);
            return 1;
        };
        hooks.isConfigured = [this](const char* key) {
            return std::find(configured.begin(), configured.end(), key) != configured.end();
        };
        hooks.getEnv = [this](const char*) { return environment; };
        hooks.availableMemory = [] { return uint64_t{600} * 1000 * 1000; };
        int rc = parseCommandLine(static_cast<int>(words.size()), const_cast<char**>(words.data()),
                                  options, hooks);
        setTraceMode(false);
        setVerboseMode(false);
        return rc;
    }
};

TEST(CommandLine, ConfAfterFirstPassOptionIsAccepted) {
    StartupRun run;
    EXPECT_EQ(run.parse({"-trace", "-conf", "/etc/my config.txt", "-fastload", "dir"}), 0);
    EXPECT_TRUE(run.options.traceMode);
    EXPECT_TRUE(run.options.fastLoad);
    EXPECT_EQ(run.options.configPath, "/etc/my config.txt");
    EXPECT_EQ(run.options.loadArgument, "dir");
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events[0], "load /etc/my config.txt");
}

TEST(CommandLine, LinuxOrConfInSecondPassEndsStartUp) {
    for (const char* late : {"-conf", "-linux"}) {
        StartupRun run;
        EXPECT_EQ(run.parse({"-fastload", late, "x.txt"}), kCommandLineMisplacedOption);
        EXPECT_EQ(run.options.errorTitle, "error");
        EXPECT_EQ(run.options.errorText,
                  "-linux or -conf must be specified\nas the very first options");
    }
}

TEST(CommandLine, ConfigurationFailureEndsStartUp) {
    StartupRun run;
    run.configStatus = 9;
    EXPECT_EQ(run.parse({"dir"}), kCommandLineConfigFailed);
    EXPECT_EQ(run.options.errorTitle, "startup error");
    EXPECT_EQ(run.options.errorText, "Config init failed\n\nstatus code : 9");
}

TEST(CommandLine, EnvironmentComesAfterConfigurationAndBeforeOptions) {
    StartupRun run;
    run.environment = "maxload:200,case:no";
    EXPECT_EQ(run.parse({"-nodict", "dir"}), 0);
    EXPECT_EQ(run.events,
              (std::vector<std::string>{"load ", "maxload=200", "case=no", "globaldict=no",
                                        "centralbookdir=$tesselhome/tesselbook"}));
    EXPECT_TRUE(run.options.centralBookDirDefaulted);
    EXPECT_EQ(run.options.safeLoadLimitMb, 300);

    StartupRun configured;
    configured.configured = {"centralbookdir", "maxload"};
    EXPECT_EQ(configured.parse({}), 0);
    EXPECT_EQ(configured.events, std::vector<std::string>{"load "});
    EXPECT_EQ(configured.options.safeLoadLimitMb, 0);
}

TEST(CommandLine, QuotedAndSlashSearchTexts) {
    StartupRun run;
    EXPECT_EQ(run.parse({"-find", "two words", "-spath", "a\\qb\\tc", "-tab", "8", "dir"}), 0);
    EXPECT_EQ(run.options.findText, "two words");
    EXPECT_EQ(run.options.pathText, "a\"b\tc");
    EXPECT_EQ(run.options.tabSize, 8);
    EXPECT_EQ(run.options.loadArgument, "dir");

    StartupOptions line;
    EXPECT_EQ(parseSecondPass("-sfind \"say \\qhi\\q now\" -find plain more", line, nullptr), 0);
    EXPECT_EQ(line.findText, "plain");
    EXPECT_EQ(line.loadArgument, "more");
    EXPECT_EQ(parseSecondPass("-sfind \"say \\qhi\\q now\" x", line, nullptr), 0);
    EXPECT_EQ(line.findText, "say \"hi\" now");
}

TEST(CommandLine, CapacitiesAreKept) {
    std::string longText(3000, 'a');
    StartupRun run;
    EXPECT_EQ(
        run.parse({"-find", longText.c_str(), "-path", longText.c_str(), "-id", longText.c_str()}),
        0);
    EXPECT_EQ(run.options.findText.size(), kStartupFindChars);
    EXPECT_EQ(run.options.pathText.size(), kStartupPathChars);
    EXPECT_EQ(run.options.classSuffix.size(), kClassSuffixChars);
}

TEST(CommandLine, FlagsSkipTheirWordButNotTheNext) {
    StartupOptions out;
    EXPECT_EQ(parseSecondPass("-fastloading -e file.txt", out, nullptr), 0);
    EXPECT_TRUE(out.fastLoad);
    EXPECT_TRUE(out.instantEdit);
    EXPECT_EQ(out.loadArgument, "file.txt");

    StartupOptions help;
    EXPECT_EQ(parseSecondPass("-verbose /?", help, nullptr), 0);
    EXPECT_TRUE(help.helpRequested);
    EXPECT_TRUE(help.loadArgument.empty());

    // First-pass options are no longer options once the second pass has begun.
    StartupOptions late;
    EXPECT_EQ(parseSecondPass("-lean -trace dir", late, nullptr), 0);
    EXPECT_EQ(late.loadArgument, "-trace dir");
}

TEST(CommandLine, AreaSpaceAndMaxReplaceEachOther) {
    StartupOptions out;
    EXPECT_EQ(parseSecondPass("-area 10:10:800:600 -space m2:20:30", out, nullptr), 0);
    EXPECT_TRUE(out.frameGiven);
    EXPECT_EQ(out.area, "");
    EXPECT_EQ(out.space, "m2:20:30");
    EXPECT_EQ(out.monitorNumber, 2);
    EXPECT_EQ(parseSecondPass("-max -area 1:2:300:400", out, nullptr), 0);
    EXPECT_EQ(out.area, "1:2:300:400");
    EXPECT_EQ(out.space, "");
    EXPECT_EQ(out.monitorNumber, 0);
    EXPECT_EQ(parseSecondPass("-area 1:2:300:400 -max", out, nullptr), 0);
    EXPECT_EQ(out.area, "");
    EXPECT_EQ(out.space, "0");
}

TEST(CommandLine, NetOptionPortAndFlags) {
    std::vector<std::string> keys;
    auto apply = [&keys](const char* key, const char* value) {
        keys.push_back(std::string(key) + "=" + value);
        return 1;
    };
    StartupOptions out;
    EXPECT_EQ(parseSecondPass("-net:4000sip,addlf dir", out, apply), 0);
    EXPECT_EQ(keys, (std::vector<std::string>{"netTextReceive=yes", "netTextReceivePort=4000",
                                              "netRawAutoLF=yes"}));
    EXPECT_TRUE(out.openNetView);
    EXPECT_TRUE(out.netShortPrefix);
    EXPECT_FALSE(out.netSenderPrefix);
    EXPECT_EQ(out.loadArgument, "dir");

    StartupOptions plain;
    EXPECT_EQ(parseSecondPass("-net=21324ip", plain, nullptr), 0);
    EXPECT_EQ(plain.netPort, "21324");
    EXPECT_TRUE(plain.netSenderPrefix);
    EXPECT_FALSE(plain.netShortPrefix);
}

TEST(CommandLine, BadNumbersAreRefusedAndReported) {
    testing::LogCapture log;
    StartupOptions out;
    EXPECT_EQ(parseSecondPass("-tab 99999999999 -code 12x dir", out, nullptr), 0);
    EXPECT_EQ(out.tabSize, 0);
    EXPECT_EQ(out.decoderCodePage, 0);
    EXPECT_EQ(out.loadArgument, "dir");
    EXPECT_TRUE(log.contains("wrong tab size value"));
    EXPECT_TRUE(log.contains("wrong code page for -code: 12x"));
}

TEST(CommandLine, CodePageByNumberOrAsUtf8) {
    for (const char* utf8 : {"-code utf8 dir", "-code 65001 dir", "-code UTF-8 dir"}) {
        StartupOptions out;
        EXPECT_EQ(parseSecondPass(utf8, out, nullptr), 0);
        EXPECT_EQ(out.decoderCodePage, kCodePageUtf8) << utf8;
        EXPECT_EQ(out.loadArgument, "dir");
    }
    StartupOptions western;
    EXPECT_EQ(parseSecondPass("-code 1252 dir", western, nullptr), 0);
    EXPECT_EQ(western.decoderCodePage, 1252);
}

TEST(CommandLine, LineBuilderQuotesWordsWithBlanks) {
    const char* words[] = {"prog", "-find", "a b", "", "tab\there", "plain"};
    EXPECT_EQ(buildCommandLine(6, words), "-find \"a b\" \"\" \"tab\there\" plain");
}

TEST(ExecutableName, SelectsModesByLastComponent) {
    StartupOptions portable;
    portable.linuxMode = false;
    applyExecutableName("C:\\apps\\TesselPortable.exe", portable);
    EXPECT_TRUE(portable.portableMode);
    EXPECT_FALSE(portable.linuxMode);

    StartupOptions byName;
    byName.linuxMode = false;
    applyExecutableName("/usr/local/bin/tessel-linux", byName);
    EXPECT_TRUE(byName.linuxMode);

    StartupOptions edit;
    testing::LogCapture log;
    applyExecutableName("/home/me/bin/ed", edit);
    EXPECT_TRUE(edit.instantEdit);
    EXPECT_TRUE(log.contains("instant edit by binary name"));

    StartupOptions other;
    applyExecutableName("/home/me/bin/editor", other);
    EXPECT_FALSE(other.instantEdit);
    EXPECT_FALSE(other.portableMode);
}

TEST(ExecutableName, PortableLinkKeepsItsDataBesideTheLink) {
    StartupRun linked;
    linked.programName = "/media/stick/TesselPortable";
    ASSERT_EQ(linked.parse({}), 0);
    EXPECT_TRUE(linked.options.portableMode);
    EXPECT_EQ(linked.options.ownPath, "/media/stick/TesselPortable")
        << "not the file the link resolves to";

    StartupRun plain;
    plain.programName = "/media/stick/tessel";
    ASSERT_EQ(plain.parse({}), 0);
    EXPECT_EQ(plain.options.ownPath, readOwnExecutablePath());

    EXPECT_EQ(invokedExecutablePath("./TesselPortable", "/home/me"), "/home/me/./TesselPortable");
    EXPECT_EQ(invokedExecutablePath("bin/TesselPortable", "/"), "/bin/TesselPortable");
    EXPECT_EQ(invokedExecutablePath("TesselPortable", "/home/me"), "") << "found through PATH";
    EXPECT_EQ(invokedExecutablePath("./TesselPortable", ""), "");
    EXPECT_EQ(invokedExecutablePath("/" + std::string(kOwnPathChars, 'x'), "/"), "");
}

TEST(CentralBookDir, InstalledProgramKeepsBookmarksInTheUsersFolder) {
    EXPECT_EQ(centralBookDirDefault("/usr/bin/tessel", false, "/usr", "/home/me/.config/tessel"),
              "/home/me/.config/tessel/tesselbook");
    EXPECT_EQ(centralBookDirDefault("/usr/local/bin/tessel", false, "/usr/", "/cfg/"),
              "/cfg/tesselbook");
    EXPECT_STREQ(kDefaultCentralBookDir, "$tesselhome/tesselbook");
    for (const char* own : {"/home/me/tessel/tessel", "/usr2/bin/tessel", ""}) {
        EXPECT_EQ(centralBookDirDefault(own, false, "/usr", "/cfg"), kDefaultCentralBookDir) << own;
    }
    EXPECT_EQ(centralBookDirDefault("/usr/bin/TesselPortable", true, "/usr", "/cfg"),
              kDefaultCentralBookDir);
    EXPECT_EQ(centralBookDirDefault("/usr/bin/tessel", false, "/usr", ""), kDefaultCentralBookDir);
}

TEST(StandaloneRequest, HelpAndVersionAnywhereButAsAnOptionValue) {
    auto request = [](std::vector<const char*> words) {
        words.insert(words.begin(), "tessel");
        return standaloneRequest(static_cast<int>(words.size()), words.data());
    };
    EXPECT_EQ(request({}), StandaloneRequest::kNone);
    EXPECT_EQ(request({"--help"}), StandaloneRequest::kUsage);
    EXPECT_EQ(request({"-trace", "dir", "--version"}), StandaloneRequest::kVersion);
    EXPECT_EQ(request({"--version", "--help"}), StandaloneRequest::kVersion);
    EXPECT_EQ(request({"-help", "--helpful", "-version"}), StandaloneRequest::kNone);
    EXPECT_EQ(request({"-find", "--help", "-batch", "--version"}), StandaloneRequest::kNone);
    EXPECT_EQ(request({"-findx", "--help"}), StandaloneRequest::kUsage);
}

// The words the request check skips as option values must be the ones the parser takes as
// values: otherwise "-OPTION --help" is either answered with the usage or loaded as a file.
TEST(StandaloneRequest, AgreesWithTheParserOnOptionValues) {
    const char* options[] = {
        "-linux", "-nolinux", "-trace",    "-vdesk",   "-safe",  "-conf",  "-resize", "-nocache",
        "-lean",  "-edit",    "-e",        "-iso",     "-over",  "-back",  "-cfg1",   "-bulk",
        "-noshl", "-nodict",  "-fastload", "-verbose", "-id",    "-code",  "-area",   "-space",
        "-max",   "-h",       "-help",     "-find",    "-sfind", "-path",  "-spath",  "-tab",
        "-book",  "-clean",   "-noassist", "-assist",  "-miles", "-nonet", "-net",    "-batch"};
    for (const char* option : options) {
        StartupRun run;
        run.parse({option, "--help", "rest"});
        const bool parserTookValue = !run.options.loadArgument.starts_with("--help");
        const char* words[] = {"tessel", option, "--help", "rest"};
        EXPECT_EQ(standaloneRequest(4, words),
                  parserTookValue ? StandaloneRequest::kNone : StandaloneRequest::kUsage)
            << option;
    }
}

TEST(SafeLoadLimit, ClampsAvailableMemory) {
    EXPECT_EQ(safeLoadLimitMb(uint64_t{6} << 30), 1000);
    EXPECT_EQ(safeLoadLimitMb(uint64_t{100} << 20), 128);
    EXPECT_EQ(safeLoadLimitMb(uint64_t{800} * 1000 * 1000), 400);
    EXPECT_EQ(safeLoadLimitMb(0), 128);

    EXPECT_EQ(parseAvailableMemory("MemTotal: 9 kB\nMemFree:  100 kB\nMemAvailable:   2048 kB\n"),
              uint64_t{2048} * 1024);
    EXPECT_EQ(parseAvailableMemory("MemTotal: 9 kB\nMemFree:  100 kB\n"), uint64_t{100} * 1024);
    EXPECT_EQ(parseAvailableMemory("garbage"), 0u);
    EXPECT_GT(readAvailableMemory(), 0u);
}

}  // namespace
}  // namespace tessel
