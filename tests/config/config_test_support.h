// A clean configuration for every test: fresh store and file state, location inputs that
// point into a temporary folder, and no hooks.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/config_location.h"
#include "config/qv_config.h"
#include "test_support.h"

namespace tessel::testing {

class ConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        configHooks() = ConfigHooks{};
        ConfigLocationInput input;
        input.linuxMode = true;
        input.documentsDir = dir.path() + "/home/.config/tessel";
        setConfigLocationInput(input);
        appSettings().linuxMode = true;
        resetConfiguration();
    }
    void TearDown() override {
        configHooks() = ConfigHooks{};
        resetConfiguration();
    }

    // Writes text as the configuration file and reads it.
    int readFileText(const std::string& text) {
        configPathName = dir.write("tessel-config.txt", text);
        setConfigPath(configPathName);
        return readConfig(false);
    }
    std::string fileText() const { return readFile(configPathName); }

    TempDir dir;
    std::string configPathName;
};

}  // namespace tessel::testing
