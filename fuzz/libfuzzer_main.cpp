// libFuzzer entry: TESSEL_FUZZ_TARGET names the target, for example
//   TESSEL_FUZZ_TARGET=lineReader ./tessel-fuzz corpus/
#include <cstdio>
#include <cstdlib>

#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tessel::fuzz::FuzzTarget* target = [] {
        const char* name = std::getenv("TESSEL_FUZZ_TARGET");
        const tessel::fuzz::FuzzTarget* found = tessel::fuzz::findFuzzTarget(name);
        if (!found) {
            std::fprintf(stderr, "set TESSEL_FUZZ_TARGET to one of:");
            for (const auto& t : tessel::fuzz::fuzzTargets()) std::fprintf(stderr, " %s", t.name);
            std::fprintf(stderr, "\n");
            std::exit(2);
        }
        return found;
    }();
    return target->run(data, size);
}
