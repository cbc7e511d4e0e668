// The setup dialog as a Qt widget. A page is rebuilt from its control list whenever the
// caller fills it; controls flow in table order, an input beside the caption before it. The
// handler may refill or close the dialog while a signal of one of its controls runs, so old
// controls are deleted later and nothing here touches a control after reporting.
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "base/log/message_log.h"
#include "platform/platform.h"
#include "platform/qt_internal.h"
#include "platform/qt_keys.h"
#include "platform/setup_dialog.h"

namespace tessel {
namespace {

using Kind = SetupControlKind;

constexpr int kDialogWidth = 780;
constexpr int kDialogHeight = 580;
constexpr int kUnlimitedText = 32767;
constexpr int kPageMargin = 80;
constexpr int kControlSpacing = 8;
constexpr int kSmallButtonWidth = 36;

// Whether a control continues the line of the one before it: an input beside its caption,
// the buttons of a text, a unit after its number.
bool joinsLine(Kind kind, Kind previous, Kind next) {
    switch (kind) {
        case Kind::kText:
            return previous == Kind::kHeading || previous == Kind::kCheck;
        case Kind::kList:
            return previous == Kind::kText;
        case Kind::kNumber:
            return previous == Kind::kButton || previous == Kind::kList;
        case Kind::kButton:
            return previous == Kind::kText || previous == Kind::kList ||
                   previous == Kind::kNumber || previous == Kind::kButton;
        case Kind::kHeading:
            return next != Kind::kInfo && (previous == Kind::kText || previous == Kind::kNumber);
        case Kind::kCheck:
        case Kind::kInfo:
            return false;
    }
    return false;
}

class SetupDialog : public QDialog {
  public:
    explicit SetupDialog(const SetupDialogSpec& spec) {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowModality(Qt::ApplicationModal);
        setWindowTitle(qt::fromCodePage(spec.title));
        auto* pageRow = new QHBoxLayout;
        for (size_t i = 0; i < spec.pages.size(); ++i) {
            auto* button = new QPushButton(qt::fromCodePage(spec.pages[i]));
            button->setCheckable(true);
            button->setAutoExclusive(true);
            const int page = static_cast<int>(i) + 1;
            connect(button, &QPushButton::clicked, this, [this, page] {
                SetupDialogInput input;
                input.event = SetupDialogEvent::kPage;
                input.page = page;
                report(input);
            });
            pageButtons_.push_back(button);
            pageRow->addWidget(button);
        }
        pageRow->addStretch();
        scroll_ = new QScrollArea;
        scroll_->setWidgetResizable(true);
        scroll_->setFrameShape(QFrame::NoFrame);
        info_ = new QLabel;
        info_->setWordWrap(true);
        info_->setFrameShape(QFrame::StyledPanel);
        info_->setMinimumHeight(80);
        info_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        info_->setTextFormat(Qt::PlainText);
        auto* close = new QPushButton("close");
        connect(close, &QPushButton::clicked, this, [this] { this->close(); });
        auto* bottom = new QHBoxLayout;
        bottom->addWidget(info_, 1);
        bottom->addWidget(close, 0, Qt::AlignBottom);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(pageRow);
        layout->addWidget(scroll_, 1);
        layout->addLayout(bottom);
        resize(kDialogWidth, kDialogHeight);
    }

    void setHandler(SetupDialogHandler handler) { handler_ = std::move(handler); }

