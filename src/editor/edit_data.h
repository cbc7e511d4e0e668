// The edit buffer of one file. While a file is edited its text lives here, not in the text
// store: one contiguous byte buffer of the file's lines separated by LF (CR removed), ended
// by a zero byte and a guard byte 0xEE that the integrity check looks for after every change.
// There is no gap: every change moves the tail of the buffer, and growth reserves room so
// that typing does not reallocate.
//
// The EditData hangs on its TextBlock and is shared by every view that edits the file; each
// such view has its own Editor (cursor, line cache) on it. The block holds one lock, every
// open or parked editor one more; the last release frees it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/undo_ring.h"
#include "text/text_store.h"

namespace tessel {

class Editor;
class FileSink;

inline constexpr unsigned char kGuardByte = 0xEE;
// Growth beyond the inserted text, so that typing does not reallocate.
inline constexpr int64_t kGrowthReserve = 10000;
// Edit lines 0 and 1 show the header and the file name, the last one a closing blank.
inline constexpr int kFirstTextLine = 2;
inline constexpr int kExtraLines = 3;

// Bits of EditData::lineEndFlags.
inline constexpr int kLineEndCr = 1;
inline constexpr int kLineEndLf = 2;

// How the file's bytes became the edit text, and so how they are written back.
enum class EditEncoding : uint8_t {
    kRaw,      // bytes as read, in the code page of the system
    kUtf8,     // decoded from UTF-8 without a byte order mark
    kUtf8Bom,  // decoded from UTF-8 that began with a byte order mark
};

// A place in the edit text: edit line (2 is the first text line) and byte column.
struct EditPosition {
    int line = kFirstTextLine;
    int column = 0;

    friend bool operator==(const EditPosition&, const EditPosition&) = default;
    friend auto operator<=>(const EditPosition&, const EditPosition&) = default;
};

// What the file on disk looked like when it was read for editing or last written, so that a
// save notices another program's change instead of overwriting it.
struct DiskIdentity {
    bool known = false;
    std::string path;  // the file the identity belongs to (a link's target)
    int64_t mtimeNs = 0;
    int64_t size = 0;
    uint64_t inode = 0;
    uint64_t device = 0;
    uint32_t mode = 0;  // permission bits
    uint32_t owner = 0;
    uint32_t group = 0;
};

class EditData : public EditDataBase {
  public:
    // readForEditing: a decoded file whose lines would not be written back as they were.
    static constexpr int kEncodingNotKept = 2;

    EditData() = default;
    ~EditData() override;
    EditData(const EditData&) = delete;
    EditData& operator=(const EditData&) = delete;

    // Allocates the buffer for a text of textBytes: the allocation is textBytes + 1000,
    // `capacity` textBytes + 500. The text is empty afterwards. 9 when memory runs out.
    int allocate(int64_t textBytes);
    // Replaces the text by a short message (a file that cannot be edited).
    void setMessageText(std::string_view message);
    // Makes room for `extra` more bytes: when fewer than extra + 10000 are free the buffer
    // grows by that much. 9 when memory runs out.
    int reserve(int64_t extra);

    std::string_view textView() const { return {text, static_cast<size_t>(length)}; }
    // Lines of the edit text (LF count + 1).
    int bufferLines() const { return lineCount - kExtraLines; }

    // The one way the text changes: replaces removeCount bytes at offset (at position `at`)
    // by `inserted`, keeps lineCount and the line-end flags, sets `modified`, and lets every
    // editor other than `acting` follow. restoredCrFlags puts back the exact line ends of a
    // text being restored by undo. 9 (nothing changed) when the range is outside the text or
    // memory runs out.
    int splice(int64_t offset, int64_t removeCount, std::string_view inserted, EditPosition at,
               const Editor* acting, const std::vector<uint8_t>* restoredCrFlags = nullptr);
    // Overwrites one byte in place (offsets stay; lines may split or join).
    int overwriteByte(int64_t offset, char byte, EditPosition at, const Editor* acting);
    // The CR flags of the LFs among `count` bytes at offset (empty unless line ends are mixed).
    std::vector<uint8_t> crFlagsOf(int firstLf, int lfCount) const;

    // Records an undo step before a change (the ring's record): 0, or 9 when the long copy
    // cannot be had.
    int recordStep(char kind, int column, int line, std::string_view bytes, int64_t offset,
                   int lineBreaks, int linesBefore, std::vector<uint8_t> crFlags = {}) {
        return undo.record(kind, column, line, bytes, offset, lineBreaks, linesBefore,
                           std::move(crFlags));
    }

    // Sets `modified` (and everModified) and tells the views to redraw when it changes.
    void setModified(bool on);
    // Clears the line start caches of every editor on this data.
    void clearCaches();

    // Whether the LF that ends buffer line `bufferLine` is written as CR LF.
    bool writesCrBefore(int bufferLine) const;
    // LF-only or CR LF for every line from now on (toggle of the line ends).
    void setUniformLineEnds(bool crlf);

    // Reads the block's file (or gives an untitled text an empty buffer): edit_load.cpp.
    // The undo ring starts empty.
    int load(const TextBlock& block, std::string& failReason);
    // Writes the text to the block's file: edit_write.cpp. 0, 1 (cancelled), 9.
    int write();
    // The bytes of the file as write() produces them (encoded, with the file's line ends);
    // false, reported with `name`, when a byte cannot be encoded.
    bool fileBytes(FileSink& sink, const char* name, int64_t* lines = nullptr) const;

    char* text = nullptr;
    int64_t capacity = 0;  // usable bytes; the allocation is 100 bytes more
    int64_t length = 0;
    int lineCount = kExtraLines + 1;  // text lines + 3; an empty text has one line
    int startLineCount = 0;           // the block's line count when editing started
    int leadLines = 0;  // block lines in front of the header line (an empty one or none)
    int lineEndFlags = 0;
    int64_t tabCount = 0;
    int64_t crCount = 0;
    bool detabbed = false;
    bool modified = false;
    bool everModified = false;
    // Set once the text was committed to the store since the last change.
    bool committed = false;
    EditEncoding encoding = EditEncoding::kRaw;
    // A raw text that holds UTF-8 sequences: editing may mix encodings, the user is told.
    bool rawHoldsUtf8 = false;
    // Only when some LFs of the file had a CR before them and some not: one entry per LF.
    std::vector<uint8_t> crBeforeLf;
    bool mixedLineEnds = false;
    DiskIdentity disk;

    UndoRing undo;
    // Every editor on this data, open or parked.
    std::vector<Editor*> editors;
    // The cursor of the last editor that was parked or closed here.
    EditPosition savedCursor;
    bool hasSavedCursor = false;

  private:
    void resetFileState();
    int readForEditing(const char* name, bool decode, bool colourText, std::string& failReason);
};

// Releases one lock; frees the data when it was the last. A count below zero is reported.
void releaseEditLock(EditData* data);

// True when the block's name marks a text without a file ("// untitled" ...).
bool isUntitledName(const char* name);

}  // namespace tessel
