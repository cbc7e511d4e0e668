// Starts the platform once for the whole test binary, without a display and without boxes
// that wait for a user.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

class PlatformEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        tessel::PlatformOptions options;
        options.offscreen = true;
        options.nonInteractive = true;
        ASSERT_EQ(tessel::platformInit(options), 0);
    }
    void TearDown() override { tessel::platformShutdown(); }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PlatformEnvironment);

}  // namespace
