// All loaded text lives in one process-wide TextStore: a table of TextBlocks in load order.
// Each block owns one contiguous buffer holding one loaded text (normally one file behind
// its file header line), an index of line starts and one line mask per line. The store
// numbers every line of every block in one global sequence from 0.
//
// Lookups never return NULL: misses give marker texts ("[null2]" ...) and the empty block.
// Result codes: 0 success, 9 failure already reported, others as documented.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "text/line_arrays.h"
#include "text/text_block_pool.h"

namespace tessel {

class TextStore;
struct TextBlock;

// Settings the text module reads; the app copies them in from the setting store.
struct TextOptions {
    bool utf8Decode = true;  // "utf8decode"; on by default in the native (linux) mode
    bool loadWchar = false;  // "loadwchar"
    bool loadBin = false;    // "loadbin"
    bool fastLoad = false;   // "-fastload" / "fastload"
    // File kind for syntax colours from name and first text line; 0 until languages exist.
    std::function<int(const char* name, const char* firstLine)> fileKind;
};
TextOptions& textOptions();

// Set while a load is being stopped by the user: long reads end early.
std::atomic<bool>& loadStopRequested();

// The editor's per-file data as the store sees it: a lock count and the link to its block.
// The editor derives its EditData from it; the block releases it at lock count 0.
struct EditDataBase {
    virtual ~EditDataBase() = default;
    int lockCount = 0;
    TextBlock* block = nullptr;
};

// Looks at the first bytes of a file before TextBlock::loadFile reads the rest; false
// turns the file away unread.
using LoadCheck = std::function<bool(const char* start, size_t length)>;

// Results of TextBlock::loadFile. The numbers are the codes "failed to load, rc %ld" shows.
enum class LoadFileResult : int {
    kLoaded = 0,
    kMissing = 1,         // "no such file: %s"
    kEmpty = 2,           // "no file, or empty: %s"
    kUnreadable = 3,      // "cannot read: %s"
    kOutOfMemory = 4,     // reported through the out-of-memory report
    kIncomplete = 5,      // "incomplete read: %s"
    kTurnedAway = 6,      // the caller's check refused the file after its first bytes
    kFailed = 9,          // out of memory for the name or the line index, reported
    kOverSizeLimit = -1,  // larger than the size limit; nothing reported
};

// The lines of a file's block that are not the file's own text: the empty line, the prefix
// line and the name line of a file read whole, or the header line, the name line and the
// closing empty line of a record fed line by line. Counts of text lines leave them out.
inline constexpr int kRecordHeaderLines = 3;

// Who frees a block's text: nobody (the network receiver's ring buffers), free(), or nobody
// until the store releases its pool.
enum class TextMemory : uint8_t { kBorrowed, kHeap, kPool };

// A text line that starts with this turns its block into interleaved colour text.
inline constexpr char kColourTextMagic[] =
    "<interleaved-attributes-text version=\"1.0\" prefix=\"\">";

// Byte order mark, valid UTF-8 sequences, invalid bytes.
enum EncodingFlag : uint32_t {
    kEncodingBom = 1,
    kEncodingValidUtf8 = 2,
    kEncodingInvalid = 4,
};

// Line starts are 32-bit offsets, so one block holds less than 4 GiB of text.
inline constexpr int64_t kMaxBlockBytes = int64_t{UINT32_MAX} - 1;

struct TextBlock {
    explicit TextBlock(TextStore* owner);
    ~TextBlock();
    TextBlock(const TextBlock&) = delete;
    TextBlock& operator=(const TextBlock&) = delete;

    TextStore* owner = nullptr;
    char* fileName = nullptr;  // owned; NULL: "text with undefined filename"
    int64_t fileTime = 0;      // seconds since 1970 UTC, 0 when unknown
    int64_t fileSize = 0;
    int64_t watchedSize = 0;

