#include "text/load_target.h"

#include <algorithm>
#include <cstring>

#include "base/log/message_log.h"
#include "text/snapfile.h"
#include "text/text_store.h"

namespace tessel {

namespace {

bool hasPrintable(const char* line, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c > ' ' && c != 127) return true;
    }
    return false;
}

// Both header magics start with the same byte: testing it first spares the full
// comparison for nearly every line of a load.
static_assert(kSnapfileMagic[0] == kClusterMagic[0]);

bool isSnapfileHeader(const char* line, size_t length) {
    return length > 0 && line[0] == kSnapfileMagic[0] && hasSnapfileMagic(line, length);
}

}  // namespace

LoadShow::LoadShow() : buffer_(new char[kLoadShowBytes + 1]) {
    buffer_[0] = '\0';
}

void LoadShow::reset() {
    used_.store(0, std::memory_order_release);
    buffer_[0] = '\0';
    lastWasBlank_ = false;
    skipPieces = 0;
}

std::string_view LoadShow::text() const {
    return std::string_view(buffer_.get(), used_.load(std::memory_order_acquire));
}

// Shows text as one flowing paragraph: every run of line ends and white space becomes one
// blank, other control bytes are dropped.
void LoadShow::add(const char* piece, size_t length) {
    if (piece == nullptr) return;
    if (skipPieces > 0) {
        --skipPieces;
        return;
    }
    size_t used = used_.load(std::memory_order_relaxed);
    if (used >= kLoadShowBytes) return;
    char* out = buffer_.get();
    for (size_t i = 0; i < length && used < kLoadShowBytes; ++i) {
        unsigned char c = static_cast<unsigned char>(piece[i]);
        if (c == '\n' || c == '\r' || c == ' ' || c == '\t') {
            if (!lastWasBlank_ && used > 0) out[used++] = ' ';
            lastWasBlank_ = true;
        } else if (c >= 32 && c != 127) {
            out[used++] = static_cast<char>(c);
            lastWasBlank_ = false;
        }
    }
    used_.store(used, std::memory_order_release);
}

int LoadTarget::introduceStream() {
    if (headerState != kHeaderIntroduce) return 0;
    headerState = kHeaderPassAll;
    return writeLine(kMemoryHeaderLine, std::strlen(kMemoryHeaderLine), true);
}

int LoadTarget::writeLine(const char* line, size_t length, bool needsNewline) {
    if (line == nullptr) length = 0;
    switch (headerState) {
        case kHeaderIntroduce:
            headerState = kHeaderPassAll;
            if (!hasSnapfileMagic(line, length)) {
                int rc = writeLine(kMemoryHeaderLine, std::strlen(kMemoryHeaderLine), true);
                if (rc != 0) return rc;
            }
            break;
        case kHeaderAppend:
            if (hasSnapfileMagic(line, length)) {
                headerState = kHeaderSkipBlank;
                return 0;
            }
            headerState = kHeaderPassAll;
            break;
        case kHeaderSkipBlank:
            if (!hasPrintable(line, length)) return 0;
            headerState = kHeaderPassAll;
            break;
        default:
            break;
    }

    char* out = length <= kLoadTargetLineBytes ? buffer_ : lineRoom(length);
    // memmove, not memcpy: knowing the copy is bounded by the buffer, the compiler would
    // expand memcpy into a string instruction whose start-up cost dwarfs the few dozen bytes
    // of a typical line; the library routine is several times faster here.
    if (length > 0) std::memmove(out, line, length);
    if (isSnapfileHeader(out, length)) {
        // A header's last field runs to the line end, so a blank there would become part
        // of the record prefix. The store adds the blank itself.
        while (length > 0 && (out[length - 1] == '\n' || out[length - 1] == '\r')) --length;
        out[length++] = '\n';
    } else if (length > 0 && out[length - 1] == '\r') {
        // A trailing line end becomes the one blank every stored line ends with; a carriage
        // return before the newline must not survive either.
        out[length - 1] = ' ';
    } else if (length > 0 && out[length - 1] == '\n') {
        --length;
        if (length > 0 && out[length - 1] == '\r') --length;
        out[length++] = ' ';
        out[length++] = '\n';
    } else {
        out[length++] = ' ';
    }
    if (needsNewline && out[length - 1] != '\n') out[length++] = '\n';
    out[length] = '\0';

    int rc = deliver(out, length);
    if (show != nullptr) show->add(out, length);
    if (pump) pump();
    return rc;
}

char* LoadTarget::lineRoom(size_t length) {
    if (length + 4 > longCapacity_) {
        // Growing by half again at least spares a run of ever longer lines an allocation each.
        size_t capacity = std::max(length + 4, longCapacity_ + longCapacity_ / 2);
        longBuffer_.reset(new char[capacity]);
        longCapacity_ = capacity;
    }
    return longBuffer_.get();
}

int LoadTarget::deliver(const char* text, size_t length) {
    if (store != nullptr) return store->addLine(text, true);
    if (block != nullptr) return block->addText(text, true, static_cast<int64_t>(length));
    logError(0, "missing load target");
    return 9;
}

}  // namespace tessel
