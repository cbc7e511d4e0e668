// Long lines through both ways of loading a file and the line test: a file loaded line by line
// and the same file read whole give the hit counts a plain search of the file's lines gives,
// whatever the lengths of the lines and wherever in them the word stands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "search/line_match.h"
#include "search/search_expression.h"
#include "test_support.h"
#include "text/line_reader.h"
#include "text/load_target.h"
#include "text/text_store.h"

namespace tessel {
namespace {

constexpr char kWord[] = "quaternion";
constexpr size_t kWordLength = sizeof kWord - 1;

// Lines of 1 to 200,000 bytes, about half of them with the word somewhere, some of them across
// the old 4,096-byte line boundary. The filler has no letter of the word.
std::string generatedFile(std::mt19937& random, int* linesWithWord) {
    static const char kFiller[] = "bcdfghjkl vwxyz_(){};,.";
    std::string bytes;
    *linesWithWord = 0;
    for (int i = 0; i < 60; ++i) {
        // Lengths spread over every order of magnitude rather than bunched at the top.
        const double scale = std::uniform_real_distribution<double>(0.0, 5.3)(random);
        size_t length = std::clamp<size_t>(static_cast<size_t>(std::pow(10.0, scale)), 1, 200000);
        std::string line(length, ' ');
        for (char& c : line) c = kFiller[random() % (sizeof kFiller - 1)];
        if (length >= kWordLength && random() % 2 == 0) {
            size_t column = random() % (length - kWordLength + 1);
            if (length > 4100 && random() % 4 == 0) column = 4080;
            line.replace(column, kWordLength, kWord);
            ++*linesWithWord;
        }
        bytes += line;
        bytes += random() % 3 == 0 ? "\r\n" : "\n";
    }
    return bytes;
}

class LongLineLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        fold = codePageTables().buildFoldTable(false, true, true);
        expr.compile(kWord, false, fold);
    }

    int hitLines(TextStore& store) {
        int hits = 0;
        for (int line = 0; line < store.lineCount(); ++line) {
            uint32_t mask = 0;
            const char* text = store.lineTextAndMask(line, &mask);
            if (matchLine(text, mask, expr, fold, 0, nullptr, nullptr, flags, work)) ++hits;
        }
        return hits;
    }

    FoldTable fold;
    SearchExpression expr;
    MatchFlags flags;
    WorkLine work;
};

TEST_F(LongLineLoadTest, BothLoadModesFindWhatAPlainSearchFinds) {
    std::mt19937 random(20261209);
    testing::TempDir dir;
    for (int round = 0; round < 6; ++round) {
        int expected = 0;
        const std::string bytes = generatedFile(random, &expected);
        const std::string path = dir.write("gen" + std::to_string(round) + ".txt", bytes);

        TextStore byLines;
        LoadTarget target;
        target.store = &byLines;
        target.headerState = kHeaderIntroduce;
        LineReader reader;
        ASSERT_EQ(reader.readFile(path.c_str(), nullptr,
                                  [&](const char* line, size_t length, bool needsNewline) {
                                      return target.writeLine(line, length, needsNewline);
                                  }),
                  0);
        ASSERT_EQ(byLines.finish(), 0);
        EXPECT_EQ(hitLines(byLines), expected) << "line by line, round " << round;

        TextStore whole;
        ASSERT_EQ(whole.addLine(kMemoryHeaderLine, true), 0);
        int lines = 0;
        int64_t used = 0;
        ASSERT_EQ(whole.loadFileBlock(path.c_str(), &lines, &used), 0);
        ASSERT_EQ(whole.finish(), 0);
        EXPECT_EQ(hitLines(whole), expected) << "read whole, round " << round;
        // One stored line per line of the file in both: nothing cut, nothing joined.
        EXPECT_EQ(byLines.lineCount(), whole.lineCount()) << "round " << round;
    }
}

}  // namespace
}  // namespace tessel
