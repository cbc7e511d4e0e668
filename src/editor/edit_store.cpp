#include "editor/edit_store.h"

#include <cstring>
#include <string>

#include "base/log/message_log.h"
#include "editor/edit_data.h"
#include "load/reload_scan.h"
#include "search/search_pass.h"
#include "text/line_reader.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// The block's file record built from its edit buffer: header, name, every text line (a line
// that would pass for a record header gets an apostrophe, as a load gives it) and a closing
// blank line.
std::string recordOf(const TextStore& store, const TextBlock& block, const EditData& data) {
    std::string prefix =
        store.prefixLength > 0 ? std::string(store.recordPrefix) : kFileRecordPrefix;
    const char* name = block.fileName ? block.fileName : "";
    std::string record;
    record.reserve(static_cast<size_t>(data.length) + prefix.size() + std::strlen(name) + 64);
    record += prefix;
    if (store.prefixOnNameLine) {
        record += name;
    } else {
        if (data.encoding == EditEncoding::kUtf8Bom) record += " [utf8]";
        if (data.encoding == EditEncoding::kUtf8) record += " [utf8 nobom]";
        record += '\n';
        record += name;
    }
    std::string_view text = data.textView();
    // As in a load, the LF that ends the last line starts no line of its own.
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        record += '\n';
        if (looksLikeHeader(line.data(), line.size(), prefix)) record += '\'';
        record += line;
        start = end + 1;
    }
    record += '\n';
    return record;
}

}  // namespace

int commitEditsToStore(TextStore& store) {
    cancelSearchPasses();
    int rebuilt = 0;
    for (int b = 0; b < store.blockCount; ++b) {
        TextBlock* block = store.blocks[b];
        auto* data = block ? dynamic_cast<EditData*>(block->editData) : nullptr;
        if (!data || data->committed || !data->everModified || !data->text) continue;
        if (block->replaceText(recordOf(store, *block, *data)) != 0) return 9;
        data->startLineCount = block->lineCount;
        data->leadLines = 0;
        data->committed = true;
        ++rebuilt;
    }
    if (rebuilt == 0) return 1;
    store.renumber();
    return 0;
}

int reloadBlockFromFile(TextStore& store, TextBlock& block) {
    if (!block.fileName) return 9;
    cancelSearchPasses();
    ReloadScanner scanner;
    scanner.store = &store;
    const int result = scanner.reloadBlock(block);
    store.renumber();
    return result == 0 ? 0 : 9;
}

}  // namespace tessel
