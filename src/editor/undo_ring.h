// The undo history of one edit buffer: the last 50 changes, each recorded before it happens
// with the bytes it inserts, deletes or overwrites. The ring belongs to the EditData, so all
// views editing one file share it; there is no redo.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tessel {

inline constexpr int kUndoSlots = 50;
inline constexpr int kUndoInlineBytes = 89;

// Kinds of a step; 0 marks an empty slot.
inline constexpr char kUndoInsert = 'i';
inline constexpr char kUndoDelete = 'd';
inline constexpr char kUndoOverwrite = 'o';

struct UndoStep {
    char kind = 0;
    int32_t column = 0;  // where the change happened (byte column, edit line)
    int32_t line = 0;
    int32_t length = 0;  // bytes inserted, deleted or overwritten
    char inlineText[kUndoInlineBytes + 1] = {};
    std::unique_ptr<char[]> longText;  // length + 2 bytes, used when length > 89
    int64_t offset = 0;                // of the change in the edit buffer
    int32_t lineBreaks = 0;            // LF bytes in the affected text
    int32_t linesBefore = 0;           // the buffer's line count before the change
    // In a file with mixed line ends: whether each LF of a deleted or overwritten text had a
    // CR before it, so that taking the change back restores the file's exact bytes.
    std::vector<uint8_t> crBeforeLf;

    std::string_view bytes() const {
        return {longText ? longText.get() : inlineText, static_cast<size_t>(length)};
    }
    void clear();
};

struct UndoRing {
    std::array<UndoStep, kUndoSlots> steps;
    int head = 0;  // the slot the next step takes

    // The slot of the most recent step (it may be empty).
    int lastSlot() const { return head == 0 ? kUndoSlots - 1 : head - 1; }
    // Fills the slot at head and advances it; 9 when the long copy cannot be had.
    int record(char kind, int column, int line, std::string_view text, int64_t offset,
               int lineBreaks, int linesBefore, std::vector<uint8_t> crFlags = {});
    // Takes back the step just recorded (its change could not be made).
    void dropLast();
};

}  // namespace tessel
