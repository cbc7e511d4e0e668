// The command line, TESSEL_CONFIG and slash patterns all come from outside the program. The
// input is split into words at NUL bytes; the first word also serves as TESSEL_CONFIG. A
// word that starts with a control byte becomes an option name plus the rest of the word, so
// that random input reaches every option.
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/slash_patterns.h"
#include "app/tessel_config_env.h"
#include "base/log/message_log.h"
#include "fuzz_target.h"

namespace {

const char* const kOptionNames[] = {
    "-linux", "-nolinux", "-trace",    "-vdesk",   "-safe",  "-conf",  "-resize", "-nocache",
    "-lean",  "-edit",    "-e",        "-iso",     "-over",  "-back",  "-cfg1",   "-bulk",
    "-noshl", "-nodict",  "-fastload", "-verbose", "-id",    "-code",  "-area",   "-space",
    "-max",   "-h",       "-help",     "-find",    "-sfind", "-path",  "-spath",  "-tab",
    "-book",  "-clean",   "-noassist", "-assist",  "-miles", "-nonet", "-net",    "-net:",
    "-net=",  "/?",       "\\"};

}  // namespace

TESSEL_FUZZ_TARGET(command_line) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words{"tessel"};
    size_t start = 0;
    for (size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == '\0') {
            std::string_view word = input.substr(start, i - start);
            start = i + 1;
            auto lead = word.empty() ? 0xFF : static_cast<unsigned char>(word.front());
            if (lead < 0x20) {
                words.emplace_back(kOptionNames[lead % std::size(kOptionNames)]);
                words.back().append(word.substr(1));
            } else {
                words.emplace_back(word);
            }
        }
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    tessel::CommandLineHooks hooks;
    hooks.loadConfiguration = [](const tessel::StartupOptions&) { return 0; };
    hooks.applyKeyword = [](const char*, const char*) { return 1; };
    hooks.getEnv = [&words](const char*) { return words[1].c_str(); };
    hooks.availableMemory = [] { return uint64_t{1} << 32; };
    tessel::StartupOptions options;
    tessel::parseCommandLine(static_cast<int>(words.size()), argv.data(), options, hooks);
    tessel::setTraceMode(false);
    tessel::setVerboseMode(false);

    std::string decoded;
    tessel::decodeSlashPatterns(input, decoded);
    tessel::splitTesselConfig(input);
    tessel::tesselConfigLinuxMode(input);
    return 0;
}
