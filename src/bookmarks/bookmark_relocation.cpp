#include "bookmarks/bookmark_relocation.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "bookmarks/bookmark_internal.h"
#include "text/text_store.h"

namespace tessel {

namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// "\" in a stored name stands for "/" on this system.
bool sameNameChar(char a, char b) {
    return a == b || (isSeparator(a) && isSeparator(b));
}

std::string_view trimTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool sameTail(std::string_view a, std::string_view b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (!sameNameChar(a[i], b[i])) return false;
    }
    return true;
}

// A search for one text near a bookmark: by line (the candidate equals the bookmark's line
// text) or by title (the candidate contains its label).
class TextMatcher {
  public:
    TextMatcher(TextStore& store, const ViewPosition& pos, bool byLine)
        : store_(store), byLine_(byLine) {
        const char* text = byLine ? pos.lineText : pos.label;
        wanted_ = compactText(text);
        // A line text cut to its field is compared with the same cut of each candidate, so
        // that bookmarks on long lines can be found again by line. UTF-8 text is cut between
        // characters, up to three bytes before the field's end.
        const size_t slack = codePageTables().utf8 ? 3 : 0;
        if (byLine && std::strlen(text) + slack >= static_cast<size_t>(kPositionTextChars)) {
            rawLimit_ = kPositionTextChars;
        }
        const CodePageTables& tables = codePageTables();
        for (unsigned char c : wanted_) requiredBits_ |= tables.charBit(c);
        requiredBits_ &= ~uint32_t{0xFF};  // the low byte holds the file kind
    }

    const std::string& wanted() const { return wanted_; }
    const char* how() const { return byLine_ ? "by line" : "by title"; }

    bool matches(int line) {
        uint32_t mask = 0;
        const char* text = store_.lineTextAndMask(line, &mask);
        if ((mask & requiredBits_) != requiredBits_) return false;
        std::string_view raw(text);
        // Cut as the stored line text was cut, between characters.
        if (raw.size() > rawLimit_) {
            raw = raw.substr(0, cutAtCharacter(raw, rawLimit_, codePageTables().utf8));
        }
        compactInto(raw, candidate_);
        if (byLine_) return candidate_ == wanted_;
        return candidate_.find(wanted_) != std::string::npos;
    }

    static void compactInto(std::string_view text, std::string& out) {
        out.clear();
        size_t i = 0;
        while (i < text.size() && isWhiteSpace(text[i])) ++i;
        for (; i < text.size() && out.size() < static_cast<size_t>(kCompareChars); ++i) {
            if (!isWhiteSpace(text[i])) out.push_back(text[i]);
        }
    }

  private:
    TextStore& store_;
    bool byLine_;
    std::string wanted_;
    std::string candidate_;
    size_t rawLimit_ = std::string_view::npos;
    uint32_t requiredBits_ = 0;
};

void placeTop(const BookmarkList& list, ViewPosition& pos) {
    pos.topLine = std::max(0, pos.currentLine - list.placementRows);
}

int blockIndexOf(TextStore& store, int line) {
    int index = -1;
    if (line >= 0 && line < store.lineCount()) store.blockForLine(line, nullptr, &index);
    return index;
}

TextBlock* blockOf(TextStore& store, int index) {
    if (index < 0 || index >= store.blockCount) return nullptr;
    return store.blocks[index];
}

