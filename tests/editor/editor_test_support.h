// A store loaded the way a folder load fills it, a host that answers from queues, and views
// without windows, for the editor tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "editor/edit_data.h"
#include "editor/edit_host.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "search/search_state.h"
#include "test_support.h"
#include "text/line_reader.h"
#include "text/load_target.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"

namespace tessel::testing {

class TestHost : public EditHost {
  public:
    EditAnswer ask(std::string_view title, std::string_view text, EditButtons buttons) override {
        questions.emplace_back(title);
        texts.emplace_back(text);
        if (!answers.empty()) {
            EditAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == EditButtons::kYesNo || buttons == EditButtons::kYesNoCancel
                   ? EditAnswer::kYes
                   : EditAnswer::kOk;
    }
    int chooseSavePath(std::string_view proposed, std::string& chosen) override {
        proposals.emplace_back(proposed);
        if (savePaths.empty()) return 1;
        chosen = savePaths.front();
        savePaths.pop_front();
        return chosen.empty() ? 1 : 0;
    }
    std::string clipboardText() override { return clipboard; }
    void setClipboardText(std::string_view text) override { clipboard = text; }

    std::deque<EditAnswer> answers;
    std::deque<std::string> savePaths;
    std::vector<std::string> questions;
    std::vector<std::string> texts;
    std::vector<std::string> proposals;
    std::string clipboard;
};

class TestView : public EditorView {
  public:
    explicit TestView(TextStore& store) { state.textStorePtr = &store; }
    SearchState& search() override { return state; }
    int tabSize() const override { return tab; }
    int scrollColumn() const override { return 0; }
    int textRows() const override { return rows; }
    int textColumns() const override { return columns; }

    SearchState state;
    int tab = 4;
    int rows = 40;
    int columns = 80;
};

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        initUtf8Decoder(1252);
        textOptions() = TextOptions{};
        appSettings().linuxMode = true;
        editSettings() = EditSettings{};
        setTraceMode(false);
        editing().store = &store;
        editing().host = &host;
        editing().recent.clear();
        editing().utf8Notices = 0;
    }
    void TearDown() override {
        views.clear();
        editing().store = nullptr;
        editing().host = nullptr;
        editing().recent.clear();
        textOptions() = TextOptions{};
    }

    // Loads the files as a folder load does: in stream form, line by line, UTF-8 decoded.
    void load(const std::vector<std::string>& paths) {
        LoadTarget target;
        target.store = &store;
        target.headerState = store.blockCount > 0 ? kHeaderAppend : kHeaderIntroduce;
        LineReader reader;
        for (const std::string& path : paths) {
            ASSERT_EQ(reader.readFile(path.c_str(), path.c_str(),
                                      [&](const char* line, size_t length, bool newline) {
                                          return target.writeLine(line, length, newline);
                                      }),
                      0);
        }
        ASSERT_EQ(store.finish(), 0);
    }
    std::string write(std::string_view name, std::string_view bytes) {
        return dir.write(name, bytes);
    }
    TextBlock& blockOf(const std::string& path) {
        TextBlock* block = store.blockByName(path.c_str());
        EXPECT_NE(block, nullptr) << path;
        return block ? *block : store.emptyBlock;
    }
    TestView& newView() {
        views.push_back(std::make_unique<TestView>(store));
        return *views.back();
    }
    // Opens an editor on the file in a new view with the cursor at an edit line and column.
    Editor& edit(const std::string& path, int line = kFirstTextLine, int column = 0) {
        TestView& view = newView();
        int opened = openEditor(view, blockOf(path), -1, 0);
        if (opened != 0 || !view.editor) {
            std::fprintf(stderr, "cannot edit %s (%d)\n", path.c_str(), opened);
            std::abort();
        }
        view.editor->setCursor({line, column});
        return *view.editor;
    }
    static std::string textOf(const Editor& editor) {
        return editor.data ? std::string(editor.data->textView()) : std::string();
    }
    static void select(Editor& editor, int line, int column, int endLine, int endColumn) {
        editor.view->selection.set(line, column, endLine, endColumn);
    }

    TempDir dir;
    TextStore store;
    TestHost host;
    std::vector<std::unique_ptr<TestView>> views;
};

}  // namespace tessel::testing
