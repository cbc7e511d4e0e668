// Reading one block again from its file, in its place in the store.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/log/message_log.h"
#include "load/reload_scan.h"
#include "text/file_classify.h"
#include "base/files/file_open.h"
#include "text/line_reader.h"
#include "text/load_target.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Why a file that was loaded as text would not be read as text now, or null when it would.
// A pipe or device put where the file was could block the read for ever, and a binary file
// would replace readable text by extracted fragments: both leave the block as it is.
const char* refusalOf(const char* name, bool loadBin) {
    struct stat info {};
    const int fd = openRegularFile(name, -1, nullptr, info);
    if (fd == -EISDIR) return "now a folder";
    if (fd == -EINVAL) return "no longer a regular file";
    // A file that cannot be opened is read as an empty record with its name, as the
    // reload of a vanished file always was.
    if (fd < 0) return nullptr;
    unsigned char start[kClassifyBytes];
    int error = 0;
    const size_t count = readFully(fd, reinterpret_cast<char*>(start), sizeof start, &error);
    ::close(fd);
    const FileClass kind = classifyFileStart(name, start, count, textOptions().loadWchar);
    if (kind.binary && !loadBin) return "now a binary file";
    if (kind.database) return "now a database file";
    return nullptr;
}

void writeEmptyRecord(TextBlock& block, const std::string& name) {
    // A block with only blanks left is emptied before the record goes in.
    block.reset(1);
    if (!block.openForAdding) block.openForAdd();
    block.addText(kFileRecordPrefix, true);
    block.addText(name.c_str(), true);
    block.addText(" ", true);
}

}  // namespace

int ReloadScanner::reloadBlock(TextBlock& block) {
    if (!block.fileName) {
        logMessage("int. #2610161");
        return 9;
    }
    TextStore& store = theStore();
    const std::string name = block.fileName;
    const ReloadSettings settings =
        settingsOverride ? *settingsOverride : reloadSettingsFromConfig();
    if (const char* why = refusalOf(name.c_str(), settings.loadBin)) {
        logMessage("[note] not reloaded, %s: %s", why, name.c_str());
        return 2;
    }
    int result = 0;
    if (textOptions().fastLoad) {
        // The whole file straight into the block, as a fast load reads it.
        const LoadFileResult read = block.loadFile(name.c_str());
        if (read != LoadFileResult::kLoaded) {
            writeEmptyRecord(block, name);
            if (block.close() != 0) return 9;
            result = 9;
        }
    } else {
        block.reset(1);
        if (block.openForAdd() != 0) return 9;
        LoadTarget target;
        target.block = &block;
        target.headerState = kHeaderPassAll;
        LineReader reader;
        reader.options.loadBin = true;
        reader.options.loadWchar = textOptions().loadWchar;
        reader.options.nestedSnapfiles = false;
        reader.options.recordPrefix =
            store.prefixLength > 0 ? std::string_view(store.recordPrefix) : kFileRecordPrefix;
        const int read =
            reader.readFile(name.c_str(), name.c_str(),
                            [&target](const char* line, size_t length, bool needsNewline) {
                                return target.writeLine(line, length, needsNewline);
                            });
        // Fewer than two lines is no file record: the block becomes an empty one.
        if (read == 9 || read == kReadFailed || block.lineCount < 2) {
            writeEmptyRecord(block, name);
            if (read == 9 || read == kReadFailed) result = 9;
        }
        if (block.close() != 0) result = 9;
    }
    if (block.text && block.wrapWidth > 0) {
        if (traceMode()) logMessage("rewrap after reload: %d", block.wrapWidth);
        block.wrap(settings.tabWidth);
    }
    return result;
}

}  // namespace tessel
