// The path mask commands, and jumps to a file: from a file reference under the mouse, or to
// the same place in the view next to this one.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/navigation.h"
#include "view/navigation_internal.h"
#include "view/screen_builder.h"
#include "view/search_driver.h"
#include "view/view.h"

namespace tessel {

using namespace nav;

namespace {

// A changed path mask must not be answered from the old file selection; until the next pass
// counts again the status shows one file.
void dropFileSelection(SearchState& search) {
    search.files.valid = false;
    search.files.selectedFiles = 1;
    search.files.firstSelectedLine = -1;
}

void startSearch(View& view) {
    scheduleSearch(view);
    refresh(view);
}

// Makes a file's name the path mask. `toggle`: a name that is the path mask already clears
// it instead. 0 changed, 1 refused (reported).
int pathToFile(View& view, const TextBlock* block, bool toggle, bool searchNow) {
    if (!block || !block->fileName || block->fileName[0] == '\0') {
        say("no subfile selected.");
        return 1;
    }
    SearchState& search = view.search;
    if (!search.pathSelectionActive && !view.textStore().hasPrefix) {
        say("no subfiles selectable.");
        return 1;
    }
    search.pathSelectionActive = true;
    // The mask holds at most this much of a name; comparing the cut name lets a second press
    // on a file with a longer name clear the mask too.
    std::string name(block->fileName, strnlen(block->fileName, kMaxTermBytes));
    if (toggle && name == search.pathMask) {
        search.setPathMask("");
        dropFileSelection(search);
        startSearch(view);
        return 0;
    }
    search.setPathMask(name);
    dropFileSelection(search);
    view.input.pathTail = 0;
    if (searchNow) {
        startSearch(view);
    } else {
        refresh(view);
    }
    return 0;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Names compare ignoring case, and a reference written with either folder separator finds
// the file.
int nameChar(char c) {
    return c == '\\' ? '/' : std::tolower(static_cast<unsigned char>(c));
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (nameChar(a[i]) != nameChar(b[i])) return false;
    }
    return true;
}

bool containsNoCase(std::string_view text, std::string_view part) {
    if (part.empty()) return true;
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (equalNoCase(text.substr(i, part.size()), part)) return true;
    }
    return false;
}

// Names with a dot: equal, or the longer one ends in the shorter one right after a folder
// separator or a drive colon, so "lib/a.cpp" finds "src/lib/a.cpp" but not "src/xlib/a.cpp".
bool tailMatches(std::string_view given, std::string_view stored) {
    if (given.size() == stored.size()) return equalNoCase(given, stored);
    std::string_view longer = given.size() > stored.size() ? given : stored;
    std::string_view shorter = given.size() > stored.size() ? stored : given;
    if (shorter.empty()) return false;
    const size_t cut = longer.size() - shorter.size();
    const char before = longer[cut - 1];
    if (!isSeparator(before) && before != ':') return false;
    return equalNoCase(longer.substr(cut), shorter);
}

bool nameMatches(std::string_view given, std::string_view stored) {
    stored = trimRight(stored);
    if (given.find('.') != std::string_view::npos) return tailMatches(given, stored);
    const bool givenHasFolder = given.find_first_of("/\\") != std::string_view::npos;
    if (!givenHasFolder) {
        const size_t slash = stored.find_last_of("/\\");
        if (slash != std::string_view::npos) stored.remove_prefix(slash + 1);
    }
    return containsNoCase(stored, given);
}

void jumpNote(const char* text) {
    if (verboseMode()) logMessage("%s", text);
}

bool isNameChar(char c) {
    if (isWordChar(static_cast<uint8_t>(c))) return true;
    return std::strchr("./\\-+~@$:", c) != nullptr && c != '\0';
}

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int toLineNumber(std::string_view digits) {
    long value = 0;
    for (char c : digits.substr(0, 9)) value = value * 10 + (c - '0');
    return static_cast<int>(value);
}

}  // namespace

