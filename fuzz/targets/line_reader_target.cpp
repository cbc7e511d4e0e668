// Arbitrary bytes as a file: classified, read into a file record and stored. Every line
// the reader hands out must fit the line buffer and hold no carriage return and no NUL.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_target.h"
#include "text/file_classify.h"
#include "text/line_reader.h"
#include "text/load_target.h"
#include "text/text_store.h"

TESSEL_FUZZ_TARGET(line_reader) {
    if (data == nullptr) size = 0;
    tessel::classifyFileStart("x.qvdb", data, size, size % 2 == 0);
    if (!tessel::fuzz::writeScratch("reader", data, size)) return 0;

    unsigned char switches = size > 0 ? data[0] : 0;
    tessel::LineReader reader;
    reader.options.loadWchar = switches & 1;
    reader.options.loadBin = switches & 2;
    reader.options.nestedSnapfiles = switches & 4;
    reader.options.writeTime = switches & 8;

    tessel::TextStore store;
    tessel::LoadTarget target;
    target.store = &store;
    target.headerState = (switches & 16) ? tessel::kHeaderAppend : tessel::kHeaderIntroduce;
    tessel::LineOutput output = [&](const char* line, size_t length, bool needsNewline) {
        if (length > tessel::kMaxLineBytes + 1 || std::memchr(line, '\r', length) != nullptr ||
            std::memchr(line, '\0', length) != nullptr || line[length] != '\0')
            std::abort();
        return target.writeLine(line, length, needsNewline);
    };
    reader.readFile(tessel::fuzz::scratchPath("reader").c_str(), nullptr, output);
    reader.readFile(tessel::fuzz::scratchPath("reader").c_str(), ":file:", output);
    store.finish();
    for (int i = 0; i < store.lineCount(); ++i) {
        const char* line = store.lineText(i);
        if (std::strchr(line, '\r') != nullptr) std::abort();
    }
    return 0;
}
