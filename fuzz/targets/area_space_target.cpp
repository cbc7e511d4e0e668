// Arbitrary bytes as area and space texts, as they come from the command line and the
// configuration. A space that parses must survive its own formatting unchanged.
#include <cstdlib>
#include <string_view>

#include "fuzz_target.h"
#include "view/area_space.h"

TESSEL_FUZZ_TARGET(area_space) {
    std::string_view text(reinterpret_cast<const char*>(data), data ? size : 0);

    tessel::AreaValues area;
    tessel::parseAreaText(text, &area);

    tessel::SpaceMargins space;
    if (tessel::parseSpaceText(text, &space) == 0) {
        tessel::SpaceMargins again;
        if (tessel::parseSpaceText(tessel::formatSpace(space), &again) != 0) std::abort();
        if (again.monitor != space.monitor || again.top != space.top ||
            again.right != space.right || again.bottom != space.bottom ||
            again.left != space.left) {
            std::abort();
        }
        tessel::FrameRect work{0, 0, 1920, 1080};
        tessel::FrameRect inner = tessel::shrinkByMargins(work, space);
        tessel::SpaceMargins margins;
        tessel::marginsOf(inner, work, &margins);
    }
    return 0;
}
