// A small IPv4 UDP socket for the receiver and for the senders (tessel-send, the tests and
// the benchmark). Closes itself; reports nothing: callers word their own messages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zuknet/net_intake.h"

namespace tessel {

inline constexpr uint32_t kAnyAddress = 0;
inline constexpr uint32_t kLoopbackAddress = 0x7F000001;  // 127.0.0.1

// Datagrams read together by one system call: a fast sender is read in batches.
struct DatagramBatch {
    static constexpr int kCapacity = 64;
    char data[kCapacity][kMaxDatagramBytes];
    size_t length[kCapacity];
    SenderAddress from[kCapacity];
};

class UdpSocket {
  public:
    UdpSocket() = default;
    ~UdpSocket() { close(); }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates the socket; false leaves errno.
    bool create();
    // Binds to the address and port (0: any free port); false leaves errno.
    bool bind(uint32_t ip, int port);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    int localPort() const;

    // Asks for a larger receive queue (the kernel caps it at its own limit).
    void enlargeReceiveBuffer(int bytes);
    // Sends one datagram; false leaves errno.
    bool sendTo(SenderAddress to, const void* data, size_t size);
    // Reads one datagram of at most `capacity` bytes, waiting up to timeoutMs (0: not at
    // all, -1: forever). Returns its length, -1 when none came, -2 on an error (errno).
    long receiveFrom(void* buffer, size_t capacity, SenderAddress& from, int timeoutMs);
    // Reads the datagrams waiting now, as many as the batch holds, without waiting. Returns
    // how many, 0 when none waits, -2 on an error (errno).
    int receiveBatch(DatagramBatch& batch);

  private:
    int fd_ = -1;
};

// Resolves a host name or dotted address to an IPv4 address; false when it cannot.
bool resolveHost(const char* host, uint32_t& ip);

}  // namespace tessel
