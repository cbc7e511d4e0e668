// Arbitrary bytes as a file, built into a block from the whole file and read into one by the
// line reader: when the builder takes the file, both blocks must hold the same text, line
// starts and line masks.
#include <cstdlib>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "fuzz_target.h"
#include "text/line_record.h"
#include "text/load_target.h"
#include "text/text_store.h"

TESSEL_FUZZ_TARGET(line_record) {
    if (data == nullptr) size = 0;
    if (!tessel::fuzz::writeScratch("record", data, size)) return 0;
    const std::string& path = tessel::fuzz::scratchPath("record");
    tessel::codePageTables().init(1252);
    tessel::TextStore store;
    store.takePrefixFromHeader(tessel::kMemoryHeaderLine);
    tessel::LineReaderOptions options;
    options.plainOnly = true;

    tessel::TextBlock built(&store);
    tessel::LineReaderCounts counts;
    tessel::LineRecordFile file{path.c_str(), path.c_str()};
    bool pooled = size > 0 && (data[0] & 1);
    int rc =
        tessel::buildLineRecord(built, file, options, pooled ? &store.textPool : nullptr, counts);
    if (rc != 0) return 0;

    tessel::TextBlock read(&store);
    tessel::LoadTarget target;
    target.block = &read;
    read.openForAdd();
    tessel::LineReader reader;
    reader.options = options;
    reader.readFile(path.c_str(), path.c_str(),
                    [&target](const char* line, size_t length, bool newline) {
                        return target.writeLine(line, length, newline);
                    });
    read.close();
    if (read.usedBytes != built.usedBytes || read.lineCount != built.lineCount ||
        std::memcmp(read.text, built.text, static_cast<size_t>(read.usedBytes)) != 0)
        std::abort();
    size_t slots = static_cast<size_t>(read.lineCount) * sizeof(uint32_t);
    if (std::memcmp(read.lineArrays.starts, built.lineArrays.starts, slots) != 0 ||
        std::memcmp(read.lineArrays.masks, built.lineArrays.masks, slots) != 0 ||
        read.encodingFlags != built.encodingFlags || counts.lines != reader.counts.lines)
        std::abort();
    return 0;
}
