// The candidate scan with 64-byte vectors, on machines that have them.
#pragma once

#include "search/candidate_scan.h"

namespace tessel {

bool haveWideScan();

// For a plan of one to four needles whose bytes are one clause each: the same answer as
// scanForCandidate. `done` is set false (and nothing scanned) for any other plan.
const char* scanWide(const ScanPlan& plan, const char* from, const char* limit, const char* end,
                     bool* done);

}  // namespace tessel
