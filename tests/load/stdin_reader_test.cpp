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

// Feeds bytes through a pipe (one write per byte when asked, as a slow writer would) and
// returns what the reader handed over once the pipe closed.
std::string readThroughPipe(const std::string& bytes, bool byteByByte) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    StdinReader reader;
    if (reader.start(fds[0]) != 0) return "start failed";
    if (byteByByte) {
        for (char c : bytes)
            if (write(fds[1], &c, 1) != 1) break;
    } else if (write(fds[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        return "write failed";
    }
    close(fds[1]);
    std::string got = drain(reader);
    reader.stop();
    close(fds[0]);
    return got;
}

TEST(StdinReader, LinesArriveWholeAndTheLastOneWhenThePipeCloses) {
    std::string got = readThroughPipe("first\nsecond line\r\nhalf", true);
    EXPECT_NE(got.find("first\n"), std::string::npos);
    EXPECT_NE(got.find("second line"), std::string::npos);
    EXPECT_NE(got.find("half"), std::string::npos) << "an unfinished last line still counts";
    EXPECT_EQ(got.back(), '\n');
}

TEST(StdinReader, BinaryInputKeepsOnlyItsRunsOfText) {
    std::string bytes(5000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 31);
    bytes += "readable words here";
    bytes += std::string(100, '\0');
    std::string got = readThroughPipe(bytes, false);
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
