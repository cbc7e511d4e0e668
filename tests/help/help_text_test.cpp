#include "help/help_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "help/help_block.h"
#include "platform/pictures.h"
#include "test_support.h"
#include "text/file_kind.h"
#include "text/text_store.h"
#include "zukmatch/context_rules.h"
#include "zukmatch/context_scan.h"

namespace tessel {
namespace {

using testing::LogCapture;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// The text as shipped: twelve chapters in order, every link and picture resolves, and every
// picture is used and decodes.
TEST(HelpText, ChaptersLinksAndPicturesHoldTogether) {
    const std::string text = helpText();
    ASSERT_FALSE(text.empty());
    std::vector<int> chapters;
    std::set<int> linked;
    std::set<std::string> pictures;
    for (const std::string& line : linesOf(text)) {
        if (int chapter = helpChapterOf(line)) chapters.push_back(chapter);
        for (const HelpLink& link : helpLinksOf(line)) linked.insert(link.chapter);
        const std::string_view picture = helpPictureOf(line);
        if (!picture.empty()) {
            EXPECT_FALSE(helpPictureBytes(picture).empty()) << line;
            pictures.emplace(picture);
        }
    }
    std::vector<int> inOrder;
    for (int i = 1; i <= 12; ++i) inOrder.push_back(i);
    EXPECT_EQ(chapters, inOrder);
    for (int chapter : linked) EXPECT_TRUE(chapter >= 1 && chapter <= 12) << chapter;
    EXPECT_EQ(linked.size(), 12u) << "the contents link every chapter";
    for (std::string_view name : helpPictureNames()) {
        EXPECT_TRUE(pictures.count(std::string(name))) << "unused picture " << name;
        Picture decoded;
        ASSERT_EQ(decodeJpeg(helpPictureBytes(name), decoded), 0) << name;
        EXPECT_GT(decoded.width, decoded.height) << name;
    }
    EXPECT_LE(embeddedHelpBytes(), size_t{1024 * 1024}) << "the help may add at most 1 MB";
}

TEST(HelpText, LinesAreTakenApart) {
    EXPECT_EQ(helpChapterOf("chapter 12: the key table "), 12);
    EXPECT_EQ(helpChapterOf("chapter 3 the filtered view"), 0) << "a head has its colon";
    EXPECT_EQ(helpChapterOf(" chapter 3: indented"), 0);
    EXPECT_EQ(helpChapterOf("chapters: 3"), 0);
    EXPECT_EQ(helpPictureOf("[picture setup_dialog] The setup dialog."), "setup_dialog");
    EXPECT_EQ(helpPictureOf("[picture broken"), "");
    EXPECT_EQ(helpPictureOf("a [picture x] later"), "");

    const std::vector<HelpLink> links =
        helpLinksOf("keys in chapter 5 (see chapter 5), editing in see chapter 7, see chapter x");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].start, 19);
    EXPECT_EQ(links[0].end, 32);
    EXPECT_EQ(links[0].chapter, 5);
    EXPECT_EQ(links[1].chapter, 7);
    EXPECT_TRUE(helpLinksOf("see chapter ").empty());
}

TEST(HelpText, PictureMarkersGetTheirRows) {
    const std::string text = helpTextWithPictureRows("a\n[picture p] caption\nb");
    EXPECT_EQ(text, "a\n[picture p] caption\n" + std::string(kHelpPictureRows, '\n') + "b\n");
}

TEST(HelpText, DamagedStreamsAreRefused) {
    const std::string original = helpText();
    std::string out;
    // A stream of our own making: gzip of "hello\n".
    const std::vector<uint8_t> hello = {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0x03, 0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0xe7, 0x02, 0x00,
                                        0x20, 0x30, 0x3a, 0x36, 0x06, 0x00, 0x00, 0x00};
    ASSERT_EQ(inflateGzip(hello, 100, out), 0);
    EXPECT_EQ(out, "hello\n");

    LogCapture log;
    std::vector<uint8_t> truncated(hello.begin(), hello.begin() + 14);
    EXPECT_EQ(inflateGzip(truncated, 100, out), 9);
    EXPECT_TRUE(out.empty());
    std::vector<uint8_t> garbage = hello;
    garbage[12] ^= 0xFF;
    EXPECT_EQ(inflateGzip(garbage, 100, out), 9);
    EXPECT_EQ(inflateGzip(hello, 3, out), 9) << "more than the limit is refused";
    EXPECT_TRUE(log.contains("help: the built-in text is damaged"));
    EXPECT_EQ(helpText(), original);
}

class HelpBlockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true);
        store.addLine("\n", true);
        store.addLine(":file:\n", true);
        store.addLine("notes.txt\n", true);
        store.addLine("chapter 1: not the help\n", true);
        store.finish();
    }
    TextStore store;
};

TEST_F(HelpBlockTest, LoadsOnceAsTheHelpKindAfterTheText) {
    const int linesBefore = store.lineCount();
    TextBlock* block = loadHelpBlock(store);
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block->fileName, kHelpBlockName);
    EXPECT_TRUE(block->helpText);
    EXPECT_EQ(block->firstLine, linesBefore);
    EXPECT_STREQ(block->kindName(block->firstLine + 5), "internal help text");
    EXPECT_FALSE(block->canWrap());
    for (int i = 0; i < block->lineCount; ++i) {
        EXPECT_EQ(block->lineMaskRef(i) & 0xFF, kLanguageHelp) << i;
    }
    const int blocks = store.blockCount;
    EXPECT_EQ(loadHelpBlock(store), block);
    EXPECT_EQ(store.blockCount, blocks);

    const int chapter3 = helpChapterLine(store, 3);
    ASSERT_GT(chapter3, block->firstLine);
    EXPECT_EQ(helpChapterOf(store.lineText(chapter3)), 3);
    EXPECT_EQ(helpChapterLine(store, 13), -1);
    // The picture of chapter 3 is followed by its empty rows.
    EXPECT_FALSE(helpPictureOf(store.lineText(chapter3 + 1)).empty());
    for (int row = 0; row < kHelpPictureRows; ++row) {
        EXPECT_STREQ(store.lineText(chapter3 + 2 + row), " ") << row;
    }
}

TEST_F(HelpBlockTest, BlockContextRuleNamesTheChapter) {
    contextRules().compileAll();
    loadHelpBlock(store);
    const int chapter5 = helpChapterLine(store, 5);
    const int chapter6 = helpChapterLine(store, 6);
    ASSERT_GT(chapter6, chapter5 + 10);
    const ContextFound found = findContext(store, chapter6 - 3);
    EXPECT_EQ(found.line, chapter5);
    EXPECT_EQ(found.text, "chapter 5: mouse gestures and surfing ") << "with the closing blank";
    EXPECT_EQ(findContext(store, 4).text, "") << "other files do not use the help's rule";
}

}  // namespace
}  // namespace tessel
