// The batch driver's clipboard: scripts put text or a file list on it as another program
// would, and print what it holds.
#include <cstdio>
#include <string>

#include "app/batch_driver.h"
#include "platform/platform.h"

namespace tessel {

namespace {

enum ClipboardVerb : int { kClipboardSet = 1, kClipboardFiles = 2, kClipboardPrint = 3 };

}  // namespace

int parseClipboardWords(std::string_view rest, BatchCommand& out, std::string& reason) {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    const size_t end = rest.find_first_of(" \t");
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    if (word == "set") {
        out.value = kClipboardSet;
        // One blank ends the word; the text keeps any further leading blanks.
        if (!rest.empty()) rest.remove_prefix(1);
        out.text = unescapeBatchText(rest);
        return 0;
    }
    if (word == "files") {
        out.value = kClipboardFiles;
        out.text.clear();
        while (!rest.empty()) {
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
                rest.remove_prefix(1);
            const size_t stop = rest.find_first_of(" \t");
            const std::string_view path = rest.substr(0, stop);
            rest.remove_prefix(stop == std::string_view::npos ? rest.size() : stop);
            if (path.empty()) continue;
            if (!out.text.empty()) out.text += '\n';
            out.text += path;
        }
        if (out.text.empty()) {
            reason = "missing path";
            return 9;
        }
        return 0;
    }
    if (word == "print") {
        out.value = kClipboardPrint;
        if (rest.find_first_not_of(" \t") != std::string_view::npos) {
            reason = "unexpected words";
            return 9;
        }
        return 0;
    }
    reason = "wrong clipboard command";
    return 9;
}

int runClipboardCommand(const BatchCommand& command, std::string& reason) {
    switch (command.value) {
        case kClipboardSet:
            setClipboardText(command.text, true);
            return 0;
        case kClipboardFiles: {
            std::vector<std::string> paths;
            size_t start = 0;
            while (start <= command.text.size()) {
                size_t end = command.text.find('\n', start);
                if (end == std::string::npos) end = command.text.size();
                paths.push_back(command.text.substr(start, end - start));
                start = end + 1;
            }
            setClipboardFiles(paths, true);
            return 0;
        }
        case kClipboardPrint: {
            std::string text = clipboardText();
            std::string out = "=== clipboard\n";
            size_t start = 0;
            while (start < text.size()) {
                size_t end = text.find('\n', start);
                if (end == std::string::npos) end = text.size();
                std::string line = text.substr(start, end - start);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                out += line + "\n";
                start = end + 1;
            }
            out += "=== end\n";
            std::fwrite(out.data(), 1, out.size(), stdout);
            std::fflush(stdout);
            return 0;
        }
        default:
            reason = "wrong clipboard command";
            return 9;
    }
}

}  // namespace tessel
