#include "search/search_pass.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "search/candidate_scan.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Lines per chunk. At about 40 bytes a line a chunk is some 650 KB of text, well under a
// millisecond of scanning: the last chunk handed out keeps the other workers waiting no
// longer than that, and a store of 26 million lines still splits into 1,600 chunks, so the
// pass spreads evenly over the cores. Much smaller chunks would spend the time saved on the
// per-chunk start (finding the block, the chunk's own result vectors).
constexpr int kDefaultChunkLines = 16384;
// Cancellation is checked after this many bytes scanned or lines tested.
constexpr int64_t kScanSliceBytes = 256 * 1024;
constexpr int kCheckEveryLines = 1024;
constexpr size_t kSamplePieces = 8;
constexpr size_t kSampleBytes = 16384;

struct ChunkResult {
    int64_t hits = 0;
    int firstHit = -1;
    int64_t tested = 0;
    // The chunk's matching lines when the pass collects them, with their texts and kinds for
    // a sink; grows amortised, never per line.
    std::vector<int> lines;
    std::vector<const char*> texts;
    std::vector<uint8_t> kinds;
};

}  // namespace

struct PassJob {
    std::shared_ptr<const PassRequest> request;
    ScanPlan plan;
    std::vector<int64_t> blockStart;  // flattened line index of each block's line 0, plus total
    int64_t chunkLines = kDefaultChunkLines;
    int chunkCount = 0;
    std::atomic<int> nextChunk{0};
    std::vector<ChunkResult> chunks;
    std::atomic<bool> cancelFlag{false};
    const std::atomic<bool>* externalCancel = nullptr;
    std::chrono::steady_clock::time_point started;
    std::function<void(const PassResult&)> onDone;
    // Guarded by the pool's lock.
    int runningTasks = 0;
    bool finished = false;
    PassResult result;

    bool cancelled() const {
        return cancelFlag.load(std::memory_order_relaxed) ||
               (externalCancel && externalCancel->load(std::memory_order_relaxed));
    }
};

namespace {

// A few pieces of text spread over the blocks, for choosing the byte pairs the scan looks
// for by how often they occur together in this text.
std::string sampleText(const PassRequest& r) {
    std::string sample;
    const size_t count = r.blocks.size();
    const size_t step = std::max<size_t>(1, count / kSamplePieces);
    const size_t pieceBytes = kSampleBytes / std::clamp<size_t>(count, 1, kSamplePieces);
    for (size_t b = 0; b < count && sample.size() < kSampleBytes; b += step) {
        const PassBlock& block = r.blocks[b];
        if (!block.contiguous || !block.lineStarts || block.lineCount <= 0) continue;
        const char* first = block.line(0);
        const char* last = block.line(block.lineCount - 1);
        if (!first || !last || last < first) continue;
        const size_t size = static_cast<size_t>(last - first) + std::strlen(last);
        sample.append(first, std::min(size, pieceBytes));
    }
    return sample;
}

std::shared_ptr<PassJob> prepareJob(std::shared_ptr<const PassRequest> request) {
    auto job = std::make_shared<PassJob>();
    job->started = std::chrono::steady_clock::now();
    const PassRequest& r = *request;
    if (r.scanBuffers) job->plan = planScan(r.expr, r.fold, r.flags, sampleText(r));
    job->blockStart.reserve(r.blocks.size() + 1);
    int64_t total = 0;
    for (const PassBlock& block : r.blocks) {
        job->blockStart.push_back(total);
        total += std::max(block.lineCount, 0);
    }
    job->blockStart.push_back(total);
    if (r.chunkLines > 0) job->chunkLines = r.chunkLines;
    job->chunkCount = static_cast<int>((total + job->chunkLines - 1) / job->chunkLines);
    job->chunks.resize(job->chunkCount);
    if (r.sink) r.sink->begin(job->chunkCount);
    job->request = std::move(request);
    return job;
}

class ChunkRunner {
  public:
    ChunkRunner(PassJob& job)
        : job_(job),
          request_(*job.request),
          collectTexts_(request_.collectLines && request_.sink != nullptr) {}

