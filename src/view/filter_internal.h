// Shared between the filter's source files only.
#pragma once

namespace tessel {

class View;

// Remembers the find mask, the first row shown and the marked line of the filter being left.
void saveExitRecord(View& view);
// updateFilter; `fromSearch`: rows that arrive later from the workers get the search's single
// hit rule applied (the search itself sees only the start of the pass).
int updateFilterRows(View& view, bool keepDisplay, bool reuseMarks, bool fromSearch);

}  // namespace tessel
