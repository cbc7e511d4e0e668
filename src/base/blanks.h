// Blanks and tabs around a word, as configuration lines, scripts and form fields have them.
#pragma once

#include <string_view>

namespace tessel {

inline std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

inline std::string_view trimBlanks(std::string_view text) {
    text = skipBlanks(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace tessel
