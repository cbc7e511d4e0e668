#include "view/view_editing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <string>

#include "base/codepage/code_page_tables.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "editor/edit_session.h"
#include "editor/editor.h"
#include "fake_view_host.h"
#include "platform/key_codes.h"
#include "test_support.h"
#include "text/line_reader.h"
#include "text/load_target.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"
#include "view/screen_builder.h"
#include "view/status_rows.h"
#include "view/view.h"

namespace tessel {
namespace {

constexpr uint8_t kControlS = 0x13;
constexpr uint8_t kControlW = 0x17;
constexpr uint8_t kControlZ = 0x1A;
constexpr int kCell = 10;  // pixels per cell in both directions

class QueuedAnswers : public EditHost {
  public:
    EditAnswer ask(std::string_view title, std::string_view /*text*/,
                   EditButtons /*buttons*/) override {
        questions.emplace_back(title);
        if (answers.empty()) return EditAnswer::kCancel;
        const EditAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int chooseSavePath(std::string_view /*proposed*/, std::string& /*chosen*/) override {
        return 1;
    }
    std::string clipboardText() override { return {}; }
    void setClipboardText(std::string_view /*text*/) override {}

    std::deque<EditAnswer> answers;
    std::deque<std::string> questions;
};

// Three files loaded as a folder load loads them, and a view over them with cells of 10 by
// 10 pixels. Store lines: 0 snapfile header; 1-5 first.txt (header, name, two lines, blank);
// 6-10 middle.txt; 11-15 last.txt.
class ViewEditingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        codePageTables().init(1252);
        initUtf8Decoder(1252);
        textOptions() = TextOptions{};
        appSettings().linuxMode = true;
        config().setInt("assist", 0);
        editing().store = &store;
        editing().host = &answers;
        first = dir.write("first.txt", "one\ntwo\n");
        middle = dir.write("middle.txt", "alpha beta\r\ngamma\r\n");
        last = dir.write("last.txt", "x\ny\n");
        LoadTarget target;
        target.store = &store;
        target.headerState = kHeaderIntroduce;
        LineReader reader;
        for (const std::string& path : {first, middle, last}) {
            ASSERT_EQ(reader.readFile(path.c_str(), path.c_str(),
                                      [&](const char* line, size_t length, bool newline) {
                                          return target.writeLine(line, length, newline);
                                      }),
                      0);
        }
        ASSERT_EQ(store.finish(), 0);
        view.search.textStorePtr = &store;
        view.host = &host;
        view.rows = 24;
        view.columns = 60;
        view.lineHeight = kCell;
        view.charWidth = kCell;
    }
    void TearDown() override {
        view.editor.reset();
        view.edit.parked.reset();
        view.host = nullptr;
        editing().store = nullptr;
        editing().host = nullptr;
        config().setInt("assist", 1);
    }

    // Stored lines end with one blank.
    int storeLineOf(const std::string& text) {
        for (int line = 0; line < store.lineCount(); ++line) {
            if (text + " " == store.lineText(line)) return line;
        }
        return -1;
    }
    // Builds the rows and returns the row that shows a shown line (-1 when none does).
    int rowOf(int shownLine) {
        buildScreen(view);
        for (int row = 0; row < kScreenRows; ++row) {
            if (view.screen.rowLine[static_cast<size_t>(row)] == shownLine) return row;
        }
        return -1;
    }
    int doubleClickAt(int row, int column) {
        return editDoubleClick(view, kMouseLeft, column * kCell + 1, row * kCell + 1, 0);
    }
    // Opens the editor by a double click on the first character of a store line.
    void editStoreLine(const std::string& text, int column = 0) {
        const int line = storeLineOf(text);
        ASSERT_GE(line, 0) << text;
        const int row = rowOf(line);
        ASSERT_GE(row, 0);
        ASSERT_EQ(doubleClickAt(row, column), 0);
        ASSERT_TRUE(view.editor);
    }
    void type(std::string_view text) {
        for (char ch : text) ASSERT_EQ(editChar(view, static_cast<uint8_t>(ch), 0), 0);
    }