    void fill(int page, const std::vector<SetupControl>& controls) {
        if (page >= 1 && static_cast<size_t>(page) <= pageButtons_.size()) {
            pageButtons_[static_cast<size_t>(page - 1)]->setChecked(true);
            pageButtons_[static_cast<size_t>(page - 1)]->setFocus();
        }
        widgets_.clear();
        infoId_ = 0;
        info_->clear();
        auto* content = new QWidget;
        content->setMouseTracking(true);
        content->installEventFilter(this);
        auto* lines = new QVBoxLayout(content);
        QHBoxLayout* line = nullptr;
        Kind previous = Kind::kInfo;
        int lineWidth = 0;
        bool titleDone = false;
        for (size_t i = 0; i < controls.size(); ++i) {
            const SetupControl& control = controls[i];
            if (control.kind == Kind::kInfo) {
                infoId_ = control.id;
                info_->setText(qt::fromCodePage(control.value));
                continue;
            }
            const Kind next = i + 1 < controls.size() ? controls[i + 1].kind : Kind::kInfo;
            QWidget* outer = nullptr;
            QWidget* widget = makeControl(control, !titleDone, outer);
            // A line that would grow wider than the page goes on below.
            const int width =
                std::max(outer->sizeHint().width(), outer->minimumWidth()) + kControlSpacing;
            if (!line || !joinsLine(control.kind, previous, next) ||
                lineWidth + width > kDialogWidth - kPageMargin) {
                line = new QHBoxLayout;
                lines->addLayout(line);
                lineWidth = 0;
            }
            line->addWidget(outer, control.kind == Kind::kText ? 1 : 0);
            lineWidth += width;
            if (control.kind == Kind::kHeading) titleDone = true;
            outer->setEnabled(control.enabled);
            widget->setMouseTracking(true);
            widget->installEventFilter(this);
            widgets_[control.id] = {widget, control.kind};
            previous = control.kind;
        }
        for (int i = 0; i < lines->count(); ++i) {
            if (auto* each = dynamic_cast<QHBoxLayout*>(lines->itemAt(i)->layout())) {
                each->addStretch();
            }
        }
        lines->addStretch();
        // The signal being handled may belong to a control of the old page.
        if (QWidget* old = scroll_->takeWidget()) old->deleteLater();
        scroll_->setWidget(content);
    }

    void update(const SetupControl& control) {
        if (control.id == infoId_ && control.kind == Kind::kInfo) {
            info_->setText(qt::fromCodePage(control.value));
            return;
        }
        auto found = widgets_.find(control.id);
        if (found == widgets_.end()) return;
        QWidget* widget = found->second.widget;
        widget->setEnabled(control.enabled);
        const QString value = qt::fromCodePage(control.value);
        if (auto* edit = dynamic_cast<QLineEdit*>(widget)) {
            if (edit->text() != value) edit->setText(value);
        } else if (auto* check = dynamic_cast<QCheckBox*>(widget)) {
            check->setText(qt::fromCodePage(control.caption));
            check->setChecked(control.value == "1");
        } else if (auto* button = dynamic_cast<QPushButton*>(widget)) {
            button->setText(qt::fromCodePage(control.caption));
        } else if (auto* label = dynamic_cast<QLabel*>(widget)) {
            label->setText(qt::fromCodePage(control.caption));
        }
    }

    // 0 done, 2 no such control, 3 the control is disabled.
    int drive(const SetupDialogInput& input) {
        if (input.event == SetupDialogEvent::kClosed) {
            close();
            return 0;
        }
        if (input.event == SetupDialogEvent::kPage) {
            if (input.page < 1 || static_cast<size_t>(input.page) > pageButtons_.size()) return 2;
            pageButtons_[static_cast<size_t>(input.page - 1)]->click();
            return 0;
        }
        if (input.event == SetupDialogEvent::kHover) {
            report(input);
            return 0;
        }
        auto found = widgets_.find(input.id);
        if (found == widgets_.end()) return 2;
        QWidget* widget = found->second.widget;
        if (!widget->isEnabled()) return 3;
        SetupDialogInput reported = input;
        if (auto* edit = dynamic_cast<QLineEdit*>(widget);
            edit && input.event == SetupDialogEvent::kText && !edit->isReadOnly()) {
            edit->setText(qt::fromCodePage(input.text));
            reported.text = qt::toCodePage(edit->text());
        } else if (auto* check = dynamic_cast<QCheckBox*>(widget);
                   check && input.event == SetupDialogEvent::kCheck) {
            check->setChecked(input.checked);
        } else if (!(dynamic_cast<QPushButton*>(widget) &&
                     input.event == SetupDialogEvent::kClick)) {
            return 2;
        }
        report(reported);
        return 0;
    }

    void centre() {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return;
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
            SetupDialogInput input;
            input.event = SetupDialogEvent::kHover;
            for (const auto& [id, entry] : widgets_) {
                if (entry.widget == watched) input.id = id;
            }
            report(input);
        }
        return QDialog::eventFilter(watched, event);
    }

    void closeEvent(QCloseEvent* event) override {
        if (!closing_) {
            closing_ = true;
            SetupDialogHandler handler = std::move(handler_);
            SetupDialogInput input;
            input.event = SetupDialogEvent::kClosed;
            if (handler) handler(input);
        }
        QDialog::closeEvent(event);
    }

  private:
    struct Entry {
        QWidget* widget;
        Kind kind;
    };

