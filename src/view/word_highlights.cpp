#include "view/word_highlights.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "config/languages.h"
#include "config/qv_config.h"
#include "view/frame_layout.h"
#include "view/live_settings.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {
namespace {

constexpr char kAutoName[] = "any";

// The word part of an entry: what follows the first blank, or the whole entry.
std::string_view wordOf(std::string_view entry) {
    const size_t blank = entry.find(' ');
    return blank == std::string_view::npos ? entry : entry.substr(blank + 1);
}

// How many bytes of text[p, length) read as `word` under the fold, character by character
// (in UTF-8 "ÜBER" reads as "über"), or -1. The fold keeps every character's length except a
// few that fold shorter, so the matched part may be longer or shorter than the word.
int foldedMatchAt(const char* text, int length, int p, std::string_view word,
                  const FoldTable& fold) {
    const auto* in = reinterpret_cast<const uint8_t*>(text);
    const auto* wordBytes = reinterpret_cast<const uint8_t*>(word.data());
    int t = p;
    size_t w = 0;
    while (w < word.size()) {
        if (t >= length) return -1;
        char wordUnit[8];
        char textUnit[8];
        int wordWritten = 0;
        int textWritten = 0;
        w += static_cast<size_t>(
            fold.foldUnit(wordBytes + w, word.size() - w, wordUnit, wordWritten));
        t += fold.foldUnit(in + t, static_cast<size_t>(length - t), textUnit, textWritten);
        if (wordWritten != textWritten ||
            std::memcmp(wordUnit, textUnit, static_cast<size_t>(wordWritten)) != 0) {
            return -1;
        }
    }
    return t - p;
}

bool sameWord(std::string_view a, std::string_view b, bool caseSensitive, const FoldTable& fold) {
    if (caseSensitive) return a == b;
    return foldedMatchAt(a.data(), static_cast<int>(a.size()), 0, b, fold) ==
           static_cast<int>(a.size());
}

FoldTable caseFold() {
    return codePageTables().buildFoldTable(false, true, true);
}

// The next occurrence of `word` in text[from, length) and its length in `matched`; -1 when
// none. In UTF-8 only character starts are tried.
int findWord(const char* text, int length, int from, std::string_view word, bool caseSensitive,
             const FoldTable& fold, int& matched) {
    const int size = static_cast<int>(word.size());
    const auto lead = static_cast<uint8_t>(word[0]);
    const bool utf8 = fold.utf8();
    for (int p = from; p < length; ++p) {
        const auto c = static_cast<uint8_t>(text[p]);
        if (caseSensitive) {
            if (c != lead || p + size > length || std::memcmp(text + p, word.data(), word.size()))
                continue;
            matched = size;
            return p;
        }
        if (utf8 && (c & 0xC0) == 0x80) continue;
        // An ASCII lead folds within ASCII: most positions are ruled out by one byte.
        if (c < 0x80 && lead < 0x80 && fold.map(c) != fold.map(lead)) continue;
        matched = foldedMatchAt(text, length, p, word, fold);
        if (matched > 0) return p;
    }
    return -1;
}

void redrawAll(View& view) {
    auto redraw = [](View& each) {
        each.screen.valid = false;
        if (each.host) each.host->refresh();
    };
    if (!view.frame) {
        redraw(view);
        return;
    }
    for (auto& each : view.frame->views) {
        if (each) redraw(*each);
    }
}

bool localLists() {
    return liveSettings().localHighlight;
}

}  // namespace

int HighlightList::toggle(std::string_view word, std::string_view name, bool allowRemove,
                          bool report, bool caseSensitive) {
    word = word.substr(0, kHighlightWordChars);
    name = name.substr(0, kHighlightNameChars);
    const FoldTable fold = caseFold();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!sameWord(wordOf(*it), word, caseSensitive, fold)) continue;
        if (allowRemove) {
            entries_.erase(it);
            if (report) showStatusInfo("#word removed from highlights.");
            return 2;
        }
        if (report) showStatusInfo("#word already highlighted.");
        return 1;
    }
    std::string entry(name);
    entry += ' ';
    entry += word;
    entries_.push_back(std::move(entry));
    if (report) showStatusInfo("#word added to highlights.");
    return 0;
}

int HighlightList::countAuto() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) {
        return e.compare(0, 4, "any ") == 0;
    }));
}

void HighlightList::append(std::string_view entry) {
    entries_.emplace_back(entry.substr(0, kHighlightNameChars + 1 + kHighlightWordChars));
}

