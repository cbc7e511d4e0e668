#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "editor/edit_encoding.h"
#include "editor_test_support.h"

namespace tessel::testing {
namespace {

using EditSaveTest = EditorTest;

// Opens the file, changes nothing that stays, and writes it.
std::string saveUnchanged(EditSaveTest& test, Editor& editor) {
    editor.typeKey('x');
    editor.keyBackspace();
    EXPECT_TRUE(editor.data->modified);
    EXPECT_EQ(editor.data->write(), 0);
    EXPECT_FALSE(editor.data->modified);
    (void)test;
    return readFile(editor.block()->fileName);
}

TEST_F(EditSaveTest, OpenAndSaveUnchangedKeepsEveryByte) {
    const std::vector<std::string> contents = {
        "crlf\r\nlines\r\n",
        "unix\nlines\n",
        "mixed\r\nline\nends\r\n\nhere",
        "no final line end",
        "tabs\tand\tmore\n\t\n",
        "\xEF\xBB\xBF"
        "caf\xC3\xA9 with bom\r\n",
        "caf\xC3\xA9 without bom\n\xE2\x82\xAC\n",
        "",
        "\n\n\n",
    };
    std::vector<std::string> paths;
    for (size_t i = 0; i < contents.size(); ++i) {
        paths.push_back(write("round" + std::to_string(i) + ".txt", contents[i]));
    }
    load(paths);
    for (size_t i = 0; i < contents.size(); ++i) {
        Editor& editor = edit(paths[i]);
        EXPECT_EQ(saveUnchanged(*this, editor), contents[i]) << i;
    }
    // The UTF-8 files are edited in their decoded text.
    EXPECT_EQ(textOf(*views[5]->editor), "caf\xE9 with bom\n");
    EXPECT_EQ(views[5]->editor->data->encoding, EditEncoding::kUtf8Bom);
    EXPECT_EQ(textOf(*views[6]->editor), "caf\xE9 without bom\n\x80\n");
    EXPECT_EQ(views[6]->editor->data->encoding, EditEncoding::kUtf8);
}

TEST_F(EditSaveTest, DecodedTextsAreWrittenAsUtf8AndRawTextsAsBytes) {
    std::string decoded = write("decoded.txt", "\xEF\xBB\xBFna\xC3\xAFve\n");
    std::string raw = write("raw.txt", "na\xC3\xAFve\n");
    load({decoded});
    ASSERT_EQ(store.loadFileBlock(raw.c_str(), nullptr, nullptr), 0);  // kept as read
    store.finish();
    Editor& utf8 = edit(decoded, 2, 0);
    utf8.typeKey('\xE9');
    EXPECT_EQ(utf8.data->write(), 0);
    EXPECT_EQ(readFile(decoded), "\xEF\xBB\xBF\xC3\xA9na\xC3\xAFve\n");

    LogCapture log;
    Editor& bytes = edit(raw, 2, 0);
    EXPECT_TRUE(log.contains("UTF-8 edit is not supported, copy/paste may add invalid encoding."));
    bytes.typeKey('\xE9');
    EXPECT_EQ(bytes.data->write(), 0);
    EXPECT_EQ(readFile(raw), "\xE9na\xC3\xAFve\n");

    // A byte without a character in the code page cannot be written as UTF-8.
    utf8.typeKey('\x81');
    EXPECT_EQ(utf8.data->write(), 9);
    EXPECT_TRUE(log.contains("has no UTF-8 form"));
    EXPECT_TRUE(utf8.data->modified);
    EXPECT_EQ(readFile(decoded), "\xEF\xBB\xBF\xC3\xA9na\xC3\xAFve\n");

    std::string line;
    EXPECT_TRUE(decodeLineExactly("caf\xC3\xA9", line));
    EXPECT_EQ(line, "caf\xE9");
    EXPECT_FALSE(decodeLineExactly("\xEF\xBB\xBFinner mark", line));
}

TEST_F(EditSaveTest, LineEndsCanBeSwitched) {
    std::string path = write("switch.txt", "a\nb\n");
    load({path});
    TestView& view = newView();
    ASSERT_EQ(openEditor(view, blockOf(path), -1, 0), 0);
    toggleLineEnds(view);
    EXPECT_STREQ(view.editor->lineText(view.editor->headerGlobalLine()), ":file: [crlf] [*]");
    EXPECT_EQ(view.editor->data->write(), 0);
    EXPECT_EQ(readFile(path), "a\r\nb\r\n");
}

TEST_F(EditSaveTest, WritesKeepPermissionsAndGoThroughLinks) {
    std::string target = write("target.txt", "old\n");
    std::string link = dir.path() + "/link.txt";
    ASSERT_EQ(::symlink("target.txt", link.c_str()), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    load({link});
    Editor& editor = edit(link, 2, 3);
    editor.typeKey('!');
    ASSERT_EQ(editor.data->write(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(target), "old!\n");
    struct stat info;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tessel-"), std::string::npos);
    }
}

TEST_F(EditSaveTest, ReadOnlyFilesAndVanishedFoldersLeaveTheTextModified) {
    std::string locked = write("locked.txt", "keep\n");
    std::string gone = write("sub/gone.txt", "gone\n");
    load({locked, gone});
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    LogCapture log;
    Editor& first = edit(locked);
    first.typeKey('x');
    EXPECT_EQ(first.data->write(), 9);
    EXPECT_TRUE(log.contains("cannot write: " + locked));
    EXPECT_EQ(readFile(locked), "keep\n");
    EXPECT_TRUE(first.data->modified);
    // Closing does not drop what could not be written.
    EXPECT_EQ(closeAndSave(*first.view), 9);
    EXPECT_NE(first.view->editor, nullptr);

    Editor& second = edit(gone);
    second.typeKey('y');
    std::filesystem::remove_all(dir.path() + "/sub");
    EXPECT_EQ(second.data->write(), 9);
    EXPECT_TRUE(second.data->modified);
    ::chmod(locked.c_str(), 0644);
}

TEST_F(EditSaveTest, AFullDiskLeavesTheOriginalUntouched) {
    std::string mountPoint = dir.path() + "/small";
    std::filesystem::create_directories(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    std::string original = std::string(30000, 'o') + "\n";
    std::string path = mountPoint + "/full.txt";
    {
        TempDir scratch;
        std::filesystem::copy_file(scratch.write("full.txt", original), path);
    }
    load({path});
    Editor& editor = edit(path);
    editor.insertText(std::string(50000, 'n'), true);
    LogCapture log;
    EXPECT_EQ(editor.data->write(), 9);
    EXPECT_TRUE(log.contains("cannot fully write, probably disk full: " + path));
    EXPECT_EQ(readFile(path), original);
    EXPECT_TRUE(editor.data->modified);
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(mountPoint)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    views.clear();
    ::umount2(mountPoint.c_str(), MNT_DETACH);
}

TEST_F(EditSaveTest, AFileChangedOnDiskIsNotOverwrittenSilently) {
    std::string path = write("changed.txt", "mine\n");
    load({path});
    Editor& editor = edit(path, 2, 4);
    editor.typeKey('!');
    write("changed.txt", "theirs, longer\n");
    host.answers = {EditAnswer::kCancel};
    EXPECT_EQ(editor.data->write(), 1);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], "file changed on disk");
    EXPECT_EQ(readFile(path), "theirs, longer\n");
    EXPECT_TRUE(editor.data->modified);
    host.answers = {EditAnswer::kOk};
    EXPECT_EQ(editor.data->write(), 0);
    EXPECT_EQ(readFile(path), "mine!\n");
    EXPECT_EQ(editor.data->write(), 0);  // its own write is no change on disk
    EXPECT_EQ(host.questions.size(), 2u);
}

TEST_F(EditSaveTest, CloseAndSaveWritesAndReloadsTheBlock) {
    std::string path = write("close.txt", "before\n");
    std::string later = write("later.txt", "after\n");
    load({path, later});
    setTraceMode(true);
    LogCapture log;
    Editor& editor = edit(path, 2, 6);
    editor.keyEnter(false);
    editor.typeKey('+');
    TestView& view = *views.back();
    EXPECT_EQ(closeAndSave(view), 0);
    setTraceMode(false);
    EXPECT_EQ(view.editor, nullptr);
    EXPECT_EQ(readFile(path), "before\n+\n");
    TextBlock& block = blockOf(path);
    EXPECT_EQ(block.editData, nullptr);
    EXPECT_STREQ(store.lineText(block.nameLine() + 2), "+ ");
    EXPECT_STREQ(store.lineText(blockOf(later).nameLine() + 1), "after ");
    EXPECT_TRUE(log.contains("end edit with reload"));
    // The count is of the file's lines: the final line end starts none of its own.
    EXPECT_TRUE(log.contains("[blue] 2 lines written."));
    EXPECT_EQ(checkLockAccounting(), 0);
}

TEST_F(EditSaveTest, UntitledTextsAreNumberedAndSavedAs) {
    load({write("any.txt", "x\n")});
    TestView& view = newView();
    ASSERT_EQ(newText(view), 0);
    EXPECT_STREQ(view.editor->block()->fileName, "// untitled");
    EXPECT_STREQ(view.editor->lineText(view.editor->headerGlobalLine()), ":file: [unix]");
    view.editor->typeKey('a');
    std::string saved = dir.path() + "/saved.txt";
    host.savePaths = {""};
    EXPECT_EQ(closeAndSave(view), 1);  // cancelled: the text stays in its editor
    EXPECT_NE(view.editor, nullptr);
    ASSERT_EQ(commitEdit(view), 0);
    TextBlock* first = view.parked->block();
    ASSERT_EQ(resumeEdit(view), 0);
    LogCapture log;
    EXPECT_EQ(discardAndClose(view), 0);  // nothing to read back: the record is empty again
    EXPECT_EQ(first->lineCount, 3);
    EXPECT_FALSE(log.contains("cannot read"));

    TestView& second = newView();
    ASSERT_EQ(newText(second), 0);
    EXPECT_STREQ(second.editor->block()->fileName, "// untitled.2");
    second.editor->typeKey('b');
    host.savePaths = {saved};
    EXPECT_EQ(closeAndSave(second), 0);
    EXPECT_EQ(host.proposals.back(), "untitled.2");
    EXPECT_EQ(readFile(saved), "b");
    EXPECT_EQ(checkLockAccounting(), 0);
}

TEST_F(EditSaveTest, SavingAllSkipsUntitledTextsAndReportsIt) {
    std::string one = write("one.txt", "1\n");
    std::string two = write("two.txt", "2\n");
    load({one, two});
    edit(one, 2, 1).typeKey('a');
    edit(two, 2, 1).typeKey('b');
    TestView& untitled = newView();
    ASSERT_EQ(newText(untitled), 0);
    untitled.editor->typeKey('c');
    LogCapture log;
    EXPECT_EQ(changedTextCount(), 3);
    EXPECT_EQ(saveOrRevertAll(0, false, nullptr, nullptr), 0);
    EXPECT_EQ(readFile(one), "1a\n");
    EXPECT_EQ(readFile(two), "2b\n");
    EXPECT_TRUE(log.contains("[info] 2 files saved."));
    EXPECT_TRUE(log.contains("1 untitled files skipped. reedit to save."));
    EXPECT_EQ(untitled.editor, nullptr);  // committed and parked
    EXPECT_NE(untitled.parked, nullptr);
    EXPECT_EQ(changedTextCount(), 1);
    EXPECT_EQ(checkLockAccounting(), 0);
    EXPECT_EQ(saveOrRevertAll(0, false, nullptr, nullptr), 0);
    EXPECT_TRUE(log.contains("[info] no changes to save."));
}

TEST_F(EditSaveTest, RevertingAsksOnlyForSeveralFiles) {
    std::string one = write("one.txt", "1\n");
    std::string two = write("two.txt", "2\n");
    load({one, two});
    Editor& first = edit(one, 2, 1);
    first.typeKey('a');
    LogCapture log;
    EXPECT_EQ(saveOrRevertAll(1, false, nullptr, nullptr), 0);
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(textOf(first), "1\n");
    EXPECT_TRUE(log.contains("[info] 1 file loaded."));

    first.typeKey('a');
    edit(two, 2, 1).typeKey('b');
    host.answers = {EditAnswer::kNo};
    EXPECT_EQ(saveOrRevertAll(1, false, nullptr, nullptr), 1);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], "Are you sure?");
    EXPECT_EQ(changedTextCount(), 2);
    host.answers = {EditAnswer::kYes};
    EXPECT_EQ(saveOrRevertAll(1, true, nullptr, nullptr), 0);
    EXPECT_EQ(changedTextCount(), 0);
    EXPECT_EQ(blockOf(one).editData, nullptr);
    EXPECT_EQ(readFile(one), "1\n");
    EXPECT_EQ(openEditorCount(), 0);
}

