#include "zukmatch/context_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel {
namespace {

class ContextScan : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        textOptions() = TextOptions{};
        config().initialize();
        rules.compileAll();
        setContextSwitch(true);
    }
    void TearDown() override {
        config().initialize();
        setContextSwitch(true);
    }

    // One file record per (name, text), as a snapfile would bring them. Every stored line
    // ends with the blank that line mode adds, which "*" at the end of a rule takes along.
    void load(const std::vector<std::pair<std::string, std::string>>& files) {
        store.clear();
        ASSERT_EQ(store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true), 0);
        for (const auto& [name, text] : files) {
            store.addLine(":file:\n", true);
            store.addLine((name + "\n").c_str(), true);
            size_t start = 0;
            while (start < text.size()) {
                size_t end = text.find('\n', start);
                if (end == std::string::npos) end = text.size();
                store.addLine((text.substr(start, end - start) + "\n").c_str(), true);
                start = end + 1;
            }
        }
        ASSERT_EQ(store.finish(), 0);
    }
    // The global line whose text (without the blank line mode adds) is `text`, after `from`.
    int lineOf(std::string_view text, int from = 0) {
        for (int line = from; line < store.lineCount(); ++line) {
            std::string_view stored = store.lineText(line);
            if (stored.ends_with(' ')) stored.remove_suffix(1);
            if (stored == text) return line;
        }
        ADD_FAILURE() << "no line " << text;
        return -1;
    }
    ContextFound scanFrom(std::string_view lineText) {
        return findContext(store, lineOf(lineText), rules);
    }

    TextStore store;
    ContextRules rules;
};

std::string body(int lines, const char* indent = "    ") {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += std::string(indent) + "total += step(" + std::to_string(i) + ");\n";
    return text;
}

TEST_F(ContextScan, CppMethodHeadCollapsedToSingleBlanks) {
    load({{"src/foo.cpp", "#include \"foo.h\"\n\nvoid   Foo::bar(int\ta)\n{\n" + body(40) +
                              "    marker();\n}\n"}});
    const ContextFound found = scanFrom("    marker();");
    EXPECT_EQ(found.line, lineOf("void   Foo::bar(int\ta)"));
    EXPECT_EQ(found.text, "void Foo::bar(int a) {");
    EXPECT_GE(found.elapsedUs, 0);

    // A class head from rule 4 when the scan starts inside a class body.
    load({{"src/shape.hpp", "class Shape : public Base\n{\n  public:\n    int area() const;\n"}});
    EXPECT_EQ(scanFrom("    int area() const;").text, "class Shape : public Base {");
}

TEST_F(ContextScan, LooksBackUsectxlinesLinesAndStaysInItsFile) {
    // The head stands 999 lines above the line the scan starts at: found. 1,001: not.
    load({{"near.cpp", "void near_fn()\n{\n" + body(997) + "    start_near();\n}\n"},
          {"far.cpp", "void far_fn()\n{\n" + body(999) + "    start_far();\n}\n"}});
    const int nearStart = lineOf("    start_near();");
    const ContextFound near = findContext(store, nearStart, rules);
    EXPECT_EQ(near.line, nearStart - 999);
    EXPECT_EQ(near.text, "void near_fn()");  // rule 2, for all .c* files
    const int farStart = lineOf("    start_far();");
    EXPECT_EQ(findContext(store, farStart, rules).line, -1);
    EXPECT_EQ(findContext(store, farStart - 1, rules).line, -1);  // 1,000 lines up
    EXPECT_EQ(findContext(store, farStart - 2, rules).line, farStart - 1001);

    config().setText("usectxlines", "2000");
    EXPECT_EQ(findContext(store, farStart, rules).line, farStart - 1001);
    config().setText("usectxlines", "100");
    EXPECT_EQ(findContext(store, nearStart, rules).line, -1);

    // far.cpp's first lines are body lines: the scan does not climb into near.cpp.
    load({{"a.cpp", "void a_fn()\n{\n}\n"}, {"b.cpp", body(5)}});
    EXPECT_EQ(findContext(store, lineOf("    total += step(4);"), rules).line, -1);
}

TEST_F(ContextScan, RulesFollowTheFileName) {
    const std::string text = "void Foo::bar(int a)\n{\n" + body(5);
    load({{"notes.txt", text}, {"// help", "chapter 3: scrolling\n" + body(5, "")}});
    EXPECT_EQ(findContext(store, lineOf("    total += step(4);"), rules).line, -1);
    EXPECT_EQ(findContext(store, lineOf("total += step(4);"), rules).text, "chapter 3: scrolling ");
}

TEST_F(ContextScan, WhenNoScanRuns) {
    load({{"x.cpp", "void x_fn()\n{\n" + body(30)}});
    const int top = lineOf("    total += step(20);");
    ContextViewState view;
    view.topLine = top;
    view.reservedRows = 1;
    contextRules().compileAll();
    ContextFound found = prepareContext(store, view);
    EXPECT_EQ(found.line, lineOf("void x_fn()"));
    EXPECT_EQ(found.text, "void x_fn()");

    auto none = [&](ContextViewState state) { return prepareContext(store, state).line == -1; };
    ContextViewState editing = view;
    editing.editorActive = true;
    EXPECT_TRUE(none(editing));
    ContextViewState filtered = view;
    filtered.normalView = false;
    EXPECT_TRUE(none(filtered));
    setContextSwitch(false);
    EXPECT_TRUE(none(view));
    setContextSwitch(true);
    config().setInt("usectx", 0);
    EXPECT_TRUE(none(view));
    config().setInt("usectx", 1);
    store.loadRunning = true;
    EXPECT_TRUE(none(view));
    store.loadRunning = false;
    EXPECT_FALSE(none(view));
    view.topLine = store.lineCount();
    EXPECT_TRUE(none(view));
}

