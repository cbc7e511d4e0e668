// One search pass over the selected blocks: counts the matching lines and finds the first
// one. The pass runs on a pool of worker threads, one per core, over chunks of lines; the
// merged result equals that of testing every line in load order with matchLine. A pass can
// be cancelled at any moment and stops within a few milliseconds.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "search/line_match.h"
#include "search/search_expression.h"

namespace tessel {

struct TextBlock;

// The lines of one selected block as the pass reads them.
struct PassBlock {
    // Line j starts at text + lineStarts[j].
    const char* text = nullptr;
    const uint32_t* lineStarts = nullptr;
    const uint32_t* lineMasks = nullptr;
    int lineCount = 0;
    int firstLine = 0;  // global line number of line 0
    // The lines lie in order in one buffer, each ended by a NUL: the buffer may be scanned
    // as a whole. Ring blocks are not.
    bool contiguous = true;
    // A ring block is read through its logical line order.
    const TextBlock* ringBlock = nullptr;
    // The store's block behind these lines, for what a ChunkSink builds from the hits.
    const TextBlock* source = nullptr;

    const char* line(int j) const { return text + lineStarts[j]; }
};

struct PassRequest;

// Takes each chunk's hits on the worker that found them, so that what is built from the hits
// (the filtered view's rows) is built in parallel as well. Chunks arrive in any order and on
// any worker, each exactly once, and only from a pass that is not cancelled by then.
class ChunkSink {
  public:
    virtual ~ChunkSink() = default;
    // Before any chunk runs.
    virtual void begin(int chunkCount) = 0;
    // The chunk's matching lines in load order with their texts and kinds; `firstBlock` is
    // the index in request.blocks of the block holding the chunk's first line.
    virtual void chunkDone(int chunk, const PassRequest& request, size_t firstBlock,
                           const std::vector<int>& lines, const std::vector<const char*>& texts,
                           const std::vector<uint8_t>& kinds) = 0;
};

struct PassRequest {
    std::vector<PassBlock> blocks;
    SearchExpression expr;
    FoldTable fold;
    MatchFlags flags;
    // Off: test every line through matchLine, the plain way (for comparison and measuring).
    bool scanBuffers = true;
    // Lines per chunk handed to one worker at a time; 0 picks the default.
    int chunkLines = 0;
    // Also collect the global numbers of the matching lines (the filtered view's rows).
    bool collectLines = false;
    // With collectLines: gets every chunk's hits with each hit's text and kind (the low byte
    // of its line mask), read by the workers while the line is at hand.
    std::shared_ptr<ChunkSink> sink;
};

struct PassResult {
    int64_t hitCount = 0;
    int firstHitLine = -1;
    int64_t testedLines = 0;
    bool cancelled = false;
    int64_t elapsedNs = 0;
    // With collectLines: the matching lines in load order (shared, so results copy cheaply);
    // null otherwise and after a cancelled pass.
    std::shared_ptr<const std::vector<int>> hitLines;
};

struct PassJob;

class SearchWorkers {
  public:
    // threads <= 0: one per core.
    explicit SearchWorkers(int threads = 0);
    ~SearchWorkers();
    SearchWorkers(const SearchWorkers&) = delete;
    SearchWorkers& operator=(const SearchWorkers&) = delete;

    int threadCount() const { return static_cast<int>(threads_.size()); }

    // Runs a pass and waits for it; `cancel` (optional) stops it early.
    PassResult run(const PassRequest& request, const std::atomic<bool>* cancel = nullptr);

    // Starts a pass; `done` runs once on a worker thread when it ends or is cancelled.
    std::shared_ptr<PassJob> start(std::shared_ptr<const PassRequest> request,
                                   std::function<void(const PassResult&)> done);
    // Stops a started pass and waits until no worker reads the store for it any more.
    void cancel(const std::shared_ptr<PassJob>& job);
    // Before the store changes: stops every running pass and waits for them.
    void cancelAll();

  private:
    void workerLoop();
    void enqueue(const std::shared_ptr<PassJob>& job);
    void finish(const std::shared_ptr<PassJob>& job);

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<PassJob>> tasks_;
    std::vector<std::shared_ptr<PassJob>> active_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// The process-wide pool, created on first use.
SearchWorkers& searchWorkers();
// Stops all passes before the store is changed (loads, reloads, commits, clear).
void cancelSearchPasses();

// Runs the pass over the chunk range on the calling thread (the workers' inner loop; exposed
// for tests that compare it with the plain line loop).
PassResult runPassOnThisThread(const PassRequest& request,
                               const std::atomic<bool>* cancel = nullptr);

}  // namespace tessel
