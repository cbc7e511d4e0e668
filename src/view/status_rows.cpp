#include "view/status_rows.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "text/snapfile_load.h"
#include "text/text_store.h"
#include "view/live_settings.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_editing.h"

namespace tessel {

static_assert(kStatusRowChars == kScreenColumns, "a status row is one screen row");

namespace {

// Speed figures (the length of the searched text, the speed in mach) are extras for a view of
// about full width on a common screen; in a narrower tile they would crowd out the counts
// that matter. Both measures count: many pixels with a large font still leave few columns.
constexpr int kSpeedInfoMinColumns = 70;
constexpr int kSpeedInfoMinPixels = 600;
// The file count, tab size and product title at the right end only help orientation. A side
// by side tile of half a small screen still has room for them; below that the masks need it.
constexpr int kSideInfoMinColumns = 40;
constexpr int kSideInfoMinPixels = 320;

// The typing hint stays this long after it was armed.
constexpr int64_t kHintMs = 15000;
constexpr const char* kHint = "Press INSERT to type another word";
constexpr const char* kProductTitle = "Tessel";

// Appends parts with their attribute, cut at the row width.
class RowWriter {
  public:
    RowWriter(StatusRowText& out, int columns)
        : out_(out), capacity_(std::clamp(columns, 1, kStatusRowChars)) {
        out_.length = 0;
        out_.textBytes = 0;
        out_.maskStart = out_.maskEnd = 0;
        terminate();
    }

    int length() const { return out_.length; }
    int capacity() const { return capacity_; }

    // Whole characters only: a part cut by the row's end loses the character that would not
    // fit.
    void add(std::string_view part, char mark) {
        const int room = capacity_ - out_.length;
        const size_t count = cutAtCells(part, room, utf8_);
        const int cells = cellCount(part.substr(0, count), utf8_);
        std::memcpy(out_.text + out_.textBytes, part.data(), count);
        std::memset(out_.attr + out_.length, mark, static_cast<size_t>(cells));
        out_.textBytes += static_cast<int>(count);
        out_.length += cells;
        terminate();
    }

    void addf(char mark, const char* format, ...) __attribute__((format(printf, 3, 4))) {
        char buffer[kStatusRowChars + 1];
        va_list args;
        va_start(args, format);
        const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        if (written > 0)
            add({buffer, std::min<size_t>(static_cast<size_t>(written), kStatusRowChars)}, mark);
    }

    void setMaskColumns(int start, int end) {
        out_.maskStart = start;
        out_.maskEnd = end;
    }

    // Marks one existing column (the input cursor); a column past the text is left alone.
    void mark(int column, char mark) {
        if (column >= 0 && column < out_.length) out_.attr[column] = mark;
    }

    // Right-aligns a dimmed text when at least two blanks still separate it from the left part.
    void addRight(std::string_view right) {
        const int width = cellCount(right, utf8_);
        if (out_.length + width + 2 > capacity_) return;
        const int gap = capacity_ - out_.length - width;
        std::memset(out_.text + out_.textBytes, ' ', static_cast<size_t>(gap));
        std::memset(out_.attr + out_.length, kAttrPlain, static_cast<size_t>(gap));
        out_.length += gap;
        out_.textBytes += gap;
        add(right, kAttrDimmed);
    }

    bool utf8() const { return utf8_; }

  private:
    void terminate() {
        out_.text[out_.textBytes] = '\0';
        out_.attr[out_.length] = '\0';
    }

