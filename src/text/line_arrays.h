// The line index of a block: one start offset and one line mask per line slot, in two arrays
// of the same capacity cut from one allocation. The allocation comes from the store's pool
// during folder loads and from the heap otherwise; the owner knows which, so no caller ever
// frees a pool slice or forgets a heap array.
#pragma once

#include <cstdint>

namespace tessel {

class TextPool;

// A line start slot that holds no line (ring slots not yet written).
inline constexpr uint32_t kNoLineStart = UINT32_MAX;

class LineArrays {
  public:
    LineArrays() = default;
    ~LineArrays() { release(); }
    LineArrays(const LineArrays&) = delete;
    LineArrays& operator=(const LineArrays&) = delete;

    // Replaces the arrays by `capacity` uninitialised slots each, from the pool when it has
    // room, else from the heap. False, with no arrays left, when no memory could be had.
    bool allocate(int capacity, TextPool* pool = nullptr);
    // Frees heap arrays; a pool slice stays unused until the pool is released.
    void release();
    // Marks the slots from `first` to the capacity as holding no line, with mask 0.
    void clearFrom(int first);
    bool pooled() const { return pooled_; }

    uint32_t* starts = nullptr;
    uint32_t* masks = nullptr;
    int capacity = 0;

  private:
    bool pooled_ = false;
};

}  // namespace tessel