    char* text = nullptr;  // the buffer
    // A pooled text is never freed or resized by the block.
    TextMemory textMemory = TextMemory::kBorrowed;
    bool ownsBuffer() const { return textMemory != TextMemory::kBorrowed; }
    int64_t usedBytes = 0;
    int64_t allocatedBytes = 0;

    bool openForAdding = false;
    bool colourText = false;
    bool helpText = false;
    bool clipText = false;
    int wrapWidth = -1;
    bool rewrapped = false;

    uint32_t encodingFlags = 0;
    int64_t firstUtf8Offset = 0;
    int64_t firstInvalidOffset = 0;
    int firstUtf8Line = 0;
    int firstInvalidLine = 0;

    // Set once indexing has tagged and decoded the UTF-8 text in place, so that indexing
    // again (wrap, unwrap) never decodes the already decoded bytes a second time.
    bool utf8Decoded = false;

    // Ring blocks: the network receiver provides the text and colour buffers (borrowed, so
    // they are never freed here) and must keep used bytes covering the slots. The line
    // arrays are always the block's own, from the heap. The receiver thread writes a slot
    // completely before it moves head and fill (release), so a reader that loads them
    // (acquire) finds the slots they name complete.
    bool ring = false;
    int slotWidth = 0;
    std::atomic<int> ringHead{0};
    std::atomic<int> ringFill{0};

    char* colourBuffer = nullptr;
    int64_t colourBufferSize = 0;

    EditDataBase* editData = nullptr;

    char* shadow = nullptr;
    int64_t shadowSize = 0;

    int lineCount = 0;  // while open for adding: the number of adds
    // Byte offsets of the line starts into `text` (half the size of pointers, which counts
    // with tens of millions of lines) and the line masks; the capacity is the line capacity.
    LineArrays lineArrays;
    uint32_t spareMask[2] = {};
    // A number no other indexing of any block has had: it changes whenever the lines are
    // indexed anew (load, reload, wrap, commit), so that what others keep about the lines can
    // tell whether it is still theirs. 0 until the first indexing.
    uint64_t textStamp = 0;

    int firstLine = 0;
    int endLine = 0;
    int64_t lastCheckMs = 0;  // tick of the last change check by the reload scan

    int openForAdd();
    int addText(const char* text, bool lineMode, int64_t length = -1);
    // Records the UTF-8 state of text just added at `start`, and where it was first seen.
    void scanAddedText(int64_t start, int64_t length);
    // With a pool, text grown line by line moves into it: a load of many files then keeps
    // no heap growing by their texts.
    int close(TextPool* pool = nullptr);
    // With a pool the line arrays are taken from it.
    int indexLines(bool* headerHadTimeAndSize = nullptr, TextPool* pool = nullptr);
    // Reads a whole file in block form. With a check, a file that cannot be opened (missing,
    // unreadable) is left for the caller to report. With a pool, text and line arrays are
    // taken from it when it has room. With a check and an open folder, the file is opened
    // as `nameInFolder` in that folder; `path` names it.
    LoadFileResult loadFile(const char* path, int64_t sizeLimit = 0,
                            const LoadCheck* check = nullptr, TextPool* pool = nullptr,
                            int folderFd = -1, const char* nameInFolder = nullptr);
    void reset(int level);
    int setName(const char* name);
    int statFile();
    int checkChanged(int* changeCode);

    // Lines of an open block cannot be read: they give the marker text like a miss.
    const char* line(int index) const;
    const char* lineAndMask(int index, uint32_t* mask) const;
    // The start of line slot `index` (physical, unchecked); NULL for a slot without a line.
    const char* lineAt(int index) const {
        uint32_t offset = lineArrays.starts[index];
        return offset == kNoLineStart ? nullptr : text + offset;
    }
    uint32_t& lineMaskRef(int index);
    int lineOfAddress(const char* address) const;
    int headerLine(const char* nameForMessage = nullptr) const;
    int nameLine(const char* nameForMessage = nullptr) const;
    const char* kindName(int globalLine) const;
    const char* reloadKind() const;
    bool canWrap() const;
    int wrap(int tabWidth);