    // The control that holds the value, and in `outer` what goes into the line (a number with
    // its caption in front).
    QWidget* makeControl(const SetupControl& control, bool title, QWidget*& outer) {
        const QString caption = qt::fromCodePage(control.caption);
        const int id = control.id;
        switch (control.kind) {
            case Kind::kHeading: {
                auto* label = new QLabel(caption);
                if (title) {
                    QFont font = label->font();
                    font.setBold(true);
                    label->setFont(font);
                }
                outer = label;
                return label;
            }
            case Kind::kCheck: {
                auto* check = new QCheckBox(caption);
                check->setChecked(control.value == "1");
                connect(check, &QCheckBox::clicked, this, [this, id](bool checked) {
                    SetupDialogInput input;
                    input.event = SetupDialogEvent::kCheck;
                    input.id = id;
                    input.checked = checked;
                    report(input);
                });
                outer = check;
                return check;
            }
            case Kind::kButton: {
                auto* button = new QPushButton(caption);
                button->setAutoDefault(false);
                if (caption.size() <= 2) button->setMaximumWidth(kSmallButtonWidth);
                connect(button, &QPushButton::clicked, this, [this, id] {
                    SetupDialogInput input;
                    input.event = SetupDialogEvent::kClick;
                    input.id = id;
                    input.modifiers = qt::modifiersOf(QGuiApplication::keyboardModifiers());
                    report(input);
                });
                outer = button;
                return button;
            }
            case Kind::kNumber:
            case Kind::kText:
            case Kind::kList:
            case Kind::kInfo:
                break;
        }
        auto* edit = new QLineEdit(qt::fromCodePage(control.value));
        edit->setMaxLength(control.maxLength > 0 ? control.maxLength : kUnlimitedText);
        if (control.kind == Kind::kList) {
            edit->setReadOnly(true);
            edit->setMaximumWidth(200);
        } else if (control.kind == Kind::kNumber) {
            edit->setValidator(new QIntValidator(edit));
            edit->setMaximumWidth(80);
        } else {
            edit->setMinimumWidth(240);
        }
        connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
            SetupDialogInput input;
            input.event = SetupDialogEvent::kText;
            input.id = id;
            input.text = qt::toCodePage(text);
            report(input);
        });
        outer = edit;
        if (control.kind == Kind::kNumber && !caption.isEmpty()) {
            outer = new QWidget;
            outer->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
            auto* pair = new QHBoxLayout(outer);
            pair->setContentsMargins(0, 0, 0, 0);
            pair->addWidget(new QLabel(caption));
            pair->addWidget(edit);
        }
        return edit;
    }

    void report(const SetupDialogInput& input) {
        // The handler may refill or close the dialog: it gets its own copy to call.
        SetupDialogHandler handler = handler_;
        if (handler) handler(input);
    }

    std::vector<QPushButton*> pageButtons_;
    QScrollArea* scroll_;
    QLabel* info_;
    int infoId_ = 0;
    std::map<int, Entry> widgets_;
    SetupDialogHandler handler_;
    bool closing_ = false;
};

QPointer<SetupDialog>& openDialog() {
    static QPointer<SetupDialog> dialog;
    return dialog;
}

}  // namespace

void showSetupDialog(const SetupDialogSpec& spec, SetupDialogHandler handler) {
    if (!platformRunning()) {
        const int length = static_cast<int>(std::min<size_t>(spec.title.size(), 400));
        logMessage("[blue] dialog \"%.*s\" not shown (no window system)", length,
                   spec.title.data());
        return;
    }
    if (SetupDialog* old = openDialog()) {
        old->setHandler(nullptr);
        old->close();
    }
    auto* dialog = new SetupDialog(spec);
    openDialog() = dialog;
    dialog->setHandler(std::move(handler));
    dialog->fill(spec.page, spec.controls);
    dialog->centre();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void fillSetupPage(int page, const std::vector<SetupControl>& controls) {
    if (SetupDialog* dialog = openDialog()) dialog->fill(page, controls);
}

void updateSetupControl(const SetupControl& control) {
    if (SetupDialog* dialog = openDialog()) dialog->update(control);
}

void closeSetupDialog() {
    if (SetupDialog* dialog = openDialog()) dialog->close();
}

bool setupDialogOpen() {
    return openDialog() != nullptr && openDialog()->isVisible();
}

int saveSetupDialogShot(const std::string& path, int width) {
    SetupDialog* dialog = openDialog();
    if (!dialog) return 1;
    return qt::saveWidgetShot(*dialog, path, width);
}

int driveSetupDialog(const SetupDialogInput& input) {
    SetupDialog* dialog = openDialog();
    if (!dialog) return 1;
    return dialog->drive(input);
}

}  // namespace tessel
