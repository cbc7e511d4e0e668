#include "view/filter_view.h"

namespace tessel {

int toggleFilter(View& /*view*/, int /*type*/) {
    return 1;
}

int leaveFilter(View& /*view*/, bool /*quiet*/) {
    return 1;
}

int filterKeyDown(View& /*view*/, int /*key*/, int /*modifiers*/) {
    return 1;
}

int filterChar(View& /*view*/, uint8_t /*ch*/, int /*modifiers*/) {
    return 1;
}

}  // namespace tessel
