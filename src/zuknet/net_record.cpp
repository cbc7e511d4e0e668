#include "zuknet/net_record.h"

#include <cstdio>
#include <cstring>

namespace tessel {

namespace {

constexpr std::string_view kRecordMagic = ":zuktxt:";
constexpr std::string_view kClearLine = ":clear";

// Leading decimal digits as a number, saturating at the 32-bit range; 0 without digits.
uint32_t numberAt(std::string_view text) {
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX) return UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}

void applyField(std::string_view field, RecordHeader& header) {
    if (field.starts_with("req")) {
        header.request = numberAt(field.substr(3));
    } else if (field.starts_with("rt")) {
        header.retry = numberAt(field.substr(2));
    } else if (field == "copy") {
        header.copy = true;
    } else if (field == "cs1") {
        header.colourSequences = true;
    } else if (field.starts_with("sc") && field.size() >= 3) {
        header.startColour = field[2];
    } else if (field == "fl") {
        header.flush = true;
    }
}

std::string_view withoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

bool parseRecordHeader(std::string_view datagram, RecordHeader& header) {
    header = RecordHeader{};
    if (!datagram.starts_with(kRecordMagic)) return false;
    size_t blank = datagram.find("\n\n");
    if (blank == std::string_view::npos) return false;
    header.bodyOffset = blank + 2;
    std::string_view head = datagram.substr(0, blank);

    size_t lineEnd = head.find('\n');
    std::string_view first = withoutCarriageReturn(head.substr(0, lineEnd));
    // The first field is the version ("v100"); the others follow it.
    first.remove_prefix(kRecordMagic.size());
    size_t comma = first.find(',');
    while (comma != std::string_view::npos) {
        first.remove_prefix(comma + 1);
        comma = first.find(',');
        applyField(first.substr(0, comma), header);
    }
    while (lineEnd != std::string_view::npos) {
        head.remove_prefix(lineEnd + 1);
        lineEnd = head.find('\n');
        if (withoutCarriageReturn(head.substr(0, lineEnd)) == kClearLine) header.clear = true;
    }
    return true;
}

std::string buildRecordHeader(const RecordHeader& fields) {
    char first[96];
    std::snprintf(first, sizeof first, ":zuktxt:v100,req%u,rt%u%s%s", fields.request, fields.retry,
                  fields.copy ? ",copy" : "", fields.colourSequences ? ",cs1" : "");
    std::string header = first;
    if (fields.colourSequences && fields.startColour) {
        header += ",sc";
        header += fields.startColour;
    }
    if (fields.flush) header += ",fl";
    header += '\n';
    if (fields.clear) header += ":clear\n";
    header += '\n';
    return header;
}

size_t decodeColourBody(std::string_view body, char* text, char* colours, size_t capacity,
                        char& colour, bool& danglingEscape) {
    danglingEscape = false;
    size_t length = 0;
    for (size_t i = 0; i < body.size() && length < capacity; ++i) {
        char byte = body[i];
        if (byte == kColourEscape) {
            if (i + 1 >= body.size()) {
                danglingEscape = true;
                break;
            }
            char next = body[++i];
            if (next != kColourEscape) {
                colour = next;
                continue;
            }
        }
        text[length] = byte;
        colours[length] = colour;
        ++length;
    }
    return length;
}

char renderColourOf(char letter) {
    switch (letter) {
        case 'r':
            return '0';
        case 'g':
            return '1';
        case 'b':
            return '2';
        case 'y':
            return '3';
        case 'c':
            return '4';
        case 'm':
            return '5';
        case 'R':
            return '6';
        case 'G':
            return '7';
        case 'B':
            return '8';
        case 'Y':
            return '9';
        case 'M':
            return 'A';
        case 'C':
            return 'a';
        case 'w':
        case 'W':
            return '_';
        default:
            return ' ';
    }
}

size_t formatAcknowledgement(char* out, uint32_t request, uint32_t retry) {
    int length =
        std::snprintf(out, kAcknowledgementBytes, ":zuktxt:v100,rep%u,rt%u,ok\n\n", request, retry);
    return length > 0 ? static_cast<size_t>(length) : 0;
}

bool parseAcknowledgement(std::string_view datagram, uint32_t& request, uint32_t& retry) {
    constexpr std::string_view kStart = ":zuktxt:v100,rep";
    if (!datagram.starts_with(kStart) || datagram.find(",ok") == std::string_view::npos) {
        return false;
    }
    std::string_view rest = datagram.substr(kStart.size());
    request = numberAt(rest);
    size_t retryField = rest.find(",rt");
    if (retryField == std::string_view::npos) return false;
    retry = numberAt(rest.substr(retryField + 3));
    return true;
}

}  // namespace tessel
