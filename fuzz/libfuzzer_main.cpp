// libFuzzer entry: TESSEL_FUZZ_TARGET names the target, for example
//   TESSEL_FUZZ_TARGET=line_reader ./tessel-fuzz corpus/
#include <cstdio>
#include <cstdlib>

#include "fuzz_target.h"

// TESSEL_FUZZ_LIST=1 prints the target names, one a line, and ends: the fuzz script runs
// every target by these names.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    const char* list = std::getenv("TESSEL_FUZZ_LIST");
    if (list && list[0] == '1') {
        for (const auto& t : tessel::fuzz::fuzzTargets()) std::printf("%s\n", t.name);
        std::exit(0);
    }
    return 0;
}

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
