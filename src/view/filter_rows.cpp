// Building the rows of the filtered view and the file list. The matching lines come from the
// same candidate scan as a search pass, on all workers; marking and laying out the rows then
// walks only the hits, so an update costs little more than the pass itself.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <span>

#include "base/log/message_log.h"
#include "text/text_store.h"
#include "view/filter_internal.h"
#include "view/filter_view.h"
#include "view/live_settings.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel {

namespace {

const char kEmptyRow[] = "";
const char kSeparatorRow[] = " ";

struct RowWriter {
    View& view;
    FilterState& f;
    std::vector<const char*>& rows;

    bool full() const { return static_cast<int>(rows.size()) >= f.capacity; }
    void add(const char* text, int line, uint8_t kind) {
        if (full()) return;
        const size_t row = rows.size();
        rows.push_back(text);
        f.rowLines.push_back(line);
        f.rowMarks[row] = static_cast<uint16_t>((f.rowMarks[row] & 0xFF00) | kind);
    }
};

void mark(FilterState& f, int line, uint16_t bits) {
    if (line >= 0 && line < f.capacity) f.rowMarks[static_cast<size_t>(line)] |= bits;
}

// Clears what the last build marked: its rows' kinds and its lines' marks.
void clearMarks(FilterState& f) {
    const size_t rowCount = std::min(f.rowLines.size(), f.rowMarks.size());
    for (size_t r = 0; r < rowCount; ++r) {
        f.rowMarks[r] &= 0xFF00;
        const int line = f.rowLines[r];
        if (line >= 0 && line < f.capacity) f.rowMarks[static_cast<size_t>(line)] &= 0x00FF;
    }
    if (f.hits) {
        for (int line : *f.hits) {
            if (line >= 0 && line < f.capacity) f.rowMarks[static_cast<size_t>(line)] &= 0x00FF;
        }
    }
}

void saveSearchState(View& view) {
    SavedSearch& saved = view.filter.saved;
    const SearchState& s = view.search;
    saved.findExpr = s.findExpr;
    saved.pathExpr = s.pathExpr;
    saved.foldMain = s.foldMain;
    saved.foldPath = s.foldPath;
    saved.flags = s.flags();
    saved.valid = true;
}

// Empty rows above few results, so that they stand in the middle of the view.
int centringRows(const View& view, int rowsToShow, int headers, bool assist) {
    if (view.lineHeight <= 0) return 0;
    int64_t p = (static_cast<int64_t>(view.clientHeight) / view.lineHeight - rowsToShow -
                 3 * static_cast<int64_t>(headers) - 4) /
                    2 -
                2;
    if (!assist) ++p;
    return static_cast<int>(std::clamp<int64_t>(p, 0, kMaxPadRows));
}

void startRows(RowWriter& out, bool fileList, bool assist, int padRows) {
    out.add(fileList ? kFileListTitle : kFilterTitle, -1, 0);
    out.add(kEmptyRow, -1, 0);
    if (assist) out.add(kEmptyRow, -1, 0);
    for (int i = 0; i < padRows; ++i) out.add(kEmptyRow, -1, 0);
}

int buildFileList(View& view, bool assist) {
    FilterState& f = view.filter;
    TextStore& store = view.textStore();
    SearchState& search = view.search;
    const int prefix = f.snapshot.hasPrefix ? store.prefixLength : 0;
    int files = 0;
    for (int b = search.nextSelectedFile(-1); b >= 0; b = search.nextSelectedFile(b)) ++files;
    RowWriter out{view, f, view.display.filterRows};
    f.padRows = centringRows(view, files, 0, assist);
    startRows(out, true, assist, f.padRows);
    for (int b = search.nextSelectedFile(-1); b >= 0 && !out.full();
         b = search.nextSelectedFile(b)) {
        TextBlock* block = store.blockAt(b);
        if (!block || block->lineCount <= 0) continue;
        const int h = block->nameLine();
        if (h < block->firstLine || h >= block->endLine) continue;
        mark(f, h, kMarkShown | kMarkHeader);
        const char* text = block->line(h - block->firstLine);
        // Names that stand on the prefix line show without the prefix.
        if (f.snapshot.prefixOnNameLine && prefix > 0 &&
            static_cast<int>(strnlen(text, static_cast<size_t>(prefix))) >= prefix) {
            text += prefix;
        }
        out.add(text, h, 0);
    }
    return 0;
}

// Room above few results: empty rows go in after the title, and the rows below move down
// with their kinds. Only done for results that fit on a screen, so it moves few rows.
void insertPadRows(View& view, size_t at, int padRows) {
    FilterState& f = view.filter;
    std::vector<const char*>& rows = view.display.filterRows;
    if (padRows <= 0 || at > rows.size()) return;
    const size_t pad = static_cast<size_t>(padRows);
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), pad, kEmptyRow);
    f.rowLines.insert(f.rowLines.begin() + static_cast<std::ptrdiff_t>(at), pad, -1);
    const size_t capacity =
        std::min(static_cast<size_t>(std::max(f.capacity, 0)), f.rowMarks.size());
    if (rows.size() > capacity) {
        rows.resize(capacity);
        f.rowLines.resize(capacity);
    }
    for (size_t r = rows.size(); r-- > at;) {
        const uint16_t kind = r >= at + pad ? f.rowMarks[r - pad] & 0x00FF : 0;
        f.rowMarks[r] = static_cast<uint16_t>((f.rowMarks[r] & 0xFF00) | kind);
    }
}

