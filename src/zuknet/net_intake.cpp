#include "zuknet/net_intake.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/log/message_log.h"
#include "zuknet/net_ring.h"

namespace tessel {

void formatAddress(char* out, uint32_t ip) {
    std::snprintf(out, 16, "%u.%u.%u.%u", (ip >> 24) & 0xFFu, (ip >> 16) & 0xFFu, (ip >> 8) & 0xFFu,
                  ip & 0xFFu);
}

size_t formatSenderPrefix(char* out, SenderAddress from, int mode) {
    int length = 0;
    if (mode == kPrefixAddressAndPort) {
        char address[16];
        formatAddress(address, from.ip);
        length = std::snprintf(out, 32, "%s:%u> ", address, static_cast<unsigned>(from.port));
    } else if (mode == kPrefixLastAddressPart) {
        length = std::snprintf(out, 32, "%u> ", from.ip & 0xFFu);
    }
    if (length <= 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(length);
}

NetTextIntake::NetTextIntake(NetRing& ring) : ring_(ring) {}

void NetTextIntake::reset() {
    senders_.fill(Sender{});
    senderStamp_ = 0;
    lineLength_ = 0;
}

NetTextIntake::Sender& NetTextIntake::senderFor(SenderAddress from, bool& isNew) {
    Sender* freeEntry = nullptr;
    Sender* oldest = nullptr;
    for (Sender& sender : senders_) {
        if (sender.created == 0) {
            if (!freeEntry) freeEntry = &sender;
        } else if (sender.address == from) {
            isNew = false;
            return sender;
        } else if (!oldest || sender.created < oldest->created) {
            oldest = &sender;
        }
    }
    Sender& entry = freeEntry ? *freeEntry : *oldest;
    entry = Sender{};
    entry.created = ++senderStamp_;
    entry.address = from;
    isNew = true;
    return entry;
}

size_t NetTextIntake::receive(const char* data, size_t size, SenderAddress from, char* ack) {
    if (!data) size = 0;
    if (size > kMaxDatagramBytes) size = kMaxDatagramBytes;
    const std::string_view datagram(data, size);
    bool isNew = false;
    Sender& sender = senderFor(from, isNew);

    RecordHeader header;
    const bool record = parseRecordHeader(datagram, header);
    bool inSequence = false;
    size_t ackLength = 0;
    size_t pieceLength = 0;
    if (record) {
        bool repetition = false;
        if (!isNew) {
            inSequence = header.request == sender.lastRequest + 1;
            // A resend carries the same request number and a higher retry number. Every
            // resend is answered again: the sender resends because an acknowledgement got
            // lost, and only an answer stops it before it gives up.
            repetition = header.request == sender.lastRequest && header.retry > sender.lastRetry;
        }
        sender.lastRequest = header.request;
        sender.lastRetry = header.retry;
        if (header.copy && ack) {
            char reply[kAcknowledgementBytes];
            const size_t length = formatAcknowledgement(reply, header.request, header.retry);
            // Never answer with more bytes than were sent: no amplification.
            if (length <= size) {
                std::memcpy(ack, reply, length);
                ackLength = length;
            }
        }
        if (repetition) {
            repetitions.fetch_add(1, std::memory_order_relaxed);
            datagrams.fetch_add(1, std::memory_order_release);
            return ackLength;
        }
        const std::string_view body = datagram.substr(header.bodyOffset);
        if (header.colourSequences) {
            char colour = header.startColour ? header.startColour : kDefaultColourLetter;
            if (inSequence) colour = sender.lastColour;
            bool danglingEscape = false;
            pieceLength = decodeColourBody(body, pieceText_.data(), pieceColours_.data(),
                                           pieceText_.size(), colour, danglingEscape);
            if (danglingEscape) logMessage("invalid control sequence in color text\n");
            sender.lastColour = colour;
        } else {
            pieceLength = body.size();
            std::memcpy(pieceText_.data(), body.data(), pieceLength);
            std::memset(pieceColours_.data(), kDefaultColourLetter, pieceLength);
        }
    } else {
        pieceLength = size;
        if (size > 0) std::memcpy(pieceText_.data(), data, size);
        std::memset(pieceColours_.data(), kDefaultColourLetter, pieceLength);
    }

    const bool autoLine = !record && rawAutoLineFeed.load(std::memory_order_relaxed);
    if (lineLength_ > 0) {
        const bool otherSender = !(lineSender_ == from);
        const bool outOfSequence = !inSequence && (record || autoLine);
        if (otherSender || outOfSequence || lineLength_ + pieceLength > kLineBufferBytes) {
            releaseLine();
        }
    }
    if (record && header.clear) {
        ring_.clear();
        ringChanged = true;
    }
    appendPiece(pieceText_.data(), pieceColours_.data(), pieceLength, from);
    if (lineLength_ > 0) {
        const char last = lineText_[lineLength_ - 1];
        if (last == '\r' || last == '\n' || autoLine || (record && header.flush)) releaseLine();
    }
    datagrams.fetch_add(1, std::memory_order_release);
    return ackLength;
}

void NetTextIntake::appendPiece(const char* text, const char* colours, size_t length,
                                SenderAddress from) {
    if (length == 0) return;
    if (lineLength_ == 0) lineSender_ = from;
    // A piece is at most one datagram and the buffer was released when it would not fit.
    if (length > kLineBufferBytes - lineLength_) length = kLineBufferBytes - lineLength_;
    std::memcpy(lineText_.data() + lineLength_, text, length);
    std::memcpy(lineColours_.data() + lineLength_, colours, length);
    lineLength_ += length;
}

void NetTextIntake::releaseLine() {
    if (lineLength_ == 0) return;
    if (!paused.load(std::memory_order_relaxed)) {
        char prefix[32];
        const size_t prefixLength =
            formatSenderPrefix(prefix, lineSender_, prefixMode.load(std::memory_order_relaxed));
        const int completed = ring_.append(lineText_.data(), lineColours_.data(), lineLength_,
                                           std::string_view(prefix, prefixLength));
        if (completed > 0) linesWritten.fetch_add(completed, std::memory_order_relaxed);
        ringChanged = true;
    }
    lineLength_ = 0;
}

}  // namespace tessel
