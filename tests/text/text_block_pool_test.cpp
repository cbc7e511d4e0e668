#include "text/text_block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

using testing::TempDir;

TEST(TextPoolTest, SlicesAreAlignedApartAndLargeRequestsRefused) {
    TextPool pool;
    EXPECT_EQ(pool.take(0), nullptr);
    EXPECT_EQ(pool.take(size_t{64} << 20), nullptr);
    char* first = pool.take(5);
    char* second = pool.take(100);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(second) % 16, 0u);
    EXPECT_GE(second - first, 16);
    std::memset(first, 'a', 5);
    std::memset(second, 'b', 100);
    EXPECT_EQ(first[4], 'a');
    // Slices of several megabytes fill chunks; new chunks come as needed.
    for (int i = 0; i < 40; ++i) {
        char* slice = pool.take(size_t{3} << 20);
        ASSERT_NE(slice, nullptr);
        slice[(size_t{3} << 20) - 1] = 'z';
    }
    EXPECT_GE(pool.reservedBytes(), int64_t{120} << 20);
    pool.release();
    EXPECT_EQ(pool.reservedBytes(), 0);
    // After a release the thread's old chunk is never cut again.
    char* fresh = pool.take(8);
    ASSERT_NE(fresh, nullptr);
    fresh[7] = 'x';
}

TEST(TextPoolTest, ThreadsTakeAtTheSameTime) {
    TextPool pool;
    std::vector<std::vector<char*>> slices(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pool, &slices, t] {
            for (int i = 0; i < 2000; ++i) {
                char* slice = pool.take(1000);
                if (!slice) continue;
                std::memset(slice, 'a' + t, 1000);
                slices[static_cast<size_t>(t)].push_back(slice);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) {
        ASSERT_EQ(slices[static_cast<size_t>(t)].size(), 2000u);
        for (char* slice : slices[static_cast<size_t>(t)]) {
            ASSERT_EQ(slice[0], 'a' + t);
            ASSERT_EQ(slice[999], 'a' + t);
        }
    }
}

// Only the calling thread's last slice can give its end back; any other keeps its bytes, so
// a slice never overlaps one handed out before or after it.
TEST(TextPoolTest, OnlyTheLastSliceShrinks) {
    TextPool pool;
    char* first = pool.take(1000);
    char* second = pool.take(1000);
    pool.shrinkLast(first, 1000, 10);
    char* third = pool.take(16);
    EXPECT_GE(third, second + 1000);
    pool.shrinkLast(third, 16, 0);
    pool.shrinkLast(second, 1000, 100);
    EXPECT_EQ(pool.take(16), second + 112);  // 100 rounded up to the slice alignment
    TextPool other;
    char* elsewhere = other.take(64);
    pool.shrinkLast(elsewhere, 64, 0);  // not this pool's: nothing happens to either
    EXPECT_EQ(other.take(16), elsewhere + 64);
}

// A block whose text and line arrays are pooled goes through everything that frees or
// resizes a block's memory: the pool's slices must never reach free() or realloc(), which
// the sanitizer build would report.
TEST(TextPoolTest, PooledBlocksSurviveReloadEditWrapAndClear) {
    codePageTables().init(1252);
    textOptions() = TextOptions{};
    TempDir dir;
    std::string path = dir.write("a.txt", "the quick brown fox\r\njumps over the lazy dog\n");
    TextStore store;
    for (int round = 0; round < 2; ++round) {
        auto* block = new TextBlock(&store);
        ASSERT_EQ(block->loadFile(path.c_str(), 0, nullptr, &store.textPool),
                  LoadFileResult::kLoaded);
        EXPECT_EQ(block->textMemory, TextMemory::kPool);
        EXPECT_TRUE(block->lineArrays.pooled());
        ASSERT_EQ(block->lineCount, 5);
        EXPECT_STREQ(block->line(3), "the quick brown fox ");
        EXPECT_EQ(block->lineArrays.masks[4], codePageTables().maskOf("jumps over the lazy dog"));
        ASSERT_NE(store.appendBlock(), nullptr);
        delete store.blocks[store.blockCount - 1];
        store.blocks[store.blockCount - 1] = block;
        store.renumber();

        // Wrapping keeps the text in place; unwrapping swaps in the malloc'd copy.
        block->wrapWidth = 10;
        ASSERT_EQ(block->wrap(4), 0);
        block->wrapWidth = 0;
        ASSERT_EQ(block->wrap(4), 0);
        EXPECT_NE(block->textMemory, TextMemory::kPool);
        EXPECT_STREQ(block->line(4), "jumps over the lazy dog");

        // Reading the file again without the pool frees only what the block allocated.
        ASSERT_EQ(block->loadFile(path.c_str(), 0, nullptr, &store.textPool),
                  LoadFileResult::kLoaded);
        ASSERT_EQ(block->openForAdd(), 0);
        ASSERT_EQ(block->addText(std::string(5000, 'x').c_str(), true), 0);
        ASSERT_EQ(block->close(), 0);
        EXPECT_NE(block->textMemory, TextMemory::kPool);
        EXPECT_EQ(block->lineCount, 6);
        ASSERT_EQ(block->loadFile(path.c_str()), LoadFileResult::kLoaded);
        EXPECT_NE(block->textMemory, TextMemory::kPool);
        store.clear();
        EXPECT_EQ(store.textPool.reservedBytes(), 0);
    }
}

TEST(TextPoolTest, BlockClosedIntoThePoolMatchesOneClosedOnTheHeap) {
    codePageTables().init(1252);
    textOptions() = TextOptions{};
    TextStore store;
    auto fill = [&store](TextBlock& block, TextPool* pool) {
        ASSERT_EQ(block.openForAdd(), 0);
        for (const char* line : {"alpha beta\n", "", "gamma\n", "delta"})
            ASSERT_EQ(block.addText(line, true), 0);
        ASSERT_EQ(block.close(pool), 0);
    };
    TextBlock heap(&store);
    TextBlock pooled(&store);
    fill(heap, nullptr);
    fill(pooled, &store.textPool);
    EXPECT_NE(heap.textMemory, TextMemory::kPool);
    EXPECT_EQ(pooled.textMemory, TextMemory::kPool);
    EXPECT_TRUE(pooled.lineArrays.pooled());
    ASSERT_EQ(pooled.usedBytes, heap.usedBytes);
    EXPECT_EQ(pooled.allocatedBytes, heap.allocatedBytes);
    EXPECT_EQ(std::memcmp(pooled.text, heap.text, static_cast<size_t>(heap.usedBytes + 1)), 0);
    ASSERT_EQ(pooled.lineCount, heap.lineCount);
    for (int i = 0; i < heap.lineCount; ++i) {
        EXPECT_EQ(pooled.lineArrays.starts[i], heap.lineArrays.starts[i]);
        EXPECT_EQ(pooled.lineArrays.masks[i], heap.lineArrays.masks[i]);
    }
    // Adding to a pooled block again moves its text back to the heap.
    ASSERT_EQ(pooled.openForAdd(), 0);
    ASSERT_EQ(pooled.addText(std::string(3000, 'y').c_str(), true), 0);
    ASSERT_EQ(pooled.close(), 0);
    EXPECT_NE(pooled.textMemory, TextMemory::kPool);
    EXPECT_EQ(pooled.lineCount, heap.lineCount + 1);
}

}  // namespace
}  // namespace tessel
