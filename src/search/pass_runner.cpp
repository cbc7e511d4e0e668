#include "search/pass_runner.h"

#include <utility>

namespace tessel {

namespace {

// A runner that is gone takes no result: no generation reaches this value.
constexpr uint64_t kRunnerGone = UINT64_MAX;

}  // namespace

PassRunner::PassRunner() : token_(std::make_shared<std::atomic<uint64_t>>(0)) {}

PassRunner::~PassRunner() {
    token_->store(kRunnerGone);
    cancel();
}

void PassRunner::start(SearchWorkers& pool, SearchHost* host,
                       std::shared_ptr<const PassRequest> request, Done done) {
    cancel();
    if (!host) {
        const PassResult result = pool.run(*request);
        done(result);
        return;
    }
    const uint64_t generation = ++generation_;
    token_->store(generation);
    pool_ = &pool;
    auto token = token_;
    // The worker posts the result; the host outlives every pass it posts for, because its
    // owner cancels the pass (which waits for this callback) before the host goes.
    job_ = pool.start(std::move(request), [this, host, token, generation,
                                           done = std::move(done)](const PassResult& result) {
        host->postToUi([this, token, generation, done, result] {
            if (token->load() != generation) return;
            job_.reset();
            done(result);
        });
    });
}

void PassRunner::cancel() {
    if (!job_) return;
    if (pool_) pool_->cancel(job_);
    job_.reset();
    if (token_->load() != kRunnerGone) token_->store(++generation_);
}

}  // namespace tessel
