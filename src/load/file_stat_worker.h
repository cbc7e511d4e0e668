// Asks the file system about the loaded files on a thread of its own, so that activating the
// window with tens of thousands of files loaded costs the user interface thread only a copy
// of their names. The names are copied before the thread starts: the thread never reads the
// store, which may change while it runs. The states come back through `deliver`, called on
// the worker thread; the caller posts them to its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "load/reload_scan.h"

namespace tessel {

class TextStore;

// The names of the store's blocks in table order (empty for blocks that are never compared
// with a file: clip text, ring blocks, blocks without a name).
std::vector<std::string> blockNamesForCheck(const TextStore& store);

class FileStatWorker {
  public:
    using Deliver = std::function<void(std::shared_ptr<FileStatusList> states)>;

    FileStatWorker() = default;
    // Stops a running check and waits for its thread.
    ~FileStatWorker();
    FileStatWorker(const FileStatWorker&) = delete;
    FileStatWorker& operator=(const FileStatWorker&) = delete;

    // Starts checking the names after stopping a running check. The check ends early when
    // maxMs (above 0) have passed since startMs, or when stop() is called; `deliver` is
    // called once at the end either way, unless cancel() came first.
    void start(std::vector<std::string> names, int64_t startMs, int64_t maxMs, Deliver deliver);
    // Ends the check early; its states are still delivered, marked stopped.
    void stop();
    // Ends the check and waits for the thread; nothing is delivered.
    void cancel();
    bool running() const { return running_.load(); }

  private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> running_{false};
};

}  // namespace tessel
