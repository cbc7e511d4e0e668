#include "view/syntax_rows.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "text/file_kind.h"
#include "text/text_store.h"
#include "view/display_keys.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/text_marks.h"
#include "view/view.h"

namespace tessel {
namespace {

// Global lines: 0 the store header, 1 ":file:", 2 the name, then the file's lines from 3.
constexpr int kFirstTextLine = 3;

class SyntaxRowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        textOptions().fileKind = fileKindOf;
        config().setInt("usectx", 0);
        setSyntaxColours(true);
        forgetSyntaxRecords();
        view.search.textStorePtr = &store;
        view.rows = 8;
        view.columns = 40;
        view.tabSize = 4;
    }
    void TearDown() override {
        textOptions() = TextOptions{};
        setSyntaxColours(true);
        setTabMarks(false);
        setGroupMatch(false);
        forgetSyntaxRecords();
    }

    void load(const char* name, std::initializer_list<const char*> lines) {
        feed(":snapfile zuk,1.0.7,lprefix=:file:,memory\n");
        feed(":file:\n");
        feed((std::string(name) + "\n").c_str());
        for (const char* line : lines) feed((std::string(line) + "\n").c_str());
        ASSERT_EQ(store.finish(), 0);
    }
    void feed(const char* line) { ASSERT_EQ(store.addLine(line, true), 0) << line; }
    // The attributes of the row showing global line `line`, the screen starting at `top`.
    std::string attrOf(int top, int line) {
        view.search.topLine = top;
        EXPECT_EQ(buildScreen(view), 0);
        int row = 0;
        while (row < view.rows && view.screen.rowLine[static_cast<size_t>(row)] != line) ++row;
        EXPECT_LT(row, view.rows) << "line " << line << " not on screen";
        if (row == view.rows) return "?";
        std::string attr = view.screen.rowAttr(row);
        while (!attr.empty() && attr.back() == kAttrPlain) attr.pop_back();
        return attr;
    }

    TextStore store;
    View view;
};

TEST_F(SyntaxRowsTest, BlockCommentColoursEveryLineItSpans) {
    load("a.c", {"int a; /* one", "two", "three */ int b;", "int c;"});
    const int first = kFirstTextLine;
    EXPECT_EQ(attrOf(first, first), "bbb    rrrrrr");
    EXPECT_EQ(attrOf(first, first + 1), "rrr");
    EXPECT_EQ(attrOf(first, first + 2), "rrrrrrrr bbb");
    EXPECT_EQ(attrOf(first, first + 3), "bbb");
    // A screen that starts inside the comment knows where it started, however it got there.
    forgetSyntaxRecords();
    EXPECT_EQ(attrOf(first + 1, first + 1), "rrr");
    EXPECT_EQ(attrOf(first + 2, first + 2), "rrrrrrrr bbb");
}

TEST_F(SyntaxRowsTest, CommentOpeningRightOfTheScreenStillCarries) {
    const std::string wide = "int x;" + std::string(60, ' ') + "/* far";
    load("b.c", {wide.c_str(), "inside", "*/ int y;"});
    EXPECT_EQ(attrOf(kFirstTextLine, kFirstTextLine + 1), "rrrrrr");
    EXPECT_EQ(attrOf(kFirstTextLine, kFirstTextLine + 2), "rr bbb");
}

TEST_F(SyntaxRowsTest, KindsDecideTheComments) {
    load("q.sql", {"select 1 -- note"});
    EXPECT_EQ(attrOf(kFirstTextLine, kFirstTextLine).substr(9), "rrrrrrr");
    store.clear();
    forgetSyntaxRecords();
    load("q.c", {"x = 1 -- 2"});
    EXPECT_EQ(attrOf(kFirstTextLine, kFirstTextLine).find('r'), std::string::npos);
}

TEST_F(SyntaxRowsTest, PlainTextAndSwitchedOffStayPlain) {
    load("notes.txt", {"int a; /* no */"});
    EXPECT_EQ(attrOf(kFirstTextLine, kFirstTextLine), "");
    store.clear();
    load("a.c", {"int a;"});
    setSyntaxColours(false);
    EXPECT_EQ(attrOf(kFirstTextLine, kFirstTextLine), "");
}

TEST(TextMarks, TabsIndentationAndGroupWords) {
    codePageTables().init(1252);
    const std::string text = "  \tab Foo foo2 foo ";
    std::string attr(text.size(), kAttrPlain);
    setTabMarks(true);
    ASSERT_TRUE(setGroupMatch(true, "foo, x FOO bar"));
    markTextMarks(text.data(), static_cast<int>(text.size()), attr.data());
    EXPECT_EQ(attr[0], kAttrIndentBlank);
    EXPECT_EQ(attr[1], kAttrIndentBlank);
    EXPECT_EQ(attr[2], kAttrTabCell);
    EXPECT_EQ(attr[3], kAttrPlain);
    // Whole words only, case ignored; the closing blank is no indentation.
    EXPECT_EQ(attr.substr(6, 3), std::string(3, kAttrGroupMatch));
    EXPECT_EQ(attr.substr(10, 4), std::string(4, kAttrPlain));
    EXPECT_EQ(attr.substr(15, 3), std::string(3, kAttrGroupMatch));
    EXPECT_EQ(attr.back(), kAttrPlain);
    setTabMarks(false);
    setGroupMatch(false);
    EXPECT_EQ(groupWordsOf("a bb bb ccc"), (std::vector<std::string>{"bb", "ccc"}));
}

TEST(DisplayKeys, ShadeCycleAndWrapTexts) {
    int shade = 1;
    std::string seen;
    for (int i = 0; i < 8; ++i) seen += std::to_string(shade = nextBackgroundShade(shade)) + " ";
    EXPECT_EQ(seen, "2 4 6 8 10 15 20 1 ");
    EXPECT_EQ(nextBackgroundShade(7), 10);
    EXPECT_EQ(wrapStatusText(79, false, false), "wrap at 79");
    EXPECT_EQ(wrapStatusText(79, true, false), "streamwrap at 79");
    EXPECT_EQ(wrapStatusText(79, true, true), "no wrap");
}

}  // namespace
}  // namespace tessel
