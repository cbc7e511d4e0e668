// User scripts in the window: the views as the scripts' host (masks, the filtered view, status
// text, word highlights, the netlog), the hotkeys and "on key" lines asked before a view's own
// keys, and the bookmark-script entries of the bookmark list.
#pragma once

#include <string>
#include <string_view>

#include "config/script_host.h"

namespace tessel {

class View;

// The views of the frame as seen from the view a script runs for.
// The host never keeps a view by reference beyond comparing it: a view closed while its
// script waits simply stops being a target.
class ViewScriptHost : public ScriptHost {
  public:
    explicit ViewScriptHost(View& own, int modifiers = 0) : own_(own), modifiers_(modifiers) {}

    int targetView(ViewSelector selector) override;
    int viewFact(int view, ViewFact fact, std::string& value, std::string& error) override;
    HeldModifiers heldModifiers() override;

    int setFindMask(int view, std::string_view text) override;
    int setPathMask(int view, std::string_view text) override;
    int setFilter(int view, bool on) override;
    int setLocation(int view, std::string_view mask, bool bottom) override;
    int setJumpMask(int view, std::string_view text) override;
    int setShift(int view, int columns) override;
    int setTabSize(int view, int size) override;

    int echo(int view, std::string_view text) override;
    int activate(int view) override;
    int netlog(int view, NetlogCommand command) override;
    int markReset(int view) override;
    int markWord(int view, std::string_view colour, std::string_view word, bool toggle) override;

    bool waitStep(int ms) override;

  private:
    View& own_;
    int modifiers_;
};

// The program does not end while a script runs: true, with the status text saying so.
bool scriptBlocksExit();

// Connects the key handler's user bindings and the bookmark list's script entries.
void installScriptHooks();

}  // namespace tessel
