// The bookmark file's bytes: the magic "QVBKM101", a header of tagged records ended by "hde0",
// each entry's records ended by "bme0", and "eod0". A record is a four-character tag whose
// last character says what follows: '0' nothing, '1' a 32-bit number, '2' a 64-bit number,
// '*' a 32-bit length and that many bytes. All numbers are big-endian. Readers find records
// by the first three characters, so unknown tags are skipped by their payload type.
//
// The reader works on the bytes in memory and never reads past a record, a length or the
// end, whatever the bytes say; the records of one header or entry must end before byte 99900.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "bookmarks/view_position.h"

namespace tessel {

inline constexpr char kBookmarkMagic[] = "QVBKM101";
inline constexpr size_t kBookmarkMagicBytes = 8;
inline constexpr size_t kRecordGroupLimit = 99900;
inline constexpr uint32_t kMaxStoredEntries = 1000;
inline constexpr int kStoredFileNameChars = 4095;
// Highlight data of this length or more is not taken at all.
inline constexpr uint32_t kHighlightDataRefused = 100001;
inline constexpr char kLoadErrorPrefix[] = "bookmark loading error: ";

struct StoredHeader {
    int32_t fileSize = -1;
    uint32_t entryCount = 0;
    uint32_t scriptIndex = 0;
};

// One entry as the file has it; relocation decides where it lands.
struct StoredEntry {
    ViewPosition pos;
    std::string fileName;
    bool hasFileName = false;
    bool hasPlacement = false;  // "tpl1": topLine and currentLine are taken as stored
};

// Writer: appends records to `out`.
void writeFileHeader(std::string& out, const StoredHeader& header);
// The entry's records; fileName null when its line lies in no file.
void writeEntry(std::string& out, const ViewPosition& pos, const char* fileName,
                int32_t relativeLine, std::string_view lineText);
void writeFileEnd(std::string& out);

class BookmarkReader {
  public:
    // `prefix` begins every error message.
    explicit BookmarkReader(std::string_view data, const char* prefix = kLoadErrorPrefix);
    // Each: 0 read, 9 the file is damaged here (reported).
    int readMagic();
    int readHeader(StoredHeader& header);
    // An entry starts from tab size 3 and the given lock mode and rows; its records override.
    int readEntry(StoredEntry& entry, int32_t lockMode = 0, int32_t lockRows = 0);
    size_t offset() const { return pos_; }

  private:
    struct Record {
        char tag[5] = {};
        char type = '0';
        int64_t number = 0;
        std::string_view text;
    };
    // 0 a record, 1 the data ended, 9 a damaged record (reported).
    int next(Record& record, size_t groupStart);
    bool take(size_t bytes, const char** start);

    std::string_view data_;
    size_t pos_ = 0;
    const char* prefix_;
};

}  // namespace tessel
