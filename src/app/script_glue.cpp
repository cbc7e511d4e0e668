#include "app/script_glue.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/net_glue.h"
#include "app/view_windows.h"
#include "app/window_host.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/hotkeys.h"
#include "config/script_runner.h"
#include "config/user_controls.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "text/text_store.h"
#include "view/bookmark_commands.h"
#include "view/control_buttons.h"
#include "view/filter_view.h"
#include "view/screen_builder.h"
#include "view/user_keys.h"
#include "view/view.h"
#include "view/view_input.h"
#include "view/view_scroll.h"
#include "view/view_window.h"
#include "view/word_highlights.h"

namespace tessel {
namespace {

// A waiting script lets the window handle its events this often.
constexpr int kPumpSliceMs = 10;
// "set location ... -bottom" leaves this many rows below the end of the file.
constexpr int kBottomGapRows = 5;

void redraw(View& view) {
    view.screen.valid = false;
    redrawViewWindow(view);
}

int ownIndex(const View& own) {
    for (int i = 0; i < frameViewCount(); ++i) {
        if (frameViewAt(i) == &own) return i;
    }
    return -1;
}

// The file of a view's current line, null beyond the text.
const TextBlock* currentBlock(View& view) {
    TextStore& store = view.textStore();
    const int line = view.search.currentLine;
    if (line < 0 || line >= store.lineCount()) return nullptr;
    return store.blockForLine(line);
}

// The lines before a file's first text line in a text of several files: its header line and,
// when the prefix stands on a line of its own, the name line after it.
int headLines(const TextBlock& block) {
    const TextStore* store = block.owner;
    if (!store || store->prefixLength == 0) return 0;
    return block.headerLine() - block.firstLine + (store->prefixOnNameLine ? 1 : 2);
}

// The 1-based number of a global line within its file.
long lineWithinFile(const TextBlock& block, int line) {
    return line - block.firstLine - headLines(block) + 1;
}

// File names compare without regard to letter case, "\" standing for "/".
bool nameContains(std::string_view name, std::string_view part) {
    auto fold = [](char c) {
        if (c == '\\') return '/';
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    if (part.empty() || part.size() > name.size()) return false;
    for (size_t at = 0; at + part.size() <= name.size(); ++at) {
        size_t i = 0;
        while (i < part.size() && fold(name[at + i]) == fold(part[i])) ++i;
        if (i == part.size()) return true;
    }
    return false;
}

// Keys pressed while a script waits go to their bindings too, where a second script is
// refused while one runs.
int runUserKey(View& view, std::string_view keyName, int modifiers) {
    ViewScriptHost host(view, modifiers);
    const int rc = dispatchUserKey(keyName, host);
    // The extra mouse buttons do nothing else: an unbound press says how to bind it.
    const bool extraButton = keyName.find("xbutton") != std::string_view::npos;
    if (rc != 0 && extraButton && keyName.ends_with("down") && appSettings().userKeys) {
        reportUnboundKey(keyName);
    }
    return rc;
}

}  // namespace

int ViewScriptHost::targetView(ViewSelector selector) {
    return viewForSelector(selector, ownIndex(own_), frameViewCount());
}

int ViewScriptHost::viewFact(int view, ViewFact fact, std::string& value, std::string& error) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    char number[24];
    auto numeric = [&](long n) {
        std::snprintf(number, sizeof number, "%ld", n);
        value = number;
        return 0;
    };
    switch (fact) {
        case ViewFact::kFindMask:
            value = target->search.findMask;
            return 0;
        case ViewFact::kPathMask:
            value = target->search.pathMask;
            return 0;
        case ViewFact::kCurrentFile: {
            const TextBlock* block = currentBlock(*target);
            if (!block || !block->fileName) {
                error = "no file at the current line";
                return 9;
            }
            value = block->fileName;
            return 0;
        }
        case ViewFact::kLineNumber: {
            const TextBlock* block = currentBlock(*target);
            if (!block) {
                error = "no file at the current line";
                return 9;
            }
            return numeric(lineWithinFile(*block, target->search.currentLine));
        }
        case ViewFact::kDesktopX:
            return numeric(target->windowX);
        case ViewFact::kDesktopY:
            return numeric(target->windowY);
        case ViewFact::kWidth:
            return numeric(target->clientWidth);
        case ViewFact::kHeight:
            return numeric(target->clientHeight);
        case ViewFact::kMouseWord: {
            const NavigationState& nav = target->nav;
            if (nav.lastMouseRow < 0) {
                error = "cursor outside text";
                return 9;
            }
            value = wordAtCell(*target, nav.lastMouseRow, nav.lastMouseColumn);
            if (value.empty()) {
                error = "no word under cursor selected";
                return 9;
            }
            return 0;
        }
        case ViewFact::kColumn:
        case ViewFact::kRawColumn: {
            // The editor's cursor; in the viewer the start of the line.
            Editor* editor = target->editor.get();
            if (!editor) return numeric(1);
            return numeric(1L + (fact == ViewFact::kColumn ? editor->cursorCharacterColumn()
                                                           : editor->cursorColumn));
        }
        case ViewFact::kReplaceSource:
        case ViewFact::kReplaceTarget: {
            const RecentEdit& recent = editing().recent;
            const bool source = fact == ViewFact::kReplaceSource;
            value = source ? recent.source : recent.replacement;
            if (value.empty()) {
                error = source ? "no replace source is set" : "no replace destination is set";
                return 9;
            }
            return 0;
        }
        case ViewFact::kMouseLine: {
            const NavigationState& nav = target->nav;
            if (!target->screen.valid || nav.lastMouseRow < 0 || nav.lastMouseRow >= kScreenRows ||
                target->screen.flags[static_cast<size_t>(nav.lastMouseRow)] != kRowText) {
                error = "cursor outside text";
                return 9;
            }
            value = target->screen.rowText(nav.lastMouseRow);
            while (!value.empty() && value.back() == ' ') value.pop_back();
            return 0;
        }
        default:
            return kNotAvailable;
    }
}

HeldModifiers ViewScriptHost::heldModifiers() {
    HeldModifiers held;
    held.shift = (modifiers_ & kModShift) != 0;
    held.ctrl = (modifiers_ & kModControl) != 0;
    held.alt = (modifiers_ & kModAlt) != 0;
    return held;
}

int ViewScriptHost::setFindMask(int view, std::string_view text) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    setMaskText(*target, target->input, MaskFocus::kFind, text);
    redraw(*target);
    return 0;
}

