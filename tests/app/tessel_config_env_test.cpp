#include "app/tessel_config_env.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

std::vector<std::string> flatten(const std::vector<TesselConfigEntry>& entries) {
    std::vector<std::string> pairs;
    for (const TesselConfigEntry& entry : entries) pairs.push_back(entry.key + "=" + entry.value);
    return pairs;
}

TEST(TesselConfigSplit, EntriesKeysAndValues) {
    EXPECT_EQ(flatten(splitTesselConfig("\"maxload:200,case:no,,searchseq:yes\"")),
              (std::vector<std::string>{"maxload=200", "case=no", "searchseq=yes"}));
    EXPECT_EQ(flatten(splitTesselConfig(" maxload :200,linux,url:http://x:8080/")),
              (std::vector<std::string>{"maxload=200", "linux=", "url=http://x:8080/"}));
    EXPECT_TRUE(splitTesselConfig("").empty());
    EXPECT_TRUE(splitTesselConfig("\"").empty());
}

TEST(TesselConfigSplit, FontEntriesKeepTheirCommas) {
    EXPECT_EQ(
        flatten(splitTesselConfig("case:no,mainfont:Courier New,8,18,600,-1,maxload:300")),
        (std::vector<std::string>{"case=no", "mainfont=Courier New,8,18,600,-1", "maxload=300"}));
    EXPECT_EQ(flatten(splitTesselConfig("mainfont2:Mono,0,19,700,0,bookfont:Sans,7,10,500,-1")),
              (std::vector<std::string>{"mainfont2=Mono,0,19,700,0", "bookfont=Sans,7,10,500,-1"}));
    // A short font value at the end takes what there is.
    EXPECT_EQ(flatten(splitTesselConfig("menufont:Sans,8")),
              (std::vector<std::string>{"menufont=Sans,8"}));
}

TEST(TesselConfigLinux, EarlyLookFindsOnlyWholeWords) {
    EXPECT_EQ(tesselConfigLinuxMode("maxload:200,nolinux"), 0);
    EXPECT_EQ(tesselConfigLinuxMode("linux,case:no"), 1);
    EXPECT_EQ(tesselConfigLinuxMode("linux:no"), 0);
    EXPECT_EQ(tesselConfigLinuxMode("nolinux,linux"), 1);
    EXPECT_EQ(tesselConfigLinuxMode("mainfont:linux sans,8,18,600,-1"), -1);
    EXPECT_EQ(tesselConfigLinuxMode("case:no"), -1);
}

TEST(TesselConfigApply, LogsAndHandsOverEveryOtherEntry) {
    testing::LogCapture log;
    std::vector<std::string> applied;
    auto apply = [&applied](const char* key, const char* value) {
        applied.push_back(std::string(key) + "=" + value);
        return 1;
    };
    bool linuxMode = true;
    EXPECT_EQ(applyTesselConfig("\"maxload:200,nolinux,case:no\"", linuxMode, apply), 0);
    EXPECT_FALSE(linuxMode);
    EXPECT_EQ(applied, (std::vector<std::string>{"maxload=200", "case=no"}));
    EXPECT_EQ(log.messages(), (std::vector<std::string>{" ", "using TESSEL_CONFIG",
                                                        "key=maxload val=200", "key=case val=no"}));

    log.clear();
    applied.clear();
    EXPECT_EQ(applyTesselConfig(nullptr, linuxMode, apply), 1);
    EXPECT_TRUE(applied.empty());
    EXPECT_TRUE(log.messages().empty());
}

}  // namespace
}  // namespace tessel
