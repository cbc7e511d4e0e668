#include "text/text_block_pool.h"

#include <sys/mman.h>

namespace tessel {

namespace {

constexpr size_t kChunkBytes = size_t{32} << 20;
// Larger slices would waste too much of a chunk's end; such files get their own buffer.
constexpr size_t kLargestSlice = kChunkBytes / 8;
constexpr size_t kSliceAlign = 16;

struct Cursor {
    const TextPool* pool = nullptr;
    uint64_t generation = 0;
    char* next = nullptr;
    char* end = nullptr;
};

thread_local Cursor cursor;

// Generations are unique across all pools, so that a pool made where a released one lived
// never meets a cursor into the old chunks.
std::atomic<uint64_t> lastGeneration{0};

uint64_t newGeneration() {
    return lastGeneration.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

TextPool::TextPool() : generation_(newGeneration()) {}

TextPool::~TextPool() {
    release();
}

char* TextPool::take(size_t bytes) {
    if (bytes == 0 || bytes > kLargestSlice) return nullptr;
    size_t rounded = (bytes + kSliceAlign - 1) & ~(kSliceAlign - 1);
    uint64_t generation = generation_.load(std::memory_order_acquire);
    if (cursor.pool != this || cursor.generation != generation ||
        static_cast<size_t>(cursor.end - cursor.next) < rounded) {
        void* memory = ::mmap(nullptr, kChunkBytes, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) return nullptr;
#if defined(MADV_HUGEPAGE)
        // Fewer, larger page faults: loading touches every byte of the chunk once.
        ::madvise(memory, kChunkBytes, MADV_HUGEPAGE);
#endif
        {
            std::lock_guard guard(lock_);
            chunks_.push_back(Chunk{static_cast<char*>(memory), kChunkBytes});
        }
        cursor = Cursor{this, generation, static_cast<char*>(memory),
                        static_cast<char*>(memory) + kChunkBytes};
    }
    char* slice = cursor.next;
    cursor.next += rounded;
    return slice;
}

void TextPool::shrinkLast(char* slice, size_t takenBytes, size_t keptBytes) {
    auto rounded = [](size_t bytes) { return (bytes + kSliceAlign - 1) & ~(kSliceAlign - 1); };
    if (cursor.pool != this || cursor.generation != generation_.load(std::memory_order_acquire) ||
        keptBytes > takenBytes || cursor.next != slice + rounded(takenBytes))
        return;
    cursor.next = slice + rounded(keptBytes);
}

void TextPool::release() {
    std::lock_guard guard(lock_);
    for (const Chunk& chunk : chunks_) ::munmap(chunk.memory, chunk.size);
    chunks_.clear();
    generation_.store(newGeneration(), std::memory_order_release);
}

int64_t TextPool::reservedBytes() {
    std::lock_guard guard(lock_);
    int64_t total = 0;
    for (const Chunk& chunk : chunks_) total += static_cast<int64_t>(chunk.size);
    return total;
}

}  // namespace tessel
