// The search state of a view: masks, compiled expressions, fold tables, flags, the result of
// the last pass and the file selection. The View record embeds one; the view's search driver
// decides when to search and what a result means for the view, this state compiles, times
// and runs the passes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/line_match.h"
#include "search/pass_runner.h"
#include "search/search_expression.h"
#include "search/search_pass.h"

namespace tessel {

class TextStore;

// Settings the search reads; the view copies them in from the setting store.
struct SearchSettings {
    bool caseSearch = false;             // "casesearch"
    bool accentSearch = true;            // "accentsearch": on means accent-sensitive
    bool punctSearch = true;             // "punctsearch": on means punctuation-sensitive
    bool searchSeq = true;               // "searchseq"
    bool allowOps = true;                // "allowops"
    bool autoFilter = true;              // "autofilter"
    bool exitFilterOnSingleHit = false;  // "exitfilteronsinglehit"
    int searchDelay = 800;               // "searchdelay", milliseconds
    bool enableMouseBookDelay = false;   // "enableMouseBookDelay"
    int mouseBookDelay = 5000;           // "mousebookdelay"; negative: no search over the bookmarks
    int oneClickSearchDelay = 300;       // "oneclicksearchdelay"
    int autoResetFindMs = 0;             // "autoresetfind"; 0 is off
    bool fastLoad = false;               // lines were loaded without their closing blank
};

// The last keystrokes typed into a mask. A keystroke that starts a new word (the mask was
// cleared for it) is told apart: it asks for the full delay.
struct KeystrokeLog {
    static constexpr int kSize = 10;
    struct Entry {
        int64_t timeMs = 0;
        bool newWord = false;
    };
    Entry entries[kSize];
    int count = 0;  // entries in use, newest at (count - 1) % kSize
    void add(int64_t timeMs, bool newWord);
};

enum class SearchPhase : int { kDone = 0, kScheduled = 1, kRunning = 2 };

struct SearchTiming {
    int64_t startMs = 0;
    int64_t startNs = 0;
    int64_t elapsedMs = 0;
    int64_t elapsedNs = 0;
    int64_t testedLines = 0;
};

struct FileSelection {
    std::vector<uint8_t> fileSelected;  // one byte per block, sized block count + 20
    int selectedFiles = 0;
    int firstSelectedLine = -1;
    int64_t selectedLines = 0;
    // What the selection was computed for.
    bool valid = false;
    char keyMask[kMaxTermBytes + 1] = {};
    int keyBlockCount = 0;
    int keyLineCount = 0;
    bool keyActive = false;
    uint8_t keyFold = 0;
};

// The flags that decide what a mask matches; saved and put back together (the filtered view,
// the history of searches).
struct SearchFlags {
    bool caseSensitive = false;
    bool accentSensitive = true;
    bool punctSensitive = true;
    bool sequenceSensitive = true;
    bool operatorsOn = true;
};

struct SearchState {
    SearchState();
    ~SearchState();
    SearchState(const SearchState&) = delete;
    SearchState& operator=(const SearchState&) = delete;

    void applySettings(const SearchSettings& settings);

    SearchFlags flags() const {
        return {caseSensitive, accentSensitive, punctSensitive, sequenceSensitive, operatorsOn};
    }
    void setFlags(const SearchFlags& f) {
        caseSensitive = f.caseSensitive;
        accentSensitive = f.accentSensitive;
        punctSensitive = f.punctSensitive;
        sequenceSensitive = f.sequenceSensitive;
        operatorsOn = f.operatorsOn;
    }

    // Bounded copies into the mask fields.
    void setFindMask(std::string_view text);
    void setPathMask(std::string_view text);
    // The jump mask narrows where a file reference jumped to from another view may land; it
    // stands in for the path selection there while it is set.
    void setJumpMask(std::string_view text);

    // Rebuilds both fold tables and compiles both masks.
    void compileSearch(bool verbose);
    MatchFlags matchFlags() const { return {sequenceSensitive, fastLoad}; }
    bool matchLine(const char* line, uint32_t lineMask, const SearchExpression& expr,
                   const FoldTable& fold, int startOffset, int* hitOffset, int* hitLength);
    bool pathMatches(const char* name);

    int selectFiles(bool recompile);
    int nextSelectedFile(int index);
    int prevSelectedFile(int index);
    bool isFileSelected(int index) const;
    // Whether a block may receive a jump: its name matches the jump mask, or without one, it
    // is selected by the path mask (selectFiles must have run).
    bool jumpSelects(int index);

    // The delay before the next search (search_delay.cpp): `pathMaskTyped` when the path mask
    // has the input focus, `mouseOnBookmarks` while the pointer rests on the bookmarks.
    int searchDelay(int64_t nowMs, bool pathMaskTyped, bool mouseOnBookmarks) const;
    void recordKeystroke(int64_t nowMs, bool newWord);

    // A pass in the normal view: preparePass compiles, selects the files and starts the
    // timing, and returns the request, or null for an empty find mask (no line is tested);
    // finishPass takes the result: hits, timing, and the first hit placed (`lineCount`, the
    // lines a result can be on), or without hits the first selected file.
    std::shared_ptr<const PassRequest> preparePass(int64_t nowMs);
    void finishPass(const PassResult& result, int64_t nowMs, int lineCount);
    // The pass request for the selected blocks (the filtered view's pass and the benchmark).
    PassRequest passRequest();
    SearchWorkers& pool() const { return workers ? *workers : searchWorkers(); }

    // Flag toggles with their messages; the view searches again after each.
    void toggleOperators();
    void toggleSequence();
    void toggleAccent();
    void togglePunctuation();
    void toggleAutoFilter();

    TextStore& store() const;

    TextStore* textStorePtr = nullptr;  // the process-wide store unless a test sets its own
    SearchWorkers* workers = nullptr;   // the process-wide pool unless set

    char findMask[kMaskTextChars + 1] = {};
    char pathMask[kMaskTextChars + 1] = {};
    SearchExpression findExpr;
    SearchExpression pathExpr;
    char jumpMask[kMaskTextChars + 1] = {};
    SearchExpression jumpExpr;  // compiled with the path fold table when the mask is set
    FoldTable foldMain;
    FoldTable foldPath;
    std::string messageLine;  // the last compile error, for the view's message line

    bool caseSensitive = false;
    bool accentSensitive = true;
    bool punctSensitive = true;
    bool sequenceSensitive = true;
    bool operatorsOn = true;
    bool autoFilter = true;
    bool fastLoad = false;
    SearchSettings settings;

    int64_t hitCount = 0;
    bool pathSelectionActive = false;
    int currentLine = 0;
    int topLine = 0;
    int resultFocusOffset = 0;  // rows between the top and a result put on screen
    int lockRows = 0;
    bool searchPending = false;  // the search timer is armed
    SearchPhase searchPhase = SearchPhase::kDone;
    SearchTiming timing;
    KeystrokeLog keystrokeLog;
    int fastDelayMs = 0;       // set from outside, cleared by every run of the timer handler
    std::string oneClickText;  // becomes the find mask when the timer fires
    bool findMaskMarkedForReset = false;
    FileSelection files;
    WorkLine workLine;
    // The pass in the normal view.
    PassRunner pass;
};

}  // namespace tessel