// Looks for the text nearest to the current line, within one block or the whole text.
bool localSearch(BookmarkList& list, Bookmark& entry, bool byLine, int fileIndex, bool report) {
    TextStore& store = list.store();
    ViewPosition& pos = entry.pos;
    TextMatcher matcher(store, pos, byLine);
    if (matcher.matches(pos.currentLine)) {
        placeTop(list, pos);
        return true;
    }
    int line = pos.currentLine;
    int rangeStart = 0;
    int rangeEnd = store.lineCount();
    if (const TextBlock* file = blockOf(store, fileIndex)) {
        rangeStart = file->firstLine;
        rangeEnd = file->endLine;
        if (line < rangeStart || line >= rangeEnd) {
            logMessage("spotline beyond file, readjusting:");
            logMessage("\"%.50s\"", matcher.wanted().c_str());
            line = rangeStart;
            if (matcher.matches(line)) {
                pos.currentLine = line;
                placeTop(list, pos);
                return true;
            }
        }
    }
    int up = -1;
    for (int candidate = line - 1; candidate >= rangeStart; --candidate) {
        if (matcher.matches(candidate)) {
            up = candidate;
            break;
        }
    }
    int down = -1;
    for (int candidate = line + 1; candidate < rangeEnd; ++candidate) {
        if (matcher.matches(candidate)) {
            down = candidate;
            break;
        }
    }
    if (up < 0 && down < 0) {
        if (report && fileIndex >= 0) logError(0, "unexpected: missing ptext (2)");
        return false;
    }
    const int previousFile = entry.blockIndex;
    const bool upInFile = up >= 0 && blockIndexOf(store, up) == previousFile;
    const bool downInFile = down >= 0 && blockIndexOf(store, down) == previousFile;
    bool takeUp;
    if (up < 0 || down < 0) {
        takeUp = up >= 0;
    } else if (upInFile != downInFile) {
        takeUp = upInFile;
    } else {
        // Equal distance goes down: text is more often inserted above a place than removed.
        takeUp = line - up < down - line;
    }
    const int found = takeUp ? up : down;
    const int foundFile = blockIndexOf(store, found);
    if (foundFile != previousFile) {
        logMessage(takeUp ? "[note] bookmark moved across files:"
                          : "[note] :bookmark moved across files:");
        logMessage("[note] %.200s", matcher.wanted().c_str());
    } else if (verboseMode()) {
        logMessage(takeUp ? "[blue] :bookmark readjusted (up,%s):"
                          : "[blue] :bookmark readjusted (down,%s):",
                   matcher.how());
        logMessage("[blue] %.200s", matcher.wanted().c_str());
    }
    pos.currentLine = found;
    entry.blockIndex = foundFile;
    placeTop(list, pos);
    return true;
}

// Looks for the text in every block in load order, keeping the match nearest to the current
// line; blocks farther away than the best match end the walk.
bool globalSearch(BookmarkList& list, Bookmark& entry, bool byLine, bool report) {
    TextStore& store = list.store();
    ViewPosition& pos = entry.pos;
    TextMatcher matcher(store, pos, byLine);
    const int64_t line = pos.currentLine;
    int64_t bestDistance = -1;
    int best = -1;
    for (int b = 0; b < store.blockCount; ++b) {
        const TextBlock* block = store.blocks[b];
        if (!block) continue;
        if (best >= 0 && bestDistance < std::llabs(line - block->firstLine)) break;
        bool farther = false;
        for (int candidate = block->firstLine; candidate < block->endLine; ++candidate) {
            if (!matcher.matches(candidate)) continue;
            const int64_t distance = std::llabs(line - candidate);
            if (best < 0 || distance < bestDistance) {
                best = candidate;
                bestDistance = distance;
            } else if (distance > bestDistance) {
                farther = true;
                break;
            }
        }
        if (farther) break;
    }
    if (best < 0) {
        if (report) {
            logMessage("[note] bookmark text not found anywhere:");
            logMessage("[error] %.200s", matcher.wanted().c_str());
            pos.currentLine = 0;
            pos.topLine = 0;
        }
        return false;
    }
    logMessage("[note] bookmark relocated by global search:");
    logMessage("[blue] %.200s", matcher.wanted().c_str());
    pos.currentLine = best;
    pos.topLine = best < list.placementRows ? best : best - list.placementRows;
    entry.blockIndex = blockIndexOf(store, best);
    return true;
}

// The far search question, asked once a run; the answer decides the mode from then on.
bool allowFarSearch(BookmarkList& list, const char* label) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "The following bookmark was not found\nwithin its original file:\n\n"
                  "\"%.100s\"\n\nSearch it accross all loaded files?",
                  label);
    const bool yes = list.ui().ask("Tessel: Allow global bookmark search?", text, true);
    list.farSearchAnswer = yes ? 2 : 0;
    logMessage(yes ? "farbooksearch allowed" : "farbooksearch off");
    return yes;
}

bool askBeforeFarSearch(BookmarkList& list, int mode) {
    return mode == 1 && list.store().lineCount() > kFarSearchAskLines;
}

