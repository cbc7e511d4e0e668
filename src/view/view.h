// The per-view state record. A view shows the whole text store with its own masks, position,
// display state and screen rows; the frame owns the records and tiles their windows. The
// record holds no window system objects: `window` is the platform's handle for it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "search/search_state.h"
#include "view/assist_hints.h"
#include "view/block_context.h"
#include "view/filter_view.h"
#include "view/mouse_gestures.h"
#include "view/navigation.h"
#include "view/surf.h"
#include "view/view_editing.h"
#include "view/view_input.h"
#include "view/word_highlights.h"

namespace tessel {

class Editor;
class FrameLayout;
class RowCache;
class TextStore;
class ViewHost;

// The platform's handle of a window; 0 is no window.
using WindowId = uint64_t;

// Places in the master area are kept in 1/100000 of the area.
inline constexpr int64_t kRelUnits = 100000;
inline constexpr int kDefaultWeight = 1000;

inline constexpr int kScreenRows = 600;
inline constexpr int kScreenColumns = 800;
inline constexpr int kScreenRowBytes = 802;
// A text row of the UTF-8 code page holds up to four bytes a cell (and the marks that join a
// character while there is room for them).
inline constexpr int kScreenTextBytes = 4 * kScreenColumns + 2;

// kScreenRows zero-filled rows of kBytes bytes. A view's rows take megabytes of which a
// window touches only the first rows; taken from calloc, they come as zero pages on first
// touch instead of being written when the view is made (start-up, every new view).
template <size_t kBytes>
class ScreenRows {
  public:
    using Row = std::array<char, kBytes>;
    ScreenRows() : rows_(static_cast<Row*>(std::calloc(kScreenRows, sizeof(Row)))) {
        if (!rows_) throw std::bad_alloc();
    }
    ~ScreenRows() { std::free(rows_); }
    ScreenRows(const ScreenRows&) = delete;
    ScreenRows& operator=(const ScreenRows&) = delete;

    Row& operator[](size_t row) { return rows_[row]; }
    const Row& operator[](size_t row) const { return rows_[row]; }
    Row* begin() { return rows_; }
    Row* end() { return rows_ + kScreenRows; }

  private:
    Row* rows_;
};

// The rows the screen builder fills and the painter draws: text, a parallel row of colour
// attribute characters, and one flag byte per row.
struct ScreenBuffer {
    ScreenRows<kScreenTextBytes> text;
    ScreenRows<kScreenRowBytes> attr;
    std::array<uint8_t, kScreenRows> flags{};
    // The global line a text row shows (-1 for other rows), so drawn rows can be reused after
    // scrolling; the screen builder sets every row.
    std::array<int32_t, kScreenRows> rowLine{};
    // The columns [maskStart, maskEnd) of a status row that hold its mask: only there do the
    // attributes of the row give the cells a background. Empty on other rows.
    std::array<int16_t, kScreenRows> maskStart{};
    std::array<int16_t, kScreenRows> maskEnd{};
    // False until the builder has filled the rows for the current layout.
    bool valid = false;
    // The rows below this one were never written: reset leaves their zero pages untouched.
    int writtenRows = 0;

    // Cuts both strings to 800 cells, the text between characters; a row outside the buffer
    // is ignored (result 1).
    // The row has no mask columns until setMaskColumns gives it some.
    int writeRow(int row, std::string_view rowText, std::string_view rowAttr, uint8_t flag = 0);
    void setMaskColumns(int row, int start, int end);
    const char* rowText(int row) const;
    // The byte of a row's text where the character on `column` begins; in UTF-8 text the
    // cells of a character all lead to its first byte. Past the text, its length.
    size_t byteOfCell(int row, int column) const;
    const char* rowAttr(int row) const;
    void reset();
};

enum class FilterMode : int { kFullText = 0, kFiltered = 1, kFileList = 2 };

// What the screen builder shows besides the text and the search: the horizontal scroll, the
// selection and the marks other operations leave on lines. Lines are global line numbers (also
// in a filtered view), columns are display columns; a line of -1 means none.
struct DisplayState {
    int scrollColumn = 0;
    // The byte length of the longest line on the last screen: horizontal scrolling reaches it.
    int widestLine = 0;
    // The display column of the current result's first hit while it lies outside the columns
    // on screen, else -1.
    int hitColumnOffScreen = -1;
    int selStartLine = -1;
    int selStartColumn = 0;
    int selEndLine = -1;
    int selEndColumn = 0;
    int lineMark = -1;
    int flashLine = -1;
    int64_t flashUntilMs = 0;
    int markLine = -1;
    int markFrom = 0;
    int markTo = 0;
    bool showFileName = false;
    bool oneRowHeader = false;
    bool hitsInFilter = true;
    bool verticalCursor = false;
    // The rows of a filtered view or file list (row 0 is its title): text pointers into the
    // store, or to texts of the filter's own.
    std::vector<const char*> filterRows;
};

class View {
  public:
    // Takes the search flags and display options from the settings.
    explicit View(FrameLayout* owner = nullptr);
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Re-reads the per-view settings; a new view starts from them.
    void applySettings();

