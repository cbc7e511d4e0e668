// The words a view colours besides its search hits.
#pragma once

namespace tessel {

struct HighlightState {};

}  // namespace tessel
