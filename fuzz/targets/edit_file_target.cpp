// Arbitrary bytes as a file opened for editing, as raw bytes and as a text decoded from
// UTF-8: whenever the editor takes the file, the bytes it would write back unchanged must be
// the file's bytes exactly.
#include <cstdlib>
#include <string>

#include "editor/edit_data.h"
#include "editor/edit_file_io.h"
#include "fuzz_target.h"
#include "text/text_store.h"

TESSEL_FUZZ_TARGET(edit_file) {
    if (!tessel::fuzz::writeScratch("edit", data, size)) return 0;
    const std::string& path = tessel::fuzz::scratchPath("edit");
    std::string original(reinterpret_cast<const char*>(data), size);
    for (bool decoded : {false, true}) {
        tessel::TextStore store;
        tessel::TextBlock* block = store.appendBlock();
        if (!block || block->setName(path.c_str()) != 0) return 0;
        block->utf8Decoded = decoded;
        block->encodingFlags = decoded ? uint32_t{tessel::kEncodingValidUtf8} : uint32_t{0};
        auto* edit = new tessel::EditData;
        block->attachEditData(edit);
        std::string reason;
        if (edit->load(*block, reason) == 0) {
            tessel::FileSink sink(-1);
            if (!edit->fileBytes(sink, path.c_str()) || sink.buffer() != original) std::abort();
        }
        block->detachEditData(edit);
    }
    return 0;
}
