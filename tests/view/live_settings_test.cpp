#include "view/live_settings.h"

#include <gtest/gtest.h>

#include "config/qv_config.h"

namespace tessel {
namespace {

// The typed copies follow every change of the store, whichever way it came.
TEST(LiveSettings, FollowTheStoreAfterEachChange) {
    QVConfig& store = config();
    const int assist = store.getInt("assist");
    const int sidebar = store.getInt("showsidebar");
    store.setInt("assist", 0);
    EXPECT_FALSE(liveSettings().assist);
    store.setInt("assist", 1);
    store.setInt("showsidebar", 0);
    EXPECT_TRUE(liveSettings().assist);
    EXPECT_FALSE(liveSettings().showSidebar);
    store.applyKeyword("showsidebar", "yes", 1);
    EXPECT_TRUE(liveSettings().showSidebar);
    store.setInt("assist", assist);
    store.setInt("showsidebar", sidebar);
}

TEST(LiveSettings, TheStoreCountsOnlyRealChanges) {
    QVConfig store;
    const int before = store.getInt("showmiles");
    const uint64_t count = store.changeCount();
    store.setInt("showmiles", before);
    EXPECT_EQ(store.changeCount(), count);
    store.setInt("showmiles", before ? 0 : 1);
    EXPECT_GT(store.changeCount(), count);
    const uint64_t changed = store.changeCount();
    store.resetDefaults();
    EXPECT_GT(store.changeCount(), changed);
}

}  // namespace
}  // namespace tessel
