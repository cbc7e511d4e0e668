#include "app/batch_driver.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "config/setup_model.h"
#include "config/user_controls.h"
#include "platform/key_codes.h"
#include "view/view.h"

namespace tessel {
namespace {

struct NamedKey {
    const char* name;
    int key;
};

constexpr std::array<NamedKey, 19> kNamedKeys{{
    {"escape", kKeyEscape},
    {"tab", kKeyTab},
    {"enter", kKeyReturn},
    {"backspace", kKeyBackspace},
    {"delete", kKeyDelete},
    {"insert", kKeyInsert},
    {"home", kKeyHome},
    {"end", kKeyEnd},
    {"pgup", kKeyPageUp},
    {"pgdn", kKeyPageDown},
    {"up", kKeyUp},
    {"down", kKeyDown},
    {"left", kKeyLeft},
    {"right", kKeyRight},
    {"pause", kKeyPause},
    {"space", kKeySpace},
    // The modifier keys on their own, for gestures such as a double CONTROL press.
    {"ctrl", kKeyControl},
    {"shift", kKeyShift},
    {"alt", kKeyAlt},
}};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

std::string_view nextWord(std::string_view& rest) {
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    size_t end = 0;
    while (end < rest.size() && !isBlank(rest[end])) ++end;
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

// Digits only, bounded; a sign or trailing letters make it a wrong number.
bool parseNumber(std::string_view text, int maxValue, int& value) {
    if (text.empty()) return false;
    int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
        if (result > maxValue) return false;
    }
    value = static_cast<int>(result);
    return true;
}

int parseButton(std::string_view word) {
    if (word == "left") return kMouseLeft;
    if (word == "right") return kMouseRight;
    if (word == "middle") return kMouseMiddle;
    return 0;
}

int fail(std::string& error, int lineNumber, std::string_view what, std::string_view line) {
    error = "batch line " + std::to_string(lineNumber) + ": " + std::string(what) + ": " +
            std::string(line);
    return 9;
}

// "shift", "ctrl" or "alt" adds its key to the modifiers; false for any other word.
bool addModifierWord(std::string_view word, int& modifiers) {
    if (word == "shift") {
        modifiers |= kModShift;
    } else if (word == "ctrl") {
        modifiers |= kModControl;
    } else if (word == "alt") {
        modifiers |= kModAlt;
    } else {
        return false;
    }
    return true;
}

// "ROW COL" followed by the mouse words of click and dblclick.
bool parseClick(std::string_view& rest, BatchCommand& out) {
    if (!parseNumber(nextWord(rest), kScreenRows - 1, out.row)) return false;
    if (!parseNumber(nextWord(rest), kScreenColumns - 1, out.column)) return false;
    for (std::string_view word = nextWord(rest); !word.empty(); word = nextWord(rest)) {
        if (int button = parseButton(word)) {
            out.button = button;
        } else if (!addModifierWord(word, out.modifiers)) {
            return false;
        }
    }
    return true;
}

bool parseDrag(std::string_view& rest, BatchCommand& out) {
    if (!parseNumber(nextWord(rest), kScreenRows - 1, out.row)) return false;
    if (!parseNumber(nextWord(rest), kScreenColumns - 1, out.column)) return false;
    if (!parseNumber(nextWord(rest), kScreenRows - 1, out.row2)) return false;
    if (!parseNumber(nextWord(rest), kScreenColumns - 1, out.column2)) return false;
    std::string_view word = nextWord(rest);
    if (!word.empty()) {
        out.button = parseButton(word);
        if (out.button == 0) return false;
    }
    return nextWord(rest).empty();
}

bool parseAnswer(std::string_view word, int& answer) {
    if (word == "yes") {
        answer = kAnswerYes;
    } else if (word == "no") {
        answer = kAnswerNo;
    } else if (word == "ok") {
        answer = kAnswerOk;
    } else if (word == "cancel") {
        answer = kAnswerCancel;
    } else {
        return false;
    }
    return true;
}

// Cuts a row after its last column that is neither blank nor the end of the stored text.
size_t usedLength(const char* row, size_t capacity) {
    size_t length = strnlen(row, capacity);
    while (length > 0 && row[length - 1] == ' ') --length;
    return length;
}

// The row's stored bytes, then blanks up to `width` cells; `cells` is what the bytes take.
void appendRow(std::string& out, const char* prefix, const char* row, size_t stored, size_t cells,
               size_t width, bool attributes) {
    out += prefix;
    for (size_t i = 0; i < stored; ++i) {
        char c = row[i];
        auto byte = static_cast<unsigned char>(c);
        // Control codes would break the line structure; shifted up they keep one byte a column.
        if (attributes && byte < 32) c = static_cast<char>(byte + 128);
        out += c;
    }
    if (width > cells) out.append(width - cells, ' ');
    out += '\n';
}

// "setup open [PAGE]", "setup set ID VALUE", "setup click ID [shift] [ctrl]", "setup close",
// "setup dump".
int parseSetup(std::string_view rest, int lineNumber, std::string_view text, BatchCommand& out,
               std::string& error) {
    const std::string_view action = nextWord(rest);
    if (action == "open") {
        out.value = kSetupOpen;
        const std::string_view page = trimmed(rest);
        out.page = page.empty() ? 0 : setupPageOf(page);
        if (!page.empty() && out.page == 0) return fail(error, lineNumber, "no such page", text);
        return 0;
    }
    if (action == "close" || action == "dump") {
        out.value = action == "close" ? kSetupClose : kSetupDump;
    } else if (action == "set" || action == "click") {
        out.value = action == "set" ? kSetupSet : kSetupClick;
        if (!parseNumber(nextWord(rest), kMaxBatchExtent, out.setting)) {
            return fail(error, lineNumber, "wrong setting id", text);
        }
        if (out.value == kSetupSet) {
            // The value is the rest after one blank; it may hold blanks or be empty.
            if (!rest.empty()) rest.remove_prefix(1);
            out.text.assign(rest);
            return 0;
        }
        for (std::string_view word = nextWord(rest); !word.empty(); word = nextWord(rest)) {
            if (word == "shift") {
                out.modifiers |= kModShift;
            } else if (word == "ctrl") {
                out.modifiers |= kModControl;
            } else {
                return fail(error, lineNumber, "unexpected words", text);
            }
        }
        return 0;
    } else {
        return fail(error, lineNumber, "wrong setup action", text);
    }
    if (!nextWord(rest).empty()) return fail(error, lineNumber, "unexpected words", text);
    return 0;
}

}  // namespace

int parseKeyChord(std::string_view chord, int& key, int& modifiers) {
    modifiers = 0;
    for (;;) {
        if (chord.starts_with("ctrl+")) {
            modifiers |= kModControl;
            chord.remove_prefix(5);
        } else if (chord.starts_with("shift+")) {
            modifiers |= kModShift;
            chord.remove_prefix(6);
        } else if (chord.starts_with("alt+")) {
            modifiers |= kModAlt;
            chord.remove_prefix(4);
        } else {
            break;
        }
    }
    if (chord.size() == 1) {
        const char c = chord[0];
        if (c >= 'a' && c <= 'z') {
            key = kKeyA + (c - 'a');
            return 0;
        }
        if (c >= '0' && c <= '9') {
            key = kKey0 + (c - '0');
            return 0;
        }
    }
    if (chord.size() >= 2 && chord[0] == 'f') {
        int number = 0;
        if (parseNumber(chord.substr(1), 24, number) && number >= 1) {
            key = kKeyF1 + number - 1;
            return 0;
        }
    }
    for (const NamedKey& named : kNamedKeys) {
        if (chord == named.name) {
            key = named.key;
            return 0;
        }
    }
    return 9;
}

int parseBatchLine(std::string_view line, int lineNumber, BatchCommand& out, std::string& error) {
    std::string_view text = trimmed(line);
    if (text.empty() || text.front() == '#') return 1;
    out = BatchCommand{};
    out.lineNumber = lineNumber;
    std::string_view rest = text;
    const std::string_view verb = nextWord(rest);
    std::string_view word;

    if (verb == "key") {
        out.verb = BatchVerb::kKey;
        if (parseKeyChord(nextWord(rest), out.key, out.modifiers) != 0) {
            return fail(error, lineNumber, "unknown key", text);
        }
        word = nextWord(rest);
        if (!word.empty() && (!parseNumber(word, kMaxKeyRepeat, out.count) || out.count < 1)) {
            return fail(error, lineNumber, "wrong repeat count", text);
        }
    } else if (verb == "type") {
        out.verb = BatchVerb::kType;
        // The text starts after the one blank that ends the command word, so that leading
        // blanks can be typed too.
        out.text.assign(text.size() > 5 ? text.substr(5) : std::string_view());
        if (out.text.empty()) return fail(error, lineNumber, "nothing to type", text);
    } else if (verb == "click" || verb == "dblclick") {
        out.verb = verb == "click" ? BatchVerb::kClick : BatchVerb::kDoubleClick;
        if (!parseClick(rest, out)) return fail(error, lineNumber, "wrong mouse command", text);
    } else if (verb == "move") {
        out.verb = BatchVerb::kMove;
        if (!parseNumber(nextWord(rest), kScreenRows - 1, out.row) ||
            !parseNumber(nextWord(rest), kScreenColumns - 1, out.column)) {
            return fail(error, lineNumber, "wrong mouse command", text);
        }
    } else if (verb == "drag") {
        out.verb = BatchVerb::kDrag;
        if (!parseDrag(rest, out)) return fail(error, lineNumber, "wrong drag command", text);
    } else if (verb == "wait") {
        out.verb = BatchVerb::kWait;
        out.value = kDefaultWaitMs;
        word = nextWord(rest);
        if (!word.empty() && !parseNumber(word, kMaxBatchMs, out.value)) {
            return fail(error, lineNumber, "wrong time", text);
        }
    } else if (verb == "sleep") {
        out.verb = BatchVerb::kSleep;
        if (!parseNumber(nextWord(rest), kMaxBatchMs, out.value)) {
            return fail(error, lineNumber, "wrong time", text);
        }
    } else if (verb == "focus") {
        out.verb = BatchVerb::kFocus;
        if (!parseNumber(nextWord(rest), kMaxBatchExtent, out.value) || out.value < 1) {
            return fail(error, lineNumber, "wrong view number", text);
        }
    } else if (verb == "resize") {
        out.verb = BatchVerb::kResize;
        if (!parseNumber(nextWord(rest), kMaxBatchExtent, out.width) ||
            !parseNumber(nextWord(rest), kMaxBatchExtent, out.height) || out.width < 1 ||
            out.height < 1) {
            return fail(error, lineNumber, "wrong size", text);
        }
    } else if (verb == "answer") {
        out.verb = BatchVerb::kAnswer;
        word = nextWord(rest);
        if (word == "menu") {
            out.verb = BatchVerb::kAnswerMenu;
            if (!parseNumber(nextWord(rest), kMaxBatchExtent, out.value)) {
                return fail(error, lineNumber, "wrong menu entry", text);
            }
        } else if (word == "path" || word == "text" || word == "form") {
            // Text dialogs and forms take their answers from the same queue as file dialogs;
            // a form's answer is taken as written (its scripts hold "$" words of their own).
            out.verb = BatchVerb::kAnswerPath;
            out.value = word == "form" ? 1 : 0;
            out.text.assign(trimmed(rest));
            if (out.text.empty()) return fail(error, lineNumber, "missing path", text);
            return 0;
        } else if (!parseAnswer(word, out.value)) {
            return fail(error, lineNumber, "wrong answer", text);
        }
    } else if (verb == "drop") {
        out.verb = BatchVerb::kDrop;
        std::string_view path = trimmed(rest);
        // A trailing modifier word asks for an appending drop.
        for (;;) {
            const size_t blank = path.find_last_of(" \t");
            if (blank == std::string_view::npos) break;
            const std::string_view last = path.substr(blank + 1);
            if (last == "shift") {
                out.modifiers |= kModShift;
            } else if (last == "ctrl") {
                out.modifiers |= kModControl;
            } else {
                break;
            }
            path = trimmed(path.substr(0, blank));
        }
        if (path.empty()) return fail(error, lineNumber, "missing path", text);
        out.text.assign(path);
        return 0;
    } else if (verb == "finddialog") {
        out.verb = BatchVerb::kFindDialog;
        word = nextWord(rest);
        static constexpr struct {
            const char* name;
            FindDialogVerb verb;
        } kVerbs[] = {{"open", kFindOpen}, {"find", kFindText},     {"path", kFindPath},
                      {"next", kFindNext}, {"prev", kFindPrevious}, {"results", kFindResultsOnly},
                      {"case", kFindCase}, {"close", kFindClose},   {"replace", kFindReplace}};
        out.value = -1;
        for (const auto& each : kVerbs) {
            if (word == each.name) out.value = each.verb;
        }
        if (out.value < 0) return fail(error, lineNumber, "wrong find dialog action", text);
        if (out.value == kFindText || out.value == kFindPath) out.text.assign(trimmed(rest));
        return 0;
    } else if (verb == "setup") {
        out.verb = BatchVerb::kSetup;
        return parseSetup(rest, lineNumber, text, out, error);
    } else if (verb == "wheel") {
        out.verb = BatchVerb::kWheel;
        word = nextWord(rest);
        const bool negative = !word.empty() && word.front() == '-';
        if (negative) word.remove_prefix(1);
        if (!parseNumber(word, 100, out.value) || out.value == 0) {
            return fail(error, lineNumber, "wrong wheel turn", text);
        }
        if (negative) out.value = -out.value;
    } else if (verb == "stopwatch") {
        out.verb = BatchVerb::kStopwatch;
        out.text.assign(trimmed(rest));
        return 0;
    } else if (verb == "activate") {
        out.verb = BatchVerb::kActivate;
        for (word = nextWord(rest); !word.empty(); word = nextWord(rest)) {
            if (!addModifierWord(word, out.modifiers))
                return fail(error, lineNumber, "wrong modifier", text);
        }
    } else if (verb == "clipboard") {
        out.verb = BatchVerb::kClipboard;
        std::string reason;
        if (parseClipboardWords(rest, out, reason) != 0)
            return fail(error, lineNumber, reason, text);
        return 0;
    } else if (verb == "run") {
        out.verb = BatchVerb::kRun;
        out.text.assign(trimmed(rest));
        if (out.text.empty()) return fail(error, lineNumber, "missing command", text);
        return 0;
    } else if (verb == "bookmarks") {
        out.verb = BatchVerb::kBookmarks;
    } else if (verb == "shot") {
        out.verb = BatchVerb::kShot;
        std::string_view file = trimmed(rest);
        // A width after the name scales the picture down to it.
        const size_t blank = file.find_last_of(" \t");
        if (blank != std::string_view::npos &&
            parseNumber(file.substr(blank + 1), kMaxBatchExtent, out.width)) {
            file = trimmed(file.substr(0, blank));
        }
        out.text.assign(file);
        if (out.text.empty()) return fail(error, lineNumber, "missing file name", text);
        return 0;
    } else if (verb == "dump") {
        out.verb = BatchVerb::kDump;
        word = nextWord(rest);
        if (word == "overlay") {
            out.value = 1;
        } else if (!word.empty()) {
            return fail(error, lineNumber, "unexpected words", text);
        }
    } else if (verb == "quit" || verb == "dumplog") {
        out.verb = verb == "quit" ? BatchVerb::kQuit : BatchVerb::kDumpLog;
    } else {
        return fail(error, lineNumber, "unknown command", text);
    }
    if (out.verb != BatchVerb::kType && !nextWord(rest).empty()) {
        return fail(error, lineNumber, "unexpected words", text);
    }
    return 0;
}

int parseBatchScript(std::string_view text, std::vector<BatchCommand>& out, std::string& error) {
    out.clear();
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        BatchCommand command;
        int rc = parseBatchLine(line, lineNumber, command, error);
        if (rc == 9) return 9;
        if (rc == 0) out.push_back(std::move(command));
    }
    return 0;
}

