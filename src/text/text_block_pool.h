// Memory for the text and line arrays of many small files, cut from large chunks: one
// allocation per chunk instead of two or three per file, huge pages where the system has
// them, and no memory given back and faulted in again file after file. A slice is never
// freed on its own: a block that drops its pooled text leaves the slice unused until the
// store releases all chunks at TextStore::clear. So only folder loads, whose blocks live
// until that clear anyway, take from the pool; reloads of single files do not.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tessel {

class TextPool {
  public:
    TextPool();
    ~TextPool();
    TextPool(const TextPool&) = delete;
    TextPool& operator=(const TextPool&) = delete;

    // `bytes` of uninitialised memory, 16-byte aligned, from the calling thread's current
    // chunk; NULL for large requests and when no chunk can be had (the caller allocates on
    // its own then). Any thread may take.
    char* take(size_t bytes);
    // Gives the end of the calling thread's last slice back: `slice` of `takenBytes` keeps
    // its first `keptBytes`. A slice that is not the thread's last one keeps all its bytes.
    void shrinkLast(char* slice, size_t takenBytes, size_t keptBytes);
    // Frees every chunk. No block may hold a slice any more, and no thread may be taking.
    void release();
    // Bytes reserved in chunks.
    int64_t reservedBytes();

  private:
    struct Chunk {
        char* memory = nullptr;
        size_t size = 0;
    };
    std::mutex lock_;
    std::vector<Chunk> chunks_;
    // Threads keep cutting from their own chunk; a release makes every such chunk stale.
    std::atomic<uint64_t> generation_;
};

}  // namespace tessel
