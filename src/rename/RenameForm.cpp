// TRenameForm and the Qt dialog port.
#include "rename/RenameForm.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "script/Script.h"
#include "filelist/FileList.h"

namespace tagmora {

TRenameForm::TRenameForm(const std::vector<std::string>& history, const FileList& list, int sampleRow, QWidget* parent)
    : QDialog(parent), list_(list), sampleRow_(sampleRow) {
    setObjectName(QStringLiteral("RenameForm"));
    setWindowTitle(QStringLiteral("Переименовать..."));
    setMinimumSize(396, 149);
    setSizeGripEnabled(true);

    Label1 = new QLabel(QStringLiteral("Переименовать выбранные файлы, применив к ним скрипт:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    ScriptEdit = new QComboBox(this);
    ScriptEdit->setObjectName(QStringLiteral("ScriptEdit"));
    ScriptEdit->setEditable(true);
    // The history changes only when a script is confirmed; typing completes nothing on its own.
    ScriptEdit->setInsertPolicy(QComboBox::NoInsert);
    ScriptEdit->setCompleter(nullptr);
    ScriptEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Label1->setBuddy(ScriptEdit);

    ChLabel = new QLabel(this);
    ChLabel->setObjectName(QStringLiteral("ChLabel"));
    ChLabel->setTextFormat(Qt::PlainText);
    // A long preview must not widen the dialog.
    ChLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    OkButton->setEnabled(false);
    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ScriptEdit);
    layout->addWidget(ChLabel);
    layout->addStretch(1);
    layout->addLayout(buttons);

    // Filled before the change handler is connected: selecting the first entry runs no check.
    for (const auto& entry : history) ScriptEdit->addItem(QString::fromStdString(entry));
    if (!history.empty()) ScriptEdit->setCurrentIndex(0);
    connect(ScriptEdit, &QComboBox::editTextChanged, this, &TRenameForm::ScriptChanged);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ScriptEdit->setFocus();
}

std::string TRenameForm::ScriptText() const { return ScriptEdit->currentText().toStdString(); }

void TRenameForm::ScriptChanged(const QString& text) {
    const std::string preview = CheckScript(text.toStdString(), list_, sampleRow_);
    ChLabel->setText(QString::fromStdString(preview));
    // An empty preview would name the file ".mp3", a hidden file: it cannot be confirmed either.
    OkButton->setEnabled(!preview.empty() && preview != kScriptError);
}

void TRenameForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || parentWidget() == nullptr) return;
    const QRect area = parentWidget()->window()->frameGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

std::optional<std::string> QtScriptDialog::AskRenameScript(const std::vector<std::string>& history,
                                                           const FileList& list, int sampleRow) {
    TRenameForm form(history, list, sampleRow, parent_);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.ScriptText();
}

}  // namespace tagmora
