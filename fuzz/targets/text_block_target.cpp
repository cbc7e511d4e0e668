// Arbitrary bytes as a file read whole into a block and as a line stream fed to a store;
// every line is then looked up, located by address, and each wrappable block is wrapped and
// unwrapped, which must give back its text lines unchanged.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "text/snapfile.h"
#include "text/text_store.h"

namespace {

using tessel::TextBlock;
using tessel::TextStore;

void check(bool holds) {
    if (!holds) std::abort();
}

void readEveryLine(TextStore& store, int wrapWidth) {
    for (int line = -1; line <= store.lineCount(); ++line) {
        uint32_t mask = 0;
        check(store.lineText(line) != nullptr);
        check(store.lineTextAndMask(line, &mask) != nullptr);
        store.lineMask(line) |= 0;
    }
    for (int i = 0; i < store.blockCount; ++i) {
        TextBlock* block = store.blockAt(i);
        block->headerLine("fuzz");
        block->nameLine("fuzz");
        block->kindName(block->firstLine);
        for (int local = 0; local < block->lineCount; ++local) {
            check(block->lineOfAddress(block->line(local)) == block->firstLine + local);
        }
        if (!block->canWrap() || !block->text) continue;
        std::vector<std::string> before;
        for (int local = 0; local < block->lineCount; ++local)
            before.emplace_back(block->line(local));
        block->wrapWidth = wrapWidth;
        block->rewrapped = wrapWidth % 2 == 0;
        block->wrap(4);
        block->wrapWidth = 0;
        block->rewrapped = false;
        check(block->wrap(4) == 0);
        check(block->lineCount == static_cast<int>(before.size()));
        // Header lines may lose a repeated attribute to the second indexing; text lines
        // must come back byte for byte.
        for (int local = 0; local < block->lineCount; ++local) {
            if (!store.startsWithPrefix(before[local].c_str())) {
                check(before[local] == block->line(local));
            }
        }
    }
    store.renumber();
}

}  // namespace

TESSEL_FUZZ_TARGET(text_block) {
    if (!tessel::fuzz::writeScratch("block", data, size)) return 0;
    const char* path = tessel::fuzz::scratchPath("block").c_str();

    bool savedDecode = tessel::textOptions().utf8Decode;
    int wrapWidth = size > 0 ? 1 + data[0] % 40 : 8;
    for (bool decode : {false, true}) {
        tessel::textOptions().utf8Decode = decode;

        TextStore whole;
        whole.takePrefixFromHeader(tessel::kMemoryHeaderLine);
        TextBlock* block = whole.appendBlock();
        if (block) block->loadFile(path);
        whole.renumber();
        readEveryLine(whole, wrapWidth);

        // Like a load into an empty store: the in-memory header first, unless the bytes
        // bring their own.
        TextStore stream;
        if (!tessel::hasSnapfileMagic(reinterpret_cast<const char*>(data), size)) {
            stream.addLine(tessel::kMemoryHeaderLine, true);
        }
        std::string line;
        for (size_t at = 0; at < size; ++at) {
            line.push_back(static_cast<char>(data[at]));
            if (data[at] == '\n' || at + 1 == size) {
                stream.addLine(line.c_str(), true);
                line.clear();
            }
        }
        stream.finish();
        readEveryLine(stream, wrapWidth);
    }
    tessel::textOptions().utf8Decode = savedDecode;
    return 0;
}
