// Fuzz targets: each feeds arbitrary bytes to one parser of outside input. A target
// must never crash, hang or leak on any input; it returns 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel::fuzz {

using FuzzFunction = int (*)(const uint8_t* data, size_t size);

struct FuzzTarget {
    const char* name;
    FuzzFunction run;
};

std::vector<FuzzTarget>& fuzzTargets();
const FuzzTarget* findFuzzTarget(const char* name);

// A scratch file per process and name, rewritten for every input and removed at exit, for
// targets whose parser reads files.
const std::string& scratchPath(const char* name);
bool writeScratch(const char* name, const uint8_t* data, size_t size);

struct FuzzRegistration {
    FuzzRegistration(const char* name, FuzzFunction run);
};

}  // namespace tessel::fuzz

#define TESSEL_FUZZ_TARGET(name)                                                               \
    static int fuzz_##name(const uint8_t* data, size_t size);                                  \
    static const ::tessel::fuzz::FuzzRegistration fuzzRegistration_##name(#name, fuzz_##name); \
    static int fuzz_##name(const uint8_t* data, size_t size)
