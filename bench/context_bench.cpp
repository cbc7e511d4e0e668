// How long preparing the block context of one screen takes: a 20,000-line C++ file, the
// screen in its middle, the enclosing function's head 900 lines above the screen, every
// default context rule compiled. The scan runs on every drawing of a view, so this is the
// price of each repaint and scroll step.
//
//   tessel-context-bench [REPEATS]
//
// prints: context lines=20000 above=900 rules=N context_us=N p99_us=N line=L text="..."
// (context_us is the median of REPEATS preparations, 2000 by default).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "config/qv_config.h"
#include "text/text_store.h"
#include "zukmatch/context_scan.h"

namespace {

using namespace tessel;

constexpr int kFileLines = 20000;
constexpr int kHeadAbove = 900;  // lines between the function head and the screen's top
constexpr int kScreenTop = kFileLines / 2;
constexpr int kReservedRows = 1;

// A body line of the kind C++ functions are made of; only a few start at column 0.
std::string bodyLine(int n) {
    switch (n % 16) {
        case 0:
            return "    // Advance the cursor past the separator and keep the count.";
        case 3:
            return "    if (count > limit && !stopped) {";
        case 4:
            return "        total += values[count] * weight(count, limit);";
        case 5:
            return "    }";
        case 8:
            return "";
        case 11:
            return n % 160 == 11 ? "#ifdef TESSEL_TRACE" : "    const auto next = table.find(key);";
        case 12:
            return n % 160 == 12 ? "#endif"
                                 : "    std::string label = names[index % names.size()];";
        default:
            return "    result = combine(result, step(" + std::to_string(n) + "), options);";
    }
}

// Functions of 40 to 120 lines, and the long one around the screen.
std::string cppFile(int* headLine) {
    std::string text = "#include \"engine.h\"\n\n#include <string>\n\nnamespace app {\n\n";
    int line = 6;
    int function = 0;
    auto add = [&](const std::string& row) {
        text += row;
        text += '\n';
        ++line;
    };
    while (line < kFileLines - 10) {
        const bool enclosing =
            line <= kScreenTop - kHeadAbove && line + 130 > kScreenTop - kHeadAbove;
        if (enclosing) {
            while (line < kScreenTop - kHeadAbove) add("");
            *headLine = line;
        }
        add("int Engine::stage" + std::to_string(function) + "(const Options& options, int limit)");
        add("{");
        const int length = enclosing ? kHeadAbove + 400 : 40 + (function * 37) % 80;
        for (int i = 0; i < length && line < kFileLines - 10; ++i) add(bodyLine(i));
        add("    return result;");
        add("}");
        add("");
        ++function;
    }
    while (line < kFileLines) add("");
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    codePageTables().init(1252);
    int headLine = -1;
    const std::string file = cppFile(&headLine);

    TextStore store;
    store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true);
    store.addLine(":file:\n", true);
    store.addLine("src/engine.cpp\n", true);
    std::string row;
    for (char c : file) {
        row += c;
        if (c == '\n') {
            store.addLine(row.c_str(), true);
            row.clear();
        }
    }
    store.finish();
    const int firstText = store.blockForLine(store.lineCount() - 1)->nameLine() + 1;

    const int compiled = contextRules().compileAll();
    ContextViewState view;
    view.topLine = firstText + kScreenTop;
    view.reservedRows = kReservedRows;

    ContextFound found = prepareContext(store, view);
    using Clock = std::chrono::steady_clock;
    std::vector<int64_t> nanos(static_cast<size_t>(repeats));
    for (int64_t& each : nanos) {
        const auto started = Clock::now();
        found = prepareContext(store, view);
        each = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started).count();
    }
    // The median and the 99th percentile: single runs on a shared machine are preempted now
    // and then, which says nothing about the scan.
    std::sort(nanos.begin(), nanos.end());
    const double medianUs = nanos[nanos.size() / 2] / 1000.0;
    const double p99Us = nanos[nanos.size() * 99 / 100] / 1000.0;
    std::printf(
        "context lines=%d above=%d rules=%d context_us=%.1f p99_us=%.1f line=%d text=\"%s\"\n",
        kFileLines, kScreenTop - headLine, compiled, medianUs, p99Us, found.line - firstText,
        found.text.c_str());
    return found.line == firstText + headLine ? 0 : 1;
}
