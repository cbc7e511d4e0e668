// A file's record built in one go. A line-by-line load hands every line of a file through
// the line reader, the load target and TextBlock::addText; for a plain text file the block
// that comes out is fully determined by the file's bytes. buildLineRecord makes the same
// block from the whole file: it reads the file straight into the block's buffer, behind the
// room the record needs, and cuts, escapes and ends the lines in place from there. The line
// reader stays the reference for everything else (binary, wide, snapfiles, and the rare
// files this path hands back), and tests hold the two to byte-identical blocks.
#pragma once

#include <cstdint>

#include "text/line_reader.h"

namespace tessel {

struct TextBlock;
class TextPool;

struct LineRecordFile {
    const char* path = nullptr;
    const char* name = nullptr;  // the record's name line
    int folderFd = -1;           // with nameInFolder: the file is opened by its name in it
    const char* nameInFolder = nullptr;
};

// Results besides 0 (the block is built and closed): kNotPlainText, for files the line reader
// must handle (binary, wide, snapfile, database, or not openable), and this one for plain
// files it reads better: a file that grew while read, a read error, a line that would turn
// the block into colour text, a file too large for one buffer, or no memory for it. Either
// way nothing is reported and the block is left empty.
constexpr int kUseLineReader = 4;

// Builds `block` (new, owned by the store whose record prefix is set) from the file as the
// line reader with `options` and the load target would have, and closes it, taking its
// memory from `pool` when given. Adds the file, its lines and bytes to `counts`.
int buildLineRecord(TextBlock& block, const LineRecordFile& file, const LineReaderOptions& options,
                    TextPool* pool, LineReaderCounts& counts);

}  // namespace tessel
