#include "load/file_stat_worker.h"

#include <utility>

#include "base/log/message_log.h"
#include "text/text_store.h"

namespace tessel {

std::vector<std::string> blockNamesForCheck(const TextStore& store) {
    std::vector<std::string> names(static_cast<size_t>(store.blockCount));
    for (int i = 0; i < store.blockCount; ++i) {
        const TextBlock* block = store.blocks[i];
        if (!block || !block->fileName || block->clipText || block->ring) continue;
        names[static_cast<size_t>(i)] = block->fileName;
    }
    return names;
}

FileStatWorker::~FileStatWorker() {
    cancel();
}

void FileStatWorker::start(std::vector<std::string> names, int64_t startMs, int64_t maxMs,
                           Deliver deliver) {
    cancel();
    stop_ = false;
    cancel_ = false;
    running_ = true;
    thread_ = std::thread(
        [this, names = std::move(names), startMs, maxMs, deliver = std::move(deliver)]() mutable {
            auto states = std::make_shared<FileStatusList>();
            states->startMs = startMs;
            states->states.resize(names.size());
            for (size_t i = 0; i < names.size(); ++i) {
                if (cancel_.load() || stop_.load()) {
                    states->stopped = true;
                    break;
                }
                // Looking at the clock for every file would cost more than some stats.
                if (maxMs > 0 && (i & 63) == 0 && tickMs() - startMs > maxMs) {
                    states->timeLimitReached = true;
                    break;
                }
                if (names[i].empty()) continue;
                states->states[i] = statusOfFile(names[i].c_str());
            }
            states->names = std::move(names);
            running_ = false;
            if (!cancel_.load() && deliver) deliver(std::move(states));
        });
}

void FileStatWorker::stop() {
    stop_ = true;
}

void FileStatWorker::cancel() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
    running_ = false;
}

}  // namespace tessel