TEST_F(EditSaveTest, QuestionsBeforeChangesAreDropped) {
    std::string path = write("ask.txt", "q\n");
    load({path});
    EXPECT_EQ(askBeforeDrop(), 0);  // nothing changed: no question
    EXPECT_TRUE(host.questions.empty());
    edit(path, 2, 1).typeKey('1');
    host.answers = {EditAnswer::kCancel};
    EXPECT_EQ(askBeforeDrop(), 1);
    EXPECT_EQ(host.questions.back(), "Save or discard text changes?");
    host.answers = {EditAnswer::kNo};
    EXPECT_EQ(askSaveChanges(), 0);
    EXPECT_EQ(host.texts.back(), "1 files have unsaved changes.\nSave these changes now?\n");
    EXPECT_EQ(readFile(path), "q\n");
    EXPECT_EQ(changedTextCount(), 0);

    edit(path, 2, 1).typeKey('2');
    ::chmod(path.c_str(), 0444);
    host.answers = {EditAnswer::kYes};
    EXPECT_EQ(askBeforeDrop(), 9);  // the save failed: the caller must not go on
    EXPECT_EQ(changedTextCount(), 1);
    ::chmod(path.c_str(), 0644);
    host.answers = {EditAnswer::kYes};
    EXPECT_EQ(askBeforeDrop(), 0);
    EXPECT_EQ(readFile(path), "q2\n");
}

