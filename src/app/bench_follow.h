// tessel-bench's figure for following a growing log file.
#pragma once

namespace tessel {

class TextStore;

// Appends a log file to the loaded text and follows it while a writer thread makes it grow by
// `linesPerSecond` for `seconds`. Prints one "follow" line. 0 done, 9 failure (reported).
int benchFollow(TextStore& store, int linesPerSecond, int seconds);

}  // namespace tessel
