// Runs every fuzz target on seeded random inputs and on mutations of structured seeds, so
// that the sanitizer build exercises the parsers of outside input on every test run.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fuzz_target.h"

namespace {

std::vector<uint8_t> randomInput(std::mt19937& rng) {
    static const char* const kPieces[] = {
        ":snapfile zuk,", ":cluster zuk,", ",lprefix=:file:", ",prefix=", ":file:", "\n",
        "\r\n", " mtime=", " size=0x", "\xEF\xBB\xBF", "\xC3\xA4", "\xE2\x82\xAC", "\xFF\xFE",
        "\xD0\x9F", "\xF0\x9F\x98\x80", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xAC",
        "'", "AND", "OR", "NOT", "\"", "\\", "*", "\t", "=", ":", "#", "<QVContext>", "\0"};
    // Pieces of language definitions, key bindings and scripts.
    static const char* const kScriptPieces[] = {
        "<Language name=\"", "<Keywords name=\"keys1\">", "</Language>", "on key ctrl+", "/*",
        "set findmask = /", "$curfile", "\n   "};
    std::vector<uint8_t> bytes;
    int pieces = static_cast<int>(rng() % 64);
    for (int i = 0; i < pieces; ++i) {
        if (rng() % 3 == 0) {
            const char* piece = rng() % 4 == 0 ? kScriptPieces[rng() % std::size(kScriptPieces)]
                                               : kPieces[rng() % std::size(kPieces)];
            std::string text = piece[0] ? piece : std::string(1, '\0');
            bytes.insert(bytes.end(), text.begin(), text.end());
        } else {
            int run = static_cast<int>(rng() % 40);
            for (int k = 0; k < run; ++k) bytes.push_back(static_cast<uint8_t>(rng()));
        }
    }
    if (rng() % 16 == 0) bytes.resize(bytes.size() + 5000 + rng() % 20000, 'x');
    return bytes;
}

TEST(FuzzSmoke, EveryTargetSurvivesRandomInput) {
    ASSERT_FALSE(tessel::fuzz::fuzzTargets().empty());
    for (const auto& target : tessel::fuzz::fuzzTargets()) {
        SCOPED_TRACE(target.name);
        std::mt19937 rng(20261208);
        target.run(nullptr, 0);
        for (int round = 0; round < 600; ++round) {
            std::vector<uint8_t> input = randomInput(rng);
            target.run(input.data(), input.size());
        }
    }
}

}  // namespace
