// Standard input as a text source ("tessel -", or a pipe or file on standard input): a
// reader thread takes the bytes as they come and hands complete lines to the user interface
// thread, which adds them to the "// stdin" block as a followed file grows. Input whose start
// looks binary keeps only its runs of text, as a binary file named on the command line does.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace tessel {

class TextStore;
struct TextBlock;

inline constexpr char kStdinBlockName[] = "// stdin";

// Whether standard input is meant when no load argument is given: a pipe or a regular file,
// never a terminal or a device.
bool stdinIsTextSource(int fd);

class StdinReader {
  public:
    StdinReader() = default;
    ~StdinReader();
    StdinReader(const StdinReader&) = delete;
    StdinReader& operator=(const StdinReader&) = delete;

    // Starts the reader thread on the descriptor (not closed by the reader). 0 started.
    int start(int fd);
    // Moves the complete lines read so far (each with its line feed) into `lines`, at most
    // about maxBytes of them. True while more may come; false once the input ended and
    // everything was taken.
    bool take(std::string& lines, size_t maxBytes);
    // Asks the thread to end and waits for it.
    void stop();

  private:
    void run(int fd);
    void deliver(std::string_view bytes, bool decideNow = false);
    void extractText(std::string_view bytes);

    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::mutex mutex_;
    std::string ready_;     // complete lines for the user interface thread (mutex_)
    bool ended_ = false;    // (mutex_)
    std::string partial_;   // reader thread only: a line still missing its line feed
    std::string start_;     // reader thread only: bytes held until the kind is known
    int kind_ = 0;          // reader thread only: 0 unknown, 1 text, 2 binary
    size_t runLength_ = 0;  // reader thread only: text bytes in a row (binary input)
    std::string run_;       // reader thread only: a run too short to keep yet
};

// Adds the "// stdin" block, empty, at the end of the store. Null when it cannot.
TextBlock* addStdinBlock(TextStore& store);

}  // namespace tessel