TEST_F(ContextScan, CleanText) {
    EXPECT_EQ(cleanContextText(std::string("  a \t\tb\0c  d ", 14)), "  a bc d ");
    EXPECT_EQ(cleanContextText("\t\tx"), "  x");
    EXPECT_EQ(cleanContextText(std::string(2000, 'x')).size(),
              static_cast<size_t>(kContextTextCapacity - 1));
}

// The default rules beyond C, C++, Java, JavaScript and PHP, each on a real-looking source.
TEST_F(ContextScan, PythonDefsAndClasses) {
    load({{"tools/report.py",
           "import sys\n\n\nclass ReportWriter(Base):\n    \"\"\"Writes the report.\"\"\"\n\n"
           "    def __init__(self, out):\n        self.out = out\n\n"
           "    async def write_rows(self, rows, *, header=True):\n"
           "        for row in rows:\n            if header:\n                self.out.write(row)\n"
           "            total = undefined_name\n\n"
           "def main(argv: list[str]) -> int:\n    writer = ReportWriter(sys.stdout)\n"
           "    return 0\n"}});
    EXPECT_EQ(scanFrom("            total = undefined_name").text,
              "    async def write_rows(self, rows, *, header=True): ");
    EXPECT_EQ(scanFrom("        self.out = out").text, "    def __init__(self, out): ");
    EXPECT_EQ(scanFrom("    \"\"\"Writes the report.\"\"\"").text, "class ReportWriter(Base): ");
    EXPECT_EQ(scanFrom("    return 0").text, "def main(argv: list[str]) -> int: ");
}

TEST_F(ContextScan, RustItems) {
    load({{"src/lib.rs",
           "use std::fmt;\n\npub struct Grid<T> {\n    cells: Vec<T>,\n    width: usize,\n}\n\n"
           "pub enum Cell {\n    Empty,\n    Wall(u8),\n}\n\n"
           "pub trait Shape {\n    fn area(&self) -> f64;\n    fn name(&self) -> String;\n}\n\n"
           "impl<T: Clone> Grid<T> {\n    pub(crate) fn row(&self, y: usize)\n        -> &[T]\n"
           "    {\n        let start = y * self.width;\n        &self.cells[start..]\n    }\n}\n\n"
           "mod tests {\n    use super::*;\n}\n"}});
    EXPECT_EQ(scanFrom("    width: usize,").text, "pub struct Grid<T> {");
    EXPECT_EQ(scanFrom("    Wall(u8),").text, "pub enum Cell {");
    // A declaration without a body is no block: the trait itself is the context.
    EXPECT_EQ(scanFrom("    fn name(&self) -> String;").text, "pub trait Shape {");
    EXPECT_EQ(scanFrom("        &self.cells[start..]").text,
              "    pub(crate) fn row(&self, y: usize) -> &[T] {");
    EXPECT_EQ(scanFrom("    use super::*;").text, "mod tests {");
    EXPECT_EQ(scanFrom("}").text, "pub struct Grid<T> {");
}

TEST_F(ContextScan, RustImplBlock) {
    load({{"src/grid.rs", "impl<T> fmt::Display for Grid<T> {\n    type Output = ();\n}\n"}});
    EXPECT_EQ(scanFrom("    type Output = ();").text, "impl<T> fmt::Display for Grid<T> {");
}

TEST_F(ContextScan, GoFuncsAndStructs) {
    load(
        {{"server/handler.go",
          "package server\n\ntype Handler struct {\n\tstore *Store\n\tlog   Logger\n}\n\n"
          "func (h *Handler) ServeHTTP(w http.ResponseWriter, r *http.Request) {\n"
          "\tif r.Method != \"GET\" {\n\t\tgo func() {\n\t\t\th.log.Print(r)\n\t\t}()\n\t}\n}\n"}});
    EXPECT_EQ(scanFrom("\tlog   Logger").text, "type Handler struct { ");
    EXPECT_EQ(scanFrom("\t\t\th.log.Print(r)").text,
              "func (h *Handler) ServeHTTP(w http.ResponseWriter, r *http.Request) { ");
}

TEST_F(ContextScan, ShellFunctions) {
    load({{"scripts/deploy.sh",
           "#!/bin/sh\nset -e\n\nbuild_all() {\n    make -j4\n    echo $(date)\n}\n\n"
           "function upload {\n    scp out.tar host:\n}\n\nrun-checks () {\n    ./check\n}\n"}});
    EXPECT_EQ(scanFrom("    echo $(date)").text, "build_all() { ");
    EXPECT_EQ(scanFrom("    scp out.tar host:").text, "function upload { ");
    EXPECT_EQ(scanFrom("    ./check").text, "run-checks () { ");
    EXPECT_EQ(scanFrom("set -e").line, -1);
}

// A rule the configuration sets replaces the default of its slot.
TEST_F(ContextScan, ConfiguredRuleReplacesDefault) {
    load({{"a.py", "def helper(x):\n    return x\n"}});
    EXPECT_EQ(scanFrom("    return x").text, "def helper(x): ");
    config().setText("ctxv12match", "/def [1.100 chars of a-z]/[part 2]/");
    rules.compileAll();
    EXPECT_EQ(scanFrom("    return x").text, "helper");
    config().setText("ctxv12path", ".txt");
    EXPECT_EQ(scanFrom("    return x").line, -1);
}

}  // namespace
}  // namespace tessel