int ViewScriptHost::setPathMask(int view, std::string_view text) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    setMaskText(*target, target->input, MaskFocus::kPath, text);
    redraw(*target);
    return 0;
}

int ViewScriptHost::setFilter(int view, bool on) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    int rc = 0;
    if (on && target->filterMode != FilterMode::kFiltered) {
        if (target->filterMode != FilterMode::kFullText) leaveFilter(*target, true);
        rc = toggleFilter(*target, 1);
    } else if (!on && target->filterMode != FilterMode::kFullText) {
        rc = leaveFilter(*target, true);
    }
    redraw(*target);
    return rc == 9 ? 9 : 0;
}

int ViewScriptHost::setLocation(int view, std::string_view mask, bool bottom) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    TextStore& store = target->textStore();
    for (int b = 0; b < store.blockCount; ++b) {
        const TextBlock* block = store.blocks[static_cast<size_t>(b)];
        if (!block || !block->fileName || !nameContains(block->fileName, mask)) continue;
        if (target->filterMode != FilterMode::kFullText) leaveFilter(*target, true);
        const int first = block->firstLine;
        const int last = std::max(first, block->endLine - 1);
        int top = first - target->search.lockRows;
        if (bottom) top = std::max(first, last + kBottomGapRows - scrollTextRows(*target) + 1);
        scrollTo(*target, std::max(top, 0));
        target->search.currentLine = bottom ? last : std::min(first + headLines(*block), last);
        redraw(*target);
        return 0;
    }
    return kNoMatchingFile;
}

int ViewScriptHost::setJumpMask(int view, std::string_view text) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    target->search.setJumpMask(text);
    return 0;
}

int ViewScriptHost::setShift(int view, int columns) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    target->display.scrollColumn = columns;
    redraw(*target);
    return 0;
}

int ViewScriptHost::setTabSize(int view, int size) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    target->tabSize = size;
    redraw(*target);
    return 0;
}

int ViewScriptHost::echo(int view, std::string_view text) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    showStatusInfo(std::string(text).c_str());
    redraw(*target);
    return 0;
}

int ViewScriptHost::activate(int view) {
    return focusFrameView(view) == 0 ? 0 : 9;
}

int ViewScriptHost::netlog(int view, NetlogCommand command) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    return runNetlogCommand(*target, command);
}

int ViewScriptHost::markReset(int view) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    highlightListOf(*target).clear();
    redraw(*target);
    return 0;
}

int ViewScriptHost::markWord(int view, std::string_view colour, std::string_view word,
                             bool toggle) {
    View* target = frameViewAt(view);
    if (!target) return 9;
    highlightListOf(*target).toggle(word, colour, toggle, false, target->highlights.highlightCase);
    redraw(*target);
    return 0;
}

bool ViewScriptHost::waitStep(int ms) {
    const int64_t end = tickMs() + ms;
    do {
        if (platformRunning()) pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSliceMs));
        if (messageLoopEnding()) return false;
    } while (tickMs() < end);
    return true;
}

bool scriptBlocksExit() {
    if (!scriptRunning()) return false;
    showStatusInfo("#a user command is still running");
    return true;
}

void installScriptHooks() {
    setUserKeyHandler([](View& view, std::string_view keyName, int modifiers) {
        return runUserKey(view, keyName, modifiers);
    });
    controlButtonHooks().runControl = [](View& view, int control, int modifiers) {
        ViewScriptHost host(view, modifiers);
        return runControl(control, host);
    };
    bookmarkViewHooks().runControl = [](View& view, int control) {
        ViewScriptHost host(view);
        return runControl(control, host);
    };
}

}  // namespace tessel
