// Arbitrary bytes as a snapfile header and as a whole snapfile loaded at start-up into a
// fresh store, and copied record by record into a load stream.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_target.h"
#include "text/line_reader.h"
#include "text/snapfile.h"
#include "text/snapfile_load.h"
#include "text/text_store.h"

namespace {

// One scratch file per process, rewritten for every input and removed at exit.
struct ScratchFile {
    ScratchFile() {
        char pattern[] = "/tmp/tessel-fuzz-snap-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        path = pattern;
    }
    ~ScratchFile() { unlink(path.c_str()); }
    std::string path;
};

const std::string& scratchPath() {
    static const ScratchFile file;
    return file.path;
}

}  // namespace

TESSEL_FUZZ_TARGET(snapfile) {
    if (data == nullptr) size = 0;
    const char* text = reinterpret_cast<const char*>(data);
    tessel::SnapfileHeader header;
    if (tessel::parseSnapfileHeader(text, size, header)) {
        if (header.prefixLength < 0 || header.prefixLength > tessel::kRecordPrefixCapacity ||
            header.prefix[header.prefixLength] != '\0')
            std::abort();
    }

    FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    if (std::fclose(file) != 0) return 0;

    tessel::TextStore store;
    tessel::StartupLoadHooks hooks;
    tessel::StartupLoadStats stats;
    tessel::loadStartupSnapfile(scratchPath().c_str(), store, hooks, stats);
    for (int i = 0; i < store.lineCount(); ++i) {
        if (std::strchr(store.lineText(i), '\r') != nullptr) std::abort();
    }

    tessel::LineSource source;
    if (source.open(scratchPath().c_str()) != 0) return 0;
    tessel::LineReaderCounts counts;
    tessel::copySnapfileRecords(
        source, ":file:",
        [](const char* line, size_t length, bool) {
            if (length > tessel::kLineBufferBytes + 1 || line[length] != '\0') std::abort();
            if (tessel::hasSnapfileMagic(line, length)) std::abort();
            return 0;
        },
        counts);
    return 0;
}
