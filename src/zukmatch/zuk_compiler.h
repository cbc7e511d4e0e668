// Inside the compiler of ZukMatch: shared by the pattern, template and driver sources.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "zukmatch/zuk_match.h"

namespace tessel {

// One escape after a backslash. `byte` is -1 for an escape the language does not know;
// `length` (the characters it takes, backslash included) is 0 when the escape is cut short
// or its number is malformed, so that not even its size is known.
struct ZukEscape {
    int byte = -1;
    int length = 0;
    bool numeric = false;  // "\x" and "\d": compared exactly
};
ZukEscape decodeZukEscape(std::string_view text, size_t pos, bool inEnumeration);

// "zukmatch: <message>" in the log.
void zukReport(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text from pos to its end, as messages quote it.
std::string zukRest(std::string_view text, size_t pos);

struct ZukCompiler {
    ZukMatch& m;
    std::string_view pattern;
    std::string_view display;
    unsigned flags = 0;

    // Found by the sizing pass, reserved by the building pass.
    int sizedTokens = 0;
    int sizedOutputEntries = 0;

    bool caseSensitive() const { return (flags & kZukCaseSensitive) != 0; }

    // Sizing pass: counts tokens and template entries, reading literals escape by escape.
    // Only what keeps a size from being known (a cut or malformed numeric escape in a
    // literal) is an error here; everything else is left to the building pass.
    int sizePattern();
    int sizeTemplate();
    // Building pass.
    int buildPattern();
    int buildTemplate();
    // Checks after building: priorities, [lend] last, blocking parts.
    int checkTokens();
    void buildHeadMatch();

    // Pattern pieces (zuk_pattern.cpp).
    int parseCommand(size_t& pos);
    int parseCount(size_t& pos, int& minCount, int& maxCount, bool& counted);
    int parseList(size_t& pos, std::array<bool, 256>& listed);
    int parseListItem(size_t& pos, int& byte, bool& escaped, bool rangeEnd);
    int addMarker(ZukKind kind, size_t wordStart);
    int parseLiteral(size_t& pos);
    void addBothCases(std::array<bool, 256>& accepts, uint8_t byte) const;

    // Template pieces (zuk_template.cpp).
    int parseOutputCommand(size_t& pos);
    int parseOutputLiteral(size_t& pos);
    int addPartReference(int part, bool strip);
};

}  // namespace tessel
