#include <cstdlib>
#include <cstring>

#include "base/log/message_log.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr int64_t kShadowSpare = 100;

// Turns an indexed text (lines ending in NUL) back into raw text with newlines.
void nulsToNewlines(char* text, int64_t length) {
    for (char* at = text; (at = static_cast<char*>(
                               std::memchr(at, '\0', static_cast<size_t>(text + length - at))));) {
        *at++ = '\n';
    }
}

// Looks behind the newline at position at: 1 at the end of the text, 2 before an empty line
// or a line made of one blank (a paragraph break), else 0.
int paragraphAhead(const char* text, int64_t used, int64_t at) {
    if (at + 1 >= used) return 1;
    if (text[at + 1] == '\n') return 2;
    if (text[at + 1] == ' ' && (at + 2 >= used || text[at + 2] == '\n')) return 2;
    return 0;
}

// Breaks the raw text at blanks so that no line passes the wrap width. Header and name
// lines stay whole; in stream mode the lines of a paragraph are joined first. The length
// never changes: breaks replace blanks and joins replace newlines.
int breakLines(TextBlock& block, int tabWidth) {
    char* text = block.text;
    const int64_t used = block.usedBytes;
    const TextStore* store = block.owner;
    const bool stream = block.rewrapped;
    const int width = block.wrapWidth;
    int64_t column = 0;
    int header = 0;
    int paragraph = 0;
    int64_t wordStart = -1;
    int64_t lastBreak = -1;
    for (int64_t i = 0; i < used; ++i) {
        char c = text[i];
        if (c == '\n') {
            if (paragraph == 0) paragraph = paragraphAhead(text, used, i);
            if (paragraph > 0 || header > 0 || !stream) {
                if (paragraph > 0) --paragraph;
                if (header > 0) --header;
                column = 0;
                wordStart = -1;
                continue;
            }
            text[i] = c = ' ';
        }
        if (column == 0 && store && store->prefixLength > 0 && i + store->prefixLength <= used &&
            std::memcmp(text + i, store->recordPrefix, static_cast<size_t>(store->prefixLength)) ==
                0) {
            header = 2;
        }
        if (c != ' ' && i > 0 && text[i - 1] == ' ') wordStart = i;
        column = c == '\t' ? (column / tabWidth + 1) * tabWidth : column + 1;
        if (header == 0 && width > 0 && column > width && wordStart > 0) {
            int64_t blank = wordStart - 1;
            if (blank <= lastBreak) {
                logMessage("internal #18122802");
                return 9;
            }
            text[blank] = '\n';
            lastBreak = blank;
            // Walk the broken-off word again from the start of its new line.
            i = blank;
            column = 0;
            wordStart = -1;
        }
    }
    return 0;
}

}  // namespace

int TextBlock::wrap(int tabWidth) {
    if (tabWidth <= 0) tabWidth = 4;
    if (wrapWidth <= 0) {
        if (!shadow) {
            logMessage("int. #211231952");
            return 9;
        }
        if (textMemory == TextMemory::kHeap) std::free(text);
        text = shadow;
        textMemory = TextMemory::kHeap;
        usedBytes = shadowSize;
        allocatedBytes = shadowSize + kShadowSpare;
        shadow = nullptr;
        shadowSize = 0;
        nulsToNewlines(text, usedBytes);
        text[usedBytes] = '\0';
        return indexLines();
    }
    // A ring's slots belong to the network receiver, which writes them at any time.
    if (!text || ring) {
        logMessage("cannot wrap the text.");
        return 9;
    }
    if (!shadow) {
        int64_t wanted = usedBytes + kShadowSpare;
        shadow = static_cast<char*>(std::malloc(static_cast<size_t>(wanted)));
        if (!shadow) {
            reportOutOfMemory(120401, static_cast<long>(wanted));
            logMessage("cannot wrap the text.");
            return 9;
        }
        std::memcpy(shadow, text, static_cast<size_t>(usedBytes));
        shadow[usedBytes] = '\0';
        shadowSize = usedBytes;
    }
    if (shadowSize != usedBytes) {
        logMessage("internal #18122802");
        return 9;
    }
    std::memcpy(text, shadow, static_cast<size_t>(usedBytes));
    nulsToNewlines(text, usedBytes);
    text[usedBytes] = '\0';
    int result = breakLines(*this, tabWidth);
    // The text stays raw until indexed, also when the walk stopped early.
    if (indexLines() != 0) return 9;
    return result;
}

}  // namespace tessel
