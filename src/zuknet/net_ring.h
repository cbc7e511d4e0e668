// The netlog ring: a TextBlock of fixed line slots that always holds the newest received
// lines. The store shows it like any loaded file ("// netlog.nlog"), but the receiver owns
// it, its text buffer and its parallel colour buffer, so it survives TextStore::clear.
//
// Layout for L lines of W characters: every line sits in a slot of W + 4 bytes; line 0 is
// ":file:", line 1 the name, lines 2 ... L + 1 the ring slots and line L + 2 an empty
// closing line. A slot never holds more than W characters, so its last bytes stay NUL and
// a reader always finds a terminator inside the slot. Buffers and line arrays are made
// once by init and never move; the one writer fills a slot, then moves the ring head and
// fill (TextBlock), and readers map line 2 to the oldest slot through them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tessel {

class TextStore;
struct TextBlock;

inline constexpr char kNetlogName[] = "// netlog.nlog";
inline constexpr int kSlotSpareBytes = 4;

class NetRing {
  public:
    explicit NetRing(TextStore& store);
    ~NetRing();
    NetRing(const NetRing&) = delete;
    NetRing& operator=(const NetRing&) = delete;

    // Makes (or remakes, replacing the buffers) the block with `lines` slots of `width`
    // characters, all empty. Nothing may read or write the ring meanwhile. 0 or 9.
    int init(int lines, int width);
    TextBlock* block() const { return block_.get(); }
    // True when the block exists with this many slots of this width.
    bool hasGeometry(int lines, int width) const;

    // Appends a released text: split at CR and LF, each piece behind the prefix in the slot
    // at the head, cut to the slot width. A bare CR returns to the start of the same slot.
    // `colours` (colour letters, one per text byte) may be null. Returns the lines
    // completed, or -1 after an "int. #" report.
    int append(const char* text, const char* colours, size_t length, std::string_view prefix);
    // Empties every slot and resets head and fill.
    void clear();

  private:
    void writeSlot(int physical, std::string_view prefix, const char* text, const char* colours,
                   size_t length);

    TextStore& store_;
    std::unique_ptr<char[]> text_;
    std::unique_ptr<char[]> colours_;
    std::unique_ptr<TextBlock> block_;
};

}  // namespace tessel
