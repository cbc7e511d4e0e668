// Random masks and lines for the differential tests: small vocabularies, so that terms hit
// often, with every operator, keyword, escape, fold-sensitive byte and TAB mixed in.
#pragma once

#include <random>
#include <string>

namespace tessel::testdata {

inline std::string pick(std::mt19937& rng, std::initializer_list<const char*> pieces) {
    auto it = pieces.begin();
    std::advance(it, rng() % pieces.size());
    return *it;
}

inline std::string randomWord(std::mt19937& rng) {
    return pick(rng,
                {"ab", "ba",   "abc", "a", "b",         "c",    "foo",  "Foo", "FOO", "bar", "x",
                 "xy", "\xE9", "E",   "e", "\xC9t\xE9", "\xE4", "\xDF", "s",   "ss",  "1,5", "1.5",
                 "/",  "\\",   "\"",  "'", "_",         "9",    "a_b",  "fo",  "oo",  "zq"});
}

inline std::string randomMask(std::mt19937& rng) {
    std::string mask;
    int pieces = 1 + static_cast<int>(rng() % 6);
    if (rng() % 6 == 0)
        mask += pick(rng, {"LSTART ", "LS ", "LEND ", "WORD ", "NOT ", "\\NOT ", "TAB "});
    for (int i = 0; i < pieces; ++i) {
        if (i > 0) {
            mask += pick(rng, {" AND ", " OR ", " NOT ", " AND NOT ", " OR NOT ", " ALT ", " NEAR ",
                               " NEAR3 ", "*", "**", " ", " TAB ", " \\AND ", " OR *", " NEAR3x "});
            if (rng() % 8 == 0) mask += pick(rng, {"LSTART ", "LS ", "LEND ", "WORD "});
        }
        mask += randomWord(rng);
        if (rng() % 7 == 0) {
            mask += '*';
            mask += randomWord(rng);
        }
    }
    return mask;
}

inline std::string randomLine(std::mt19937& rng) {
    std::string line;
    int pieces = static_cast<int>(rng() % 9);
    for (int i = 0; i < pieces; ++i) {
        line += randomWord(rng);
        line += pick(rng, {" ", " ", "", "\t", "  ", ".", "*", "-"});
    }
    if (rng() % 40 == 0) line = std::string(4090 + rng() % 20, 'x') + line;
    if (rng() % 3 != 0) line += ' ';
    return line;
}

}  // namespace tessel::testdata
