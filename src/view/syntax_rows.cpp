#include "view/syntax_rows.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/languages.h"
#include "search/syntax_classify.h"
#include "text/file_kind.h"
#include "text/text_store.h"

namespace tessel {
namespace {

// A row further than its budget below the known part takes its state from this many lines
// before it. Block comments longer than this are rare; a wrong guess only colours one
// screen until the known part reaches it.
constexpr int kCarryWindowLines = 200;
// The records of blocks that are gone are dropped all at once past this many; the next
// screens rebuild the few they need.
constexpr size_t kMaxRecords = size_t{1} << 16;

// What is kept about one block: the language found for its name, and the block comment state
// at the start of its lines, from the first text line on, for as far as it is known.
struct BlockRecord {
    uint64_t textStamp = 0;
    LanguageCache languageCache;
    int kind = -1;
    const Language* language = nullptr;
    uint32_t languageGeneration = 0;
    int textStart = 0;  // the block's first text line (after the header and name lines)
    int known = 0;      // the states of lines textStart ... textStart + known - 1
    std::vector<uint64_t> inBlock;

    bool state(int index) const {
        return (inBlock[static_cast<size_t>(index) / 64] >> (index % 64)) & 1u;
    }
    void append(bool startsInBlock) {
        if (static_cast<size_t>(known) / 64 >= inBlock.size()) inBlock.push_back(0);
        if (startsInBlock) inBlock[static_cast<size_t>(known) / 64] |= uint64_t{1} << (known % 64);
        ++known;
    }
};

struct SyntaxRecords {
    bool on = true;
    std::unordered_map<const TextBlock*, BlockRecord> blocks;
    // The classes of lines walked only for their end state.
    char scratch[kMaxClassifiedChars];
};

SyntaxRecords& records() {
    static SyntaxRecords all;  // user interface thread only
    return all;
}

int textStartOf(const TextBlock& block) {
    if (!block.owner || block.owner->prefixLength == 0) return 0;
    return std::clamp(block.nameLine() - block.firstLine + 1, 0, block.lineCount);
}

BlockRecord& recordOf(const TextBlock& block) {
    auto& blocks = records().blocks;
    if (blocks.size() >= kMaxRecords) blocks.clear();
    BlockRecord& record = blocks[&block];
    if (record.textStamp != block.textStamp) {
        record = BlockRecord{};
        record.textStamp = block.textStamp;
    }
    return record;
}

// The kind of local line `local` and the block's language; the block's record, or null when
// the line gets no syntax colours.
BlockRecord* rulesOf(const TextBlock& block, int local, int& kind, const Language*& language) {
    uint32_t mask = 0;
    block.lineAndMask(local, &mask);
    kind = static_cast<int>(mask & 0x7Fu);
    BlockRecord& record = recordOf(block);
    language = block.fileName ? userLanguageOf(block.fileName, record.languageCache) : nullptr;
    return hasSyntaxColours(kind, language) ? &record : nullptr;
}

// Starts the known part again when the rules of the block changed (a new configuration).
void followRules(BlockRecord& record, const TextBlock& block, int kind, const Language* language) {
    const uint32_t generation = language ? record.languageCache.generation : 0;
    if (record.kind == kind && record.language == language &&
        record.languageGeneration == generation) {
        return;
    }
    record.kind = kind;
    record.language = language;
    record.languageGeneration = generation;
    record.textStart = textStartOf(block);
    record.known = 0;
    record.inBlock.clear();
    record.append(false);  // the first text line starts outside any block
}

// The state at the start of the line after `line`, which starts in `inBlock`. A line without
// the delimiter that could change the state is passed without classifying it.
bool stateAfter(std::string_view line, int kind, const Language* language,
                const BlockDelimiters& delimiters, bool inBlock) {
    line = line.substr(0, kMaxClassifiedChars);
    const std::string_view* wanted = inBlock ? delimiters.ends : delimiters.starts;
    bool present = false;
    for (int k = 0; k < 2 && !present; ++k) {
        present = !wanted[k].empty() && line.find(wanted[k]) != std::string_view::npos;
    }
    if (!present) return inBlock;
    return classifyLine(line, kind, language, inBlock, records().scratch);
}

struct LineStepper {
    const TextBlock& block;
    int kind;
    const Language* language;
    BlockDelimiters delimiters;

