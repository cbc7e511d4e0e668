// Expressions of the pattern language are written by users in the configuration file and the
// setup dialog. The input's first line is a pattern (or a whole "/search/display/" rule), its
// second line an output template, and the rest the text it is matched against: at every one
// of the first positions and at every line start, each match rendered. The text lies in a
// buffer of exactly its size, so any read past it is caught. Every eighth input also runs as
// a context rule through the scan over a store holding the text.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/qv_config.h"
#include "fuzz_target.h"
#include "text/text_store.h"
#include "zukmatch/context_scan.h"
#include "zukmatch/zuk_match.h"

namespace {

using namespace tessel;

constexpr size_t kEveryPositionUpTo = 512;
constexpr int64_t kLargestBuffer = 1 << 20;

std::string_view takeLine(std::string_view& rest) {
    const size_t cut = rest.find('\n');
    std::string_view line = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    return line;
}

// Random bytes seldom spell commands: half of the inputs read each pattern byte as a piece of
// the language instead.
std::string spelled(std::string_view bytes) {
    static const char* const kPieces[] = {
        "[",      "]",     "*",     "**",   "?",     "\\",     "a",      "b",      "x",
        " ",      ".",     "-",     "(",    ")",     ",",      "1",      "2.5 ",   ".10 ",
        "3.* ",   "chars", "bytes", "byte", "char",  "white",  "xwhite", "digits", "hexdigit",
        " of ",   " not ", "a-z",   "0-9",  "\\x41", "\\d065", "\\0",    "\\n",    "\\(",
        "lstart", "start", "end",   "eol",  "lend",  "part ",  "parts ", "all",    "strip(part",
        ",\\0)",  "/",     "{",     "::",   "\n"};
    std::string text;
    for (unsigned char byte : bytes) text += kPieces[byte % std::size(kPieces)];
    return text;
}

void matchEverywhere(ZukMatch& matcher, std::string_view text) {
    // Exactly the text's bytes: no terminator to lean on.
    std::unique_ptr<char[]> bytes(new char[std::max<size_t>(text.size(), 1)]);
    std::copy(text.begin(), text.end(), bytes.get());
    // Too small a buffer for some outputs, so that the overflow paths run too.
    std::vector<char> output(
        static_cast<size_t>(std::min(matcher.outputSize() + 1, kLargestBuffer)));
    matcher.provideBuffer(output.data(), static_cast<int>(output.size()));
    bool lineEnded = true;
    for (size_t pos = 0; pos <= text.size(); ++pos) {
        const bool lineStart = pos == 0 || text[pos - 1] == '\n' || text[pos - 1] == '\0';
        if (pos > kEveryPositionUpTo && !lineStart) continue;
        int64_t length = static_cast<int64_t>(text.size() - pos);
        lineEnded = lineStart;
        if (matcher.matchAt(bytes.get() + pos, length, pos == 0, lineEnded, true) != kZukMatched) {
            continue;
        }
        int rendered = 0;
        int error = 0;
        if (const char* out = matcher.render(rendered, error)) {
            cleanContextText(std::string_view(out, rendered));
        }
    }
}

void scanAsContextRule(std::string_view rule, std::string_view text) {
    QVConfig& store = config();
    const int matchId = store.idOf("ctx1vmatch");
    const int pathId = store.idOf("ctxv1path");
    if (store.setText(matchId, rule) != 0) return;
    store.setText(pathId, "");
    ContextRules rules;
    rules.compile(0);
    TextStore texts;
    texts.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true);
    texts.addLine(":file:\n", true);
    texts.addLine("fuzz.cpp\n", true);
    std::string_view rest = text;
    for (int lines = 0; !rest.empty() && lines < 2000; ++lines) {
        texts.addLine((std::string(takeLine(rest)) + "\n").c_str(), true);
    }
    texts.finish();
    for (int line = texts.lineCount() - 1; line >= 0 && line >= texts.lineCount() - 3; --line) {
        findContext(texts, line, rules);
    }
    store.setText(matchId, store.caption(matchId));
    store.setText(pathId, store.caption(pathId));
}

}  // namespace

TESSEL_FUZZ_TARGET(zukmatch) {
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string pattern(takeLine(rest));
    std::string display(takeLine(rest));
    if (flags & 0x40) {
        pattern = spelled(pattern);
        display = spelled(display);
    }

    ContextRuleText rule = splitContextRule(pattern);
    ZukMatch matcher;
    if (matcher.compile(pattern, display, flags & (kZukCaseSensitive | kZukStarCrossesLines)) ==
        kZukCompiled) {
        matchEverywhere(matcher, rest);
    }
    if (rule.status == 0 && matcher.compile(rule.search, rule.display) == kZukCompiled) {
        matchEverywhere(matcher, rest);
    }
    if ((flags & 0x38) == 0) scanAsContextRule(pattern, rest);
    return 0;
}
