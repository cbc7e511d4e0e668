// Message boxes and file dialogs. In non-interactive runs nothing waits for a user: boxes
// are logged and answered from a queue, dialogs report "cancelled".
#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

#include "base/log/message_log.h"
#include "platform/platform.h"
#include "platform/qt_internal.h"

namespace tessel {
namespace {

struct BoxState {
    std::mutex lock;
    bool nonInteractive = false;
    std::deque<BoxAnswer> answers;
};

BoxState& boxState() {
    static BoxState state;
    return state;
}

BoxAnswer defaultAnswer(BoxButtons buttons) {
    return buttons == BoxButtons::ok || buttons == BoxButtons::okCancel ? BoxAnswer::ok
                                                                        : BoxAnswer::yes;
}

bool answerFits(BoxAnswer answer, BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::ok:
            return answer == BoxAnswer::ok;
        case BoxButtons::okCancel:
            return answer == BoxAnswer::ok || answer == BoxAnswer::cancel;
        case BoxButtons::yesNo:
            return answer == BoxAnswer::yes || answer == BoxAnswer::no;
        case BoxButtons::yesNoCancel:
            return answer != BoxAnswer::ok;
    }
    return false;
}

const char* answerName(BoxAnswer answer) {
    switch (answer) {
        case BoxAnswer::ok:
            return "ok";
        case BoxAnswer::cancel:
            return "cancel";
        case BoxAnswer::yes:
            return "yes";
        case BoxAnswer::no:
            return "no";
    }
    return "?";
}

BoxAnswer answerWithoutUser(std::string_view title, std::string_view text, BoxButtons buttons) {
    BoxAnswer answer = defaultAnswer(buttons);
    {
        std::lock_guard<std::mutex> hold(boxState().lock);
        auto& queue = boxState().answers;
        // A queued answer the box cannot give (No to an OK box) is used up but not taken,
        // so that a script's answers stay in step with its boxes.
        if (!queue.empty()) {
            if (answerFits(queue.front(), buttons)) answer = queue.front();
            queue.pop_front();
        }
    }
    // One line per box, so that a batch log reads as one entry per question.
    std::string line = "box \"";
    line += title.substr(0, 400);
    line += "\": ";
    line += text.substr(0, 4000);
    line += " -> ";
    line += answerName(answer);
    for (char& ch : line) {
        if (ch == '\n' || ch == '\r' || ch == '\t') ch = ' ';
    }
    logMessage("[blue] %s", line.c_str());
    std::fprintf(stderr, "%s\n", line.c_str());
    return answer;
}

}  // namespace

void setNonInteractive(bool on) {
    std::lock_guard<std::mutex> hold(boxState().lock);
    boxState().nonInteractive = on;
}

bool nonInteractive() {
    std::lock_guard<std::mutex> hold(boxState().lock);
    return boxState().nonInteractive;
}

void queueBoxAnswer(BoxAnswer answer) {
    std::lock_guard<std::mutex> hold(boxState().lock);
    boxState().answers.push_back(answer);
}

void clearBoxAnswers() {
    std::lock_guard<std::mutex> hold(boxState().lock);
    boxState().answers.clear();
}

BoxAnswer messageBox(std::string_view title, std::string_view text, BoxButtons buttons,
                     bool stayOnTop) {
    if (nonInteractive() || !platformRunning()) return answerWithoutUser(title, text, buttons);
    if (!onUiThread()) {
        // Windows belong to the user interface thread, and a worker waiting for an answer
        // could deadlock with a thread that waits for the worker: the box is shown later and
        // the caller gets the default answer now.
        const BoxAnswer answer = defaultAnswer(buttons);
        if (buttons != BoxButtons::ok) {
            logMessage("[note] question asked outside the user interface thread, answered %s",
                       answerName(answer));
        }
        postToUiThread([title = std::string(title), text = std::string(text), buttons, stayOnTop] {
            messageBox(title, text, buttons, stayOnTop);
        });
        return answer;
    }
    QMessageBox box;
    box.setWindowTitle(qt::fromCodePage(title));
    box.setText(qt::fromCodePage(text));
    box.setIcon(buttons == BoxButtons::ok ? QMessageBox::Information : QMessageBox::Question);
    switch (buttons) {
        case BoxButtons::ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case BoxButtons::okCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case BoxButtons::yesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case BoxButtons::yesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    if (stayOnTop) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return BoxAnswer::ok;
        case QMessageBox::Yes:
            return BoxAnswer::yes;
        case QMessageBox::No:
            return BoxAnswer::no;
        default:
            // Closing the box by its frame counts as its gentlest answer.
            return buttons == BoxButtons::ok      ? BoxAnswer::ok
                   : buttons == BoxButtons::yesNo ? BoxAnswer::no
                                                  : BoxAnswer::cancel;
    }
}

