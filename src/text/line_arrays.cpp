#include "text/line_arrays.h"

#include <cstdlib>

#include "text/text_block_pool.h"

namespace tessel {

bool LineArrays::allocate(int slots, TextPool* pool) {
    release();
    if (slots <= 0) return false;
    size_t arrayBytes = static_cast<size_t>(slots) * sizeof(uint32_t);
    char* memory = pool ? pool->take(2 * arrayBytes) : nullptr;
    pooled_ = memory != nullptr;
    if (!memory) memory = static_cast<char*>(std::malloc(2 * arrayBytes));
    if (!memory) return false;
    starts = reinterpret_cast<uint32_t*>(memory);
    masks = reinterpret_cast<uint32_t*>(memory + arrayBytes);
    capacity = slots;
    return true;
}

void LineArrays::release() {
    // Both arrays live in one allocation that begins with the starts.
    if (!pooled_) std::free(starts);
    starts = nullptr;
    masks = nullptr;
    capacity = 0;
    pooled_ = false;
}

void LineArrays::clearFrom(int first) {
    for (int i = first < 0 ? 0 : first; i < capacity; ++i) {
        starts[i] = kNoLineStart;
        masks[i] = 0;
    }
}

}  // namespace tessel
