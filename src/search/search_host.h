// What the search needs from the view that owns it: a clock, the search timer, a way back to
// the user interface thread, and the parts of the view a search moves (screen, filtered view,
// file list). The view implements it; tests implement it without a window.
#pragma once

#include <cstdint>
#include <functional>

namespace tessel {

class SearchHost {
  public:
    virtual ~SearchHost() = default;

    virtual int64_t nowMs() = 0;
    virtual void armSearchTimer(int delayMs) = 0;
    virtual void killSearchTimer() = 0;
    virtual void armResetTimer(int /*delayMs*/) {}
    // Runs `task` later on the user interface thread (pass results come back this way).
    virtual void postToUi(std::function<void()> task) = 0;

    virtual bool textLoading() { return false; }
    virtual bool mouseOverBookmarks() { return false; }
    virtual bool pathMaskHasFocus() { return false; }
    virtual bool editorActive() { return false; }
    virtual int viewLineCount() = 0;

    virtual void refreshStatus() {}
    virtual void refreshView() {}
    virtual void recordHistoryStep(const char* /*name*/) {}

    // The filtered view and the file list.
    virtual bool inNormalView() { return true; }
    virtual void resetFileListMode() {}
    virtual void openFilteredView() {}
    virtual void openFileList() {}
    virtual void updateFilter() {}
    virtual void leaveFilter() {}
    virtual int filterHitLine() { return -1; }
};

}  // namespace tessel
