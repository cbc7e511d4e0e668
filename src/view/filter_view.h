// The row model of a view's filtered view (only the matching lines) and file list (one row
// per selected file), how it is built, entered and left, and copying its text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "search/pass_runner.h"
#include "search/search_expression.h"
#include "search/search_pass.h"
#include "search/search_state.h"

namespace tessel {

class View;

// High byte of a mark, indexed by global line.
inline constexpr uint16_t kMarkShown = 0x100;
inline constexpr uint16_t kMarkHeader = 0x200;
inline constexpr uint16_t kMarkHit = 0x400;

inline constexpr int kMaxPadRows = 600;
// The clipboard takes at most this much filtered text (CR LF included).
inline constexpr int64_t kMaxCopyBytes = 10485760;

inline constexpr char kFilterTitle[] = "Filtered Result View. Click Any Line To Enter Text.";
inline constexpr char kFileListTitle[] = "List Of Files. Click Any Line To Enter Text.";

// What the store looked like when the filter was created.
struct FilterSnapshot {
    int lineCount = 0;
    bool hasPrefix = false;
    bool prefixOnNameLine = false;
};

// Remembered on leaving a filtered view, so that coming back with the same find mask shows
// the same rows again.
struct ExitRecord {
    bool valid = false;
    char findMask[300] = {};
    int firstRow = 0;
    bool hasMarkedLine = false;
    int64_t markedLine = -1;
};

// The search state the rows were built with; leaving the filter restores it (but not the
// mask texts, which stay as the user left them).
struct SavedSearch {
    bool valid = false;
    SearchExpression findExpr;
    SearchExpression pathExpr;
    FoldTable foldMain;
    FoldTable foldPath;
    SearchFlags flags;
};

enum class FilterThreads : int {
    kWorkers = 0,     // on the search workers; with a window the rows arrive on its UI queue
    kThisThread = 1,  // the same scan on the calling thread (for comparison and measuring)
};

// Told when the rows of an update are complete: at once, or on the user interface thread
// when the workers' rows arrive. Not told when the update failed or was abandoned.
using FilterRowsDone = std::function<void(View& view)>;

// Marks by global line, zero-filled by the allocator: a large array costs nothing until its
// pages are written, so entering the filtered view of a big store does not clear tens of
// megabytes on the user interface thread.
class LineMarks {
  public:
    LineMarks() = default;
    ~LineMarks() { release(); }
    LineMarks(const LineMarks&) = delete;
    LineMarks& operator=(const LineMarks&) = delete;

    // All marks zero; false (and empty) when the memory is not there.
    bool reset(size_t count);
    void release();
    size_t size() const { return count_; }
    uint16_t& operator[](size_t i) { return marks_[i]; }
    uint16_t operator[](size_t i) const { return marks_[i]; }
    const uint16_t* begin() const { return marks_; }
    const uint16_t* end() const { return marks_ + count_; }

  private:
    uint16_t* marks_ = nullptr;
    size_t count_ = 0;
};

struct FilterState {
    FilterState() = default;
    FilterState(const FilterState&) = delete;
    FilterState& operator=(const FilterState&) = delete;

    // Rows and lines the arrays can hold: store line count + 100, at least 1000.
    int capacity = 0;
    // High byte by global line (kMark* bits), low byte by row (the row's line kind).
    LineMarks rowMarks;
    // The global line behind each row; -1 for the title, centring and separator rows.
    std::vector<int> rowLines;
    bool showFileNames = true;
    FilterSnapshot snapshot;
    int padRows = 0;
    int firstHitLine = -1;
    ExitRecord exitRecord;
    SavedSearch saved;
    // The normal view's position when the filter was entered, restored on leaving.
    int normalTopLine = 0;
    int normalCurrentLine = 0;
    // The matching lines of the last completed update, in load order.
    std::shared_ptr<const std::vector<int>> hits;

    FilterThreads threads = FilterThreads::kWorkers;
    int chunkLines = 0;  // 0: the pass's default

    // The pass that finds the matching lines; it cancels itself when the state goes, so no
    // rows reach a view that is gone.
    PassRunner pass;
    bool keepDisplay = false;
};

// Type 1 filtered view, 2 file list: leaves an active filter mode, else enters it.
int toggleFilter(View& view, int type);
// The filter key and button: with a find mask the filtered view on or off, else the file list.
int filterCommand(View& view);
// Allocates the arrays and sets the mode; 9 when a mode is active or memory is short.
int createFilter(View& view, int type);
// Builds the rows. 0 done, 1 abandoned (cancelled or a line outside the store), 9 state
// error, 2 started on the workers: the rows arrive on the user interface thread through the
// view's window. `done` is told when the rows are in.
int updateFilter(View& view, bool keepDisplay, bool reuseMarks, FilterRowsDone done = {});
// Leaves the filtered view or file list; `quiet` skips "normal view.".
int leaveFilter(View& view, bool quiet);
// Stops a running filter pass (a new keystroke makes it useless).
void cancelFilterPass(View& view);
bool filterPassRunning(const View& view);
// CONTROL+D: header rows on or off.
int toggleFileNames(View& view);

// The global line behind a row of the filtered view or file list, -1 for other rows.
int filterRowLine(const View& view, int row);
// A click on a row: leave the filter and show that line in the full text. 0 done, 1 the row
// shows no line.
int enterTextAt(View& view, int row);

// The filter row drawn on a screen row, -1 for the caption and status rows.
int filterRowAtScreenRow(const View& view, int screenRow);
// A plain left click at a pixel of the view: enterTextAt for the row there. 0 taken, 1 not a
// row of the filter.
int filterClickAt(View& view, int x, int y);

// The clipboard text of rows [from, to): each row followed by CR LF. 0 built, 1 empty range,
// 3 more than maxBytes (nothing built), 9 out of memory (reported). `bytes` gets the total.
int buildCopyText(const std::vector<const char*>& rows, int from, int to, std::string& out,
                  int64_t* bytes, int64_t maxBytes = kMaxCopyBytes);
// The whole filtered text, or in the normal view the current file's text.
int copyFilteredText(View& view);
// The rows on screen (below the caption in the filtered view).
int copyVisibleText(View& view);

// The filter keys of the key table (F4, F6, CONTROL+A, CONTROL+D ...): 0 handled, 1 not one.
int filterKeyDown(View& view, int key, int modifiers);
int filterChar(View& view, uint8_t ch, int modifiers);

}  // namespace tessel
