#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "load/load_driver.h"
#include "search/codepage/code_page_tables.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

struct BlockImage {
    std::string name;
    std::vector<std::string> lines;
    std::vector<uint32_t> masks;
    bool operator==(const BlockImage&) const = default;
};

std::vector<BlockImage> imageOf(TextStore& store) {
    std::vector<BlockImage> image;
    for (int b = 0; b < store.blockCount; ++b) {
        TextBlock& block = *store.blocks[b];
        BlockImage& one = image.emplace_back();
        one.name = block.fileName ? block.fileName : "";
        for (int i = 0; i < block.lineCount; ++i) {
            uint32_t mask = 0;
            one.lines.emplace_back(block.lineAndMask(i, &mask));
            one.masks.push_back(mask);
        }
    }
    return image;
}

// The blocks of a fast load of the folder with this many read-ahead threads (0: the loader
// thread alone); empty when the load failed.
std::vector<BlockImage> loadedImage(testing::TempDir& dir, int threads) {
    TextStore store;
    LoadSettings settings;
    settings.fastLoad = true;
    settings.readAheadThreads = threads;
    LoadDriver driver;
    driver.store = &store;
    driver.settingsOverride = &settings;
    if (driver.load(dir.path().c_str(), 0) != 0) return {};
    return imageOf(store);
}

// Files indexed on the read-ahead threads reach the store exactly as the loader thread
// alone would have made them: same blocks, same order, same lines and masks.
TEST(ReadAhead, BlocksEqualTheOnesOfTheLoaderThreadAlone) {
    codePageTables().init(1252);
    testing::TempDir dir;
    std::mt19937 random(7);
    for (int i = 0; i < 120; ++i) {
        std::string text;
        int lines = static_cast<int>(random() % 40);
        for (int j = 0; j < lines; ++j) {
            text.append(random() % 7 == 0 ? 5000 : random() % 90, static_cast<char>('a' + j % 26));
            text += random() % 3 == 0 ? "\r\n" : "\n";
        }
        if (i % 11 == 5) text.push_back('\0');
        if (i % 13 == 0) text.clear();
        if (i % 17 == 4)
            text = std::string(
                       "\x7F"
                       "ELF",
                       4) +
                   std::string(300, '\0');
        dir.write("d" + std::to_string(i % 5) + "/f" + std::to_string(i) + ".txt", text);
    }

    std::vector<BlockImage> images[2];
    for (int threads : {0, 2}) images[threads == 0 ? 0 : 1] = loadedImage(dir, threads);
    ASSERT_GT(images[0].size(), 100u);
    ASSERT_EQ(images[0].size(), images[1].size());
    for (size_t b = 0; b < images[0].size(); ++b) {
        EXPECT_EQ(images[0][b], images[1][b]) << "block " << b << " " << images[0][b].name;
    }
}

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

// More files than the read-ahead queue holds, in more folders than are kept open for it:
// files opened in their folder and by their whole path still come in walk order, and no
// folder stays open after the load.
TEST(ReadAhead, ManyFoldersKeepOrderAndCloseEveryFolder) {
    codePageTables().init(1252);
    testing::TempDir dir;
    for (int i = 0; i < 1100; ++i) {
        std::string text = "file " + std::to_string(i) + "\n";
        text.append(static_cast<size_t>(i % 50), 'x');
        dir.write("d" + std::to_string(i % 150) + "/f" + std::to_string(i) + ".txt", text);
    }
    int descriptorsBefore = openDescriptors();
    std::vector<BlockImage> images[2];
    for (int threads : {0, 2}) {
        images[threads == 0 ? 0 : 1] = loadedImage(dir, threads);
        EXPECT_EQ(openDescriptors(), descriptorsBefore);
    }
    ASSERT_EQ(images[0].size(), 1101u);
    EXPECT_TRUE(images[0] == images[1]);
}

}  // namespace
}  // namespace tessel
