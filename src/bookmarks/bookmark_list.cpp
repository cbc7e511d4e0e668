#include "bookmarks/bookmark_list.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/log/message_log.h"
#include "bookmarks/bookmark_internal.h"
#include "config/qv_config.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// A second click on the same remark within this time opens the remark dialog.
constexpr int64_t kRemarkDoubleClickMs = 400;

bool validIndex(int index) {
    if (index >= 0 && index < kBookmarkSlots) return true;
    logMessage("int. error #1");
    return false;
}

int leadingBlanks(const char* text) {
    int blanks = 0;
    while (text[blanks] == ' ') ++blanks;
    return blanks;
}

// The five fields of user control j in the variable store.
int controlField(int control, int field) {
    return kFirstVariableId + kControlFields * control + field;
}

void clearControl(int control) {
    if (control < 0 || control >= kMaxControls) return;
    for (int f = 0; f < kControlFields; ++f) config().setVar(controlField(control, f), "");
}

void swapControls(int a, int b) {
    if (a < 0 || b < 0 || a >= kMaxControls || b >= kMaxControls || a == b) return;
    QVConfig& store = config();
    for (int f = 0; f < kControlFields; ++f) {
        std::string first = store.getVar(controlField(a, f));
        store.setVar(controlField(a, f), store.getVar(controlField(b, f)));
        store.setVar(controlField(b, f), first);
    }
}

// The run of adjacent script entries around `index`, as [first, last].
std::pair<int, int> scriptGroup(const BookmarkList& list, int index) {
    int first = index;
    int last = index;
    while (first > 0 && isScriptEntry(list.at(first - 1).pos)) --first;
    while (last + 1 < list.count() && isScriptEntry(list.at(last + 1).pos)) ++last;
    return {first, last};
}

// Moves the entry at `from` to `to`, shifting the entries between by one place.
void relocateEntry(BookmarkList& list, int from, int to) {
    Bookmark moving = std::move(list.at(from));
    if (from < to) {
        for (int i = from; i < to; ++i) list.at(i) = std::move(list.at(i + 1));
    } else {
        for (int i = from; i > to; --i) list.at(i) = std::move(list.at(i - 1));
    }
    list.at(to) = std::move(moving);
}

}  // namespace

void BookmarkHost::waitStep() {
    ::usleep(100 * 1000);
}

BookmarkList::BookmarkList() = default;

TextStore& BookmarkList::store() const {
    return storePtr ? *storePtr : textStore();
}

BookmarkHost& BookmarkList::ui() const {
    static BookmarkHost silent;
    return host ? *host : silent;
}

int BookmarkList::count() const {
    int n = 0;
    while (n < kBookmarkSlots && slots[static_cast<size_t>(n)].pos.valid) ++n;
    return n;
}

void BookmarkList::clearEntries() {
    for (Bookmark& entry : slots) entry = Bookmark{};
    selected = -1;
}

BookmarkList& bookmarkList() {
    static BookmarkList list;
    return list;
}

int scriptControlOf(const ViewPosition& position) {
    const size_t prefix = sizeof kScriptEntryPrefix - 1;
    if (!position.remark || std::strncmp(position.pathMask, kScriptEntryPrefix, prefix) != 0) {
        return -1;
    }
    const char* digits = position.pathMask + prefix;
    char* end = nullptr;
    long control = std::strtol(digits, &end, 10);
    if (end == digits || control < 0 || control >= kMaxControls) return -1;
    return static_cast<int>(control);
}

bool isScriptEntry(const ViewPosition& position) {
    return scriptControlOf(position) >= 0;
}

void makeScriptEntry(Bookmark& entry, int control, std::string_view title) {
    entry = Bookmark{};
    entry.pos.remark = 1;
    entry.pos.valid = 1;
    copyField(entry.pos.label, title);
    std::snprintf(entry.pos.pathMask, sizeof entry.pos.pathMask, "// control %u",
                  static_cast<unsigned>(control));
}

bool canAddBookmark(const BookmarkList& list) {
    if (list.count() < kBookmarkAddLimit) return true;
    logMessage("no space left in bookmark entries");
    return false;
}

int addBookmark(BookmarkList& list, ViewPosition& view, int line, int mode, bool fromSelection) {
    if (list.openSet == kNoBookmarkSet) return 1;
    const int selected = list.selected;
    const bool hasSelection =
        selected >= 0 && selected < kBookmarkAddLimit && selected < list.count();
    const bool replaceRemark = mode == kChangeRemark && hasSelection &&
                               list.at(selected).pos.remark &&
                               !isScriptEntry(list.at(selected).pos);
    if (!replaceRemark && !canAddBookmark(list)) return 1;

    int index = list.count();
    if (replaceRemark) {
        index = selected;
    } else if (hasSelection && (!config().getInt("addbmbottom") || mode == kChangeRemark)) {
        index = selected + 1;
        while (index < list.count() && isScriptEntry(list.at(index).pos)) ++index;
        for (int i = kBookmarkSlots - 1; i > index; --i) list.at(i) = std::move(list.at(i - 1));
    }

    Bookmark entry;
    entry.pos = view;
    entry.pos.valid = 1;
    entry.pos.loadFailed = 0;
    entry.pos.currentLine = line;
    entry.pos.relativeLine = 0;
    entry.pos.remark = 0;
    if (mode != kAddMark) {
        entry.pos.remark = 1;
        copyField(entry.pos.label, view.find.text);
        view.find = PositionMask{};
    }
    TextStore& store = list.store();
    copyField(entry.pos.lineText, store.lineText(line));
    int blockIndex = -1;
    if (line >= 0 && line < store.lineCount()) store.blockForLine(line, nullptr, &blockIndex);
    entry.blockIndex = blockIndex;
    list.at(index) = std::move(entry);
    list.selected = index;
    list.changed = true;
    if (fromSelection) showStatusInfo("bookmark created.");
    return 0;
}