    StatusRowText& out_;
    int capacity_;
    bool utf8_ = codePageTables().utf8;
};

bool speedInfoFits(const StatusRowInput& in) {
    return in.columns >= kSpeedInfoMinColumns && in.widthPixels >= kSpeedInfoMinPixels;
}

bool sideInfoFits(const StatusRowInput& in) {
    return in.columns >= kSideInfoMinColumns && in.widthPixels >= kSideInfoMinPixels;
}

bool hintShown(const StatusRowInput& in) {
    return in.assist && in.hintTimeMs > 0 && in.nowMs >= in.hintTimeMs &&
           in.nowMs - in.hintTimeMs < kHintMs;
}

long long asLong(int64_t value) {
    return static_cast<long long>(value);
}

// "path: >mask<" or "find: >mask<": the mask is cut to what the row can show, and the input
// cursor is marked while that mask takes the typing.
void maskPart(RowWriter& w, const char* label, std::string_view mask, char maskMark,
              bool labelDimmed, bool typing, int cursor) {
    w.add(label, labelDimmed ? kAttrDimmed : kAttrPlain);
    w.add(" >", kAttrPlain);
    mask = mask.substr(0, cutAtCells(mask, std::max(w.capacity() - 8, 0), w.utf8()));
    const int start = w.length();
    w.add(mask, maskMark);
    w.setMaskColumns(start, w.length());
    w.add("<", kAttrPlain);
    if (typing) {
        const auto at = static_cast<size_t>(std::clamp(cursor, 0, static_cast<int>(mask.size())));
        w.mark(start + cellOfByte(mask, at, w.utf8()), kAttrCursor);
    }
}

// The line count of the searched files; in a wide view also how long that text would be on
// paper, which makes the size of a search tangible.
void lineCountPart(RowWriter& w, const StatusRowInput& in, int64_t lines) {
    if (!speedInfoFits(in)) {
        w.addf(kAttrDimmed, " %lld lines", asLong(lines));
        return;
    }
    const SpeedFigures length = speedFigures(static_cast<uint64_t>(std::max<int64_t>(lines, 0)), 0);
    if (length.km < 0.1) {
        w.addf(kAttrDimmed, " %lld lines, %.0f m", asLong(lines), length.km * 1000.0);
    } else if (in.showMiles) {
        w.addf(kAttrDimmed, " %lld lines, %.1f miles", asLong(lines), length.miles);
    } else {
        w.addf(kAttrDimmed, " %lld lines, %.1f km", asLong(lines), length.km);
    }
}

void pathRightSide(RowWriter& w, const StatusRowInput& in) {
    if (!sideInfoFits(in)) return;
    char right[96];
    const EditorStatus& editor = in.editor;
    if (editor.active && editor.showCursor) {
        if (editor.cursorCount >= 0) {
            std::snprintf(right, sizeof right, "%03ld:%03ld %ld", editor.cursorRow,
                          editor.cursorColumn, editor.cursorCount);
        } else {
            std::snprintf(right, sizeof right, "%03ld:%03ld", editor.cursorRow,
                          editor.cursorColumn);
        }
    } else if (editor.active) {
        std::snprintf(right, sizeof right, "%lu lines", editor.lines);
    } else {
        std::snprintf(right, sizeof right, "%lld file%s Tab=%d", asLong(in.blockCount),
                      in.blockCount == 1 ? "" : "s", in.tabSize);
    }
    w.addRight(right);
}

// The result of the last search: the hit count, or what the search is doing, or why nothing
// was found.
void hitPart(RowWriter& w, const StatusRowInput& in) {
    if (in.hitCount > 0) {
        w.addf(kAttrPlain, " - %lld hits", asLong(in.hitCount));
        if (in.caseSensitive) {
            w.add(", ", kAttrPlain);
            w.add("case", kAttrCaseFlag);
        }
        w.add(".", kAttrPlain);
        // A hit right of the columns shown would otherwise go unseen.
        if (in.hitColumnOffScreen >= 0)
            w.addf(kAttrPlain, " hit at column %d.", in.hitColumnOffScreen + 1);
        if (hintShown(in)) w.addf(kAttrPlain, " %s.", kHint);
        return;
    }
    w.add(" - ", kAttrPlain);
    bool said = true;
    bool noHit = false;
    if (in.searchPhase == SearchPhase::kRunning) {
        w.add("*", kAttrPlain);
    } else if (in.searchPhase == SearchPhase::kScheduled) {
        w.add("-", kAttrPlain);
    } else if (!in.findMask.empty() && !in.fileListShown) {
        w.add("no hit", kAttrPlain);
        if (hintShown(in)) w.addf(kAttrPlain, ". %s", kHint);
        noHit = true;
    } else {
        said = false;
    }
    if (in.caseSensitive) {
        if (said) w.add(", ", kAttrPlain);
        w.add("case", kAttrCaseFlag);
    } else if (noHit) {
        w.add(".", kAttrPlain);
    }
}

// The time of the last pass, and in a wide view its speed: the length of the tested text
// divided by the time, in units of the speed of sound.
void timingPart(RowWriter& w, const StatusRowInput& in) {
    if (in.findMask.empty() || w.length() + 12 >= w.capacity()) return;
    if (in.verbose) {
        w.addf(kAttrDimmed, " %lld/%lld msec", asLong(in.elapsedNs / 1000000),
               asLong(in.elapsedMs));
    } else {
        w.addf(kAttrDimmed, " %lld msec", asLong(in.elapsedMs));
    }
    if (!in.showSpeed || !speedInfoFits(in) || in.testedLines <= 1000 || in.elapsedMs < 30) return;
    const double seconds =
        in.elapsedNs > 0 ? static_cast<double>(in.elapsedNs) / 1e9 : in.elapsedMs / 1000.0;
    const double mach =
        speedFigures(static_cast<uint64_t>(std::max<int64_t>(in.testedLines, 0)), seconds).mach;
    char speed[64];
    std::snprintf(speed, sizeof speed, mach < 1.0 ? ", mach %.1f" : ", mach %.0f", mach);
    if (w.length() + static_cast<int>(std::strlen(speed)) + 2 < w.capacity())
        w.add(speed, kAttrDimmed);
}

const char* selectionWord(SelectionPrompt prompt) {
    switch (prompt) {
        case SelectionPrompt::kSearch:
            return "search";
        case SelectionPrompt::kCopy:
            return "copy";
        case SelectionPrompt::kBookmarking:
            return "bookmarking";
        case SelectionPrompt::kNone:
            break;
    }
    return "";
}

}  // namespace

void buildPathRow(const StatusRowInput& in, StatusRowText& out) {
    RowWriter w(out, in.columns);
    const bool editing = in.editor.active;
    const bool typing = !editing && in.focus == MaskFocus::kPath;
    // A path mask being typed stays visible even where it cannot select files (a text without
    // file records), so the user sees where the keys went.
    if (!in.pathSelectionActive && in.pathMask.empty() && !typing) {
        if (in.loadedFiles > 0) {
            w.addf(kAttrDimmed, "global search over %lld files.", asLong(in.loadedFiles));
        } else {
            w.add("global search.", kAttrDimmed);
        }
        return;
    }
    maskPart(w, "path:", in.pathMask, kAttrPlain, editing, typing, in.pathCursor);
    const int64_t maskLength = static_cast<int64_t>(in.pathMask.size());
    bool narrow = maskLength + 40 >= in.columns;
    const bool tooNarrow = maskLength + 50 >= in.columns;
    int64_t files = in.selectedFiles;
    int64_t lines = in.selectedLines;
    if (!in.filesKnown) {
        // Until the new mask is applied the whole text stands in, in the short form.
        files = std::max<int64_t>(in.blockCount - (in.headerBlock ? 1 : 0), 0);
        lines = in.totalLines;
        narrow = true;
    }
    if (!editing && in.pathSelectionActive) {
        if (files > 0) {
            w.addf(kAttrPlain, " - %lld files%s.", asLong(files), narrow ? "" : " selected");
            const int64_t shown = in.testedLines > 0 ? in.testedLines : lines;
            if (!tooNarrow && shown > 0) lineCountPart(w, in, shown);
        } else {
            w.addf(kAttrPlain, " - %s.", narrow ? "no match" : "no matching files");
        }
    }
    pathRightSide(w, in);
}

void buildFindRow(const StatusRowInput& in, StatusRowText& out) {
    RowWriter w(out, in.columns);
    const bool editing = in.editor.active;
    maskPart(w, "find:", in.findMask, in.findMaskMarkedForReset ? kAttrDimmed : kAttrPlain, editing,
             !editing && in.focus == MaskFocus::kFind, in.findCursor);

    std::string_view info = in.infoText;
    if (!info.empty() && info.front() == '#') info.remove_prefix(1);
    bool statusPart = false;
    bool infoShown = false;
    if (in.userCommandRunning) {
        w.add(" - waiting for user command. ", kAttrPlain);
        statusPart = true;
    } else if (!in.loading && !info.empty()) {
        w.add(" - ", kAttrPlain);
        w.add(info, kAttrPlain);
        statusPart = infoShown = true;
    } else if (!in.loading && in.selection != SelectionPrompt::kNone) {
        w.addf(kAttrPlain, " - select for %s%s", selectionWord(in.selection),
               in.selectionInOtherView ? ", in other view" : "");
        statusPart = true;
    }
    if (!statusPart && !editing) hitPart(w, in);
    if (!info.empty() && !infoShown) {
        w.add(" ", kAttrPlain);
        w.add(info, kAttrPlain);
    }
    timingPart(w, in);
    if (sideInfoFits(in)) w.addRight(kProductTitle);
}

StatusRowInput statusRowInput(View& view, int64_t nowMs, bool loading) {
    SearchState& search = view.search;
    TextStore& store = view.textStore();
    StatusRowInput in;
    in.findMask = {search.findMask, strnlen(search.findMask, sizeof search.findMask)};
    in.pathMask = {search.pathMask, strnlen(search.pathMask, sizeof search.pathMask)};
    in.pathSelectionActive = search.pathSelectionActive;
    in.loading = loading || store.loadRunning.load();
    // While a loader fills the store, its blocks are the loader's; the rows then show no
    // counts rather than read them.
    if (!in.loading) {
        in.blockCount = std::max(store.blockCount, 0);
        in.headerBlock = in.blockCount >= 2 && store.blocks[0] && !store.blocks[0]->fileName;
        in.loadedFiles = in.blockCount - (in.headerBlock ? 1 : 0);
        in.totalLines = store.lineCount();
    }
    const FileSelection& files = search.files;
    in.filesKnown = !in.loading && files.valid && files.keyBlockCount == in.blockCount &&
                    std::strncmp(files.keyMask, search.pathMask, kMaxTermBytes) == 0;
    in.selectedFiles = files.selectedFiles;
    in.selectedLines = files.selectedLines;
    in.testedLines = search.timing.testedLines;
    in.elapsedMs = search.timing.elapsedMs;
    in.elapsedNs = search.timing.elapsedNs;
    in.hitCount = search.hitCount;
    in.hitColumnOffScreen = view.display.hitColumnOffScreen;
    in.searchPhase = search.searchPhase;
    in.caseSensitive = search.caseSensitive;
    in.findMaskMarkedForReset = search.findMaskMarkedForReset;
    in.focus = view.input.maskFocus;
    in.findCursor = maskCursor(view, view.input, MaskFocus::kFind);
    in.pathCursor = maskCursor(view, view.input, MaskFocus::kPath);
    in.columns = std::clamp(view.columns, 1, kStatusRowChars);
    in.widthPixels = view.clientWidth;
    in.editor = editorStatus(view);
    // No user commands, mouse selection prompts or typing hint exist yet.
    in.userCommandRunning = false;
    in.selection = SelectionPrompt::kNone;
    in.hintTimeMs = 0;
    in.fileListShown = view.filterMode == FilterMode::kFileList;
    const StatusInfo& info = statusInfo();
    in.infoText = {info.infoText, strnlen(info.infoText, sizeof info.infoText)};
    in.nowMs = nowMs;
    in.showSpeed = liveSettings().showSpeed;
    in.showMiles = liveSettings().showMiles;
    in.assist = liveSettings().assist;
    in.verbose = verboseMode();
    in.tabSize = view.tabSize;
    return in;
}

namespace {

void writeRow(View& view, int index, const StatusRowText& row, RowType type) {
    view.screen.writeRow(index, row.textView(), row.attrView(), type);
    view.screen.setMaskColumns(index, row.maskStart, row.maskEnd);
}

}  // namespace

void writeStatusRows(View& view, int pathRowIndex, int findRowIndex) {
    static StatusRowText row;  // user interface thread only
    const int64_t now = tickMs();
    const StatusRowInput in = statusRowInput(view, now, false);
    buildPathRow(in, row);
    writeRow(view, pathRowIndex, row, kRowPath);
    buildFindRow(in, row);
    writeRow(view, findRowIndex, row, kRowFind);
    // A status info is shown at least once; the first rebuild after its time lets it go.
    statusInfo().expire(now);
}

void writeFindRow(View& view, int findRowIndex, bool loading) {
    static StatusRowText row;  // user interface thread only
    const int64_t now = tickMs();
    buildFindRow(statusRowInput(view, now, loading), row);
    writeRow(view, findRowIndex, row, kRowFind);
    statusInfo().expire(now);
}

}  // namespace tessel
