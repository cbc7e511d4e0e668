// The receiver over real sockets on the loopback address. Every wait is a bounded loop
// on the receiver's counters that ends as soon as the datagrams have been handled.
#include "zuknet/net_text_receiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "config/app_settings.h"
#include "config/config_file.h"
#include "config/qv_config.h"
#include "test_support.h"
#include "text/text_store.h"
#include "zuknet/net_text_sender.h"

namespace tessel {
namespace {

constexpr uint32_t kSevenAddress = 0x7F000007;  // 127.0.0.7, also a loopback address

// A port that is free now, with port + 10 free as well.
int freePortPair() {
    for (int tries = 0; tries < 50; ++tries) {
        UdpSocket probe;
        UdpSocket next;
        if (!probe.create() || !probe.bind(kAnyAddress, 0)) continue;
        const int port = probe.localPort();
        if (port + 10 <= 65535 && next.create() && next.bind(kAnyAddress, port + 10)) return port;
    }
    ADD_FAILURE() << "no free port pair";
    return 0;
}

class NetTextReceiverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        config.setInt("netTextReceive", 1);
        config.setNumberText(config.idOf("netTextReceivePort"), freePortPair());
        config.setNumberText(config.idOf("netTextLines"), 10);
        config.setNumberText(config.idOf("netTextCharsPerLine"), 60);
        ASSERT_TRUE(sender.create());
    }

    int startReceiver() {
        const int result = receiver.start();
        to = SenderAddress{kLoopbackAddress, static_cast<uint16_t>(receiver.port())};
        return result;
    }

    // Sends datagrams and waits until the receiver has handled all of them.
    void send(const std::vector<std::string>& datagrams, UdpSocket* from = nullptr) {
        const uint64_t expected = receiver.datagramCount() + datagrams.size();
        for (const std::string& datagram : datagrams) {
            ASSERT_TRUE((from ? *from : sender).sendTo(to, datagram.data(), datagram.size()));
        }
        ASSERT_TRUE(waitFor([&] { return receiver.datagramCount() >= expected; }));
    }

    template <typename Condition>
    static bool waitFor(Condition done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        const TextBlock* block = receiver.ringBlock();
        for (int i = 0; block && i < block->ringFill.load(); ++i) {
            out.emplace_back(block->line(2 + i));
        }
        return out;
    }

    QVConfig config;
    TextStore store;
    NetTextReceiver receiver{config, store};
    UdpSocket sender;
    SenderAddress to;
};

