#include "view/view_input.h"

#include <algorithm>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "platform/key_codes.h"
#include "text/text_store.h"
#include "view/search_driver.h"
#include "view/view.h"

namespace tessel {
namespace {

char* maskText(View& view, MaskFocus mask) {
    return mask == MaskFocus::kPath ? view.search.pathMask : view.search.findMask;
}

const char* maskText(const View& view, MaskFocus mask) {
    return mask == MaskFocus::kPath ? view.search.pathMask : view.search.findMask;
}

int& tailOf(ViewInput& input, MaskFocus mask) {
    return mask == MaskFocus::kPath ? input.pathTail : input.findTail;
}

int maskLength(const View& view, MaskFocus mask) {
    return static_cast<int>(std::strlen(maskText(view, mask)));
}

// A mask was changed by typing: the path mask narrows the search only while the path
// selection is on, which the file records of the text allow. While a loader still fills the
// store its header is not ours to read; the search waits for the load anyway.
void maskChanged(View& view, MaskFocus mask, bool newWord) {
    SearchState& search = view.search;
    const TextStore& store = search.store();
    if (mask == MaskFocus::kFind) {
        search.findMaskMarkedForReset = false;
    } else if (!store.loadRunning.load() && store.hasPrefix) {
        search.pathSelectionActive = true;
    }
    searchAfterKeystroke(view, newWord);
    view.screen.valid = false;
}

int clearMask(View& view, ViewInput& input) {
    const MaskFocus mask = input.maskFocus;
    tailOf(input, mask) = 0;
    // An empty mask still counts: INSERT is how the user starts a new word, and the search
    // of that word waits the full delay.
    maskText(view, mask)[0] = '\0';
    maskChanged(view, mask, true);
    return 0;
}

int moveCursor(View& view, ViewInput& input, int key) {
    const MaskFocus mask = input.maskFocus;
    const int length = maskLength(view, mask);
    int& tail = tailOf(input, mask);
    tail = std::clamp(tail, 0, length);
    switch (key) {
        case kKeyHome:
            tail = length;
            break;
        case kKeyEnd:
            tail = 0;
            break;
        case kKeyLeft:
        case kKeyRight: {
            // By characters: a UTF-8 character is never entered half way.
            const std::string_view text = maskText(view, mask);
            const size_t at = static_cast<size_t>(length - std::clamp(tail, 0, length));
            const bool utf8 = codePageTables().utf8;
            const size_t to =
                key == kKeyLeft ? characterBefore(text, at, utf8) : characterAfter(text, at, utf8);
            tail = length - static_cast<int>(to);
            break;
        }
        default:
            return 1;
    }
    view.screen.valid = false;
    return 0;
}

}  // namespace

int maskCursor(const View& view, const ViewInput& input, MaskFocus mask) {
    const int length = maskLength(view, mask);
    const int tail = mask == MaskFocus::kPath ? input.pathTail : input.findTail;
    return length - std::clamp(tail, 0, length);
}

int maskKeyDown(View& view, ViewInput& input, int key, int modifiers) {
    if (view.editor) return 1;
    const bool plain = (modifiers & (kModShift | kModControl | kModAlt)) == 0;
    const bool control = (modifiers & (kModControl | kModAlt)) != 0;
    switch (key) {
        case kKeyTab:
            if (!plain) return 1;
            input.maskFocus =
                input.maskFocus == MaskFocus::kFind ? MaskFocus::kPath : MaskFocus::kFind;
            view.screen.valid = false;
            return 0;
        case kKeyHome:
        case kKeyEnd:
            // SHIFT moves the mask cursor as well; CONTROL moves through the text instead.
            if (control) return 1;
            return moveCursor(view, input, key);
        case kKeyLeft:
        case kKeyRight:
            if (!plain) return 1;
            return moveCursor(view, input, key);
        case kKeyInsert:
            if (!plain) return 1;
            return clearMask(view, input);
        default:
            return 1;
    }
}

int maskChar(View& view, ViewInput& input, uint8_t ch) {
    if (view.editor) return 1;
    const MaskFocus mask = input.maskFocus;
    char* text = maskText(view, mask);
    int length = maskLength(view, mask);
    int& tail = tailOf(input, mask);
    tail = std::clamp(tail, 0, length);
    if (ch == '\b') {
        const int at = length - tail;
        if (at == 0) return 1;
        const auto from = static_cast<int>(characterBefore(
            {text, static_cast<size_t>(length)}, static_cast<size_t>(at), codePageTables().utf8));
        std::memmove(text + from, text + at, static_cast<size_t>(tail) + 1);
        maskChanged(view, mask, false);
        return 0;
    }
    if (ch < 0x20 || ch == 0x7F) return 1;
    // A find mask left standing for the auto reset time gives way to the next word typed.
    if (mask == MaskFocus::kFind && view.search.findMaskMarkedForReset) {
        text[0] = '\0';
        length = 0;
        tail = 0;
    }
    if (length >= kMaskTextChars) return 1;
    const int at = length - tail;
    std::memmove(text + at + 1, text + at, static_cast<size_t>(tail) + 1);
    text[at] = static_cast<char>(ch);
    maskChanged(view, mask, false);
    return 0;
}

int setMaskText(View& view, ViewInput& input, MaskFocus mask, std::string_view text) {
    char* target = maskText(view, mask);
    const size_t length = cutAtCharacter(text, kMaskTextChars, codePageTables().utf8);
    if (std::strlen(target) == length && std::memcmp(target, text.data(), length) == 0) return 1;
    if (mask == MaskFocus::kPath) {
        view.search.setPathMask(text.substr(0, length));
    } else {
        view.search.setFindMask(text.substr(0, length));
    }
    tailOf(input, mask) = 0;
    maskChanged(view, mask, false);
    return 0;
}

}  // namespace tessel
