// A view over a small store of three files, searched by its own workers, for the tests of the
// filtered view and of the search driver.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "search/search_pass.h"
#include "text/text_store.h"
#include "view/view.h"

namespace tessel::testing {

class ThreeFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        config().setInt("assist", 0);
        view.search.textStorePtr = &store;
        view.search.workers = &workers;
        view.rows = 16;
        view.lineHeight = 0;  // no centring unless a test asks for it
    }
    void TearDown() override { config().setInt("assist", 1); }

    void feed(std::initializer_list<const char*> lines) {
        for (const char* line : lines) ASSERT_EQ(store.addLine(line, true), 0) << line;
    }
    // Line 0 is the snapfile header; then ":file:", name and two lines per file (1-4, 5-8,
    // 9-12).
    void loadThreeFiles() {
        feed({":snapfile zuk,1.0.7,lprefix=:file:,memory\n"});
        feed({":file:\n", "src/one.cpp\n", "int main\n", "return alpha\n"});
        feed({":file:\n", "src/two.h\n", "alpha beta\n", "int value\n"});
        feed({":file:\n", "doc/readme.txt\n", "nothing here\n", "alpha again\n"});
        ASSERT_EQ(store.finish(), 0);
        view.search.pathSelectionActive = true;
    }

    TextStore store;
    SearchWorkers workers{3};
    View view;
};

}  // namespace tessel::testing
