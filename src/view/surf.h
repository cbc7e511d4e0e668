// The mouse surfing state of a view.
#pragma once

namespace tessel {

struct SurfState {};

}  // namespace tessel