TEST_F(EditSaveTest, SaveAsNeedsAnEditor) {
    std::string path = write("orig.txt", "text\n");
    load({path});
    TestView& view = newView();
    EXPECT_EQ(saveTextAs(view), 1);
    EXPECT_EQ(host.questions.back(), "No active editor open");
    ASSERT_EQ(openEditor(view, blockOf(path), -1, 0), 0);
    std::string copy = dir.path() + "/copy.txt";
    host.savePaths = {copy};
    EXPECT_EQ(saveTextAs(view), 0);
    EXPECT_EQ(host.proposals.back(), path);
    EXPECT_EQ(readFile(copy), "text\n");
    host.savePaths = {dir.path() + "/missing/folder/x.txt"};
    EXPECT_EQ(saveTextAs(view), 2);
}

TEST_F(EditSaveTest, CommittedEditsAreSearchableAndTheEditorResumes) {
    std::string path = write("commit.txt", "alpha\nbeta\n");
    std::string later = write("later.txt", "omega\n");
    load({path, later});
    TestView& view = newView();
    ASSERT_EQ(openEditor(view, blockOf(path), -1, 0), 0);
    view.editor->setCursor({3, 4});
    view.editor->keyEnter(false);
    view.editor->insertText(":file: not a header", true);
    EXPECT_EQ(commitEdit(view), 0);
    EXPECT_EQ(view.editor, nullptr);
    ASSERT_NE(view.parked, nullptr);
    TextBlock& block = blockOf(path);
    int name = block.nameLine();
    EXPECT_STREQ(store.lineText(name + 1), "alpha ");
    EXPECT_STREQ(store.lineText(name + 2), "beta ");
    EXPECT_STREQ(store.lineText(name + 3), "':file: not a header ");
    EXPECT_STREQ(store.lineText(blockOf(later).nameLine() + 1), "omega ");
    EXPECT_EQ(checkLockAccounting(), 0);
    EXPECT_EQ(changedTextCount(), 1);

    EXPECT_EQ(resumeEdit(view), 0);
    ASSERT_NE(view.editor, nullptr);
    EXPECT_EQ(view.editor->cursor(), (EditPosition{4, 19}));
    Editor& editor = *view.editor;
    EXPECT_STREQ(editor.lineText(editor.headerGlobalLine() + 4), ":file: not a header ");
    EXPECT_STREQ(editor.lineText(blockOf(later).firstLine + 1),
                 store.lineText(blockOf(later).firstLine));
    EXPECT_EQ(readFile(path), "alpha\nbeta\n");
}

