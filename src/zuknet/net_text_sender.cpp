#include "zuknet/net_text_sender.h"

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tessel {

namespace {

// The longest header buildRecordHeader makes: every field, the largest numbers, ":clear".
constexpr size_t kHeaderRoom = 72;

}  // namespace

size_t nextChunkLength(std::string_view text, size_t capacity, bool escape) {
    size_t cost = 0;
    size_t taken = 0;
    size_t afterLastLineEnd = 0;
    while (taken < text.size()) {
        const size_t byteCost = escape && text[taken] == kColourEscape ? 2 : 1;
        if (cost + byteCost > capacity) break;
        cost += byteCost;
        if (text[taken++] == '\n') afterLastLineEnd = taken;
    }
    return afterLastLineEnd > 0 && taken < text.size() ? afterLastLineEnd : taken;
}

int NetTextSender::open(const NetSendOptions& options) {
    options_ = options;
    if (!socket_.create() || !socket_.bind(kAnyAddress, 0)) {
        error_ = std::string("cannot open a UDP socket: ") + std::strerror(errno);
        return 9;
    }
    return 0;
}

int NetTextSender::send(std::string_view text, bool flush) {
    const bool escape = options_.colour != 0;
    while (!text.empty()) {
        const size_t length = nextChunkLength(text, kMaxDatagramBytes - kHeaderRoom, escape);
        body_.clear();
        for (char byte : text.substr(0, length)) {
            if (escape && byte == kColourEscape) body_ += kColourEscape;
            body_ += byte;
        }
        text.remove_prefix(length);
        if (sendRecord(body_, false, flush && text.empty()) != 0) return 9;
    }
    return 0;
}

int NetTextSender::sendClear() {
    return sendRecord({}, true, false);
}

int NetTextSender::sendRecord(std::string_view body, bool clear, bool flush) {
    RecordHeader fields;
    fields.request = ++request_;
    fields.copy = options_.acknowledge;
    fields.colourSequences = options_.colour != 0;
    fields.startColour = options_.colour;
    fields.flush = flush;
    fields.clear = clear;
    const SenderAddress to{options_.host, static_cast<uint16_t>(options_.port)};
    for (int attempt = 0; attempt < options_.attempts; ++attempt) {
        fields.retry = static_cast<uint32_t>(attempt);
        datagram_ = buildRecordHeader(fields);
        datagram_.append(body);
        if (!socket_.sendTo(to, datagram_.data(), datagram_.size())) {
            error_ = std::string("cannot send: ") + std::strerror(errno);
            return 9;
        }
        ++records_;
        if (attempt > 0) ++resends_;
        if (!options_.acknowledge || answered(fields.request)) return 0;
    }
    error_ = "no answer from the receiver";
    return 9;
}

// Waits for the answer to this request; answers to earlier ones (late, or to resends) are
// passed over.
bool NetTextSender::answered(uint32_t request) {
    char reply[kAcknowledgementBytes + 16];
    int waitMs = options_.answerTimeoutMs;
    while (waitMs > 0) {
        SenderAddress from;
        const auto before = std::chrono::steady_clock::now();
        const long length = socket_.receiveFrom(reply, sizeof reply, from, waitMs);
        if (length < 0) return false;
        uint32_t answeredRequest = 0;
        uint32_t answeredRetry = 0;
        if (parseAcknowledgement(std::string_view(reply, static_cast<size_t>(length)),
                                 answeredRequest, answeredRetry) &&
            answeredRequest == request) {
            return true;
        }
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - before);
        waitMs -= static_cast<int>(spent.count()) + 1;
    }
    return false;
}

}  // namespace tessel