    // Places the view at a relative position of the master area. Out-of-range values are
    // refused (result 9), never clamped, so a script error cannot lose the current layout.
    int setrelpos(int64_t x, int64_t y, int64_t width, int64_t height);

    // The view at index + 1, null for the last view and on a damaged list (reported).
    View* rightNeighbour() const;

    // Double click on blank space: raise, restore or widen this view. 0 when the views were
    // laid out again, 1 when nothing changed.
    int expandOrRaise(bool noRaise);

    // Fixed tab size setting, else the one stored for the text (0 for none), else 3.
    int resolveTabSize(int storedForText) const;

    // The window title: "tessel" for the first view (or every view with sameTitle), else
    // "tessel_N" with N = index + 1.
    std::string title(bool sameTitle) const;
    // Keeps indexText in step with index.
    void setIndex(int newIndex);

    TextStore& textStore() const { return search.store(); }

    FrameLayout* frame = nullptr;

    int index = 0;
    char indexText[12] = "1";
    WindowId window = 0;
    // The view's window, null while it has none.
    ViewHost* host = nullptr;
    bool active = false;
    bool restoreFocus = false;

    int windowX = 0;
    int windowY = 0;
    int windowWidth = 100;
    int windowHeight = 100;
    int clientWidth = 10;
    int clientHeight = 10;

    int64_t relX = 0;
    int64_t relY = 0;
    int64_t relWidth = kRelUnits;
    int64_t relHeight = kRelUnits;
    int weight = kDefaultWeight;
    bool maximized = false;

    int rows = 590;
    int columns = 790;
    int charWidth = 8;
    int lineHeight = 16;

    // The search part of the state: find and path masks, compiled expressions, fold tables,
    // search flags, hit count and timing, and the position (topLine, currentLine, lockRows),
    // which the search moves.
    SearchState search;
    // Which mask row takes typed characters, and where its input cursor stands.
    ViewInput input;
    // Result focus, file stepping and the history of positions.
    NavigationState nav;
    // The filtered view's or file list's rows and marks while one is shown.
    FilterState filter;
    // Mouse surfing and soft wheel scrolling.
    SurfState surf;
    // This view's word highlight settings and, with per-view lists, its list.
    HighlightState highlights;
    // The phrase collected by SHIFT clicks.
    GestureState gestures;
    // The assistance hints given so far and the no-hit bubble.
    AssistState assist;

    FilterMode filterMode = FilterMode::kFullText;
    int filteredLineCount = 0;

    bool oneClickSearch = false;
    bool highResultLine = false;
    bool markExcluded = false;
    int textOverBookmarks = 2;
    // CONTROL+Q hid the bookmark list in this view.
    bool bookmarksHidden = false;
    int tabSize = 3;

    // Editing in place: the selection, the active and the parked editor.
    ViewEditing edit{*this};
    // The active editor (edit.editor), null while the view does not edit.
    std::unique_ptr<Editor>& editor = edit.editor;

    ScreenBuffer screen;
    DisplayState display;
    // The head of the block around the screen, drawn in place of the first text row.
    BlockContextState context;
    // Drawn rows kept for repainting; created by the painter when a bitmap can be had.
    std::shared_ptr<RowCache> rowCache;
};

}  // namespace tessel