HighlightState::HighlightState() : highlightCase(config().getInt("markcase") != 0) {}

HighlightList& sharedHighlights() {
    static HighlightList shared;
    return shared;
}

HighlightList& highlightListOf(View& view) {
    return localLists() ? view.highlights.list : sharedHighlights();
}

int highlightColour(std::string_view name) {
    const int code = highlightColourCode(name);
    return code != 0 ? code : -1;
}

void markHighlights(const HighlightList& list, bool caseSensitive, const char* text, int length,
                    char* attr, int visibleFrom, int visibleTo) {
    if (list.empty() || !text || length <= 0) return;
    visibleFrom = std::max(visibleFrom, 0);
    visibleTo = std::min(visibleTo, length);
    const FoldTable fold = caseFold();
    int autoCount = 0;
    for (const std::string& entry : list.entries()) {
        std::string_view name = kAutoName;
        std::string_view word = entry;
        const size_t blank = entry.find(' ');
        if (blank != std::string::npos) {
            name = std::string_view(entry).substr(0, blank);
            word = std::string_view(entry).substr(blank + 1);
        } else if (verboseMode()) {
            logMessage("wcf %.200s", entry.c_str());
        }
        if (word.empty()) continue;
        int code = highlightColour(name);
        if (code < 0) code = kFirstAutoColour + autoCount++ % kAutoColours;
        int from = 0;
        for (int found = 0; found < kMaxHighlightsPerRow; ++found) {
            int matched = 0;
            const int at = findWord(text, length, from, word, caseSensitive, fold, matched);
            if (at < 0) break;
            if (found == kMaxHighlightsPerRow - 1 && verboseMode()) logMessage("bail (3)");
            const int end = at + matched;
            for (int i = std::max(at, visibleFrom); i < std::min(end, visibleTo); ++i) {
                if (!isBookmarkAttr(attr[i])) attr[i] = static_cast<char>(code);
            }
            from = end;
        }
    }
}

void markWordHighlights(View& view, const char* text, int length, char* attr) {
    const HighlightList& list = highlightListOf(view);
    if (list.empty()) return;
    // The row's bytes before the horizontal offset are cut away when the row is laid out,
    // so the whole stored part is marked; only the screen's columns show.
    markHighlights(list, view.highlights.highlightCase, text, length, attr, 0, length);
}

std::string wordAtCell(const View& view, int row, int column) {
    if (row < 0 || row >= kScreenRows || column < 0) return {};
    if (view.screen.flags[static_cast<size_t>(row)] != kRowText) return {};
    const std::string_view text = view.screen.rowText(row);
    const size_t at = view.screen.byteOfCell(row, column);
    const bool utf8 = codePageTables().utf8;
    if (at >= text.size() || !isWordCharIn(text, at, utf8)) return {};
    size_t from = at;
    size_t to = at + 1;
    while (from > 0 && isWordCharIn(text, from - 1, utf8)) --from;
    while (to < text.size() && isWordCharIn(text, to, utf8)) ++to;
    const std::string_view word = text.substr(from, to - from);
    return std::string(word.substr(0, cutAtCharacter(word, kHighlightWordChars, utf8)));
}

int highlightWordAt(View& view, int row, int column, bool shift) {
    const std::string word = view.screen.valid ? wordAtCell(view, row, column) : std::string();
    std::vector<View*> targets{&view};
    if (localLists() && shift && view.frame) {
        targets.clear();
        for (auto& each : view.frame->views) {
            if (each) targets.push_back(each.get());
        }
    }
    if (word.empty()) {
        if (localLists()) {
            for (View* each : targets) each->highlights.list.clear();
        } else {
            sharedHighlights().clear();
        }
        showStatusInfo("#highlights reset.");
    } else if (localLists()) {
        for (View* each : targets) {
            each->highlights.list.toggle(word, kAutoName, true, each == &view,
                                         each->highlights.highlightCase);
        }
    } else {
        sharedHighlights().toggle(word, kAutoName, true, true, view.highlights.highlightCase);
    }
    if (localLists() && !shift) {
        view.screen.valid = false;
        if (view.host) view.host->refresh();
    } else {
        redrawAll(view);
    }
    return 0;
}

void toggleHighlightCase(View& view) {
    view.highlights.highlightCase = !view.highlights.highlightCase;
    logMessage(view.highlights.highlightCase ? "case sensitive word highlights"
                                             : "ignoring case on word highlights");
    view.screen.valid = false;
    if (view.host) view.host->refresh();
}

}  // namespace tessel
