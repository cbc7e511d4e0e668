// Arbitrary bytes as a burst of datagrams for the receive step: the input is cut into
// datagrams at the byte 0xFE, each from one of three senders, and half the inputs start
// as a record so that the header parser is reached. The ring must keep its shape: head
// and fill in range, every slot ending in its NUL bytes, acknowledgements never larger
// than their datagrams.
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_target.h"
#include "text/text_store.h"
#include "zuknet/net_intake.h"
#include "zuknet/net_ring.h"

TESSEL_FUZZ_TARGET(net_datagram) {
    if (data == nullptr) size = 0;
    constexpr int kLines = 10;
    constexpr int kWidth = 30;
    tessel::TextStore store;
    tessel::NetRing ring(store);
    if (ring.init(kLines, kWidth) != 0) return 0;
    tessel::NetTextIntake intake(ring);
    const unsigned char switches = size > 0 ? data[0] : 0;
    intake.rawAutoLineFeed = switches & 1;
    intake.prefixMode = (switches >> 1) % 3;

    std::string input(reinterpret_cast<const char*>(data), size);
    if (switches & 8) input.insert(0, ":zuktxt:v100,req1,copy,cs1,scr\n\n");
    char ack[tessel::kAcknowledgementBytes];
    size_t start = 0;
    for (int sender = 0; start <= input.size(); ++sender) {
        size_t end = input.find('\xFE', start);
        if (end == std::string::npos) end = input.size();
        const tessel::SenderAddress from{0x7F000001u + static_cast<uint32_t>(sender % 3), 9};
        const size_t length = end - start;
        const size_t ackLength = intake.receive(input.data() + start, length, from, ack);
        if (ackLength > length) std::abort();
        start = end + 1;
    }

    const tessel::TextBlock& block = *ring.block();
    const int head = block.ringHead.load();
    const int fill = block.ringFill.load();
    if (head < 0 || head >= kLines || fill < 0 || fill > kLines) std::abort();
    for (int i = 0; i < block.lineCount; ++i) {
        const char* slot = block.text + block.lineArrays.starts[i];
        if (std::strlen(slot) > static_cast<size_t>(kWidth)) std::abort();
        for (int k = kWidth; k < kWidth + tessel::kSlotSpareBytes; ++k) {
            if (slot[k] != '\0') std::abort();
        }
    }
    return 0;
}
