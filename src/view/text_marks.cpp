#include "view/text_marks.h"

#include <algorithm>
#include <unordered_set>

#include "base/codepage/code_page_tables.h"
#include "view/row_attributes.h"

namespace tessel {
namespace {

struct MarkState {
    bool tabs = false;
    bool group = false;
    // Folded group words, and the fold they were folded with.
    std::unordered_set<std::string> words;
    FoldTable fold;
};

MarkState& marks() {
    static MarkState state;  // user interface thread only
    return state;
}

bool isWordByte(char c) {
    return isWordChar(static_cast<uint8_t>(c));
}

std::string folded(std::string_view word, const FoldTable& fold) {
    std::string out(word);
    for (char& c : out) c = static_cast<char>(fold.map(static_cast<uint8_t>(c)));
    return out;
}

void mark(char* attr, int from, int to, char code) {
    for (int i = from; i < to; ++i) {
        if (!isBookmarkAttr(attr[i])) attr[i] = code;
    }
}

// A stored line ends in one blank of its own, which is no indentation: empty lines stay
// unmarked.
void markTabs(const char* text, int length, char* attr) {
    const int closingBlank = text[length - 1] == ' ' ? length - 1 : length;
    bool indentation = true;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\t') {
            mark(attr, i, i + 1, kAttrTabCell);
        } else if (text[i] == ' ' && indentation && i < closingBlank) {
            mark(attr, i, i + 1, kAttrIndentBlank);
        } else {
            indentation = false;
        }
    }
}

void markGroupWords(const MarkState& state, const char* text, int length, char* attr) {
    std::string word;
    int i = 0;
    while (i < length) {
        if (!isWordByte(text[i])) {
            ++i;
            continue;
        }
        int end = i;
        while (end < length && isWordByte(text[end])) ++end;
        if (static_cast<size_t>(end - i) <= kMaxGroupWordChars) {
            word.assign(text + i, static_cast<size_t>(end - i));
            for (char& c : word) c = static_cast<char>(state.fold.map(static_cast<uint8_t>(c)));
            if (state.words.count(word) != 0) mark(attr, i, end, kAttrGroupMatch);
        }
        i = end;
    }
}

}  // namespace

bool tabMarksOn() {
    return marks().tabs;
}

void setTabMarks(bool on) {
    marks().tabs = on;
}

std::vector<std::string> groupWordsOf(std::string_view clipboard) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < clipboard.size() && words.size() < kMaxGroupWords) {
        if (!isWordByte(clipboard[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < clipboard.size() && isWordByte(clipboard[end])) ++end;
        const std::string_view word = clipboard.substr(i, end - i);
        if (word.size() >= 2 && word.size() <= kMaxGroupWordChars &&
            std::find(words.begin(), words.end(), word) == words.end()) {
            words.emplace_back(word);
        }
        i = end;
    }
    return words;
}

bool groupMatchOn() {
    return marks().group;
}

bool setGroupMatch(bool on, std::string_view clipboard) {
    MarkState& state = marks();
    state.words.clear();
    state.group = false;
    if (!on) return false;
    state.fold = codePageTables().buildFoldTable(false, true, true);
    for (const std::string& word : groupWordsOf(clipboard)) {
        state.words.insert(folded(word, state.fold));
    }
    state.group = true;
    return !state.words.empty();
}

void markTextMarks(const char* text, int length, char* attr) {
    const MarkState& state = marks();
    if (!text || length <= 0) return;
    if (state.tabs) markTabs(text, length, attr);
    if (state.group && !state.words.empty()) markGroupWords(state, text, length, attr);
}

}  // namespace tessel
