#include "config/config_location.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/external_command.h"
#include "config/qv_config.h"
#include "config_test_support.h"
#include "test_support.h"
#include "base/log/message_log.h"

namespace tessel {
namespace {

using testing::LogCapture;

class ConfigLocation : public testing::ConfigTest {
  protected:
    // A desktop in the temporary folder: current folder, two PATH folders, the program's
    // folder, the user's configuration folder and a system program folder.
    ConfigLocationInput desktop(bool linuxMode) {
        for (const char* folder : {"cwd", "path1", "path2", "app", "sys/bin", "home"}) {
            std::filesystem::create_directories(dir.path() + "/" + folder);
        }
        ConfigLocationInput input;
        input.linuxMode = linuxMode;
        input.executablePath = dir.path() + "/app/tessel";
        input.currentDir = dir.path() + "/cwd";
        input.pathVariable =
            dir.path() + "/path1::" + dir.path() + "/sys/bin:" + dir.path() + "/path2";
        input.documentsDir = dir.path() + "/home/.config/tessel";
        input.programFilesDir = dir.path() + "/sys";
        return input;
    }
    std::string place(const char* folder) {
        return dir.write(std::string(folder) + "/tessel-config.txt", "config-version 170\n");
    }
    std::string found(const ConfigLocationInput& input, bool* exists = nullptr) {
        setConfigLocationInput(input);
        return configPath(false, exists);
    }
};

TEST_F(ConfigLocation, CurrentFolderThenPathThenProgramFolder) {
    ConfigLocationInput input = desktop(false);
    std::string app = place("app");
    std::string path2 = place("path2");
    EXPECT_EQ(found(input), path2);
    std::string cwd = place("cwd");
    bool exists = false;
    EXPECT_EQ(found(input, &exists), cwd);
    EXPECT_TRUE(exists);
    std::filesystem::remove(cwd);
    std::filesystem::remove(path2);
    EXPECT_EQ(found(input), app);
}

TEST_F(ConfigLocation, SystemProgramFolderIsNeverUsedOrSuggested) {
    ConfigLocationInput input = desktop(false);
    place("sys/bin");
    bool exists = true;
    EXPECT_EQ(found(input, &exists), dir.path() + "/app/tessel-config.txt");  // suggestion
    EXPECT_FALSE(exists);
    input.executablePath = dir.path() + "/sys/bin/tessel";
    EXPECT_EQ(found(input), input.documentsDir + "/tessel-config.txt");
}

TEST_F(ConfigLocation, LinuxModeLooksOnlyInTheConfigurationFolder) {
    ConfigLocationInput input = desktop(true);
    place("cwd");
    place("path1");
    place("app");
    bool exists = true;
    EXPECT_EQ(found(input, &exists), input.documentsDir + "/tessel-config.txt");
    EXPECT_FALSE(exists);
    std::string home = place("home/.config/tessel");
    EXPECT_EQ(found(input, &exists), home);
    EXPECT_TRUE(exists);
    input.documentsDir.clear();
    EXPECT_EQ(found(input), "tessel-config.txt");
}

TEST_F(ConfigLocation, ConfOptionComesFirst) {
    ConfigLocationInput input = desktop(true);
    place("home/.config/tessel");
    input.confOption = dir.path() + "/elsewhere.txt";
    ASSERT_EQ(loadConfiguration(input), 0);
    EXPECT_EQ(configPath(), input.confOption);
    EXPECT_TRUE(configFile().fromDefaults);
    input.confOption = std::string(600, 'x');
    EXPECT_EQ(loadConfiguration(input), 9);
}

TEST_F(ConfigLocation, PortableModeKeepsItsDataFolderBesideTheProgram) {
    ConfigLocationInput input = desktop(false);
    input.portableMode = true;
    place("cwd");
    LogCapture log;
    bool exists = true;
    EXPECT_EQ(found(input, &exists), dir.path() + "/app/Data/tessel-config.txt");
    EXPECT_FALSE(exists);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/app/Data"));
    EXPECT_TRUE(log.contains("created config data dir:"));
}

TEST_F(ConfigLocation, FromProcessUsesXdgConfigHome) {
    auto saved = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
    auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    };
    std::optional<std::string> configHome = saved("XDG_CONFIG_HOME");
    std::optional<std::string> home = saved("HOME");
    setenv("XDG_CONFIG_HOME", "/somewhere/cfg", 1);
    EXPECT_EQ(ConfigLocationInput::fromProcess().documentsDir, "/somewhere/cfg/tessel");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(ConfigLocationInput::fromProcess().documentsDir, "/home/someone/.config/tessel");
    restore("XDG_CONFIG_HOME", configHome);
    restore("HOME", home);
}

class ConfigCommands : public ConfigLocation {
  protected:
    void SetUp() override {
        ConfigLocation::SetUp();
        marker = dir.path() + "/edited";
        std::string script = dir.write("editor.sh", "#!/bin/sh\necho \"$1\" > " + marker + "\n");
        ::chmod(script.c_str(), 0755);
        const char* visual = std::getenv("VISUAL");
        savedVisual = visual != nullptr ? visual : "";
        hadVisual = visual != nullptr;
        setenv("VISUAL", script.c_str(), 1);
    }
    void TearDown() override {
        if (hadVisual) {
            setenv("VISUAL", savedVisual.c_str(), 1);
        } else {
            unsetenv("VISUAL");
        }
        ConfigLocation::TearDown();
    }
    std::string waitForMarker() {
        for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return testing::readFile(marker);
    }
    std::string marker;
    std::string savedVisual;
    bool hadVisual = false;
};

TEST_F(ConfigCommands, CreateAsksWritesDefaultsAndOpensTheEditor) {
    std::string path = dir.path() + "/home/.config/tessel/tessel-config.txt";
    std::string asked;
    configHooks().askYesNo = [&](const char* title, const char*) {
        asked = title;
        return false;
    };
    EXPECT_EQ(createConfig(path), 1);
    EXPECT_EQ(asked, "Create a config file?");
    EXPECT_FALSE(std::filesystem::exists(path));

    configHooks().askYesNo = [&](const char* title, const char*) {
        asked = title;
        return true;
    };
    ASSERT_EQ(createConfig(path), 0);
    std::string text = testing::readFile(path);
    EXPECT_TRUE(text.starts_with("// Tessel configuration file.\r\n"));
    EXPECT_NE(text.find("\r\nlinux on     \r\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));
    EXPECT_EQ(configPath(), path);
    EXPECT_EQ(waitForMarker(), path + "\n");

    EXPECT_EQ(createConfig(path), 0);
    EXPECT_EQ(asked, "Overwrite this config file?");
}

TEST_F(ConfigCommands, EditNeedsAFile) {
    setConfigPath(dir.path() + "/none.txt");
    updateConfigPageRows();
    EXPECT_STREQ(config().caption(kIdConfigEditButton), "create");
    EXPECT_STREQ(config().caption(kIdConfigPathLabel), "suggested path:");
    EXPECT_EQ(config().getText(kIdConfigPath), dir.path() + "/none.txt");
    LogCapture log;
    EXPECT_EQ(editConfig(), 9);
    EXPECT_TRUE(log.contains("no config file exists for editing"));
}

TEST_F(ConfigCommands, ReloadOnlyWhenTheFileChanged) {
    ASSERT_EQ(readFileText("config-version 170\nloadhidden yes\n"), 0);
    EXPECT_EQ(reloadConfig(false), 0);
    bool fontsChanged = false;
    configHooks().fontsChanged = [&] { fontsChanged = true; };
    dir.write("tessel-config.txt", "config-version 170\nmainfont Mono,8,20,400,0\n");
    struct timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
    ::utimensat(AT_FDCWD, configPathName.c_str(), later, 0);
    LogCapture log;
    EXPECT_EQ(reloadConfig(false), 1);
    EXPECT_TRUE(log.contains("config file reloaded."));
    EXPECT_TRUE(fontsChanged);
    EXPECT_EQ(config().getInt("loadhidden"), 0);
    EXPECT_EQ(reloadConfig(true), 1);

    std::filesystem::remove(configPathName);
    bool exists = true;
    EXPECT_EQ(reloadConfig(true, &exists), 0);
    EXPECT_FALSE(exists);
    EXPECT_EQ(checkConfigAutoReload(), 0);
    EXPECT_FALSE(appSettings().autoLoadConfigActive);
}

TEST_F(ConfigCommands, ReloadWaitsForRunningWorkAndGivesUp) {
    ASSERT_EQ(readFileText("config-version 170\n"), 0);
    int sleeps = 0;
    configHooks().pendingWorks = [] { return 2; };
    configHooks().sleepStep = [&] { ++sleeps; };
    LogCapture log;
    EXPECT_EQ(reloadConfig(true), 0);
    EXPECT_EQ(sleeps, 30);
    EXPECT_TRUE(log.contains("busy timeout reached (2)"));
}

TEST_F(ConfigCommands, LoadFromAnUnreadableFileKeepsThePreviousOne) {
    ASSERT_EQ(readFileText("config-version 170\n"), 0);
    std::string bad = dir.write("bad.txt", std::string("\0\0", 2));
    EXPECT_EQ(loadConfigFrom(bad), 1);
    EXPECT_EQ(configPath(), configPathName);
    EXPECT_FALSE(configFile().writeBlocked);
    std::string good = dir.write("good.txt", "config-version 170\nloadhidden yes\n");
    EXPECT_EQ(loadConfigFrom(good), 0);
    EXPECT_EQ(configPath(), good);
    EXPECT_EQ(config().getInt("loadhidden"), 1);
    EXPECT_EQ(loadConfigFrom(""), 1);
}

TEST(ExternalCommand, WordsOfACommandLine) {
    EXPECT_EQ(splitCommandLine("  notepad \"$absfile\""),
              (std::vector<std::string>{"notepad", "$absfile"}));
    EXPECT_EQ(splitCommandLine("a \"b c\"d \"\" e\t\"say \"\"hi\"\"\""),
              (std::vector<std::string>{"a", "b cd", "", "e", "say \"hi\""}));
    EXPECT_TRUE(splitCommandLine(" \t ").empty());
}

TEST(ExternalCommand, RunsWithoutAShellAndReportsFailures) {
    int exitCode = -1;
    EXPECT_EQ(runCommandLine("-min sh -c \"exit 3\"", true, true, &exitCode), 0);
    EXPECT_EQ(exitCode, 3);
    // Shell characters in an argument stay characters.
    EXPECT_EQ(runCommand({"test", "$(false)", "=", "$(false)"}, true, true, &exitCode), 0);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(runCommandLine("no-such-program-tessel-test", true, true, &exitCode), 9);
    std::string boxTitle;
    setMessageBoxHook([&](const char* title, const char*) { boxTitle = title; });
    EXPECT_EQ(runCommandLine("no-such-program-tessel-test \"x\"", false, false), 9);
    setMessageBoxHook(nullptr);
    EXPECT_EQ(boxTitle, "cannot run this command:");
}

}  // namespace
}  // namespace tessel
