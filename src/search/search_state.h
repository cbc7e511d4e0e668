// The search state of a view: masks, compiled expressions, fold tables, flags, the result of
// the last pass and the file selection. The View record embeds one and hands it a
// SearchHost (its timers, its screen, its filtered view) to schedule and run searches.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/line_match.h"
#include "search/search_expression.h"
#include "search/search_host.h"
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

struct KeystrokeLog {
    static constexpr int kSize = 10;
    struct Entry {
        int64_t timeMs = 0;
        int keyCode = 0;
    };
    Entry entries[kSize];
    int count = 0;  // entries in use, newest at (count - 1) % kSize
    void add(int64_t timeMs, int keyCode);
};

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

    // Scheduling and passes (search_schedule.cpp).
    int searchDelay() const;
    void recordKeystroke(int keyCode);
    void scheduleSearch(bool resumed, int oneShotDelayMs = 0);
    void runSearch();
    // The auto reset timer expired: the find mask is shown dimmed until it is set again.
    void resetTimerExpired();
    // One pass in the normal view. With noInterrupt it runs to its end before returning;
    // otherwise it runs on the workers and its result arrives through the host's UI queue.
    void globalSearch(bool noInterrupt);
    // Stops a running pass (a keystroke or a store change) and waits for it.
    void cancelPass();
    bool passRunning() const { return job_ != nullptr; }
    // The pass request for the selected blocks (exposed for the benchmark and tests).
    PassRequest passRequest();

    // Flag toggles with their messages; each restarts the search.
    void toggleOperators();
    void toggleSequence();
    void toggleAccent();
    void togglePunctuation();
    void toggleAutoFilter();

    TextStore& store() const;

    TextStore* textStorePtr = nullptr;  // the process-wide store unless a test sets its own
    SearchHost* host = nullptr;
    SearchWorkers* workers = nullptr;  // the process-wide pool unless set

    char findMask[kMaskTextChars + 1] = {};
    char pathMask[kMaskTextChars + 1] = {};
    SearchExpression findExpr;
    SearchExpression pathExpr;
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
    bool searchPending = false;
    int searchPhase = 0;  // 1 scheduled, 2 pass running, 0 done
    SearchTiming timing;
    KeystrokeLog keystrokeLog;
    int fastDelayMs = 0;       // set from outside, cleared by every run of the timer handler
    std::string oneClickText;  // becomes the find mask when the timer fires
    bool findMaskMarkedForReset = false;
    FileSelection files;
    WorkLine workLine;

  private:
    void finishPass(const PassResult& result);
    void applyPass(const PassResult& result);

    std::shared_ptr<PassJob> job_;
    // Results posted to the UI thread carry the generation of their pass; a cancelled or
    // destroyed state no longer takes them.
    std::shared_ptr<std::atomic<uint64_t>> passToken_;
    uint64_t passGeneration_ = 0;
};

}  // namespace tessel