// The text check after a bookmark was put on its line at load or import.
bool checkLoadedText(BookmarkList& list, Bookmark& entry, int fileIndex) {
    ViewPosition& pos = entry.pos;
    if (pos.remark || pos.loadFailed) return true;
    const bool haveFile = fileIndex >= 0;
    if (haveFile && pos.lineText[0] && localSearch(list, entry, true, fileIndex, false)) {
        return true;
    }
    const int mode = farSearchMode(list);
    if (mode != 0) {
        if (haveFile && localSearch(list, entry, false, fileIndex, false)) return true;
        if (askBeforeFarSearch(list, mode) && !allowFarSearch(list, pos.label)) {
            return localSearch(list, entry, false, fileIndex, true);
        }
        return globalSearch(list, entry, false, true);
    }
    if (!haveFile) {
        logMessage("[error] bookmark lost, local search failed");
        return false;
    }
    return localSearch(list, entry, false, fileIndex, true);
}

}  // namespace

std::string compactText(std::string_view text) {
    std::string out;
    TextMatcher::compactInto(text, out);
    return out;
}

namespace {

std::string_view lastNamePart(std::string_view name) {
    const size_t cut = name.find_last_of("/\\:");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

std::string_view blockName(const TextStore& store, int index) {
    const TextBlock* block = store.blocks[index];
    return block && block->fileName ? trimTrailingBlanks(block->fileName) : std::string_view();
}

// A relative name matches an absolute one: the shorter is the end of the longer, just after
// a separator or a drive colon.
bool sameFileByTail(std::string_view name, std::string_view wanted) {
    if (name.empty()) return false;
    if (name.size() == wanted.size()) return sameTail(name, wanted);
    const std::string_view longer = name.size() > wanted.size() ? name : wanted;
    const std::string_view shorter = name.size() > wanted.size() ? wanted : name;
    const size_t start = longer.size() - shorter.size();
    const char before = longer[start - 1];
    return (isSeparator(before) || before == ':') && sameTail(shorter, longer.substr(start));
}

// The first exact name in load order, else the first that matches by its tail.
template <typename Indices>
int findAmong(const TextStore& store, std::string_view wanted, const Indices& indices) {
    for (int b : indices) {
        if (blockName(store, b) == wanted) return b;
    }
    for (int b : indices) {
        const std::string_view name = blockName(store, b);
        if (!sameFileByTail(name, wanted)) continue;
        if (verboseMode()) {
            if (name.size() > 40) {
                logMessage("found \"...%s\"", name.data() + name.size() - 40);
            } else {
                logMessage("found \"%.*s\"", static_cast<int>(name.size()), name.data());
            }
        }
        return b;
    }
    return -1;
}

struct AllBlocks {
    int count;
    struct Iterator {
        int at;
        int operator*() const { return at; }
        Iterator& operator++() {
            ++at;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at != other.at; }
    };
    Iterator begin() const { return {0}; }
    Iterator end() const { return {count}; }
};

}  // namespace

int findFileBlock(TextStore& store, std::string_view storedName) {
    const std::string_view wanted = trimTrailingBlanks(storedName);
    if (wanted.empty()) return -1;
    return findAmong(store, wanted, AllBlocks{store.blockCount});
}

FileNameIndex::FileNameIndex(TextStore& store) : store_(store) {
    for (int b = 0; b < store.blockCount; ++b) {
        const std::string_view name = blockName(store, b);
        if (!name.empty()) byLastPart_[lastNamePart(name)].push_back(b);
    }
}

int FileNameIndex::find(std::string_view storedName) const {
    const std::string_view wanted = trimTrailingBlanks(storedName);
    if (wanted.empty()) return -1;
    const auto candidates = byLastPart_.find(lastNamePart(wanted));
    if (candidates == byLastPart_.end()) return -1;
    return findAmong(store_, wanted, candidates->second);
}

PlaceOutcome placeBookmark(BookmarkList& list, Bookmark& entry, const FileNameIndex* names) {
    TextStore& store = list.store();
    ViewPosition& pos = entry.pos;
    PlaceOutcome outcome;
    const int total = store.lineCount();
    int fileIndex = -1;
    int line = pos.relativeLine;
    if (!entry.fileName.empty() && total > 0 && store.blockCount > 0) {
        fileIndex = names ? names->find(entry.fileName) : findFileBlock(store, entry.fileName);
        if (fileIndex < 0) {
            pos.currentLine = store.blockAt(0)->firstLine;
            placeTop(list, pos);
            entry.blockIndex = -1;
            logMessage("[note] bookmark lost, file not present:");
            logMessage("[error] %.200s", pos.label);
            logMessage("[note] %.200s", entry.fileName.c_str());
            outcome.result = PlaceResult::kFileMissing;
            outcome.failure = "bookmark adjustment failed: subfile not found:\n" + entry.fileName;
            return outcome;
        }
        const TextBlock* file = store.blocks[fileIndex];
        int relative = std::max(0, pos.relativeLine);
        if (relative >= file->lineCount) {
            relative = file->lineCount < 2 ? 0 : file->lineCount - 2;
            if (verboseMode()) logMessage("bookmark outside text, readjusting");
        }
        line = file->headerLine() + relative;
    }
    if (line < 0 || line >= total) {
        logMessage("[note] bookmark lost, no such line:");
        logMessage("[note] %.200s", pos.label);
        logMessage("[note] %.200s", entry.fileName.c_str());
        outcome.result = PlaceResult::kTextNotFound;
        outcome.failure = "bookmark adjustment failed: text not found";
        return outcome;
    }
    pos.currentLine = line;
    placeTop(list, pos);
    entry.blockIndex = fileIndex;
    if (!checkLoadedText(list, entry, fileIndex)) {
        outcome.result = PlaceResult::kTextNotFound;
        outcome.failure = "bookmark adjustment failed: text not found";
    }
    return outcome;
}

void trackBeforeReload(BookmarkList& list) {
    TextStore& store = list.store();
    const int used = list.count();
    for (int i = 0; i < used; ++i) {
        Bookmark& entry = list.at(i);
        ViewPosition& pos = entry.pos;
        if (pos.remark) continue;
        const int line = pos.currentLine;
        int index = entry.blockIndex;
        if (!blockOf(store, index)) index = blockIndexOf(store, line);
        const TextBlock* block = blockOf(store, index);
        entry.blockIndex = index;
        // A lost bookmark keeps the place it was stored with; the reload only moves it to the
        // first line of its block.
        if (!block || pos.loadFailed) continue;
        if (line < block->firstLine) {
            logMessage("bookmark %ld spotline %ld below textblock %ld", static_cast<long>(i),
                       static_cast<long>(line), static_cast<long>(block->firstLine));
            pos.relativeLine = 0;
        } else if (line >= block->endLine) {
            logMessage("bookmark %ld spotline %ld over textblock %ld", static_cast<long>(i),
                       static_cast<long>(line), static_cast<long>(block->endLine));
            pos.relativeLine = 0;
        } else {
            pos.relativeLine = line - block->firstLine;
            copyField(pos.lineText, store.lineText(line));
        }
    }
}

int trackAfterReload(BookmarkList& list) {
    TextStore& store = list.store();
    const int used = list.count();
    const int total = store.lineCount();
    int lost = 0;
    for (int i = 0; i < used; ++i) {
        Bookmark& entry = list.at(i);
        ViewPosition& pos = entry.pos;
        if (pos.remark) continue;
        const TextBlock* block = blockOf(store, entry.blockIndex);
        if (!block) {
            logMessage("missing ptext, index %ld", static_cast<long>(i));
            continue;
        }
        const int64_t target = int64_t{block->firstLine} + pos.relativeLine;
        pos.currentLine = static_cast<int>(std::clamp<int64_t>(target, 0, std::max(0, total - 1)));
        if (pos.loadFailed) {
            pos.currentLine = block->firstLine;
            placeTop(list, pos);
            continue;
        }
        placeTop(list, pos);
        const int fileIndex = entry.blockIndex;
        if (pos.lineText[0] && localSearch(list, entry, true, fileIndex, false)) continue;
        const int mode = farSearchMode(list);
        bool placed;
        if (mode != 0) {
            if (localSearch(list, entry, false, fileIndex, false)) continue;
            // Declining the far search keeps the bookmark where the reload put it.
            if (askBeforeFarSearch(list, mode) && !allowFarSearch(list, pos.label)) continue;
            // A bookmark not found anywhere stays where the reload put it, marked as lost.
            const int line = pos.currentLine;
            const int top = pos.topLine;
            placed = globalSearch(list, entry, pos.lineText[0] != '\0', true);
            if (!placed) {
                pos.currentLine = line;
                pos.topLine = top;
                pos.loadFailed = 1;
                // Saved from now on with this file and line, like a bookmark lost at load.
                if (const TextBlock* file = fileBlockOfLine(store, line)) {
                    entry.fileName = shownFileName(store, *file);
                    pos.relativeLine = std::max(0, line - file->headerLine());
                }
            }
        } else {
            placed = localSearch(list, entry, false, fileIndex, true);
        }
        if (!placed) ++lost;
    }
    return lost;
}

}  // namespace tessel