    // The state at the start of the line after local line `local`, which starts in `inBlock`.
    bool next(int local, bool inBlock) const {
        const char* text = block.line(local);
        return stateAfter({text, strnlen(text, kMaxClassifiedChars)}, kind, language, delimiters,
                          inBlock);
    }
};

// Whether local line `local` starts inside a block; `exact` is cleared when the state was
// guessed from the lines just before it.
bool startState(BlockRecord& record, const LineStepper& stepper, int local, SyntaxPass& pass,
                bool& exact) {
    const int index = local - record.textStart;
    exact = true;
    if (index < record.known) return record.state(index);
    const int steps = index - record.known + 1;
    if (steps <= pass.carryBudget) {
        pass.carryBudget -= steps;
        while (record.known <= index) {
            const int last = record.known - 1;
            record.append(stepper.next(record.textStart + last, record.state(last)));
        }
        return record.state(index);
    }
    exact = false;
    bool inBlock = false;
    for (int at = std::max(local - kCarryWindowLines, record.textStart); at < local; ++at) {
        inBlock = stepper.next(at, inBlock);
    }
    return inBlock;
}

}  // namespace

bool syntaxColoursOn() {
    return records().on;
}

void setSyntaxColours(bool on) {
    records().on = on;
}

bool markSyntaxClasses(TextBlock& block, int line, const char* text, int length, char* attr,
                       SyntaxPass& pass) {
    if (!records().on || block.ring || block.colourText || block.colourBuffer ||
        block.openForAdding || !text || length < 0) {
        return false;
    }
    const int local = line - block.firstLine;
    if (local < 0 || local >= block.lineCount) return false;
    int kind = 0;
    const Language* language = nullptr;
    BlockRecord* found = rulesOf(block, local, kind, language);
    if (!found) return false;
    BlockRecord& record = *found;
    followRules(record, block, kind, language);
    if (local < record.textStart) return false;  // the header and name lines

    bool exact = true;
    bool inBlock = false;
    if (pass.lastBlock == &block && pass.lastLine == line - 1) {
        inBlock = pass.lastEndsInBlock;
        exact = pass.lastExact;
    } else {
        const LineStepper stepper{block, kind, language, blockDelimiters(kind, language)};
        inBlock = startState(record, stepper, local, pass, exact);
    }
    // Blanks at the end show no colour; leaving them plain keeps the row's used width.
    size_t classified = std::min(static_cast<size_t>(length), kMaxClassifiedChars);
    while (classified > 0 && (text[classified - 1] == ' ' || text[classified - 1] == '\t')) {
        --classified;
    }
    bool endsInBlock = classifyLine({text, classified}, kind, language, inBlock, attr);
    // The row holds only the bytes on screen; a comment may open further right.
    if (text[length] != '\0') {
        const LineStepper stepper{block, kind, language, blockDelimiters(kind, language)};
        endsInBlock = stepper.next(local, inBlock);
    }
    // The row itself extends the known part when it follows it.
    if (exact && record.known == local - record.textStart + 1) record.append(endsInBlock);
    pass.lastBlock = &block;
    pass.lastLine = line;
    pass.lastEndsInBlock = endsInBlock;
    pass.lastExact = exact;
    return true;
}

bool markEditSyntaxClasses(TextBlock& block, int editLine, int editLineCount,
                           const std::function<std::string_view(int)>& lineBytes, const char* text,
                           int length, char* attr, SyntaxPass& pass) {
    constexpr int kFirstEditTextLine = 2;
    if (!records().on || block.ring || block.colourText || block.colourBuffer || block.helpText ||
        !text || length < 0 || editLine < kFirstEditTextLine || editLine >= editLineCount - 1) {
        return false;
    }
    // The edited block still holds the file as it was opened: its first text line's kind.
    const int textStart = textStartOf(block);
    if (textStart >= block.lineCount) return false;
    int kind = 0;
    const Language* language = nullptr;
    if (!rulesOf(block, textStart, kind, language)) return false;

    // Edit lines are told from store lines by their negative numbers in the pass.
    const int passLine = -2 - editLine;
    bool inBlock = false;
    if (pass.lastBlock == &block && pass.lastLine == passLine + 1) {
        inBlock = pass.lastEndsInBlock;
    } else {
        const BlockDelimiters delimiters = blockDelimiters(kind, language);
        for (int at = std::max(editLine - kCarryWindowLines, kFirstEditTextLine); at < editLine;
             ++at) {
            inBlock = stateAfter(lineBytes(at), kind, language, delimiters, inBlock);
        }
    }
    size_t classified = std::min(static_cast<size_t>(length), kMaxClassifiedChars);
    while (classified > 0 && (text[classified - 1] == ' ' || text[classified - 1] == '\t')) {
        --classified;
    }
    bool endsInBlock = classifyLine({text, classified}, kind, language, inBlock, attr);
    if (text[length] != '\0') {
        const std::string_view whole = lineBytes(editLine).substr(0, kMaxClassifiedChars);
        endsInBlock = classifyLine(whole, kind, language, inBlock, records().scratch);
    }
    pass.lastBlock = &block;
    pass.lastLine = passLine;
    pass.lastEndsInBlock = endsInBlock;
    pass.lastExact = true;
    return true;
}

void forgetSyntaxRecords() {
    records().blocks.clear();
}

}  // namespace tessel