    void runChunk(int chunk) {
        ChunkResult& out = job_.chunks[chunk];
        int64_t from = chunk * job_.chunkLines;
        int64_t to = std::min(from + job_.chunkLines, job_.blockStart.back());
        auto it = std::upper_bound(job_.blockStart.begin(), job_.blockStart.end(), from);
        size_t b = static_cast<size_t>(it - job_.blockStart.begin()) - 1;
        const size_t firstBlock = b;
        while (from < to && b < request_.blocks.size() && !job_.cancelled()) {
            const PassBlock& block = request_.blocks[b];
            int j0 = static_cast<int>(from - job_.blockStart[b]);
            int j1 = static_cast<int>(std::min<int64_t>(block.lineCount, to - job_.blockStart[b]));
            if (j1 > j0) runRange(block, j0, j1, out);
            from = job_.blockStart[b] + j1;
            ++b;
        }
        if (collectTexts_ && from >= to && !job_.cancelled()) {
            request_.sink->chunkDone(chunk, request_, firstBlock, out.lines, out.texts, out.kinds);
            // The sink holds what it needs; the texts are not merged.
            std::vector<const char*>().swap(out.texts);
            std::vector<uint8_t>().swap(out.kinds);
        }
    }

  private:
    bool test(const PassBlock& block, int j) {
        if (block.ringBlock) {
            uint32_t mask = 0;
            const char* line = block.ringBlock->lineAndMask(j, &mask);
            return matchLine(line, mask, request_.expr, request_.fold, 0, nullptr, nullptr,
                             request_.flags, work_);
        }
        return matchLine(block.line(j), block.lineMasks ? block.lineMasks[j] : 0, request_.expr,
                         request_.fold, 0, nullptr, nullptr, request_.flags, work_);
    }

    void hit(const PassBlock& block, int j, ChunkResult& out) const {
        ++out.hits;
        if (out.firstHit < 0) out.firstHit = block.firstLine + j;
        if (request_.collectLines) collectLine(block, j, out);
    }

    void collectLine(const PassBlock& block, int j, ChunkResult& out) const {
        out.lines.push_back(block.firstLine + j);
        if (!collectTexts_) return;
        uint32_t mask = 0;
        const char* text = nullptr;
        if (block.ringBlock) {
            text = block.ringBlock->lineAndMask(j, &mask);
        } else {
            text = block.line(j);
            mask = block.lineMasks ? block.lineMasks[j] : 0;
        }
        out.texts.push_back(text);
        out.kinds.push_back(static_cast<uint8_t>(mask & 0xFF));
    }

    // Inverted scans only visit the lines that may fail; the lines between them match.
    void collectRange(const PassBlock& block, int from, int to, ChunkResult& out) const {
        if (!request_.collectLines) return;
        for (int j = from; j < to; ++j) collectLine(block, j, out);
    }

    void runRange(const PassBlock& block, int j0, int j1, ChunkResult& out) {
        out.tested += j1 - j0;
        if (request_.expr.termCount == 0 || !block.lineStarts) return;
        if (job_.plan.usable && block.contiguous) {
            scanRange(block, j0, j1, out);
        } else {
            lineLoop(block, j0, j1, out);
        }
    }

    void lineLoop(const PassBlock& block, int j0, int j1, ChunkResult& out) {
        for (int j = j0; j < j1; ++j) {
            if ((j - j0) % kCheckEveryLines == kCheckEveryLines - 1 && job_.cancelled()) return;
            if (test(block, j)) hit(block, j, out);
        }
    }

    // The last line j with lineStarts[j] <= at, searching forward from `low`.
    static int lineContaining(const PassBlock& block, const char* at, int low, int end) {
        int step = 1;
        while (low + step < end && block.line(low + step) <= at) {
            low += step;
            step *= 2;
        }
        int high = std::min(low + step, end);
        while (high - low > 1) {
            int mid = low + (high - low) / 2;
            if (block.line(mid) <= at) {
                low = mid;
            } else {
                high = mid;
            }
        }
        return low;
    }