namespace {

enum class DialogKind { open, save, folder };

std::deque<std::string>& dialogAnswers() {
    static std::deque<std::string> answers;
    return answers;
}

int runFileDialog(DialogKind kind, std::string_view title, const std::string& startPath,
                  std::string_view filter, std::string& chosen) {
    if (nonInteractive() || !platformRunning()) {
        const int length = static_cast<int>(std::min<size_t>(title.size(), 400));
        std::string queued;
        if (qt::takeDialogAnswer(queued) && !queued.empty()) {
            logMessage("[blue] dialog \"%.*s\" answered \"%s\"", length, title.data(),
                       queued.c_str());
            chosen = queued;
            return 0;
        }
        logMessage("[blue] dialog \"%.*s\" cancelled (no user)", length, title.data());
        return 1;
    }
    const QString caption = qt::fromCodePage(title);
    const QString start = qt::pathToQt(startPath);
    const QString filters = QString::fromUtf8(filter.data(), qsizetype(filter.size()));
    QString result;
    switch (kind) {
        case DialogKind::open:
            result = QFileDialog::getOpenFileName(nullptr, caption, start, filters);
            break;
        case DialogKind::save:
            result = QFileDialog::getSaveFileName(nullptr, caption, start, filters);
            break;
        case DialogKind::folder:
            result = QFileDialog::getExistingDirectory(nullptr, caption, start);
            break;
    }
    if (result.isEmpty()) return 1;
    chosen = qt::pathFromQt(result);
    return 0;
}

}  // namespace

bool qt::takeDialogAnswer(std::string& path) {
    std::lock_guard<std::mutex> hold(boxState().lock);
    auto& queue = dialogAnswers();
    if (queue.empty()) return false;
    path = std::move(queue.front());
    queue.pop_front();
    return true;
}

void queueDialogAnswer(std::string path) {
    std::lock_guard<std::mutex> hold(boxState().lock);
    dialogAnswers().push_back(std::move(path));
}

void clearDialogAnswers() {
    std::lock_guard<std::mutex> hold(boxState().lock);
    dialogAnswers().clear();
}

int openFileDialog(std::string_view title, const std::string& startPath, std::string_view filter,
                   std::string& chosen) {
    return runFileDialog(DialogKind::open, title, startPath, filter, chosen);
}

int saveFileDialog(std::string_view title, const std::string& startPath, std::string_view filter,
                   std::string& chosen) {
    return runFileDialog(DialogKind::save, title, startPath, filter, chosen);
}

int folderDialog(std::string_view title, const std::string& startPath, std::string& chosen) {
    return runFileDialog(DialogKind::folder, title, startPath, {}, chosen);
}

int textDialog(std::string_view title, std::string_view label, std::string& text) {
    const int length = static_cast<int>(std::min<size_t>(title.size(), 400));
    if (nonInteractive() || !platformRunning()) {
        std::string queued;
        if (qt::takeDialogAnswer(queued) && !queued.empty()) {
            logMessage("[blue] dialog \"%.*s\" answered \"%s\"", length, title.data(),
                       queued.c_str());
            text = queued;
            return 0;
        }
        logMessage("[blue] dialog \"%.*s\" cancelled (no user)", length, title.data());
        return 1;
    }
    bool confirmed = false;
    const QString answer =
        QInputDialog::getText(nullptr, qt::fromCodePage(title), qt::fromCodePage(label),
                              QLineEdit::Normal, qt::fromCodePage(text), &confirmed);
    if (!confirmed) return 1;
    text = qt::toCodePage(answer);
    return 0;
}

int fontDialog(std::string_view title, FontRequest& font) {
    if (nonInteractive() || !platformRunning()) {
        const int length = static_cast<int>(std::min<size_t>(title.size(), 400));
        logMessage("[blue] dialog \"%.*s\" cancelled (no user)", length, title.data());
        return 1;
    }
    QFont start(QString::fromStdString(font.name));
    start.setPixelSize(font.height > 0 ? font.height : 12);
    start.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 100, 900)));
    bool chosen = false;
    QFontDialog::FontDialogOptions options;
    if (font.fixedPitch) options |= QFontDialog::MonospacedFonts;
    const QFont picked =
        QFontDialog::getFont(&chosen, start, nullptr, qt::fromCodePage(title), options);
    if (!chosen) return 1;
    font.name = picked.family().toStdString();
    // The dialog speaks in points; the system keeps character heights in pixels.
    if (picked.pixelSize() > 0) {
        font.height = picked.pixelSize();
    } else if (picked.pointSizeF() > 0) {
        font.height = static_cast<int>(picked.pointSizeF() * 96.0 / 72.0 + 0.5);
    }
    font.weight = static_cast<int>(picked.weight());
    return 0;
}

}  // namespace tessel
