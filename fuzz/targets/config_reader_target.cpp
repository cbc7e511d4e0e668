// A configuration file comes from the user's disk and may hold anything. The input is read
// as a configuration text (after a valid first line for half of the inputs, so that the
// keyword lines are reached), one setting is changed, the result is written to a file, and
// that file is read and written twice more: unchanged, which must keep its bytes, and with
// another change.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "config/config_file.h"
#include "config/qv_config.h"
#include "fuzz_target.h"

namespace {

// A private folder for the written files, removed when the process ends.
struct ScratchFolder {
    ScratchFolder() {
        // Memory-backed when available: every save syncs the file.
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/tessel-fuzz-XXXXXX"
                                                            : "/tmp/tessel-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchFolder() {
        if (!path.empty()) rmdir(path.c_str());
    }
    std::string path;
};

const std::string& scratchFolder() {
    static const ScratchFolder folder;
    return folder.path;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TESSEL_FUZZ_TARGET(config_reader) {
    std::string text;
    if (size > 0 && data[0] % 2 == 0) text = "config-version 170\n";
    text.append(reinterpret_cast<const char*>(data), size);

    tessel::resetConfiguration();
    tessel::readConfigText(text);
    if (scratchFolder().empty()) return 0;
    std::string path = scratchFolder() + "/tessel-config.txt";
    tessel::setConfigPath(path);
    tessel::QVConfig& store = tessel::config();
    store.setInt("loadbin", store.getInt("loadbin") != 0 ? 0 : 1);
    store.setVar(1000, "1");
    if (tessel::writeConfig() == 0) {
        std::string written = readAll(path);
        const tessel::ConfigFileState& state = tessel::configFile();
        // A file the writer made, read completely and saved unchanged, keeps its bytes.
        if (tessel::readConfig(false) == 0 && state.unreadFrom == std::string::npos &&
            !state.writeBlocked) {
            if (tessel::writeConfig() == 0 && readAll(path) != written) std::abort();
        }
        store.setText("filemask", ".fuzz");
        tessel::writeConfig();
    }
    unlink(path.c_str());
    tessel::resetConfiguration();
    return 0;
}
