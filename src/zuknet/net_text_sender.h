// Sends text to a running receiver as numbered records: tessel-send, the tests and the
// benchmark use it. Text is cut into records at line ends so that each datagram stays
// within the receiver's 2,500 bytes; a line longer than that travels in several records
// in sequence, which the receiver joins again. With acknowledgements on, every record
// waits for its answer and is sent again (retry number one higher) when none comes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zuknet/net_record.h"
#include "zuknet/net_socket.h"

namespace tessel {

struct NetSendOptions {
    uint32_t host = kLoopbackAddress;
    int port = kDefaultNetTextPort;
    bool acknowledge = false;  // "copy": wait for an answer to every record
    char colour = 0;           // a colour letter for all text, 0 for none
    int answerTimeoutMs = 250;
    int attempts = 8;  // sends of one record before giving up
};

class NetTextSender {
  public:
    // 0, or 9 with the reason in error().
    int open(const NetSendOptions& options);
    // Sends text of any length; with `flush` the receiver shows a last piece without a line
    // end as a line. 0, or 9 with the reason in error().
    int send(std::string_view text, bool flush);
    // Asks the receiver to empty its netlog.
    int sendClear();

    const std::string& error() const { return error_; }
    uint64_t records() const { return records_; }
    uint64_t resends() const { return resends_; }

  private:
    int sendRecord(std::string_view body, bool clear, bool flush);
    bool answered(uint32_t request);

    NetSendOptions options_;
    UdpSocket socket_;
    uint32_t request_ = 0;
    std::string datagram_;
    std::string body_;
    std::string error_;
    uint64_t records_ = 0;
    uint64_t resends_ = 0;
};

// How many bytes of text go into the next record body of at most `capacity` bytes: up to
// the last line end that fits, else as much as fits. With `escape`, byte 31 costs two.
size_t nextChunkLength(std::string_view text, size_t capacity, bool escape);

}  // namespace tessel