int narrowToFile(View& view, bool searchNow) {
    int index = -1;
    const TextBlock* block = blockOfLine(view, placeLine(view), &index);
    return pathToFile(view, block, true, searchNow);
}

int pathUp(View& view) {
    SearchState& search = view.search;
    char* mask = search.pathMask;
    char* cut = nullptr;
    for (char* p = mask; *p; ++p) {
        if (isSeparator(*p) || *p == '*') cut = p;
    }
    if (cut) {
        *cut = '\0';
    } else {
        mask[0] = '\0';
    }
    view.input.pathTail = 0;
    dropFileSelection(search);
    startSearch(view);
    return 0;
}

int clearPath(View& view) {
    SearchState& search = view.search;
    if (search.pathMask[0] == '\0') {
        say("path is empty already.");
        return 1;
    }
    search.setPathMask("");
    view.input.pathTail = 0;
    dropFileSelection(search);
    startSearch(view);
    return 0;
}

int findJumpTarget(View& view, std::string_view name, int sourceLine) {
    TextStore& store = view.textStore();
    if (store.loadRunning.load()) return -1;
    name = trimRight(name);
    if (name.empty()) return -1;
    SearchState& search = view.search;
    search.selectFiles(true);
    int sourceIndex = -1;
    if (sourceLine >= 0) blockOfLine(view, sourceLine, &sourceIndex);
    const bool sourceInside = sourceIndex >= 0 && search.jumpSelects(sourceIndex);
    if (verboseMode()) {
        logMessage("[blue] jump: %.200s from file %d", std::string(name).c_str(), sourceIndex);
    }

    int firstSelected = -1;
    int nearestSelected = -1;
    int nearestOther = -1;
    auto distance = [&](int index) { return std::abs(index - std::max(sourceIndex, 0)); };
    for (int b = 0; b < store.blockCount; ++b) {
        const TextBlock* block = store.blocks[static_cast<size_t>(b)];
        if (!block || !block->fileName || !nameMatches(name, block->fileName)) continue;
        if (search.jumpSelects(b)) {
            if (firstSelected < 0) firstSelected = b;
            if (nearestSelected < 0 || distance(b) < distance(nearestSelected)) nearestSelected = b;
        } else if (nearestOther < 0 || distance(b) < distance(nearestOther)) {
            nearestOther = b;
        }
    }
    if (firstSelected >= 0 && !sourceInside) {
        jumpNote("jump to first matching file, within target path.");
        return firstSelected;
    }
    if (nearestSelected >= 0) {
        jumpNote("jump to file nearest to source, within target path.");
        return nearestSelected;
    }
    if (nearestOther >= 0) {
        jumpNote("jump to file nearest to source, globally.");
        return nearestOther;
    }
    if (verboseMode()) logMessage("[blue] jump: no matching file");
    return -1;
}

