// The recent edit: what the user's last change within one line replaced, so that one key can
// repeat that change at the next occurrence ("instant replace"). One per process, shared by
// all editors.
#pragma once

#include <string>

namespace tessel {

class EditData;

inline constexpr size_t kRecentPhraseBytes = 489;

struct RecentEdit {
    std::string source;       // the phrase the last edit within one line removed
    std::string replacement;  // the phrase that took its place
    int trackedLine = -1;     // the edit line whose changes are followed; -1 none
    int previousLine = -1;
    int startColumn = 0;  // the span of the change in the tracked line
    int endColumn = 0;
    std::string lineSnapshot;  // the tracked line before the first change
    bool replaceArmed = false;
    bool replaceAtLineEnd = false;
    // The text the tracked line belongs to; only compared, never followed.
    const EditData* trackedData = nullptr;

    void clear() { *this = RecentEdit{}; }
};

}  // namespace tessel
