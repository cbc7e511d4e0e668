#include "fuzz_target.h"

#include <cstring>

namespace tessel::fuzz {

std::vector<FuzzTarget>& fuzzTargets() {
    static std::vector<FuzzTarget> targets;
    return targets;
}

const FuzzTarget* findFuzzTarget(const char* name) {
    for (const FuzzTarget& target : fuzzTargets()) {
        if (name && std::strcmp(target.name, name) == 0) return &target;
    }
    return nullptr;
}

FuzzRegistration::FuzzRegistration(const char* name, FuzzFunction run) {
    fuzzTargets().push_back({name, run});
}

}  // namespace tessel::fuzz
