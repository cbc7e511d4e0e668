#include "app/slash_patterns.h"

#include "base/log/message_log.h"

namespace tessel {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr char kZeroBytePattern[] =
    "zero byte slash pattern not allowed: %s   (use \\%s to search it as typed)\n";

// The messages quote the pattern from its backslash, and suggest the same text with the
// backslash doubled, which is how the user writes it literally.
int reportPattern(const char* format, std::string_view text, size_t at, size_t shown) {
    std::string piece(text.substr(at, shown));
    logMessage(format, piece.c_str(), piece.c_str());
    return 9;
}

}  // namespace

int decodeSlashPatterns(std::string_view text, std::string& out) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\') {
            decoded.push_back(c);
            continue;
        }
        size_t left = text.size() - i - 1;
        char kind = left > 0 ? text[i + 1] : '\0';
        int rc = 0;
        switch (kind) {
            case ' ':
                decoded.push_back(' ');
                break;
            case '\\':
                decoded.push_back('\\');
                break;
            case 'n':
                decoded.push_back('\n');
                break;
            case 'r':
                decoded.push_back('\r');
                break;
            case 't':
                decoded.push_back('\t');
                break;
            case 'q':
                decoded.push_back('"');
                break;
            case 'x': {
                if (left < 3) {
                    rc = reportPattern(
                        "incomplete hex slash pattern: %.4s   (use \\%.4s instead?)\n", text, i, 4);
                    break;
                }
                int high = hexDigit(text[i + 2]);
                int low = hexDigit(text[i + 3]);
                if (high < 0 || low < 0) {
                    rc = reportPattern("wrong hex slash pattern: %.4s   (use \\%.4s instead?)\n",
                                       text, i, 4);
                    break;
                }
                // A mask is a NUL-terminated text: a zero byte would silently end it there.
                if (high == 0 && low == 0) {
                    rc = reportPattern(kZeroBytePattern, text, i, 4);
                    break;
                }
                decoded.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                break;
            }
            case 'd': {
                if (left < 4) {
                    rc = reportPattern(
                        "incomplete decimal slash pattern: %.4s   (use \\%.4s instead?)\n", text, i,
                        4);
                    break;
                }
                int value = 0;
                bool digits = true;
                for (size_t k = 2; k < 5; ++k) {
                    char d = text[i + k];
                    if (!isDecimalDigit(d)) {
                        digits = false;
                        break;
                    }
                    value = value * 10 + (d - '0');
                }
                if (!digits || value > 255) {
                    rc = reportPattern(
                        "wrong decimal slash pattern: %.4s   (use \\%.4s instead?)\n", text, i, 4);
                    break;
                }
                if (value == 0) {
                    rc = reportPattern(kZeroBytePattern, text, i, 5);
                    break;
                }
                decoded.push_back(static_cast<char>(value));
                i += 3;
                break;
            }
            default:
                rc = reportPattern("undefined slash pattern: %.2s   (use \\%.2s instead)\n", text,
                                   i, 2);
                break;
        }
        if (rc != 0) {
            out.assign(text);
            return rc;
        }
        ++i;
    }
    out = std::move(decoded);
    return 0;
}

}  // namespace tessel
