// The network text receiver: a thread that listens on a UDP port and writes what arrives
// into the netlog ring block, which the user interface shows like a loaded file.
//
// The receiver thread is the only writer of the ring. The user interface thread reads the
// ring without a lock: its buffers never move, every slot ends in NUL bytes, and the
// thread completes a slot before it moves the ring head (release); takeNews tells the
// reader (acquire) when the ring has changed. Commands of the user interface that change
// the ring (clear) are handed to the thread and waited for.
//
// Everything here except the thread itself runs on the user interface thread. Result
// codes: 0 success, 1 disabled, 9 failure already reported, and the NetTextStart codes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "zuknet/net_intake.h"
#include "zuknet/net_ring.h"
#include "zuknet/net_socket.h"

namespace tessel {

class QVConfig;
class TextStore;
struct TextBlock;

enum NetTextStart : int {
    kNetTextStarted = 0,
    kNetTextDisabled = 1,
    kNetTextSocketFailed = 2,  // no socket could be created
    kNetTextBindFailed = 3,    // no port of the five tried was free
    kNetTextFailed = 9,        // no memory for the ring, or no thread
};

inline constexpr int kDefaultNetTextLines = 3000;
inline constexpr int kDefaultNetTextChars = 1000;
inline constexpr int kNetTextPortAttempts = 5;
inline constexpr int kNetTextPortStep = 10;
inline constexpr int kStatusTextChars = 190;

// What start reads from the settings, after the checks.
struct NetTextSettings {
    bool enabled = false;                     // "netTextReceive"
    int port = kDefaultNetTextPort;           // "netTextReceivePort"
    int lines = kDefaultNetTextLines;         // "netTextLines"
    int charsPerLine = kDefaultNetTextChars;  // "netTextCharsPerLine"
    bool rawAutoLineFeed = false;             // "netRawAutoLF"
    bool localOnly = false;                   // "netTextReceiveLocal": listen on 127.0.0.1 only
};

// Reads the network settings. An invalid port, or lines and characters out of their ranges,
// are replaced by the defaults and written back; `note` gets each problem (it is also
// logged), and a reset of lines and characters adds "[note] Setting netlog default values.".
NetTextSettings readNetTextSettings(QVConfig& config, const std::function<void(const char*)>& note);

class NetTextReceiver {
  public:
    NetTextReceiver(QVConfig& config, TextStore& store);
    ~NetTextReceiver();
    NetTextReceiver(const NetTextReceiver&) = delete;
    NetTextReceiver& operator=(const NetTextReceiver&) = delete;

    // (Re)reads the settings, stops a running thread, (re)makes the ring block, opens the
    // socket and starts the thread. The ring block's line count may change: the caller
    // cancels searches before and renumbers the store after. A NetTextStart code.
    int start();
    // The restart asked for by the reload scan: "[blue] reinit'ing net text", then start.
    int restart();
    // Stops the thread and closes the socket. The ring block stays.
    void stop();
    // "loadnetlog": puts the ring block into the store (once) and renumbers. 0, or 9 after
    // "Network text is disabled. Use Setup / General to enable." or "netlog not init'ed".
    int loadIntoStore();
    // The ring block, null before the first start.
    TextBlock* ringBlock() const { return ring_.block(); }
    // True, with the ring block, when lines arrived (or the ring was cleared) since the
    // last call.
    bool takeNews(TextBlock** block = nullptr);
    // Empties the ring (done by the receiver thread while it runs).
    void clear();

    // Sender prefix mode 0, 1 or 2; the command cycles it and says so.
    void setPrefixMode(int mode);
    int prefixMode() const { return intake_.prefixMode.load(std::memory_order_relaxed); }
    void cyclePrefixMode();
    // While paused, arriving lines are read and dropped.
    void setPaused(bool paused);
    bool paused() const { return intake_.paused.load(std::memory_order_relaxed); }

    bool enabled() const { return settings_.enabled; }
    bool ready() const { return ready_; }
    bool running() const { return thread_.joinable(); }
    // "Net text not initialized. Restart Tessel to use." until a start succeeds.
    const char* statusText() const { return statusText_; }
    const NetTextSettings& settings() const { return settings_; }
    int port() const { return port_; }  // the port listened on, 0 when not listening
    uint32_t listenAddress() const { return listenAddress_; }
    // True when the configured port was taken and another one is used.
    bool alternativePort() const { return port_ != 0 && port_ != settings_.port; }

    // Set by "-net local": listen on the loopback address only, whatever the settings say.
    bool localOnlyOption = false;
    // Shows a notice in the view for the given time; unset, notices are only logged.
    std::function<void(const char* text, int milliseconds)> showInView;

    // Counts of the receiving thread (statistics, tests, benchmark).
    uint64_t datagramCount() const { return intake_.datagrams.load(std::memory_order_acquire); }
    uint64_t lineCount() const { return intake_.linesWritten.load(std::memory_order_relaxed); }
    uint64_t repetitionCount() const { return intake_.repetitions.load(std::memory_order_relaxed); }

  private:
    int openSocket();
    void run();
    void receiveBurst();
    void wake();
    void notice(const char* text);
    void setStatus(const char* format, ...) __attribute__((format(printf, 2, 3)));

    QVConfig& config_;
    TextStore& store_;
    NetTextSettings settings_;
    NetRing ring_;
    NetTextIntake intake_;
    UdpSocket socket_;
    std::unique_ptr<DatagramBatch> batch_;
    int wakeFd_ = -1;  // an eventfd that ends the thread's wait
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> clearRequested_{false};
    std::atomic<uint64_t> clearsDone_{0};
    // Advanced by the thread after every burst that changed the ring.
    std::atomic<uint64_t> receiveCounter_{0};
    uint64_t shownCounter_ = 0;
    bool ready_ = false;
    int port_ = 0;
    uint32_t listenAddress_ = 0;
    char statusText_[kStatusTextChars + 1] = {};
};

// The process-wide receiver, made on first use from the process-wide settings and store.
NetTextReceiver& netTextReceiver();

}  // namespace tessel
