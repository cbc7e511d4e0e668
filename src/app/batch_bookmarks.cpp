// What the batch driver prints of the bookmark list and how it reads clipboard texts and paths.
#include <cctype>
#include <cstdlib>
#include <string>

#include "app/batch_driver.h"
#include "bookmarks/bookmark_export.h"
#include "bookmarks/bookmark_list.h"

namespace tessel {
namespace {

const char* kindOf(const ViewPosition& pos) {
    if (isScriptEntry(pos)) return "script";
    return pos.remark ? "remark" : "mark";
}

std::string rowFlags(const BookmarkRowShape& row) {
    std::string flags;
    if (row.remark) flags += 'r';
    if (row.script) flags += 'x';
    if (row.selected) flags += 's';
    if (row.failed) flags += 'f';
    if (row.hasContext) flags += row.ignoreContext ? 'i' : 'c';
    return flags.empty() ? "-" : flags;
}

bool nameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

}  // namespace

std::string formatBookmarkPanel(const BookmarkPanelShape& panel) {
    const Rect& box = panel.box;
    std::string out = "bookmarks " + std::to_string(box.x) + "," + std::to_string(box.y) + "," +
                      std::to_string(box.width) + "," + std::to_string(box.height) +
                      " edge=" + std::to_string(panel.edge) +
                      " zones=" + (panel.zones ? "1" : "0") + "\n";
    for (const BookmarkRowShape& row : panel.rows) {
        out += "M|" + std::to_string(row.index) + "|" + std::to_string(row.box.y) + "|" +
               rowFlags(row) + "|" + row.text + "\n";
    }
    return out;
}

std::string formatBookmarkDump(const BookmarkList& list, TextStore& store) {
    const int count = list.count();
    std::string out = "=== bookmarks set=" + std::to_string(list.openSet) +
                      " selected=" + std::to_string(list.selected) +
                      " count=" + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        const Bookmark& entry = list.at(i);
        const ViewPosition& pos = entry.pos;
        std::string file;
        long line = 0;
        if (!pos.remark) {
            const BookmarkFileLine place = bookmarkFileLine(store, entry);
            file = place.fileName;
            line = place.line;
        }
        std::string flags;
        if (pos.ignoreContext) flags += 'c';
        if (pos.loadFailed) flags += 'f';
        if (flags.empty()) flags = "-";
        out += "B|" + std::to_string(i) + "|" + kindOf(pos) + "|" + pos.label + "|" + file + "|" +
               std::to_string(line) + "|" + flags + "\n";
    }
    out += "=== end\n";
    return out;
}

std::string unescapeBatchText(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        switch (text[i + 1]) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += c;
                continue;
        }
        ++i;
    }
    return out;
}

std::string expandVariables(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            out += text[i++];
            continue;
        }
        const bool braced = i + 1 < text.size() && text[i + 1] == '{';
        size_t start = i + (braced ? 2 : 1);
        size_t end = start;
        while (end < text.size() && nameChar(text[end])) ++end;
        const bool closed = !braced || (end < text.size() && text[end] == '}');
        if (end == start || !closed) {
            out += text[i++];
            continue;
        }
        const std::string name(text.substr(start, end - start));
        if (const char* value = std::getenv(name.c_str())) out += value;
        i = end + (braced ? 1 : 0);
    }
    return out;
}

}  // namespace tessel