    bool anyTermStands(const char* candidate, const char* begin, const char* end) const {
        const int count = static_cast<int>(job_.plan.needles.size());
        for (int k = 0; k < count; ++k) {
            if (termStandsAt(job_.plan, k, candidate, begin, end)) return true;
        }
        return false;
    }

    void scanRange(const PassBlock& block, int j0, int j1, ChunkResult& out) {
        const char* regionStart = block.line(j0);
        const char* lastLine = block.line(j1 - 1);
        if (!regionStart || !lastLine || lastLine < regionStart) {
            lineLoop(block, j0, j1, out);
            return;
        }
        const char* regionEnd = lastLine + std::strlen(lastLine);
        const bool inverted = job_.plan.inverted;
        int nextUnknown = j0;  // inverted: first line not yet known to fail
        int firstHit = -1;
        int64_t failed = 0;
        int line = j0;
        int lastTested = j0 - 1;
        const char* p = regionStart;
        while (p < regionEnd) {
            const char* limit = regionEnd - p > kScanSliceBytes ? p + kScanSliceBytes : regionEnd;
            const char* candidate = scanForCandidate(job_.plan, p, limit, regionEnd);
            if (candidate >= limit) {
                if (job_.cancelled()) return;
                p = limit;
                continue;
            }
            if (job_.plan.plainTerms) {
                int standing = -1;
                for (int k = 0; k < static_cast<int>(job_.plan.needles.size()) && standing < 0;
                     ++k) {
                    if (termStandsAt(job_.plan, k, candidate, regionStart, regionEnd)) standing = k;
                }
                if (standing < 0) {
                    p = candidate + 1;
                    continue;
                }
                line = lineContaining(block, candidate, line, j1);
                lastTested = line;
                const char* termEnd = candidate - job_.plan.needles[standing].termOffset +
                                      job_.plan.terms[standing].size();
                // Past the searched part of a long line only the line test can tell.
                bool matches = termEnd - block.line(line) <= kMaxSearchedLineBytes
                                   ? !prefilterRejects(block.lineMasks ? block.lineMasks[line] : 0,
                                                       request_.expr)
                                   : test(block, line);
                if (matches) hit(block, line, out);
                const char* next = line + 1 < j1 ? block.line(line + 1) : regionEnd;
                p = next > candidate ? next : candidate + 1;
                continue;
            }
            if (job_.plan.termsCheckable && !anyTermStands(candidate, regionStart, regionEnd)) {
                p = candidate + 1;
                continue;
            }
            line = lineContaining(block, candidate, line, j1);
            if (line > lastTested) {
                lastTested = line;
                bool matches = test(block, line);
                if (!inverted) {
                    if (matches) hit(block, line, out);
                } else {
                    if (firstHit < 0 && line > nextUnknown) firstHit = nextUnknown;
                    if (matches && firstHit < 0) firstHit = line;
                    if (!matches) ++failed;
                    collectRange(block, nextUnknown, matches ? line + 1 : line, out);
                    nextUnknown = line + 1;
                }
            }
            const char* next = line + 1 < j1 ? block.line(line + 1) : regionEnd;
            p = next > candidate ? next : candidate + 1;
        }
        if (inverted) {
            if (firstHit < 0 && nextUnknown < j1) firstHit = nextUnknown;
            collectRange(block, nextUnknown, j1, out);
            out.hits += (j1 - j0) - failed;
            if (out.firstHit < 0 && firstHit >= 0) out.firstHit = block.firstLine + firstHit;
        }
    }

