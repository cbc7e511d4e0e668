// A stand-in for the views that scripts act on: it records every verb as a line of text and
// answers the variables from a table.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/script_host.h"

namespace tessel::testing {

class RecordingHost : public ScriptHost {
  public:
    int viewCount = 2;
    int ownView = 0;
    std::map<ViewFact, std::string> facts;
    std::string folder = "/work";
    HeldModifiers held;
    std::vector<std::string> calls;
    // waitStep answers false from this call on (-1: never).
    int stopAtWaitStep = -1;
    int waitSteps = 0;
    int waitedMs = 0;
    int netlogStatus = kNotAvailable;
    bool locationFound = true;
    std::function<void()> onEcho;

    int targetView(ViewSelector selector) override {
        return viewForSelector(selector, ownView, viewCount);
    }
    int viewFact(int, ViewFact fact, std::string& value, std::string& error) override {
        auto found = facts.find(fact);
        if (found == facts.end()) {
            if (fact == ViewFact::kMouseWord) error = "no word under cursor selected";
            return 9;
        }
        value = found->second;
        return 0;
    }
    std::string currentFolder() override { return folder; }
    HeldModifiers heldModifiers() override { return held; }

    int setFindMask(int view, std::string_view text) override {
        return record(view, "findmask", text);
    }
    int setPathMask(int view, std::string_view text) override {
        return record(view, "pathmask", text);
    }
    int setFilter(int view, bool on) override { return record(view, "filter", on ? "on" : "off"); }
    int setLocation(int view, std::string_view mask, bool bottom) override {
        record(view, bottom ? "location-bottom" : "location", mask);
        return locationFound ? 0 : kNoMatchingFile;
    }
    int setShift(int view, int columns) override {
        return record(view, "shift", std::to_string(columns));
    }
    int setTabSize(int view, int size) override {
        return record(view, "tabsize", std::to_string(size));
    }
    void messageBox(const char* title, const char* text) override {
        calls.push_back(std::string("box ") + title + ": " + text);
    }
    int echo(int view, std::string_view text) override {
        record(view, "echo", text);
        if (onEcho) onEcho();
        return 0;
    }
    int activate(int view) override { return record(view, "activate", ""); }
    int netlog(int view, NetlogCommand command) override {
        record(view, "netlog", std::to_string(static_cast<int>(command)));
        return netlogStatus;
    }
    int markReset(int view) override { return record(view, "mark-reset", ""); }
    int markWord(int view, std::string_view colour, std::string_view word, bool toggle) override {
        return record(view, toggle ? "mark-toggle" : "mark-add",
                      std::string(colour) + " " + std::string(word));
    }
    bool waitStep(int ms) override {
        if (stopAtWaitStep >= 0 && waitSteps >= stopAtWaitStep) return false;
        ++waitSteps;
        waitedMs += ms;
        return true;
    }

  private:
    int record(int view, std::string_view verb, std::string_view text) {
        calls.push_back(std::to_string(view) + " " + std::string(verb) + " " + std::string(text));
        return 0;
    }
};

}  // namespace tessel::testing
