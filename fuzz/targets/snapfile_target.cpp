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

TESSEL_FUZZ_TARGET(snapfile) {
    if (data == nullptr) size = 0;
    const char* text = reinterpret_cast<const char*>(data);
    tessel::SnapfileHeader header;
    if (tessel::parseSnapfileHeader(text, size, header)) {
        if (header.prefixLength < 0 || header.prefixLength > tessel::kRecordPrefixCapacity ||
            header.prefix[header.prefixLength] != '\0')
            std::abort();
    }

    if (!tessel::fuzz::writeScratch("snap", data, size)) return 0;

    tessel::TextStore store;
    tessel::StartupLoadHooks hooks;
    tessel::StartupLoadStats stats;
    tessel::loadStartupSnapfile(tessel::fuzz::scratchPath("snap").c_str(), store, hooks, stats);
    for (int i = 0; i < store.lineCount(); ++i) {
        if (std::strchr(store.lineText(i), '\r') != nullptr) std::abort();
    }

    tessel::LineSource source;
    if (source.open(tessel::fuzz::scratchPath("snap").c_str()) != 0) return 0;
    tessel::LineReaderCounts counts;
    tessel::copySnapfileRecords(
        source, ":file:",
        [](const char* line, size_t length, bool) {
            if (length > tessel::kMaxLineBytes + 1 || line[length] != '\0') std::abort();
            if (tessel::hasSnapfileMagic(line, length)) std::abort();
            return 0;
        },
        counts, "fuzz");
    return 0;
}
