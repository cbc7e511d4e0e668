#include "view/view_scroll.h"

namespace tessel {

int scrollKeyDown(View& /*view*/, int /*key*/, int /*modifiers*/) {
    return 1;
}

}  // namespace tessel
