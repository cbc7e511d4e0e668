// The load target adapter: every line of a stream load passes through it on its way into
// the TextStore (line mode) or into one TextBlock. It introduces the stream with the
// in-memory snapfile header when a load starts on an empty store, drops the header of a
// snapfile that is appended, and gives every line exactly one trailing blank.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

namespace tessel {

class TextStore;
struct TextBlock;

// Lines up to this length pass through the adapter's own buffer; longer ones, kept whole,
// through one that grows.
constexpr size_t kLoadTargetLineBytes = 4096;
constexpr size_t kLoadShowBytes = 100000;

// Excerpts of the loaded text for the views to draw while a load runs. The loader thread
// appends; the user interface thread reads text() meanwhile: bytes below the published
// length never change again.
class LoadShow {
  public:
    LoadShow();
    void add(const char* piece, size_t length);
    void reset();
    std::string_view text() const;
    // Whole pieces to drop before collecting starts.
    int skipPieces = 0;

  private:
    std::unique_ptr<char[]> buffer_;
    std::atomic<size_t> used_{0};
    bool lastWasBlank_ = false;
};

// Header states, set by the load driver before a load.
enum LoadHeaderState : int {
    kHeaderPassAll = 0,
    kHeaderIntroduce = 1,  // a load into an empty store
    kHeaderAppend = 2,     // a load that appends
    kHeaderSkipBlank = 3,  // after an appended snapfile's header: drop blank lines
};

struct LoadTarget {
    TextStore* store = nullptr;  // stream loads: TextStore::addLine in line mode
    TextBlock* block = nullptr;  // a load into one block: TextBlock::addText
    int headerState = kHeaderPassAll;
    LoadShow* show = nullptr;  // set while "loadshow" is on
    // Pumps window messages when no loader thread runs and the progress timer expired.
    std::function<void()> pump;

    // One line from the line reader; 0, or 9 when it could not be stored.
    int writeLine(const char* line, size_t length, bool needsNewline);
    // Before a whole-file load on an empty store: passes the in-memory header once.
    int introduceStream();

  private:
    int deliver(const char* text, size_t length);

    // Room for a line of `length` bytes, its blank, a newline and a NUL.
    char* lineRoom(size_t length);

    // The line, its blank, a newline and a NUL.
    char buffer_[kLoadTargetLineBytes + 4] = {};
    std::unique_ptr<char[]> longBuffer_;
    size_t longCapacity_ = 0;
};

}  // namespace tessel