namespace {

std::string rectText(const Rect& rect) {
    return std::to_string(rect.x) + "," + std::to_string(rect.y) + "," +
           std::to_string(rect.width) + "," + std::to_string(rect.height);
}

const char* sidebarName(SidebarButton button) {
    switch (button) {
        case SidebarButton::kLoad:
            return "load";
        case SidebarButton::kFind:
            return "find";
        case SidebarButton::kFilter:
            return "filter";
        case SidebarButton::kCase:
            return "case";
        case SidebarButton::kSetup:
            return "setup";
        case SidebarButton::kNone:
            break;
    }
    return "none";
}

}  // namespace

std::string formatOverlayDump(const ScreenOverlay& overlay) {
    std::string out = "=== overlay\n";
    const ScrollBarShape& bar = overlay.scrollBar;
    if (bar.shown) {
        out += "scrollbar track=" + rectText(bar.track) + " thumb=" + rectText(bar.thumb) +
               (bar.active ? " active\n" : "\n");
    } else {
        out += "scrollbar none\n";
    }
    out += "sidebar";
    if (overlay.sidebar.empty()) out += " none";
    for (const SidebarSlot& slot : overlay.sidebar) {
        out += std::string(" ") + sidebarName(slot.button) + "=" +
               rectText({slot.x, slot.y, slot.size, slot.size});
    }
    out += "\n";
    const BubbleShape& bubble = overlay.bubble;
    out += bubble.shown ? "bubble " + rectText(bubble.box) + "\n" : "bubble none\n";
    for (const std::string& line : bubble.lines) out += "B|" + line + "\n";
    // A line per user button; without buttons the dump stays as it was.
    for (const ControlButtonShape& button : overlay.controlButtons) {
        out += std::string(button.type == kControlScope ? "scope" : "action") +
               " control=" + std::to_string(button.control) + " \"" + button.caption + "\" " +
               rectText(button.box) + "\n";
    }
    for (const HelpPictureShape& picture : overlay.helpPictures) {
        out += "picture " + std::string(picture.name) + " " +
               rectText({picture.x, picture.y, picture.width, picture.height}) + " rows " +
               std::to_string(picture.clipTop) + "-" + std::to_string(picture.clipBottom) + "\n";
    }
    if (overlay.bookmarks.shown) out += formatBookmarkPanel(overlay.bookmarks);
    return out;
}

