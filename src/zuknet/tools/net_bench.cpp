// tessel-net-bench: a local sender at full speed (or at a given rate) against the receiver.
// Prints what was sent, what the receiver took, what the kernel dropped for a full
// receive queue, and how long the newest line takes to reach the ring when the receiver is
// idle.
//
//   tessel-net-bench [-seconds S] [-rate N] [-port P] [-lines L]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "text/text_store.h"
#include "zuknet/net_socket.h"
#include "zuknet/net_text_receiver.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The kernel's count of UDP datagrams dropped because a receive queue was full.
long long udpReceiveQueueDrops() {
    std::ifstream snmp("/proc/net/snmp");
    std::string names;
    std::string values;
    while (std::getline(snmp, names) && std::getline(snmp, values)) {
        if (!names.starts_with("Udp:")) continue;
        std::istringstream nameWords(names);
        std::istringstream valueWords(values);
        std::string name;
        std::string value;
        while (nameWords >> name && valueWords >> value) {
            if (name == "RcvbufErrors") return std::atoll(value.c_str());
        }
    }
    return -1;
}

// Waits until the receiver has taken `count` datagrams or has taken none for 500 ms;
// returns when it took the last one.
Clock::time_point settle(const tessel::NetTextReceiver& receiver, uint64_t count) {
    uint64_t last = receiver.datagramCount();
    auto lastChange = Clock::now();
    while (last < count && secondsSince(lastChange) < 0.5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const uint64_t now = receiver.datagramCount();
        if (now != last) lastChange = Clock::now();
        last = now;
    }
    return lastChange;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 2.0;
    long rate = 0;  // datagrams a second, 0 for as fast as possible
    int port = 21399;
    int lines = 3000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "-seconds") seconds = std::atof(argv[i + 1]);
        if (option == "-rate") rate = std::atol(argv[i + 1]);
        if (option == "-port") port = std::atoi(argv[i + 1]);
        if (option == "-lines") lines = std::atoi(argv[i + 1]);
    }

    tessel::QVConfig& config = tessel::config();
    config.setInt("netTextReceive", 1);
    config.setNumberText(config.idOf("netTextReceivePort"), port);
    config.setNumberText(config.idOf("netTextLines"), lines);
    tessel::NetTextReceiver receiver(config, tessel::textStore());
    if (receiver.start() != 0) {
        std::fprintf(stderr, "tessel-net-bench: %s\n", receiver.statusText());
        return 1;
    }
    const tessel::SenderAddress to{tessel::kLoopbackAddress,
                                   static_cast<uint16_t>(receiver.port())};
    tessel::UdpSocket socket;
    if (!socket.create()) return 1;

    // Datagrams go out in batches of one system call each, so that the sender is not the
    // limit; the clock is checked after every batch.
    constexpr int kBatch = 64;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(to.ip);
    address.sin_port = htons(to.port);
    char texts[kBatch][48];
    iovec pieces[kBatch];
    mmsghdr messages[kBatch];

    const long long dropsBefore = udpReceiveQueueDrops();
    uint64_t sent = 0;
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        for (int i = 0; i < kBatch; ++i) {
            const int length = std::snprintf(texts[i], sizeof texts[i], "benchmark line %llu\n",
                                             static_cast<unsigned long long>(sent + i));
            pieces[i] = {texts[i], static_cast<size_t>(length)};
            messages[i] = {};
            messages[i].msg_hdr.msg_name = &address;
            messages[i].msg_hdr.msg_namelen = sizeof address;
            messages[i].msg_hdr.msg_iov = &pieces[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int done = ::sendmmsg(socket.fd(), messages, kBatch, 0);
        if (done > 0) sent += static_cast<uint64_t>(done);
        if (rate > 0) {
            const double due = static_cast<double>(sent) / static_cast<double>(rate);
            const double ahead = due - secondsSince(start);
            if (ahead > 0) std::this_thread::sleep_for(std::chrono::duration<double>(ahead));
        }
    }
    const double sendSeconds = secondsSince(start);
    const double receiveSeconds =
        std::chrono::duration<double>(settle(receiver, sent) - start).count();
    const long long kernelDrops = udpReceiveQueueDrops() - dropsBefore;
    const uint64_t received = receiver.datagramCount();
    const uint64_t written = receiver.lineCount();
    std::printf(
        "sent=%llu send_rate=%.0f/s received=%llu receive_rate=%.0f/s lines=%llu "
        "kernel_dropped=%lld lost_after_delivery=%lld\n",
        static_cast<unsigned long long>(sent), sent / sendSeconds,
        static_cast<unsigned long long>(received), received / receiveSeconds,
        static_cast<unsigned long long>(written), kernelDrops,
        static_cast<long long>(received) - static_cast<long long>(written));

    // Latency of a single line reaching the ring while the receiver waits.
    std::vector<double> latenciesMs;
    for (int sample = 0; sample < 20; ++sample) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        receiver.takeNews();
        const uint64_t before = receiver.lineCount();
        const auto sentAt = Clock::now();
        socket.sendTo(to, "latency probe\n", 14);
        while (receiver.lineCount() == before && secondsSince(sentAt) < 1.0) {
            std::this_thread::yield();
        }
        while (!receiver.takeNews() && secondsSince(sentAt) < 1.0) std::this_thread::yield();
        latenciesMs.push_back(secondsSince(sentAt) * 1000.0);
    }
    std::sort(latenciesMs.begin(), latenciesMs.end());
    std::printf("newest_line_latency median_ms=%.2f max_ms=%.2f\n",
                latenciesMs[latenciesMs.size() / 2], latenciesMs.back());
    receiver.stop();
    tessel::textStore().clear();
    return 0;
}