// One chunk's rows: the rows of its hits in load order, each file's name rows before the
// file's first hit in the chunk (after a separator row), and the marks.
struct ChunkRows {
    std::vector<const char*> texts;
    std::vector<int> lines;
    std::vector<uint8_t> kinds;
    // (line << 16) | mark bits.
    std::vector<uint64_t> marks;
    int rowsToShow = 0;
    int headers = 0;
    // The chunk's first name group (its separator included): where it starts, how many rows
    // it has and the block it names. When the chunk before ended in that block, the group
    // stands there already.
    size_t leadAt = 0;
    size_t leadRows = 0;
    size_t leadBlock = SIZE_MAX;
    size_t lastBlock = SIZE_MAX;  // the block of the chunk's last hit; none without hits
    // A hit outside the blocks or out of load order: the hit list does not fit the store.
    bool strayHit = false;
};

// Lays out the rows chunk by chunk, on the workers while a pass runs or as one chunk on the
// calling thread for hits already known; joining the chunks in order then costs the UI thread
// a copy per row.
class RowLayout final : public ChunkSink {
  public:
    RowLayout(bool showFileNames, bool prefixLine)
        : showFileNames_(showFileNames), prefixLine_(prefixLine) {}

    void begin(int chunkCount) override {
        chunks_.assign(static_cast<size_t>(std::max(chunkCount, 0)), ChunkRows{});
    }

    void chunkDone(int chunk, const PassRequest& request, size_t firstBlock,
                   const std::vector<int>& lines, const std::vector<const char*>& texts,
                   const std::vector<uint8_t>& kinds) override {
        if (texts.size() != lines.size() || kinds.size() != lines.size()) return;
        layOut(chunk, request.blocks, firstBlock, lines, texts, kinds);
    }

    // The chunk's hits in load order with their texts and kinds; without texts (and kinds)
    // the hits' blocks give them. `firstBlock` is the block holding the first hit or one
    // before it.
    void layOut(int chunk, const std::vector<PassBlock>& blocks, size_t firstBlock,
                std::span<const int> lines, std::span<const char* const> texts,
                std::span<const uint8_t> kinds) {
        if (chunk < 0 || static_cast<size_t>(chunk) >= chunks_.size() || lines.empty()) return;
        ChunkRows& out = chunks_[static_cast<size_t>(chunk)];
        const bool textsKnown = texts.size() == lines.size() && kinds.size() == lines.size();
        const size_t expected = lines.size() + lines.size() / 2 + 16;
        out.texts.reserve(expected);
        out.lines.reserve(expected);
        out.kinds.reserve(expected);
        out.marks.reserve(expected);
        size_t b = firstBlock;
        const PassBlock* block = nullptr;
        int header = 0;
        bool headerShown = false;
        for (size_t i = 0; i < lines.size(); ++i) {
            const int m = lines[i];
            if (!block || m >= block->firstLine + block->lineCount) {
                while (b < blocks.size() && m >= blocks[b].firstLine + blocks[b].lineCount) ++b;
                if (b >= blocks.size() || m < blocks[b].firstLine) {
                    out.strayHit = true;
                    return;
                }
                block = &blocks[b];
                header = block->source ? block->source->nameLine() : 0;
                if (header < block->firstLine || header >= block->firstLine + block->lineCount) {
                    header = 0;
                }
                headerShown = false;
            } else if (m < block->firstLine) {
                out.strayHit = true;
                return;
            }
            const bool shown = m >= header || !showFileNames_;
            addMark(out, m, shown ? kMarkHit | kMarkShown : kMarkHit);
            const bool onHeader = m == header && header != 0 && showFileNames_;
            if (!onHeader) ++out.rowsToShow;
            if (showFileNames_ && header != 0 && !headerShown) {
                headerShown = true;
                addMark(out, header, kMarkShown | kMarkHeader);
                const size_t before = out.texts.size();
                add(out, kSeparatorRow, -1, 0);
                if (prefixLine_ && header - 1 >= block->firstLine) {
                    add(out, block->source->line(header - 1 - block->firstLine), header - 1, 0);
                }
                add(out, block->source->line(header - block->firstLine), header, 0);
                if (out.headers++ == 0) {
                    out.leadAt = before;
                    out.leadRows = out.texts.size() - before;
                    out.leadBlock = b;
                }
            }
            if (shown && !onHeader) {
                if (textsKnown) {
                    add(out, texts[i], m, kinds[i]);
                } else if (block->source) {
                    uint32_t mask = 0;
                    const char* text = block->source->lineAndMask(m - block->firstLine, &mask);
                    add(out, text, m, static_cast<uint8_t>(mask & 0xFF));
                } else {
                    out.strayHit = true;
                    return;
                }
            }
            out.lastBlock = b;
        }
    }