std::string formatScreenDump(const ScreenBuffer& screen, const DumpHeader& header,
                             const ScreenOverlay* overlay) {
    std::string out =
        "=== view " + std::to_string(header.view) + " top=" + std::to_string(header.topLine) +
        " current=" + std::to_string(header.currentLine) +
        " filter=" + std::to_string(header.filterMode) + " hits=" + std::to_string(header.hits) +
        " rows=" + std::to_string(header.rows) + " cols=" + std::to_string(header.columns) +
        " xoff=" + std::to_string(header.scrollColumn) +
        " context=" + std::to_string(header.contextLine);
    if (header.editing) {
        out += " edit=1 cursor=" + std::to_string(header.cursorLine) + ":" +
               std::to_string(header.cursorColumn) + " modified=" + (header.modified ? "1" : "0");
    }
    out += "\n";
    const int rows = std::clamp(header.rows, 0, kScreenRows);
    for (int row = 0; row < rows; ++row) {
        const char* text = screen.rowText(row);
        const char* attr = screen.rowAttr(row);
        const size_t textLength = usedLength(text, kScreenTextBytes);
        const size_t attrLength = usedLength(attr, kScreenRowBytes);
        // UTF-8 rows print as they show: the text row lines up with its attributes cell by
        // cell where wide characters take two columns.
        const auto textCells =
            static_cast<size_t>(cellCount({text, textLength}, codePageTables().utf8));
        const size_t width = std::max(textCells, attrLength);
        appendRow(out, "T|", text, textLength, textCells, width, false);
        appendRow(out, "A|", attr, attrLength, attrLength, width, true);
    }
    if (overlay) out += formatOverlayDump(*overlay);
    out += "=== end\n";
    return out;
}

}  // namespace tessel
