// Slash patterns let a command-line value carry bytes that a shell or the option syntax
// cannot: "\q" for a double quote, "\t" for a tab, "\x41" or "\d065" for any byte.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

// Decodes the slash patterns of text into out. Result 0, or 9 when a pattern is wrong: the
// error is logged and out holds text exactly as typed, so a value is never half decoded.
int decodeSlashPatterns(std::string_view text, std::string& out);

}  // namespace tessel
