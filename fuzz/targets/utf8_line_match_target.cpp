// In the UTF-8 code page the line test decodes what it folds, and text on disk is any bytes:
// invalid and cut sequences, overlong forms, surrogates and stray continuation bytes must
// never make it read past a line's end, loop or crash. Each line is held in a buffer of its
// exact size, so that the sanitizer sees any read behind its NUL.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "fuzz_target.h"
#include "search/candidate_scan.h"
#include "search/line_match.h"
#include "search/search_expression.h"

TESSEL_FUZZ_TARGET(utf8_line_match) {
    using namespace tessel;
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    // The mask runs to the first newline; the remaining lines are searched.
    const size_t cut = rest.find('\n');
    const std::string_view mask = rest.substr(0, cut);
    const std::string_view text = cut == std::string_view::npos ? mask : rest.substr(cut + 1);

    // The tables are the process's; the other targets expect them as they were.
    CodePageTables& tables = codePageTables();
    const int previous = tables.codePage;
    tables.init(kCodePageUtf8);
    const FoldTable fold = tables.buildFoldTable(flags & 1, flags & 2, flags & 4);
    SearchExpression expr;
    expr.compile(mask, false, fold, !(flags & 8));
    const MatchFlags matchFlags{(flags & 16) == 0, (flags & 32) != 0};

    WorkLine work;
    std::vector<HitSpan> spans;
    std::string buffer;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view piece = text.substr(start, end - start);
        piece = piece.substr(0, piece.find('\0'));  // up to an embedded NUL, as stored
        auto line = std::make_unique<char[]>(piece.size() + 1);
        piece.copy(line.get(), piece.size());
        line[piece.size()] = '\0';
        const uint32_t lineMask = tables.maskOf(line.get());
        collectHitSpans(line.get(), lineMask, expr, fold, matchFlags, work, spans);
        int offset = 0;
        int length = 0;
        matchLine(line.get(), lineMask, expr, fold, static_cast<int>(flags >> 6) * 3, &offset,
                  &length, matchFlags, work);
        for (size_t at = 0; at < piece.size(); ++at) isWordCharAt(line.get(), piece.size(), at);
        buffer.append(piece);
        buffer += '\0';
        start = end + 1;
    }
    const ScanPlan plan = planScan(expr, fold, matchFlags, buffer);
    const char* end = buffer.data() + buffer.size();
    for (const char* p = buffer.data(); p < end;) {
        const char* hit = scanForCandidate(plan, p, end, end);
        if (hit >= end) break;
        p = hit + 1;
    }
    tables.init(previous);
    return 0;
}
