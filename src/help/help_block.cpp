#include "help/help_block.h"

#include <string>
#include <string_view>

#include "base/log/message_log.h"
#include "help/help_text.h"
#include "text/file_kind.h"
#include "text/line_reader.h"
#include "text/text_store.h"

namespace tessel {

TextBlock* findHelpBlock(TextStore& store) {
    for (int i = 0; i < store.blockCount; ++i) {
        TextBlock* block = store.blockAt(i);
        if (block && block->helpText) return block;
    }
    return nullptr;
}

TextBlock* loadHelpBlock(TextStore& store) {
    if (TextBlock* loaded = findHelpBlock(store)) return loaded;
    if (store.loadRunning.load()) {
        logMessage("[note] the help opens when loading is over.");
        return nullptr;
    }
    const std::string text = helpTextWithPictureRows(helpText());
    if (text.empty()) return nullptr;
    TextBlock* block = store.appendBlock();
    if (!block || block->openForAdd() != 0) return nullptr;
    block->helpText = true;
    // The block reads as a file record of the store: its header line, its name, its lines.
    std::string line = std::string(store.hasPrefix ? store.recordPrefix : kFileRecordPrefix);
    line += '\n';
    int status = block->addText(line.c_str(), true);
    line = std::string(kHelpBlockName) + "\n";
    status |= block->addText(line.c_str(), true);
    std::string_view rest = text;
    while (status == 0 && !rest.empty()) {
        const size_t end = rest.find('\n');
        line.assign(rest.substr(0, end));
        line += '\n';
        status |= block->addText(line.c_str(), true);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    if (status != 0 || block->close() != 0) {
        logError(0, "help: cannot load the help text");
        return nullptr;
    }
    if (!block->fileName) block->setName(kHelpBlockName);
    for (int i = 0; i < block->lineCount; ++i) {
        uint32_t& mask = block->lineMaskRef(i);
        mask = (mask & ~uint32_t{0xFF}) | kLanguageHelp;
    }
    store.renumber();
    return block;
}

int helpChapterLine(TextStore& store, int chapter) {
    const TextBlock* block = findHelpBlock(store);
    if (!block || chapter <= 0) return -1;
    for (int i = 0; i < block->lineCount; ++i) {
        const char* text = block->line(i);
        if (text && helpChapterOf(text) == chapter) return block->firstLine + i;
    }
    return -1;
}

}  // namespace tessel
