// A small loaded text, a bookmark list wired to it and a host that answers from a script.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_list.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "test_support.h"
#include "text/text_store.h"

namespace tessel::testing {

struct TestFile {
    std::string name;
    std::vector<std::string> lines;
};

// Feeds files as a snapfile stream: ":file:", the name line, then the lines.
inline void fillStore(TextStore& store, const std::vector<TestFile>& files) {
    store.clear();
    store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true);
    for (const TestFile& file : files) {
        store.addLine(":file:\n", true);
        store.addLine((file.name + "\n").c_str(), true);
        for (const std::string& line : file.lines) store.addLine((line + "\n").c_str(), true);
    }
    store.finish();
}

// The global line of a file's own line k (counted from 1).
inline int globalLine(TextStore& store, int block, int k) {
    return store.blockAt(block)->nameLine() + k;
}

inline std::vector<std::string> numberedLines(const std::string& stem, int count) {
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) lines.push_back(stem + " " + std::to_string(i));
    return lines;
}

class ScriptedHost : public BookmarkHost {
  public:
    bool ask(const char* title, const char* text, bool defaultYes) override {
        questions.push_back(std::string(title) + "|" + text);
        if (answers.empty()) return defaultYes;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showBox(const char* title, const char* text) override {
        boxes.push_back(std::string(title) + "|" + text);
    }
    std::string pickFile(const char*, const char*, bool) override { return chosenFile; }
    unsigned pendingWork() override {
        if (busyChecks > 0) --busyChecks;
        return busyChecks > 0 ? 7u : 0u;
    }
    void waitStep() override { ++waits; }

    std::deque<bool> answers;
    std::vector<std::string> questions;
    std::vector<std::string> boxes;
    std::string chosenFile;
    int busyChecks = 0;
    int waits = 0;
};

// Fresh settings, a temporary folder as the bookmark base, a list on its own store.
class BookmarkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        config().initialize();
        resetAppSettings();
        setVerboseMode(false);
        setCentralBookFolder(dir.path() + "/central", true);
        base = dir.path() + "/zz-test-bookmarks";
        setBookmarkBase(base);
        list.storePtr = &store;
        list.host = &host;
        list.openSet = 1;
        view.tabSize = 4;
        view.lockRows = 3;
    }
    void TearDown() override {
        config().initialize();
        resetAppSettings();
        setVerboseMode(false);
    }

    // A bookmark at the file's own line k of block `block`.
    int mark(int block, int k, const char* label = "") {
        copyField(view.label, label);
        return addBookmark(list, view, globalLine(store, block, k), kAddMark);
    }

    TempDir dir;
    std::string base;
    TextStore store;
    ScriptedHost host;
    BookmarkList list;
    ViewPosition view;
};

}  // namespace tessel::testing