    // Replaces the text of a closed block by the given lines (separated by LF; each stored
    // with its closing blank as a load stores it), keeping the name, file time and size and
    // the editor link. The lines are taken as they stand, never decoded again. The store
    // must be renumbered afterwards.
    int replaceText(std::string_view lines);

    int attachEditData(EditDataBase* data);
    int detachEditData(EditDataBase* data);

    // Ring blocks: logical line index to physical slot and back.
    int physicalIndex(int logical) const;
    int logicalIndex(int physical) const;

    // Frees the text and colour buffers as their memory says, and forgets them.
    void releaseText();

  private:
    // The jobs of indexLines, in their order.
    int64_t decodeUtf8Text();
    int indexEveryLine();
    int readRecordHeaders(int prefixLines, bool* headerHadTimeAndSize);
    void finishEncodingTag(int64_t tagBracket);
    // The jobs of loadFile that follow taking the name.
    LoadFileResult readWholeFile(int64_t sizeLimit, const LoadCheck* check, TextPool* pool,
                                 int folderFd, const char* nameInFolder);
};

struct LineLookupCache {
    int firstLine = 0;
    int endLine = 0;
    int blockIndex = 0;
};

class TextStore {
  public:
    TextStore();
    ~TextStore();
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    int addLine(const char* line, bool lineMode);
    int loadFileBlock(const char* path, int* lineCountOut, int64_t* usedBytesOut);
    TextBlock* appendBlock(TextBlock* ringBlock = nullptr);
    // Appends a closed block made apart from the store (read ahead on a helper thread);
    // false, with the block deleted, when the table takes no more blocks.
    bool adoptBlock(TextBlock* block);
    int closeLast();
    int finish();
    int renumber();
    int findLine(int line, bool* notFound);
    TextBlock* blockForLine(int line, TextBlock* hint = nullptr, int* blockIndexOut = nullptr,
                            int callerTag = 0);
    TextBlock* blockAt(int index);
    const char* lineText(int line);
    const char* lineTextAndMask(int line, uint32_t* mask);
    uint32_t& lineMask(int line);
    int lineCount() const { return totalLines; }
    TextBlock* blockForAddress(const char* address, TextBlock* hint = nullptr);
    TextBlock* blockByName(const char* name);
    void clear();
    // The network receiver frees a ring block: the table lets go of it first and renumbers.
    void forgetRingBlock(const TextBlock* ringBlock);
    void statistics();

    // True when a line starts with the record prefix (false without a prefix).
    bool startsWithPrefix(const char* line) const;
    // Reads the record prefix from a ":snapfile zuk," or ":cluster zuk," header line.
    void takePrefixFromHeader(const char* headerLine);

    int blockCount = 0;
    int blockCapacity = 0;
    std::unique_ptr<TextBlock*[]> blocks;
    bool snapfile = false;
    TextBlock emptyBlock{this};
    bool hasPrefix = false;
    bool prefixOnNameLine = false;
    char recordPrefix[91] = {};
    int prefixLength = 0;
    int totalLines = 0;
    int64_t atext = 0;
    int64_t utext = 0;
    int64_t alin = 0;
    int64_t ulin = 0;
    LineLookupCache cache;
    bool cacheFaultReported = false;
    uint32_t spareMask = 0;
    // Text of folder loads; released by clear().
    TextPool textPool;
    // A loader thread fills the store: name and address lookups answer NULL meanwhile.
    std::atomic<bool> loadRunning{false};

  private:
    // Grows the block table when it has fewer than its free slots left; false when it cannot.
    bool reserveSlot();
};

// The process-wide store.
TextStore& textStore();

inline constexpr char kIntroText[] =
    ":snapfile zuk,1.0.7,lprefix=:file:,memory\n\n:file:\n// intro\n\n";
inline constexpr char kMemoryHeaderLine[] = ":snapfile zuk,1.0.7,lprefix=:file:,memory";

}  // namespace tessel
