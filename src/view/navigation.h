// Result focus, file stepping and the history of a view's search states.
#pragma once

namespace tessel {

struct NavigationState {};

}  // namespace tessel
