#include "load/stdin_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace tessel {
namespace {

// Everything the reader hands over until the input ends (or five seconds pass).
std::string drain(StdinReader& reader) {
    std::string all;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until) {
        std::string lines;
        bool more = reader.take(lines, 1 << 20);
        all += lines;
        if (!more) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return all;
}

TEST(StdinReader, LinesArriveWholeAndTheLastOneWhenThePipeCloses) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    StdinReader reader;
    ASSERT_EQ(reader.start(fds[0]), 0);
    const std::string text = "first\nsecond line\r\nhalf";
    for (char c : text) ASSERT_EQ(write(fds[1], &c, 1), 1);
    close(fds[1]);
    std::string got = drain(reader);
    reader.stop();
    close(fds[0]);
    EXPECT_NE(got.find("first\n"), std::string::npos);
    EXPECT_NE(got.find("second line"), std::string::npos);
    EXPECT_NE(got.find("half"), std::string::npos) << "an unfinished last line still counts";
    EXPECT_EQ(got.back(), '\n');
}

TEST(StdinReader, BinaryInputKeepsOnlyItsRunsOfText) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    StdinReader reader;
    ASSERT_EQ(reader.start(fds[0]), 0);
    std::string bytes(5000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 31);
    bytes += "readable words here";
    bytes += std::string(100, '\0');
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
    std::string got = drain(reader);
    reader.stop();
    close(fds[0]);
    EXPECT_NE(got.find("readable words here"), std::string::npos);
    EXPECT_EQ(got.find('\0'), std::string::npos);
}

TEST(StdinReader, OnlyPipesAndFilesAreTakenForText) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    EXPECT_TRUE(stdinIsTextSource(fds[0]));
    close(fds[0]);
    close(fds[1]);
    int null = open("/dev/null", O_RDONLY);
    ASSERT_GE(null, 0);
    EXPECT_FALSE(stdinIsTextSource(null)) << "a device is no text source";
    close(null);
}

}  // namespace
}  // namespace tessel
