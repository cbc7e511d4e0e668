// The find dialog as a Qt widget. It reports every change through the handler the caller
// gave; the handler may close or refill the dialog, so nothing here touches the widget after
// calling it.
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/find_dialog.h"
#include "platform/qt_internal.h"

namespace tessel {
namespace {

class FindDialog : public QDialog {
  public:
    FindDialog() {
        setModal(false);
        setAttribute(Qt::WA_DeleteOnClose);
        auto* grid = new QGridLayout;
        findLabel_ = new QLabel("Find:");
        secondLabel_ = new QLabel("Path:");
        findEdit_ = new QLineEdit;
        secondEdit_ = new QLineEdit;
        grid->addWidget(findLabel_, 0, 0);
        grid->addWidget(findEdit_, 0, 1);
        grid->addWidget(secondLabel_, 1, 0);
        grid->addWidget(secondEdit_, 1, 1);

        previous_ = new QPushButton("Previous");
        next_ = new QPushButton("Next");
        replace_ = new QPushButton("Replace");
        close_ = new QPushButton("Close");
        resultsOnly_ = new QCheckBox("Results only");
        case_ = new QCheckBox("Case");
        auto* buttons = new QHBoxLayout;
        for (QWidget* each : {static_cast<QWidget*>(previous_), static_cast<QWidget*>(next_),
                              static_cast<QWidget*>(resultsOnly_), static_cast<QWidget*>(case_),
                              static_cast<QWidget*>(replace_), static_cast<QWidget*>(close_)}) {
            buttons->addWidget(each);
        }
        hint_ = new QLabel;
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(grid);
        layout->addLayout(buttons);
        layout->addWidget(hint_);
        next_->setDefault(true);

        connect(findEdit_, &QLineEdit::textEdited, this,
                [this] { report(FindDialogAction::kFindText); });
        connect(secondEdit_, &QLineEdit::textEdited, this,
                [this] { report(FindDialogAction::kSecondText); });
        connect(previous_, &QPushButton::clicked, this,
                [this] { report(FindDialogAction::kPrevious); });
        connect(next_, &QPushButton::clicked, this, [this] { report(FindDialogAction::kNext); });
        connect(replace_, &QPushButton::clicked, this,
                [this] { report(FindDialogAction::kReplace); });
        connect(resultsOnly_, &QCheckBox::clicked, this,
                [this] { report(FindDialogAction::kResultsOnly); });
        connect(case_, &QCheckBox::clicked, this, [this] { report(FindDialogAction::kCase); });
        connect(close_, &QPushButton::clicked, this, [this] { close(); });
    }

    void fill(const FindDialogSpec& spec, FindDialogHandler handler) {
        handler_ = std::move(handler);
        setWindowTitle(qt::fromCodePage(spec.title));
        findEdit_->setText(qt::fromCodePage(spec.findText));
        secondEdit_->setText(qt::fromCodePage(spec.secondText));
        resultsOnly_->setChecked(spec.resultsOnly);
        case_->setChecked(spec.caseSensitive);
        replace_->setVisible(spec.editor);
        resultsOnly_->setVisible(!spec.editor);
        secondLabel_->setText(spec.editor ? "Replace:" : "Path:");
        next_->setToolTip(spec.editor ? "Find next occurrence" : "[F3 in main window]");
        previous_->setToolTip(spec.editor ? "Find previous occurrence"
                                          : "[SHIFT+F3 in main window]");
        resultsOnly_->setToolTip("Results only [F4 in main window]");
        close_->setToolTip("Continue search without this dialog");
        findEdit_->setToolTip(spec.editor ? QString() : "Use AND OR NOT to combine words");
        secondEdit_->setToolTip(spec.editor ? QString() : "For example: .cpp OR .hpp");
        replace_->setToolTip("Replace current, or repeat find/replace");
        hint_->clear();
    }

    FindDialogState state() const {
        FindDialogState state;
        state.findText = qt::toCodePage(findEdit_->text());
        state.secondText = qt::toCodePage(secondEdit_->text());
        state.resultsOnly = resultsOnly_->isChecked();
        state.caseSensitive = case_->isChecked();
        return state;
    }

    void setHint(const std::string& text) { hint_->setText(qt::fromCodePage(text)); }

    int drive(FindDialogAction action, const std::string& text) {
        switch (action) {
            case FindDialogAction::kFindText:
                findEdit_->setText(qt::fromCodePage(text));
                break;
            case FindDialogAction::kSecondText:
                secondEdit_->setText(qt::fromCodePage(text));
                break;
            case FindDialogAction::kResultsOnly:
                resultsOnly_->setChecked(!resultsOnly_->isChecked());
                break;
            case FindDialogAction::kCase:
                case_->setChecked(!case_->isChecked());
                break;
            case FindDialogAction::kClosed:
                close();
                return 0;
            default:
                break;
        }
        report(action);
        return 0;
    }

    void centre() {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return;
        adjustSize();
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (!closing_) {
            closing_ = true;
            FindDialogHandler handler = std::move(handler_);
            if (handler) handler(FindDialogAction::kClosed, state());
        }
        QDialog::closeEvent(event);
    }

  private:
    void report(FindDialogAction action) {
        // The handler may refill or close the dialog: it gets its own copy to call.
        FindDialogHandler handler = handler_;
        if (handler) handler(action, state());
    }

    QLabel* findLabel_;
    QLabel* secondLabel_;
    QLineEdit* findEdit_;
    QLineEdit* secondEdit_;
    QPushButton* previous_;
    QPushButton* next_;
    QPushButton* replace_;
    QPushButton* close_;
    QCheckBox* resultsOnly_;
    QCheckBox* case_;
    QLabel* hint_;
    FindDialogHandler handler_;
    bool closing_ = false;
};

QPointer<FindDialog>& openDialog() {
    static QPointer<FindDialog> dialog;
    return dialog;
}

// Where the user left the dialog; it opens there again.
QPoint& lastPosition() {
    static QPoint position(-1, -1);
    return position;
}

}  // namespace

void showFindDialog(const FindDialogSpec& spec, FindDialogHandler handler) {
    FindDialog* dialog = openDialog();
    const bool fresh = dialog == nullptr;
    if (fresh) {
        dialog = new FindDialog;
        openDialog() = dialog;
    }
    dialog->fill(spec, std::move(handler));
    if (fresh) {
        // Several monitors make a remembered place unreliable: centre the dialog then.
        if (lastPosition().x() < 0 || QGuiApplication::screens().size() > 1) {
            dialog->centre();
        } else {
            dialog->move(lastPosition());
        }
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void closeFindDialog() {
    if (FindDialog* dialog = openDialog()) {
        lastPosition() = dialog->pos();
        dialog->close();
    }
}

void setFindDialogHint(const std::string& text) {
    if (FindDialog* dialog = openDialog()) dialog->setHint(text);
}

FindDialogState findDialogState() {
    if (FindDialog* dialog = openDialog()) return dialog->state();
    return {};
}

int driveFindDialog(FindDialogAction action, const std::string& text) {
    FindDialog* dialog = openDialog();
    if (!dialog) return 1;
    if (action == FindDialogAction::kClosed) lastPosition() = dialog->pos();
    return dialog->drive(action, text);
}

}  // namespace tessel
