#pragma once

#include <cstdint>
#include <functional>

namespace tessel {

extern const uint8_t kLetterGroups1250[];
extern const uint8_t kLetterGroups1252[];

struct LetterGroup {
    int number = 0;
    uint8_t lower = 0;
    uint8_t upper = 0;
    const uint8_t* members = nullptr;  // pairs in a letter group, single bytes in punctuation
    int memberCount = 0;               // bytes, not pairs

    bool isPunctuation() const { return lower == upper; }
};

// Visits the groups of a table in table order.
void forEachLetterGroup(const uint8_t* table, const std::function<void(const LetterGroup&)>& visit);

}  // namespace tessel
