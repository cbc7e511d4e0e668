#include "view/bookmark_commands.h"

#include <algorithm>

#include "base/log/message_log.h"
#include "bookmarks/bookmark_export.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_list.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "text/text_store.h"
#include "view/bookmark_host.h"
#include "view/bookmark_panel.h"
#include "view/frame_layout.h"
#include "view/navigation.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_host.h"
#include "view/view_input.h"
#include "view/view_positions.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

constexpr uint8_t kControlC = 0x03;
constexpr uint8_t kControlQ = 0x11;
constexpr uint8_t kControlS = 0x13;
constexpr uint8_t kControlV = 0x16;
constexpr char kRemarkTitle[] = "Edit Bookmark Remark";
constexpr char kRemarkCaption[] = "Change Remark Line";
constexpr char kNewRemarkCaption[] = "New Remark Line";

enum MenuItem : int {
    kMenuExport = 0,
    kMenuImport,
    kMenuRemark,
    kMenuClear,
    kMenuLoadFrom,
    kMenuSaveTo,
    kMenuErrors,
};

// Labels as the setup dialog names these commands.
constexpr const char* kMenuLabels[] = {
    "copy bookmarks to clipboard",
    "import bookmarks from clipboard",
    "add a remark line",
    "clear",
    "load from ...",
    "save to ...",
    "recent errors",
};

// The list shows in every view: each one draws it again.
void repaintViews(View& view) {
    auto repaint = [](View& each) {
        each.screen.valid = false;
        if (each.host) each.host->refresh();
    };
    if (!view.frame) {
        repaint(view);
        return;
    }
    for (const auto& each : view.frame->views) {
        if (each) repaint(*each);
    }
}

int editRemark(View& view, int index) {
    BookmarkList& list = bookmarkList();
    std::string text = list.at(index).pos.label;
    if (textDialog(kRemarkTitle, kRemarkCaption, text) != 0) return 1;
    ViewPosition remark = prepareBookmarkWork(view);
    copyField(remark.find.text, text);
    list.selected = index;
    const int rc = addBookmark(list, remark, list.at(index).pos.currentLine, kChangeRemark);
    repaintViews(view);
    return rc;
}

// The first screen row that shows text (below the context rows).
int firstTextRow(const View& view) {
    for (int row = 0; row < std::min(view.rows, kScreenRows); ++row) {
        if (view.screen.flags[static_cast<size_t>(row)] == kRowText) return row;
    }
    return 0;
}

// ALT+click on a text row: the bookmark of that row's line, placed back as the row is now.
int createFromClick(View& view, int x, int y) {
    int row = 0;
    int column = 0;
    if (cellAt(view, x, y, &row, &column) != 0 || row >= kScreenRows) return 1;
    const auto r = static_cast<size_t>(row);
    const int line = view.screen.rowLine[r];
    if (view.screen.flags[r] != kRowText || line < 0) return 1;
    createBookmarkAt(view, line, std::max(line - (row - firstTextRow(view)), 0));
    return 0;
}

int pressOnList(View& view, const BookmarkHit& hit, int button, int modifiers) {
    if (button == kMouseRight) {
        const int chosen = popupMenu(bookmarkMenuItems());
        if (chosen >= 0) runBookmarkMenu(view, chosen);
        return 0;
    }
    // Other buttons on the list do nothing: the text beneath is not theirs.
    if (button != kMouseLeft) return 0;
    if (modifiers & kModAlt) {
        addRemarkLine(view);
        return 0;
    }
    BookmarkList& list = bookmarkList();
    switch (hit.zone) {
        case BookmarkZone::kSelect:
            selectBookmarkEntry(view, hit.index, (modifiers & kModShift) != 0);
            break;
        case BookmarkZone::kToggleContext:
            toggleContext(list, hit.index);
            repaintViews(view);
            break;
        case BookmarkZone::kRemove:
            removeBookmark(list, hit.index);
            repaintViews(view);
            break;
        case BookmarkZone::kPanel:
        case BookmarkZone::kNone:
            break;
    }
    return 0;
}

BookmarkHit hitAt(const View& view, int x, int y) {
    const BookmarkList& list = bookmarkList();
    if (list.count() == 0) return {};
    return bookmarkPanelHit(bookmarkPanelShape(view, list, bookFontMeasure()), x, y);
}

}  // namespace

BookmarkViewHooks& bookmarkViewHooks() {
    static BookmarkViewHooks hooks;
    return hooks;
}

int bookmarkKeyDown(View& view, int key, int modifiers) {
    const bool shift = (modifiers & kModShift) != 0;
    const bool control = (modifiers & kModControl) != 0;
    if (key == kKeyInsert && shift && !control) return pasteCommand(view) == 9 ? 9 : 0;
    if (key == kKeyInsert && control && view.gestures.pointerOnBookmarks) {
        return exportBookmarkList();
    }
    if (control && !shift && key > kKey0 && key <= kKey0 + kBookmarkSets) {
        switchBookmarkSet(view, key - kKey0);
        return 0;
    }
    return 1;
}

int bookmarkChar(View& view, uint8_t ch, int modifiers) {
    switch (ch) {
        case kControlQ:
            view.bookmarksHidden = !view.bookmarksHidden;
            view.gestures.pointerOnBookmarks = false;
            if (view.host) view.host->repaint();
            return 0;
        case kControlV:
            pasteCommand(view);
            return 0;
        case kControlC:
            // The copy keys take the list while the pointer rests on it, the text otherwise.
            if (!view.gestures.pointerOnBookmarks) return 1;
            return exportBookmarkList();
        case kControlS:
            saveIfChanged(bookmarkList(), (modifiers & kModShift) != 0);
            return 1;
        default:
            return 1;
    }
}

