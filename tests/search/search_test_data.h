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

// Mixed-script UTF-8: Latin with accents in both cases, Cyrillic, Greek (with its final
// sigma), CJK, emoji, typographic quotes, a combining accent, and bytes that are no UTF-8 at
// all (a western letter, cut and overlong sequences, a surrogate, stray continuation bytes).
inline std::string randomUtf8Word(std::mt19937& rng) {
    return pick(rng, {"über",
                      "ÜBER",
                      "Über",
                      "uber",
                      "Grüße",
                      "GRÜSSE",
                      "strasse",
                      "Straße",
                      "ß",
                      "é",
                      "É",
                      "e",
                      "E",
                      "ä",
                      "a",
                      "A",
                      "æ",
                      "café",
                      "CAFE",
                      "ı",
                      "İ",
                      "i",
                      "ſ",
                      "s",
                      "привет",
                      "ПРИВЕТ",
                      "Привет",
                      "мир",
                      "ё",
                      "Ё",
                      "е",
                      "σοφος",
                      "ΣΟΦΟΣ",
                      "ς",
                      "Ά",
                      "α",
                      "你好",
                      "世界",
                      "😀",
                      "─┼─",
                      "“q”",
                      "„x“",
                      "«y»",
                      "'",
                      "\"",
                      "e\xCC\x81",
                      "ab",
                      "x",
                      "foo",
                      "_",
                      "9",
                      "/",
                      "\\",
                      ",",
                      ".",
                      "\xE9",
                      "caf\xE9",
                      "\xC3",
                      "\xC3(",
                      "\xAC",
                      "\xC0\xAF",
                      "\xED\xA0\x80",
                      "\xF4\x90\x80\x80",
                      "\xE2\x82",
                      "\xA9",
                      "Ǆ",
                      "µ",
                      "μ"});
}

inline std::string randomUtf8Mask(std::mt19937& rng) {
    std::string mask;
    int pieces = 1 + static_cast<int>(rng() % 4);
    if (rng() % 6 == 0) mask += pick(rng, {"LSTART ", "LEND ", "WORD ", "NOT "});
    for (int i = 0; i < pieces; ++i) {
        if (i > 0) {
            mask += pick(rng, {" AND ", " OR ", " NOT ", " NEAR ", "*", " ", " TAB "});
            if (rng() % 8 == 0) mask += pick(rng, {"LSTART ", "LEND ", "WORD "});
        }
        mask += randomUtf8Word(rng);
        if (rng() % 5 == 0) mask += randomUtf8Word(rng);
    }
    return mask;
}

inline std::string randomUtf8Line(std::mt19937& rng) {
    std::string line;
    int pieces = static_cast<int>(rng() % 9);
    for (int i = 0; i < pieces; ++i) {
        line += randomUtf8Word(rng);
        line += pick(rng, {" ", " ", "", "\t", "\xC2\xA0", ".", "-", "\xE3\x80\x80"});
    }
    if (rng() % 40 == 0) line = std::string(4090 + rng() % 20, 'x') + line;
    if (rng() % 3 != 0) line += ' ';
    return line;
}

}  // namespace tessel::testdata