    testing::TempDir dir;
    std::string first, middle, last;
    TextStore store;
    QueuedAnswers answers;
    testing::FakeViewHost host;
    View view;
};

TEST_F(ViewEditingTest, TheEditedFileStandsAmongTheOthersAndShiftsTheLinesAfterIt) {
    const int storeLines = store.lineCount();
    const int lastFileLine = storeLineOf("y");
    editStoreLine("gamma");
    EXPECT_EQ(view.editor->cursorLine, kFirstTextLine + 1);
    // The editor shows the empty line after the file's last line end, where typing adds a
    // line: the files after it move down by one.
    EXPECT_EQ(shownLineCount(view), storeLines + 1);
    EXPECT_STREQ(editRowAt(view, lastFileLine + 1).text, "y ");

    // Two new lines in the middle file: the last file's lines move down by two more.
    ASSERT_EQ(editKeyDown(view, kKeyReturn, 0), 0);
    ASSERT_EQ(editKeyDown(view, kKeyReturn, 0), 0);
    EXPECT_EQ(shownLineCount(view), storeLines + 3);
    const EditRow before = editRowAt(view, storeLineOf("two"));
    EXPECT_STREQ(before.text, "two ");
    EXPECT_EQ(before.editLine, -1);
    const EditRow moved = editRowAt(view, lastFileLine + 3);
    EXPECT_STREQ(moved.text, "y ");
    EXPECT_EQ(moved.storeLine, lastFileLine);
    const EditRow header = editRowAt(view, view.editor->headerGlobalLine());
    EXPECT_EQ(header.editLine, 0);
    EXPECT_NE(std::string(header.text).find("[crlf]"), std::string::npos);
    EXPECT_NE(std::string(header.text).find("[*]"), std::string::npos);
    EXPECT_EQ(editRowAt(view, shownLineCount(view)).text, nullptr);
    EXPECT_EQ(editRowAt(view, -1).text, nullptr);

    // The rows follow: the last file's text is drawn from its own store lines.
    const int row = rowOf(lastFileLine + 3);
    ASSERT_GE(row, 0);
    EXPECT_STREQ(view.screen.rowText(row), "y ");
}

TEST_F(ViewEditingTest, RowsShowTheSelectionAndTheCursorUpToTheLineEnd) {
    editStoreLine("alpha beta", 6);
    Editor& editor = *view.editor;
    ASSERT_EQ(editor.cursorColumn, 6);
    ASSERT_EQ(editKeyDown(view, kKeyRight, kModShift), 0);
    ASSERT_EQ(editKeyDown(view, kKeyRight, kModShift), 0);
    const int line = editor.headerGlobalLine() + kFirstTextLine;
    int row = rowOf(line);
    ASSERT_GE(row, 0);
    EXPECT_STREQ(view.screen.rowText(row), "alpha beta ");
    EXPECT_STREQ(view.screen.rowAttr(row), "      sse  ");

    // At the end of the line the cursor stands on the closing blank.
    ASSERT_EQ(editKeyDown(view, kKeyEnd, 0), 0);
    EXPECT_FALSE(view.edit.selection.active);
    row = rowOf(line);
    EXPECT_STREQ(view.screen.rowText(row), "alpha beta ");
    EXPECT_STREQ(view.screen.rowAttr(row), "          e");

    const EditorStatus status = editorStatus(view);
    EXPECT_TRUE(status.showCursor);
    EXPECT_EQ(status.cursorRow, 1);
    EXPECT_EQ(status.cursorColumn, 11);
}

TEST_F(ViewEditingTest, TypingUndoAndSaveReachTheFileWithItsOwnLineEnds) {
    editStoreLine("gamma");
    type("ab");
    ASSERT_EQ(editKeyDown(view, kKeyBackspace, 0), 0);
    type("c");
    ASSERT_EQ(editChar(view, kControlZ, kModControl), 0);
    EXPECT_EQ(std::string(view.editor->data->textView()), "alpha beta\nagamma\n");
    EXPECT_TRUE(view.editor->data->modified);

    // ALT with a letter is a command, ALT GR (ALT with CONTROL) types.
    EXPECT_EQ(editChar(view, 'q', kModAlt), 0);
    EXPECT_EQ(editChar(view, '@', kModAlt | kModControl), 0);
    EXPECT_EQ(std::string(view.editor->data->textView()), "alpha beta\na@gamma\n");

    // CONTROL+W is the viewer's re-wrap, refused while editing; it types nothing.
    {
        testing::LogCapture log;
        ASSERT_EQ(editChar(view, kControlW, kModControl), 0);
        EXPECT_TRUE(log.contains("cannot wrap while editing."));
        EXPECT_EQ(std::string(view.editor->data->textView()), "alpha beta\na@gamma\n");
    }

    ASSERT_EQ(editChar(view, kControlS, kModControl), 0);
    EXPECT_EQ(testing::readFile(middle), "alpha beta\r\na@gamma\r\n");
    EXPECT_FALSE(view.editor->data->modified);

    // ESCAPE leaves the editor; the store shows what was written, the other files unchanged.
    ASSERT_EQ(editKeyDown(view, kKeyEscape, 0), 0);
    EXPECT_FALSE(view.editor);
    EXPECT_GE(storeLineOf("a@gamma"), 0);
    EXPECT_GE(storeLineOf("y"), 0);
    EXPECT_EQ(storeLineOf("gamma"), -1);
    EXPECT_EQ(checkLockAccounting(), 0);
}

TEST_F(ViewEditingTest, ClicksOpenOnlyOnTextAndKeepTheViewersGesturesElsewhere) {
    // The double click on blank space past a line's end is the view's own gesture.
    const int row = rowOf(storeLineOf("one"));
    EXPECT_EQ(doubleClickAt(row, 10), 1);
    EXPECT_FALSE(view.editor);
    // One click edits only with "oneclickedit".
    const int saved = config().getInt("oneclickedit");
    config().setInt("oneclickedit", 0);
    EXPECT_EQ(editPointerPress(view, kMouseLeft, 1, row * kCell + 1, 0), 1);
    config().setInt("oneclickedit", 1);
    EXPECT_EQ(editPointerPress(view, kMouseLeft, 1, row * kCell + 1, 0), 0);
    config().setInt("oneclickedit", saved);
    ASSERT_TRUE(view.editor);
    EXPECT_EQ(view.editor->block(), store.blockByName(first.c_str()));

    // A press on a line of another file is not the editor's; one in the text moves the
    // cursor, and a drag selects.
    const int lastRow = rowOf(storeLineOf("y"));
    EXPECT_EQ(editPointerPress(view, kMouseLeft, 1, lastRow * kCell + 1, 0), 1);
    const int twoRow = rowOf(view.editor->headerGlobalLine() + kFirstTextLine + 1);
    ASSERT_EQ(editPointerPress(view, kMouseLeft, 1 * kCell + 1, twoRow * kCell + 1, 0), 0);
    EXPECT_EQ(view.editor->cursor(), (EditPosition{kFirstTextLine + 1, 1}));
    EXPECT_EQ(editPointerDrag(view, 3 * kCell + 1, twoRow * kCell + 1), 0);
    editPointerRelease(view);
    EXPECT_EQ(view.editor->selectedText(), "wo");

    // A double click in the edited text selects the word under it.
    ASSERT_EQ(doubleClickAt(twoRow - 1, 1), 0);
    EXPECT_EQ(view.editor->selectedText(), "one");
}

TEST_F(ViewEditingTest, ASecondFileIsOpenedOnlyOnceTheFirstIsSaved) {
    editStoreLine("gamma");
    type("z");
    // Opening another file saves this one first; a failed save keeps the editor and its
    // changes where they are.
    ASSERT_EQ(::chmod(middle.c_str(), 0444), 0);
    int row = rowOf(storeLineOf("x") + 0);
    ASSERT_EQ(doubleClickAt(row, 0), 0);
    EXPECT_EQ(view.editor->block(), store.blockByName(middle.c_str()));
    EXPECT_TRUE(view.editor->data->modified);
    EXPECT_EQ(testing::readFile(middle), "alpha beta\r\ngamma\r\n");

    ASSERT_EQ(::chmod(middle.c_str(), 0644), 0);
    row = rowOf(storeLineOf("x"));
    ASSERT_EQ(doubleClickAt(row, 0), 0);
    EXPECT_EQ(view.editor->block(), store.blockByName(last.c_str()));
    EXPECT_EQ(testing::readFile(middle), "alpha beta\r\nzgamma\r\n");
    EXPECT_GE(storeLineOf("zgamma"), 0);
    EXPECT_EQ(checkLockAccounting(), 0);
}

}  // namespace
}  // namespace tessel