int removeBookmark(BookmarkList& list, int index) {
    if (!validIndex(index)) return 9;
    if (!list.at(index).pos.valid) return 1;
    clearControl(scriptControlOf(list.at(index).pos));
    for (int i = index; i + 1 < kBookmarkSlots; ++i) list.at(i) = std::move(list.at(i + 1));
    list.at(kBookmarkSlots - 1) = Bookmark{};
    int selected = std::min(list.selected, kBookmarkSlots - 1);
    while (selected >= 0 && !list.at(selected).pos.valid) --selected;
    list.selected = selected;
    list.changed = true;
    return 0;
}

int moveBookmark(BookmarkList& list, int direction) {
    const int used = list.count();
    const int selected = list.selected;
    if (selected < 0 || selected >= used || (direction != -1 && direction != 1)) return 1;
    const bool script = isScriptEntry(list.at(selected).pos);
    const int neighbour = selected + direction;
    if (neighbour < 0 || neighbour >= used) return 1;
    const bool neighbourScript = isScriptEntry(list.at(neighbour).pos);

    if (script && neighbourScript) {
        // The order of script entries is the order of their controls: swap those too, so
        // that the entries keep their control numbers in list order.
        swapControls(scriptControlOf(list.at(selected).pos),
                     scriptControlOf(list.at(neighbour).pos));
        std::swap(list.at(selected).pos.label, list.at(neighbour).pos.label);
        list.selected = neighbour;
    } else if (script) {
        // The whole group of script entries moves: the entry beside it goes to its other end.
        auto [first, last] = scriptGroup(list, selected);
        if (direction < 0) {
            relocateEntry(list, first - 1, last);
        } else {
            relocateEntry(list, last + 1, first);
        }
        list.selected = selected + direction;
    } else if (neighbourScript) {
        // An ordinary entry passes a group of script entries in one step.
        auto [first, last] = scriptGroup(list, neighbour);
        const int to = direction < 0 ? first : last;
        relocateEntry(list, selected, to);
        list.selected = to;
    } else {
        std::swap(list.at(selected), list.at(neighbour));
        list.selected = neighbour;
    }
    list.changed = true;
    return 0;
}

int indentBookmarks(BookmarkList& list, int direction) {
    const int used = list.count();
    const int selected = list.selected;
    if (selected < 0 || selected >= used) return 1;
    const int depth = leadingBlanks(list.at(selected).pos.label);
    // Nothing can move left of the margin.
    if (direction < 0 && depth == 0) return 1;
    for (int i = selected; i < used; ++i) {
        char* label = list.at(i).pos.label;
        if (i > selected && leadingBlanks(label) < depth) break;
        const size_t length = std::strlen(label);
        if (direction < 0) {
            if (label[0] == ' ') std::memmove(label, label + 1, length);
        } else if (length < static_cast<size_t>(kPositionTextChars)) {
            std::memmove(label + 1, label, length + 1);
            label[0] = ' ';
        }
    }
    list.changed = true;
    return 0;
}

int toggleContext(BookmarkList& list, int index) {
    if (!validIndex(index)) return 9;
    ViewPosition& pos = list.at(index).pos;
    if (!pos.valid) return 1;
    if (!hasSearchContext(pos)) {
        logMessage("[note] this bookmark has no search context.");
        return 1;
    }
    pos.ignoreContext = pos.ignoreContext ? 0 : 1;
    logMessage(pos.ignoreContext ? "[note] ignoring search context."
                                 : "[note] using search context.");
    list.changed = true;
    return 0;
}

int selectBookmark(BookmarkList& list, int index, ViewPosition& view,
                   const SelectRequest& request) {
    if (!validIndex(index)) return 9;
    const Bookmark& entry = list.at(index);
    if (!entry.pos.valid) return 1;

    int result = 0;
    if (entry.pos.remark) {
        const int control = scriptControlOf(entry.pos);
        if (control >= 0) {
            if (request.control) *request.control = control;
            result = kSelectRunScript;
        } else if (list.lastRemarkIndex == index &&
                   request.nowMs - list.lastRemarkMs <= kRemarkDoubleClickMs) {
            result = kSelectEditRemark;
        } else {
            showStatusInfo(entry.pos.label);
            result = kSelectShowRemark;
        }
        list.lastRemarkIndex = index;
        list.lastRemarkMs = request.nowMs;
    } else {
        const int oldTabSize = view.tabSize;
        if (hasSearchContext(entry.pos) && !entry.pos.ignoreContext) {
            copySearchContext(entry.pos, view);
        } else {
            copyPlace(entry.pos, view);
        }
        view.remark = 0;
        if (request.shift) restrictPathToFile(list.store(), view);
        if (!config().getInt("bookmarktabsize")) {
            view.tabSize = oldTabSize;
        } else if (view.tabSize != oldTabSize) {
            char text[80];
            std::snprintf(text, sizeof text, "Tab size %ld set by %s.",
                          static_cast<long>(view.tabSize), "bookmark");
            showStatusInfo(text);
        }
        list.lastRemarkIndex = -1;
    }
    list.selected = index;
    if (!list.firstSelectionDone) {
        list.firstSelectionDone = true;
        showStatusInfo("bookmark. ctrl+q to hide list.");
    }
    return result;
}

}  // namespace tessel