    std::vector<ChunkRows>& chunks() { return chunks_; }

  private:
    static void add(ChunkRows& out, const char* text, int line, uint8_t kind) {
        out.texts.push_back(text);
        out.lines.push_back(line);
        out.kinds.push_back(kind);
    }

    static void addMark(ChunkRows& out, int line, uint16_t bits) {
        out.marks.push_back(static_cast<uint64_t>(static_cast<uint32_t>(line)) << 16 | bits);
    }

    const bool showFileNames_;
    const bool prefixLine_;
    std::vector<ChunkRows> chunks_;
};

// Appends a chunk's rows [from, to), as far as the arrays hold them.
void appendChunkRows(View& view, const ChunkRows& chunk, size_t from, size_t to) {
    FilterState& f = view.filter;
    std::vector<const char*>& rows = view.display.filterRows;
    const size_t capacity =
        std::min(static_cast<size_t>(std::max(f.capacity, 0)), f.rowMarks.size());
    to = std::min(to, chunk.texts.size());
    if (from >= to || rows.size() >= capacity) return;
    const size_t count = std::min(to - from, capacity - rows.size());
    const size_t first = rows.size();
    const auto begin = static_cast<std::ptrdiff_t>(from);
    const auto end = static_cast<std::ptrdiff_t>(from + count);
    rows.insert(rows.end(), chunk.texts.begin() + begin, chunk.texts.begin() + end);
    f.rowLines.insert(f.rowLines.end(), chunk.lines.begin() + begin, chunk.lines.begin() + end);
    for (size_t k = 0; k < count; ++k) {
        uint16_t& row = f.rowMarks[first + k];
        row = static_cast<uint16_t>((row & 0xFF00) | chunk.kinds[from + k]);
    }
}

