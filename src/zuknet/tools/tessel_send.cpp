// tessel-send: sends its arguments, or standard input as it arrives, to a running Tessel
// that receives network text, for example
//
//   make 2>&1 | tessel-send -color y
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "zuknet/net_text_sender.h"

namespace {

constexpr char kUsage[] =
    "usage: tessel-send [-host NAME] [-port N] [-copy] [-color LETTER] [-clear] [TEXT ...]\n"
    "Sends TEXT, or else standard input line by line, to a running Tessel (default\n"
    "127.0.0.1, port 21323). -copy waits for an answer to every datagram and sends again\n"
    "when none comes; -color shows the text in a colour (r g b y c m, upper case bright,\n"
    "w grey); -clear empties the netlog first.\n";

int fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "tessel-send: %s%s\n", what, detail.c_str());
    return 2;
}

// Sends standard input: what has arrived up to its last line end goes at once, so lines
// show while a slow producer (a build) is still running; a last line without a line end
// goes at the end of input.
int sendStandardInput(tessel::NetTextSender& sender) {
    std::string pending;
    char buffer[65536];
    for (;;) {
        const ssize_t length = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) continue;
        if (length < 0) return fail("cannot read standard input: ", std::strerror(errno));
        if (length == 0) break;
        pending.append(buffer, static_cast<size_t>(length));
        const size_t lineEnd = pending.rfind('\n');
        if (lineEnd == std::string::npos) continue;
        if (sender.send(std::string_view(pending).substr(0, lineEnd + 1), false) != 0) {
            return fail("", sender.error());
        }
        pending.erase(0, lineEnd + 1);
    }
    if (!pending.empty() && sender.send(pending, true) != 0) return fail("", sender.error());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    tessel::NetSendOptions options;
    const char* host = "127.0.0.1";
    bool clear = false;
    std::string text;
    bool haveText = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-host" && hasValue) {
            host = argv[++i];
        } else if (arg == "-port" && hasValue) {
            char* end = nullptr;
            const long port = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || port < 1 || port > 65535) {
                std::fprintf(stderr, "tessel-send: wrong port \"%s\"\n%s", argv[i], kUsage);
                return 1;
            }
            options.port = static_cast<int>(port);
        } else if (arg == "-copy") {
            options.acknowledge = true;
        } else if (arg == "-color" && hasValue && std::strlen(argv[i + 1]) == 1) {
            options.colour = argv[++i][0];
        } else if (arg == "-clear") {
            clear = true;
        } else if (arg == "-h" || arg == "-help" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.starts_with("-") && arg.size() > 1 && !haveText) {
            std::fprintf(stderr, "tessel-send: unknown option \"%s\"\n%s", argv[i], kUsage);
            return 1;
        } else {
            if (haveText) text += ' ';
            text += arg;
            haveText = true;
        }
    }
    if (!tessel::resolveHost(host, options.host)) {
        return fail("cannot find host ", host);
    }

    tessel::NetTextSender sender;
    if (sender.open(options) != 0) return fail("", sender.error());
    if (clear && sender.sendClear() != 0) return fail("", sender.error());
    if (haveText) {
        text += '\n';
        return sender.send(text, false) == 0 ? 0 : fail("", sender.error());
    }
    // "tessel-send -clear" typed at a terminal only clears.
    if (clear && ::isatty(STDIN_FILENO)) return 0;
    return sendStandardInput(sender);
}
