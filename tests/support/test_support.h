// Helpers shared by the test binaries.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::testing {

// The randomised differential tests run all their rounds in the optimised build; the
// sanitizer build (unoptimised, every access checked) is some twenty times slower, so there
// they run an eighth of the rounds, which still walks every code path many times.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
inline constexpr bool kCheckedBuild = true;
#else
inline constexpr bool kCheckedBuild = false;
#endif

constexpr int roundsForThisBuild(int rounds) {
    return kCheckedBuild ? (rounds + 7) / 8 : rounds;
}

// A fresh temporary folder, removed with its contents at destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes a file below the folder (creating sub folders) and returns its full path.
    std::string write(std::string_view relativePath, std::string_view bytes) const;

  private:
    std::string path_;
};

std::string readFile(const std::string& path);

// Collects every logged message while alive.
class LogCapture {
  public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> messages() const;
    bool contains(std::string_view fragment) const;
    void clear();

  private:
    mutable std::mutex lock_;
    std::vector<std::string> messages_;
};

// Stands in for the user interface thread's queue: tasks posted from worker threads wait
// here until the test runs them.
class UiQueue {
  public:
    void post(std::function<void()> task);
    // Runs the tasks posted so far, waiting up to a few seconds for the first one. Returns
    // how many ran.
    int drain();
    // Waits up to a few seconds until a task is posted, without running it.
    bool waitForTask();

  private:
    std::mutex lock_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace tessel::testing
