// Find masks are typed by the user and arrive from the command line and configuration: the
// compiler, the line test and the buffer scan must take any bytes.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_target.h"
#include "search/candidate_scan.h"
#include "search/line_match.h"
#include "search/search_expression.h"

TESSEL_FUZZ_TARGET(search_expression) {
    using namespace tessel;
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    // The mask runs to the first newline; the remaining lines are searched.
    size_t cut = rest.find('\n');
    std::string_view mask = rest.substr(0, cut);
    std::string text =
        cut == std::string_view::npos ? std::string(mask) : std::string(rest.substr(cut + 1));

    const FoldTable fold = codePageTables().buildFoldTable(flags & 1, flags & 2, flags & 4);
    SearchExpression expr;
    expr.compile(mask, flags & 8, fold, !(flags & 16));
    MatchFlags matchFlags{(flags & 32) == 0, (flags & 64) != 0};

    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    WorkLine work;
    std::vector<HitSpan> spans;
    std::string buffer;
    for (const std::string& line : lines) {
        std::string cLine = line.c_str();  // up to an embedded NUL, as stored
        uint32_t lineMask = codePageTables().maskOf(cLine.c_str());
        collectHitSpans(cLine.c_str(), lineMask, expr, fold, matchFlags, work, spans);
        matchLine(cLine.c_str(), lineMask, expr, fold, static_cast<int>(flags) - 100, nullptr,
                  nullptr, matchFlags, work);
        buffer += cLine;
        buffer += '\0';
    }
    ScanPlan plan = planScan(expr, fold, matchFlags);
    const char* end = buffer.data() + buffer.size();
    for (const char* p = buffer.data(); p < end;) {
        const char* hit = scanForCandidate(plan, p, end, end);
        if (hit >= end) break;
        p = hit + 1;
    }
    describeTerms(expr);
    return 0;
}
