// A modal dialog of labelled fields, for the short forms that edit the user's controls and
// scripts. In non-interactive runs the form takes one queued answer that names fields by
// their labels, so that a batch run can fill it.
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "base/log/message_log.h"
#include "platform/platform.h"
#include "platform/qt_internal.h"

namespace tessel {

namespace {

bool sameLabel(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Splits at "|" that no backslash escapes, undoing the escapes of each item.
std::vector<std::string> answerItems(std::string_view answer) {
    std::vector<std::string> items(1);
    for (size_t i = 0; i < answer.size(); ++i) {
        const char c = answer[i];
        if (c == '|') {
            items.emplace_back();
        } else if (c == '\\' && i + 1 < answer.size()) {
            const char next = answer[++i];
            items.back() += next == 'n' ? '\n' : next;
        } else {
            items.back() += c;
        }
    }
    return items;
}

struct FieldWidgets {
    QLineEdit* line = nullptr;
    QPlainTextEdit* text = nullptr;
    QComboBox* choice = nullptr;
};

FieldWidgets addField(QFormLayout& form, const FormField& field) {
    FieldWidgets widgets;
    QWidget* shown = nullptr;
    if (!field.choices.empty()) {
        widgets.choice = new QComboBox;
        for (const std::string& entry : field.choices)
            widgets.choice->addItem(qt::fromCodePage(entry));
        const auto at = std::find(field.choices.begin(), field.choices.end(), field.text);
        if (at != field.choices.end())
            widgets.choice->setCurrentIndex(static_cast<int>(at - field.choices.begin()));
        shown = widgets.choice;
    } else if (field.lines > 1) {
        widgets.text = new QPlainTextEdit(qt::fromCodePage(field.text));
        widgets.text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        widgets.text->setLineWrapMode(QPlainTextEdit::NoWrap);
        const int lineHeight = widgets.text->fontMetrics().lineSpacing();
        widgets.text->setMinimumSize(60 * widgets.text->fontMetrics().averageCharWidth(),
                                     std::min(field.lines, 30) * lineHeight + 12);
        shown = widgets.text;
    } else {
        widgets.line = new QLineEdit(qt::fromCodePage(field.text));
        widgets.line->setMinimumWidth(40 * widgets.line->fontMetrics().averageCharWidth());
        shown = widgets.line;
    }
    form.addRow(qt::fromCodePage(field.label), shown);
    if (!field.hint.empty()) {
        auto* hint = new QLabel(qt::fromCodePage(field.hint));
        hint->setWordWrap(true);
        form.addRow(QString(), hint);
    }
    return widgets;
}

std::string fieldText(const FieldWidgets& widgets) {
    if (widgets.choice) return qt::toCodePage(widgets.choice->currentText());
    if (widgets.text) return qt::toCodePage(widgets.text->toPlainText());
    return qt::toCodePage(widgets.line->text());
}

}  // namespace

int applyFormAnswer(std::string_view title, std::string_view answer, std::vector<FormField>& fields,
                    std::string_view extraButton) {
    const int length = static_cast<int>(std::min<size_t>(title.size(), 400));
    if (answer.empty()) {
        logMessage("[blue] dialog \"%.*s\" cancelled", length, title.data());
        return 1;
    }
    if (!extraButton.empty() && answer == extraButton) {
        logMessage("[blue] dialog \"%.*s\" answered by \"%.*s\"", length, title.data(),
                   static_cast<int>(extraButton.size()), extraButton.data());
        return 2;
    }
    for (const std::string& item : answerItems(answer)) {
        const size_t equals = item.find('=');
        const std::string_view label =
            std::string_view(item).substr(0, equals == std::string::npos ? 0 : equals);
        auto field = std::find_if(fields.begin(), fields.end(), [&](const FormField& f) {
            return !label.empty() && sameLabel(f.label, label);
        });
        if (field == fields.end()) {
            logMessage("[error] dialog \"%.*s\": no field for \"%.60s\"", length, title.data(),
                       item.c_str());
            continue;
        }
        field->text = item.substr(equals + 1);
    }
    logMessage("[blue] dialog \"%.*s\" answered", length, title.data());
    return 0;
}

int formDialog(std::string_view title, std::vector<FormField>& fields,
               std::string_view extraButton) {
    if (nonInteractive() || !platformRunning()) {
        std::string answer;
        qt::takeDialogAnswer(answer);
        return applyFormAnswer(title, answer, fields, extraButton);
    }
    QDialog dialog;
    dialog.setWindowTitle(qt::fromCodePage(title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    std::vector<FieldWidgets> widgets;
    widgets.reserve(fields.size());
    for (const FormField& field : fields) widgets.push_back(addField(*form, field));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    int result = 1;
    if (!extraButton.empty()) {
        QPushButton* extra =
            buttons->addButton(qt::fromCodePage(extraButton), QDialogButtonBox::DestructiveRole);
        QObject::connect(extra, &QPushButton::clicked, &dialog, [&] {
            result = 2;
            dialog.reject();
        });
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() == QDialog::Accepted) {
        for (size_t i = 0; i < fields.size(); ++i) fields[i].text = fieldText(widgets[i]);
        return 0;
    }
    return result;
}

}  // namespace tessel
