#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "fuzz_target.h"

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

namespace {

struct ScratchFile {
    explicit ScratchFile(const char* name) {
        std::string pattern = std::string("/tmp/tessel-fuzz-") + name + "-XXXXXX";
        int fd = mkstemp(pattern.data());
        if (fd >= 0) close(fd);
        path = pattern;
    }
    ~ScratchFile() { unlink(path.c_str()); }
    std::string path;
};

}  // namespace

const std::string& scratchPath(const char* name) {
    static std::map<std::string, std::unique_ptr<ScratchFile>> files;
    auto& file = files[name];
    if (!file) file = std::make_unique<ScratchFile>(name);
    return file->path;
}

bool writeScratch(const char* name, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(scratchPath(name).c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

FuzzRegistration::FuzzRegistration(const char* name, FuzzFunction run) {
    fuzzTargets().push_back({name, run});
}

}  // namespace tessel::fuzz
