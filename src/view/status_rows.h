// The two bottom rows of a view: the "path:" row and the "find:" row. They show the masks being
// typed together with the state and result of the last search (files selected, lines searched,
// hits, time taken, speed). Each row is built by a pure function from a small input record, so
// every rule can be checked without a view; statusRowInput and writeStatusRows connect them to
// a View and its screen buffer.
#pragma once

#include <cstdint>
#include <string_view>

#include "search/search_state.h"
#include "view/view_input.h"

namespace tessel {

class View;

// The width of a screen row in characters (a status row never holds more).
inline constexpr int kStatusRowChars = 800;

// Which kind of selection the user is asked for with the mouse.
enum class SelectionPrompt : int { kNone = 0, kSearch = 1, kCopy = 2, kBookmarking = 3 };

// What the right side of the path row shows while an editor is active.
struct EditorStatus {
    bool active = false;
    bool showCursor = false;  // the cursor position rather than the line count
    long cursorRow = 0;
    long cursorColumn = 0;
    long cursorCount = -1;  // shown after the position unless negative
    unsigned long lines = 0;
};

struct StatusRowInput {
    std::string_view findMask;
    std::string_view pathMask;
    bool pathSelectionActive = false;
    // False just after a path mask change, before the selected files were counted again.
    bool filesKnown = false;
    int64_t selectedFiles = 0;
    int64_t selectedLines = 0;
    // The last pass: lines tested, tick and high-resolution elapsed time.
    int64_t testedLines = 0;
    int64_t elapsedMs = 0;
    int64_t elapsedNs = 0;
    int64_t hitCount = 0;
    // The display column of the current result's hit when it is outside the columns shown.
    int hitColumnOffScreen = -1;
    SearchPhase searchPhase = SearchPhase::kDone;
    bool caseSensitive = false;
    bool findMaskMarkedForReset = false;
    MaskFocus focus = MaskFocus::kFind;
    int findCursor = 0;  // offsets into the masks
    int pathCursor = 0;
    int columns = 80;
    int widthPixels = 640;
    EditorStatus editor;
    bool loading = false;
    bool userCommandRunning = false;
    SelectionPrompt selection = SelectionPrompt::kNone;
    bool selectionInOtherView = false;
    bool fileListShown = false;
    std::string_view infoText;
    int64_t nowMs = 0;
    int64_t hintTimeMs = 0;  // when the typing hint was armed; 0 when never
    bool showSpeed = false;  // "showspeed"
    bool showMiles = false;  // "showmiles"
    bool assist = false;     // "assist"
    bool verbose = false;
    int64_t loadedFiles = 0;
    int64_t blockCount = 0;
    bool headerBlock = false;  // block 0 holds only the header line of the text
    int64_t totalLines = 0;
    int tabSize = 3;
};

// One built row: text and attribute characters of the same length, both NUL-terminated, and
// the columns [maskStart, maskEnd) that hold the mask.
// `length` counts cells, one attribute each; the text takes `textBytes` bytes for them (more
// than one a cell only for characters beyond ASCII in the UTF-8 code page).
struct StatusRowText {
    char text[4 * kStatusRowChars + 1] = {};
    char attr[kStatusRowChars + 1] = {};
    int length = 0;
    int textBytes = 0;
    int maskStart = 0;
    int maskEnd = 0;

    std::string_view textView() const { return {text, static_cast<size_t>(textBytes)}; }
    std::string_view attrView() const { return {attr, static_cast<size_t>(length)}; }
};

void buildPathRow(const StatusRowInput& in, StatusRowText& out);
void buildFindRow(const StatusRowInput& in, StatusRowText& out);

// Everything the rows need from a view, its store, the settings and the status info. While
// a load runs (`loading`, or the store says so) the store is not read.
StatusRowInput statusRowInput(View& view, int64_t nowMs, bool loading);

// Builds both rows of a view into its screen buffer, then lets an expired status info go.
void writeStatusRows(View& view, int pathRowIndex, int findRowIndex);
// Only the find row, for a view that shows the progress of a load instead of its text.
void writeFindRow(View& view, int findRowIndex, bool loading);

}  // namespace tessel
