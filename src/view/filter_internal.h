// Shared between the filter's source files only.
#pragma once

namespace tessel {

class View;

// Remembers the find mask, the first row shown and the marked line of the filter being left.
void saveExitRecord(View& view);

}  // namespace tessel