int bookmarkPointerPress(View& view, int button, int x, int y, int modifiers) {
    const BookmarkHit hit = hitAt(view, x, y);
    if (hit.zone != BookmarkZone::kNone) return pressOnList(view, hit, button, modifiers);
    if (button == kMouseLeft && (modifiers & kModAlt)) return createFromClick(view, x, y);
    return 1;
}

// The second click of a double click arrives as a double click: on the list it is a second
// selection (which opens a remark's dialog).
int bookmarkPointerDoubleClick(View& view, int button, int x, int y, int modifiers) {
    const BookmarkHit hit = hitAt(view, x, y);
    if (hit.zone == BookmarkZone::kNone) return 1;
    if (button == kMouseLeft && hit.zone == BookmarkZone::kSelect && !(modifiers & kModAlt)) {
        selectBookmarkEntry(view, hit.index, (modifiers & kModShift) != 0);
    }
    return 0;
}

void noteBookmarkPointer(View& view, int x, int y) {
    view.gestures.pointerOnBookmarks = hitAt(view, x, y).zone != BookmarkZone::kNone;
}

int createBookmarkAt(View& view, int line, int topLine) {
    BookmarkList& list = bookmarkList();
    ViewPosition position = prepareBookmarkWork(view);
    position.topLine = topLine;
    const int rc = addBookmark(list, position, line, kAddMark);
    if (rc == 0) repaintViews(view);
    return rc;
}

int selectBookmarkEntry(View& view, int index, bool shift) {
    BookmarkList& list = bookmarkList();
    if (index < 0 || index >= list.count()) return 1;
    ViewPosition position = prepareBookmarkWork(view);
    const ViewPosition& entry = list.at(index).pos;
    const bool ordinary = entry.remark == 0;
    const bool takesContext = shift || (hasSearchContext(entry) && !entry.ignoreContext);
    if (ordinary) historySave(view, "before BM select");
    int control = -1;
    SelectRequest request;
    request.shift = shift;
    request.nowMs = tickMs();
    request.control = &control;
    const int rc = selectBookmark(list, index, position, request);
    if (rc == 0) {
        // A path mask from a bookmark selects files as a typed one does, wherever the text
        // has file records.
        if (takesContext) {
            position.extras.pathSelectionActive =
                position.pathMask[0] != '\0' && view.textStore().hasPrefix ? 1 : 0;
        }
        restorePosition(view, position);
    } else if (rc == kSelectRunScript) {
        const BookmarkViewHooks& hooks = bookmarkViewHooks();
        if (hooks.runControl) {
            hooks.runControl(view, control);
        } else {
            logMessage("[note] bookmark scripts are not available.");
        }
    } else if (rc == kSelectEditRemark) {
        editRemark(view, index);
    }
    repaintViews(view);
    return rc == 1 || rc == 9 ? 1 : 0;
}

int switchBookmarkSet(View& view, int set) {
    const ViewPosition position = prepareBookmarkWork(view);
    const int rc = openSet(bookmarkList(), set, position);
    repaintViews(view);
    return rc;
}

int pasteCommand(View& view) {
    const std::string text = clipboardText();
    if (importBookmarkText(view, text, false) != kImportNotBookmarkText) return 0;
    // Any other text is pasted as typed: its first line goes into the mask being typed.
    for (const char c : text) {
        if (c == '\r' || c == '\n') break;
        const auto byte = static_cast<uint8_t>(c == '\t' ? ' ' : c);
        if (byte < 0x20 || byte == 0x7F) continue;
        if (maskChar(view, view.input, byte) != 0) break;
    }
    return 0;
}

int exportBookmarkList() {
    setClipboardText(exportBookmarks(bookmarkList()));
    showStatusInfo(kExportDoneMessage);
    return 0;
}

int importBookmarkText(View& view, const std::string& text, bool fromSetup) {
    const ViewPosition position = prepareBookmarkWork(view);
    const int rc = importBookmarks(bookmarkList(), text, position, fromSetup);
    repaintViews(view);
    return rc;
}

int addRemarkLine(View& view) {
    std::string text;
    if (textDialog(kRemarkTitle, kNewRemarkCaption, text) != 0 || text.empty()) return 1;
    ViewPosition remark = prepareBookmarkWork(view);
    copyField(remark.find.text, text);
    const int line = std::max(view.search.currentLine, view.search.topLine);
    const int rc = addBookmark(bookmarkList(), remark, line, kAddRemark);
    repaintViews(view);
    return rc;
}

std::vector<std::string> bookmarkMenuItems() {
    return {std::begin(kMenuLabels), std::end(kMenuLabels)};
}

int runBookmarkMenu(View& view, int item) {
    BookmarkList& list = bookmarkList();
    int rc = 1;
    switch (item) {
        case kMenuExport:
            return exportBookmarkList();
        case kMenuImport:
            return importBookmarkText(view, clipboardText(), true);
        case kMenuRemark:
            return addRemarkLine(view);
        case kMenuClear:
            rc = clearSet(list);
            break;
        case kMenuLoadFrom:
            rc = loadFrom(list, prepareBookmarkWork(view));
            break;
        case kMenuSaveTo:
            prepareBookmarkWork(view);
            rc = saveTo(list);
            break;
        case kMenuErrors: {
            const std::string details = errorDetailsText();
            messageBox("recent errors", details.empty() ? "no recent bookmark errors." : details,
                       BoxButtons::ok);
            return 0;
        }
        default:
            return 1;
    }
    repaintViews(view);
    return rc;
}

}  // namespace tessel
