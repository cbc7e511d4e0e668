// The receive step: what happens to one datagram once it has been read from the socket.
// It knows the senders (a table of 128, the oldest entry making room for a new sender),
// parses records, drops repeated ones, decodes colours, assembles lines from pieces in a
// buffer of 4,096 bytes, prefixes them with their sender and writes them into the ring.
// No sockets here: the receiver thread feeds it, and so do the tests and the fuzz target.
//
// Line assembly: pieces of one sender join while they come in sequence (records numbered
// one after the other; plain text of one sender joins unless "netRawAutoLF" is on). The
// buffer is released as one text when it ends with CR or LF, when a piece of another
// sender or out of sequence arrives (before that piece), when the next piece would pass
// 4,096 bytes, for plain text with "netRawAutoLF", and for a record with "fl".
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "zuknet/net_record.h"

namespace tessel {

class NetRing;

inline constexpr int kSenderTableSize = 128;
inline constexpr size_t kLineBufferBytes = 4096;

// An IPv4 address and port in host byte order.
struct SenderAddress {
    uint32_t ip = 0;
    uint16_t port = 0;
    bool operator==(const SenderAddress&) const = default;
};

enum SenderPrefixMode : int {
    kPrefixNone = 0,
    kPrefixAddressAndPort = 1,   // "192.168.1.7:5000> "
    kPrefixLastAddressPart = 2,  // "7> "
};

// "a.b.c.d:port> " or "d> " for the mode, into out (at least 32 bytes); returns its length.
size_t formatSenderPrefix(char* out, SenderAddress from, int mode);
// "a.b.c.d" into out (at least 16 bytes).
void formatAddress(char* out, uint32_t ip);

class NetTextIntake {
  public:
    explicit NetTextIntake(NetRing& ring);

    // Handles one datagram (at most kMaxDatagramBytes are looked at). When the sender asked
    // for an acknowledgement, writes it to `ack` (kAcknowledgementBytes) and returns its
    // length, else 0. An acknowledgement is never longer than the datagram that asked.
    size_t receive(const char* data, size_t size, SenderAddress from, char* ack);
    // Forgets the senders and drops a half assembled line.
    void reset();

    // Settings the user interface thread may change while the receiver runs.
    std::atomic<bool> rawAutoLineFeed{false};
    std::atomic<int> prefixMode{kPrefixNone};
    std::atomic<bool> paused{false};

    // Counts for the statistics and the tests, written by the receiving thread only.
    std::atomic<uint64_t> datagrams{0};
    std::atomic<uint64_t> repetitions{0};
    std::atomic<uint64_t> linesWritten{0};
    // Set when the ring changed since the receiving thread last took it.
    bool ringChanged = false;

  private:
    struct Sender {
        uint64_t created = 0;  // 0: free entry
        uint32_t lastRequest = 0;
        uint32_t lastRetry = 0;
        SenderAddress address;
        char lastColour = kDefaultColourLetter;
    };

    Sender& senderFor(SenderAddress from, bool& isNew);
    void appendPiece(const char* text, const char* colours, size_t length, SenderAddress from);
    void releaseLine();

    NetRing& ring_;
    std::array<Sender, kSenderTableSize> senders_{};
    uint64_t senderStamp_ = 0;

    std::array<char, kMaxDatagramBytes> pieceText_{};
    std::array<char, kMaxDatagramBytes> pieceColours_{};
    std::array<char, kLineBufferBytes> lineText_{};
    std::array<char, kLineBufferBytes> lineColours_{};
    size_t lineLength_ = 0;
    SenderAddress lineSender_;
};

}  // namespace tessel
