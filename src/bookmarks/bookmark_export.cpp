#include "bookmarks/bookmark_export.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/log/message_log.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_internal.h"
#include "bookmarks/bookmark_relocation.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr char kImportErrorPrefix[] = "bookmark import error: ";
constexpr int kMaxImportLines = kBookmarkSlots;
constexpr size_t kShortestImportLine = 10;

// Failure classes of an import, least serious first.
enum ImportFailure {
    kNoFailure = 0,
    kLineTooShort,
    kFileMismatch,
    kWrongLineFormat,
    kContentMismatch,
    kInternalError,
};

const char* failureName(int failure) {
    switch (failure) {
        case kInternalError:
            return "internal error";
        case kContentMismatch:
            return "content mismatch";
        case kWrongLineFormat:
            return "wrong line format";
        case kFileMismatch:
            return "filename(s) mismatch";
        default:
            return "line(s) too short";
    }
}

std::string_view trimTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The line number a file's lines are counted from: the name line, which follows the record
// prefix line unless the name stands on it.
int nameLineOffset(const TextStore& store) {
    return store.prefixOnNameLine ? 0 : 1;
}

int formatError(const char* what, std::string_view line) {
    addErrorDetail("%swrong format, missing %s:\n\"%.200s\"", kImportErrorPrefix, what,
                   std::string(line).c_str());
    return kWrongLineFormat;
}

// One line of the list into `entry`; the failure class of the line (kNoFailure: placed).
int importLine(BookmarkList& list, std::string_view line, const ViewPosition& view,
               const FileNameIndex& names, Bookmark& entry) {
    if (line.size() < kShortestImportLine) {
        addErrorDetail("%sline too short:\n\"%.200s\"", kImportErrorPrefix,
                       std::string(line).c_str());
        return kLineTooShort;
    }
    // The last "[" starts the tail, so labels may contain "[" themselves.
    const size_t bracket = line.rfind('[');
    if (bracket == std::string_view::npos) return formatError("\"[ \"", line);
    entry = Bookmark{};
    ViewPosition& pos = entry.pos;
    copyField(pos.label, trimTrailingBlanks(line.substr(0, bracket)));
    pos.tabSize = view.tabSize;
    pos.lockMode = view.lockMode;
    pos.lockRows = view.lockRows;
    pos.valid = 1;
    std::string_view tail = line.substr(bracket);
    if (tail.starts_with("[ remark ]")) {
        pos.remark = 1;
        return kNoFailure;
    }
    if (!tail.starts_with("[ line ")) return formatError("\"[ line\"", line);
    tail.remove_prefix(7);
    const std::string digits(tail.substr(0, 24));
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(digits.c_str(), &end, 10);
    if (end == digits.c_str() || errno != 0) return formatError("\" in \"", line);
    tail.remove_prefix(static_cast<size_t>(end - digits.c_str()));
    if (!tail.starts_with(" in ")) return formatError("\" in \"", line);
    tail.remove_prefix(4);
    const size_t close = tail.rfind(" ]");
    if (close == std::string_view::npos) return formatError("\" ]\"", line);
    entry.fileName = std::string(tail.substr(0, close));
    TextStore& store = list.store();
    const long relative = number + nameLineOffset(store);
    pos.relativeLine = static_cast<int32_t>(std::clamp<long>(relative, INT32_MIN, INT32_MAX));
    const PlaceOutcome outcome = placeBookmark(list, entry, &names);
    if (outcome.result == PlaceResult::kPlaced) return kNoFailure;
    pos.loadFailed = 1;
    if (!outcome.failure.empty()) addErrorDetailQuiet("%s", outcome.failure.c_str());
    addErrorDetailQuiet("bookmark failed to load:\n\"%s\"\n%s", pos.label, entry.fileName.c_str());
    switch (outcome.result) {
        case PlaceResult::kFileMissing:
            return kFileMismatch;
        case PlaceResult::kTextNotFound:
            return kContentMismatch;
        default:
            return kInternalError;
    }
}

}  // namespace

BookmarkFileLine bookmarkFileLine(TextStore& store, const Bookmark& entry) {
    BookmarkFileLine place;
    const ViewPosition& pos = entry.pos;
    if (pos.loadFailed && !entry.fileName.empty()) {
        // Not placed in this text: keep the place the entry came with.
        place.fileName = entry.fileName;
        place.line = static_cast<long>(pos.relativeLine) - nameLineOffset(store);
        return place;
    }
    if (const TextBlock* block = fileBlockOfLine(store, pos.currentLine)) {
        place.fileName = shownFileName(store, *block);
        place.line =
            static_cast<long>(pos.currentLine) - block->headerLine() - nameLineOffset(store);
        return place;
    }
    place.fileName = bookmarkBase();
    place.line = pos.currentLine;
    return place;
}

std::string exportBookmarks(BookmarkList& list) {
    std::string text = std::string(kBookmarkTextHeader) + kBookmarkTextVersion + "\r\n";
    TextStore& store = list.store();
    const int used = list.count();
    for (int i = 0; i < used; ++i) {
        const Bookmark& entry = list.at(i);
        std::string line = entry.pos.label;
        if (entry.pos.remark) {
            line += " [ remark ]";
        } else {
            const BookmarkFileLine place = bookmarkFileLine(store, entry);
            line += " [ line " + std::to_string(place.line) + " in " + place.fileName;
            line += place.fileName.ends_with(' ') ? "]" : " ]";
        }
        line += "\r\n";
        if (text.size() + line.size() >= kExportTextLimit) break;
        text += line;
    }
    return text;
}

int importBookmarks(BookmarkList& list, std::string_view text, const ViewPosition& view,
                    bool fromSetup) {
    if (!text.starts_with(kBookmarkTextHeader)) {
        if (fromSetup) {
            list.ui().showBox("cannot import bookmarks",
                              "no suitable text found in clipboard:\n- text must be ASCII (no "
                              "rich text format)\n- it must start with \":tessel-bookmarks\"\n");
        }
        return kImportNotBookmarkText;
    }
    // The header is checked before the list is emptied, so that a damaged text loses nothing.
    const size_t headerEnd = text.find('\n');
    if (headerEnd == std::string_view::npos) {
        logMessage("%swrong format, missing line end", kImportErrorPrefix);
        return 9;
    }
    if (list.openSet < 1) openSet(list, 1, view);
    list.clearEntries();
    clearErrorDetails();

    const FileNameIndex names(list.store());
    int worst = kNoFailure;
    int slot = 0;
    size_t at = headerEnd + 1;
    for (int lines = 0; lines < kMaxImportLines; ++lines) {
        const size_t end = text.find('\n', at);
        if (end == std::string_view::npos) break;
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        Bookmark& entry = list.at(slot);
        const int failure = importLine(list, line, view, names, entry);
        worst = std::max(worst, failure);
        if (failure == kLineTooShort || failure == kWrongLineFormat) {
            entry = Bookmark{};
            continue;
        }
        if (verboseMode()) {
            logMessage("imported bookmark #%ld:", static_cast<long>(slot));
            logMessage("%s", entry.pos.label);
        }
        ++slot;
    }
    list.changed = true;
    list.selected = -1;
    if (worst == kNoFailure) {
        showStatusInfo("bookmarks imported.");
    } else {
        char status[200];
        std::snprintf(status, sizeof status,
                      "%s during import, some bookmarks lost. setup for details.",
                      failureName(worst));
        showStatusInfo(status);
    }
    return 0;
}

}  // namespace tessel
