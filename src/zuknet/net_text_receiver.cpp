#include "zuknet/net_text_receiver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "base/log/message_log.h"
#include "config/qv_config.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr char kNotInitialised[] = "Net text not initialized. Restart Tessel to use.";
constexpr int kNoticeMs = 5000;
// The thread rests this long after each wake-up, so that a fast sender's datagrams are
// handled in bursts and the user interface thread gets its share of the processor.
constexpr auto kPauseAfterWake = std::chrono::milliseconds(10);
// Datagrams queued while the thread rests must fit the socket's receive queue: at 100,000
// one-line datagrams a second about 1,000 arrive in a rest, which the default queue of
// 208 KB (some 300 small datagrams) cannot hold. The kernel caps the request.
constexpr int kReceiveQueueBytes = 4 * 1024 * 1024;
// During a long burst the user interface is told of news every so many datagrams.
constexpr uint64_t kNewsEveryDatagrams = 1024;
// How long clear waits for the thread (which rests at most 10 ms between checks).
constexpr int kClearWaitSteps = 1000;

}  // namespace

NetTextReceiver::NetTextReceiver(QVConfig& config, TextStore& store)
    : config_(config),
      store_(store),
      ring_(store),
      intake_(ring_),
      batch_(std::make_unique<DatagramBatch>()) {
    setStatus("%s", kNotInitialised);
}

NetTextReceiver::~NetTextReceiver() {
    stop();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void NetTextReceiver::setStatus(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(statusText_, sizeof statusText_, format, args);
    va_end(args);
}

void NetTextReceiver::notice(const char* text) {
    logMessage("%s", text);
    if (showInView) showInView(text, kNoticeMs);
}

int NetTextReceiver::start() {
    ready_ = false;
    setStatus("%s", kNotInitialised);
    if (config_.getInt("netTextReceive") == 0) {
        settings_.enabled = false;
        // A receiver switched off stops listening.
        stop();
        return kNetTextDisabled;
    }
    settings_ = readNetTextSettings(config_, [this](const char* problem) {
        if (showInView) showInView(problem, kNoticeMs);
    });
    settings_.localOnly = settings_.localOnly || localOnlyOption;
    logMessage("[blue] netlog: port=%u lines=%u chars=%u", static_cast<unsigned>(settings_.port),
               static_cast<unsigned>(settings_.lines),
               static_cast<unsigned>(settings_.charsPerLine));
    stop();

    // A restart with the same geometry keeps the buffers, so that nothing pointing into
    // them (rows of a filtered view) is left dangling; the ring starts empty either way,
    // and a view that shows it hears of that through takeNews.
    const bool restarting = ring_.block() != nullptr;
    if (ring_.hasGeometry(settings_.lines, settings_.charsPerLine)) {
        ring_.clear();
    } else if (ring_.init(settings_.lines, settings_.charsPerLine) != 0) {
        return kNetTextFailed;
    }
    intake_.reset();
    intake_.rawAutoLineFeed.store(settings_.rawAutoLineFeed, std::memory_order_relaxed);
    if (restarting) receiveCounter_.fetch_add(1, std::memory_order_release);

    if (int result = openSocket(); result != 0) return result;
    if (wakeFd_ < 0) wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopRequested_.store(false, std::memory_order_relaxed);
    bool started = wakeFd_ >= 0;
    if (started) {
        try {
            thread_ = std::thread(&NetTextReceiver::run, this);
        } catch (const std::system_error&) {
            started = false;
        }
    }
    if (!started) {
        logMessage("cannot create netlog thread");
        setStatus("cannot create netlog thread");
        socket_.close();
        port_ = 0;
        return kNetTextFailed;
    }
    statusText_[0] = '\0';
    ready_ = true;
    return kNetTextStarted;
}

int NetTextReceiver::restart() {
    logMessage("[blue] reinit'ing net text");
    return start();
}

int NetTextReceiver::loadIntoStore() {
    if (!settings_.enabled) {
        logMessage("Network text is disabled. Use Setup / General to enable.");
        return 9;
    }
    if (!ring_.block()) {
        logMessage("netlog not init'ed");
        return 9;
    }
    if (!store_.appendBlock(ring_.block())) return 9;
    store_.renumber();
    return 0;
}

int NetTextReceiver::openSocket() {
    const uint32_t address = settings_.localOnly ? kLoopbackAddress : kAnyAddress;
    char addressText[16];
    formatAddress(addressText, address);
    int port = settings_.port;
    for (int attempt = 1;; ++attempt) {
        if (!socket_.create()) {
            const int error = errno;
            logMessage("Error creating socket for %s:%d. errno=%u %s\n", addressText, port,
                       static_cast<unsigned>(error), std::strerror(error));
            setStatus("cannot initialize netlog I/O (%d)", error);
            return kNetTextSocketFailed;
        }
        if (socket_.bind(address, port)) break;
        const int error = errno;
        socket_.close();
        const int next = port + kNetTextPortStep;
        if (attempt >= kNetTextPortAttempts || next > 65535) {
            logMessage("Cannot listen on port %d, rc=%d.", port, error);
            logMessage("Missing access rights, or port used by other program.\n");
            setStatus("cannot initialize netlog I/O (%d)", error);
            logMessage("%s", statusText_);
            return kNetTextBindFailed;
        }
        logMessage("Cannot listen on port %d, retrying on %d.", port, next);
        port = next;
    }
    socket_.enlargeReceiveBuffer(kReceiveQueueBytes);
    port_ = port;
    listenAddress_ = address;
    logMessage("[blue] netlog: listening on %s:%d", addressText, port);
    if (port != settings_.port) {
        char text[64];
        std::snprintf(text, sizeof text, "Port conflict, using %d instead.", port);
        notice(text);
    }
    return 0;
}

void NetTextReceiver::stop() {
    if (thread_.joinable()) {
        stopRequested_.store(true, std::memory_order_release);
        wake();
        thread_.join();
    }
    socket_.close();
    port_ = 0;
    ready_ = false;
}

void NetTextReceiver::wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }
}

