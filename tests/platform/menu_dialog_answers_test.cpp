#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace tessel {
namespace {

TEST(Menus, NonInteractiveMenusAreLoggedAndAnsweredInTurn) {
    ASSERT_TRUE(nonInteractive());
    clearMenuAnswers();
    const std::vector<std::string> items{"first", "second", "third"};
    testing::LogCapture log;
    EXPECT_EQ(popupMenu(items), -1) << "no answer queued: closed";
    EXPECT_TRUE(log.contains("menu of 3 entries -> cancelled"));
    queueMenuAnswer(2);
    queueMenuAnswer(7);  // not an entry: used up, and the menu counts as closed
    queueMenuAnswer(0);
    EXPECT_EQ(popupMenu(items), 2);
    EXPECT_TRUE(log.contains("-> third"));
    EXPECT_EQ(popupMenu(items), -1);
    EXPECT_EQ(popupMenu(items), 0);
    EXPECT_EQ(popupMenu({}), -1) << "an empty menu takes no answer";
}

TEST(Dialogs, QueuedPathsAnswerFileAndFolderDialogsInTurn) {
    clearDialogAnswers();
    queueDialogAnswer("/tmp/chosen folder");
    queueDialogAnswer("");  // an empty answer cancels
    queueDialogAnswer("/tmp/file.txt");
    testing::LogCapture log;
    std::string chosen = "unchanged";
    EXPECT_EQ(folderDialog("pick a folder", "/tmp", chosen), 0);
    EXPECT_EQ(chosen, "/tmp/chosen folder");
    EXPECT_TRUE(log.contains("dialog \"pick a folder\" answered \"/tmp/chosen folder\""));
    chosen = "unchanged";
    EXPECT_EQ(openFileDialog("open", "/tmp", "All files (*)", chosen), 1);
    EXPECT_EQ(chosen, "unchanged");
    EXPECT_EQ(openFileDialog("open", "/tmp", "All files (*)", chosen), 0);
    EXPECT_EQ(chosen, "/tmp/file.txt");
    EXPECT_EQ(saveFileDialog("save", "/tmp", "All files (*)", chosen), 1) << "queue used up";
}

TEST(Dialogs, FormAnswersNameTheirFieldsAndKeepTheOthers) {
    clearDialogAnswers();
    std::vector<FormField> fields{{"Title", "old", 1, {}, {}},
                                  {"Script Call", "s", 1, {}, {}},
                                  {"Script", "a\nb", 4, {}, {}}};
    queueDialogAnswer(R"(title=a\|b \\|Script=one\ntwo|Nowhere=x|no equals sign)");
    queueDialogAnswer("Delete");
    testing::LogCapture log;
    EXPECT_EQ(formDialog("Edit", fields, "Delete"), 0);
    EXPECT_EQ(fields[0].text, "a|b \\");
    EXPECT_EQ(fields[1].text, "s") << "a field the answer does not name keeps its text";
    EXPECT_EQ(fields[2].text, "one\ntwo");
    EXPECT_TRUE(log.contains("no field for \"Nowhere=x\""));
    EXPECT_TRUE(log.contains("no field for \"no equals sign\""));
    EXPECT_EQ(formDialog("Edit", fields, "Delete"), 2) << "the extra button's caption presses it";
    EXPECT_EQ(formDialog("Edit", fields, "Delete"), 1) << "nothing queued: cancelled";
    EXPECT_EQ(fields[0].text, "a|b \\");
}

}  // namespace
}  // namespace tessel
