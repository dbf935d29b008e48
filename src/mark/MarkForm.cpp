// TMarkForm and the Qt marking dialog port.
#include "mark/MarkForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "filelist/FileList.h"

namespace tagmora {

namespace {

template <typename T>
T* Named(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

}  // namespace

TMarkForm::TMarkForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("MarkForm"));
    setWindowTitle(QStringLiteral("Отметить..."));
    setMinimumSize(395, 174);
    setSizeGripEnabled(true);

    Label1 =
        Named(new QLabel(QStringLiteral("Отметить файлы, для которых выполняется следующее условие:"), this), "Label1");
    FieldCombo = Named(new QComboBox(this), "FieldCombo");
    for (const char* caption : ColumnCaptions()) FieldCombo->addItem(QString::fromUtf8(caption));
    FieldCombo->setCurrentIndex(0);
    WhatCombo = Named(new QComboBox(this), "WhatCombo");
    WhatCombo->addItems({QStringLiteral("Равно"), QStringLiteral("Не равно"), QStringLiteral("Содержит")});
    WhatCombo->setCurrentIndex(0);
    ValueEdit = Named(new QLineEdit(this), "ValueEdit");
    ValueEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    MarkedCheckBox = Named(new QCheckBox(QStringLiteral("Искать только среди отмеченных"), this), "MarkedCheckBox");
    IgnorCheckBox =
        Named(new QCheckBox(QStringLiteral("Игнорировать файлы, которые не удовлетворяют этому условию"), this),
              "IgnorCheckBox");
    CSCheckBox = Named(new QCheckBox(QStringLiteral("Учитывать регистр"), this), "CSCheckBox");
    OkButton = Named(new QPushButton(QStringLiteral("Ok"), this), "OkButton");
    OkButton->setDefault(true);
    CancelButton = Named(new QPushButton(QStringLiteral("Отмена"), this), "CancelButton");

    auto* condition = new QHBoxLayout;
    condition->addWidget(FieldCombo);
    condition->addWidget(WhatCombo);
    condition->addWidget(ValueEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(condition);
    layout->addWidget(MarkedCheckBox);
    layout->addWidget(IgnorCheckBox);
    layout->addWidget(CSCheckBox);
    layout->addStretch(1);
    layout->addLayout(buttons);
    // Tab order: top to bottom, the condition's row from left to right.
    setTabOrder(FieldCombo, WhatCombo);
    setTabOrder(WhatCombo, ValueEdit);
    setTabOrder(ValueEdit, MarkedCheckBox);
    setTabOrder(MarkedCheckBox, IgnorCheckBox);
    setTabOrder(IgnorCheckBox, CSCheckBox);
    setTabOrder(CSCheckBox, OkButton);
    setTabOrder(OkButton, CancelButton);

    connect(MarkedCheckBox, &QCheckBox::clicked, this, &TMarkForm::MarkedCheckBoxClick);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ValueEdit->setFocus();
}

MarkCondition TMarkForm::Condition() const {
    MarkCondition condition;
    condition.Field = FieldCombo->currentIndex();
    condition.Operator = static_cast<MarkOperator>(WhatCombo->currentIndex());
    condition.Value = ValueEdit->text().toStdString();
    condition.OnlyMarked = MarkedCheckBox->isChecked();
    condition.KeepUnmatched = IgnorCheckBox->isChecked();
    condition.CaseSensitive = CSCheckBox->isChecked();
    return condition;
}

void TMarkForm::MarkedCheckBoxClick() { IgnorCheckBox->setEnabled(!MarkedCheckBox->isChecked()); }

void TMarkForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || parentWidget() == nullptr) return;
    const QRect area = parentWidget()->window()->frameGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

std::optional<MarkCondition> QtMarkDialog::AskMarkCondition() {
    TMarkForm form(parent_);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Condition();
}

}  // namespace tagmora