bool NetTextReceiver::takeNews(TextBlock** block) {
    const uint64_t now = receiveCounter_.load(std::memory_order_acquire);
    if (now == shownCounter_) return false;
    shownCounter_ = now;
    if (block) *block = ring_.block();
    return true;
}

void NetTextReceiver::clear() {
    if (!thread_.joinable()) {
        ring_.clear();
        receiveCounter_.fetch_add(1, std::memory_order_release);
        return;
    }
    // The thread is the ring's only writer: it clears, and this thread waits for it.
    const uint64_t before = clearsDone_.load(std::memory_order_acquire);
    clearRequested_.store(true, std::memory_order_release);
    wake();
    for (int step = 0; step < kClearWaitSteps; ++step) {
        if (clearsDone_.load(std::memory_order_acquire) != before) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    logMessage("int. #2129208");
}

void NetTextReceiver::setPrefixMode(int mode) {
    if (mode < kPrefixNone || mode > kPrefixLastAddressPart) mode = kPrefixNone;
    intake_.prefixMode.store(mode, std::memory_order_relaxed);
}

void NetTextReceiver::cyclePrefixMode() {
    const int mode = (prefixMode() + 1) % 3;
    setPrefixMode(mode);
    static const char* const kSay[] = {"Sender info prefixes disabled.",
                                       "Prefixing network text by sender IP and port.",
                                       "Prefixing network text by last IP part."};
    showStatusInfo(kSay[mode]);
}

void NetTextReceiver::setPaused(bool paused) {
    intake_.paused.store(paused, std::memory_order_relaxed);
}

void NetTextReceiver::run() {
    pollfd waits[2] = {{socket_.fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (!stopRequested_.load(std::memory_order_acquire)) {
        waits[0].revents = waits[1].revents = 0;
        if (::poll(waits, 2, -1) < 0 && errno != EINTR) {
            logMessage("nettext: wrong input (rc=%d)", errno);
            std::this_thread::sleep_for(kPauseAfterWake);
            continue;
        }
        if (stopRequested_.load(std::memory_order_acquire)) break;
        if (waits[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t read = ::read(wakeFd_, &count, sizeof count);
        }
        if (clearRequested_.exchange(false, std::memory_order_acq_rel)) {
            ring_.clear();
            receiveCounter_.fetch_add(1, std::memory_order_release);
            clearsDone_.fetch_add(1, std::memory_order_release);
        }
        if (waits[0].revents & (POLLIN | POLLERR)) receiveBurst();
        if (intake_.ringChanged) {
            intake_.ringChanged = false;
            receiveCounter_.fetch_add(1, std::memory_order_release);
        }
        std::this_thread::sleep_for(kPauseAfterWake);
    }
}

void NetTextReceiver::receiveBurst() {
    DatagramBatch& batch = *batch_;
    char ack[kAcknowledgementBytes];
    uint64_t sinceNews = 0;
    while (!stopRequested_.load(std::memory_order_relaxed)) {
        const int count = socket_.receiveBatch(batch);
        if (count == 0) break;
        if (count < 0) {
            if (!paused()) logMessage("nettext: wrong input (rc=%d)", errno);
            break;
        }
        for (int i = 0; i < count; ++i) {
            const size_t ackLength =
                intake_.receive(batch.data[i], batch.length[i], batch.from[i], ack);
            if (ackLength > 0) socket_.sendTo(batch.from[i], ack, ackLength);
        }
        sinceNews += static_cast<uint64_t>(count);
        if (sinceNews >= kNewsEveryDatagrams && intake_.ringChanged) {
            sinceNews = 0;
            intake_.ringChanged = false;
            receiveCounter_.fetch_add(1, std::memory_order_release);
        }
    }
}

NetTextReceiver& netTextReceiver() {
    static NetTextReceiver receiver(config(), textStore());
    return receiver;
}

}  // namespace tessel