bool parseFileReference(std::string_view text, int column, std::string* name, int* lineNumber) {
    *lineNumber = 0;
    name->clear();
    if (column < 0 || static_cast<size_t>(column) >= text.size()) return false;
    // The pointer may rest on the brackets or the number of "name(12)": step back to the name.
    size_t at = static_cast<size_t>(column);
    if (text[at] == ')') {
        const size_t open = text.rfind('(', at);
        if (open == std::string_view::npos || open == 0) return false;
        at = open - 1;
    } else if (text[at] == '(') {
        if (at == 0) return false;
        --at;
    }
    if (!isNameChar(text[at])) return false;
    size_t from = at;
    size_t to = at + 1;
    auto grow = [&] {
        from = at;
        to = at + 1;
        while (from > 0 && isNameChar(text[from - 1])) --from;
        while (to < text.size() && isNameChar(text[to])) ++to;
    };
    grow();
    if (allDigits(text.substr(from, to - from)) && from >= 2 && text[from - 1] == '(') {
        at = from - 2;
        if (!isNameChar(text[at])) return false;
        grow();
    }
    std::string_view token = text.substr(from, to - from);
    const std::string_view after = text.substr(to);

    // "name(12)": the number in brackets right after the name.
    if (after.size() >= 3 && after[0] == '(') {
        const size_t close = after.find(')');
        if (close != std::string_view::npos && allDigits(after.substr(1, close - 1))) {
            *lineNumber = toLineNumber(after.substr(1, close - 1));
        }
    }
    // "name:12", "name:12:5:" and a closing colon: the first number after a colon ends the
    // name, so a drive letter ("C:\x.cpp") stays part of it.
    while (!token.empty() && token.back() == ':') token.remove_suffix(1);
    for (size_t colon = token.find(':'); colon != std::string_view::npos;
         colon = token.find(':', colon + 1)) {
        std::string_view rest = token.substr(colon + 1);
        const size_t end = rest.find(':');
        if (allDigits(rest.substr(0, end))) {
            if (*lineNumber == 0) *lineNumber = toLineNumber(rest.substr(0, end));
            token = token.substr(0, colon);
            break;
        }
    }
    while (!token.empty() && (token.back() == '.' || token.back() == ':')) token.remove_suffix(1);
    if (token.size() > 2 && token[0] == '.' && isSeparator(token[1])) token.remove_prefix(2);
    if (token.empty() || allDigits(token)) return false;
    name->assign(token.substr(0, kMaxTermBytes));
    return true;
}

View* nearbyView(View& view) {
    FrameLayout* frame = view.frame;
    if (!frame || frame->viewCount() < 2) return nullptr;
    if (View* right = view.rightNeighbour()) return right;
    if (view.index > 0) return frame->viewAt(view.index - 1);
    return nullptr;
}

int openReferenceAtMouse(View& view) {
    const int row = view.nav.lastMouseRow;
    if (!view.screen.valid || row < 0 || row >= kScreenRows ||
        view.screen.flags[static_cast<size_t>(row)] != kRowText) {
        say("place mouse within a text area first.");
        return 1;
    }
    const std::string_view text = view.screen.rowText(row);
    const int cell = view.nav.lastMouseColumn;
    const int column = static_cast<int>(view.screen.byteOfCell(row, cell));
    if (cell < 0 || static_cast<size_t>(column) >= text.size() ||
        text[static_cast<size_t>(column)] == ' ') {
        say("place mouse within visible text first.");
        return 1;
    }
    View* target = nearbyView(view);
    if (!target) target = &view;
    if (inFilterMode(*target)) {
        say("close filtered view first.");
        return kNavFilterOpen;
    }
    std::string name;
    int lineNumber = 0;
    int index = -1;
    if (parseFileReference(text, column, &name, &lineNumber)) {
        index = findJumpTarget(*target, name, view.screen.rowLine[static_cast<size_t>(row)]);
    }
    if (index < 0) {
        say("unable to find text location");
        return 1;
    }
    const TextBlock& block = *view.textStore().blocks[static_cast<size_t>(index)];
    // Line numbers count the file's own lines, which follow the record's header rows.
    const int firstText = view.textStore().hasPrefix ? block.nameLine() + 1 : block.firstLine;
    int line = lineNumber > 0 ? firstText + lineNumber - 1 : block.firstLine;
    line = std::clamp(line, block.firstLine, std::max(block.endLine - 1, block.firstLine));
    showLineAtFocus(*target, line, true);
    return 0;
}

int showInNearbyView(View& view) {
    const int line = placeLine(view);
    int index = -1;
    const TextBlock* block = blockOfLine(view, line, &index);
    if (!block || !block->fileName) {
        say("no current file active for reference.");
        return 1;
    }
    View* target = nearbyView(view);
    if (!target) {
        say("open another window first.");
        return 1;
    }
    SearchState& other = target->search;
    other.selectFiles(true);
    if (other.pathSelectionActive && other.pathMask[0] && !other.isFileSelected(index)) {
        say("file outside target path.");
        return 1;
    }
    if (inFilterMode(*target)) leaveFilter(*target, true);
    showLineAtFocus(*target, line, true);
    return 0;
}

}  // namespace tessel