// The laid out chunks joined in chunk order: a file whose hits span two chunks keeps only
// its first name group, and the first group of all has no separator above it.
int joinChunkRows(View& view, RowLayout& layout, const std::vector<int>& hits, bool assist) {
    FilterState& f = view.filter;
    const int lineCount = view.textStore().lineCount();
    std::vector<ChunkRows>& chunks = layout.chunks();
    bool stray = !hits.empty() && (hits.front() < 0 || hits.back() >= lineCount);
    size_t total = 3;
    for (const ChunkRows& chunk : chunks) {
        stray = stray || chunk.strayHit;
        total += chunk.texts.size();
    }
    if (stray) {
        logMessage("ufview: wrong glnum");
        return 1;
    }
    total = std::min(total, static_cast<size_t>(std::max(f.capacity, 0)));
    std::vector<const char*>& rows = view.display.filterRows;
    rows.reserve(total);
    f.rowLines.reserve(total);
    RowWriter out{view, f, rows};
    startRows(out, false, assist, 0);
    const size_t firstResultRow = rows.size();
    int rowsToShow = 0;
    int headers = 0;
    size_t previousBlock = SIZE_MAX;
    for (ChunkRows& chunk : chunks) {
        for (uint64_t m : chunk.marks) {
            mark(f, static_cast<int>(m >> 16), static_cast<uint16_t>(m & 0xFFFF));
        }
        if (chunk.lastBlock == SIZE_MAX) continue;
        // The rows of the lead group left out: all of them, or only its separator.
        size_t skipRows = 0;
        int chunkHeaders = chunk.headers;
        if (chunk.leadRows > 0) {
            if (chunk.leadBlock == previousBlock) {
                skipRows = chunk.leadRows;
                --chunkHeaders;
            } else if (headers == 0) {
                skipRows = 1;
            }
        }
        headers += chunkHeaders;
        rowsToShow += chunk.rowsToShow;
        appendChunkRows(view, chunk, 0, chunk.leadAt);
        appendChunkRows(view, chunk, chunk.leadAt + skipRows, chunk.texts.size());
        previousBlock = chunk.lastBlock;
        std::vector<const char*>().swap(chunk.texts);
        std::vector<int>().swap(chunk.lines);
        std::vector<uint8_t>().swap(chunk.kinds);
        std::vector<uint64_t>().swap(chunk.marks);
    }
    f.padRows = centringRows(view, rowsToShow + headers, headers, assist);
    insertPadRows(view, firstResultRow, f.padRows);
    return 0;
}

// Lays out hits already known (CONTROL+D shows or hides the names of the same hits) as one
// chunk on this thread, over all blocks of the store: the hits need not lie in the blocks
// selected now.
int layOutKnownHits(View& view, const std::vector<int>& hits, bool assist) {
    FilterState& f = view.filter;
    TextStore& store = view.textStore();
    std::vector<PassBlock> blocks;
    blocks.reserve(static_cast<size_t>(std::max(store.blockCount, 0)));
    for (int b = 0; b < store.blockCount; ++b) {
        const TextBlock* block = store.blocks[static_cast<size_t>(b)];
        if (!block || block->lineCount <= 0) continue;
        PassBlock pass;
        pass.firstLine = block->firstLine;
        pass.lineCount = block->lineCount;
        pass.source = block;
        blocks.push_back(pass);
    }
    RowLayout layout(f.showFileNames, f.snapshot.hasPrefix && !f.snapshot.prefixOnNameLine);
    layout.begin(1);
    layout.layOut(0, blocks, 0, hits, {}, {});
    return joinChunkRows(view, layout, hits, assist);
}

// The end of every update: the row count, the saved search state, the first row shown.
void finishRows(View& view, int64_t hitCount, int firstHit) {
    FilterState& f = view.filter;
    SearchState& search = view.search;
    view.filteredLineCount = static_cast<int>(view.display.filterRows.size());
    saveSearchState(view);
    search.topLine = 0;
    view.display.lineMark = -1;
    ExitRecord& exit = f.exitRecord;
    if (exit.valid && std::strcmp(exit.findMask, search.findMask) == 0) {
        const int last = std::max(0, view.filteredLineCount - view.rows + 2);
        search.topLine = std::clamp(exit.firstRow, 0, last);
        if (exit.hasMarkedLine) view.display.lineMark = static_cast<int>(exit.markedLine);
    } else {
        exit = ExitRecord{};
    }
    search.hitCount = hitCount;
    f.firstHitLine = firstHit;
    search.searchPhase = SearchPhase::kDone;
}

int64_t nowMs(const View& view) {
    return view.host ? view.host->nowMs() : tickMs();
}

int applyPassResult(View& view, const PassResult& result, RowLayout& layout,
                    const FilterRowsDone& done) {
    FilterState& f = view.filter;
    SearchState& search = view.search;
    if (result.cancelled || !result.hitLines || view.filterMode != FilterMode::kFiltered) {
        search.searchPhase = SearchPhase::kDone;
        return 1;
    }
    const bool assist = liveSettings().assist;
    clearMarks(f);
    view.display.filterRows.clear();
    f.rowLines.clear();
    f.hits = result.hitLines;
    if (joinChunkRows(view, layout, *f.hits, assist) != 0) {
        search.searchPhase = SearchPhase::kDone;
        return 1;
    }
    finishRows(view, static_cast<int64_t>(f.hits->size()), result.firstHitLine);
    search.timing.elapsedMs = nowMs(view) - search.timing.startMs;
    search.timing.elapsedNs = result.elapsedNs;
    search.timing.testedLines = result.testedLines;
    if (!f.keepDisplay) refreshSearchStatus(view);
    if (done) done(view);
    return 0;
}

