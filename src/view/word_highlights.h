// The words a view colours besides its search hits: a list of "name word" entries, kept per
// view or shared by all views, and the marking of their occurrences on the screen rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class View;

inline constexpr int kHighlightNameChars = 20;
inline constexpr int kHighlightWordChars = 200;
inline constexpr int kMaxHighlightsPerRow = 1000;
// Entries without a colour of their own take the automatic colours 58 ... 62 in turn.
inline constexpr int kFirstAutoColour = 58;
inline constexpr int kAutoColours = 5;

// The entries "name word"; the word part is compared, the name picks the colour.
class HighlightList {
  public:
    // Adds the word (0), removes it when allowRemove (2), or leaves it (1, already listed).
    // With `report` the change is shown in the status line.
    int toggle(std::string_view word, std::string_view name, bool allowRemove, bool report,
               bool caseSensitive);
    // Entries added by the double CONTROL press (their text starts with "any ").
    int countAuto() const;
    // A complete entry, as other commands build it.
    void append(std::string_view entry);
    void clear() { entries_.clear(); }
    bool empty() const { return entries_.empty(); }
    const std::vector<std::string>& entries() const { return entries_; }

  private:
    std::vector<std::string> entries_;
};

struct HighlightState {
    HighlightState();
    // Compare highlighted words case-sensitively ("markcase" for a new view).
    bool highlightCase = false;
    // The view's own list, used while "localhighlight" is on.
    HighlightList list;
};

// The list shared by all views while "localhighlight" is off.
HighlightList& sharedHighlights();
// The list that applies to a view now.
HighlightList& highlightListOf(View& view);

// The attribute code of an entry name; -1 for names without a fixed colour.
int highlightColour(std::string_view name);

// Colours every occurrence of the listed words in `text` (length bytes) by writing the
// entries' codes into `attr`, within [visibleFrom, visibleTo); bookmark marks stay.
void markHighlights(const HighlightList& list, bool caseSensitive, const char* text, int length,
                    char* attr, int visibleFrom, int visibleTo);
// The screen builder's call for one row of a view.
void markWordHighlights(View& view, const char* text, int length, char* attr);

// The word of the screen row under a cell ("" on blank space), cut to the entry size.
std::string wordAtCell(const View& view, int row, int column);
// The double CONTROL gesture: toggles the word under the cell, or clears the highlights on
// blank space. With per-view lists and `shift`, every view's list is changed.
int highlightWordAt(View& view, int row, int column, bool shift);
// Flips the view's case rule for highlighted words, with its log message.
void toggleHighlightCase(View& view);

}  // namespace tessel