TEST_F(EditSaveTest, EditNextChangedCyclesThroughChangedTexts) {
    std::string a = write("a.txt", "a\n");
    std::string b = write("b.txt", "b\n");
    std::string c = write("c.txt", "c\n");
    load({a, b, c});
    edit(a).typeKey('1');
    edit(c).typeKey('3');
    TestView& view = newView();
    EXPECT_EQ(editFirstChanged(view), 0);
    EXPECT_EQ(view.editor->block(), &blockOf(a));
    EXPECT_EQ(editFirstChanged(view), 1);
    EXPECT_EQ(editNextChanged(view), 0);
    EXPECT_EQ(view.editor->block(), &blockOf(c));
    EXPECT_EQ(editNextChanged(view), 0);
    EXPECT_EQ(view.editor->block(), &blockOf(a));
    EXPECT_EQ(checkLockAccounting(), 0);
}

// A reload of the file lets go of editors that changed nothing, open or set aside, and
// leaves a text with unsaved changes in edit, committed to the store or not.
TEST_F(EditSaveTest, ReloadReleasesOnlyUnchangedTexts) {
    std::string quiet = write("quiet.txt", "same\n");
    std::string busy = write("busy.txt", "old\n");
    std::string parked = write("parked.txt", "resting\n");
    load({quiet, busy, parked});
    edit(quiet);
    TestView& quietView = *views.back();
    Editor& changed = edit(busy, 2, 3);
    changed.typeKey('!');
    TestView& busyView = *views.back();
    edit(parked);
    TestView& parkedView = *views.back();
    ASSERT_EQ(commitEdit(parkedView), 0);
    ASSERT_NE(parkedView.parked, nullptr);

    EXPECT_EQ(releaseUnchangedEdit(blockOf(quiet)), 0);
    EXPECT_EQ(quietView.editor, nullptr);
    EXPECT_EQ(blockOf(quiet).editData, nullptr);
    EXPECT_EQ(releaseUnchangedEdit(blockOf(parked)), 0);
    EXPECT_EQ(parkedView.parked, nullptr);
    EXPECT_EQ(blockOf(parked).editData, nullptr);

    EXPECT_EQ(releaseUnchangedEdit(blockOf(busy)), 2);
    ASSERT_EQ(commitEdit(busyView), 0);
    EXPECT_EQ(releaseUnchangedEdit(blockOf(busy)), 2);
    EXPECT_NE(blockOf(busy).editData, nullptr);
    EXPECT_NE(busyView.parked, nullptr);
    // A block that was never edited has nothing to let go.
    EXPECT_EQ(releaseUnchangedEdit(blockOf(quiet)), 0);
    EXPECT_EQ(checkLockAccounting(), 0);
}

}  // namespace
}  // namespace tessel::testing
