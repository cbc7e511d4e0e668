#include "view/block_context.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "test_support.h"
#include "text/text_store.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_keys.h"
#include "zukmatch/context_rules.h"
#include "zukmatch/context_scan.h"

namespace tessel {
namespace {

// Global lines: 0 the store header, 1 ":file:", 2 the name, then the file's lines from 3.
constexpr int kFirstTextLine = 3;
constexpr int kHeadLine = kFirstTextLine + 2;  // "void Parser::next(int depth)"

class BlockContextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        config().setInt("assist", 0);
        config().setInt("usectx", 1);
        setContextSwitch(true);
        contextRules().compileAll();
        view.search.textStorePtr = &store;
        view.rows = 8;
        view.columns = 40;
        view.tabSize = 4;
        feed(":snapfile zuk,1.0.7,lprefix=:file:,memory\n");
        feed(":file:\n");
        feed("src/parser.cpp\n");
        feed("#include \"parser.h\"\n");
        feed("\n");
        feed("void Parser::next(int depth)\n");
        feed("{\n");
        for (int i = 0; i < 30; ++i) feed("    step(depth);\n");
        feed("}\n");
        ASSERT_EQ(store.finish(), 0);
    }
    // Other tests of this program expect no context row.
    void TearDown() override {
        config().setInt("usectx", 0);
        config().setInt("assist", 1);
        setContextSwitch(true);
    }

    void feed(const char* line) { ASSERT_EQ(store.addLine(line, true), 0) << line; }
    std::string rowText(int row) const { return view.screen.rowText(row); }
    std::string rowAttr(int row) const { return view.screen.rowAttr(row); }

    TextStore store;
    View view;
};

TEST_F(BlockContextTest, HeadAboveTheScreenTakesTheFirstTextRow) {
    view.search.topLine = kHeadLine + 10;
    ASSERT_EQ(buildScreen(view), 0);
    EXPECT_EQ(view.context.line, kHeadLine);
    // The head runs on into its next line; the rule keeps it to one row of single blanks.
    EXPECT_EQ(rowText(0), "void Parser::next(int depth) {");
    EXPECT_EQ(rowAttr(0), std::string(rowText(0).size(), kAttrContextLine));
    EXPECT_EQ(view.screen.flags[0], kRowBlockContext);
    EXPECT_EQ(view.screen.rowLine[0], -1);
    // The row of topLine is covered; the rows below keep their places.
    EXPECT_EQ(view.screen.rowLine[1], kHeadLine + 11);
    EXPECT_EQ(rowText(1), "    step(depth); ");

    // The head just below the context row is its own context; above the head there is none,
    // and then the row of topLine shows its line.
    view.search.topLine = kHeadLine - 1;
    buildScreen(view);
    EXPECT_EQ(view.context.line, kHeadLine);
    view.search.topLine = kHeadLine - 2;
    buildScreen(view);
    EXPECT_EQ(view.context.line, -1);
    EXPECT_EQ(view.screen.flags[0], kRowText);
    EXPECT_EQ(view.screen.rowLine[0], kHeadLine - 2);
}

TEST_F(BlockContextTest, LongHeadKeepsItsStart) {
    view.columns = 12;
    view.search.topLine = kHeadLine + 5;
    buildScreen(view);
    EXPECT_EQ(rowText(0), "void Parser:");
}

TEST_F(BlockContextTest, NoContextOutsideTheFullTextOrWhenSwitchedOff) {
    view.search.topLine = kHeadLine + 10;
    view.filterMode = FilterMode::kFiltered;
    buildScreen(view);
    EXPECT_EQ(view.context.line, -1);
    view.filterMode = FilterMode::kFullText;

    config().setInt("usectx", 0);
    buildScreen(view);
    EXPECT_EQ(view.context.line, -1);
    EXPECT_EQ(view.screen.rowLine[0], kHeadLine + 10);
    config().setInt("usectx", 1);

    // CONTROL+B switches the display of every view, and says so.
    testing::LogCapture log;
    EXPECT_EQ(viewChar(view, 0x02, 0), 0);
    EXPECT_FALSE(contextSwitch());
    EXPECT_TRUE(log.contains("block radar off"));
    buildScreen(view);
    EXPECT_EQ(view.context.line, -1);
    EXPECT_EQ(viewChar(view, 0x02, 0), 0);
    EXPECT_TRUE(contextSwitch());
    EXPECT_TRUE(log.contains("block radar on"));
    buildScreen(view);
    EXPECT_EQ(view.context.line, kHeadLine);
}

}  // namespace
}  // namespace tessel
