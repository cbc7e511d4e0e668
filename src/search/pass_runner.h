// The one way a pass runs for a view: the user interface thread starts it, the search workers
// run it, and its result comes back on the user interface thread. Each kind of pass a view
// owns (the search in the normal view, the filtered view's rows, and later reloads,
// relocations and context searches) holds a runner of its own, and whoever owns a runner
// cancels it before it goes. A cancelled pass never delivers: the result travels with the
// generation of its start and is dropped when the runner has moved on, even when it was
// already queued on the user interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "search/search_host.h"
#include "search/search_pass.h"

namespace tessel {

class PassRunner {
  public:
    using Done = std::function<void(const PassResult&)>;

    PassRunner();
    // Cancels a running pass.
    ~PassRunner();
    PassRunner(const PassRunner&) = delete;
    PassRunner& operator=(const PassRunner&) = delete;

    // Starts the pass after cancelling a running one. With a host, `done` runs later on the
    // user interface thread through the host; without one (no window: tests, the benchmark)
    // the pass runs to its end and `done` runs before start returns. `done` also gets the
    // result of a pass the pool stopped on its own (cancelSearchPasses), marked cancelled.
    void start(SearchWorkers& pool, SearchHost* host, std::shared_ptr<const PassRequest> request,
               Done done);
    // Stops the running pass and waits until no worker reads the store for it; its result
    // is never delivered. Nothing happens when none runs.
    void cancel();
    // From start until the result was delivered or the pass cancelled.
    bool running() const { return job_ != nullptr; }

  private:
    std::shared_ptr<PassJob> job_;
    SearchWorkers* pool_ = nullptr;
    // The generation a delivered result must still carry; shared with the queued results.
    std::shared_ptr<std::atomic<uint64_t>> token_;
    uint64_t generation_ = 0;
};

}  // namespace tessel