int runFilterPass(View& view, const FilterRowsDone& done) {
    FilterState& f = view.filter;
    SearchState& search = view.search;
    auto request = std::make_shared<PassRequest>(search.passRequest());
    request->collectLines = true;
    request->chunkLines = f.chunkLines;
    auto layout = std::make_shared<RowLayout>(f.showFileNames,
                                              f.snapshot.hasPrefix && !f.snapshot.prefixOnNameLine);
    request->sink = layout;
    if (f.threads == FilterThreads::kThisThread) {
        return applyPassResult(view, runPassOnThisThread(*request), *layout, done);
    }
    // Without a window the rows are in when start returns, and the outcome says how the
    // update went; with one they arrive later and the update counts as started.
    auto outcome = std::make_shared<int>(2);
    View* target = &view;
    f.pass.start(search.pool(), view.host, std::move(request),
                 [target, layout, done, outcome](const PassResult& result) {
                     *outcome = applyPassResult(*target, result, *layout, done);
                 });
    return *outcome;
}

}  // namespace

void cancelFilterPass(View& view) {
    FilterState& f = view.filter;
    if (!f.pass.running()) return;
    f.pass.cancel();
    if (view.search.searchPhase == SearchPhase::kRunning) {
        view.search.searchPhase = SearchPhase::kDone;
    }
}

bool filterPassRunning(const View& view) {
    return view.filter.pass.running();
}

int updateFilter(View& view, bool keepDisplay, bool reuseMarks, FilterRowsDone done) {
    FilterState& f = view.filter;
    SearchState& search = view.search;
    if (view.filterMode == FilterMode::kFullText) {
        logMessage("wrong filter mode (1,%d)", static_cast<int>(view.filterMode));
        return 9;
    }
    cancelFilterPass(view);
    f.keepDisplay = keepDisplay;
    search.searchPhase = SearchPhase::kRunning;
    search.hitCount = 0;
    f.firstHitLine = -1;
    if (!keepDisplay) refreshSearchStatus(view);
    TextStore& store = view.textStore();
    if (store.lineCount() > f.capacity ||
        f.rowMarks.size() < static_cast<size_t>(std::max(f.capacity, 0))) {
        logMessage("fvupdate.1 %lu %lu", static_cast<unsigned long>(store.lineCount()),
                   static_cast<unsigned long>(f.capacity));
        search.searchPhase = SearchPhase::kDone;
        return 9;
    }
    if (!reuseMarks) search.compileSearch(false);
    // 1 is a selection still valid from before.
    if (search.selectFiles(false) > 1 || !search.files.valid) {
        logMessage("fvupdate.2");
        search.searchPhase = SearchPhase::kDone;
        return 9;
    }
    search.timing.startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
    const bool assist = liveSettings().assist;
    if (view.filterMode == FilterMode::kFileList) {
        clearMarks(f);
        view.display.filterRows.clear();
        f.rowLines.clear();
        f.hits.reset();
        buildFileList(view, assist);
        finishRows(view, 0, -1);
        if (!keepDisplay) refreshSearchStatus(view);
        if (done) done(view);
        return 0;
    }
    if (reuseMarks && f.hits) {
        // The hits stand: only the layout (names, centring) is built again.
        auto hits = f.hits;
        clearMarks(f);
        view.display.filterRows.clear();
        f.rowLines.clear();
        if (layOutKnownHits(view, *hits, assist) != 0) {
            search.searchPhase = SearchPhase::kDone;
            return 1;
        }
        finishRows(view, static_cast<int64_t>(hits->size()), hits->empty() ? -1 : hits->front());
        if (!keepDisplay) refreshSearchStatus(view);
        if (done) done(view);
        return 0;
    }
    return runFilterPass(view, done);
}

void saveExitRecord(View& view) {
    ExitRecord& exit = view.filter.exitRecord;
    std::strncpy(exit.findMask, view.search.findMask, sizeof exit.findMask - 1);
    exit.findMask[sizeof exit.findMask - 1] = '\0';
    exit.firstRow = view.search.topLine;
    exit.hasMarkedLine = view.display.lineMark >= 0;
    exit.markedLine = view.display.lineMark;
    exit.valid = true;
}

}  // namespace tessel
