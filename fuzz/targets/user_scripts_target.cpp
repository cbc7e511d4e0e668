// Language definitions, controls, scripts and key bindings come from a configuration file
// that users share. The first byte picks what the rest is fed to: a language block (whose
// keywords then colour the input's lines), a configuration text with the sections and "on"
// lines (whose "on key" lines are then taken over), a hotkey or "on" line, or a script that
// is split and run against views that only record. Scripts with a "run" command are split
// but not run, so that fuzzing never starts programs.
#include <string>
#include <string_view>
#include <vector>

#include "config/config_file.h"
#include "config/hotkeys.h"
#include "config/languages.h"
#include "config/script_runner.h"
#include "config/user_controls.h"
#include "fuzz_target.h"
#include "search/syntax_classify.h"

namespace {

using namespace tessel;

class SilentHost : public ScriptHost {
  public:
    int targetView(ViewSelector selector) override {
        return selector == ViewSelector::kFifth ? -1 : static_cast<int>(selector) % 3;
    }
    int viewFact(int, ViewFact fact, std::string& value, std::string& error) override {
        if (fact == ViewFact::kMouseWord) {
            error = "no word under cursor selected";
            return 9;
        }
        value = fact == ViewFact::kCurrentFile ? "dir\\sub/name.ext" : "12";
        return 0;
    }
    std::string currentFolder() override { return "/fuzz"; }
    int setFindMask(int, std::string_view) override { return 0; }
    int setPathMask(int, std::string_view) override { return 0; }
    int setFilter(int, bool) override { return 0; }
    int setShift(int, int) override { return 0; }
    int setTabSize(int, int) override { return 0; }
    void messageBox(const char*, const char*) override {}
    int echo(int, std::string_view) override { return 0; }
    int activate(int) override { return kNotAvailable; }
    int markReset(int) override { return 0; }
    int markWord(int, std::string_view, std::string_view, bool) override { return 0; }
    // Sleeps end at once, as if the user stopped them.
    bool waitStep(int) override { return false; }
};

void classifyLines(std::string_view text, int kind, const Language* language) {
    std::vector<char> classes(kMaxClassifiedChars);
    bool inBlock = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        inBlock =
            classifyLine(text.substr(pos, end - pos), kind, language, inBlock, classes.data());
        pos = end + 1;
    }
}

void feedLanguage(std::string_view text) {
    clearLanguages();
    parseLanguage(text);
    LanguageCache cache;
    const Language* language = languageCount() > 0 ? languageAt(0) : nullptr;
    if (language != nullptr) {
        std::string extension =
            language->extensions.substr(1, language->extensions.find(' ', 1) - 1);
        languageFor(extension, cache);
    }
    classifyLines(text, 0, language);
    clearLanguages();
}

void feedConfiguration(std::string_view text) {
    ConfigHooks saved = configHooks();
    installUserFeatureHooks(configHooks());
    readConfigText("config-version 170\n" + std::string(text));
    takeOverOnKeys();
    SilentHost host;
    for (int slot = 0; slot < 3; ++slot) {
        std::string message;
        checkHotkey(userControl(slot).title, message);
        if (userScript(findScript(userControl(slot).script)).text.find("run") ==
            std::string::npos) {
            runControl(slot, host);
        }
    }
    configHooks() = saved;
    resetConfiguration();
    clearLanguages();
    clearRecentControls();
}

void feedBindings(std::string_view text) {
    std::string message;
    checkHotkey(text, message);
    bool keypad = false;
    parseOnCommand(text, keypad);
    OnKeyCommand onKey;
    readOnKeyCommand(text, onKey);
}

void feedScript(std::string_view text) {
    std::vector<std::string> statements;
    splitStatements(text, statements);
    std::vector<std::string> parameters;
    splitScriptParameters(text, parameters);
    SilentHost host;
    ScriptRun run;
    run.parameters = parameters;
    std::string expanded;
    std::string error;
    expandVariables(host, 0, text, run, expanded, error);
    if (text.find("run") == std::string_view::npos) runScript(host, text, run);
}

}  // namespace

TESSEL_FUZZ_TARGET(user_scripts) {
    if (size == 0) return 0;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 5) {
        case 0:
            feedLanguage(text);
            break;
        case 1:
            feedConfiguration(text);
            break;
        case 2:
            feedBindings(text);
            break;
        case 3:
            feedScript(text);
            break;
        case 4:
            classifyLines(text, data[0] / 5 % 128, nullptr);
            break;
    }
    return 0;
}
