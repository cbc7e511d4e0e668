// tessel-bench's figure for following a growing log file, and the clock its figures share.
#pragma once

#include <cstdint>

namespace tessel {

// The calling thread's own processor time in microseconds: what work costs the thread that
// stands for the user interface thread, beyond waiting.
int64_t threadCpuMicros();

class TextStore;

// Appends a log file to the loaded text and follows it while a writer thread makes it grow by
// `linesPerSecond` for `seconds`. Prints one "follow" line. 0 done, 9 failure (reported).
int benchFollow(TextStore& store, int linesPerSecond, int seconds);

}  // namespace tessel
