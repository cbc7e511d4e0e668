#include "zuknet/net_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tessel {

namespace {

sockaddr_in socketAddressOf(uint32_t ip, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ip);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

}  // namespace

bool UdpSocket::create() {
    close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return fd_ >= 0;
}

bool UdpSocket::bind(uint32_t ip, int port) {
    sockaddr_in address = socketAddressOf(ip, port);
    return ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

void UdpSocket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int UdpSocket::localPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

void UdpSocket::enlargeReceiveBuffer(int bytes) {
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

bool UdpSocket::sendTo(SenderAddress to, const void* data, size_t size) {
    sockaddr_in address = socketAddressOf(to.ip, to.port);
    ssize_t sent;
    do {
        sent = ::sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&address),
                        sizeof address);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(size);
}

long UdpSocket::receiveFrom(void* buffer, size_t capacity, SenderAddress& from, int timeoutMs) {
    if (timeoutMs != 0) {
        pollfd wait{fd_, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&wait, 1, timeoutMs);
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) return -1;
        if (ready < 0) return -2;
    }
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ssize_t received;
    do {
        received = ::recvfrom(fd_, buffer, capacity, MSG_DONTWAIT,
                              reinterpret_cast<sockaddr*>(&address), &length);
    } while (received < 0 && errno == EINTR);
    if (received < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : -2;
    from.ip = ntohl(address.sin_addr.s_addr);
    from.port = ntohs(address.sin_port);
    return static_cast<long>(received);
}

int UdpSocket::receiveBatch(DatagramBatch& batch) {
    iovec pieces[DatagramBatch::kCapacity];
    sockaddr_in addresses[DatagramBatch::kCapacity];
    mmsghdr messages[DatagramBatch::kCapacity];
    for (int i = 0; i < DatagramBatch::kCapacity; ++i) {
        pieces[i] = {batch.data[i], kMaxDatagramBytes};
        messages[i] = {};
        messages[i].msg_hdr.msg_name = &addresses[i];
        messages[i].msg_hdr.msg_namelen = sizeof addresses[i];
        messages[i].msg_hdr.msg_iov = &pieces[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    int received;
    do {
        received = ::recvmmsg(fd_, messages, DatagramBatch::kCapacity, MSG_DONTWAIT, nullptr);
    } while (received < 0 && errno == EINTR);
    if (received < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -2;
    for (int i = 0; i < received; ++i) {
        // A longer datagram was cut to the buffer (MSG_TRUNC): its first bytes count.
        batch.length[i] =
            messages[i].msg_len < kMaxDatagramBytes ? messages[i].msg_len : kMaxDatagramBytes;
        batch.from[i].ip = ntohl(addresses[i].sin_addr.s_addr);
        batch.from[i].port = ntohs(addresses[i].sin_port);
    }
    return received;
}

bool resolveHost(const char* host, uint32_t& ip) {
    in_addr numeric{};
    if (::inet_pton(AF_INET, host, &numeric) == 1) {
        ip = ntohl(numeric.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    ip = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

}  // namespace tessel