TEST_F(NetTextReceiverTest, PlainLinesOverTheWire) {
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    EXPECT_TRUE(receiver.ready());
    EXPECT_STREQ(receiver.statusText(), "");
    send({"waiting for its end"});
    EXPECT_TRUE(lines().empty());
    send({"\n", "second\n"});
    EXPECT_EQ(lines(), (std::vector<std::string>{"waiting for its end", "second"}));

    TextBlock* block = nullptr;
    ASSERT_TRUE(waitFor([&] { return receiver.takeNews(&block); }));
    EXPECT_EQ(block, receiver.ringBlock());
    EXPECT_FALSE(receiver.takeNews()) << "news are taken once";

    config.setInt("netRawAutoLF", 1);
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    EXPECT_TRUE(lines().empty()) << "a restart starts with an empty ring";
    send({"one", "two"});
    EXPECT_EQ(lines(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(NetTextReceiverTest, OldestLinesGiveWayAndLineTwoIsTheOldest) {
    testing::LogCapture log;
    EXPECT_EQ(receiver.loadIntoStore(), 9);
    EXPECT_TRUE(log.contains("Network text is disabled. Use Setup / General to enable."));
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    TextBlock* block = receiver.ringBlock();
    store.addLine(":file:\n", true);
    store.addLine("other.txt\n", true);
    store.finish();
    ASSERT_EQ(receiver.loadIntoStore(), 0);
    ASSERT_EQ(receiver.loadIntoStore(), 0) << "a second load keeps one copy";
    ASSERT_EQ(store.blockCount, 2);
    EXPECT_GT(block->firstLine, 0) << "behind the file loaded before";
    EXPECT_EQ(block->firstLine, store.blocks[0]->lineCount);
    std::vector<std::string> datagrams;
    for (int i = 1; i <= 14; ++i) datagrams.push_back("line " + std::to_string(i) + "\n");
    send(datagrams);
    EXPECT_STREQ(store.lineText(block->firstLine + 2), "line 5");
    EXPECT_STREQ(store.lineText(block->firstLine + 11), "line 14");
    EXPECT_STREQ(store.lineText(block->firstLine + 12), "") << "the closing line";
    // Every line found by its address maps back to its own number.
    for (int i = 2; i < 12; ++i) {
        EXPECT_EQ(block->lineOfAddress(block->line(i)), block->firstLine + i);
    }
}

TEST_F(NetTextReceiverTest, RecordsRepetitionsClearAndSenderPrefix) {
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    send({"abc\rxy\n"});
    EXPECT_EQ(lines(), std::vector<std::string>{"xy"});

    send({":zuktxt:v100,req4,rt0\n\nonce\n", ":zuktxt:v100,req4,rt1\n\nonce\n"});
    EXPECT_EQ(lines(), (std::vector<std::string>{"xy", "once"}));
    EXPECT_EQ(receiver.repetitionCount(), 1u);

    send({":zuktxt:v100,req5,rt0\n:clear\n\nafter clear\n"});
    EXPECT_EQ(lines(), std::vector<std::string>{"after clear"});

    receiver.setPrefixMode(kPrefixLastAddressPart);
    UdpSocket seven;
    ASSERT_TRUE(seven.create() && seven.bind(kSevenAddress, 0));
    send({"hello\n"}, &seven);
    EXPECT_EQ(lines().back(), "7> hello");
}

TEST_F(NetTextReceiverTest, AcknowledgedSendingThroughTheSender) {
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    NetTextSender netSender;
    NetSendOptions options;
    options.port = receiver.port();
    options.acknowledge = true;
    options.colour = 'c';
    ASSERT_EQ(netSender.open(options), 0);
    std::string longLine(3000, 'w');
    ASSERT_EQ(netSender.send("first\nsecond\n" + longLine + "\nlast without end", true), 0)
        << netSender.error();
    EXPECT_EQ(netSender.resends(), 0u);
    ASSERT_TRUE(waitFor([&] { return receiver.datagramCount() >= netSender.records(); }));
    std::vector<std::string> got = lines();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], "first");
    EXPECT_EQ(got[2], std::string(60, 'w')) << "a line over two records is joined, then cut";
    EXPECT_EQ(got[3], "last without end");
    const TextBlock* block = receiver.ringBlock();
    EXPECT_EQ(block->colourBuffer[block->lineArrays.starts[2]], '4') << "cyan";

    ASSERT_EQ(netSender.sendClear(), 0);
    ASSERT_TRUE(waitFor([&] { return receiver.datagramCount() >= netSender.records(); }));
    EXPECT_TRUE(lines().empty());
}

TEST_F(NetTextReceiverTest, ClearFromTheUserInterfaceWhileRunning) {
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    send({"a\n", "b\n"});
    receiver.takeNews();
    receiver.clear();
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(receiver.takeNews()) << "the view learns of the cleared ring";
}

TEST_F(NetTextReceiverTest, InvalidSettingsAreResetAndWrittenBack) {
    testing::LogCapture log;
    std::vector<std::string> shown;
    receiver.showInView = [&](const char* text, int ms) {
        shown.push_back(text);
        EXPECT_EQ(ms, 5000);
    };
    config.setText("netTextLines", "5");
    config.setText("netTextReceivePort", "70000");
    config.clearTouched();
    receiver.start();
    EXPECT_STREQ(config.getText("netTextLines"), "3000");
    EXPECT_STREQ(config.getText("netTextCharsPerLine"), "1000");
    EXPECT_STREQ(config.getText("netTextReceivePort"), "21323");
    EXPECT_TRUE(config.isTouched(config.idOf("netTextLines"))) << "the next save writes it";
    EXPECT_TRUE(log.contains("invalid nettext max lines"));
    EXPECT_TRUE(log.contains("[note] Setting netlog default values."));
    EXPECT_TRUE(log.contains("invalid network text port, setting default"));
    EXPECT_EQ(shown, (std::vector<std::string>{"invalid network text port, setting default",
                                               "invalid nettext max lines"}));
    EXPECT_TRUE(log.contains("[blue] netlog: port=21323 lines=3000 chars=1000"));
    receiver.stop();

    for (auto [lines, chars, message] :
         {std::tuple{"100", "20", "invalid nettext max columns"},
          std::tuple{"100000", "1000", "nettext too large, keep below 10 MB"}}) {
        config.setText("netTextLines", lines);
        config.setText("netTextCharsPerLine", chars);
        log.clear();
        receiver.start();
        EXPECT_TRUE(log.contains(message)) << message;
        EXPECT_STREQ(config.getText("netTextLines"), "3000");
        receiver.stop();
    }
}

TEST_F(NetTextReceiverTest, ListensOnlyWhenEnabledAndOnLoopbackWhenLocal) {
    config.setInt("netTextReceive", 0);
    EXPECT_EQ(receiver.start(), kNetTextDisabled);
    EXPECT_FALSE(receiver.running());
    EXPECT_EQ(receiver.port(), 0);
    EXPECT_STREQ(receiver.statusText(), "Net text not initialized. Restart Tessel to use.");

    testing::LogCapture log;
    config.setInt("netTextReceive", 1);
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    EXPECT_EQ(receiver.listenAddress(), kAnyAddress);
    EXPECT_TRUE(
        log.contains("[blue] netlog: listening on 0.0.0.0:" + std::to_string(receiver.port())));

    ASSERT_EQ(applyConfigKeyword("netTextReceiveLocal", "yes"), 0);
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    appSettings().netTextReceiveLocal = false;
    EXPECT_EQ(receiver.listenAddress(), kLoopbackAddress);
    EXPECT_TRUE(log.contains("[blue] netlog: listening on 127.0.0.1:"));

    config.setInt("netTextReceive", 0);
    EXPECT_EQ(receiver.start(), kNetTextDisabled);
    EXPECT_FALSE(receiver.running()) << "switched off, it stops listening";
}

TEST_F(NetTextReceiverTest, ATakenPortMovesByTen) {
    const int port = config.getNumber("netTextReceivePort", 0);
    UdpSocket blocker;
    ASSERT_TRUE(blocker.create() && blocker.bind(kAnyAddress, port));
    testing::LogCapture log;
    std::vector<std::string> shown;
    receiver.showInView = [&](const char* text, int) { shown.push_back(text); };
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    EXPECT_EQ(receiver.port(), port + 10);
    EXPECT_TRUE(receiver.alternativePort());
    EXPECT_TRUE(log.contains("Cannot listen on port " + std::to_string(port) + ", retrying on " +
                             std::to_string(port + 10) + "."));
    const std::string conflict = "Port conflict, using " + std::to_string(port + 10) + " instead.";
    EXPECT_EQ(shown, std::vector<std::string>{conflict});
    send({"still arrives\n"});
    EXPECT_EQ(lines(), std::vector<std::string>{"still arrives"});
}

TEST_F(NetTextReceiverTest, FiveTakenPortsFailWithAStatus) {
    // Five ports ten apart, all taken: find a base where that can be arranged.
    std::vector<std::unique_ptr<UdpSocket>> blockers;
    int base = 0;
    for (int tries = 0; tries < 50 && blockers.size() < 5; ++tries) {
        blockers.clear();
        base = freePortPair();
        for (int k = 0; k < 5; ++k) {
            auto socket = std::make_unique<UdpSocket>();
            if (!socket->create() || !socket->bind(kAnyAddress, base + 10 * k)) break;
            blockers.push_back(std::move(socket));
        }
    }
    ASSERT_EQ(blockers.size(), 5u);
    config.setNumberText(config.idOf("netTextReceivePort"), base);
    testing::LogCapture log;
    EXPECT_EQ(receiver.start(), kNetTextBindFailed);
    EXPECT_FALSE(receiver.ready());
    EXPECT_TRUE(log.contains("Cannot listen on port " + std::to_string(base + 40) + ", rc="));
    EXPECT_TRUE(log.contains("Missing access rights, or port used by other program."));
    EXPECT_TRUE(std::string(receiver.statusText()).starts_with("cannot initialize netlog I/O ("));
}

// The user interface thread takes news and reads head and fill while the receiver thread
// writes; the thread sanitizer build checks that they meet only through the atomics.
TEST_F(NetTextReceiverTest, ReadersMeetTheWriterOnlyThroughTheAtomics) {
    ASSERT_EQ(startReceiver(), kNetTextStarted);
    std::thread flood([&] {
        UdpSocket socket;
        if (!socket.create()) return;
        for (int i = 0; i < 2000; ++i) {
            const std::string line = "flood " + std::to_string(i) + "\n";
            socket.sendTo(to, line.data(), line.size());
        }
    });
    int lastFill = 0;
    int news = 0;
    const TextBlock* block = receiver.ringBlock();
    while (waitFor([&] { return receiver.takeNews() || receiver.lineCount() >= 2000; })) {
        ++news;
        const int fill = block->ringFill.load(std::memory_order_acquire);
        EXPECT_GE(fill, lastFill) << "fill only grows";
        EXPECT_LT(block->ringHead.load(std::memory_order_acquire), 10);
        lastFill = fill;
        if (receiver.lineCount() >= 2000) break;
    }
    flood.join();
    EXPECT_GT(news, 0);
    // Lost datagrams are possible in principle; on the loopback with the enlarged queue
    // none are expected.
    ASSERT_TRUE(waitFor([&] { return receiver.datagramCount() >= 2000; }));
    EXPECT_EQ(lines().back(), "flood 1999");
}

}  // namespace
}  // namespace tessel
