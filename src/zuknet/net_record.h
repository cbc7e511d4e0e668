// Network text travels as UDP datagrams that are either plain text or records. A record
// starts with the header line ":zuktxt:v100" and its comma-separated fields, may carry
// further header lines (":clear"), and ends its header with a blank line; the body follows.
//
//   :zuktxt:v100,req12,rt0,copy,cs1,scr\n:clear\n\nbody text\n
//
// "req" and "rt" number the record and its retry, "copy" asks for an acknowledgement,
// "cs1" says the body holds colour sequences (byte 31 and a colour letter; 31 31 is a
// literal 31), "sc" gives the start colour and "fl" asks the receiver to show the body
// as a line even without a line end. The receiver parses records here and tessel-send
// builds them here, so the format lives in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr int kDefaultNetTextPort = 21323;
// A datagram is read up to this many bytes; senders keep their records within it.
inline constexpr size_t kMaxDatagramBytes = 2500;
inline constexpr char kColourEscape = 31;
inline constexpr char kDefaultColourLetter = 'd';
inline constexpr char kPrefixColourLetter = 'g';
// ":zuktxt:v100,rep4294967295,rt4294967295,ok\n\n" and a terminator.
inline constexpr size_t kAcknowledgementBytes = 48;

struct RecordHeader {
    uint32_t request = 0;
    uint32_t retry = 0;
    bool copy = false;
    bool colourSequences = false;
    char startColour = 0;  // 0 when "sc" was not given
    bool flush = false;
    bool clear = false;
    size_t bodyOffset = 0;  // behind the blank line
};

// True when the datagram is a record: it starts with ":zuktxt:" and holds a blank line.
// Unknown fields and header lines are skipped; numbers saturate at the 32-bit range.
bool parseRecordHeader(std::string_view datagram, RecordHeader& header);

// The header text of a record with these fields, blank line included.
std::string buildRecordHeader(const RecordHeader& fields);

// Splits a body with colour sequences into text and one colour letter per text byte, at
// most `capacity` of each. `colour` is the current colour on entry and the last colour on
// return. Returns the text length; `danglingEscape` tells of a byte 31 at the very end.
size_t decodeColourBody(std::string_view body, char* text, char* colours, size_t capacity,
                        char& colour, bool& danglingEscape);

// The code the renderer draws for a colour letter: r g b y c m and their bright upper-case
// forms, w and W grey, anything else (d among them) the default colour, a blank.
char renderColourOf(char letter);

// ":zuktxt:v100,rep%u,rt%u,ok\n\n" into out (kAcknowledgementBytes); returns its length.
size_t formatAcknowledgement(char* out, uint32_t request, uint32_t retry);
bool parseAcknowledgement(std::string_view datagram, uint32_t& request, uint32_t& retry);

}  // namespace tessel
