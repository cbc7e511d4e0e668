// The row model of a view's filtered view or file list.
#pragma once

namespace tessel {

struct FilterState {};

}  // namespace tessel
