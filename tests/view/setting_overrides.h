// Settings a test sets for its own run and gives back as they were when it ends, so that the
// tests of one binary never see each other's settings.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "config/qv_config.h"

namespace tessel::testing {

class SettingOverrides {
  public:
    SettingOverrides() = default;
    SettingOverrides(const SettingOverrides&) = delete;
    SettingOverrides& operator=(const SettingOverrides&) = delete;
    ~SettingOverrides() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            config().setInt(it->first.c_str(), it->second);
    }
    void set(const char* key, int value) {
        saved_.emplace_back(key, config().getInt(key));
        config().setInt(key, value);
    }

  private:
    std::vector<std::pair<std::string, int>> saved_;
};

}  // namespace tessel::testing