    PassJob& job_;
    const PassRequest& request_;
    // Only a sink takes the hits' texts and kinds.
    const bool collectTexts_;
    WorkLine work_;
};

void runChunks(PassJob& job) {
    ChunkRunner runner(job);
    while (!job.cancelled()) {
        int chunk = job.nextChunk.fetch_add(1, std::memory_order_relaxed);
        if (chunk >= job.chunkCount) break;
        runner.runChunk(chunk);
    }
}

PassResult mergeChunks(PassJob& job) {
    PassResult result;
    size_t collected = 0;
    for (const ChunkResult& chunk : job.chunks) {
        result.hitCount += chunk.hits;
        result.testedLines += chunk.tested;
        if (result.firstHitLine < 0) result.firstHitLine = chunk.firstHit;
        collected += chunk.lines.size();
    }
    result.cancelled = job.cancelled();
    if (job.request->collectLines && !result.cancelled) {
        // Chunks run through the flattened lines in load order, so appending them in chunk
        // order gives the lines in load order.
        auto lines = std::make_shared<std::vector<int>>();
        lines->reserve(collected);
        for (ChunkResult& chunk : job.chunks) {
            lines->insert(lines->end(), chunk.lines.begin(), chunk.lines.end());
            std::vector<int>().swap(chunk.lines);
        }
        result.hitLines = std::move(lines);
    }
    result.elapsedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now() - job.started)
                           .count();
    return result;
}

}  // namespace

PassResult runPassOnThisThread(const PassRequest& request, const std::atomic<bool>* cancel) {
    auto job = prepareJob(std::make_shared<const PassRequest>(request));
    job->externalCancel = cancel;
    runChunks(*job);
    return mergeChunks(*job);
}

SearchWorkers::SearchWorkers(int threads) {
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { workerLoop(); });
}

SearchWorkers::~SearchWorkers() {
    cancelAll();
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void SearchWorkers::workerLoop() {
    while (true) {
        std::shared_ptr<PassJob> job;
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty()) return;
            job = std::move(tasks_.front());
            tasks_.pop_front();
        }
        runChunks(*job);
        finish(job);
    }
}

void SearchWorkers::finish(const std::shared_ptr<PassJob>& job) {
    std::function<void(const PassResult&)> onDone;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (--job->runningTasks > 0) return;
        job->result = mergeChunks(*job);
        onDone = std::move(job->onDone);
    }
    // The callback runs before the pass counts as finished, so that cancel() returning means
    // no callback of this pass is still running.
    if (onDone) onDone(job->result);
    {
        std::lock_guard<std::mutex> guard(lock_);
        job->finished = true;
        std::erase(active_, job);
    }
    finished_.notify_all();
}

// A pass is one task per worker, not one per chunk: each worker takes the next chunk from
// the job's own counter until none is left, so handing out a chunk costs an atomic increment
// instead of the queue's lock, a fast worker simply takes more chunks, and a cancelled job
// leaves no chunk tasks behind in the queue.
void SearchWorkers::enqueue(const std::shared_ptr<PassJob>& job) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        job->runningTasks = static_cast<int>(threads_.size());
        active_.push_back(job);
        for (size_t i = 0; i < threads_.size(); ++i) tasks_.push_back(job);
    }
    wake_.notify_all();
}

std::shared_ptr<PassJob> SearchWorkers::start(std::shared_ptr<const PassRequest> request,
                                              std::function<void(const PassResult&)> done) {
    auto job = prepareJob(std::move(request));
    job->onDone = std::move(done);
    enqueue(job);
    return job;
}

PassResult SearchWorkers::run(const PassRequest& request, const std::atomic<bool>* cancel) {
    auto job = prepareJob(std::make_shared<const PassRequest>(request));
    job->externalCancel = cancel;
    enqueue(job);
    std::unique_lock<std::mutex> guard(lock_);
    finished_.wait(guard, [&] { return job->finished; });
    return job->result;
}

void SearchWorkers::cancel(const std::shared_ptr<PassJob>& job) {
    if (!job) return;
    job->cancelFlag.store(true, std::memory_order_relaxed);
    std::unique_lock<std::mutex> guard(lock_);
    finished_.wait(guard, [&] { return job->finished; });
}

void SearchWorkers::cancelAll() {
    std::unique_lock<std::mutex> guard(lock_);
    for (const auto& job : active_) job->cancelFlag.store(true, std::memory_order_relaxed);
    finished_.wait(guard, [&] { return active_.empty(); });
}

SearchWorkers& searchWorkers() {
    static SearchWorkers workers;
    return workers;
}

void cancelSearchPasses() {
    searchWorkers().cancelAll();
}

}  // namespace tessel
