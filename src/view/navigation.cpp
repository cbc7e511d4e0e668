#include "view/navigation.h"

namespace tessel {

int navigationKeyDown(View& /*view*/, int /*key*/, int /*modifiers*/) {
    return 1;
}

int navigationKeyUp(View& /*view*/, int /*key*/, int /*modifiers*/) {
    return 1;
}

int navigationChar(View& /*view*/, uint8_t /*ch*/, int /*modifiers*/) {
    return 1;
}

}  // namespace tessel
