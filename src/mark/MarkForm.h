// TMarkForm: the condition dialog of "От&метить..." (column, operator, value and three options),
// and the Qt implementation of the marking dialog port that shows it modally.
#pragma once

#include <optional>

#include <QDialog>

#include "mark/Marking.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QWidget;

namespace tagmora {

class TMarkForm : public QDialog {
    Q_OBJECT
public:
    // Caption "Отметить...", at least 395 x 174, resizable. FieldCombo holds the 21 column
    // captions and WhatCombo the three operators, the first of each selected; the value is empty
    // and the check boxes are off, IgnorCheckBox enabled.
    explicit TMarkForm(QWidget* parent = nullptr);

    // The condition the controls show (IgnorCheckBox as ticked, even while greyed: the marking
    // decides what a greyed box means).
    MarkCondition Condition() const;

    // MarkedCheckBox's click: IgnorCheckBox is enabled exactly while MarkedCheckBox is off.
    void MarkedCheckBoxClick();

protected:
    // Centres the dialog on its parent's window.
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Label1;
    QComboBox* FieldCombo;
    QComboBox* WhatCombo;
    QLineEdit* ValueEdit;
    QCheckBox* MarkedCheckBox;
    QCheckBox* IgnorCheckBox;
    QCheckBox* CSCheckBox;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// The dialog port of the program: TMarkForm over `parent`, created and destroyed per question.
class QtMarkDialog : public MarkDialogPort {
public:
    explicit QtMarkDialog(QWidget* parent) : parent_(parent) {}
    std::optional<MarkCondition> AskMarkCondition() override;

private:
    QWidget* parent_;
};

}  // namespace tagmora
